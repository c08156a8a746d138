#include "graphics/Blitters.h"

#include "graphics/Blend.h"

#include <algorithm>

namespace Lumo::Blitters
{

void FillRow(uint32_t* d, int n, uint32_t color)
{
    std::fill(d, d + n, color);
}

namespace Reference
{

void BlendFillRow(uint32_t* d, int n, uint32_t color, uint32_t alpha)
{
    for (int i = 0; i < n; i++)
        d[i] = Blend::Normal(d[i], color, alpha);
}

void NormalRow(uint32_t* d, const uint32_t* s, int n)
{
    for (int i = 0; i < n; i++)
        d[i] = Blend::NormalPixel(d[i], s[i]);
}

void OverOpaqueRow(uint32_t* d, const uint32_t* s, int n)
{
    for (int i = 0; i < n; i++)
        d[i] = Blend::OverOpaque(d[i], s[i]);
}

void TintedRow(uint32_t* d, const uint32_t* s, int n, const Tint& t)
{
    for (int i = 0; i < n; i++)
        d[i] = Blend::Tinted(d[i], s[i], t.mRed, t.mGreen, t.mBlue, t.mAlpha);
}

void AddRow(uint32_t* d, const uint32_t* s, int n, AddMode mode, const Tint& c)
{
    using Blend::Channel;
    for (int i = 0; i < n; i++)
    {
        uint32_t p = s[i];
        uint32_t sa = p >> 24;
        uint32_t r = Channel(p, 16), g = Channel(p, 8), b = Channel(p, 0);
        switch (mode)
        {
        case AddMode::Plain:
            if (sa == 0)
                continue;
            break;
        case AddMode::Alpha:
            r = (r * sa) >> 8;
            g = (g * sa) >> 8;
            b = (b * sa) >> 8;
            break;
        case AddMode::Tinted:
            if (sa == 0)
                continue;
            r = (r * uint32_t(c.mRed)) >> 8;
            g = (g * uint32_t(c.mGreen)) >> 8;
            b = (b * uint32_t(c.mBlue)) >> 8;
            break;
        case AddMode::TintedAlpha:
            r = (((r * uint32_t(c.mRed)) >> 8) * sa) >> 8;
            g = (((g * uint32_t(c.mGreen)) >> 8) * sa) >> 8;
            b = (((b * uint32_t(c.mBlue)) >> 8) * sa) >> 8;
            break;
        }
        d[i] = Blend::Add(d[i], r, g, b);
    }
}

} // namespace Reference

#ifdef __SSE2__
namespace Fast = Sse2;
#else
namespace Fast = Reference;
#endif

void BlendFillRow(uint32_t* d, int n, uint32_t color, uint32_t alpha)
{
    Fast::BlendFillRow(d, n, color, alpha);
}

void NormalRow(uint32_t* d, const uint32_t* s, int n)
{
    Fast::NormalRow(d, s, n);
}

void OverOpaqueRow(uint32_t* d, const uint32_t* s, int n)
{
    Fast::OverOpaqueRow(d, s, n);
}

void TintedRow(uint32_t* d, const uint32_t* s, int n, const Tint& tint)
{
    Fast::TintedRow(d, s, n, tint);
}

void AddRow(uint32_t* d, const uint32_t* s, int n, AddMode mode, const Tint& scaled)
{
    Fast::AddRow(d, s, n, mode, scaled);
}

} // namespace Lumo::Blitters
