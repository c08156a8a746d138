// The software cursor: drawn over the frame or straight onto the screen, with
// what lies under it kept in the old save area.
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/Graphics.h"
#include "win32/windows.h"

#include <algorithm>

namespace Lumo
{

namespace
{
RECT Offset(RECT r, int dx, int dy)
{
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

RECT Intersect(const RECT& a, const RECT& b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    return r;
}

bool Empty(const RECT& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

HRESULT Copy(IDirectDrawSurface* to, RECT dest, IDirectDrawSurface* from, RECT source)
{
    DDBLTFX fx{};
    fx.dwSize = sizeof(DDBLTFX);
    return to->Blt(&dest, from, &source, DDBLT_WAIT, &fx);
}
} // namespace

// The cursor's rectangle on the surface for position (x, y), clipped to the
// drawing size, and the matching part of a save area.
bool DDInterface::CursorRects(int x, int y, bool toScreen, RECT& screen, RECT& area) const
{
    int left = x - mCursorAreaWidth / 2, top = y - mCursorAreaHeight / 2;
    RECT whole{left, top, left + mCursorAreaWidth, top + mCursorAreaHeight};
    RECT clipped = Intersect(whole, RECT{0, 0, mWidth, mHeight});
    if (Empty(clipped))
        return false;
    area = Offset(clipped, -left, -top);
    screen = clipped;
    if (toScreen)
    {
        POINT origin = ClientOrigin();
        screen = Offset(screen, origin.x, origin.y);
    }
    return true;
}

// Keeps what lies under `screen` in `into`; a rectangle reaching past the
// primary is tried once more cut to it.
bool DDInterface::SaveUnder(IDirectDrawSurface* surface, IDirectDrawSurface* into, RECT& screen, RECT& area)
{
    if (Copy(into, area, surface, screen) >= 0)
        return true;
    DDSURFACEDESC desc{};
    desc.dwSize = DDSURFACEDESC_SIZE_32BIT;
    desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT;
    if (mPrimarySurface->GetSurfaceDesc(&desc) < 0)
        return false;
    RECT cut = Intersect(screen, RECT{0, 0, LONG(desc.dwWidth), LONG(desc.dwHeight)});
    if (Empty(cut))
        return false;
    area = Offset(cut, area.left - screen.left, area.top - screen.top);
    screen = cut;
    return Copy(into, area, surface, screen) >= 0;
}

void DDInterface::DrawCursorInto(DDImage* image)
{
    Graphics g(image);
    g.DrawImage(mCursorImage, (mCursorAreaWidth - mCursorImage->mWidth) / 2,
                (mCursorAreaHeight - mCursorImage->mHeight) / 2);
}

void DDInterface::DrawCursor(IDirectDrawSurface* surface, bool toScreen)
{
    RECT screen{}, area{};
    if (mCursorImage == nullptr || mPrimarySurface == nullptr || surface == nullptr ||
        !CursorRects(mCursorDrawnX, mCursorDrawnY, toScreen, screen, area))
    {
        mCursorDrawn = false;
        return;
    }
    mCursorDrawn = SaveUnder(surface, mOldCursorArea, screen, area);
    if (!mCursorDrawn)
        return;
    if (surface == mDrawSurface && !mIs3D && mScreenImage)
    {
        Graphics g(mScreenImage);
        g.DrawImage(mCursorImage,
                    mCursorDrawnX - mCursorAreaWidth / 2 + (mCursorAreaWidth - mCursorImage->mWidth) / 2,
                    mCursorDrawnY - mCursorAreaHeight / 2 + (mCursorAreaHeight - mCursorImage->mHeight) / 2);
        return;
    }
    RECT all{0, 0, mCursorAreaWidth, mCursorAreaHeight};
    Copy(mNewCursorArea, all, mOldCursorArea, all);
    DrawCursorInto(mNewCursorAreaImage);
    Copy(surface, screen, mNewCursorArea, area);
}

void DDInterface::RestoreCursorArea(IDirectDrawSurface* surface, bool toScreen)
{
    RECT screen{}, area{};
    if (mCursorDrawn && mPrimarySurface && CursorRects(mCursorDrawnX, mCursorDrawnY, toScreen, screen, area))
        Copy(surface, screen, mOldCursorArea, area);
    mCursorDrawn = false;
}

void DDInterface::MoveCursor(IDirectDrawSurface* surface, int x, int y)
{
    RECT oldScreen{}, oldArea{}, newScreen{}, newArea{};
    bool hadOld = CursorRects(mCursorDrawnX, mCursorDrawnY, true, oldScreen, oldArea);
    // Without a cursor picture (taken away while shown) the old place is only restored.
    bool hasNew = mCursorImage != nullptr && CursorRects(x, y, true, newScreen, newArea);
    if (hasNew && !SaveUnder(surface, mNewCursorArea, newScreen, newArea))
        hasNew = false;
    // Area coordinates are screen coordinates less the unclipped corner of each rectangle.
    int oldLeft = oldScreen.left - oldArea.left, oldTop = oldScreen.top - oldArea.top;
    int newLeft = newScreen.left - newArea.left, newTop = newScreen.top - newArea.top;
    if (hadOld)
    {
        if (hasNew)
        {
            RECT overlap = Intersect(oldScreen, newScreen);
            if (!Empty(overlap))
                Copy(mNewCursorArea, Offset(overlap, -newLeft, -newTop), mOldCursorArea,
                     Offset(overlap, -oldLeft, -oldTop));
            Graphics g(mOldCursorAreaImage);
            g.DrawImage(mCursorImage, newLeft - oldLeft + (mCursorAreaWidth - mCursorImage->mWidth) / 2,
                        newTop - oldTop + (mCursorAreaHeight - mCursorImage->mHeight) / 2);
        }
        Copy(surface, oldScreen, mOldCursorArea, oldArea);
    }
    mCursorDrawnX = x;
    mCursorDrawnY = y;
    mCursorDrawn = false;
    if (!hasNew)
        return;
    RECT all{0, 0, mCursorAreaWidth, mCursorAreaHeight};
    Copy(mOldCursorArea, all, mNewCursorArea, all);
    DrawCursorInto(mNewCursorAreaImage);
    Copy(surface, newScreen, mNewCursorArea, newArea);
    mCursorDrawn = true;
}

void DDInterface::SetCursorPos(int x, int y)
{
    mCursorX = x;
    mCursorY = y;
    if (mInRedraw)
        return;
    DisplayLock lock(this);
    if (!mInitialized)
        return;
    if (mCursorDrawn)
        MoveCursor(mPrimarySurface, x, y);
    else
    {
        mCursorDrawnX = x;
        mCursorDrawnY = y;
        DrawCursor(mPrimarySurface, true);
    }
}

} // namespace Lumo
