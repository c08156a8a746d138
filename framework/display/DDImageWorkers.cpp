// The workers that draw straight into a locked 16- or 32-bit surface: they choose the
// surface rows (SurfaceRows.h) once per call and hand them whole rectangles or spans.
#include "display/DDImage.h"
#include "display/SurfaceRows.h"
#include "display/SurfaceTarget.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace Lumo
{

using Surface::RowParams;
using Surface::Target;

namespace
{

// Calls body.template operator()<Pixel>() for the surface depth; other depths draw nothing.
template <typename Body> void ForDepth(const Target& t, Body body)
{
    if (t.mDepth == 16)
        body.template operator()<uint16_t>();
    else if (t.mDepth == 32)
        body.template operator()<uint32_t>();
}

Rect Inside(const Rect& r, const Target& t)
{
    return r.Intersection(Rect(0, 0, t.mWidth, t.mHeight));
}

// The premultiplied colour (channels times alpha / 255).
void Modulated(const Color& c, uint32_t out[3])
{
    out[0] = uint32_t(c.mRed * c.mAlpha / 255);
    out[1] = uint32_t(c.mGreen * c.mAlpha / 255);
    out[2] = uint32_t(c.mBlue * c.mAlpha / 255);
}

// Integer error walk from the end with the smaller major coordinate, bounded by
// the end points' box; plot(x, y) gets every pixel.
template <typename Plot> void WalkSurfaceLine(double x1, double y1, double x2, double y2, Plot plot)
{
    bool xMajor = std::fabs(x2 - x1) > std::fabs(y2 - y1);
    double a0 = xMajor ? x1 : y1, b0 = xMajor ? y1 : x1;
    double a1 = xMajor ? x2 : y2, b1 = xMajor ? y2 : x2;
    if (a0 > a1)
    {
        std::swap(a0, a1);
        std::swap(b0, b1);
    }
    double major = a1 - a0, minor = std::fabs(b1 - b0);
    int dir = b1 >= b0 ? 1 : -1;
    long straight = long(2 * minor);
    long diagonal = long(2 * (minor - major));
    double f = b0 - std::trunc(b0);
    long error = long(std::trunc(std::trunc(2 * minor - major) + f * double(straight)));
    long bLow = long(std::min(b0, b1)), bHigh = long(std::max(b0, b1));
    long a = long(a0), b = long(b0);
    plot(xMajor ? a : b, xMajor ? b : a);
    for (a++; double(a) <= a1; a++)
    {
        if (error > 0)
        {
            b += dir;
            if (b < bLow || b > bHigh)
                return;
            error += diagonal;
        }
        else
            error += straight;
        plot(xMajor ? a : b, xMajor ? b : a);
    }
}

// The pixels a stretch makes ahead of drawing them: a block of rows, drawn with one call.
constexpr int kStretchBlock = 8192;

// Rows of source pixels and stretch columns, grown as needed and kept per thread, so
// that drawing allocates nothing once warm.
struct Scratch
{
    std::vector<uint32_t> mPixels;
    std::vector<int> mColumns;
    std::vector<size_t> mStarts; // where each row of a block starts in the source

    static Scratch& Get(size_t pixels)
    {
        thread_local Scratch scratch;
        if (scratch.mPixels.size() < pixels)
        {
            scratch.mPixels.resize(pixels);
            scratch.mColumns.resize(pixels);
            scratch.mStarts.resize(pixels);
        }
        return scratch;
    }
};

// One direction of a fast stretch: the i-th destination pixel from the edge takes the source
// pixel (start + i * step) >> 16 (16.16 fixed point), kept inside the source's `size`.
struct StretchAxis
{
    int64_t mStart;
    int64_t mStep;
    int mSize;

    // `length` source pixels from `start` onto `drawn` destination pixels.
    static StretchAxis Of(double start, double length, int drawn, int size)
    {
        // The same size, the most common, needs no division.
        double step = length == drawn ? 65536.0 : length * 65536.0 / drawn;
        return {int64_t(start * 65536.0), int64_t(step), size};
    }
    int At(int i) const { return std::clamp(int((mStart + i * mStep) >> 16), 0, mSize - 1); }
    // The whole number of source pixels between neighbours when every one of the `count` from
    // the `first` lies inside the source (1 for the same size, k for a shrink by k); else 0.
    int WholeStep(int first, int count) const
    {
        if (mStep <= 0 || mStep % 65536 != 0)
            return 0;
        int64_t low = (mStart + first * mStep) >> 16, high = low + int64_t(count - 1) * (mStep >> 16);
        return low >= 0 && high < mSize ? int(mStep >> 16) : 0;
    }
};

// A source's native pixels, through its palette or not.
struct Source
{
    const uint32_t* mNative;
    const uint8_t* mIndices;
    int mWidth;

    Source(MemoryImage* src, NativeDisplay* display)
        : mNative(src->GetNativeAlphaData(display)),
          mIndices(src->IsPalette() ? src->mColorIndices : nullptr), mWidth(src->mWidth)
    {
    }
};

// A fast stretch onto the locked surface: `drawn`, the part of `dest` on the surface, takes its
// source pixels along the two axes and is drawn with `row`.
struct Stretch
{
    const Target& mTarget;
    Source mSource;
    int mSourceHeight;
    StretchAxis mAcross, mDown;
    Rect mDest, mDrawn;
    const Surface::Rows& mRows;
    Surface::Row mRow = nullptr;
    RowParams mParams;

    // Built member by member: zeroing the whole job first, as its aggregate form did, was a
    // good part of a small stretch's cost.
    Stretch(const Target& t, MemoryImage* src, NativeDisplay* display, const Rect& dest, const FRect& from)
        : mTarget(t), mSource(src, display), mSourceHeight(src->mHeight),
          mAcross(StretchAxis::Of(from.mX, from.mWidth, dest.mWidth, src->mWidth)),
          mDown(StretchAxis::Of(from.mY, from.mHeight, dest.mHeight, src->mHeight)), mDest(dest),
          mDrawn(Inside(dest, t)), mRows(Surface::ActiveRows(t))
    {
    }

    int FirstColumn() const { return mDrawn.mX - mDest.mX; }
    size_t RowStart(int y) const { return size_t(mDown.At(y - mDest.mY)) * size_t(mSource.mWidth); }
    void Draw(int y, const uint32_t* pixels, int rows) const
    {
        mRow(mTarget, mTarget.At(mDrawn.mX, y), pixels, mDrawn.mWidth, rows, mParams);
    }

    // Every column from the source rows as they are: every row or every k-th in one go (the
    // same size both ways is drawn as a blit draws it), else the destination rows that take
    // the same source row in one go.
    void FromSourceRows()
    {
        const uint32_t* left = mSource.mNative + mAcross.At(FirstColumn());
        int bottom = mDrawn.mY + mDrawn.mHeight;
        if (int downFactor = mDown.WholeStep(mDrawn.mY - mDest.mY, mDrawn.mHeight); downFactor > 0)
        {
            mParams.mSourcePitch = long(downFactor) * mSource.mWidth;
            Draw(mDrawn.mY, left + RowStart(mDrawn.mY), mDrawn.mHeight);
            return;
        }
        for (int y = mDrawn.mY, count = 1; y < bottom; y += count)
        {
            for (count = 1; y + count < bottom && RowStart(y + count) == RowStart(y);)
                count++;
            Draw(y, left + RowStart(y), count);
        }
    }

    // The source pixels of as many destination rows as a block holds, picked every `factor`
    // columns or looked up column by column (factor 0), a row taken again copied; each block
    // drawn in one go.
    void ThroughBlocks(int factor, bool mirrored, int paletteSize)
    {
        int width = mDrawn.mWidth, bottom = mDrawn.mY + mDrawn.mHeight;
        Scratch& scratch = Scratch::Get(size_t(std::max(width, kStretchBlock)));
        int* columns = scratch.mColumns.data();
        uint32_t* pixels = scratch.mPixels.data();
        size_t* starts = scratch.mStarts.data();
        for (int k = 0; factor == 0 && k < width; k++)
            columns[k] = mAcross.At(mirrored ? mDest.mWidth - 1 - (FirstColumn() + k) : FirstColumn() + k);
        const size_t size = size_t(mSource.mWidth) * size_t(mSourceHeight);
        const Surface::PickSource picture{mSource.mNative, mSource.mIndices, paletteSize, size};
        size_t left = factor > 0 ? size_t(mAcross.At(FirstColumn())) : 0;
        int perBlock = std::max(1, kStretchBlock / width);
        mParams.mSourcePitch = width;
        for (int y = mDrawn.mY, count = 0; y < bottom; y += count)
        {
            count = std::min(perBlock, bottom - y);
            for (int j = 0; j < count; j++)
                starts[j] = RowStart(y + j) + left;
            if (factor > 0)
                mRows.mPick(pixels, picture, starts, count, factor, width);
            else
                for (int j = 0; j < count; j++)
                {
                    uint32_t* line = pixels + size_t(j) * size_t(width);
                    if (j > 0 && starts[j] == starts[j - 1])
                        std::memcpy(line, line - width, size_t(width) * sizeof(uint32_t));
                    else if (mSource.mIndices != nullptr)
                    {
                        // Wide reads of the indices past the last column stay inside the picture's.
                        bool padded = starts[j] + size_t(mSource.mWidth) + 3 <= size;
                        mRows.mGather(line, mSource.mNative, mSource.mIndices + starts[j], columns, width,
                                      padded);
                    }
                    else
                        mRows.mGather(line, mSource.mNative + starts[j], nullptr, columns, width, false);
                }
            Draw(y, pixels, count);
        }
    }
};

// The w source pixels from `start` in the order the destination takes them, through the
// palette and mirrored as asked, in `scratch`.
template <bool kPalette, bool kMirrored>
const uint32_t* ExpandRow(const Source& src, size_t start, int w, uint32_t* scratch)
{
    for (int k = 0; k < w; k++)
    {
        size_t at = start + size_t(kMirrored ? w - 1 - k : k);
        scratch[k] = kPalette ? src.mNative[src.mIndices[at]] : src.mNative[at];
    }
    return scratch;
}

// Draws srcRect of `src` at (x, y) with `row`, mirrored or not: straight from the native
// data in one go where it can, else a row at a time expanded into a scratch row.
template <bool kPalette, bool kMirrored>
void DrawRows(const Target& t, const Source& src, int x, int y, const Rect& srcRect, Surface::Row row,
              RowParams p)
{
    int w = srcRect.mWidth;
    size_t top = size_t(srcRect.mY) * size_t(src.mWidth) + size_t(srcRect.mX);
    if constexpr (!kPalette && !kMirrored)
    {
        p.mSourcePitch = src.mWidth;
        row(t, t.At(x, y), src.mNative + top, w, srcRect.mHeight, p);
    }
    else
    {
        uint32_t* scratch = Scratch::Get(size_t(w)).mPixels.data();
        for (int j = 0; j < srcRect.mHeight; j++)
        {
            size_t start = top + size_t(j) * size_t(src.mWidth);
            row(t, t.At(x, y + j), ExpandRow<kPalette, kMirrored>(src, start, w, scratch), w, 1, p);
        }
    }
}

void DrawRows(const Target& t, const Source& src, bool mirrored, int x, int y, const Rect& srcRect,
              Surface::Row row, const RowParams& p)
{
    bool palette = src.mIndices != nullptr;
    if (palette && mirrored)
        DrawRows<true, true>(t, src, x, y, srcRect, row, p);
    else if (palette)
        DrawRows<true, false>(t, src, x, y, srcRect, row, p);
    else if (mirrored)
        DrawRows<false, true>(t, src, x, y, srcRect, row, p);
    else
        DrawRows<false, false>(t, src, x, y, srcRect, row, p);
}

// The row that blends or adds native pixels, white or modulated by the colour.
Surface::Row BlendRow(const Surface::Rows& rows, const Color& color, bool additive, RowParams& p)
{
    bool white = color.IsWhite();
    Modulated(color, p.mMod);
    p.mAlpha = uint32_t(color.mAlpha);
    if (additive)
        return white ? rows.mAdd : rows.mAddTint;
    return white ? rows.mOver : rows.mTint;
}

} // namespace

void DDImage::NormalFillRect(const Rect& rect, const Color& color)
{
    if (mNoSoftwareDraw || !LockSurface())
        return;
    Target t(mLockedSurfaceDesc, *mDDInterface);
    Rect r = Inside(rect, t);
    uint32_t c[3];
    Surface::Channels(color, c);
    uint32_t a = uint32_t(color.mAlpha);
    uint64_t round = t.mDepth == 16 ? 0x80 : 0x7F;
    RowParams p;
    for (int i = 0; i < 3; i++)
    {
        uint64_t m = t.mMask[i];
        if (a == 255)
            p.mValue += uint32_t((uint64_t(c[i] + 1) * m) >> 8) & t.mMask[i];
        else
            p.mValue += uint32_t(((((uint64_t(c[i]) * a + round) >> 8) + 1) * m) >> 8) & t.mMask[i];
    }
    p.mInv = 256 - a;
    const Surface::Rows& rows = Surface::ActiveRows(t);
    Surface::Row row = a == 255 ? rows.mFill : rows.mBlendFill;
    if (!r.IsEmpty())
        row(t, t.At(r.mX, r.mY), nullptr, r.mWidth, r.mHeight, p);
    UnlockSurface();
}

void DDImage::AdditiveFillRect(const Rect& rect, const Color& color)
{
    if (mNoSoftwareDraw || !LockSurface())
        return;
    Target t(mLockedSurfaceDesc, *mDDInterface);
    Rect r = Inside(rect, t);
    uint32_t c[3];
    Surface::Channels(color, c);
    RowParams p;
    for (int i = 0; i < 3; i++)
        p.mAmount[i] = (c[i] * uint32_t(color.mAlpha) / 255) >> (8 - t.mBits[i]);
    if (!r.IsEmpty())
        Surface::ActiveRows(t).mAddFill(t, t.At(r.mX, r.mY), nullptr, r.mWidth, r.mHeight, p);
    UnlockSurface();
}

void DDImage::NormalDrawLine(double x1, double y1, double x2, double y2, const Color& color)
{
    if (mNoSoftwareDraw || !LockSurface())
        return;
    Target t(mLockedSurfaceDesc, *mDDInterface);
    uint32_t c[3];
    Surface::Channels(color, c);
    uint64_t a = uint64_t(color.mAlpha);
    ForDepth(t,
             [&]<typename P>()
             {
                 WalkSurfaceLine(x1, y1, x2, y2,
                                 [&](long x, long y)
                                 {
                                     if (x < 0 || y < 0 || x >= t.mWidth || y >= t.mHeight)
                                         return;
                                     P& d = t.Row<P>(int(y))[x];
                                     uint32_t out = 0;
                                     for (int i = 0; i < 3; i++)
                                     {
                                         uint64_t m = t.mMask[i];
                                         if (a == 255)
                                         {
                                             out |= uint32_t((c[i] * m + (m >> 1)) >> 8) & t.mMask[i];
                                             continue;
                                         }
                                         out |=
                                             (uint32_t(((((c[i] * a + 0x80) >> 8) * m) + (m >> 1)) >> 8) &
                                              t.mMask[i]) +
                                             (uint32_t(((d & m) * (256 - a) + (m >> 1)) >> 8) & t.mMask[i]);
                                     }
                                     d = P(out);
                                 });
             });
    UnlockSurface();
}

void DDImage::AdditiveDrawLine(double x1, double y1, double x2, double y2, const Color& color)
{
    if (mNoSoftwareDraw || !LockSurface())
        return;
    Target t(mLockedSurfaceDesc, *mDDInterface);
    uint32_t c[3], amount[3];
    Surface::Channels(color, c);
    for (int i = 0; i < 3; i++)
        amount[i] = (c[i] * uint32_t(color.mAlpha) / 255) >> (8 - t.mBits[i]);
    ForDepth(t,
             [&]<typename P>()
             {
                 WalkSurfaceLine(
                     x1, y1, x2, y2,
                     [&](long x, long y)
                     {
                         if (x < 0 || y < 0 || x >= t.mWidth || y >= t.mHeight)
                             return;
                         P& d = t.Row<P>(int(y))[x];
                         uint32_t out = 0;
                         for (int i = 0; i < 3; i++)
                             out |= uint32_t(t.mAdd[i][((d & t.mMask[i]) >> t.mShift[i]) + amount[i]])
                                    << t.mShift[i];
                         d = P(out);
                     });
             });
    UnlockSurface();
}

// The blending road shared by the plain and mirrored, normal and additive blits.
void DDImage::RunBlt(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color, bool additive,
                     bool mirrored)
{
    if (mNoSoftwareDraw || !LockSurface())
        return;
    Target t(mLockedSurfaceDesc, *mDDInterface);
    Source source(src, mDDInterface);
    // The rows pass over what the run-length data would skip: clear pixels when blending,
    // pixels without colour when adding (runs are of one class, so a run's first pixel
    // stands for all of it).
    RowParams p;
    p.mSkipBlack = true;
    Surface::Row row = BlendRow(Surface::ActiveRows(t), color, additive, p);
    DrawRows(t, source, mirrored, x, y, srcRect, row, p);
    UnlockSurface();
}

bool DDImage::HardwareBlt(DDImage* src, const RECT& dest, const RECT& from)
{
    IDirectDrawSurface7* target = GetSurface();
    IDirectDrawSurface7* source = src->GetSurface();
    if (target == nullptr || source == nullptr)
        return false;
    bool relock = mLockCount > 0;
    if (relock)
        target->Unlock(nullptr);
    DDBLTFX fx{};
    fx.dwSize = sizeof(DDBLTFX);
    DWORD flags = DDBLT_WAIT | (src->mHasTrans ? DDBLT_KEYSRC : 0);
    RECT d = dest, s = from;
    target->Blt(&d, source, &s, flags, &fx);
    if (!relock)
        return true;
    DDSURFACEDESC2 desc{};
    desc.dwSize = DDSURFACEDESC2_SIZE_32BIT;
    if (target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) < 0)
    {
        mLockCount = 0;
        return false;
    }
    mLockedSurfaceDesc.lpSurface = desc.lpSurface;
    mLockedSurfaceDesc.lPitch = desc.lPitch;
    return true;
}

