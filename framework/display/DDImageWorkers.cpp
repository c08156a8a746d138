// The workers that draw straight into a locked 16- or 32-bit surface.
#include "display/DDImage.h"
#include "display/SurfaceTarget.h"

#include <algorithm>
#include <cmath>

namespace Lumo
{

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
    ForDepth(t,
             [&]<typename P>()
             {
                 uint64_t k = sizeof(P) == 2 ? 1 : 0, round = sizeof(P) == 2 ? 0x80 : 0x7F;
                 uint32_t solid = 0, add = 0;
                 for (int i = 0; i < 3; i++)
                 {
                     uint64_t m = t.mMask[i];
                     solid += uint32_t((uint64_t(c[i] + 1) * m) >> 8) & t.mMask[i];
                     add += uint32_t(((((uint64_t(c[i]) * a + round) >> 8) + 1) * m) >> 8) & t.mMask[i];
                 }
                 uint64_t inv = 256 - a;
                 for (int y = r.mY; y < r.mY + r.mHeight; y++)
                 {
                     P* row = t.Row<P>(y);
                     if (a == 255)
                     {
                         std::fill(row + r.mX, row + r.mX + r.mWidth, P(solid));
                         continue;
                     }
                     for (int x = r.mX; x < r.mX + r.mWidth; x++)
                     {
                         uint32_t d = row[x], out = add;
                         for (int i = 0; i < 3; i++)
                             out +=
                                 uint32_t(((d & t.mMask[i]) * inv + (k ? t.mMask[i] : 0)) >> 8) & t.mMask[i];
                         row[x] = P(out);
                     }
                 }
             });
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
    uint32_t amount[3];
    for (int i = 0; i < 3; i++)
        amount[i] = (c[i] * uint32_t(color.mAlpha) / 255) >> (8 - t.mBits[i]);
    ForDepth(t,
             [&]<typename P>()
             {
                 for (int y = r.mY; y < r.mY + r.mHeight; y++)
                 {
                     P* row = t.Row<P>(y);
                     for (int x = r.mX; x < r.mX + r.mWidth; x++)
                     {
                         uint32_t d = row[x], out = 0;
                         for (int i = 0; i < 3; i++)
                             out |= uint32_t(t.mAdd[i][((d & t.mMask[i]) >> t.mShift[i]) + amount[i]])
                                    << t.mShift[i];
                         row[x] = P(out);
                     }
                 }
             });
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

// The run-length road shared by the plain and mirrored, normal and additive blits.
void DDImage::RunBlt(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color, bool additive,
                     bool mirrored)
{
    if (mNoSoftwareDraw || !LockSurface())
        return;
    Target t(mLockedSurfaceDesc, *mDDInterface);
    const uint32_t* native = src->GetNativeAlphaData(mDDInterface);
    const uint8_t* runs = additive ? src->GetRLAdditiveData(mDDInterface) : src->GetRLAlphaData();
    const uint8_t* indices = src->IsPalette() ? src->mColorIndices : nullptr;
    bool white = color.IsWhite();
    uint32_t mod[3];
    Modulated(color, mod);
    const uint32_t* tint = white ? nullptr : mod;
    uint32_t ca = uint32_t(color.mAlpha);
    ForDepth(t,
             [&]<typename P>()
             {
                 for (int j = 0; j < srcRect.mHeight; j++)
                 {
                     P* row = t.Row<P>(y + j);
                     size_t start = size_t(srcRect.mY + j) * size_t(src->mWidth) + size_t(srcRect.mX);
                     for (int i = 0; i < srcRect.mWidth;)
                     {
                         size_t at = start + size_t(i);
                         int run = std::min<int>(std::max<int>(runs[at], 1), srcRect.mWidth - i);
                         uint32_t first = native[indices ? indices[at] : at];
                         bool skip = additive ? (first & 0xFFFFFF) == 0 : (first >> 24) == 0;
                         if (!skip && !additive && tint == nullptr && (first >> 24) == 255)
                         {
                             // An opaque run is a copy.
                             uint32_t colorMask = t.ColorMask();
                             for (int k = i; k < i + run; k++)
                             {
                                 size_t from = start + size_t(k);
                                 row[mirrored ? x + srcRect.mWidth - 1 - k : x + k] =
                                     P(native[indices ? indices[from] : from] & colorMask);
                             }
                         }
                         else if (!skip)
                             for (int k = i; k < i + run; k++)
                             {
                                 size_t from = start + size_t(k);
                                 uint32_t n = native[indices ? indices[from] : from];
                                 P& d = row[mirrored ? x + srcRect.mWidth - 1 - k : x + k];
                                 d = P(additive ? Surface::AddNative(t, d, n, tint)
                                                : Surface::BlendNative(t, d, n, n >> 24, tint, ca));
                             }
                         i += run;
                     }
                 }
             });
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
    auto* src = dynamic_cast<MemoryImage*>(image);
    if (src == nullptr)
        return;
    src->CommitBits();
    auto* surfaceSource = dynamic_cast<DDImage*>(src);
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
        const uint32_t* native = src->GetNativeAlphaData(mDDInterface);
        const uint8_t* indices = src->IsPalette() ? src->mColorIndices : nullptr;
        bool keyed = src->mHasTrans;
        uint32_t colorMask = t.ColorMask();
        ForDepth(t,
                 [&]<typename P>()
                 {
                     for (int j = 0; j < srcRect.mHeight; j++)
                     {
                         P* row = t.Row<P>(y + j) + x;
                         size_t start = size_t(srcRect.mY + j) * size_t(src->mWidth) + size_t(srcRect.mX);
                         for (int i = 0; i < srcRect.mWidth; i++)
                         {
                             size_t at = start + size_t(i);
                             uint32_t n = native[indices ? indices[at] : at];
                             if (!keyed || (n >> 24) != 0)
                                 row[i] = P(n & colorMask);
                         }
                     }
                 });
        UnlockSurface();
        return;
    }
    RunBlt(src, x, y, srcRect, color, false, false);
}

