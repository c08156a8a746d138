#include "ddraw/PixelFormat.h"
#include "test/directdraw.h"

#include <atomic>

namespace
{
std::atomic<bool> gGreen6Bits{true};

constexpr DDraw::PixelFormat k565{16, 0xF800, 0x07E0, 0x001F};
constexpr DDraw::PixelFormat k555{16, 0x7C00, 0x03E0, 0x001F};
constexpr DDraw::PixelFormat k888{32, 0xFF0000, 0xFF00, 0xFF};
} // namespace

namespace DDraw
{
DDPIXELFORMAT PixelFormat::Describe() const
{
    DDPIXELFORMAT description{};
    description.dwSize = sizeof(DDPIXELFORMAT);
    description.dwFlags = bits == 8 ? DDPF_RGB | DDPF_PALETTEINDEXED8 : DDPF_RGB;
    description.dwRGBBitCount = bits;
    description.dwRBitMask = red;
    description.dwGBitMask = green;
    description.dwBBitMask = blue;
    return description;
}

PixelFormat DisplayFormat(int bitsPerPixel)
{
    switch (bitsPerPixel)
    {
    case 8:
        return PixelFormat{8, 0, 0, 0};
    case 16:
        return gGreen6Bits ? k565 : k555;
    case 24:
        return PixelFormat{24, 0xFF0000, 0xFF00, 0xFF};
    default:
        return k888;
    }
}

bool FormatFromDescription(const DDPIXELFORMAT& description, PixelFormat* format)
{
    if ((description.dwFlags & (DDPF_RGB | DDPF_ALPHAPIXELS | DDPF_PALETTEINDEXED8)) != DDPF_RGB)
        return false;
    PixelFormat asked{description.dwRGBBitCount, description.dwRBitMask, description.dwGBitMask,
                      description.dwBBitMask};
    for (const PixelFormat& known : {k565, k555, k888})
        if (asked == known)
        {
            *format = known;
            return true;
        }
    return false;
}
} // namespace DDraw

namespace PlatformTest
{
void SetDirectDraw565(bool green6Bits)
{
    gGreen6Bits = green6Bits;
}
} // namespace PlatformTest
