// What the layer's other services (display, sound) need from the window side.
#pragma once

#include "win32/types.h"

struct SDL_Window;

namespace Platform
{
// The SDL window of a top-level window, made on first use; null for an invalid handle
// or when the host window cannot be made.
SDL_Window* HostWindow(HWND hwnd);
HWND WindowFromHost(uint32_t sdlWindowId);
// Whether the window has its SDL window yet (never-shown windows need none).
bool HasHostWindow(HWND hwnd);
// Shows the window's SDL window over the whole screen, or back at its own place and size.
// While full screen, the host's moves and sizes leave the window's rectangle alone.
// Main thread only; false when the window has no SDL window.
bool SetHostFullScreen(HWND hwnd, bool fullScreen);

// The display's part of the message pump. `present` runs on the main thread at every look
// at the queue; `windowGone` before a window's SDL window is destroyed; `invalidate` when
// the host uncovers, moves or resizes a window.
struct HostPresenter
{
    void (*present)();
    void (*windowGone)(HWND hwnd);
    void (*invalidate)();
};
void SetHostPresenter(const HostPresenter& presenter);
} // namespace Platform
