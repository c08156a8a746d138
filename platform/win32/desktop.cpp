// The virtual desktop, its metrics, the kept full-screen mode and device contexts.
#include "core/desktop.h"
#include "core/faults.h"
#include "win32/gdi32.h"
#include "win32/user32_internal.h"
#include "win32/x11_window_loss.h"

#include <algorithm>
#include <cstring>

namespace
{
using namespace Platform::User;

constexpr int kPaletteBits = 8;

// Display memory offered beside the desktop's own screen when a test has not said otherwise.
constexpr uint64_t kDefaultVideoMemory = 64ull << 20;

std::mutex gLock;
bool gOverride = false;
Platform::DesktopInfo gDesktop;
std::vector<Platform::MonitorArea> gMonitors;
bool gFullScreen = false;
Platform::DesktopInfo gMode;

// SDL names no format for a deep-colour (30-bit) X screen either, but draws there: a renderer can
// be made, as on no palette screen.
bool RendererOnDesktop()
{
    if (!OnVideoThread())
        return false;
    SDL_Window* window =
        LoadOpenGL() ? SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL) : nullptr;
    if (!window)
        window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
    SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, 0) : nullptr;
    if (renderer)
        SDL_DestroyRenderer(renderer);
    if (window)
        Platform::User::DestroyHostWindow(window);
    return renderer != nullptr;
}

struct HostScreen
{
    Platform::DesktopInfo desktop;
    std::vector<Platform::MonitorArea> monitors;
};

