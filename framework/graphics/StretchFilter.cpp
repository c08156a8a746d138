#include "graphics/StretchFilter.h"

#include "graphics/Blend.h"
#include "graphics/Blitters.h"
#include "graphics/CpuDispatch.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <vector>

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

// What a stretch's taps depend on: the same shape again reuses them.
struct Shape
{
    int width, height, stride, x0, y0, columns, rows;
    double x, y, w, h;
    bool operator==(const Shape&) const = default;
};

// The taps of a shape in the form the rows take them, and the working rows.
struct Scratch
{
    Shape shape{};
    bool planned = false;
    int taps = 0, slots = 0;
    bool paired = false; // two taps across, on neighbouring columns
    std::vector<Tap> across, down;
    std::vector<int32_t> lines;
    std::vector<uint32_t> weights, even, odd, pixels;
    std::vector<int> firstDown, downWeights;
    // Per tap down: its cells' rows, and whether its source row is filtered across there first.
    std::vector<uint32_t*> evenRows, oddRows;
    std::vector<uint8_t> fresh;
};

// Lists the taps of one axis for cells 1..size with a weight, in rising cell order.
void ListTaps(std::vector<Tap>& taps, int size, double srcPos, double srcSize, int origin, int count,
              int scale)
{
    taps.clear();
    FilterAxis(size, srcPos, srcSize, origin, count, scale,
               [&](int cell, int line, int weight)
               {
                   if (cell >= 1 && cell <= size && weight != 0)
                       taps.push_back({cell, line, weight});
               });
    // Both axes list their cells in rising order already; keep it certain.
    auto byCell = [](const Tap& a, const Tap& b) { return a.cell < b.cell; };
    if (!std::is_sorted(taps.begin(), taps.end(), byCell))
        std::stable_sort(taps.begin(), taps.end(), byCell);
}

// Two taps per cell, as an enlargement has: where they can, cells take neighbouring
// columns, line and line + 1, which the rows may read in one load. A missing tap
// (weight 0) goes next to the other; two taps on one column go as one, their weights
// added, beside a tap of weight 0. The sums stay the same.
void PairTaps(Scratch& scratch, int stride, int columns)
{
    if (columns < 2)
        return;
    int32_t* first = scratch.lines.data();
    int32_t* second = first + stride;
    uint32_t* firstWeight = scratch.weights.data();
    uint32_t* secondWeight = firstWeight + stride;
    for (int c = 0; c < stride; c++)
    {
        bool single = secondWeight[c] == 0, same = second[c] == first[c];
        if (!single && !same)
            continue;
        uint32_t weight = firstWeight[c] + secondWeight[c];
        int line = first[c];
        if (line + 1 < columns)
        {
            second[c] = line + 1;
            firstWeight[c] = weight;
            secondWeight[c] = 0;
        }
        else
        {
            first[c] = line - 1;
            second[c] = line;
            firstWeight[c] = 0;
            secondWeight[c] = weight;
        }
    }
}

