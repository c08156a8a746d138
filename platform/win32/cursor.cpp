// Cursors, the pointer position and mouse capture.
#include "win32/user32_internal.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <set>

namespace
{
using namespace Platform::User;

struct Cursor
{
    bool system = false;
    SDL_SystemCursor systemId = SDL_SYSTEM_CURSOR_ARROW;
    int width = 0, height = 0, hotX = 0, hotY = 0;
    std::vector<Uint8> data, mask; // SDL's monochrome planes
    std::vector<uint32_t> pixels;  // ARGB picture of the cursor, inverted pixels as black
    SDL_Cursor* host = nullptr;
};

std::mutex gLock;
std::set<Cursor*> gCursors;
std::map<WORD, std::unique_ptr<Cursor>> gSystemCursors; // shared for the whole run
std::vector<SDL_Cursor*> gRetired;                      // freed on the video thread
HCURSOR gCurrent = nullptr;
bool gCurrentSet = false;
int gShowCount = 0;
bool gDirty = true;
HWND gCapture = nullptr;
std::atomic<int64_t> gCursorPos{0};

Cursor* Valid(HCURSOR handle)
{
    Cursor* c = (Cursor*)handle;
    return gCursors.count(c) ? c : nullptr;
}

HCURSOR SystemCursor(WORD id)
{
    static const std::map<WORD, SDL_SystemCursor> kIds = {
        {32512, SDL_SYSTEM_CURSOR_ARROW},    {32513, SDL_SYSTEM_CURSOR_IBEAM},
        {32514, SDL_SYSTEM_CURSOR_WAIT},     {32515, SDL_SYSTEM_CURSOR_CROSSHAIR},
        {32642, SDL_SYSTEM_CURSOR_SIZENWSE}, {32643, SDL_SYSTEM_CURSOR_SIZENESW},
        {32644, SDL_SYSTEM_CURSOR_SIZEWE},   {32645, SDL_SYSTEM_CURSOR_SIZENS},
        {32646, SDL_SYSTEM_CURSOR_SIZEALL},  {32648, SDL_SYSTEM_CURSOR_NO},
        {32649, SDL_SYSTEM_CURSOR_HAND},
    };
    auto kind = kIds.find(id);
    if (kind == kIds.end())
        return nullptr;
    auto it = gSystemCursors.find(id);
    if (it != gSystemCursors.end())
        return (HCURSOR)it->second.get();
    auto c = std::make_unique<Cursor>();
    c->system = true;
    c->systemId = kind->second;
    gCursors.insert(c.get());
    return (HCURSOR)(gSystemCursors[id] = std::move(c)).get();
}

SDL_Cursor* Realize(Cursor* c)
{
    if (!c->host)
        c->host = c->system ? SDL_CreateSystemCursor(c->systemId)
                            : SDL_CreateCursor(c->data.data(), c->mask.data(), c->width, c->height, c->hotX,
                                               c->hotY);
    return c->host;
}
} // namespace

namespace Platform::User
{
void CacheCursorPos(int x, int y)
{
    gCursorPos.store((int64_t)(((uint64_t)(uint32_t)x << 32) | (uint32_t)y));
}

void ForgetCaptureOf(HWND hwnd)
{
    std::lock_guard<std::mutex> lock(gLock);
    if (gCapture == hwnd)
        gCapture = nullptr;
}

void ApplyHostCursor()
{
    std::lock_guard<std::mutex> lock(gLock);
    if (!OnVideoThread())
        return;
    for (SDL_Cursor* c : gRetired)
        SDL_FreeCursor(c);
    gRetired.clear();
    if (!gDirty)
        return;
    gDirty = false;
    Cursor* c = Valid(gCurrentSet ? gCurrent : SystemCursor(32512));
    SDL_Cursor* host = c ? Realize(c) : nullptr;
    if (host)
        SDL_SetCursor(host);
    SDL_ShowCursor(c && gShowCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
}
} // namespace Platform::User

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursorName)
{
    if (instance || !IS_INTRESOURCE(cursorName))
        return nullptr; // the system's code has no cursor resources of its own
    std::lock_guard<std::mutex> lock(gLock);
    return SystemCursor((WORD)(uintptr_t)cursorName);
}

