// Device contexts over surface pixels, so that text can be drawn into a surface.
#include "win32/gdi32.h"

#include <map>
#include <mutex>

namespace
{
std::mutex gLock;
std::map<HDC, Platform::DCPixels> gContexts;
// Even numbers far above the window handles: never a window's context (odd) or the screen's.
uintptr_t gNext = 0x40000000;
} // namespace

namespace Platform
{
HDC MakeSurfaceDC(const DCPixels& pixels)
{
    std::lock_guard<std::mutex> lock(gLock);
    HDC dc = (HDC)gNext;
    gNext += 4;
    gContexts[dc] = pixels;
    return dc;
}

void DropSurfaceDC(HDC dc)
{
    {
        std::lock_guard<std::mutex> lock(gLock);
        gContexts.erase(dc);
    }
    ResetDCState(dc);
}

bool SurfaceDCPixels(HDC dc, DCPixels* pixels)
{
    std::lock_guard<std::mutex> lock(gLock);
    auto it = gContexts.find(dc);
    if (it == gContexts.end())
        return false;
    *pixels = it->second;
    return true;
}
} // namespace Platform
