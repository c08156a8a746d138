#include "graphics/Blend.h"
#include "graphics/Blitters.h"
#include "graphics/MemoryImage.h"
#include "graphics/StretchFilter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <unistd.h>

namespace Lumo
{

namespace
{

Rect Bounds(const Image& image)
{
    return Rect(0, 0, image.mWidth, image.mHeight);
}

// Bytes of the processor's second-level cache (1 MB where the system does not tell).
size_t SecondLevelCacheBytes()
{
    static const size_t bytes = []
    {
        long told = 0;
#ifdef _SC_LEVEL2_CACHE_SIZE
        told = sysconf(_SC_LEVEL2_CACHE_SIZE);
#endif
        return told > 0 ? size_t(told) : size_t(1) << 20;
    }();
    return bytes;
}

// Whether a draw of `area` source pixels onto as many of the destination outgrows the
// second-level cache: such a draw waits on memory, and goes where reads stream best.
bool Outgrows(const Rect& area)
{
    return size_t(area.mWidth) * size_t(area.mHeight) * 2 * sizeof(uint32_t) > SecondLevelCacheBytes();
}

bool Contains(const Rect& outer, const Rect& inner)
{
    return inner.mX >= outer.mX && inner.mY >= outer.mY &&
           inner.mX + inner.mWidth <= outer.mX + outer.mWidth &&
           inner.mY + inner.mHeight <= outer.mY + outer.mHeight;
}

// A row of source pixels as ARGB words: straight from the bits, or expanded
// from palette indices into a scratch row.
class RowReader
{
public:
    explicit RowReader(const PixelSource& source) : mSource(source)
    {
        if (source.IsPalette())
            mScratch.resize(size_t(std::max(source.mWidth, 0)));
    }

