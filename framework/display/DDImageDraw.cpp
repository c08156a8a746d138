// Which road each draw on a surface picture takes.
#include "display/DDImage.h"
#include "display/D3DInterface.h"
#include "display/DDInterface.h"
#include "graphics/StretchFilter.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace Lumo
{

namespace
{
Rect Bounds(const Image& image)
{
    return Rect(0, 0, image.mWidth, image.mHeight);
}

// Keeps a blit inside both pictures: the source rectangle inside the source and
// the placed rectangle inside the destination. False when nothing is left.
bool ClipToBoth(const Image& dest, const Image& src, int& x, int& y, Rect& srcRect)
{
    Rect inside = srcRect.Intersection(Bounds(src));
    x += inside.mX - srcRect.mX;
    y += inside.mY - srcRect.mY;
    Rect placed = Rect(x, y, inside.mWidth, inside.mHeight).Intersection(Bounds(dest));
    if (placed.IsEmpty())
        return false;
    srcRect = Rect(inside.mX + placed.mX - x, inside.mY + placed.mY - y, placed.mWidth, placed.mHeight);
    x = placed.mX;
    y = placed.mY;
    return true;
}
} // namespace

bool DDImage::SurfaceRoadAllowed()
{
    return !mDrawToBits && !mHasAlpha && (!mHasTrans || mKeyFromCorner);
}

void DDImage::SurfaceDrawn()
{
    if (mSurface != nullptr)
        DeleteCaches();
}

bool DDImage::FillPoly(const void* points, int count, const Rect& clip, const Color& color, int drawMode)
{
    if (!IsScreen())
        return false;
    Renderer()->FillPoly(points, count, clip, color, drawMode);
    return true;
}

void DDImage::FillRect(const Rect& rect, const Color& color, int drawMode)
{
    if (IsScreen())
    {
        Renderer()->FillRect(rect, color, drawMode);
        return;
    }
    CommitBits();
    // A picture whose surface cannot be made is drawn on in memory.
    if (!SurfaceRoadAllowed() || mDDInterface->mIs3D || GetSurface() == nullptr)
    {
        MemoryImage::FillRect(rect, color, drawMode);
        return;
    }
    if (drawMode == DRAWMODE_NORMAL)
        NormalFillRect(rect, color);
    else if (drawMode == DRAWMODE_ADDITIVE)
        AdditiveFillRect(rect, color);
    SurfaceDrawn();
}

void DDImage::DrawLine(double startX, double startY, double endX, double endY, const Color& color,
                       int drawMode)
{
    if (IsScreen())
    {
        Renderer()->DrawLine(startX, startY, endX, endY, color, drawMode);
        return;
    }
    // Level and upright lines go through the shared code, which fills them as rectangles.
    if (mDrawToBits || mHasAlpha || mHasTrans || mDDInterface->mIs3D || startY == endY || startX == endX ||
        GetSurface() == nullptr)
    {
        MemoryImage::DrawLine(startX, startY, endX, endY, color, drawMode);
        return;
    }
    CommitBits();
    if (drawMode == DRAWMODE_NORMAL)
        NormalDrawLine(startX, startY, endX, endY, color);
    else if (drawMode == DRAWMODE_ADDITIVE)
        AdditiveDrawLine(startX, startY, endX, endY, color);
    SurfaceDrawn();
}

void DDImage::Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
{
    CommitBits();
    if (IsScreen())
    {
        ScreenBlt(src, x, y, srcRect, color, drawMode);
        return;
    }
    bool cursorArea = this == mDDInterface->mOldCursorAreaImage || this == mDDInterface->mNewCursorAreaImage;
    if (!SurfaceRoadAllowed() || (mDDInterface->mIs3D && !cursorArea) || GetSurface() == nullptr)
    {
        MemoryImage::Blt(src, x, y, srcRect, color, drawMode);
        return;
    }
    Rect from = srcRect;
    if (src && ClipToBoth(*this, *src, x, y, from))
    {
        if (drawMode == DRAWMODE_NORMAL)
            NormalBlt(src, x, y, from, color);
        else if (drawMode == DRAWMODE_ADDITIVE)
            AdditiveBlt(src, x, y, from, color);
    }
    SurfaceDrawn();
}

void DDImage::BltMirrored(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
{
    CommitBits();
    if (IsScreen())
    {
        Renderer()->BltMirrored(src, float(x), float(y), srcRect, Bounds(*this), color, drawMode);
        return;
    }
    // Mirrored: the clipped-off columns on the destination's left come from the source's right.
    Rect from = srcRect.Intersection(src ? Bounds(*src) : Rect());
    Rect placed = Rect(x, y, from.mWidth, from.mHeight).Intersection(Bounds(*this));
    if (src && !placed.IsEmpty())
    {
        Rect cut(from.mX + (x + from.mWidth) - (placed.mX + placed.mWidth), from.mY + placed.mY - y,
                 placed.mWidth, placed.mHeight);
        if (drawMode == DRAWMODE_NORMAL)
            NormalMirroredBlt(src, placed.mX, placed.mY, cut, color);
        else if (drawMode == DRAWMODE_ADDITIVE)
            AdditiveMirroredBlt(src, placed.mX, placed.mY, cut, color);
    }
    SurfaceDrawn();
}

void DDImage::BltFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip,
                       const Color& color, int drawMode)
{
    if (!IsScreen())
    {
        BltRotated(src, x, y, srcRect, clip, color, drawMode, 0.0, 0.0f, 0.0f);
        return;
    }
    FRect placed = FRect(x, y, srcRect.mWidth, srcRect.mHeight)
                       .Intersection(FRect(clip.mX, clip.mY, clip.mWidth, clip.mHeight));
    if (placed == FRect(x, y, srcRect.mWidth, srcRect.mHeight))
        Renderer()->Blt(src, x, y, srcRect, color, drawMode, true);
    else if (!placed.IsEmpty())
        Renderer()->BltFloat(src, x, y, srcRect, clip, color, drawMode);
}

void DDImage::StretchBlt(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                         const Color& color, int drawMode, bool fastStretch)
{
    CommitBits();
    auto* source = MemoryImageOf(src);
    if (source == nullptr)
        return;
    if (IsScreen())
    {
        Renderer()->StretchBlt(src, destRect, srcRect, clip, color, drawMode, fastStretch, false);
        return;
    }
    FRect from;
    Rect dest;
    if (!ClipStretch(from, dest, destRect, srcRect, *source, clip.Intersection(Bounds(*this)), false))
        return;
    if (!fastStretch)
    {
        if (mDrawToBits || mHasAlpha || mHasTrans || mDDInterface->mIs3D)
        {
            MemoryImage::StretchBlt(src, destRect, srcRect, clip, color, drawMode, false);
            return;
        }
        MemoryImage scratch;
        scratch.Create(dest.mWidth, dest.mHeight);
        FilteredStretch(source->GetPixelSource(), scratch.GetBits(), dest.mWidth,
                        Rect(0, 0, dest.mWidth, dest.mHeight), from);
        scratch.BitsChanged();
        // As in memory, the filtered stretch takes neither the colour nor the draw mode.
        Blt(&scratch, dest.mX, dest.mY, Rect(0, 0, dest.mWidth, dest.mHeight), Color::White, DRAWMODE_NORMAL);
        return;
    }
    // A destination that cannot have a surface is stretched onto in memory.
    if (GetSurface() == nullptr)
    {
        MemoryImage::StretchBlt(src, destRect, srcRect, clip, color, drawMode, true);
        return;
    }
    // The hardware road needs a surface on both sides.
    auto* surfaceSource = SurfaceImageOf(src);
    if (surfaceSource && color.IsWhite() && drawMode == DRAWMODE_NORMAL && !source->mHasAlpha &&
        surfaceSource->GetSurface())
    {
        RECT d{dest.mX, dest.mY, dest.mX + dest.mWidth, dest.mY + dest.mHeight};
        RECT s{LONG(from.mX), LONG(from.mY), LONG(from.mX + from.mWidth), LONG(from.mY + from.mHeight)};
        if (HardwareBlt(surfaceSource, d, s))
            DeleteCaches();
        return;
    }
    FastStretch(source, dest, from, color, drawMode, false);
    SurfaceDrawn();
}

void DDImage::StretchBltMirrored(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                                 const Color& color, int drawMode, bool fastStretch)
{
    CommitBits();
    auto* source = MemoryImageOf(src);
    if (source == nullptr)
        return;
    if (IsScreen())
    {
        Renderer()->StretchBlt(src, destRect, srcRect, clip, color, drawMode, fastStretch, true);
        return;
    }
    FRect from;
    Rect dest;
    if (!ClipStretch(from, dest, destRect, srcRect, *source, clip.Intersection(Bounds(*this)), true))
        return;
    FastStretch(source, dest, from, color, drawMode, true);
    SurfaceDrawn();
}

void DDImage::BltMatrix(Image* src, float x, float y, const LumoMatrix3& matrix, const Rect& clip,
                        const Color& color, int drawMode, const Rect& srcRect, bool blend)
{
    if (IsScreen())
    {
        // The software road turns the rectangle about its centre and places it at (x, y).
        AffineTransform2D centred;
        centred.Translate(-float(srcRect.mWidth) / 2, -float(srcRect.mHeight) / 2);
        AffineTransform2D placed;
        placed.mMatrix.Multiply(centred.mMatrix, matrix);
        placed.Translate(x, y);
        Renderer()->BltTransformed(src, placed.mMatrix, srcRect, color, drawMode, false, clip);
        return;
    }
    auto* source = MemoryImageOf(src);
    if (source == nullptr || mNoSoftwareDraw || !LockSurface())
        return;
    int form = SurfaceForm();
    if (form != 0)
        BltMatrixHelper(source, x, y, matrix, clip, color, drawMode, srcRect, blend,
                        static_cast<uint32_t*>(mLockedSurfaceDesc.lpSurface), int(mLockedSurfaceDesc.lPitch),
                        form);
    UnlockSurface();
    SurfaceDrawn();
}

void DDImage::DrawTexturedTriangles(Image* texture, const TriVertex (*vertices)[3], int count,
                                    const Rect& clip, const Color& color, int drawMode, float tx, float ty,
                                    bool blend)
{
    if (IsScreen())
    {
        Renderer()->DrawTexturedTriangles(texture, vertices, count, clip, color, drawMode, tx, ty);
        return;
    }
    auto* source = MemoryImageOf(texture);
    if ((texture != nullptr && source == nullptr) || mNoSoftwareDraw || !LockSurface())
        return;
    int form = SurfaceForm();
    if (form != 0)
        BltTrianglesTexHelper(source, vertices, count, clip, color, drawMode, tx, ty, blend,
                              static_cast<uint32_t*>(mLockedSurfaceDesc.lpSurface),
                              int(mLockedSurfaceDesc.lPitch), form);
    UnlockSurface();
    SurfaceDrawn();
}

D3DInterface* DDImage::Renderer() const
{
    return mDDInterface->mD3DInterface;
}

void DDImage::ScreenBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode)
{
    // Opaque or keyed surface pictures are copied by the blitter.
    auto* surfaceSource = SurfaceImageOf(src);
    if (surfaceSource && surfaceSource->mSurface && drawMode == DRAWMODE_NORMAL && color.IsWhite() &&
        !surfaceSource->mHasAlpha)
    {
        Rect from = srcRect;
        if (ClipToBoth(*this, *src, x, y, from))
            HardwareBlt(surfaceSource, RECT{x, y, x + from.mWidth, y + from.mHeight},
                        RECT{from.mX, from.mY, from.mX + from.mWidth, from.mY + from.mHeight});
        return;
    }
    Renderer()->Blt(src, float(x), float(y), srcRect, color, drawMode, false);
}

int DDImage::SurfaceForm() const
{
    const DDPIXELFORMAT& f = mLockedSurfaceDesc.ddpfPixelFormat;
    if (f.dwRGBBitCount == 32)
        return 0x888;
    if (f.dwRGBBitCount != 16)
        return 0;
    if (f.dwRBitMask == 0xF800 && f.dwGBitMask == 0x07E0 && f.dwBBitMask == 0x001F)
        return 0x565;
    if (f.dwRBitMask == 0x7C00 && f.dwGBitMask == 0x03E0 && f.dwBBitMask == 0x001F)
        return 0x555;
    return 0;
}

} // namespace Lumo
