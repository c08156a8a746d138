// A small program of the platform layer: blits a known frame onto a windowed DirectDraw
// primary, lets the message pump present it, and reads the window's picture back through SDL.
//
//   lumo_present_check [--seconds N] [--full-screen BITS]
//
// Windowed, the frame is blitted onto the primary at the client area; with --full-screen the
// program takes the whole screen at the screen's size and the given depth (16 or 32) and flips
// the frame in. Exits 0 when every pixel read back is the one drawn.
#include "ddraw/ddraw.h"
#include "test/present.h"
#include "win32/windows.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
constexpr int kWindowedWidth = 320;
constexpr int kWindowedHeight = 240;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;

struct Check
{
    HWND hwnd = nullptr;
    IDirectDraw7* dd = nullptr;
    IDirectDrawSurface7* primary = nullptr;
    IDirectDrawSurface7* draw = nullptr;
    int width = 0, height = 0, bits = 32;
};

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The value drawn at a point, as the surface holds it.
uint32_t Pattern(int x, int y, int bits)
{
    if (bits == 16)
        return (uint32_t)(x * 7 + y * 131) & 0xFFFF;
    return (uint32_t)((x * 3) & 0xFF) << 16 | (uint32_t)((y * 5) & 0xFF) << 8 | (uint32_t)((x ^ y) & 0xFF);
}

// What the window shows for a value: a 5-6-5 channel's top bits repeat into its low ones.
uint32_t Shown(uint32_t value, int bits)
{
    if (bits != 16)
        return value;
    uint32_t r = value >> 11, g = (value >> 5) & 63, b = value & 31;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

int Fail(const char* what, HRESULT result = DD_OK)
{
    std::fprintf(stderr, "present check: %s (0x%08x)\n", what, (unsigned)result);
    return 1;
}
IDirectDrawSurface7* MakeSurface(IDirectDraw7* dd, DWORD flags, DWORD caps, int width, int height)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = flags;
    desc.ddsCaps.dwCaps = caps;
    desc.dwWidth = (DWORD)width;
    desc.dwHeight = (DWORD)height;
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* surface = nullptr;
    HRESULT hr = dd->CreateSurface(&desc, &surface, nullptr);
    if (hr != DD_OK)
        std::fprintf(stderr, "present check: CreateSurface (0x%08x)\n", (unsigned)hr);
    return surface;
}

bool Paint(IDirectDrawSurface7* surface, int width, int height, int bits)
{
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
        return false;
    for (int y = 0; y < height; y++)
    {
        uint8_t* row = (uint8_t*)desc.lpSurface + y * desc.lPitch;
        for (int x = 0; x < width; x++)
            if (bits == 16)
                ((uint16_t*)row)[x] = (uint16_t)Pattern(x, y, bits);
            else
                ((uint32_t*)row)[x] = Pattern(x, y, bits);
    }
    return surface->Unlock(nullptr) == DD_OK;
}

// The window with its client area of the given size, shown.
HWND MakeWindow(DWORD style, int x, int y, int width, int height)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "LumoPresentCheck";
    RegisterClassA(&wc);
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, style, FALSE);
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Present check", style, x, y, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
    if (hwnd)
        ShowWindow(hwnd, SW_SHOW);
    Pump();
    return hwnd;
}

// A windowed primary whose clipper knows the window; the frame is blitted to the client area.
int ShowWindowed(Check* c)
{
    c->width = kWindowedWidth;
    c->height = kWindowedHeight;
    if (!(c->hwnd = MakeWindow(kStyle, 80, 60, c->width, c->height)))
        return Fail("CreateWindowExA");
    c->dd->SetCooperativeLevel(c->hwnd, DDSCL_NORMAL);
    if (!(c->primary = MakeSurface(c->dd, DDSD_CAPS, DDSCAPS_PRIMARYSURFACE, 0, 0)))
        return 1;
    IDirectDrawClipper* clipper = nullptr;
    HRESULT hr = c->dd->CreateClipper(0, &clipper, nullptr);
    if (hr != DD_OK)
        return Fail("CreateClipper", hr);
    clipper->SetHWnd(0, c->hwnd);
    c->primary->SetClipper(clipper);
    clipper->Release();
    if (!(c->draw = MakeSurface(c->dd, DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT,
                                DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, c->width, c->height)) ||
        !Paint(c->draw, c->width, c->height, c->bits))
        return Fail("the frame cannot be drawn");
    // The frame goes where the client area lies on the screen, as the display presents it.
    POINT origin{0, 0};
    ClientToScreen(c->hwnd, &origin);
    RECT dest{origin.x, origin.y, origin.x + c->width, origin.y + c->height};
    if ((hr = c->primary->Blt(&dest, c->draw, nullptr, DDBLT_WAIT, nullptr)) != DD_OK)
        return Fail("Blt", hr);
    return 0;
}