    const uint32_t* Row(int x, int y, int n)
    {
        size_t start = size_t(y) * size_t(mSource.mWidth) + size_t(x);
        if (!mSource.IsPalette())
            return mSource.mBits + start;
        for (int i = 0; i < n; i++)
            mScratch[size_t(i)] = mSource.mTable[mSource.mIndices[start + size_t(i)]];
        return mScratch.data();
    }

private:
    const PixelSource& mSource;
    std::vector<uint32_t> mScratch;
};

// The source rectangle `from` as blocks placed at `dest` (rows destPitch
// apart): one block straight from the bits, or a row at a time expanded from
// palette indices. draw(block, the block's first source row).
template <typename Draw>
void EachSourceBlock(const PixelSource& source, const Rect& from, uint32_t* dest, int destPitch, Draw draw)
{
    if (!source.IsPalette())
    {
        draw(Blitters::Block{dest, destPitch,
                             source.mBits + size_t(from.mY) * size_t(source.mWidth) + size_t(from.mX),
                             source.mWidth, from.mWidth, from.mHeight},
             from.mY);
        return;
    }
    RowReader reader(source);
    for (int j = 0; j < from.mHeight; j++)
        draw(Blitters::Block{dest + size_t(j) * size_t(destPitch), destPitch,
                             reader.Row(from.mX, from.mY + j, from.mWidth), 0, from.mWidth, 1},
             from.mY + j);
}

// A fill of the rectangle r of a picture's bits.
Blitters::Block FillBlock(uint32_t* bits, int pitch, const Rect& r)
{
    return {bits + size_t(r.mY) * size_t(pitch) + size_t(r.mX), pitch, nullptr, 0, r.mWidth, r.mHeight};
}

Blitters::Tint TintOf(const Color& c)
{
    return {c.mRed, c.mGreen, c.mBlue, c.mAlpha};
}

// The colour scaled by its own alpha, as the additive operations use it.
Blitters::Tint AlphaScaled(const Color& c)
{
    return {c.mRed * c.mAlpha / 255, c.mGreen * c.mAlpha / 255, c.mBlue * c.mAlpha / 255, 255};
}

// Clips a blit of srcRect at (x, y) to the destination; false when nothing is left.
bool ClipBlt(const Rect& dest, int& x, int& y, Rect& srcRect)
{
    Rect placed = Rect(x, y, srcRect.mWidth, srcRect.mHeight).Intersection(dest);
    if (placed.IsEmpty())
        return false;
    srcRect = Rect(srcRect.mX + placed.mX - x, srcRect.mY + placed.mY - y, placed.mWidth, placed.mHeight);
    x = placed.mX;
    y = placed.mY;
    return true;
}

int64_t FloorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

// Narrows [lo, hi) to the steps i with 0 <= start + i * step < limit.
void NarrowSpan(int64_t start, int64_t step, int64_t limit, int64_t& lo, int64_t& hi)
{
    if (step == 0)
    {
        if (start < 0 || start >= limit)
            hi = lo;
        return;
    }
    if (step > 0)
    {
        lo = std::max(lo, FloorDiv(-start + step - 1, step));
        hi = std::min(hi, FloorDiv(limit - start + step - 1, step));
    }
    else
    {
        int64_t down = -step;
        hi = std::min(hi, FloorDiv(start, down) + 1);
        lo = std::max(lo, FloorDiv(start - limit, down) + 1);
    }
}

} // namespace

void MemoryImage::FillRect(const Rect& rect, const Color& color, int drawMode)
{
    Rect r = rect.Intersection(Bounds(*this));
    if (r.IsEmpty() || color.mAlpha <= 0)
        return;
    uint32_t* bits = GetBits();
    if (bits == nullptr)
        return;
    uint32_t argb = color.ToARGB();
    if (color.mAlpha >= 255)
        Blitters::Active().FillRows(FillBlock(bits, mWidth, r), argb);
    else
        Blitters::Active().BlendFillRows(FillBlock(bits, mWidth, r), argb, uint32_t(color.mAlpha));
    BitsChanged();
}

void MemoryImage::ClearRect(const Rect& rect)
{
    Rect r = rect.Intersection(Bounds(*this));
    if (r.IsEmpty())
        return;
    uint32_t* bits = GetBits();
    if (bits == nullptr)
        return;
    Blitters::Active().FillRows(FillBlock(bits, mWidth, r), 0);
    BitsChanged();
}

void MemoryImage::DrawLine(double startX, double startY, double endX, double endY, const Color& color,
                           int drawMode)
{
    if (startY == endY)
    {
        int x1 = int(std::min(startX, endX)), x2 = int(std::max(startX, endX));
        FillRect(Rect(x1, int(startY), x2 - x1 + 1, 1), color, drawMode);
        return;
    }
    if (startX == endX)
    {
        int y1 = int(std::min(startY, endY)), y2 = int(std::max(startY, endY));
        FillRect(Rect(int(startX), y1, 1, y2 - y1 + 1), color, drawMode);
        return;
    }
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE)
        return;
    if (GetBits() == nullptr)
        return;
    if (drawMode == DRAWMODE_NORMAL)
        DrawLineNormal(startX, startY, endX, endY, color);
    else
        DrawLineAdditive(startX, startY, endX, endY, color);
    BitsChanged();
}

