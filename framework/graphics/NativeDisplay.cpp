#include "graphics/NativeDisplay.h"

#include <bit>

namespace Lumo
{

namespace
{
void Describe(int mask, int& bits, int& shift)
{
    if (mask == 0)
    {
        bits = shift = 0;
        return;
    }
    unsigned m = unsigned(mask);
    shift = std::countr_zero(m);
    bits = (31 - std::countl_zero(m)) - shift + 1;
}
} // namespace

void NativeDisplay::SetFormat(int bitsPerPixel, int redMask, int greenMask, int blueMask)
{
    mRGBBits = bitsPerPixel;
    mRedMask = redMask;
    mGreenMask = greenMask;
    mBlueMask = blueMask;
    Describe(redMask, mRedBits, mRedShift);
    Describe(greenMask, mGreenBits, mGreenShift);
    Describe(blueMask, mBlueBits, mBlueShift);
}

const NativeDisplay& NativeDisplay::Default32()
{
    static const NativeDisplay display = []
    {
        NativeDisplay d;
        d.SetFormat(32, 0xFF0000, 0xFF00, 0xFF);
        return d;
    }();
    return display;
}

} // namespace Lumo