// Works out the taps of both axes for a shape (see FilteredStretch).
void Plan(Scratch& scratch, const Rect& d, const FRect& s, const Window& w, int stride)
{
    // Across: every cell gets `taps` slots of a source column and a weight (0 where it has fewer).
    ListTaps(scratch.across, d.mWidth, s.mX, s.mWidth, w.x0, w.columns, 257);
    int taps = 1;
    for (size_t t = 0, first = 0; t < scratch.across.size(); t++)
    {
        if (scratch.across[t].cell != scratch.across[first].cell)
            first = t;
        taps = std::max(taps, int(t - first) + 1);
    }
    scratch.taps = taps;
    scratch.lines.assign(size_t(taps) * size_t(stride), 0);
    scratch.weights.assign(size_t(taps) * size_t(stride), 0);
    for (size_t t = 0, slot = 0; t < scratch.across.size(); t++)
    {
        const Tap& tap = scratch.across[t];
        slot = t > 0 && scratch.across[t - 1].cell == tap.cell ? slot + 1 : 0;
        size_t at = slot * size_t(stride) + size_t(tap.cell - 1);
        scratch.lines[at] = tap.line;
        scratch.weights[at] = uint32_t(tap.weight) * 0x10001u;
    }
    scratch.paired = false;
    if (taps == 2)
    {
        PairTaps(scratch, stride, w.columns);
        const int32_t* second = scratch.lines.data() + stride;
        scratch.paired = std::equal(scratch.lines.begin(), scratch.lines.begin() + stride, second,
                                    [](int32_t first, int32_t next) { return next == first + 1; });
    }

    // Down: the taps of output row j are [firstDown[j], firstDown[j + 1]); the rows filtered
    // across are kept in `slots` places, enough for the source rows of any one output row.
    std::vector<Tap>& down = scratch.down;
    ListTaps(down, d.mHeight, s.mY, s.mHeight, w.y0, w.rows, 256);
    scratch.firstDown.assign(size_t(d.mHeight) + 1, 0);
    for (const Tap& tap : down)
        scratch.firstDown[size_t(tap.cell)]++;
    int slots = 1;
    for (int j = 0, first = 0; j < d.mHeight; j++)
    {
        int next = first + scratch.firstDown[size_t(j) + 1];
        scratch.firstDown[size_t(j)] = first;
        if (next > first)
        {
            auto [low, high] =
                std::minmax_element(down.begin() + first, down.begin() + next,
                                    [](const Tap& a, const Tap& b) { return a.line < b.line; });
            slots = std::max(slots, high->line - low->line + 1);
        }
        first = next;
    }
    scratch.firstDown[size_t(d.mHeight)] = int(down.size());
    scratch.slots = slots;
    scratch.even.resize(size_t(slots) * size_t(stride));
    scratch.odd.resize(size_t(slots) * size_t(stride));
    // Each source row goes to the place of its number modulo `slots`, filtered across where a
    // tap first finds the place holding another row; the taps come in rising rows.
    std::vector<int> held(size_t(slots), -1);
    scratch.downWeights.resize(down.size());
    scratch.evenRows.resize(down.size());
    scratch.oddRows.resize(down.size());
    scratch.fresh.resize(down.size());
    for (size_t t = 0; t < down.size(); t++)
    {
        size_t slot = size_t(down[t].line % slots);
        scratch.downWeights[t] = down[t].weight;
        scratch.evenRows[t] = scratch.even.data() + slot * size_t(stride);
        scratch.oddRows[t] = scratch.odd.data() + slot * size_t(stride);
        scratch.fresh[t] = held[slot] != down[t].line;
        held[slot] = down[t].line;
    }
}

} // namespace

// The same sums, added in another order in one pass down the destination.
// Each source row that is read is filtered across once, into a few rows kept
// while the output rows still need them; each output row is then summed down
// from its own source rows. The sums fit 16-bit lanes: across, the weights of
// a cell add up to at most 257, so a channel's sum is at most 255 * 257; down,
// they add up to at most 256, and the sums are worked in 32-bit lanes (see
// Blitters::FilterDown). The taps of a shape are kept for the next stretch of
// the same shape (drawn again every frame).
void FilteredStretch(const PixelSource& source, uint32_t* dest, int pitch, const Rect& d, const FRect& s)
{
    Window w;
    if (!SourceWindow(source, s, w))
        return;
    // Working buffers kept per thread so that small stretches do not allocate.
    thread_local Scratch scratch;
    const Blitters::Rows& rows = Blitters::Active();
    // Per-cell arrays padded to whole vectors of the level.
    const int width = d.mWidth, stride = (width + rows.FilterCells - 1) / rows.FilterCells * rows.FilterCells;
    Shape shape{width, d.mHeight, stride, w.x0, w.y0, w.columns, w.rows, s.mX, s.mY, s.mWidth, s.mHeight};
    if (!scratch.planned || !(scratch.shape == shape))
    {
        Plan(scratch, d, s, w, stride);
        scratch.shape = shape;
        scratch.planned = true;
    }
    if (source.IsPalette())
        scratch.pixels.resize(size_t(w.columns));

    for (int j = 0; j < d.mHeight; j++)
    {
        int first = scratch.firstDown[size_t(j)], count = scratch.firstDown[size_t(j) + 1] - first;
        if (count == 0)
            continue; // nothing reaches this row: it stays as it is
        for (size_t at = size_t(first); at < size_t(first + count); at++)
        {
            if (!scratch.fresh[at])
                continue;
            size_t start = size_t(w.y0 + scratch.down[at].line) * size_t(source.mWidth) + size_t(w.x0);
            const uint32_t* pixels = scratch.pixels.data();
            if (!source.IsPalette())
                pixels = source.mBits + start;
            else
                for (int c = 0; c < w.columns; c++)
                    scratch.pixels[size_t(c)] = source.mTable[source.mIndices[start + size_t(c)]];
            rows.FilterAcross(scratch.evenRows[at], scratch.oddRows[at], pixels, scratch.lines.data(),
                              scratch.weights.data(), scratch.taps, stride, scratch.paired);
        }
        rows.FilterDown(dest + size_t(d.mY + j) * size_t(pitch) + size_t(d.mX), width,
                        scratch.evenRows.data() + first, scratch.oddRows.data() + first,
                        scratch.downWeights.data() + first, count);
    }
}

} // namespace Lumo
