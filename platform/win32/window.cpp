// Window classes and windows: one SDL window per shown top-level window.
#include "audio/SdlHints.h"
#include "core/faults.h"
#include "win32/gdi32.h"
#include "win32/host.h"
#include "win32/user32_internal.h"
#include "win32/x11_window_loss.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <strings.h>

namespace
{
using namespace Platform::User;

// Frame of a captioned window; the caption height doubles as SM_CYCAPTION.
constexpr int kFrame = 3;
constexpr int kCaption = 20;
constexpr int kMenu = 19;
// Position given to CW_USEDEFAULT.
constexpr int kDefaultPos = 64;
// How long after a window is shown its place is still the window manager's first placing.
constexpr uint32_t kPlacingMillis = 1000;
const HWND kDesktop = (HWND)(uintptr_t)0x10010;

struct NameLess
{
    bool operator()(const std::string& a, const std::string& b) const
    {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

std::map<std::string, std::shared_ptr<WindowClass>, NameLess> gClasses;
std::vector<std::shared_ptr<Window>> gWindows; // creation order
uintptr_t gNextHandle = 0x10020;
ATOM gNextAtom = 0xC000;
HWND gForeground = nullptr;
HWND gFocus = nullptr;
std::atomic<void (*)()> gPresent{nullptr};
std::atomic<void (*)(HWND)> gWindowGone{nullptr};
std::atomic<void (*)()> gInvalidate{nullptr};

std::shared_ptr<Window> FindLocked(HWND hwnd)
{
    for (auto& w : gWindows)
        if (w->handle == hwnd)
            return w;
    return nullptr;
}

// Runs `action` on a window with the table locked; FALSE for a handle that is no window.
template <typename Action> BOOL WithWindow(HWND hwnd, Action action)
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w)
        return FALSE;
    action(*w);
    return TRUE;
}

// Makes the SDL window of a top-level window. Called with the table lock held.
bool MakeHostWindow(Window& w)
{
    if (w.sdl)
        return true;
    if ((w.style & WS_CHILD) || !EnsureVideo() || !OnVideoThread())
        return false;
    SIZE size = ClientSize(w);
    POINT origin = ClientOrigin(w);
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if ((w.style & WS_CAPTION) != WS_CAPTION)
        flags |= SDL_WINDOW_BORDERLESS;
    if (w.exStyle & WS_EX_TOPMOST)
        flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    // The window's renderer draws through OpenGL where the display has it; made so from the
    // start, SDL need not make the window again when the renderer comes.
    static const bool openGL = HasRealDisplay() && !Platform::AddressSpaceLimited() && LoadOpenGL();
    if (openGL)
        flags |= SDL_WINDOW_OPENGL;
    w.sdl = SDL_CreateWindow(w.title.c_str(), origin.x, origin.y, std::max<int>(1, size.cx),
                             std::max<int>(1, size.cy), flags);
    if (!w.sdl)
    {
        SDL_Log("CreateWindowExA: %s", SDL_GetError());
        return false;
    }
    w.sdlId = SDL_GetWindowID(w.sdl);
    WatchHostWindow(w.sdl);
    if (w.cls && w.cls->wc.hIcon)
        ApplyHostIcon(w.sdl, w.cls->wc.hIcon);
    return true;
}

void Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool fromHost)
{
    if (fromHost)
        QueueSent(hwnd, message, wParam, lParam);
    else
        SendMessageA(hwnd, message, wParam, lParam);
}

LPARAM ClientSizeParam(const Window& w)
{
    SIZE size = ClientSize(w);
    return MAKELPARAM(size.cx, size.cy);
}

// A window manager is about to place the window: its place is overruled for a while. Only a
// real display has a window manager.
void ExpectPlacing(Window& w)
{
    if (!HasRealDisplay())
        return;
    w.placeUntil = SDL_GetTicks() + kPlacingMillis;
    w.placeTries = 0;
}
} // namespace

namespace Platform::User
{
std::recursive_mutex& TableLock()
{
    static std::recursive_mutex lock;
    return lock;
}

std::shared_ptr<Window> Find(HWND hwnd)
{
    if (!hwnd)
        return nullptr;
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    return FindLocked(hwnd);
}

HWND FromSdlId(uint32_t sdlId)
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    for (auto& w : gWindows)
        if (w->sdl && w->sdlId == sdlId)
            return w->handle;
    return nullptr;
}

