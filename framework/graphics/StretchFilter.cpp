#include "graphics/StretchFilter.h"

#include "graphics/Blend.h"
#include "graphics/Blitters.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Lumo
{

namespace
{

// One axis of the filter: spreads `count` input lines (window origin
// `origin`) over the output cells 1..outSize (of outSize + 4), weighting by
// `scale` (257 across, 256 down). add(cell, line, weight) accumulates.
// Line indices are kept inside the window and cells inside the accumulator.
template <typename Add>
void FilterAxis(int outSize, double srcPos, double srcSize, int origin, int count, int scale, Add add)
{
    int cells = outSize + 4;
    auto line = [&](int i) { return std::clamp(i - origin, 0, count - 1); };
    if (outSize > srcSize)
    {
        double k = outSize > 1 && srcSize > 1 ? (srcSize - 1) / (outSize - 1) : 0.0;
        for (int c = 1; c < outSize + 3; c++)
        {
            double p = (c - 1) * k + srcPos;
            int ip = int(p);
            int f = std::clamp(int((1 - (p - ip)) * scale), 0, scale);
            add(c, line(ip), f);
            add(c, line(ip + 1), scale - f);
        }
        return;
    }
    double k = outSize / srcSize;
    double offset = (origin - srcPos) * k + 1.0;
    for (int i = 0; i < count; i++)
    {
        double p = i * k + offset, q = p + k;
        int ip = int(p), iq = int(q);
        if (ip == iq)
        {
            if (ip >= 0 && ip < cells)
                add(ip, i, int(k * scale));
            continue;
        }
        if (ip >= 0 && ip < cells)
            add(ip, i, int((iq - p) * scale));
        if (iq >= 0 && iq < cells)
            add(iq, i, int((q - iq) * scale));
    }
}

struct Window
{
    int x0, y0, columns, rows;
};

// The whole source pixels under `s`, cut to the source; false when empty.
bool SourceWindow(const PixelSource& source, const FRect& s, Window& w)
{
    w.x0 = int(std::floor(s.mX));
    w.y0 = int(std::floor(s.mY));
    w.columns = int(std::ceil(s.mX - w.x0 + s.mWidth));
    w.rows = int(std::ceil(s.mY - w.y0 + s.mHeight));
    w.x0 = std::max(w.x0, 0);
    w.y0 = std::max(w.y0, 0);
    w.columns = std::min(w.columns, source.mWidth - w.x0);
    w.rows = std::min(w.rows, source.mHeight - w.y0);
    return w.columns >= 1 && w.rows >= 1;
}

// The pixel of one accumulated cell (four sums: alpha, red, green, blue), its
// alpha capped at 255.
uint32_t CellPixel(const int32_t* cell)
{
    uint32_t a = std::min(uint32_t(cell[0]) >> 16, 255u);
    return (a << 24) | ((uint32_t(cell[1]) >> 16) << 16) | ((uint32_t(cell[2]) >> 16) << 8) |
           (uint32_t(cell[3]) >> 16);
}

// Puts one row of accumulated cells by the normal blend; alpha 0 leaves the pixel.
void PutRow(const int32_t* cells, uint32_t* out, int width)
{
    for (int i = 0; i < width; i++, cells += 4)
        out[i] = Blend::NormalPixel(out[i], CellPixel(cells));
}

// row[i] += in[i] * weight; built for wider vectors too when the processor has them.
__attribute__((target_clones("avx2", "default"))) void Accumulate(int32_t* row, const int32_t* in, size_t n,
                                                                  int32_t weight)
{
    for (size_t i = 0; i < n; i++)
        row[i] += in[i] * weight;
}

void Unpack(uint32_t p, int32_t* out)
{
    out[0] = int32_t(p >> 24);
    out[1] = int32_t(Blend::Channel(p, 16));
    out[2] = int32_t(Blend::Channel(p, 8));
    out[3] = int32_t(Blend::Channel(p, 0));
}

struct Tap
{
    int cell, line, weight;
};

} // namespace

namespace Reference
{

void FilteredStretch(const PixelSource& source, uint32_t* dest, int pitch, const Rect& d, const FRect& s)
{
    Window w;
    if (!SourceWindow(source, s, w))
        return;
    const int across = d.mWidth + 4;
    std::vector<int32_t> horizontal(size_t(across) * size_t(w.rows) * 4, 0);
    for (int r = 0; r < w.rows; r++)
    {
        int32_t* cells = horizontal.data() + size_t(r) * size_t(across) * 4;
        FilterAxis(d.mWidth, s.mX, s.mWidth, w.x0, w.columns, 257,
                   [&](int cell, int column, int weight)
                   {
                       int32_t px[4];
                       Unpack(source.At(w.x0 + column, w.y0 + r), px);
                       for (int k = 0; k < 4; k++)
                           cells[size_t(cell) * 4 + size_t(k)] += px[k] * weight;
                   });
    }
    const int down = d.mHeight + 4;
    std::vector<int32_t> vertical(size_t(down) * size_t(across) * 4, 0);
    FilterAxis(d.mHeight, s.mY, s.mHeight, w.y0, w.rows, 256,
               [&](int cell, int row, int weight)
               {
                   const int32_t* in = horizontal.data() + size_t(row) * size_t(across) * 4;
                   int32_t* out = vertical.data() + size_t(cell) * size_t(across) * 4;
                   for (int i = 4; i < (d.mWidth + 1) * 4; i++)
                       out[i] += in[i] * weight;
               });
    for (int j = 0; j < d.mHeight; j++)
        PutRow(vertical.data() + (size_t(j + 1) * size_t(across) + 1) * 4,
               dest + size_t(d.mY + j) * size_t(pitch) + size_t(d.mX), d.mWidth);
}

} // namespace Reference

namespace
{

// Two taps of one output cell: the pair of source columns and their weights
// (a lone tap gets a partner of weight 0).
struct TapPair
{
    int cell;
    int lineA, lineB;
    int32_t weights; // weight A in the low half, weight B in the high half
};

std::vector<TapPair> PairTaps(const std::vector<Tap>& taps)
{
    std::vector<TapPair> pairs;
    for (size_t t = 0; t < taps.size(); t += 2)
    {
        bool partner = t + 1 < taps.size() && taps[t + 1].cell == taps[t].cell;
        const Tap& b = partner ? taps[t + 1] : taps[t];
        int weightB = partner ? b.weight : 0;
        pairs.push_back({taps[t].cell, taps[t].line, b.line,
                         int32_t(uint32_t(taps[t].weight) | uint32_t(weightB) << 16)});
        if (!partner)
            t--; // the next tap starts a new pair
    }
    return pairs;
}

// One source row filtered across into cells of four sums in the order blue,
// green, red, alpha; each cell is written once.
void FilterRowAcross(const uint32_t* pixels, const std::vector<TapPair>& pairs, int32_t* cells)
{
#ifdef __SSE2__
    __m128i zero = _mm_setzero_si128();
    for (size_t p = 0; p < pairs.size();)
    {
        int cell = pairs[p].cell;
        __m128i sum = zero;
        for (; p < pairs.size() && pairs[p].cell == cell; p++)
        {
            __m128i a = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(pixels[pairs[p].lineA])), zero);
            __m128i b = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(pixels[pairs[p].lineB])), zero);
            sum = _mm_add_epi32(sum,
                                _mm_madd_epi16(_mm_unpacklo_epi16(a, b), _mm_set1_epi32(pairs[p].weights)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cells + size_t(cell) * 4), sum);
    }
