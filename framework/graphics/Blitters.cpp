#include "graphics/Blitters.h"

#include "graphics/Blend.h"
#include "graphics/VectorRows.h"

#include <algorithm>

namespace Lumo::Blitters
{

namespace Reference
{

// Every pixel of a block through a formula of its destination and source pixels.
template <typename Pixel> void EachPixel(const Block& b, Pixel pixel)
{
    EachRow(b,
            [&](uint32_t* d, const uint32_t* s)
            {
                for (int i = 0; i < b.w; i++)
                    d[i] = pixel(d[i], s[i]);
            });
}

void FillRows(const Block& b, uint32_t color)
{
    EachRow(b, [&](uint32_t* d, const uint32_t*) { std::fill(d, d + b.w, color); });
}

void BlendFillRows(const Block& b, uint32_t color, uint32_t alpha)
{
    EachRow(b,
            [&](uint32_t* d, const uint32_t*)
            {
                for (int i = 0; i < b.w; i++)
                    d[i] = Blend::Normal(d[i], color, alpha);
            });
}

void NormalRows(const Block& b)
{
    EachPixel(b, Blend::NormalPixel);
}

void OverOpaqueRows(const Block& b)
{
    EachPixel(b, Blend::OverOpaque);
}

void OpaqueRunsRows(const Block& b, const uint8_t* runs)
{
    for (int y = 0; y < b.h; y++, runs += b.sPitch)
    {
        uint32_t* d = b.d + ptrdiff_t(y) * b.dPitch;
        const uint32_t* s = b.s + ptrdiff_t(y) * b.sPitch;
        for (int i = 0; i < b.w;)
        {
            int run = std::min(int(runs[i]), b.w - i);
            uint32_t alpha = s[i] >> 24;
            if (alpha == 255)
                std::copy(s + i, s + i + run, d + i);
            else if (alpha != 0)
                for (int k = i; k < i + run; k++)
                    d[k] = Blend::OverOpaque(d[k], s[k]);
            i += run;
        }
    }
}

void TintedRows(const Block& b, const Tint& t)
{
    EachPixel(b, [&](uint32_t d, uint32_t s)
              { return Blend::Tinted(d, s, t.mRed, t.mGreen, t.mBlue, t.mAlpha); });
}

void AddRows(const Block& b, AddMode mode, const Tint& c)
{
    using Blend::Channel;
    EachPixel(b,
              [&](uint32_t d, uint32_t p)
              {
                  uint32_t sa = p >> 24;
                  uint32_t r = Channel(p, 16), g = Channel(p, 8), b = Channel(p, 0);
                  switch (mode)
                  {
                  case AddMode::Plain:
                      if (sa == 0)
                          return d;
                      break;
                  case AddMode::Alpha:
                      r = (r * sa) >> 8;
                      g = (g * sa) >> 8;
                      b = (b * sa) >> 8;
                      break;
                  case AddMode::Tinted:
                      if (sa == 0)
                          return d;
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
                  return Blend::Add(d, r, g, b);
              });
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