std::vector<std::shared_ptr<Window>> AllWindows()
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    return gWindows;
}

RECT FrameInsets(DWORD style)
{
    if ((style & WS_CAPTION) == WS_CAPTION)
        return RECT{kFrame, kFrame + kCaption, kFrame, kFrame};
    if (style & (WS_BORDER | WS_DLGFRAME))
        return RECT{1, 1, 1, 1};
    return RECT{0, 0, 0, 0};
}

POINT ClientOrigin(const Window& w)
{
    RECT in = FrameInsets(w.style);
    return POINT{w.rect.left + in.left, w.rect.top + in.top};
}

SIZE ClientSize(const Window& w)
{
    RECT in = FrameInsets(w.style);
    LONG cx = w.rect.right - w.rect.left - in.left - in.right;
    LONG cy = w.rect.bottom - w.rect.top - in.top - in.bottom;
    return SIZE{std::max<LONG>(0, cx), std::max<LONG>(0, cy)};
}

void PlaceWindow(HWND hwnd, const RECT& rect, bool fromHost)
{
    bool moved, resized;
    LPARAM moveParam, sizeParam;
    {
        std::lock_guard<std::recursive_mutex> lock(TableLock());
        auto w = FindLocked(hwnd);
        if (!w)
            return;
        moved = rect.left != w->rect.left || rect.top != w->rect.top;
        resized = rect.right - rect.left != w->rect.right - w->rect.left ||
                  rect.bottom - rect.top != w->rect.bottom - w->rect.top;
        w->rect = rect;
        POINT origin = ClientOrigin(*w);
        SIZE size = ClientSize(*w);
        if (w->sdl && !fromHost && !w->fullScreen && OnVideoThread())
        {
            if (moved)
                SDL_SetWindowPosition(w->sdl, origin.x, origin.y);
            if (resized)
                SDL_SetWindowSize(w->sdl, std::max<int>(1, size.cx), std::max<int>(1, size.cy));
        }
        moveParam = MAKELPARAM(origin.x, origin.y);
        sizeParam = ClientSizeParam(*w);
        if (resized)
            w->needsPaint = w->needsErase = true;
    }
    if (moved)
        Deliver(hwnd, WM_MOVE, 0, moveParam, fromHost);
    if (resized)
        Deliver(hwnd, WM_SIZE, SIZE_RESTORED, sizeParam, fromHost);
}

void HostWindowLost(HWND hwnd)
{
    if (WithWindow(hwnd, [](Window& w) { w.hostLost = true; }))
        QueueSent(hwnd, WM_CLOSE, 0, 0);
}

void SetMinimized(HWND hwnd, bool minimized, bool fromHost)
{
    LPARAM sizeParam;
    {
        std::lock_guard<std::recursive_mutex> lock(TableLock());
        auto w = FindLocked(hwnd);
        if (!w || w->minimized == minimized)
            return;
        w->minimized = minimized;
        if (w->sdl && !w->hostLost && !fromHost && OnVideoThread())
        {
            if (minimized)
                SDL_MinimizeWindow(w->sdl);
            else
                SDL_RestoreWindow(w->sdl);
        }
        sizeParam = minimized ? 0 : ClientSizeParam(*w);
        if (!minimized)
            w->needsPaint = w->needsErase = true;
    }
    Deliver(hwnd, WM_SIZE, minimized ? SIZE_MINIMIZED : SIZE_RESTORED, sizeParam, fromHost);
}

bool KeepAskedPlace(HWND hwnd, int clientX, int clientY)
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w || !w->sdl || w->fullScreen || w->placeTries >= 3 ||
        SDL_TICKS_PASSED(SDL_GetTicks(), w->placeUntil))
        return false;
    POINT origin = ClientOrigin(*w);
    if (origin.x == clientX && origin.y == clientY)
        return false;
    // Now that the window manager has framed the window, SDL places its inside where asked.
    w->placeTries++;
    SDL_SetWindowPosition(w->sdl, origin.x, origin.y);
    return true;
}

void RunPresenter()
{
    if (auto present = gPresent.load())
        present();
}

void PresenterWindowGone(HWND hwnd)
{
    if (auto gone = gWindowGone.load())
        gone(hwnd);
}

