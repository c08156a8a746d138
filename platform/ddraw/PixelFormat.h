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
