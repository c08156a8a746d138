#include "graphics/StretchFilter.h"

#include "graphics/Blend.h"
#include "graphics/Blitters.h"
#include "graphics/CpuDispatch.h"

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
    if (!source.HasPixels())
        return false;
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

void PairTaps(const std::vector<Tap>& taps, std::vector<TapPair>& pairs)
{
    pairs.clear();
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
}

struct Scratch
{
    std::vector<Tap> across, down;
    std::vector<TapPair> pairs;
    std::vector<int> needed, firstPair;
    std::vector<int32_t> horizontal, row;
    std::vector<uint32_t> pixels, packed;
};

// One source row filtered across into cells 1..width of four sums in the
// order blue, green, red, alpha; the pairs of cell c are
// [firstPair[c], firstPair[c + 1]), and a cell without any is zero;
// onePairEach tells that cell c has exactly pairs[c - 1].
void FilterRowAcross(const uint32_t* pixels, const std::vector<TapPair>& pairs,
                     const std::vector<int>& firstPair, int width, bool onePairEach, int32_t* cells)
{
    int first = 1; // the first cell left for the general loop
#ifdef __SSE2__
    if (onePairEach)
    {
        // One pair for every cell (every enlargement): two cells at a time.
        __m128i zero = _mm_setzero_si128();
        auto two = [&](uint32_t p0, uint32_t p1)
        {
            return _mm_unpacklo_epi8(
                _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(p0)), _mm_cvtsi32_si128(int(p1))), zero);
        };
        int c = 0;
        for (; c + 2 <= width; c += 2)
        {
            const TapPair& t0 = pairs[size_t(c)];
            const TapPair& t1 = pairs[size_t(c) + 1];
            __m128i a = two(pixels[t0.lineA], pixels[t1.lineA]);
            __m128i b = two(pixels[t0.lineB], pixels[t1.lineB]);
            int32_t* out = cells + size_t(c + 1) * 4;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                             _mm_madd_epi16(_mm_unpacklo_epi16(a, b), _mm_set1_epi32(t0.weights)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4),
                             _mm_madd_epi16(_mm_unpackhi_epi16(a, b), _mm_set1_epi32(t1.weights)));
        }
        first = c + 1;
    }
#endif
    for (int c = first; c <= width; c++)
    {
        int32_t* out = cells + size_t(c) * 4;
#ifdef __SSE2__
        __m128i zero = _mm_setzero_si128();
        __m128i sum = zero;
        for (int p = firstPair[size_t(c)]; p < firstPair[size_t(c) + 1]; p++)
        {
            const TapPair& t = pairs[size_t(p)];
            __m128i a = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(pixels[t.lineA])), zero);
            __m128i b = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(pixels[t.lineB])), zero);
            sum = _mm_add_epi32(sum, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), _mm_set1_epi32(t.weights)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), sum);
#else
        for (int k = 0; k < 4; k++)
            out[k] = 0;
        for (int p = firstPair[size_t(c)]; p < firstPair[size_t(c) + 1]; p++)
        {
            const TapPair& t = pairs[size_t(p)];
            for (int k = 0; k < 4; k++)
                out[k] += int32_t((pixels[t.lineA] >> (8 * k)) & 0xFF) * (t.weights & 0xFFFF) +
                          int32_t((pixels[t.lineB] >> (8 * k)) & 0xFF) * (t.weights >> 16);
        }
#endif
    }
}

// The pixel of a cell of sums in blue, green, red, alpha order, alpha capped at 255.
uint32_t CellPixelBgra(const int32_t* cell)
{
    uint32_t a = std::min(uint32_t(cell[3]) >> 16, 255u);
    return (a << 24) | ((uint32_t(cell[2]) >> 16) << 16) | ((uint32_t(cell[1]) >> 16) << 8) |
           (uint32_t(cell[0]) >> 16);
}

