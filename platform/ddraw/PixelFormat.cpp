#include "ddraw/PixelFormat.h"
#include "test/directdraw.h"

#include <atomic>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
std::atomic<bool> gGreen6Bits{true};

using namespace DDraw::Layouts;
constexpr uint32_t kOpaque = 0xFF000000u;

int Shift(DWORD mask)
{
    return mask ? __builtin_ctz(mask) : 0;
}

int Width(DWORD mask)
{
    return mask ? __builtin_popcount(mask) : 0;
}

// A channel of `bits` bits widened to 8: its top bits repeat into the low ones, so full stays full.
uint32_t Widen(uint32_t value, int bits)
{
    if (bits == 0)
        return 0xFF;
    uint32_t wide = value << (8 - bits);
    for (int filled = bits; filled < 8; filled += bits)
        wide |= wide >> filled;
    return wide & 0xFF;
}

uint32_t Channel(uint32_t pixel, DWORD mask)
{
    return Widen((pixel & mask) >> Shift(mask), Width(mask));
}

// 5-6-5 or 5-5-5 rows, eight pixels at a time. A channel of n bits widens to 8 by repeating its
// top bits, which is one multiply: x * 0x21 >> 2 for 5 bits, x * 0x41 >> 4 for 6. With the channel
// left in place, the high half of a 16-bit multiply does the shifts as well.
void WidenSixteen(const uint16_t* in, bool green6Bits, uint32_t* out, int count)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi16((short)0xFF00);
    // Red at bits 11-15 (5-6-5) or 10-14 (5-5-5); green at 5-10 or 5-9; blue at 0-4.
    const __m128i redMask = _mm_set1_epi16(green6Bits ? (short)0xF800 : 0x7C00);
    const __m128i redScale = _mm_set1_epi16(green6Bits ? 0x108 : 0x210);
    const __m128i greenMask = _mm_set1_epi16(green6Bits ? 0x07E0 : 0x03E0);
    const __m128i greenScale = _mm_set1_epi16(green6Bits ? 0x2080 : 0x4200);
    const __m128i blueScale = _mm_set1_epi16(0x108);
    for (; i + 8 <= count; i += 8)
    {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        __m128i r = _mm_mulhi_epu16(_mm_and_si128(v, redMask), redScale);
        __m128i g = _mm_mulhi_epu16(_mm_and_si128(v, greenMask), greenScale);
        __m128i b = _mm_mulhi_epu16(_mm_slli_epi16(v, 11), blueScale);
        __m128i low = _mm_or_si128(_mm_slli_epi16(g, 8), b); // green, blue
        __m128i high = _mm_or_si128(r, opaque);              // alpha, red
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi16(low, high));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4), _mm_unpackhi_epi16(low, high));
    }
#endif
    const DDraw::PixelFormat& format = green6Bits ? k565 : k555;
    for (; i < count; i++)
        out[i] = kOpaque | Channel(in[i], format.red) << 16 | Channel(in[i], format.green) << 8 |
                 Channel(in[i], format.blue);
}
} // namespace

namespace DDraw
{
DDPIXELFORMAT PixelFormat::Describe() const
{
    DDPIXELFORMAT description{};
    description.dwSize = sizeof(DDPIXELFORMAT);
    description.dwFlags = bits == 8 ? DDPF_RGB | DDPF_PALETTEINDEXED8 : DDPF_RGB;
    if (alpha)
        description.dwFlags |= DDPF_ALPHAPIXELS;
    description.dwRGBBitCount = bits;
    description.dwRBitMask = red;
    description.dwGBitMask = green;
    description.dwBBitMask = blue;
    description.dwRGBAlphaBitMask = alpha;
    return description;
}

PixelFormat DisplayFormat(int bitsPerPixel)
{
    switch (bitsPerPixel)
    {
    case 8:
        return kPalette8;
    case 16:
        return gGreen6Bits ? k565 : k555;
    case 24:
        return PixelFormat{24, 0xFF0000, 0xFF00, 0xFF};
    default:
        return k888;
    }
}

bool FormatFromDescription(const DDPIXELFORMAT& description, bool texture, PixelFormat* format)
{
    DWORD kind = description.dwFlags & (DDPF_RGB | DDPF_ALPHAPIXELS | DDPF_PALETTEINDEXED8);
    if (kind == (DDPF_RGB | DDPF_PALETTEINDEXED8))
    {
        if (!texture || description.dwRGBBitCount != 8)
            return false;
        *format = kPalette8;
        return true;
    }
    bool alpha = kind == (DDPF_RGB | DDPF_ALPHAPIXELS);
    if (kind != DDPF_RGB && !(alpha && texture))
        return false;
    PixelFormat asked{description.dwRGBBitCount, description.dwRBitMask, description.dwGBitMask,
                      description.dwBBitMask, alpha ? description.dwRGBAlphaBitMask : 0};
    for (const PixelFormat& known : {k565, k555, k888, k8888, k4444})
        if (asked == known)
        {
            *format = known;
            return true;
        }
    return false;
}

void RowToArgb(const uint8_t* in, const PixelFormat& format, uint32_t* out, int count,
               const uint32_t* palette)
{
    if (format.bits == 32)
    {
        const uint32_t* p = reinterpret_cast<const uint32_t*>(in);
        if (format.alpha)
            std::memcpy(out, p, (size_t)count * 4);
        else
            for (int i = 0; i < count; i++)
                out[i] = kOpaque | p[i];
        return;
    }
    if (format.bits == 8)
    {
        for (int i = 0; i < count; i++)
            out[i] = palette ? palette[in[i]] : kOpaque;
        return;
    }
    const uint16_t* p = reinterpret_cast<const uint16_t*>(in);
    if (format == k565 || format == k555)
        return WidenSixteen(p, format == k565, out, count);
    for (int i = 0; i < count; i++)
        out[i] = Channel(p[i], format.alpha) << 24 | Channel(p[i], format.red) << 16 |
                 Channel(p[i], format.green) << 8 | Channel(p[i], format.blue);
}

void RowFromArgb(const uint32_t* in, const PixelFormat& format, uint8_t* out, int count)
{
    if (format.bits == 32)
    {
        std::memcpy(out, in, (size_t)count * 4);
        return;
    }
    auto narrow = [](uint32_t value8, DWORD mask) { return (value8 >> (8 - Width(mask))) << Shift(mask); };
    uint16_t* p = reinterpret_cast<uint16_t*>(out);
    for (int i = 0; i < count; i++)
    {
        uint32_t v = in[i];
        uint32_t value = narrow(v >> 16 & 0xFF, format.red) | narrow(v >> 8 & 0xFF, format.green) |
                         narrow(v & 0xFF, format.blue);
        if (format.alpha)
            value |= narrow(v >> 24, format.alpha);
        p[i] = (uint16_t)value;
    }
}
} // namespace DDraw

namespace PlatformTest
{
void SetDirectDraw565(bool green6Bits)
{
    gGreen6Bits = green6Bits;
}
} // namespace PlatformTest