#else
    for (const TapPair& p : pairs)
        for (int k = 0; k < 4; k++)
            cells[size_t(p.cell) * 4 + size_t(k)] +=
                int32_t((pixels[p.lineA] >> (8 * k)) & 0xFF) * (p.weights & 0xFFFF) +
                int32_t((pixels[p.lineB] >> (8 * k)) & 0xFF) * (p.weights >> 16);
#endif
}

// The pixel of a cell of sums in blue, green, red, alpha order, alpha capped at 255.
uint32_t CellPixelBgra(const int32_t* cell)
{
    uint32_t a = std::min(uint32_t(cell[3]) >> 16, 255u);
    return (a << 24) | ((uint32_t(cell[2]) >> 16) << 16) | ((uint32_t(cell[1]) >> 16) << 8) |
           (uint32_t(cell[0]) >> 16);
}

} // namespace

// The same sums, added in another order: the taps of each axis are listed
// once and paired for 16-bit multiply-adds, only the source rows that are read
// are filtered across, and each output row is gathered from its own input rows
// into one row of cells instead of a second full accumulator.
void FilteredStretch(const PixelSource& source, uint32_t* dest, int pitch, const Rect& d, const FRect& s)
{
    Window w;
    if (!SourceWindow(source, s, w))
        return;
    std::vector<Tap> across, down;
    FilterAxis(d.mWidth, s.mX, s.mWidth, w.x0, w.columns, 257,
               [&](int cell, int column, int weight)
               {
                   if (cell >= 1 && cell <= d.mWidth && weight != 0)
                       across.push_back({cell, column, weight});
               });
    FilterAxis(d.mHeight, s.mY, s.mHeight, w.y0, w.rows, 256,
               [&](int cell, int row, int weight)
               {
                   if (cell >= 1 && cell <= d.mHeight && weight != 0)
                       down.push_back({cell, row, weight});
               });
    auto byCell = [](const Tap& a, const Tap& b) { return a.cell < b.cell; };
    std::stable_sort(across.begin(), across.end(), byCell);
    std::stable_sort(down.begin(), down.end(), byCell);
    std::vector<TapPair> pairs = PairTaps(across);

    const size_t stride = size_t(d.mWidth + 4) * 4;
    std::vector<int> needed(size_t(w.rows), -1);
    int used = 0;
    for (const Tap& t : down)
        if (needed[size_t(t.line)] < 0)
            needed[size_t(t.line)] = used++;
    std::vector<int32_t> horizontal(size_t(used) * stride, 0);
    std::vector<uint32_t> pixels(size_t(w.columns));
    for (int r = 0; r < w.rows; r++)
    {
        if (needed[size_t(r)] < 0)
            continue;
        for (int c = 0; c < w.columns; c++)
            pixels[size_t(c)] = source.At(w.x0 + c, w.y0 + r);
        FilterRowAcross(pixels.data(), pairs, horizontal.data() + size_t(needed[size_t(r)]) * stride);
    }

    std::vector<int32_t> row(stride);
    std::vector<uint32_t> packed(size_t(d.mWidth));
    size_t next = 0;
    for (int j = 0; j < d.mHeight; j++)
    {
        std::fill(row.begin(), row.end(), 0);
        for (; next < down.size() && down[next].cell == j + 1; next++)
        {
            const int32_t* in = horizontal.data() + size_t(needed[size_t(down[next].line)]) * stride;
            Accumulate(row.data() + 4, in + 4, size_t(d.mWidth) * 4, down[next].weight);
        }
        for (int i = 0; i < d.mWidth; i++)
            packed[size_t(i)] = CellPixelBgra(row.data() + size_t(i + 1) * 4);
        Blitters::NormalRow(dest + size_t(d.mY + j) * size_t(pitch) + size_t(d.mX), packed.data(), d.mWidth);
    }
}

} // namespace Lumo
