#include "test/input.h"
#include "win32/host.h"

#include <SDL.h>

#include <cstring>

namespace
{
// Pushes one event of the given type for the window's host window, filled in by `fill`.
template <class Fill> bool PushFor(HWND hwnd, Uint32 type, Fill fill)
{
    SDL_Window* window = Platform::HostWindow(hwnd);
    if (!window)
        return false;
    SDL_Event e{};
    e.type = type;
    fill(e, SDL_GetWindowID(window));
    return SDL_PushEvent(&e) == 1;
}

bool PushWindowEvent(HWND hwnd, Uint8 kind, int data1 = 0, int data2 = 0)
{
    return PushFor(hwnd, SDL_WINDOWEVENT,
                   [&](SDL_Event& e, Uint32 id)
                   {
                       e.window.windowID = id;
                       e.window.event = kind;
                       e.window.data1 = data1;
                       e.window.data2 = data2;
                   });
}
} // namespace

namespace PlatformTest
{
bool InjectKey(HWND hwnd, SDL_Keycode key, SDL_Scancode scancode, bool down, Uint16 mod, bool repeat)
{
    return PushFor(hwnd, down ? SDL_KEYDOWN : SDL_KEYUP,
                   [&](SDL_Event& e, Uint32 id)
                   {
                       e.key.windowID = id;
                       e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
                       e.key.repeat = repeat ? 1 : 0;
                       e.key.keysym.sym = key;
                       e.key.keysym.scancode = scancode;
                       e.key.keysym.mod = mod;
                   });
}

bool InjectKeyPress(HWND hwnd, SDL_Keycode key, SDL_Scancode scancode, Uint16 mod)
{
    return InjectKey(hwnd, key, scancode, true, mod) && InjectKey(hwnd, key, scancode, false, mod);
}

bool InjectText(HWND hwnd, const char* utf8)
{
    if (!utf8 || std::strlen(utf8) >= SDL_TEXTINPUTEVENT_TEXT_SIZE)
        return false;
    return PushFor(hwnd, SDL_TEXTINPUT,
                   [&](SDL_Event& e, Uint32 id)
                   {
                       e.text.windowID = id;
                       std::strcpy(e.text.text, utf8);
                   });
}

bool InjectMouseMove(HWND hwnd, int x, int y)
{
    return PushFor(hwnd, SDL_MOUSEMOTION,
                   [&](SDL_Event& e, Uint32 id)
                   {
                       e.motion.windowID = id;
                       e.motion.x = x;
                       e.motion.y = y;
                   });
}

bool InjectMouseButton(HWND hwnd, int button, bool down, int x, int y, int clicks)
{
    return PushFor(hwnd, down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP,
                   [&](SDL_Event& e, Uint32 id)
                   {
                       e.button.windowID = id;
                       e.button.button = (Uint8)button;
                       e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
                       e.button.clicks = (Uint8)clicks;
                       e.button.x = x;
                       e.button.y = y;
                   });
}

bool InjectClick(HWND hwnd, int button, int x, int y)
{
    return InjectMouseButton(hwnd, button, true, x, y) && InjectMouseButton(hwnd, button, false, x, y);
}

bool InjectDoubleClick(HWND hwnd, int button, int x, int y)
{
    return InjectClick(hwnd, button, x, y) && InjectMouseButton(hwnd, button, true, x, y, 2) &&
           InjectMouseButton(hwnd, button, false, x, y, 2);
}

bool InjectWheel(HWND hwnd, int notches)
{
    return PushFor(hwnd, SDL_MOUSEWHEEL,
                   [&](SDL_Event& e, Uint32 id)
                   {
                       e.wheel.windowID = id;
                       e.wheel.y = notches;
                       e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
                   });
}

bool InjectFocus(HWND hwnd, bool gained)
{
    return PushWindowEvent(hwnd, gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
}

bool InjectMinimize(HWND hwnd)
{
    return PushWindowEvent(hwnd, SDL_WINDOWEVENT_MINIMIZED);
}

bool InjectRestore(HWND hwnd)
{
    return PushWindowEvent(hwnd, SDL_WINDOWEVENT_RESTORED);
}

bool InjectCloseRequest(HWND hwnd)
{
    return PushWindowEvent(hwnd, SDL_WINDOWEVENT_CLOSE);
}

bool InjectSessionEnd()
{
    SDL_Event e{};
    e.type = SDL_QUIT;
    return SDL_PushEvent(&e) == 1;
}

bool InjectWindowMoved(HWND hwnd, int x, int y)
{
    return PushWindowEvent(hwnd, SDL_WINDOWEVENT_MOVED, x, y);
}
} // namespace PlatformTest
