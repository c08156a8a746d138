#pragma once

#include <cstdint>

namespace Lumo
{

// One RGBA colour; components are kept in 0-255 by every producer.
class Color
{
public:
    int mRed = 0;
    int mGreen = 0;
    int mBlue = 0;
    int mAlpha = 255;

    static const Color White;
    static const Color Black;

    Color() = default;
    // Packed 0xAARRGGBB; an alpha byte of 0 reads as opaque.
    Color(int argb);
    Color(int r, int g, int b) : mRed(r), mGreen(g), mBlue(b), mAlpha(255) {}
    Color(int r, int g, int b, int a) : mRed(r), mGreen(g), mBlue(b), mAlpha(a) {}
    explicit Color(const int* rgb) : mRed(rgb[0]), mGreen(rgb[1]), mBlue(rgb[2]), mAlpha(255) {}

    int GetRed() const { return mRed; }
    int GetGreen() const { return mGreen; }
    int GetBlue() const { return mBlue; }
    int GetAlpha() const { return mAlpha; }

    uint32_t ToARGB() const
    {
        return (uint32_t(mAlpha) << 24) | (uint32_t(mRed) << 16) | (uint32_t(mGreen) << 8) | uint32_t(mBlue);
    }
    bool IsWhite() const { return mRed == 255 && mGreen == 255 && mBlue == 255 && mAlpha == 255; }
};

bool operator!=(const Color& a, const Color& b);
inline bool operator==(const Color& a, const Color& b)
{
    return !(a != b);
}

} // namespace Lumo
