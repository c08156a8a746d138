#include "text/SysFont.h"

#include "app/LumoAppBase.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/Graphics.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace Lumo
{

namespace
{
// A place in pixels as the system takes it: truncated, and kept inside int.
int PixelPlace(double value)
{
    return int(std::clamp(value, double(INT_MIN), double(INT_MAX)));
}

// The window's context, with a font chosen into it until the context is given back.
class MeasureContext
{
public:
    explicit MeasureContext(HWND window) : mWindow(window)
    {
        mDC = GetDC(window);
        if (mDC == nullptr && window != nullptr)
        {
            // A window already gone: the screen measures the same.
            mWindow = nullptr;
            mDC = GetDC(nullptr);
        }
    }
    ~MeasureContext()
    {
        if (mDC == nullptr)
            return;
        if (mPrevious != nullptr)
            SelectObject(mDC, mPrevious);
        ReleaseDC(mWindow, mDC);
    }
    MeasureContext(const MeasureContext&) = delete;
    MeasureContext& operator=(const MeasureContext&) = delete;

    void Select(HFONT font)
    {
        if (mDC != nullptr && mPrevious == nullptr)
            mPrevious = SelectObject(mDC, font);
    }

    HDC mDC = nullptr;

private:
    HWND mWindow;
    HGDIOBJ mPrevious = nullptr;
};
} // namespace

SysFont::SysFont(LumoAppBase* app, const std::string& face, int pointSize, int charSet) : mApp(app)
{
    MeasureContext context(MeasureWindow());
    // A negative height asks for the characters' height in pixels.
    int64_t height = -int64_t(MulDiv(pointSize, GetDeviceCaps(context.mDC, LOGPIXELSY), 72));
    mFontHandle = CreateFontA(int(std::clamp<int64_t>(height, INT_MIN, INT_MAX)), 0, 0, 0, FW_NORMAL, FALSE,
                              FALSE, FALSE, DWORD(charSet), OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS,
                              ANTIALIASED_QUALITY, 0, face.c_str());
    context.Select(mFontHandle);
    TEXTMETRICA metrics{};
    if (context.mDC != nullptr && GetTextMetricsA(context.mDC, &metrics))
    {
        mAscent = metrics.tmAscent;
        mHeight = metrics.tmHeight;
    }
}

SysFont::SysFont(const SysFont& other) : Font(other), mApp(other.mApp)
{
    LOGFONTA desc{};
    if (GetObjectA(other.mFontHandle, int(sizeof(desc)), &desc) == int(sizeof(desc)))
        mFontHandle = CreateFontIndirectA(&desc);
}

SysFont::~SysFont()
{
    if (mFontHandle != nullptr)
        DeleteObject(mFontHandle);
}

HWND SysFont::MeasureWindow() const
{
    return mApp != nullptr ? mApp->mHWnd : nullptr;
}

int SysFont::StringWidth(const std::string& text)
{
    MeasureContext context(MeasureWindow());
    context.Select(mFontHandle);
    if (context.mDC == nullptr)
        return 0;
    RECT rect{0, 0, 0, 0};
    DrawTextExA(context.mDC, const_cast<char*>(text.c_str()), int(std::min<size_t>(text.size(), INT_MAX)),
                &rect, DT_CALCRECT | DT_NOPREFIX, nullptr);
    return rect.right;
}

void SysFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                         const Rect& clip)
{
    auto* image = g != nullptr ? SurfaceImageOf(g->mDestImage) : nullptr;
    if (image == nullptr)
        return;
    IDirectDrawSurface7* surface = image->GetSurface();
    if (surface == nullptr)
        return;
    // A locked picture is given up for the context and taken back afterwards.
    const bool locked = image->mLockCount > 0;
    if (locked)
        surface->Unlock(nullptr);
    // On the 3-D screen the renderer's scene ends first, so that the system's text lands on top.
    if (image == image->mDDInterface->GetDrawSurfaceImage() && image->mDDInterface->mIs3D)
        image->mDDInterface->mD3DInterface->Flush();
    HDC dc = nullptr;
    if (surface->GetDC(&dc) >= 0 && dc != nullptr)
    {
        HGDIOBJ previous = SelectObject(dc, mFontHandle);
        SetBkMode(dc, TRANSPARENT);
        IntersectClipRect(dc, clip.mX, clip.mY, PixelPlace(double(clip.mX) + clip.mWidth),
                          PixelPlace(double(clip.mY) + clip.mHeight));
        SetTextColor(dc, RGB(color.mRed, color.mGreen, color.mBlue));
        TextOutA(dc, PixelPlace(double(x) + g->mTransX), PixelPlace(double(y) - mAscent + 1 + g->mTransY),
                 text.c_str(), int(std::min<size_t>(text.size(), INT_MAX)));
        if (previous != nullptr)
            SelectObject(dc, previous);
        surface->ReleaseDC(dc);
        image->DeleteCaches();
    }
    if (locked)
    {
        DDSURFACEDESC2 desc{};
        desc.dwSize = DDSURFACEDESC2_SIZE_32BIT;
        if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) >= 0)
        {
            image->mLockedSurfaceDesc.lpSurface = desc.lpSurface;
            image->mLockedSurfaceDesc.lPitch = desc.lPitch;
        }
    }
}

Font* SysFont::Duplicate()
{
    return new SysFont(*this);
}

} // namespace Lumo