namespace
{

// Midpoint walk along the major axis from the end with the smaller major
// coordinate; plot(x, y) gets every pixel, in order.
template <typename Plot> void WalkLine(double x1, double y1, double x2, double y2, Plot plot)
{
    bool xMajor = std::fabs(x2 - x1) >= std::fabs(y2 - y1);
    double a1 = xMajor ? x1 : y1, b1 = xMajor ? y1 : x1;
    double a2 = xMajor ? x2 : y2, b2 = xMajor ? y2 : x2;
    if (a1 > a2)
    {
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    double major = a2 - a1, minor = std::fabs(b2 - b1);
    int step = b2 >= b1 ? 1 : -1;
    int decision = int(2 * minor - major);
    int incStraight = int(2 * minor);
    int incDiagonal = int(2 * (minor - major));
    int a = int(a1), b = int(b1), end = int(a2);
    for (;;)
    {
        if (xMajor)
            plot(a, b);
        else
            plot(b, a);
        if (a >= end)
            break;
        if (decision > 0)
        {
            b += step;
            decision += incDiagonal;
        }
        else
            decision += incStraight;
        a++;
    }
}

} // namespace

void MemoryImage::DrawLineNormal(double startX, double startY, double endX, double endY, const Color& color)
{
    uint32_t* bits = GetBits();
    uint32_t a = uint32_t(color.mAlpha);
    uint32_t c[3] = {uint32_t(color.mRed), uint32_t(color.mGreen), uint32_t(color.mBlue)};
    uint32_t solid[3], pre[3];
    for (int i = 0; i < 3; i++)
    {
        solid[i] = (c[i] * 255 + 127) >> 8;
        pre[i] = (((c[i] * a + 128) >> 8) * 255 + 127) >> 8;
    }
    WalkLine(startX, startY, endX, endY,
             [&](int x, int y)
             {
                 if (x < 0 || y < 0 || x >= mWidth || y >= mHeight)
                     return;
                 uint32_t& d = bits[size_t(y) * size_t(mWidth) + size_t(x)];
                 uint32_t out = 0xFF000000;
                 for (int i = 0; i < 3; i++)
                 {
                     int shift = 16 - 8 * i;
                     uint32_t ch =
                         a >= 255 ? solid[i] : ((Blend::Channel(d, shift) * (256 - a) + 127) >> 8) + pre[i];
                     out |= std::min(ch, 255u) << shift;
                 }
                 d = out;
             });
}

void MemoryImage::DrawLineAdditive(double startX, double startY, double endX, double endY, const Color& color)
{
    uint32_t* bits = GetBits();
    Blitters::Tint c = AlphaScaled(color);
    WalkLine(startX, startY, endX, endY,
             [&](int x, int y)
             {
                 if (x < 0 || y < 0 || x >= mWidth || y >= mHeight)
                     return;
                 uint32_t& d = bits[size_t(y) * size_t(mWidth) + size_t(x)];
                 d = Blend::Add(d, uint32_t(c.mRed), uint32_t(c.mGreen), uint32_t(c.mBlue)) | 0xFF000000;
             });
}

void MemoryImage::Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
{
    auto* source = MemoryImageOf(src);
    if (source == nullptr || (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE))
        return;
    // The source rectangle must lie inside the source on every side.
    if (!Contains(Bounds(*source), srcRect))
        return;
    Rect clipped = srcRect;
    if (!ClipBlt(Bounds(*this), x, y, clipped))
        return;
    // A picture whose pixels cannot be had (its surface would not lock) draws and takes nothing.
    if (GetBits() == nullptr || !source->GetPixelSource().HasPixels())
        return;
    std::unique_ptr<MemoryImage> copy;
    source = Apart(source, copy);
    if (drawMode == DRAWMODE_NORMAL)
        NormalBlt(source, x, y, clipped, color);
    else
        AdditiveBlt(source, x, y, clipped, color);
    BitsChanged();
}

void MemoryImage::NormalBlt(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color)
{
    // The destination's bits first: drawing an image onto itself must not
    // leave the source pointing at a palette that GetBits frees.
    uint32_t* bits = GetBits();
    bool white = color.IsWhite();
    bool opaque = IsOpaque();
    const uint8_t* runs = opaque && white ? src->GetRLAlphaData() : nullptr;
    // Opaque pixels over opaque ones are copied: a picture found opaque is copied whole.
    bool copy = runs != nullptr && !src->mHasAlpha && !src->mHasTrans && !src->mForcedMode;
    // Walking the runs waits on each next one: where the draw waits on memory too, the rows
    // find the pixels' kinds a group at a time (an 800 by 600 soft sprite a tenth faster).
    bool walk = runs != nullptr && !Outgrows(srcRect);
    // A picture with partial alpha whose whole draw would fit the second-level cache keeps its
    // pixels weighted by their alphas beside them, made on its first such draw: a blend from them
    // multiplies only the destination's channels (a 30 by 30 soft sprite a quarter faster).
    PixelSource pixels = src->GetPixelSource();
    const uint32_t* weighted =
        runs != nullptr && src->mHasAlpha && !Outgrows(Bounds(*src)) ? src->GetWeightedBits() : nullptr;
    if (weighted != nullptr)
        pixels.mBits = weighted;
    Blitters::Tint tint = TintOf(color);
    const Blitters::Rows& rows = Blitters::Active();
    EachSourceBlock(pixels, srcRect, bits + size_t(y) * size_t(mWidth) + size_t(x), mWidth,
                    [&](const Blitters::Block& block, int sy)
                    {
                        const uint8_t* rowRuns =
                            walk ? runs + size_t(sy) * size_t(src->mWidth) + size_t(srcRect.mX) : nullptr;
                        if (copy)
                            rows.CopyRows(block);
                        else if (weighted != nullptr)
                            rows.WeightedRunsRows(block, rowRuns);
                        else if (runs != nullptr)
                            rows.OpaqueRunsRows(block, rowRuns);
                        else if (white)
                            rows.NormalRows(block);
                        else
                            rows.TintedRows(block, tint);
                    });
}

void MemoryImage::AdditiveBlt(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color)
{
    uint32_t* bits = GetBits();
    src->CommitBits();
    bool white = color.IsWhite();
    Blitters::AddMode mode =
        white ? (src->mHasAlpha ? Blitters::AddMode::Alpha : Blitters::AddMode::Plain)
              : (src->mHasAlpha ? Blitters::AddMode::TintedAlpha : Blitters::AddMode::Tinted);
    Blitters::Tint scaled = AlphaScaled(color);
    const Blitters::Rows& rows = Blitters::Active();
    PixelSource pixels = src->GetPixelSource();
    // The amounts by the alpha are worked out once per picture, not on every draw. A draw whose
    // two pictures outgrow the cache waits on memory: where the level unpacks them cheaply, it
    // reads them in three bytes a pixel, a quarter less (an 800 by 600 draw takes a tenth less
    // time; one that fits the cache waits on the unpacking instead, a 50 by 50 one a third more).
    uint32_t* dest = bits + size_t(y) * size_t(mWidth) + size_t(x);
    const uint8_t* packed = mode == Blitters::AddMode::Alpha && rows.PacksAmounts && Outgrows(srcRect)
                                ? src->GetPackedAmounts()
                                : nullptr;
    if (packed != nullptr)
    {
        size_t first = size_t(srcRect.mY) * size_t(pixels.mWidth) + size_t(srcRect.mX);
        rows.AddPackedRows({dest, mWidth, nullptr, pixels.mWidth, srcRect.mWidth, srcRect.mHeight},
                           packed + first * Blitters::kPackedAmountBytes);
        return;
    }
    const uint32_t* amounts = mode == Blitters::AddMode::Alpha ? src->GetAdditiveAmounts() : nullptr;
    if (amounts != nullptr)
    {
        pixels.mBits = amounts;
        mode = Blitters::AddMode::Amounts;
    }
    EachSourceBlock(pixels, srcRect, dest, mWidth,
                    [&](const Blitters::Block& block, int) { rows.AddRows(block, mode, scaled); });
}

bool MemoryImage::ClipStretchRects(FRect& srcOut, Rect& destOut, const Rect& destRect, const Rect& srcRect,
                                   const Rect& clip)
{
    destOut = destRect.Intersection(clip);
    if (destOut.IsEmpty() || destRect.mWidth <= 0 || destRect.mHeight <= 0)
        return false;
    // The same size, the most common, needs no division.
    auto scale = [](int src, int dest) { return src == dest ? 1.0 : double(src) / dest; };
    double sx = scale(srcRect.mWidth, destRect.mWidth), sy = scale(srcRect.mHeight, destRect.mHeight);
    srcOut = FRect(srcRect.mX + (destOut.mX - destRect.mX) * sx, srcRect.mY + (destOut.mY - destRect.mY) * sy,
                   srcRect.mWidth + (destOut.mWidth - destRect.mWidth) * sx,
                   srcRect.mHeight + (destOut.mHeight - destRect.mHeight) * sy);
    return srcOut.mWidth > 0 && srcOut.mHeight > 0;
}

bool MemoryImage::ClipStretchRectsMirrored(FRect& srcOut, Rect& destOut, const Rect& destRect,
                                           const Rect& srcRect, const Rect& clip)
{
    if (!ClipStretchRects(srcOut, destOut, destRect, srcRect, clip))
        return false;
    double sx = double(srcRect.mWidth) / destRect.mWidth;
    srcOut.mX = srcRect.mX + (destRect.mX + destRect.mWidth - destOut.mX - destOut.mWidth) * sx;
    return true;
}

bool MemoryImage::ClipStretch(FRect& srcOut, Rect& destOut, const Rect& destRect, const Rect& srcRect,
                              const Image& source, const Rect& clip, bool mirrored)
{
    Rect inside = srcRect.Intersection(Bounds(source));
    if (inside.IsEmpty() || destRect.mWidth <= 0 || destRect.mHeight <= 0)
        return false;
    // Destination pixel i starts at source point srcRect + i * src / dest: the pixels from
    // ceil(cut * dest / src) on start inside, where cut is how much of srcRect lies before.
    auto drawn = [](int cutBefore, int kept, int src, int dest, int& first, int& count)
    {
        // The same size, the most common, needs no division.
        auto to = [&](int64_t at) { return src == dest ? int(at) : int((at * dest + src - 1) / src); };
        first = to(cutBefore);
        count = to(int64_t(cutBefore) + kept) - first;
    };
    int firstX, countX, firstY, countY;
    drawn(inside.mX - srcRect.mX, inside.mWidth, srcRect.mWidth, destRect.mWidth, firstX, countX);
    drawn(inside.mY - srcRect.mY, inside.mHeight, srcRect.mHeight, destRect.mHeight, firstY, countY);
    int x = mirrored ? destRect.mX + destRect.mWidth - firstX - countX : destRect.mX + firstX;
    Rect placed = clip.Intersection(Rect(x, destRect.mY + firstY, countX, countY));
    return mirrored ? ClipStretchRectsMirrored(srcOut, destOut, destRect, srcRect, placed)
                    : ClipStretchRects(srcOut, destOut, destRect, srcRect, placed);
}

void MemoryImage::StretchBlt(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                             const Color& color, int drawMode, bool fastStretch)
{
    auto* source = MemoryImageOf(src);
    if (source == nullptr)
        return;
    FRect s;
    Rect d;
    if (!ClipStretch(s, d, destRect, srcRect, *source, clip.Intersection(Bounds(*this)), false))
        return;
    if (GetBits() == nullptr || !source->GetPixelSource().HasPixels())
        return;
    std::unique_ptr<MemoryImage> copy;
    source = Apart(source, copy);
    if (fastStretch)
        FastStretchBlt(source, d, s, color);
    else
        SlowStretchBlt(source, d, s);
    BitsChanged();
}

void MemoryImage::FastStretchBlt(MemoryImage* src, const Rect& d, const FRect& s, const Color& color)
{
    uint32_t* bits = GetBits();
    PixelSource pixels = src->GetPixelSource();
    double sx = s.mWidth / d.mWidth, sy = s.mHeight / d.mHeight;
    // Per-thread scratch: the source column of every destination column and the source
    // row of every destination row, each worked out once, and a source row sampled along
    // the columns.
    thread_local std::vector<int32_t> columns, sourceRows;
    thread_local std::vector<uint32_t> sampled;
    columns.resize(size_t(d.mWidth));
    sampled.resize(size_t(d.mWidth));
    sourceRows.resize(size_t(d.mHeight));
    bool straight = true; // the columns are consecutive: rows are read in place
    for (int i = 0; i < d.mWidth; i++)
    {
        columns[size_t(i)] = std::clamp(int(s.mX + i * sx), 0, src->mWidth - 1);
        straight = straight && columns[size_t(i)] == columns[0] + i;
    }
    for (int j = 0; j < d.mHeight; j++)
        sourceRows[size_t(j)] = std::clamp(int(s.mY + j * sy), 0, src->mHeight - 1);
    auto sourceY = [&](int j) { return sourceRows[size_t(j)]; };
    RowReader reader(pixels);
    Blitters::Tint tint = TintOf(color);
    const Blitters::Rows& rows = Blitters::Active();
    bool opaque = IsOpaque();
    for (int j = 0; j < d.mHeight;)
    {
        int srcY = sourceY(j);
        const uint32_t* row;
        if (straight)
            row = reader.Row(columns[0], srcY, d.mWidth);
        else
        {
            rows.GatherRow(sampled.data(), reader.Row(0, srcY, src->mWidth), src->mWidth, columns.data(),
                           d.mWidth);
            row = sampled.data();
        }
        // The destination rows on this source row go as one block; so do rows read in place
        // that step a source row at a time.
        int h = 1, pitch = 0;
        while (j + h < d.mHeight && sourceY(j + h) == srcY)
            h++;
        if (h == 1 && straight && !pixels.IsPalette())
        {
            pitch = src->mWidth;
            while (j + h < d.mHeight && sourceY(j + h) == srcY + h)
                h++;
        }
        Blitters::Block block{
            bits + size_t(d.mY + j) * size_t(mWidth) + size_t(d.mX), mWidth, row, pitch, d.mWidth, h};
        // Over pixels known opaque the blend need not test them (small draws a tenth faster).
        if (color.IsWhite() && opaque)
            rows.OverOpaqueRows(block);
        else if (color.IsWhite())
            rows.NormalRows(block);
        else
            rows.TintedRows(block, tint);
        j += h;
    }
}

void MemoryImage::SlowStretchBlt(MemoryImage* src, const Rect& d, const FRect& s)
{
    uint32_t* bits = GetBits();
    PixelSource pixels = src->GetPixelSource();
    FilteredStretch(pixels, bits, mWidth, d, s);
}

bool MemoryImage::ComputeRotatedBounds(FRect& bounds, float x, float y, const Rect& srcRect, const Rect& clip,
                                       double angle, float centerX, float centerY)
{
    float c = float(std::cos(angle)), s = float(std::sin(angle));
    float w = float(srcRect.mWidth), h = float(srcRect.mHeight);
    const float corners[4][2] = {
        {-centerX, -centerY}, {w - centerX, -centerY}, {w - centerX, h - centerY}, {-centerX, h - centerY}};
    float minX = 1e7f, minY = 1e7f, maxX = -1e7f, maxY = -1e7f;
    for (const auto& corner : corners)
    {
        float dx = corner[0], dy = corner[1];
        float px = x + centerX + c * dx + s * dy;
        float py = y + centerY - s * dx + c * dy;
        minX = std::min(minX, px);
        maxX = std::max(maxX, px);
        minY = std::min(minY, py);
        maxY = std::max(maxY, py);
    }
    bounds = FRect(minX, minY, maxX - minX, maxY - minY)
                 .Intersection(FRect(clip.mX, clip.mY, clip.mWidth, clip.mHeight));
    return !bounds.IsEmpty();
}

void MemoryImage::BltFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip,
                           const Color& color, int drawMode)
{
    BltRotated(src, x, y, srcRect, clip, color, drawMode, 0.0, 0.0f, 0.0f);
}