void DDImage::NormalBlt(Image* image, int x, int y, const Rect& srcRect, const Color& color)
{
    auto* src = MemoryImageOf(image);
    if (src == nullptr)
        return;
    src->CommitBits();
    auto* surfaceSource = SurfaceImageOf(src);
    bool sourceSurface = surfaceSource && surfaceSource->mSurface;
    bool white = color.IsWhite();
    if (src->mIsVolatile && !sourceSurface && !mNoSoftwareDraw && white)
    {
        if (!LockSurface())
            return;
        Target t(mLockedSurfaceDesc, *mDDInterface);
        PixelSource pixels = src->GetPixelSource();
        ForDepth(t,
                 [&]<typename P>()
                 {
                     for (int j = 0; j < srcRect.mHeight; j++)
                     {
                         P* row = t.Row<P>(y + j) + x;
                         for (int i = 0; i < srcRect.mWidth; i++)
                         {
                             uint32_t s = pixels.At(srcRect.mX + i, srcRect.mY + j);
                             uint64_t a = s >> 24;
                             uint32_t d = row[i], out = 0;
                             for (int k = 0; k < 3; k++)
                             {
                                 // 64 bits: a 32-bit mask times two 8-bit factors overflows 32.
                                 uint64_t m = t.mMask[k], sc = (s >> (16 - 8 * k)) & 0xFF;
                                 out +=
                                     uint32_t(((d & m) * (256 - a) + ((sc * a * m) >> 8) + (m >> 1)) >> 8) &
                                     t.mMask[k];
                             }
                             row[i] = P(out);
                         }
                     }
                 });
        UnlockSurface();
        return;
    }
    if (!src->mHasAlpha && white)
    {
        if (sourceSurface && !(!mVideoMemory && surfaceSource->mVideoMemory))
        {
            HardwareBlt(
                surfaceSource, RECT{x, y, x + srcRect.mWidth, y + srcRect.mHeight},
                RECT{srcRect.mX, srcRect.mY, srcRect.mX + srcRect.mWidth, srcRect.mY + srcRect.mHeight});
            return;
        }
        if (mNoSoftwareDraw || !LockSurface())
            return;
        Target t(mLockedSurfaceDesc, *mDDInterface);
        Source source(src, mDDInterface);
        const Surface::Rows& rows = Surface::ActiveRows(t);
        DrawRows(t, source, false, x, y, srcRect, src->mHasTrans ? rows.mKeyCopy : rows.mCopy, RowParams());
        UnlockSurface();
        return;
    }
    RunBlt(src, x, y, srcRect, color, false, false);
}

