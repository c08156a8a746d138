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
} // namespace Platform