// A row of cells to pixels (alpha capped at 255 by the saturating pack).
void PackCells(const int32_t* cells, uint32_t* out, int width)
{
    int i = 0;
#ifdef __SSE2__
    auto cell = [&](int k)
    { return _mm_srli_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cells + size_t(k) * 4)), 16); };
    for (; i + 4 <= width; i += 4)
    {
        __m128i low = _mm_packs_epi32(cell(i), cell(i + 1));
        __m128i high = _mm_packs_epi32(cell(i + 2), cell(i + 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
    }
#endif
    for (; i < width; i++)
        out[i] = CellPixelBgra(cells + size_t(i) * 4);
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
    // Working buffers kept per thread so that small stretches do not allocate.
    thread_local Scratch scratch;
    std::vector<Tap>& across = scratch.across;
    std::vector<Tap>& down = scratch.down;
    across.clear();
    down.clear();
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
    // Both axes list their cells in rising order already; keep it certain.
    auto byCell = [](const Tap& a, const Tap& b) { return a.cell < b.cell; };
    if (!std::is_sorted(across.begin(), across.end(), byCell))
        std::stable_sort(across.begin(), across.end(), byCell);
    if (!std::is_sorted(down.begin(), down.end(), byCell))
        std::stable_sort(down.begin(), down.end(), byCell);
    PairTaps(across, scratch.pairs);
    std::vector<int>& firstPair = scratch.firstPair;
    firstPair.assign(size_t(d.mWidth) + 2, 0);
    for (const TapPair& t : scratch.pairs)
        firstPair[size_t(t.cell) + 1]++;
    for (size_t c = 1; c < firstPair.size(); c++)
        firstPair[c] += firstPair[c - 1];
    bool onePairEach = true;
    for (int c = 1; c <= d.mWidth; c++)
        onePairEach = onePairEach && firstPair[size_t(c)] == c - 1 && firstPair[size_t(c) + 1] == c;

    const size_t stride = size_t(d.mWidth + 4) * 4;
    std::vector<int>& needed = scratch.needed;
    needed.assign(size_t(w.rows), -1);
    int used = 0;
    for (const Tap& t : down)
        if (needed[size_t(t.line)] < 0)
            needed[size_t(t.line)] = used++;
    std::vector<int32_t>& horizontal = scratch.horizontal;
    if (horizontal.size() < size_t(used) * stride)
        horizontal.resize(size_t(used) * stride); // every cell read is written below
    std::vector<uint32_t>& pixels = scratch.pixels;
    pixels.resize(size_t(w.columns));
    for (int r = 0; r < w.rows; r++)
    {
        if (needed[size_t(r)] < 0)
            continue;
        for (int c = 0; c < w.columns; c++)
            pixels[size_t(c)] = source.At(w.x0 + c, w.y0 + r);
        FilterRowAcross(pixels.data(), scratch.pairs, firstPair, d.mWidth, onePairEach,
                        horizontal.data() + size_t(needed[size_t(r)]) * stride);
    }

    std::vector<int32_t>& row = scratch.row;
    row.resize(stride);
    auto accumulate = Blitters::Active().AccumulateRow;
    std::vector<uint32_t>& packed = scratch.packed;
    packed.resize(size_t(d.mWidth));
    size_t next = 0;
    for (int j = 0; j < d.mHeight; j++)
    {
        bool first = true;
        for (; next < down.size() && down[next].cell == j + 1; next++, first = false)
        {
            const int32_t* in = horizontal.data() + size_t(needed[size_t(down[next].line)]) * stride;
            accumulate(row.data() + 4, in + 4, size_t(d.mWidth) * 4, down[next].weight, first);
        }
        if (first)
            std::fill(row.begin(), row.end(), 0);
        PackCells(row.data() + 4, packed.data(), d.mWidth);
        Blitters::NormalRow(dest + size_t(d.mY + j) * size_t(pitch) + size_t(d.mX), packed.data(), d.mWidth);
    }
}

} // namespace Lumo
