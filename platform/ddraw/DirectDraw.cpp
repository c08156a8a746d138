#include "ddraw/DirectDraw.h"
#include "core/desktop.h"
#include "core/faults.h"
#include "d3d/DeviceCaps.h"
#include "d3d/Direct3D.h"
#include "d3d/Identity.h"
#include "ddraw/Objects.h"
#include "ddraw/Records.h"
#include "ddraw/Surface.h"
#include "win32/ComObject.h"
#include "win32/user32.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace
{
constexpr DWORD kMaxBackBuffers = 3;

DWORD ClampToDword(uint64_t value)
{
    return (DWORD)std::min<uint64_t>(value, std::numeric_limits<DWORD>::max());
}
} // namespace

namespace DDraw
{
HRESULT WINAPI DirectDraw::QueryInterface(REFIID riid, void** object)
{
    if (object && IsEqualGUID(riid, IID_IDirect3D7))
        return D3D::MakeDirect3D(Seventh(), mDisplay, object);
    return ComObject2::QueryInterface(riid, object);
}

DirectDraw::~DirectDraw()
{
    LeaveFullScreen();
    // The object that changed the display mode gives the desktop its own back at its last release.
    if (mDisplay->modeSet)
        ChangeDisplaySettingsA(nullptr, 0);
}

HRESULT WINAPI DirectDraw::CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* clipper, IUnknown* outer)
{
    if (!clipper || flags != 0)
        return DDERR_INVALIDPARAMS;
    *clipper = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (Platform::ShouldFail("CreateClipper"))
        return DDERR_OUTOFMEMORY;
    return MakeClipper(clipper);
}

HRESULT WINAPI DirectDraw::CreatePalette(DWORD flags, LPPALETTEENTRY entries, LPDIRECTDRAWPALETTE* palette,
                                         IUnknown* outer)
{
    if (!palette)
        return DDERR_INVALIDPARAMS;
    *palette = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (Platform::ShouldFail("CreatePalette"))
        return DDERR_OUTOFMEMORY;
    return MakePalette(flags, entries, palette);
}

template <typename Desc> HRESULT DirectDraw::MakeSurface(Desc* desc, IUnknown* outer, Surface** surface)
{
    *surface = nullptr;
    if (!ValidSize(desc))
        return DDERR_INVALIDPARAMS;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    DWORD level;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        level = mLevel;
    }
    if (level == 0)
        return DDERR_NOCOOPERATIVELEVELSET;
    if (Platform::ShouldFail("CreateSurface"))
        return DDERR_OUTOFMEMORY;

    DWORD caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
    if ((caps & DDSCAPS_SYSTEMMEMORY) && (caps & DDSCAPS_VIDEOMEMORY))
        return DDERR_INVALIDCAPS;
    Platform::DesktopInfo mode = Platform::CurrentDisplayMode();
    Surface::Request request;
    if (caps & DDSCAPS_PRIMARYSURFACE)
    {
        // The primary is the screen: its size and layout are the display mode's.
        if (desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT))
            return DDERR_INVALIDPARAMS;
        if (caps & DDSCAPS_SYSTEMMEMORY)
            return DDERR_INVALIDCAPS;
        if (caps & DDSCAPS_FLIP)
        {
            if (!(caps & DDSCAPS_COMPLEX) || !(desc->dwFlags & DDSD_BACKBUFFERCOUNT))
                return DDERR_INVALIDCAPS;
            if (desc->dwBackBufferCount < 1 || desc->dwBackBufferCount > kMaxBackBuffers)
                return DDERR_INVALIDPARAMS;
            if (!(level & DDSCL_EXCLUSIVE))
                return DDERR_NOEXCLUSIVEMODE;
            request.backBuffers = desc->dwBackBufferCount;
        }
        request.width = (DWORD)mode.width;
        request.height = (DWORD)mode.height;
        // A window may be on any monitor: the windowed primary spans them all.
        if (!(level & DDSCL_EXCLUSIVE))
        {
            int width = 0, height = 0;
            Platform::ScreenSpan(&width, &height);
            request.width = (DWORD)width;
            request.height = (DWORD)height;
        }
        request.format = DisplayFormat(mode.bitsPerPixel);
        request.caps = caps | DDSCAPS_VIDEOMEMORY;
        request.primaries = mPrimaries;
        request.display = mDisplay;
        return Surface::Make(request, surface);
    }

    if (caps & DDSCAPS_FLIP)
        return DDERR_INVALIDCAPS;
    if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT))
        return DDERR_INVALIDPARAMS;
    request.width = desc->dwWidth;
    request.height = desc->dwHeight;
    bool texture = (caps & DDSCAPS_TEXTURE) != 0;
    if (desc->dwFlags & DDSD_PIXELFORMAT)
    {
        if (!FormatFromDescription(desc->ddpfPixelFormat, texture, &request.format))
            return DDERR_INVALIDPIXELFORMAT;
    }
    else
        request.format = DisplayFormat(mode.bitsPerPixel);
    if (!request.format.Drawable() && !(texture && request.format.bits == 8))
        return DDERR_INVALIDPIXELFORMAT;
    // Textures keep to what the Direct3D device says it takes.
    if (texture)
        if (HRESULT result = D3D::CheckTexture(request.width, request.height, request.format);
            result != DD_OK)
            return result;
    // Without a say, a surface goes to video memory while there is room, else to system memory.
    bool chosen = (caps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY)) != 0;
    request.caps = chosen ? caps : caps | DDSCAPS_VIDEOMEMORY;
    HRESULT result = Surface::Make(request, surface);
    if (result == DDERR_OUTOFVIDEOMEMORY && !chosen)
    {
        request.caps = caps | DDSCAPS_SYSTEMMEMORY;
        result = Surface::Make(request, surface);
    }
    return result;
}

