// The window procedure and the application's input queue.
#include "app/Common.h"
#include "app/DebugOverlays.h"
#include "app/LumoAppBase.h"
#include "widgets/WidgetManager.h"

#include <algorithm>
#include <iterator>

namespace Lumo
{
namespace
{
bool IsMouseMessage(UINT msg)
{
    return msg >= WM_MOUSEMOVE && msg <= WM_MBUTTONUP;
}

bool IsQueuedMessage(UINT msg)
{
    switch (msg)
    {
    case WM_MOVE:
    case WM_SIZE:
    case WM_CLOSE:
    case WM_ACTIVATEAPP:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_TIMER:
    case WM_MOUSEWHEEL:
        return true;
    default:
        return IsMouseMessage(msg);
    }
}

// Click count of a button message as the widgets take it (0: not a button message).
int ButtonCode(UINT msg, bool* down)
{
    *down = true;
    switch (msg)
    {
    case WM_LBUTTONDOWN:
        return 1;
    case WM_LBUTTONDBLCLK:
        return 2;
    case WM_RBUTTONDOWN:
        return -1;
    case WM_RBUTTONDBLCLK:
        return -2;
    case WM_MBUTTONDOWN:
        return 3;
    }
    *down = false;
    switch (msg)
    {
    case WM_LBUTTONUP:
        return 1;
    case WM_RBUTTONUP:
        return -1;
    case WM_MBUTTONUP:
        return 3;
    }
    return 0;
}

// The button bit of the held-button mask for an up message.
int HeldBit(int code)
{
    return code == 1 ? 1 : code == -1 ? 2 : 4;
}

// The position as the message gives it: signed, so that a pointer captured beyond the left or
// top edge stays outside.
POINT MessagePosition(LPARAM lParam)
{
    POINT p;
    p.x = (short)LOWORD(lParam);
    p.y = (short)HIWORD(lParam);
    return p;
}
} // namespace

LRESULT CALLBACK LumoAppBase::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* app = reinterpret_cast<LumoAppBase*>(GetWindowLongPtrA(hwnd, GWL_USERDATA));
    if (app == nullptr)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return app->HandleWindowMessage(hwnd, msg, wParam, lParam);
}

