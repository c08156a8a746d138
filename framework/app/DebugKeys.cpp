// The developer keys of the application object and the overlays they switch on.
#include "app/Common.h"
#include "app/DebugOverlays.h"
#include "app/LumoAppBase.h"
#include "app/ModValues.h"
#include "app/Profiler.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"
#include "win32/windows.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

namespace Lumo
{
namespace
{
// Played when the debug keys are toggled and when live values were re-read.
constexpr const char* kCommandSound = "c:\\windows\\media\\Windows XP Menu Command.wav";
const Color kOverlayBack(0, 0, 0, 255);
const Color kOverlayText(255, 255, 255, 255);

// The overlays' state, made on first use.
DebugOverlays& Overlays(DebugOverlays*& overlays)
{
    if (overlays == nullptr)
        overlays = new DebugOverlays;
    return *overlays;
}

std::map<HWND, RECT>& KeptWindowRects()
{
    static std::map<HWND, RECT> rects;
    return rects;
}
} // namespace

void PlayCommandSound()
{
    PlaySoundA(kCommandSound, nullptr, SND_FILENAME | SND_ASYNC);
}

bool LumoAppBase::IsAltKeyUsed(WPARAM key)
{
    return std::tolower((int)key) == 'r';
}

bool LumoAppBase::HandleDebugKey(WPARAM key)
{
    // While a demo plays, the widgets' key table holds the recorded keys: the developer's own
    // modifiers are the live ones.
    const bool* down = mWidgetManager && !mPlayingDemo ? mWidgetManager->mKeyDown : nullptr;
    bool shift = mPlayingDemo ? mShiftDown : down && down[VK_SHIFT];
    bool ctrl = mPlayingDemo ? mCtrlDown : down && down[VK_CONTROL];
    bool alt = mPlayingDemo ? mAltDown : down && down[VK_MENU];

    if (key == 'R' && alt)
    {
        if (ReparseModValues())
            PlayCommandSound();
        else if (mPlayingDemo)
            mCtrlDown = mAltDown = mShiftDown = false; // the demo's table is left to the replay
        else if (mWidgetManager)
            std::memset(mWidgetManager->mKeyDown, 0, sizeof mWidgetManager->mKeyDown);
        return false;
    }
    switch (key)
    {
    case VK_F3:
        if (shift)
        {
            mDebugOverlayMode = mDebugOverlayMode >= 1 ? 0 : mDebugOverlayMode + 1;
            mShowDebugOverlay = true;
        }
        else
            mShowDebugOverlay = !mShowDebugOverlay;
        if (mWidgetManager)
        {
            mWidgetManager->MarkDirty();
            for (Widget* child : mWidgetManager->mChildren)
                child->MarkDirtyAndBelow();
        }
        if (mShowDebugOverlay)
        {
            DebugOverlays& o = Overlays(mDebugOverlays);
            o.mStopwatch.Start();
            o.mFrames = 0;
            o.mFrameRate = 0;
            o.mReset = true;
        }
        return false;
    case VK_F8:
        if (shift)
        {
            // Without a renderer, or after a failed self test, the display falls back to 2-D.
            Set3D(!Is3DEnabled(), true);
            ShowMessageBox(FormatString("3D-Mode: %s", Is3DEnabled() ? "ON" : "OFF"), "Mode Switch", MB_OK);
            mLastAccumulateTime = timeGetTime();
        }
        else
            ShowVideoStats();
        return true;
    case VK_F10:
        if (shift)
        {
            mFreezeState = 0;
            ResetTimeAccumulator();
        }
        else if (ctrl)
            mUpdateMultiplier = mUpdateMultiplier == 0.25 ? 1.0 : 0.25;
        else
            mFreezeState = 1;
        return true;
    case VK_F11:
        if (shift)
            DumpImages();
        else
            TakeScreenshot();
        return true;
    case VK_F2:
        if (IsProfiling())
        {
            ProfilerEnd();
            ShowMessageBox(ProfilerReport(), "Perf Results", MB_OK);
            ResetTimeAccumulator();
        }
        else
        {
            ResetTimeAccumulator();
            ProfilerBegin();
        }
        return false;
    }
    return false;
}

void LumoAppBase::WaitForLoadingThread()
{
    while (mLoadingThreadStarted && !mLoadingThreadCompleted)
    {
        // A box the loading thread asks for is shown by this thread when it looks at its queue.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        Sleep(20);
    }
}

BOOL CALLBACK LumoAppBase::KeepWindowRect(HWND window, LPARAM restore)
{
    auto& rects = KeptWindowRects();
    if (restore)
    {
        auto found = rects.find(window);
        if (found != rects.end())
        {
            const RECT& r = found->second;
            MoveWindow(window, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        }
        return TRUE;
    }
    RECT rect;
    if (!IsIconic(window) && IsWindowVisible(window) && GetWindowRect(window, &rect))
        rects[window] = rect;
    return TRUE;
}

// ---- overlays ----

DebugOverlays::~DebugOverlays()
{
    for (DDImage*& image : mImages)
        delete image;
    delete mFont;
}

void LumoAppBase::FreeDebugOverlays()
{
    delete mDebugOverlays;
    mDebugOverlays = nullptr;
}

namespace
{
// Redraws the overlay picture when its text changed; it is made on first use.
void WriteOverlay(LumoAppBase* app, DebugOverlays& overlays, int slot, const std::string& text)
{
    if (app->mDDInterface == nullptr)
        return;
    if (overlays.mFont == nullptr)
        overlays.mFont = app->CreateSysFont("Tahoma", 8, 0);
    if (overlays.mFont == nullptr)
        return;
    DDImage*& image = overlays.mImages[slot];
    if (image != nullptr && overlays.mTexts[slot] == text)
        return;
    // Text at x 2 with as much room after it: the last digit is never cut off.
    int width = std::max(int(DebugOverlays::kMinWidth), overlays.mFont->StringWidth(text) + 4);
    if (image == nullptr || image->mWidth != width)
    {
        delete image;
        image = new DDImage(app->mDDInterface);
        image->Create(width, overlays.mFont->GetHeight() + 4);
        image->SetVolatile(true);
        image->Clear();
    }
    overlays.mTexts[slot] = text;
    Graphics g(image);
    g.SetColor(kOverlayBack);
    g.FillRect(0, 0, image->mWidth, image->mHeight);
    g.SetFont(overlays.mFont);
    g.SetColor(kOverlayText);
    g.DrawString(text, 2, overlays.mFont->GetAscent());
}
} // namespace

void LumoAppBase::DrawFpsOverlay()
{
    DebugOverlays& o = Overlays(mDebugOverlays);
    o.mFrames++;
    if (o.mStopwatch.GetDuration() >= 1000 || o.mReset)
    {
        o.mStopwatch.Stop();
        double elapsed = o.mStopwatch.GetDuration();
        o.mFrameRate = o.mReset || elapsed <= 0 ? 0 : int(o.mFrames * 1000 / elapsed);
        o.mReset = false;
        o.mStopwatch.Start();
        o.mFrames = 0;
        WriteOverlay(this, o, DebugOverlays::kFps, FormatString("FPS: %d", o.mFrameRate));
    }
}

void LumoAppBase::DrawMouseOverlay(int x, int y)
{
    WriteOverlay(this, Overlays(mDebugOverlays), DebugOverlays::kMouse, FormatString("%d,%d", x, y));
}

void LumoAppBase::DrawDemoTimeOverlay()
{
    DebugOverlays& o = Overlays(mDebugOverlays);
    DWORD now = timeGetTime();
    if (o.mImages[DebugOverlays::kDemoTime] != nullptr && mUpdateMultiplier > 0 &&
        (double)(DWORD)(now - o.mLastDemoTimeTick) < 1000 / mUpdateMultiplier)
        return;
    o.mLastDemoTimeTick = now;
    long long left = (long long)mFrameTime * (mDemoLength - mUpdateCount);
    if (left < 0)
        left = 0;
    int seconds = int(left / 1000);
    WriteOverlay(this, o, DebugOverlays::kDemoTime,
                 FormatString("%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60));
}

void LumoAppBase::DrawDebugOverlays()
{
    if (!mShowDebugOverlay || mDDInterface == nullptr || mDDInterface->GetDrawSurfaceImage() == nullptr)
        return;
    if (mDebugOverlayMode == 1)
        DrawMouseOverlay(mWidgetManager ? mWidgetManager->mLastMouseX : 0,
                         mWidgetManager ? mWidgetManager->mLastMouseY : 0);
    else
        DrawFpsOverlay();
    if (mPlayingDemo)
        DrawDemoTimeOverlay();

    DDImage* main =
        mDebugOverlays->mImages[mDebugOverlayMode == 1 ? DebugOverlays::kMouse : DebugOverlays::kFps];
    if (main == nullptr)
        return;
    Graphics g(mDDInterface->GetDrawSurfaceImage());
    g.DrawImage(main, mWidth - main->mWidth - 10, mHeight - main->mHeight - 10);
    DDImage* demo = mDebugOverlays->mImages[DebugOverlays::kDemoTime];
    if (mPlayingDemo && demo != nullptr)
        g.DrawImage(demo, mWidth - demo->mWidth - 10, mHeight - main->mHeight - demo->mHeight - 15);
}
} // namespace Lumo
