// Test interface: what the DirectDraw layer showed in its windows.
#pragma once

#include "win32/types.h"

#include <cstdint>
#include <vector>

namespace PlatformTest
{
// The frame last presented in a window (null: in whichever window was presented last), as opaque
// 0xFFRRGGBB pixels row by row. Main thread; false when nothing was presented there.
bool ReadPresentedFrame(HWND window, int* width, int* height, std::vector<uint32_t>* pixels);
// The window's frame drawn again by its SDL renderer and read back from it, 0xAARRGGBB.
bool ReadHostFrame(HWND window, int* width, int* height, std::vector<uint32_t>* pixels);
// Times the screen was to be touched from a thread other than the main one (each refused).
int ScreenCallsOffMainThread();
// Frames handed to SDL so far.
uint64_t HostPresentCount();
// Whether the window's SDL window covers the screen.
bool ShownFullScreen(HWND window);
} // namespace PlatformTest
