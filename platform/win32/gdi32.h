// gdi32 services of the layer: device contexts and the display's capabilities.
#pragma once

#include "win32/types.h"

// A device context of a window (or of the screen for null).
HDC WINAPI GetDC(HWND hwnd);
int WINAPI ReleaseDC(HWND hwnd, HDC dc);

#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define VREFRESH 116
int WINAPI GetDeviceCaps(HDC dc, int index);
