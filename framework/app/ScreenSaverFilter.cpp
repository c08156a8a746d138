// Running as the system screen saver: the input that ends it, and the input it ignores.
#include "app/LumoAppBase.h"
#include "win32/windows.h"

namespace Lumo
{
namespace
{
// Small jitter of the pointer right after start-up is not the user.
constexpr int kMovesBeforeEnd = 4;
// A monitor switching its power state sends activation and pointer noise for a while.
constexpr DWORD kMonitorPowerQuiet = 1000;
} // namespace

void LumoAppBase::NoteSaverCommand()
{
    mSaverCommandSeen = true;
    mSaverCommandTime = GetTickCount();
}

bool LumoAppBase::ScreenSaverFilter(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!mSaverStarted)
    {
        // The window's first message: where the pointer rests now is not a move.
        mSaverStarted = true;
        GetCursorPos(&mSaverLastPos);
        SystemParametersInfoA(SPI_SCREENSAVERRUNNING, TRUE, nullptr, 0);
    }
    if (mSaverClosing)
        return false;

    bool powerQuiet = mSaverCommandSeen && GetTickCount() - mSaverCommandTime < kMonitorPowerQuiet;
    bool end = false;
    switch (msg)
    {
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0)
        {
        case SC_CLOSE:
        case SC_NEXTWINDOW:
        case SC_PREVWINDOW:
        case SC_SCREENSAVE:
            return true;
        case SC_MONITORPOWER:
            NoteSaverCommand();
            break;
        }
        return false;
    case WM_MOUSEMOVE:
    {
        if (powerQuiet)
            return false;
        POINT p{(short)LOWORD(lParam), (short)HIWORD(lParam)};
        ClientToScreen(hwnd, &p);
        if (p.x == mSaverLastPos.x && p.y == mSaverLastPos.y)
            return false;
        mSaverLastPos = p;
        if (++mSaverMoveCount < kMovesBeforeEnd)
            return true;
        end = true;
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        end = true;
        break;
    case WM_CLOSE:
        end = !powerQuiet;
        break;
    case WM_ACTIVATEAPP:
    case WM_ACTIVATE:
    case WM_NCACTIVATE:
        end = wParam == 0 && !powerQuiet;
        break;
    }
    if (!end || hwnd != mHWnd)
        return false;

    // No password check exists on this system: the saver ends at once.
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, FALSE, nullptr, 0);
    mSaverClosing = true;
    PostMessageA(mHWnd, WM_CLOSE, 0, 0);
    return false;
}
} // namespace Lumo