void PresenterInvalidate()
{
    if (auto invalidate = gInvalidate.load())
        invalidate();
}

HWND InputWindow()
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    if (gFocus && FindLocked(gFocus))
        return gFocus;
    for (auto& w : gWindows)
        if (w->visible)
            return w->handle;
    return nullptr;
}
} // namespace Platform::User

namespace Platform
{
SDL_Window* HostWindow(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w || !MakeHostWindow(*w))
        return nullptr;
    return w->sdl;
}

HWND WindowFromHost(uint32_t sdlWindowId)
{
    return FromSdlId(sdlWindowId);
}

bool HasHostWindow(HWND hwnd)
{
    auto w = Find(hwnd);
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    return w && w->sdl;
}

bool SetHostFullScreen(HWND hwnd, bool fullScreen)
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w || !w->sdl || w->hostLost || !OnVideoThread())
        return false;
    if (w->fullScreen == fullScreen)
        return true;
    // Scaled to the whole desktop: the host keeps its own mode, the layer keeps the one asked.
    // With no window manager nobody resizes a window for full screen: it covers the display first.
    SDL_Rect display;
    if (fullScreen && SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(w->sdl)), &display) == 0)
    {
        SDL_SetWindowPosition(w->sdl, display.x, display.y);
        SDL_SetWindowSize(w->sdl, display.w, display.h);
    }
    if (SDL_SetWindowFullscreen(w->sdl, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
    {
        SDL_Log("full screen: %s", SDL_GetError());
        return false;
    }
    w->fullScreen = fullScreen;
    if (!fullScreen)
    {
        POINT origin = ClientOrigin(*w);
        SIZE size = ClientSize(*w);
        SDL_SetWindowSize(w->sdl, std::max<int>(1, size.cx), std::max<int>(1, size.cy));
        SDL_SetWindowPosition(w->sdl, origin.x, origin.y);
        // A window manager frames the window anew, and while it does SDL does not yet know the
        // frame: the window is put back where it was as when it was first shown.
        ExpectPlacing(*w);
    }
    return true;
}

void SetHostPresenter(const HostPresenter& presenter)
{
    gPresent = presenter.present;
    gWindowGone = presenter.windowGone;
    gInvalidate = presenter.invalidate;
}
} // namespace Platform

// ---- classes ---------------------------------------------------------------

ATOM WINAPI RegisterClassA(const WNDCLASSA* wndClass)
{
    if (!wndClass || !wndClass->lpszClassName || !*wndClass->lpszClassName || !wndClass->lpfnWndProc ||
        Platform::ShouldFail("RegisterClassA"))
        return 0;
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    if (gClasses.count(wndClass->lpszClassName))
        return 0;
    auto cls = std::make_shared<WindowClass>();
    cls->name = wndClass->lpszClassName;
    cls->wc = *wndClass;
    cls->wc.lpszClassName = nullptr; // the caller's string need not outlive the call
    cls->wc.lpszMenuName = nullptr;
    cls->atom = gNextAtom++;
    gClasses[cls->name] = cls;
    return cls->atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE)
{
    if (!className)
        return FALSE;
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    auto it = gClasses.find(className);
    if (it == gClasses.end())
        return FALSE;
    for (auto& w : gWindows)
        if (w->cls == it->second)
            return FALSE; // still in use, as Windows refuses it
    gClasses.erase(it);
    return TRUE;
}

// ---- windows ---------------------------------------------------------------

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU, HINSTANCE, LPVOID)
{
    if (!className || Platform::ShouldFail("CreateWindowExA"))
        return nullptr;
    // Without a display (and no headless driver asked for) there is nowhere to put a window.
    if (!(style & WS_CHILD) && !EnsureVideo())
        return nullptr;
    HWND handle;
    {
        std::lock_guard<std::recursive_mutex> lock(TableLock());
        auto cls = gClasses.find(className);
        if (cls == gClasses.end() || (parent && !FindLocked(parent)))
            return nullptr;
        if (x == CW_USEDEFAULT)
            x = y = kDefaultPos;
        if (width == CW_USEDEFAULT)
            width = height = 0;
        auto w = std::make_shared<Window>();
        handle = w->handle = (HWND)gNextHandle;
        gNextHandle += 0x10;
        w->cls = cls->second;
        w->proc = cls->second->wc.lpfnWndProc;
        w->style = style & ~WS_VISIBLE;
        w->exStyle = exStyle;
        w->title = windowName ? windowName : "";
        w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
        gWindows.push_back(w);
    }
    if ((style & WS_VISIBLE) && !(style & WS_CHILD))
    {
        if (!Platform::HostWindow(handle))
        {
            DestroyWindow(handle);
            return nullptr;
        }
        ShowWindow(handle, SW_SHOW);
    }
    return handle;
}

