// gdi32 services of the layer: device contexts and the display's capabilities.
#pragma once

#include "win32/types.h"

#include <cstdint>

// A device context of a window (or of the screen for null).
HDC WINAPI GetDC(HWND hwnd);
int WINAPI ReleaseDC(HWND hwnd, HDC dc);

#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define VREFRESH 116
int WINAPI GetDeviceCaps(HDC dc, int index);

namespace Platform
{
// The pixels behind a device context that a DirectDraw surface hands out (`GetDC`).
struct DCPixels
{
    uint8_t* bits = nullptr;
    LONG pitch = 0;
    int width = 0, height = 0;
    int bitsPerPixel = 0;
    DWORD red = 0, green = 0, blue = 0;
};
// A new context over the pixels, valid until dropped.
HDC MakeSurfaceDC(const DCPixels& pixels);
void DropSurfaceDC(HDC dc);
// The pixels of a surface's context; false for every other context.
bool SurfaceDCPixels(HDC dc, DCPixels* pixels);
} // namespace Platform