Platform::MonitorArea AreaOf(const SDL_Rect& bounds, const SDL_Rect& usable)
{
    return Platform::MonitorArea{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h,
                                 usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
}

Platform::MonitorArea WholeDesktop(const Platform::DesktopInfo& desktop)
{
    return Platform::MonitorArea{0, 0, desktop.width, desktop.height, 0, 0, desktop.width, desktop.height};
}

// The monitors' farthest right and bottom edges: the size of a picture covering them all.
void Span(const std::vector<Platform::MonitorArea>& monitors, int* width, int* height)
{
    for (const Platform::MonitorArea& m : monitors)
        *width = std::max(*width, m.right), *height = std::max(*height, m.bottom);
}

HostScreen AskHost()
{
    HostScreen host;
    Platform::DesktopInfo& info = host.desktop;
    info.videoMemory = kDefaultVideoMemory;
    SDL_DisplayMode mode{};
    if (EnsureVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0)
    {
        info.width = mode.w;
        info.height = mode.h;
        info.refreshRate = mode.refresh_rate;
        // SDL draws on any desktop with colour channels, whatever their depth: the layer offers
        // its own 32 bits there. A palette desktop (SDL knows no format for an 8-bit X screen)
        // has no renderer: it shows as what it is, and no mode change can take it elsewhere.
        if (SDL_ISPIXELFORMAT_INDEXED(mode.format) ||
            (mode.format == SDL_PIXELFORMAT_UNKNOWN && !RendererOnDesktop()))
            info.bitsPerPixel = kPaletteBits;
        // SDL lists the primary monitor first.
        for (int i = 0; i < SDL_GetNumVideoDisplays(); i++)
        {
            SDL_Rect bounds, usable;
            if (SDL_GetDisplayBounds(i, &bounds) != 0 || bounds.w <= 0 || bounds.h <= 0)
                continue;
            if (SDL_GetDisplayUsableBounds(i, &usable) != 0 || usable.w <= 0 || usable.h <= 0)
                usable = bounds;
            host.monitors.push_back(AreaOf(bounds, usable));
        }
    }
    else
    {
        info.width = 1024;
        info.height = 768;
    }
    if (host.monitors.empty())
        host.monitors.push_back(WholeDesktop(info));
    // A card holds the screen it shows: the windowed primary (every monitor, at 32 bits) fits
    // however large the desktop is, with the usual room left for everything else.
    int spanWidth = 0, spanHeight = 0;
    Span(host.monitors, &spanWidth, &spanHeight);
    info.videoMemory += uint64_t(spanWidth) * uint64_t(spanHeight) * 4;
    return host;
}

const HostScreen& Host()
{
    // The real screen is asked once; SDL is not called from other threads after that.
    static const HostScreen host = AskHost();
    return host;
}

struct Size
{
    DWORD w, h;
};
const Size kModeSizes[] = {{640, 480},   {800, 600},  {1024, 768}, {1152, 864},  {1280, 720},
                           {1280, 1024}, {1366, 768}, {1600, 900}, {1600, 1200}, {1920, 1080}};
const DWORD kModeBits[] = {16, 32};

// The modes the full screen offers: the common sizes, plus the desktop's own; on a palette
// desktop only its own depth. The full screen scales its picture to the desktop, so a size
// larger than a small desktop is shown whole rather than refused.
std::vector<Platform::DesktopInfo> Modes(const Platform::DesktopInfo& desktop)
{
    std::vector<Platform::DesktopInfo> modes;
    std::vector<DWORD> depths(std::begin(kModeBits), std::end(kModeBits));
    if (desktop.bitsPerPixel <= kPaletteBits)
        depths.clear();
    if (std::find(depths.begin(), depths.end(), (DWORD)desktop.bitsPerPixel) == depths.end())
        depths.push_back((DWORD)desktop.bitsPerPixel); // a 24-bit desktop keeps its own depth
    for (DWORD bits : depths)
    {
        bool desktopSeen = false;
        for (const Size& s : kModeSizes)
        {
            desktopSeen = desktopSeen || ((int)s.w == desktop.width && (int)s.h == desktop.height);
            modes.push_back(Platform::DesktopInfo{(int)s.w, (int)s.h, (int)bits, desktop.refreshRate,
                                                  desktop.videoMemory});
        }
        if (!desktopSeen)
            modes.push_back(Platform::DesktopInfo{desktop.width, desktop.height, (int)bits,
                                                  desktop.refreshRate, desktop.videoMemory});
    }
    return modes;
}

void FillMode(DEVMODEA* dm, const Platform::DesktopInfo& info)
{
    WORD size = dm->dmSize;
    std::memset(dm, 0, sizeof(DEVMODEA));
    dm->dmSize = size ? size : (WORD)sizeof(DEVMODEA);
    std::strcpy((char*)dm->dmDeviceName, "DISPLAY");
    dm->dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    dm->dmBitsPerPel = (DWORD)info.bitsPerPixel;
    dm->dmPelsWidth = (DWORD)info.width;
    dm->dmPelsHeight = (DWORD)info.height;
    dm->dmDisplayFrequency = (DWORD)info.refreshRate;
}

const HDC kScreenDC = (HDC)(uintptr_t)0x20001;
} // namespace

namespace Platform
{
DesktopInfo Desktop()
{
    std::lock_guard<std::mutex> lock(gLock);
    if (gOverride)
        return gDesktop;
    return Host().desktop;
}

std::vector<MonitorArea> Monitors()
{
    std::lock_guard<std::mutex> lock(gLock);
    if (gOverride)
        return gMonitors.empty() ? std::vector<MonitorArea>{WholeDesktop(gDesktop)} : gMonitors;
    return Host().monitors;
}

void ScreenSpan(int* width, int* height)
{
    DesktopInfo mode = CurrentDisplayMode();
    *width = mode.width;
    *height = mode.height;
    if (!FullScreenModeActive())
        Span(Monitors(), width, height);
}

DesktopInfo CurrentDisplayMode()
{
    DesktopInfo desktop = Desktop();
    std::lock_guard<std::mutex> lock(gLock);
    return gFullScreen ? gMode : desktop;
}

bool FullScreenModeActive()
{
    std::lock_guard<std::mutex> lock(gLock);
    return gFullScreen;
}
} // namespace Platform

