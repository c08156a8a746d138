// A small program of the platform layer: blits a known frame onto a windowed DirectDraw
// primary, lets the message pump present it, and reads the window's picture back through SDL.
//
//   lumo_present_check [--seconds N]
//
// Exits 0 when every pixel read back is the one drawn.
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
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

uint32_t Pattern(int x, int y)
{
    return (uint32_t)((x * 3) & 0xFF) << 16 | (uint32_t)((y * 5) & 0xFF) << 8 | (uint32_t)((x ^ y) & 0xFF);
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
} // namespace

int main(int argc, char** argv)
{
    double seconds = 10;
    for (int i = 1; i < argc; i++)
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else
            return Fail("usage: lumo_present_check [--seconds N]");

    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "LumoPresentCheck";
    RECT frame{0, 0, kWidth, kHeight};
    AdjustWindowRect(&frame, kStyle, FALSE);
    if (!RegisterClassA(&wc))
        return Fail("RegisterClassA");
    HWND hwnd =
        CreateWindowExA(0, wc.lpszClassName, "Present check", kStyle, 80, 60, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd)
        return Fail("CreateWindowExA");
    ShowWindow(hwnd, SW_SHOW);
    Pump();

    void* made = nullptr;
    HRESULT hr = DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr);
    if (hr != DD_OK)
        return Fail("DirectDrawCreateEx", hr);
    IDirectDraw7* dd = static_cast<IDirectDraw7*>(made);
    dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface7* primary = nullptr;
    if ((hr = dd->CreateSurface(&desc, &primary, nullptr)) != DD_OK)
        return Fail("CreateSurface primary", hr);
    IDirectDrawClipper* clipper = nullptr;
    if ((hr = dd->CreateClipper(0, &clipper, nullptr)) != DD_OK)
        return Fail("CreateClipper", hr);
    clipper->SetHWnd(0, hwnd);
    primary->SetClipper(clipper);
    clipper->Release();

    desc = DDSURFACEDESC2{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = kWidth;
    desc.dwHeight = kHeight;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface7* draw = nullptr;
    if ((hr = dd->CreateSurface(&desc, &draw, nullptr)) != DD_OK)
        return Fail("CreateSurface draw", hr);
    if ((hr = draw->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr)) != DD_OK)
        return Fail("Lock", hr);
    for (int y = 0; y < kHeight; y++)
        for (int x = 0; x < kWidth; x++)
            ((uint32_t*)((uint8_t*)desc.lpSurface + y * desc.lPitch))[x] = Pattern(x, y);
    draw->Unlock(nullptr);

    // The frame goes where the client area lies on the screen, as the display presents it.
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    RECT dest{origin.x, origin.y, origin.x + kWidth, origin.y + kHeight};
    if ((hr = primary->Blt(&dest, draw, nullptr, DDBLT_WAIT, nullptr)) != DD_OK)
        return Fail("Blt", hr);

    int result = 1;
    Uint32 start = SDL_GetTicks();
    while (SDL_GetTicks() - start < (Uint32)(seconds * 1000))
    {
        Pump();
        if (PlatformTest::HostPresentCount() > 0)
            break;
        SDL_Delay(5);
    }
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    if (PlatformTest::HostPresentCount() == 0)
        Fail("nothing was presented");
    else if (!PlatformTest::ReadHostFrame(hwnd, &width, &height, &pixels))
        Fail("the window's picture cannot be read back");
    else if (width != kWidth || height != kHeight)
        std::fprintf(stderr, "present check: read %dx%d, drew %dx%d\n", width, height, kWidth, kHeight);
    else
    {
        int wrong = 0;
        for (int y = 0; y < kHeight; y++)
            for (int x = 0; x < kWidth; x++)
                if ((pixels[(size_t)y * kWidth + x] & 0xFFFFFF) != Pattern(x, y) && wrong++ == 0)
                    std::fprintf(stderr, "present check: (%d, %d) is %06x, drew %06x\n", x, y,
                                 pixels[(size_t)y * kWidth + x] & 0xFFFFFF, Pattern(x, y));
        if (wrong == 0)
        {
            std::printf("present check: %dx%d frame read back exactly (%s)\n", kWidth, kHeight,
                        SDL_GetCurrentVideoDriver());
            result = 0;
        }
    }
    draw->Release();
    primary->Release();
    dd->Release();
    DestroyWindow(hwnd);
    Pump();
    return result;
}
