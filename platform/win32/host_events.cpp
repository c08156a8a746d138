// SDL events become window messages with wParam / lParam as Windows gives them.
#include "win32/keymap.h"
#include "win32/user32_internal.h"
#include "win32/x11_keyboard.h"
#include "win32/x11_window_loss.h"

#include <cstdlib>

namespace
{
using namespace Platform::User;

struct InputState
{
    bool keys[256] = {};
    bool rightAltIsAlt = false; // as the layout had it when right Alt went down
    WPARAM buttons = 0;         // MK_ bits of the held buttons
    LPARAM lastKeyParam = 1;
    bool appActive = false;
    // The last press, for double clicks.
    int lastButton = 0;
    DWORD lastPressTime = 0;
    POINT lastPressPoint{};
    bool lastWasDouble = false;
};
InputState gInput;

POINT ScreenPoint(HWND hwnd, int x, int y)
{
    POINT pt{x, y};
    ClientToScreen(hwnd, &pt);
    return pt;
}

LPARAM ClientParam(HWND hwnd, POINT screen)
{
    ScreenToClient(hwnd, &screen);
    return MAKELPARAM(screen.x, screen.y);
}

WPARAM MouseKeys()
{
    return gInput.buttons | (ShiftHeld() ? MK_SHIFT : 0) | (ControlHeld() ? MK_CONTROL : 0);
}

HWND EventWindow(uint32_t sdlId)
{
    HWND hwnd = FromSdlId(sdlId);
    return hwnd ? hwnd : InputWindow();
}

void OnKey(const SDL_KeyboardEvent& e, bool down)
{
    HWND hwnd = EventWindow(e.windowID);
    if (!hwnd)
        return;
    KeyCode key = MapKey(e.keysym);
    // SDL reports AltGr as right Alt. AltGr types characters and has no key of its own here.
    if (e.keysym.scancode == SDL_SCANCODE_RALT)
    {
        SDL_Window* window = SDL_GetWindowFromID(e.windowID);
        if (down)
            gInput.rightAltIsAlt = RightAltIsAlt(window ? window : SDL_GetKeyboardFocus());
        if (!gInput.rightAltIsAlt)
            key.vk = 0;
    }
    if (key.vk == 0)
        return;
    Uint16 altMods = gInput.rightAltIsAlt ? KMOD_ALT : KMOD_LALT;
    bool alt = gInput.keys[VK_MENU] || (e.keysym.mod & altMods) || (down && key.vk == VK_MENU);
    bool ctrl = gInput.keys[VK_CONTROL] || (e.keysym.mod & KMOD_CTRL);
    // Alt combinations and F10 are system keys; with Control held they are ordinary ones.
    bool system = (alt || key.vk == VK_F10) && !ctrl;
    bool previous = down ? (e.repeat || gInput.keys[key.vk]) : true;
    LPARAM lParam = 1 | ((LPARAM)(key.scan & 0xFF) << 16) | (key.extended ? 1 << 24 : 0) |
                    (system && alt ? 1 << 29 : 0) | (previous ? 1 << 30 : 0) | (down ? 0 : (LPARAM)1u << 31);
    lParam = (LPARAM)(DWORD)lParam; // lParam carries the 32 bits Windows gives, unsigned
    gInput.keys[key.vk] = down;
    if (down)
        gInput.lastKeyParam = lParam;
    UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    POINT pt{};
    GetCursorPos(&pt);
    PostInput(hwnd, message, key.vk, lParam, pt);
    NoteInput();
}

void OnText(const SDL_TextInputEvent& e)
{
    HWND hwnd = EventWindow(e.windowID);
    if (!hwnd)
        return;
    // Text typed with Alt is a menu key (WM_SYSCHAR); with AltGr it stays ordinary text.
    bool system = gInput.keys[VK_MENU] && !gInput.keys[VK_CONTROL];
    POINT pt{};
    GetCursorPos(&pt);
    // One character per Latin-1 code point; others have no single-byte form and are dropped.
    const unsigned char* s = (const unsigned char*)e.text;
    while (*s)
    {
        unsigned cp;
        int len;
        if (*s < 0x80)
            cp = *s, len = 1;
        else if ((*s & 0xE0) == 0xC0 && (s[1] & 0xC0) == 0x80)
            cp = ((*s & 0x1Fu) << 6) | (s[1] & 0x3Fu), len = 2;
        else
        {
            len = 1;
            while ((s[len] & 0xC0) == 0x80)
                len++;
            cp = 0x100;
        }
        s += len;
        if (cp < 0x100 && cp >= 0x20)
            PostInput(hwnd, system ? WM_SYSCHAR : WM_CHAR, cp, gInput.lastKeyParam, pt);
    }
    NoteInput();
}

// The window a pointer event goes to (the capture window, if any) and the pointer's screen
// position, which becomes the cached pointer; null when the event has no window.
HWND PointerTarget(uint32_t sdlId, int x, int y, POINT* screen)
{
    HWND source = EventWindow(sdlId);
    if (!source)
        return nullptr;
    *screen = ScreenPoint(source, x, y);
    CacheCursorPos(screen->x, screen->y);
    HWND capture = GetCapture();
    return capture ? capture : source;
}

void OnMotion(const SDL_MouseMotionEvent& e)
{
    POINT screen;
    HWND target = PointerTarget(e.windowID, e.x, e.y, &screen);
    if (!target)
        return;
    PostInput(target, WM_MOUSEMOVE, MouseKeys(), ClientParam(target, screen), screen);
    NoteInput();
}

void OnButton(const SDL_MouseButtonEvent& e, bool down)
{
    static const WPARAM kMask[] = {0, MK_LBUTTON, MK_MBUTTON, MK_RBUTTON};
    static const UINT kDown[] = {0, WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
    if (e.button < 1 || e.button > 3)
        return;
    POINT screen;
    HWND target = PointerTarget(e.windowID, e.x, e.y, &screen);
    if (!target)
        return;
    UINT message = kDown[e.button]; // down; +1 up; +2 double click
    if (down)
    {
        gInput.buttons |= kMask[e.button];
        DWORD now = NowMillis();
        auto w = Find(target);
        bool dblClass = w && w->cls && (w->cls->wc.style & CS_DBLCLKS);
        bool near = std::abs(screen.x - gInput.lastPressPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                    std::abs(screen.y - gInput.lastPressPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
        bool quick = now - gInput.lastPressTime <= GetDoubleClickTime();
        bool second = gInput.lastButton == e.button && !gInput.lastWasDouble && (near && quick);
        gInput.lastWasDouble = second && dblClass;
        if (gInput.lastWasDouble)
            message += 2;
        gInput.lastButton = e.button;
        gInput.lastPressTime = now;
        gInput.lastPressPoint = screen;
    }
    else
    {
        gInput.buttons &= ~kMask[e.button];
        message += 1;
    }
    PostInput(target, message, MouseKeys(), ClientParam(target, screen), screen);
    NoteInput();
}

void OnWheel(const SDL_MouseWheelEvent& e)
{
    HWND hwnd = EventWindow(e.windowID);
    int notches = e.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.y : e.y;
    if (!hwnd || notches == 0)
        return;
    POINT pt{};
    GetCursorPos(&pt);
    WPARAM wParam = MAKEWPARAM(MouseKeys(), (WORD)(short)(notches * WHEEL_DELTA));
    PostInput(hwnd, WM_MOUSEWHEEL, wParam, MAKELPARAM(pt.x, pt.y), pt);
    NoteInput();
}

void OnWindow(const SDL_WindowEvent& e)
{
    HWND hwnd = FromSdlId(e.windowID);
    auto w = Find(hwnd);
    if (!w)
        return;
    switch (e.event)
    {
    case SDL_WINDOWEVENT_EXPOSED:
        InvalidateRect(hwnd, nullptr, FALSE);
        PresenterInvalidate();
        break;
    case SDL_WINDOWEVENT_MOVED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    {
        PresenterInvalidate();
        // A full-screen window covers the screen for the program's frame, which keeps its size.
        if (w->fullScreen)
            break;
        RECT rect, in = FrameInsets(w->style);
        GetWindowRect(hwnd, &rect);
        if (e.event == SDL_WINDOWEVENT_MOVED)
        {
            if (KeepAskedPlace(hwnd, e.data1, e.data2))
                break;
            LONG x = e.data1 - in.left, y = e.data2 - in.top;
            rect = RECT{x, y, x + rect.right - rect.left, y + rect.bottom - rect.top};
        }
        else
        {
            // The size now, not the event's: leaving full screen queues the screen's size
            // just before the window gets its own back.
            int width = e.data1, height = e.data2;
            if (w->sdl)
                SDL_GetWindowSize(w->sdl, &width, &height);
            if (width <= 0 || height <= 0)
                break;
            rect.right = rect.left + in.left + width + in.right;
            rect.bottom = rect.top + in.top + height + in.bottom;
        }
        PlaceWindow(hwnd, rect, true);
        break;
    }
    case SDL_WINDOWEVENT_MINIMIZED:
        SetMinimized(hwnd, true, true);
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        SetMinimized(hwnd, false, true);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        SetFocus(hwnd);
        SetForegroundWindow(hwnd);
        if (!gInput.appActive)
        {
            gInput.appActive = true;
            QueueSent(hwnd, WM_ACTIVATEAPP, TRUE, 0);
        }
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        // Keys released elsewhere are never seen: forget them (no stuck Alt after Alt+Tab).
        std::fill(std::begin(gInput.keys), std::end(gInput.keys), false);
        if (gInput.appActive)
        {
            gInput.appActive = false;
            QueueSent(hwnd, WM_ACTIVATEAPP, FALSE, 0);
        }
        break;
    case SDL_WINDOWEVENT_CLOSE:
        QueueSent(hwnd, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}
} // namespace

namespace Platform::User
{
bool ShiftHeld()
{
    return gInput.keys[VK_SHIFT];
}

bool ControlHeld()
{
    return gInput.keys[VK_CONTROL];
}

void TranslateHostEvent(const SDL_Event& e)
{
    switch (e.type)
    {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        OnKey(e.key, e.type == SDL_KEYDOWN);
        break;
    case SDL_TEXTINPUT:
        OnText(e.text);
        break;
    case SDL_MOUSEMOTION:
        OnMotion(e.motion);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        OnButton(e.button, e.type == SDL_MOUSEBUTTONDOWN);
        break;
    case SDL_MOUSEWHEEL:
        OnWheel(e.wheel);
        break;
    case SDL_WINDOWEVENT:
        OnWindow(e.window);
        break;
    case SDL_SYSWMEVENT:
        if (HWND hwnd = FromSdlId(DestroyedHostWindow(e)))
            HostWindowLost(hwnd);
        break;
    case SDL_QUIT:
        // Only a termination signal gives this (closing windows is WM_CLOSE): the session ends.
        for (auto& w : AllWindows())
            if (!(w->style & WS_CHILD))
                QueueSent(w->handle, WM_ENDSESSION, TRUE, 0);
        break;
    default:
        break;
    }
}

void PumpHostEvents()
{
    if (!OnVideoThread())
        return;
    ApplyHostCursor();
    SDL_Event e;
    while (SDL_PollEvent(&e))
        TranslateHostEvent(e);
}
} // namespace Platform::User

namespace PlatformTest
{
void ResetInputState()
{
    bool active = gInput.appActive;
    gInput = InputState{};
    gInput.appActive = active;
}
} // namespace PlatformTest