void DDImage::AdditiveBlt(Image* image, int x, int y, const Rect& srcRect, const Color& color)
{
    if (auto* src = MemoryImageOf(image))
    {
        src->CommitBits();
        RunBlt(src, x, y, srcRect, color, true, false);
    }
}

void DDImage::NormalMirroredBlt(Image* image, int x, int y, const Rect& srcRect, const Color& color)
{
    if (auto* src = MemoryImageOf(image))
    {
        src->CommitBits();
        RunBlt(src, x, y, srcRect, color, false, true);
    }
}

void DDImage::AdditiveMirroredBlt(Image* image, int x, int y, const Rect& srcRect, const Color& color)
{
    if (auto* src = MemoryImageOf(image))
    {
        src->CommitBits();
        RunBlt(src, x, y, srcRect, color, true, true);
    }
}

void DDImage::FastStretch(MemoryImage* src, const Rect& dest, const FRect& from, const Color& color,
                          int drawMode, bool mirrored)
{
    if (mNoSoftwareDraw || dest.IsEmpty() || src->mWidth <= 0 || src->mHeight <= 0 || !LockSurface())
        return;
    Target t(mLockedSurfaceDesc, *mDDInterface);
    src->CommitBits();
    Stretch job(t, src, mDDInterface, dest, from);
    job.mRow = BlendRow(job.mRows, color, drawMode == DRAWMODE_ADDITIVE, job.mParams);
    if (!job.mDrawn.IsEmpty())
    {
        // Columns a whole step apart are read straight from the source rows (a same-size copy)
        // or picked out of them (a shrink by a whole factor, or through a palette); others are
        // looked up one by one.
        int factor = mirrored ? 0 : job.mAcross.WholeStep(job.FirstColumn(), job.mDrawn.mWidth);
        if (factor == 1 && job.mSource.mIndices == nullptr)
            job.FromSourceRows();
        else
            job.ThroughBlocks(factor, mirrored, src->mPaletteSize);
    }
    UnlockSurface();
}

} // namespace Lumo