void DDImage::AdditiveBlt(Image* image, int x, int y, const Rect& srcRect, const Color& color)
{
    if (auto* src = dynamic_cast<MemoryImage*>(image))
    {
        src->CommitBits();
        RunBlt(src, x, y, srcRect, color, true, false);
    }
}

void DDImage::NormalMirroredBlt(Image* image, int x, int y, const Rect& srcRect, const Color& color)
{
    if (auto* src = dynamic_cast<MemoryImage*>(image))
    {
        src->CommitBits();
        RunBlt(src, x, y, srcRect, color, false, true);
    }
}

void DDImage::AdditiveMirroredBlt(Image* image, int x, int y, const Rect& srcRect, const Color& color)
{
    if (auto* src = dynamic_cast<MemoryImage*>(image))
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
    const uint32_t* native = src->GetNativeAlphaData(mDDInterface);
    const uint8_t* indices = src->IsPalette() ? src->mColorIndices : nullptr;
    int64_t stepX = int64_t(from.mWidth * 65536.0 / dest.mWidth);
    int64_t stepY = int64_t(from.mHeight * 65536.0 / dest.mHeight);
    int64_t startX = int64_t(from.mX * 65536.0), startY = int64_t(from.mY * 65536.0);
    bool white = color.IsWhite();
    uint32_t mod[3];
    Modulated(color, mod);
    const uint32_t* tint = white ? nullptr : mod;
    uint32_t ca = uint32_t(color.mAlpha);
    bool additive = drawMode == DRAWMODE_ADDITIVE;
    Rect r = Inside(dest, t);
    ForDepth(t,
             [&]<typename P>()
             {
                 for (int j = 0; j < dest.mHeight; j++)
                 {
                     int y = dest.mY + j;
                     if (y < r.mY || y >= r.mY + r.mHeight)
                         continue;
                     int sy = std::clamp(int((startY + j * stepY) >> 16), 0, src->mHeight - 1);
                     P* row = t.Row<P>(y);
                     for (int i = 0; i < dest.mWidth; i++)
                     {
                         int x = mirrored ? dest.mX + dest.mWidth - 1 - i : dest.mX + i;
                         if (x < r.mX || x >= r.mX + r.mWidth)
                             continue;
                         int sx = std::clamp(int((startX + i * stepX) >> 16), 0, src->mWidth - 1);
                         size_t at = size_t(sy) * size_t(src->mWidth) + size_t(sx);
                         uint32_t n = native[indices ? indices[at] : at];
                         if (additive)
                             row[x] = P(Surface::AddNative(t, row[x], n, tint));
                         else if ((n >> 24) != 0)
                             row[x] = P(Surface::BlendNative(t, row[x], n, n >> 24, tint, ca));
                     }
                 }
             });
    UnlockSurface();
}

} // namespace Lumo
