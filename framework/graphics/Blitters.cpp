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

void CopyRows(const Block& b)
{
    EachRow(b, [&](uint32_t* d, const uint32_t* s) { std::copy(s, s + b.w, d); });
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

// Opaque pixels copied, clear ones kept, others through over(d, s): by the runs, or
// pixel by pixel where there are none.
template <typename Over> void RunsRows(const Block& b, const uint8_t* runs, Over over)
{
    for (int y = 0; y < b.h; y++, runs += runs == nullptr ? 0 : b.sPitch)
    {
        uint32_t* d = b.d + ptrdiff_t(y) * b.dPitch;
        const uint32_t* s = b.s + ptrdiff_t(y) * b.sPitch;
        for (int i = 0; i < b.w;)
        {
            int run = runs == nullptr ? 1 : std::min(int(runs[i]), b.w - i);
            uint32_t alpha = s[i] >> 24;
            if (alpha == 255)
                std::copy(s + i, s + i + run, d + i);
            else if (alpha != 0)
                for (int k = i; k < i + run; k++)
                    d[k] = over(d[k], s[k]);
            i += run;
        }
    }
}

void OpaqueRunsRows(const Block& b, const uint8_t* runs)
{
    RunsRows(b, runs, Blend::OverOpaque);
}

void WeightedRunsRows(const Block& b, const uint8_t* runs)
{
    RunsRows(b, runs, Blend::OverWeighted);
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
                      return Blend::Add(d, Blend::AlphaWeighted(p));
                  case AddMode::Amounts:
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

void AddPackedRows(const Block& b, const uint8_t* amounts)
{
    for (int y = 0; y < b.h; y++)
    {
        uint32_t* d = b.d + ptrdiff_t(y) * b.dPitch;
        const uint8_t* a = amounts + ptrdiff_t(y) * b.sPitch * kPackedAmountBytes;
        for (int x = 0; x < b.w; x++, a += kPackedAmountBytes)
            d[x] = Blend::Add(d[x], a[2], a[1], a[0]);
    }
}

void GatherRow(uint32_t* d, const uint32_t* s, int, const int32_t* columns, int n)
{
    for (int i = 0; i < n; i++)
        d[i] = s[columns[i]];
}

// The top bit of both halves of a word: cells are held with it flipped.
constexpr uint32_t kFlip = 0x80008000;

void FilterAcross(uint32_t* even, uint32_t* odd, const uint32_t* pixels, const int32_t* lines,
                  const uint32_t* weights, int taps, int stride, bool)
{
    for (int c = 0; c < stride; c++)
    {
        uint32_t sum[4] = {0, 0, 0, 0}; // blue, green, red, alpha
        for (int t = 0; t < taps; t++)
        {
            size_t at = size_t(t) * size_t(stride) + size_t(c);
            uint32_t p = pixels[lines[at]], weight = weights[at] & 0xFFFF;
            for (int k = 0; k < 4; k++)
                sum[k] += ((p >> (8 * k)) & 0xFF) * weight;
        }
        even[c] = (sum[0] | sum[2] << 16) ^ kFlip;
        odd[c] = (sum[1] | sum[3] << 16) ^ kFlip;
    }
}

void FilterDown(uint32_t* out, int width, const uint32_t* const* even, const uint32_t* const* odd,
                const int* weights, int taps)
{
    for (int c = 0; c < width; c++)
    {
        uint32_t sum[4] = {0, 0, 0, 0};
        for (int t = 0; t < taps; t++)
        {
            uint32_t e = even[t][c] ^ kFlip, o = odd[t][c] ^ kFlip;
            uint32_t cell[4] = {e & 0xFFFF, o & 0xFFFF, e >> 16, o >> 16};
            for (int k = 0; k < 4; k++)
                sum[k] += cell[k] * uint32_t(weights[t]);
        }
        out[c] = Blend::NormalPixel(out[c], (sum[3] >> 16) << 24 | (sum[2] >> 16) << 16 |
                                                (sum[1] >> 16) << 8 | sum[0] >> 16);
    }
}

} // namespace Reference

#define LUMO_BLITTER_REFERENCE(name, parameters) &Reference::name,
const Rows kReferenceRows = {LUMO_BLITTER_SET(LUMO_BLITTER_REFERENCE) 1, false};

#if LUMO_CPU_X86
constexpr const Rows* kTables[Cpu::kLevels] = {&kReferenceRows, &Sse2::kRows, &Avx2::kRows, &Avx512::kRows};
#else
constexpr const Rows* kTables[Cpu::kLevels] = {&kReferenceRows, nullptr, nullptr, nullptr};
#endif

const Rows& RowsFor(Cpu::Level level)
{
    return Cpu::Pick(kTables, level);
}

} // namespace Lumo::Blitters