LRESULT LumoAppBase::HandleWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (mScreenSaverMode && ScreenSaverFilter(hwnd, msg, wParam, lParam))
        return 0;
    switch (msg)
    {
    case WM_DESTROY:
        OutputDebugStringA(FormatString("DESTROYED HWND: %d\r\n", (int)(intptr_t)hwnd).c_str());
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_PAINT:
        if (mInitialized && !mWindowHidden)
        {
            PAINTSTRUCT paint;
            BeginPaint(hwnd, &paint);
            if (mInMainLoop)
                Redraw(nullptr);
            EndPaint(hwnd, &paint);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_ERASEBKGND:
        return 0;
    case WM_ENDSESSION:
        Shutdown();
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_SETCURSOR:
        if (!mWindowHidden)
            ApplyCursor();
        return 0;
    case WM_NCLBUTTONDOWN:
        // Dragging the window must not cause a burst of catch-up updates afterwards.
        DefWindowProcA(hwnd, msg, wParam, lParam);
        ResetTimeAccumulator();
        return 0;
    case WM_SYSCHAR:
        if (IsAltKeyUsed(wParam))
            return 0;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_SCREENSAVE)
            NoteSaverCommand();
        if ((wParam & 0xFFF0) == SC_SCREENSAVE && !(mAllowScreenSaver && mLoadingDoneHandled))
            return 0;
        if ((wParam & 0xFFF0) == SC_MONITORPOWER && !(mLoadingDoneHandled && mIsPhysWindowed))
            return 0;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_ACTIVATEAPP:
        if (hwnd == mHWnd && !mPlayingDemo)
            mActive = wParam != 0;
        break;
    }

    if (!IsQueuedMessage(msg))
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    if (mPopupActive)
    {
        // A close asked for while a box is up is kept for the next timed update.
        if (msg == WM_CLOSE)
        {
            mCloseRequested = true;
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    bool keyDown = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
    if (keyDown || msg == WM_KEYUP || msg == WM_SYSKEYUP)
    {
        if (wParam == VK_CONTROL)
            mCtrlDown = keyDown;
        else if (wParam == VK_MENU)
            mAltDown = keyDown;
        else if (wParam == VK_SHIFT)
            mShiftDown = keyDown;
        if (keyDown && DebugKeyDownEx(wParam, mCtrlDown))
            return 0;
    }
    if (mPlayingDemo)
    {
        // F10 and Shift+F10 arrive as system keys: without them a freeze could not be undone.
        if (keyDown)
            HandleDebugKey(wParam);
        else if (msg == WM_CHAR)
            HandlePlaybackChar((char)wParam);
    }

    MSG queued{};
    queued.hwnd = hwnd;
    queued.message = msg;
    queued.wParam = wParam;
    queued.lParam = lParam;
    queued.time = GetTickCount();
    bool appended = QueueMessage(queued);

    if (msg == WM_SYSKEYDOWN)
    {
        if (wParam == VK_RETURN && !mWindowedFailed && !mFullScreenFailed)
        {
            // Alt+Enter switches the mode and is not input; only the message just appended goes.
            if (appended)
                mMessageQueue.pop_back();
            SetWindowed(!mIsWindowed);
            ClearKeyStates();
            return 0;
        }
        if (wParam != VK_F4)
            return 0;
    }
    if (msg == WM_CLOSE)
    {
        OnCloseHook();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool LumoAppBase::QueueMessage(const MSG& msg)
{
    if (!mMessageQueue.empty())
    {
        UINT last = mMessageQueue.back().message;
        if (last == WM_CLOSE || (msg.message == WM_TIMER && last == WM_TIMER))
            return false;
    }
    mMessageQueue.push_back(msg);
    return true;
}

void LumoAppBase::RecordMessage(const MSG& msg)
{
    int update = mUpdateCount;
    bool isAppWindow = msg.hwnd == mHWnd || msg.hwnd == mInvisHWnd;
    switch (msg.message)
    {
    case WM_ACTIVATEAPP:
        // The flag the handler acts on: the window procedure took every activation that arrived
        // since, and one that went and came back before the queue was read was never acted on.
        if (msg.hwnd == mHWnd)
            mDemo.RecordActivate(update, mActive);
        return;
    case WM_SIZE:
        RecordMinimized(msg.wParam == SIZE_MINIMIZED);
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        mDemo.RecordKey(update, DEMO_KEY_DOWN, (int)(msg.wParam & 0xFF));
        return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        mDemo.RecordKey(update, DEMO_KEY_UP, (int)(msg.wParam & 0xFF));
        return;
    case WM_CHAR:
        mDemo.RecordKey(update, DEMO_KEY_CHAR, (int)(msg.wParam & 0xFF));
        return;
    case WM_CLOSE:
        if (isAppWindow)
            mDemo.RecordEvent(update, DEMO_CLOSE);
        return;
    case WM_MOUSEWHEEL:
        mDemo.RecordWheel(update, DemoWheelNotches((short)HIWORD(msg.wParam)));
        return;
    }
    if (IsMouseMessage(msg.message))
    {
        bool down;
        int code = ButtonCode(msg.message, &down);
        POINT p = MessagePosition(msg.lParam);
        mDemo.RecordMouse(update, p.x, p.y, code, down);
    }
}

void LumoAppBase::RecordMinimized(bool minimized)
{
    // The focus handling that follows reads the activation the window procedure already took,
    // ahead of its own queued message: the player must have it first.
    if (mActive != mDemo.mRecordedActive)
        mDemo.RecordActivate(mUpdateCount, mActive);
    mDemo.RecordMinimized(mUpdateCount, minimized);
}

bool LumoAppBase::ProcessDeferredMessages()
{
    if (mMessageQueue.empty())
        return false;
    MSG msg = mMessageQueue.front();
    mMessageQueue.pop_front();
    if (mRecordingDemo && !mShutdown)
        RecordMessage(msg);

    bool isAppWindow = msg.hwnd == mHWnd || msg.hwnd == mInvisHWnd;
    if (msg.message == WM_CLOSE && isAppWindow)
    {
        mCloseMessageSeen = true;
        Shutdown();
    }
    else if (mPlayingDemo)
    {
        // Live input is replayed from the demo, but a pending web link is still judged.
        if (msg.message == WM_TIMER && mInMainLoop && !mWindowHidden)
            UrlOpenWatchdog();
    }
    else
    {
        WidgetManager* widgets = mWidgetManager;
        switch (msg.message)
        {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            mLastInputTime = mLastTimerTime;
            if (msg.wParam == 'D' && widgets && widgets->mKeyDown[VK_CONTROL] && widgets->mKeyDown[VK_MENU])
            {
                mDebugKeysEnabled = !mDebugKeysEnabled;
                PlayCommandSound();
            }
            else if (!(mDebugKeysEnabled && HandleDebugKey(msg.wParam)) && widgets)
                widgets->KeyDown((int)msg.wParam);
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            mLastInputTime = mLastTimerTime;
            if (widgets)
                widgets->KeyUp((int)msg.wParam);
            break;
        case WM_CHAR:
            mLastInputTime = mLastTimerTime;
            if (widgets)
                widgets->KeyChar((char)msg.wParam);
            break;
        case WM_MOVE:
            if (msg.hwnd == mHWnd && mIsPhysWindowed)
            {
                WINDOWPLACEMENT placement{};
                placement.length = sizeof placement;
                if (GetWindowPlacement(mHWnd, &placement) &&
                    (placement.showCmd == SW_SHOWNORMAL || placement.showCmd == SW_SHOW))
                {
                    mPreferredX = placement.rcNormalPosition.left;
                    mPreferredY = placement.rcNormalPosition.top;
                }
            }
            break;
        case WM_SIZE:
            if (msg.hwnd == mHWnd && !mShutdown && (msg.wParam == SIZE_MINIMIZED) != mMinimized)
                HandleSizeMessage(msg.wParam == SIZE_MINIMIZED);
            break;
        case WM_ACTIVATEAPP:
            if (msg.hwnd == mHWnd && !mWindowHidden && !mShutdown)
                HandleActivation();
            break;
        case WM_TIMER:
            if (mInMainLoop && !mWindowHidden)
                HandleTimerMessage(msg);
            break;
        case WM_MOUSEWHEEL:
            if (widgets)
                widgets->MouseWheel(DemoWheelNotches((short)HIWORD(msg.wParam)));
            break;
        default:
            if (IsMouseMessage(msg.message) && !mWindowHidden)
                HandleMouseMessage(msg);
            break;
        }
    }
    return !mMessageQueue.empty();
}

void LumoAppBase::HandleMouseMessage(const MSG& msg)
{
    POINT p = MessagePosition(msg.lParam);
    mLastInputTime = mLastTimerTime;
    if (mWidgetManager)
        mWidgetManager->MouseMove(p.x, p.y);
    if (!mMouseIn)
    {
        mMouseIn = true;
        if (mRecordingDemo && !mShutdown)
            mDemo.RecordEvent(mUpdateCount, DEMO_MOUSE_ENTER);
        ApplyCursor();
    }
    bool down;
    int code = ButtonCode(msg.message, &down);
    if (code == 0 || mWidgetManager == nullptr)
        return;
    if (down)
    {
        SetCapture(mHWnd);
        mWidgetManager->MouseDown(p.x, p.y, code);
    }
    else
    {
        if ((mWidgetManager->mActualDownButtons & ~HeldBit(code)) == 0)
            ReleaseCapture();
        mWidgetManager->MouseUp(p.x, p.y, code);
    }
}

void LumoAppBase::HandleTimerMessage(const MSG& msg)
{
    UrlOpenWatchdog();

    POINT cursor;
    RECT client;
    bool inside = false;
    if (GetCursorPos(&cursor) && WindowFromPoint(cursor) == msg.hwnd && GetClientRect(msg.hwnd, &client))
    {
        POINT topLeft{client.left, client.top};
        POINT bottomRight{client.right, client.bottom};
        ClientToScreen(msg.hwnd, &topLeft);
        ClientToScreen(msg.hwnd, &bottomRight);
        inside = cursor.x >= topLeft.x && cursor.y >= topLeft.y && cursor.x < bottomRight.x &&
                 cursor.y < bottomRight.y;
    }
    if (inside == mMouseIn)
        return;
    if (mRecordingDemo && !mShutdown)
        mDemo.RecordEvent(mUpdateCount, inside ? DEMO_MOUSE_ENTER : DEMO_MOUSE_EXIT);
    if (!inside && mWidgetManager)
        mWidgetManager->MouseExit();
    mMouseIn = inside;
    ApplyCursor();
}

void LumoAppBase::HandleSizeMessage(bool minimized)
{
    mMinimized = minimized;
    if (minimized)
    {
        if (mMuteOnLostFocus)
            Mute(true);
    }
    else
    {
        if (mMuteOnLostFocus)
            Unmute(true);
        if (mWidgetManager)
            mWidgetManager->MarkTreeDirty();
    }
    UpdateFocus();
}

void LumoAppBase::HandleActivation()
{
    UpdateFocus();
    if (mActive && !mIsPhysWindowed && mWidgetManager)
        mWidgetManager->MarkTreeDirty();
    if (mWaitingForUrlOpen && !mActive)
    {
        const std::string url = mPendingUrl;
        OnUrlOpened(url); // the browser took the focus
    }
}

void LumoAppBase::UpdateFocus()
{
    bool hasFocus = mActive && !mMinimized;
    if (hasFocus == mHasFocus)
        return;
    mHasFocus = hasFocus;
    if (hasFocus)
    {
        if (mMuteOnLostFocus)
            Unmute(true);
        if (mWidgetManager)
            mWidgetManager->GotFocus();
        GotFocus();
        return;
    }
    if (mMuteOnLostFocus)
        Mute(true);
    if (mWidgetManager)
        mWidgetManager->LostFocus();
    LostFocus();
    ReleaseCapture();
    if (mWidgetManager && mWidgetManager->mDownButtons != 0)
        mWidgetManager->ReleaseDownWidget();
}

void LumoAppBase::ClearKeyStates()
{
    if (mWidgetManager)
        std::fill(std::begin(mWidgetManager->mKeyDown), std::end(mWidgetManager->mKeyDown), false);
    mCtrlDown = false;
    mAltDown = false;
    mShiftDown = false;
}
} // namespace Lumo
