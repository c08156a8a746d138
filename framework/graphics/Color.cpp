#include "graphics/Color.h"

namespace Lumo
{

const Color Color::White(255, 255, 255);
const Color Color::Black(0, 0, 0);

Color::Color(int argb)
    : mRed((argb >> 16) & 0xFF), mGreen((argb >> 8) & 0xFF), mBlue(argb & 0xFF), mAlpha((argb >> 24) & 0xFF)
{
    if (mAlpha == 0)
        mAlpha = 255;
}

bool operator!=(const Color& a, const Color& b)
{
    return a.mRed != b.mRed || a.mGreen != b.mGreen || a.mBlue != b.mBlue || a.mAlpha != b.mAlpha;
}

} // namespace Lumo