// The whole screen at its own size and the asked depth; the frame arrives by a flip.
int ShowFullScreen(Check* c)
{
    c->width = GetSystemMetrics(SM_CXSCREEN);
    c->height = GetSystemMetrics(SM_CYSCREEN);
    if (!(c->hwnd = MakeWindow(WS_POPUP, 0, 0, c->width, c->height)))
        return Fail("CreateWindowExA");
    HRESULT hr = c->dd->SetCooperativeLevel(c->hwnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    if (hr != DD_OK)
        return Fail("SetCooperativeLevel", hr);
    if ((hr = c->dd->SetDisplayMode((DWORD)c->width, (DWORD)c->height, (DWORD)c->bits, 0, 0)) != DD_OK)
        return Fail("SetDisplayMode", hr);
    if (!(c->primary = MakeSurface(c->dd, DDSD_CAPS | DDSD_BACKBUFFERCOUNT,
                                   DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX, 0, 0)))
        return 1;
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    if ((hr = c->primary->GetAttachedSurface(&caps, &back)) != DD_OK)
        return Fail("GetAttachedSurface", hr);
    bool painted = Paint(back, c->width, c->height, c->bits);
    back->Release();
    if (!painted)
        return Fail("the frame cannot be drawn");
    if ((hr = c->primary->Flip(nullptr, DDFLIP_WAIT)) != DD_OK)
        return Fail("Flip", hr);
    return 0;
}

// Pumps until the window shows a frame of the drawn size, then compares it pixel by pixel.
int Verify(const Check& c, double seconds)
{
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    Uint32 start = SDL_GetTicks();
    bool read = false;
    while (SDL_GetTicks() - start < (Uint32)(seconds * 1000))
    {
        Pump();
        read = PlatformTest::HostPresentCount() > 0 &&
               PlatformTest::ReadHostFrame(c.hwnd, &width, &height, &pixels);
        if (read && width == c.width && height == c.height)
            break;
        SDL_Delay(5);
    }
    if (!read)
        return Fail("nothing was presented");
    if (width != c.width || height != c.height)
    {
        std::fprintf(stderr, "present check: read %dx%d, drew %dx%d\n", width, height, c.width, c.height);
        return 1;
    }
    int wrong = 0;
    for (int y = 0; y < c.height; y++)
        for (int x = 0; x < c.width; x++)
        {
            uint32_t got = pixels[(size_t)y * c.width + x] & 0xFFFFFF;
            uint32_t want = Shown(Pattern(x, y, c.bits), c.bits);
            if (got != want && wrong++ == 0)
                std::fprintf(stderr, "present check: (%d, %d) is %06x, drew %06x\n", x, y, got, want);
        }
    if (wrong)
        return 1;
    std::printf("present check: %dx%d %d-bit frame read back exactly (%s)\n", c.width, c.height, c.bits,
                SDL_GetCurrentVideoDriver());
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    double seconds = 10;
    bool fullScreen = false;
    Check c;
    for (int i = 1; i < argc; i++)
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (std::strcmp(argv[i], "--full-screen") == 0 && i + 1 < argc)
        {
            fullScreen = true;
            c.bits = std::atoi(argv[++i]);
            if (c.bits != 16 && c.bits != 32)
                return Fail("--full-screen takes 16 or 32");
        }
        else
            return Fail("usage: lumo_present_check [--seconds N] [--full-screen BITS]");

    void* made = nullptr;
    HRESULT hr = DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr);
    if (hr != DD_OK)
        return Fail("DirectDrawCreateEx", hr);
    c.dd = static_cast<IDirectDraw7*>(made);
    int result = fullScreen ? ShowFullScreen(&c) : ShowWindowed(&c);
    if (result == 0)
        result = Verify(c, seconds);
    if (fullScreen && result == 0 && !PlatformTest::ShownFullScreen(c.hwnd))
        result = Fail("the window is not full screen");
    if (c.draw)
        c.draw->Release();
    if (c.primary)
        c.primary->Release();
    c.dd->RestoreDisplayMode();
    c.dd->Release();
    if (c.hwnd)
        DestroyWindow(c.hwnd);
    Pump();
    return result;
}