template <typename Desc, typename Interface>
HRESULT DirectDraw::CreateAs(Desc* desc, Interface** surface, IUnknown* outer)
{
    if (!surface)
        return DDERR_INVALIDPARAMS;
    Surface* made = nullptr;
    HRESULT result = MakeSurface(desc, outer, &made);
    *surface = made;
    return result;
}

HRESULT WINAPI DirectDraw::CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface, IUnknown* outer)
{
    return CreateAs(desc, surface, outer);
}

HRESULT WINAPI DirectDraw::CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* surface,
                                         IUnknown* outer)
{
    return CreateAs(desc, surface, outer);
}

HRESULT WINAPI DirectDraw::FlipToGDISurface()
{
    // The front buffer is what the window shows, and the layer's own windows open over it:
    // there is no separate desktop surface to flip to.
    return DD_OK;
}

template <typename Desc> HRESULT DirectDraw::DescribeMode(Desc* desc)
{
    if (!ValidSize(desc))
        return DDERR_INVALIDPARAMS;
    Platform::DesktopInfo mode = Platform::CurrentDisplayMode();
    PixelFormat format = DisplayFormat(mode.bitsPerPixel);
    DWORD size = desc->dwSize;
    std::memset(desc, 0, sizeof(Desc));
    desc->dwSize = size;
    desc->dwFlags = DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
    desc->dwWidth = (DWORD)mode.width;
    desc->dwHeight = (DWORD)mode.height;
    desc->lPitch = (LONG)format.Pitch(desc->dwWidth);
    desc->dwRefreshRate = (DWORD)mode.refreshRate;
    desc->ddpfPixelFormat = format.Describe();
    return DD_OK;
}

HRESULT WINAPI DirectDraw::GetDisplayMode(LPDDSURFACEDESC desc)
{
    return DescribeMode(desc);
}

HRESULT WINAPI DirectDraw::GetDisplayMode(LPDDSURFACEDESC2 desc)
{
    return DescribeMode(desc);
}

HRESULT WINAPI DirectDraw::GetMonitorFrequency(LPDWORD frequency)
{
    if (!frequency)
        return DDERR_INVALIDPARAMS;
    *frequency = 0;
    int rate = Platform::CurrentDisplayMode().refreshRate;
    // A host that does not know its rate says so rather than claiming one.
    if (rate <= 0 || Platform::ShouldFail("GetMonitorFrequency"))
        return DDERR_UNSUPPORTED;
    *frequency = (DWORD)rate;
    return DD_OK;
}