BOOL WINAPI IsWindow(HWND hwnd)
{
    return Find(hwnd) != nullptr;
}

BOOL WINAPI DestroyWindow(HWND hwnd)
{
    auto w = Find(hwnd);
    if (!w)
        return FALSE;
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    SDL_Window* sdl = nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(TableLock());
        auto it = std::find(gWindows.begin(), gWindows.end(), w);
        if (it == gWindows.end())
            return TRUE; // destroyed again from its own WM_DESTROY
        gWindows.erase(it);
        if (OnVideoThread())
            sdl = w->sdl;
        w->sdl = nullptr;
        if (gForeground == hwnd)
            gForeground = nullptr;
        if (gFocus == hwnd)
            gFocus = nullptr;
    }
    // The display lets go of the window first; it takes its own locks, never under the table's.
    if (sdl)
    {
        PresenterWindowGone(hwnd);
        UnwatchHostWindow(sdl);
        DestroyHostWindow(sdl);
    }
    ForgetWindowMessages(hwnd);
    ForgetCaptureOf(hwnd);
    return TRUE;
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow)
{
    auto w = Find(hwnd);
    if (!w)
        return FALSE;
    bool wasVisible;
    bool minimize = cmdShow == SW_MINIMIZE || cmdShow == SW_SHOWMINIMIZED || cmdShow == SW_SHOWMINNOACTIVE;
    bool activate = cmdShow == SW_SHOW || cmdShow == SW_SHOWNORMAL || cmdShow == SW_RESTORE ||
                    cmdShow == SW_SHOWMAXIMIZED || cmdShow == SW_SHOWDEFAULT || cmdShow == SW_SHOWMINIMIZED;
    {
        std::lock_guard<std::recursive_mutex> lock(TableLock());
        wasVisible = w->visible;
        if (cmdShow == SW_HIDE || w->hostLost)
        {
            w->visible = cmdShow != SW_HIDE;
            if (w->sdl && !w->hostLost && OnVideoThread())
                SDL_HideWindow(w->sdl);
            return wasVisible;
        }
        if (!MakeHostWindow(*w) && !(w->style & WS_CHILD) && OnVideoThread())
            return wasVisible;
        if (!w->visible)
            w->needsPaint = w->needsErase = true;
        w->visible = true;
        if (w->sdl && OnVideoThread())
        {
            if (!wasVisible)
                ExpectPlacing(*w);
            SDL_ShowWindow(w->sdl);
            if (activate && !minimize)
                SDL_RaiseWindow(w->sdl);
        }
        if (activate)
        {
            gForeground = hwnd;
            gFocus = hwnd;
        }
    }
    if (minimize)
        SetMinimized(hwnd, true, false);
    else if (cmdShow == SW_RESTORE || cmdShow == SW_SHOWNORMAL)
        SetMinimized(hwnd, false, false);
    return wasVisible;
}

// Other threads ask these too; the fields are read under the table lock.
BOOL WINAPI IsWindowVisible(HWND hwnd)
{
    bool visible = false;
    WithWindow(hwnd, [&](Window& w) { visible = w.visible; });
    return visible;
}

BOOL WINAPI IsIconic(HWND hwnd)
{
    bool minimized = false;
    WithWindow(hwnd, [&](Window& w) { minimized = w.minimized; });
    return minimized;
}

