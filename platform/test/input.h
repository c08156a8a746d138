// Test interface: SDL-level input pushed into SDL's own queue, so that it takes the
// same path as real input through PeekMessageA. Each call names the window the
// event belongs to; its host window is made if it has none yet.
#pragma once

#include "win32/types.h"

#include <SDL_keycode.h>
#include <SDL_scancode.h>

namespace PlatformTest
{
bool InjectKey(HWND hwnd, SDL_Keycode key, SDL_Scancode scancode, bool down, Uint16 mod = 0,
               bool repeat = false);
// Press and release.
bool InjectKeyPress(HWND hwnd, SDL_Keycode key, SDL_Scancode scancode, Uint16 mod = 0);
bool InjectText(HWND hwnd, const char* utf8);
// Positions are in the window's client area.
bool InjectMouseMove(HWND hwnd, int x, int y);
// button: SDL_BUTTON_LEFT, SDL_BUTTON_MIDDLE, SDL_BUTTON_RIGHT.
bool InjectMouseButton(HWND hwnd, int button, bool down, int x, int y, int clicks = 1);
bool InjectClick(HWND hwnd, int button, int x, int y);
bool InjectDoubleClick(HWND hwnd, int button, int x, int y);
bool InjectWheel(HWND hwnd, int notches);
bool InjectFocus(HWND hwnd, bool gained);
bool InjectMinimize(HWND hwnd);
bool InjectRestore(HWND hwnd);
bool InjectCloseRequest(HWND hwnd);
// The host moved the window's client area to (x, y) on the screen.
bool InjectWindowMoved(HWND hwnd, int x, int y);
// The host asks the program to end (a termination signal): WM_ENDSESSION.
bool InjectSessionEnd();
// Forget held keys and buttons and the last click (between tests).
void ResetInputState();
} // namespace PlatformTest
