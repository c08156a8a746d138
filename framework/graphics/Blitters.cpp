#include "graphics/Blitters.h"

#include "graphics/Blend.h"
#include "graphics/VectorRows.h"

#include <algorithm>

namespace Lumo::Blitters
{

namespace Reference
{

void FillRow(uint32_t* d, int n, uint32_t color)
{
    std::fill(d, d + n, color);
}

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

void OpaqueRunsRow(uint32_t* d, const uint32_t* s, const uint8_t* runs, int n)
{
    for (int i = 0; i < n;)
    {
        int run = std::min(int(runs[i]), n - i);
        uint32_t alpha = s[i] >> 24;
        if (alpha == 255)
            std::copy(s + i, s + i + run, d + i);
        else if (alpha != 0)
            OverOpaqueRow(d + i, s + i, run);
        i += run;
    }
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

void GatherRow(uint32_t* d, const uint32_t* s, const int32_t* columns, int n)
{
    for (int i = 0; i < n; i++)
        d[i] = s[columns[i]];
}

void AccumulateRow(int32_t* row, const int32_t* in, size_t n, int32_t weight, bool first)
{
    AccumulateRowOf(row, in, n, weight, first);
}

} // namespace Reference

#define LUMO_BLITTER_REFERENCE(result, name, parameters, arguments) &Reference::name,
const Rows kReferenceRows = {LUMO_BLITTER_SET(LUMO_BLITTER_REFERENCE)};

#if LUMO_CPU_X86
constexpr const Rows* kTables[Cpu::kLevels] = {&kReferenceRows, &Sse2::kRows, &Avx2::kRows, &Avx512::kRows};
#else
constexpr const Rows* kTables[Cpu::kLevels] = {&kReferenceRows, nullptr, nullptr, nullptr};
#endif

const Rows& RowsFor(Cpu::Level level)
{
    return Cpu::Pick(kTables, level);
}

#define LUMO_BLITTER_DISPATCH(result, name, parameters, arguments)                                           \
    result name parameters                                                                                   \
    {                                                                                                        \
        return Active().name arguments;                                                                      \
    }
LUMO_BLITTER_SET(LUMO_BLITTER_DISPATCH)

} // namespace Lumo::Blitters
