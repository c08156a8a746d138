#pragma once

namespace Lumo
{

// The screen's pixel format as the software blitters read it. The display
// back end fills it from its primary surface; until then the 32-bit layout
// below is the description used.
class NativeDisplay
{
public:
    int mRGBBits = 0;
    int mRedMask = 0;
    int mGreenMask = 0;
    int mBlueMask = 0;
    int mRedBits = 0;
    int mGreenBits = 0;
    int mBlueBits = 0;
    int mRedShift = 0;
    int mGreenShift = 0;
    int mBlueShift = 0;

    NativeDisplay() = default;
    virtual ~NativeDisplay() = default;

    // Masks, bit counts and shifts derived from the three channel masks.
    void SetFormat(int bitsPerPixel, int redMask, int greenMask, int blueMask);

    // 0xFF0000 / 0xFF00 / 0xFF at 32 bits per pixel.
    static const NativeDisplay& Default32();
};

} // namespace Lumo
