// Pixel layouts of the layer's surfaces, and rows moved to and from 0xAARRGGBB.
#pragma once

#include "ddraw/ddraw.h"

#include <cstdint>

namespace DDraw
{
struct PixelFormat
{
    DWORD bits = 32;
    DWORD red = 0xFF0000;
    DWORD green = 0xFF00;
    DWORD blue = 0xFF;
    DWORD alpha = 0; // textures only

    DWORD BytesPerPixel() const { return (bits + 7) / 8; }
    // Bytes from one row to the next: rows start on 4-byte boundaries.
    DWORD Pitch(DWORD width) const { return (width * BytesPerPixel() + 3) & ~3u; }
    // Blits, fills and keys work on 16- and 32-bit surfaces; 8 and 24 bits exist only as a desktop
    // or, for 8 bits, as a palette texture.
    bool Drawable() const { return bits == 16 || bits == 32; }
    bool operator==(const PixelFormat&) const = default;
    DDPIXELFORMAT Describe() const;
};

// The layouts the layer's surfaces and textures take.
namespace Layouts
{
inline constexpr PixelFormat k565{16, 0xF800, 0x07E0, 0x001F};
inline constexpr PixelFormat k555{16, 0x7C00, 0x03E0, 0x001F};
inline constexpr PixelFormat k888{32, 0xFF0000, 0xFF00, 0xFF};
inline constexpr PixelFormat k8888{32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000};
inline constexpr PixelFormat k4444{16, 0x0F00, 0x00F0, 0x000F, 0xF000};
inline constexpr PixelFormat kPalette8{8, 0, 0, 0, 0};
} // namespace Layouts

// The layout a display of this depth has (16 bits: 5-6-5 unless a test asked for 5-5-5).
PixelFormat DisplayFormat(int bitsPerPixel);
// A surface's requested layout: 16-bit 5-6-5 or 5-5-5, or 32-bit 8-8-8; textures may also be
// A8R8G8B8, A4R4G4B4 or 8-bit palette indices. False for any other.
bool FormatFromDescription(const DDPIXELFORMAT& description, bool texture, PixelFormat* format);

// One row as 0xAARRGGBB; formats without alpha come out opaque. Palette rows need the palette's
// 256 colours as 0xAARRGGBB.
void RowToArgb(const uint8_t* in, const PixelFormat& format, uint32_t* out, int count,
               const uint32_t* palette = nullptr);
// One row of 0xAARRGGBB in the format (16 and 32 bits; each channel keeps its top bits).
void RowFromArgb(const uint32_t* in, const PixelFormat& format, uint8_t* out, int count);
} // namespace DDraw