BOOL WINAPI MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    if (!Find(hwnd))
        return FALSE;
    PlaceWindow(hwnd, RECT{x, y, x + std::max(0, width), y + std::max(0, height)}, false);
    if (repaint)
        InvalidateRect(hwnd, nullptr, TRUE);
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    auto w = Find(hwnd);
    if (!w)
        return FALSE;
    RECT rect;
    {
        std::lock_guard<std::recursive_mutex> lock(TableLock());
        rect = w->rect;
        if (!(flags & SWP_NOZORDER) && (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST))
        {
            bool top = insertAfter == HWND_TOPMOST;
            w->exStyle = top ? (w->exStyle | WS_EX_TOPMOST) : (w->exStyle & ~WS_EX_TOPMOST);
            if (w->sdl && OnVideoThread())
                SDL_SetWindowAlwaysOnTop(w->sdl, top ? SDL_TRUE : SDL_FALSE);
        }
    }
    if (!(flags & SWP_NOMOVE))
    {
        rect.right += x - rect.left;
        rect.bottom += y - rect.top;
        rect.left = x;
        rect.top = y;
    }
    if (!(flags & SWP_NOSIZE))
    {
        rect.right = rect.left + std::max(0, width);
        rect.bottom = rect.top + std::max(0, height);
    }
    PlaceWindow(hwnd, rect, false);
    if (flags & SWP_SHOWWINDOW)
        ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW)
        ShowWindow(hwnd, SW_HIDE);
    return TRUE;
}

BOOL WINAPI GetClientRect(HWND hwnd, LPRECT rect)
{
    if (!rect)
        return FALSE;
    if (hwnd == kDesktop)
        return GetWindowRect(hwnd, rect);
    return WithWindow(hwnd,
                      [&](Window& w)
                      {
                          SIZE size = ClientSize(w);
                          *rect = RECT{0, 0, size.cx, size.cy};
                      });
}

BOOL WINAPI GetWindowRect(HWND hwnd, LPRECT rect)
{
    if (!rect)
        return FALSE;
    if (hwnd == kDesktop)
    {
        *rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        return TRUE;
    }
    return WithWindow(hwnd, [&](Window& w) { *rect = w.rect; });
}

// Moves a point by the window's client origin, in the given direction.
static BOOL OffsetByClientOrigin(HWND hwnd, LPPOINT point, int direction)
{
    if (!point)
        return FALSE;
    return WithWindow(hwnd,
                      [&](Window& w)
                      {
                          POINT origin = ClientOrigin(w);
                          point->x += direction * origin.x;
                          point->y += direction * origin.y;
                      });
}

BOOL WINAPI ClientToScreen(HWND hwnd, LPPOINT point)
{
    return OffsetByClientOrigin(hwnd, point, 1);
}

BOOL WINAPI ScreenToClient(HWND hwnd, LPPOINT point)
{
    return OffsetByClientOrigin(hwnd, point, -1);
}

BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu)
{
    if (!rect)
        return FALSE;
    RECT in = FrameInsets(style);
    rect->left -= in.left;
    rect->top -= in.top + (menu ? kMenu : 0);
    rect->right += in.right;
    rect->bottom += in.bottom;
    return TRUE;
}

BOOL WINAPI GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement)
{
    if (!placement)
        return FALSE;
    return WithWindow(hwnd,
                      [&](Window& w)
                      {
                          placement->flags = 0;
                          placement->showCmd = w.minimized ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
                          placement->ptMinPosition = POINT{-1, -1};
                          placement->ptMaxPosition = POINT{-1, -1};
                          placement->rcNormalPosition = w.rect;
                      });
}

BOOL WINAPI SetForegroundWindow(HWND hwnd)
{
    return WithWindow(hwnd,
                      [&](Window& w)
                      {
                          if (w.sdl && w.visible && OnVideoThread())
                              SDL_RaiseWindow(w.sdl);
                          gForeground = gFocus = hwnd;
                      });
}

HWND WINAPI GetForegroundWindow()
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    return gForeground;
}

HWND WINAPI GetActiveWindow()
{
    return GetForegroundWindow();
}

HWND WINAPI SetFocus(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    HWND previous = gFocus;
    if (hwnd && !FindLocked(hwnd))
        return nullptr;
    gFocus = hwnd;
    return previous;
}

HWND WINAPI GetFocus()
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    return gFocus;
}

HWND WINAPI WindowFromPoint(POINT point)
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    auto inside = [&](const Window& w)
    {
        return w.visible && !w.minimized && !(w.style & WS_CHILD) && point.x >= w.rect.left &&
               point.x < w.rect.right && point.y >= w.rect.top && point.y < w.rect.bottom;
    };
    auto fg = FindLocked(gForeground);
    if (fg && inside(*fg))
        return fg->handle;
    for (auto it = gWindows.rbegin(); it != gWindows.rend(); ++it)
        if (inside(**it))
            return (*it)->handle;
    return nullptr;
}