void MemoryImage::BltRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip,
                             const Color& color, int drawMode, double angle, float centerX, float centerY)
{
    auto* source = MemoryImageOf(src);
    if (source == nullptr || (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE))
        return;
    if (!Contains(Bounds(*source), srcRect) || srcRect.mWidth < 2 || srcRect.mHeight < 2)
        return;
    FRect bounds;
    if (!ComputeRotatedBounds(bounds, x, y, srcRect, clip.Intersection(Bounds(*this)), angle, centerX,
                              centerY))
        return;
    int x1 = int(std::floor(bounds.mX)), x2 = int(std::ceil(bounds.mX + bounds.mWidth));
    int y1 = int(std::floor(bounds.mY)), y2 = int(std::ceil(bounds.mY + bounds.mHeight));

    float c = float(std::cos(angle)), s = float(std::sin(angle));
    int64_t du = int64_t(c * 65536.0f), dv = int64_t(s * 65536.0f);
    int64_t limitU = int64_t(srcRect.mWidth - 1) << 16, limitV = int64_t(srcRect.mHeight - 1) << 16;
    uint32_t* bits = GetBits();
    std::unique_ptr<MemoryImage> copy;
    PixelSource pixels = Apart(source, copy)->GetPixelSource();
    if (bits == nullptr || !pixels.HasPixels())
        return;
    bool white = color.IsWhite();
    Blitters::Tint scaled = AlphaScaled(color);

    for (int py = y1; py < y2; py++)
    {
        // Source position of the row's first pixel centre, relative to the
        // source rectangle, with pixel centres at whole numbers.
        double rx = x1 + 0.5 - (double(x) + centerX), ry = py + 0.5 - (double(y) + centerY);
        double u = c * rx - s * ry + centerX - 0.5, v = s * rx + c * ry + centerY - 0.5;
        int64_t u0 = int64_t(std::floor(u * 65536.0)), v0 = int64_t(std::floor(v * 65536.0));
        int64_t lo = 0, hi = x2 - x1;
        NarrowSpan(u0, du, limitU, lo, hi);
        NarrowSpan(v0, dv, limitV, lo, hi);
        uint32_t* row = bits + size_t(py) * size_t(mWidth) + size_t(x1);
        for (int64_t i = lo; i < hi; i++)
        {
            uint32_t su = uint32_t(u0 + i * du), sv = uint32_t(v0 + i * dv);
            int sx = srcRect.mX + int(su >> 16), sy = srcRect.mY + int(sv >> 16);
            uint32_t fx = (su & 0xFFFE) + 1, fy = (sv & 0xFFFE) + 1;
            uint32_t p[4] = {pixels.At(sx, sy), pixels.At(sx + 1, sy), pixels.At(sx, sy + 1),
                             pixels.At(sx + 1, sy + 1)};
            uint64_t f[4] = {uint64_t(0x10000 - fx) * (0x10000 - fy), uint64_t(fx) * (0x10000 - fy),
                             uint64_t(0x10000 - fx) * fy, uint64_t(fx) * fy};
            uint32_t alpha = 0, sum[3] = {0, 0, 0};
            for (int k = 0; k < 4; k++)
            {
                uint32_t weight = uint32_t(((f[k] >> 16) * (p[k] >> 24)) >> 16);
                alpha += weight;
                sum[0] += Blend::Channel(p[k], 16) * weight;
                sum[1] += Blend::Channel(p[k], 8) * weight;
                sum[2] += Blend::Channel(p[k], 0) * weight;
            }
            uint32_t& d = row[i];
            if (drawMode == DRAWMODE_ADDITIVE)
            {
                uint32_t add[3];
                for (int k = 0; k < 3; k++)
                    add[k] = sum[k] >> 8;
                if (!white)
                {
                    add[0] = (add[0] * uint32_t(scaled.mRed)) >> 8;
                    add[1] = (add[1] * uint32_t(scaled.mGreen)) >> 8;
                    add[2] = (add[2] * uint32_t(scaled.mBlue)) >> 8;
                }
                d = Blend::Add(d, add[0], add[1], add[2]);
                continue;
            }
            if (!white)
            {
                // Modulate the premultiplied sample by the colour and its alpha.
                const int tint[3] = {color.mRed, color.mGreen, color.mBlue};
                for (int k = 0; k < 3; k++)
                    sum[k] =
                        uint32_t(uint64_t(sum[k]) * uint32_t(tint[k]) / 255 * uint32_t(color.mAlpha) / 255);
                alpha = alpha * uint32_t(color.mAlpha) / 255;
            }
            if (alpha == 0)
                continue;
            if (alpha >= 251)
            {
                d = 0xFF000000 | (std::min(sum[0] >> 8, 255u) << 16) | (std::min(sum[1] >> 8, 255u) << 8) |
                    std::min(sum[2] >> 8, 255u);
                continue;
            }
            uint32_t da = d >> 24, k = 256 - alpha;
            uint32_t n = 256 - (((256 - da) * k) >> 8);
            uint32_t out = (n - 1) << 24;
            for (int ch = 0; ch < 3; ch++)
            {
                int shift = 16 - 8 * ch;
                uint32_t value = ((((Blend::Channel(d, shift) * da) >> 8) * k) + sum[ch]) / n;
                out |= std::min(value, 255u) << shift;
            }
            d = out;
        }
    }
    BitsChanged();
}

} // namespace Lumo