namespace PlatformTest
{
void SetDesktop(const Platform::DesktopInfo& desktop, const std::vector<Platform::MonitorArea>& monitors)
{
    std::lock_guard<std::mutex> lock(gLock);
    gOverride = true;
    gDesktop = desktop;
    gMonitors = monitors;
    gFullScreen = false;
}

void ResetDesktop()
{
    std::lock_guard<std::mutex> lock(gLock);
    gOverride = false;
    gFullScreen = false;
}
} // namespace PlatformTest

int WINAPI GetSystemMetrics(int index)
{
    Platform::DesktopInfo mode = Platform::CurrentDisplayMode();
    RECT frame = FrameInsets(WS_CAPTION);
    switch (index)
    {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXVIRTUALSCREEN:
        return mode.width;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
        return mode.height;
    case SM_CYFULLSCREEN:
        return mode.height - (frame.top - frame.bottom);
    case SM_CYCAPTION:
        return frame.top - frame.bottom;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME:
        return frame.left;
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CYMENU:
        return 19;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    case SM_CMOUSEBUTTONS:
        return 3;
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS:
        return 1;
    default:
        return 0;
    }
}

BOOL WINAPI SystemParametersInfoA(UINT action, UINT, LPVOID pvParam, UINT)
{
    switch (action)
    {
    case SPI_GETWORKAREA:
    {
        if (!pvParam)
            return FALSE;
        Platform::DesktopInfo mode = Platform::CurrentDisplayMode();
        RECT area{0, 0, mode.width, mode.height};
        SDL_Rect usable;
        bool host;
        {
            std::lock_guard<std::mutex> lock(gLock);
            host = !gOverride && !gFullScreen;
        }
        // The primary monitor's: the real screen's panels are left out; a test's desktop is all
        // work area.
        if (host && OnVideoThread() && SDL_GetDisplayUsableBounds(0, &usable) == 0 && usable.w > 0 &&
            usable.h > 0)
            area = RECT{usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
        else if (!Platform::FullScreenModeActive())
        {
            Platform::MonitorArea primary = Platform::Monitors().front();
            area = RECT{primary.workLeft, primary.workTop, primary.workRight, primary.workBottom};
        }
        *(RECT*)pvParam = area;
        return TRUE;
    }
    case SPI_GETSCREENSAVEACTIVE:
    case SPI_GETSCREENSAVERRUNNING:
        if (!pvParam)
            return FALSE;
        *(BOOL*)pvParam = FALSE; // the host's screen saver is not ours to see
        return TRUE;
    case SPI_GETSCREENSAVETIMEOUT:
        if (!pvParam)
            return FALSE;
        *(int*)pvParam = 0;
        return TRUE;
    case SPI_SCREENSAVERRUNNING:
        return TRUE;
    default:
        return FALSE;
    }
}

HMONITOR WINAPI MonitorFromRect(LPCRECT rect, DWORD flags)
{
    if (!rect)
        return nullptr;
    // The monitor with the largest part of the rectangle.
    auto monitors = Platform::Monitors();
    int64_t most = 0;
    size_t found = monitors.size();
    for (size_t i = 0; i < monitors.size(); i++)
    {
        const Platform::MonitorArea& m = monitors[i];
        int64_t w = std::min<int64_t>(rect->right, m.right) - std::max<int64_t>(rect->left, m.left);
        int64_t h = std::min<int64_t>(rect->bottom, m.bottom) - std::max<int64_t>(rect->top, m.top);
        if (w > 0 && h > 0 && w * h > most)
            most = w * h, found = i;
    }
    if (found == monitors.size())
    {
        if (!(flags & MONITOR_DEFAULTTOPRIMARY))
            return nullptr;
        found = 0;
    }
    return (HMONITOR)(uintptr_t)(found + 1);
}

BOOL WINAPI GetMonitorInfoA(HMONITOR monitor, LPMONITORINFO info)
{
    auto monitors = Platform::Monitors();
    size_t index = (uintptr_t)monitor - 1;
    if (!info || info->cbSize < sizeof(MONITORINFO) || index >= monitors.size())
        return FALSE;
    const Platform::MonitorArea& m = monitors[index];
    info->rcMonitor = RECT{m.left, m.top, m.right, m.bottom};
    info->rcWork = RECT{m.workLeft, m.workTop, m.workRight, m.workBottom};
    info->dwFlags = index == 0 ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags)
{
    if (Platform::ShouldFail("ChangeDisplaySettingsA"))
        return DISP_CHANGE_FAILED;
    Platform::DesktopInfo desktop = Platform::Desktop();
    if (!mode)
    {
        std::lock_guard<std::mutex> lock(gLock);
        gFullScreen = false;
        return DISP_CHANGE_SUCCESSFUL;
    }
    Platform::DesktopInfo wanted = Platform::CurrentDisplayMode();
    if (mode->dmFields & DM_PELSWIDTH)
        wanted.width = (int)mode->dmPelsWidth;
    if (mode->dmFields & DM_PELSHEIGHT)
        wanted.height = (int)mode->dmPelsHeight;
    if (mode->dmFields & DM_BITSPERPEL)
        wanted.bitsPerPixel = (int)mode->dmBitsPerPel;
    if ((mode->dmFields & DM_DISPLAYFREQUENCY) && mode->dmDisplayFrequency > 1)
        wanted.refreshRate = (int)mode->dmDisplayFrequency;
    bool known = false;
    for (const auto& m : Modes(desktop))
        known = known || (m.width == wanted.width && m.height == wanted.height &&
                          m.bitsPerPixel == wanted.bitsPerPixel);
    if (!known || (wanted.refreshRate != desktop.refreshRate && desktop.refreshRate != 0))
        return DISP_CHANGE_BADMODE;
    if (flags & CDS_TEST)
        return DISP_CHANGE_SUCCESSFUL;
    std::lock_guard<std::mutex> lock(gLock);
    bool same = wanted.width == desktop.width && wanted.height == desktop.height &&
                wanted.bitsPerPixel == desktop.bitsPerPixel;
    gFullScreen = !same;
    gMode = wanted;
    return DISP_CHANGE_SUCCESSFUL;
}

BOOL WINAPI EnumDisplaySettingsA(LPCSTR, DWORD modeNum, DEVMODEA* mode)
{
    if (!mode)
        return FALSE;
    if (modeNum == ENUM_CURRENT_SETTINGS)
    {
        FillMode(mode, Platform::CurrentDisplayMode());
        return TRUE;
    }
    Platform::DesktopInfo desktop = Platform::Desktop();
    if (modeNum == ENUM_REGISTRY_SETTINGS)
    {
        FillMode(mode, desktop);
        return TRUE;
    }
    auto modes = Modes(desktop);
    if (modeNum >= modes.size())
        return FALSE;
    FillMode(mode, modes[modeNum]);
    return TRUE;
}

HDC WINAPI GetDC(HWND hwnd)
{
    if (!hwnd || hwnd == GetDesktopWindow())
        return kScreenDC;
    if (!IsWindow(hwnd))
        return nullptr;
    // A window's context is its handle's number, odd so that it never equals a window.
    return (HDC)((uintptr_t)hwnd | 1);
}

int WINAPI ReleaseDC(HWND, HDC dc)
{
    if (!dc)
        return 0;
    Platform::ResetDCState(dc);
    return 1;
}

int WINAPI GetDeviceCaps(HDC dc, int index)
{
    if (!dc)
        return 0;
    Platform::DesktopInfo mode = Platform::CurrentDisplayMode();
    // A surface's context describes the surface.
    Platform::DCPixels surface;
    if (Platform::SurfaceDCPixels(dc, &surface))
    {
        mode.width = surface.width;
        mode.height = surface.height;
        mode.bitsPerPixel = surface.bitsPerPixel;
    }
    switch (index)
    {
    case HORZRES:
        return mode.width;
    case VERTRES:
        return mode.height;
    case BITSPIXEL:
        return mode.bitsPerPixel;
    case PLANES:
        return 1;
    case VREFRESH:
        return mode.refreshRate;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    default:
        return 0;
    }
}