HWND WINAPI GetDesktopWindow()
{
    return kDesktop;
}

BOOL WINAPI EnumWindows(WNDENUMPROC enumFunc, LPARAM lParam)
{
    if (!enumFunc)
        return FALSE;
    // Newest first, as Windows lists them from the top; the callback may destroy windows.
    auto windows = AllWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (!((*it)->style & WS_CHILD) && IsWindow((*it)->handle) && !enumFunc((*it)->handle, lParam))
            break;
    return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND hwnd, LPCSTR text)
{
    return WithWindow(hwnd,
                      [&](Window& w)
                      {
                          w.title = text ? text : "";
                          if (w.sdl && OnVideoThread())
                              SDL_SetWindowTitle(w.sdl, w.title.c_str());
                      });
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value)
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w)
        return 0;
    LONG_PTR previous = 0;
    switch (index)
    {
    case GWLP_USERDATA:
        previous = w->userData;
        w->userData = value;
        break;
    case GWLP_WNDPROC:
        previous = (LONG_PTR)w->proc;
        if (value)
            w->proc = (WNDPROC)value;
        break;
    case GWL_STYLE:
        previous = (LONG_PTR)(w->style | (w->visible ? WS_VISIBLE : 0));
        w->style = (DWORD)value & ~WS_VISIBLE;
        break;
    case GWL_EXSTYLE:
        previous = w->exStyle;
        w->exStyle = (DWORD)value;
        break;
    default:
        break;
    }
    return previous;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index)
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    auto w = FindLocked(hwnd);
    if (!w)
        return 0;
    switch (index)
    {
    case GWLP_USERDATA:
        return w->userData;
    case GWLP_WNDPROC:
        return (LONG_PTR)w->proc;
    case GWL_STYLE:
        return (LONG_PTR)(w->style | (w->visible ? WS_VISIBLE : 0) | (w->minimized ? WS_MINIMIZE : 0));
    case GWL_EXSTYLE:
        return w->exStyle;
    default:
        return 0;
    }
}

LONG_PTR WINAPI SetWindowLongA(HWND hwnd, int index, LONG_PTR value)
{
    return SetWindowLongPtrA(hwnd, index, value);
}

LONG_PTR WINAPI GetWindowLongA(HWND hwnd, int index)
{
    return GetWindowLongPtrA(hwnd, index);
}

// ---- painting --------------------------------------------------------------

BOOL WINAPI InvalidateRect(HWND hwnd, const RECT*, BOOL erase)
{
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    if (!hwnd)
    {
        for (auto& w : gWindows)
            w->needsPaint = true, w->needsErase = w->needsErase || erase;
        return TRUE;
    }
    auto w = FindLocked(hwnd);
    if (!w)
        return FALSE;
    w->needsPaint = true;
    w->needsErase = w->needsErase || erase;
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND hwnd, const RECT*)
{
    return WithWindow(hwnd, [&](Window& w) { w.needsPaint = w.needsErase = false; });
}

BOOL WINAPI UpdateWindow(HWND hwnd)
{
    auto w = Find(hwnd);
    if (!w)
        return FALSE;
    bool paint;
    {
        std::lock_guard<std::recursive_mutex> lock(TableLock());
        paint = w->needsPaint && w->visible;
    }
    if (paint)
        SendMessageA(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

HDC WINAPI BeginPaint(HWND hwnd, LPPAINTSTRUCT paint)
{
    auto w = Find(hwnd);
    if (!w || !paint)
        return nullptr;
    bool erase;
    {
        std::lock_guard<std::recursive_mutex> lock(TableLock());
        erase = w->needsErase;
        w->needsPaint = w->needsErase = false;
        SIZE size = ClientSize(*w);
        *paint = PAINTSTRUCT{};
        paint->rcPaint = RECT{0, 0, size.cx, size.cy};
    }
    paint->hdc = GetDC(hwnd);
    // As Windows does: the background is erased first, and fErase tells whether it still needs it.
    paint->fErase = erase ? SendMessageA(hwnd, WM_ERASEBKGND, (WPARAM)paint->hdc, 0) == 0 : FALSE;
    return paint->hdc;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT* paint)
{
    if (paint)
        ReleaseDC(hwnd, paint->hdc);
    return TRUE;
}
