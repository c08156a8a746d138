// Pixel layouts of the layer's surfaces.
#pragma once

#include "ddraw/ddraw.h"

namespace DDraw
{
struct PixelFormat
{
    DWORD bits = 32;
    DWORD red = 0xFF0000;
    DWORD green = 0xFF00;
    DWORD blue = 0xFF;

    DWORD BytesPerPixel() const { return (bits + 7) / 8; }
    // Bytes from one row to the next: rows start on 4-byte boundaries.
    DWORD Pitch(DWORD width) const { return (width * BytesPerPixel() + 3) & ~3u; }
    // Blits, fills and keys work on 16- and 32-bit surfaces; 8 and 24 bits exist only as a desktop.
    bool Drawable() const { return bits == 16 || bits == 32; }
    bool operator==(const PixelFormat&) const = default;
    DDPIXELFORMAT Describe() const;
};

// The layout a display of this depth has (16 bits: 5-6-5 unless a test asked for 5-5-5).
PixelFormat DisplayFormat(int bitsPerPixel);
// A surface's requested layout: 16-bit 5-6-5 or 5-5-5, or 32-bit 8-8-8. False for any other.
bool FormatFromDescription(const DDPIXELFORMAT& description, PixelFormat* format);
} // namespace DDraw