HCURSOR WINAPI CreateCursor(HINSTANCE, int hotX, int hotY, int width, int height, const void* andPlane,
                            const void* xorPlane)
{
    if (width <= 0 || height <= 0 || width > 256 || height > 256 || !andPlane || !xorPlane)
        return nullptr;
    Cursor* c = new Cursor;
    c->width = (width + 7) & ~7; // SDL wants whole bytes per row
    c->height = height;
    c->hotX = std::clamp(hotX, 0, width - 1);
    c->hotY = std::clamp(hotY, 0, height - 1);
    int stride = ((width + 15) / 16) * 2;
    int sdlStride = c->width / 8;
    c->data.assign((size_t)sdlStride * height, 0);
    c->mask.assign((size_t)sdlStride * height, 0);
    c->pixels.assign((size_t)c->width * height, 0);
    const Uint8* andBits = (const Uint8*)andPlane;
    const Uint8* xorBits = (const Uint8*)xorPlane;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
        {
            int bit = 0x80 >> (x & 7);
            bool a = andBits[y * stride + x / 8] & bit;
            bool o = xorBits[y * stride + x / 8] & bit;
            // SDL: data 1 mask 1 black, 0 1 white, 0 0 transparent, 1 0 inverted.
            bool black = !a && !o, white = !a && o, inverted = a && o;
            if (black || inverted)
                c->data[(size_t)y * sdlStride + x / 8] |= (Uint8)bit;
            if (black || white)
                c->mask[(size_t)y * sdlStride + x / 8] |= (Uint8)bit;
            c->pixels[(size_t)y * c->width + x] = white                 ? 0xFFFFFFFFu
                                                  : (black || inverted) ? 0xFF000000u
                                                                        : 0u;
        }
    std::lock_guard<std::mutex> lock(gLock);
    gCursors.insert(c);
    return (HCURSOR)c;
}

BOOL WINAPI DestroyCursor(HCURSOR handle)
{
    std::lock_guard<std::mutex> lock(gLock);
    Cursor* c = Valid(handle);
    if (!c)
        return FALSE;
    if (c->system)
        return TRUE; // shared, lives as long as the process
    if (gCurrentSet && gCurrent == handle)
        gCurrent = SystemCursor(32512), gDirty = true;
    if (c->host)
        gRetired.push_back(c->host);
    gCursors.erase(c);
    delete c;
    return TRUE;
}

HCURSOR WINAPI SetCursor(HCURSOR handle)
{
    HCURSOR previous;
    {
        std::lock_guard<std::mutex> lock(gLock);
        if (handle && !Valid(handle))
            return nullptr;
        previous = gCurrentSet ? gCurrent : SystemCursor(32512);
        gDirty = gDirty || !gCurrentSet || previous != handle;
        gCurrent = handle;
        gCurrentSet = true;
    }
    ApplyHostCursor();
    return previous;
}

HCURSOR WINAPI GetCursor()
{
    std::lock_guard<std::mutex> lock(gLock);
    return gCurrentSet ? gCurrent : SystemCursor(32512);
}

int WINAPI ShowCursor(BOOL show)
{
    int count;
    {
        std::lock_guard<std::mutex> lock(gLock);
        count = gShowCount += show ? 1 : -1;
        gDirty = true;
    }
    ApplyHostCursor();
    return count;
}

BOOL WINAPI GetCursorPos(LPPOINT point)
{
    if (!point)
        return FALSE;
    uint64_t packed = (uint64_t)gCursorPos.load();
    point->x = (LONG)(int32_t)(uint32_t)(packed >> 32);
    point->y = (LONG)(int32_t)(uint32_t)packed;
    return TRUE;
}

BOOL WINAPI SetCursorPos(int x, int y)
{
    CacheCursorPos(x, y);
    if (OnVideoThread() && SDL_WarpMouseGlobal(x, y) != 0)
    {
        POINT pt{x, y};
        HWND hwnd = WindowFromPoint(pt);
        SDL_Window* host = hwnd ? Find(hwnd)->sdl : nullptr;
        if (host && ScreenToClient(hwnd, &pt))
            SDL_WarpMouseInWindow(host, pt.x, pt.y);
    }
    return TRUE;
}

UINT WINAPI GetDoubleClickTime()
{
    return 500;
}

HWND WINAPI SetCapture(HWND hwnd)
{
    if (!IsWindow(hwnd))
        return nullptr;
    HWND previous;
    {
        std::lock_guard<std::mutex> lock(gLock);
        previous = gCapture;
        gCapture = hwnd;
    }
    if (OnVideoThread())
        SDL_CaptureMouse(SDL_TRUE); // unsupported drivers just keep the pointer uncaptured
    return previous;
}

BOOL WINAPI ReleaseCapture()
{
    {
        std::lock_guard<std::mutex> lock(gLock);
        gCapture = nullptr;
    }
    if (OnVideoThread())
        SDL_CaptureMouse(SDL_FALSE);
    return TRUE;
}

HWND WINAPI GetCapture()
{
    std::lock_guard<std::mutex> lock(gLock);
    return gCapture;
}

namespace PlatformTest
{
HCURSOR ShownCursor()
{
    std::lock_guard<std::mutex> lock(gLock);
    HCURSOR current = gCurrentSet ? gCurrent : SystemCursor(32512);
    return gShowCount >= 0 ? current : nullptr;
}

bool CursorPicture(HCURSOR cursor, int* width, int* height, int* hotX, int* hotY,
                   std::vector<uint32_t>* pixels)
{
    std::lock_guard<std::mutex> lock(gLock);
    Cursor* c = Valid(cursor);
    if (!c || c->system)
        return false;
    *width = c->width;
    *height = c->height;
    *hotX = c->hotX;
    *hotY = c->hotY;
    *pixels = c->pixels;
    return true;
}
} // namespace PlatformTest