void DirectDraw::LeaveFullScreen()
{
    if (mDisplay->fullScreen.exchange(false))
        Presenter::WantFullScreen(mDisplay->window, false);
}

HRESULT WINAPI DirectDraw::RestoreDisplayMode()
{
    std::lock_guard<std::mutex> lock(mMutex);
    ChangeDisplaySettingsA(nullptr, 0);
    mDisplay->modeSet = false;
    LeaveFullScreen();
    return DD_OK;
}

HRESULT WINAPI DirectDraw::SetCooperativeLevel(HWND window, DWORD flags)
{
    bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
    bool fullScreen = (flags & DDSCL_FULLSCREEN) != 0;
    bool normal = (flags & DDSCL_NORMAL) != 0;
    // Either the normal level or exclusive full screen (which needs a window), not both.
    if (exclusive != fullScreen || normal == exclusive || (exclusive && !window))
        return DDERR_INVALIDPARAMS;
    if (Platform::ShouldFail("SetCooperativeLevel"))
        return DDERR_EXCLUSIVEMODEALREADYSET;
    std::lock_guard<std::mutex> lock(mMutex);
    LeaveFullScreen();
    mLevel = flags;
    mWindow = window;
    mDisplay->window = window;
    // Exclusive full screen shows the primary over the whole screen in its window.
    if (exclusive)
    {
        mDisplay->fullScreen = true;
        Presenter::WantFullScreen(window, true);
    }
    return DD_OK;
}

HRESULT WINAPI DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel)
{
    return SetDisplayMode(width, height, bitsPerPixel, 0, 0);
}

HRESULT WINAPI DirectDraw::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate,
                                          DWORD)
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (mLevel == 0)
        return DDERR_NOCOOPERATIVELEVELSET;
    if (Platform::ShouldFail("SetDisplayMode"))
        return DDERR_UNSUPPORTEDMODE;
    // The mode is kept by the virtual desktop, which knows the modes on offer.
    DEVMODEA mode{};
    mode.dmSize = sizeof(DEVMODEA);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    mode.dmPelsWidth = width;
    mode.dmPelsHeight = height;
    mode.dmBitsPerPel = bitsPerPixel;
    if (refreshRate != 0)
    {
        mode.dmFields |= DM_DISPLAYFREQUENCY;
        mode.dmDisplayFrequency = refreshRate;
    }
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL)
        return DDERR_INVALIDMODE;
    mDisplay->modeSet = true;
    return DD_OK;
}

HRESULT WINAPI DirectDraw::GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free)
{
    if (!caps || (!total && !free))
        return DDERR_INVALIDPARAMS;
    if (caps->dwCaps & DDSCAPS_SYSTEMMEMORY)
        return DDERR_INVALIDCAPS;
    if (Platform::ShouldFail("GetAvailableVidMem"))
        return DDERR_NODIRECTDRAWHW;
    uint64_t all = Platform::Desktop().videoMemory;
    uint64_t used = std::min(all, Surface::VideoMemoryInUse());
    if (total)
        *total = ClampToDword(all);
    if (free)
        *free = ClampToDword(all - used);
    return DD_OK;
}

HRESULT WINAPI DirectDraw::GetDeviceIdentifier(LPDDDEVICEIDENTIFIER2 identifier, DWORD)
{
    if (!identifier)
        return DDERR_INVALIDPARAMS;
    if (Platform::ShouldFail("GetDeviceIdentifier"))
        return DDERR_GENERIC;
    // The same card and driver as d3d8.dll reports: the renderer of the layer's windows.
    D3D::Identity identity;
    if (!D3D::RendererIdentity(&identity))
        return DDERR_GENERIC;
    std::memset(identifier, 0, sizeof(*identifier));
    std::snprintf(identifier->szDriver, sizeof(identifier->szDriver), "%s", identity.driver.c_str());
    std::snprintf(identifier->szDescription, sizeof(identifier->szDescription), "%s",
                  identity.description.c_str());
    identifier->guidDeviceIdentifier = identity.deviceId;
    return DD_OK;
}
} // namespace DDraw
