// A small program of the platform layer: blits a known frame onto a windowed DirectDraw
// primary, lets the message pump present it, and reads the window's picture back through SDL.
//
//   lumo_present_check [--seconds N] [--full-screen BITS] [--scaled] [--window-manager]
//
// Windowed, the frame is blitted onto the primary at the client area; with --full-screen the
// program takes the whole screen at the screen's size and the given depth (16 or 32) and flips
// the frame in. Exits 0 when every pixel read back is the one drawn.
//
// With --scaled (an X display), an 800x600 window goes full screen at 800x600 on a larger screen:
// the screen itself (read from the X server, not from SDL) must show the whole frame, scaled with
// its aspect kept between black bars, and leaving full screen must put the window back where it
// was. --window-manager first waits for a window manager to run.
#include "ddraw/ddraw.h"
#include "test/present.h"
#include "win32/windows.h"

#include <SDL.h>
#ifdef LUMO_HAVE_X11
#include "win32/host.h"
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#endif

#include <algorithm>
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

// Makes the primary a flip chain with one back buffer and gives the back buffer; null (said on
// standard error) when either fails.
IDirectDrawSurface7* FlipChainBack(Check* c)
{
    if (!(c->primary = MakeSurface(c->dd, DDSD_CAPS | DDSD_BACKBUFFERCOUNT,
                                   DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX, 0, 0)))
        return nullptr;
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    if (HRESULT hr = c->primary->GetAttachedSurface(&caps, &back); hr != DD_OK)
    {
        Fail("GetAttachedSurface", hr);
        return nullptr;
    }
    return back;
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
    IDirectDrawSurface7* back = FlipChainBack(c);
    if (!back)
        return 1;
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
#ifdef LUMO_HAVE_X11
constexpr int kFrameWidth = 800, kFrameHeight = 600;

// Four quarters of distinct colours, each with a white square in its outer corner: what a
// scaled frame shows is checked at the middle of these blocks, whatever the sampling.
uint32_t ScaledPattern(int x, int y)
{
    static const uint32_t quarters[4] = {0xC02020, 0x20C020, 0x2020C0, 0xC0C020};
    bool right = x >= kFrameWidth / 2, bottom = y >= kFrameHeight / 2;
    int cornerX = right ? kFrameWidth - 1 - x : x, cornerY = bottom ? kFrameHeight - 1 - y : y;
    if (cornerX < 40 && cornerY < 40)
        return 0xFFFFFF;
    return quarters[(bottom ? 2 : 0) + (right ? 1 : 0)];
}

struct X11Window
{
    Display* display = nullptr;
    Window window = 0;
};

bool X11Of(HWND hwnd, X11Window* out)
{
    SDL_Window* sdl = Platform::HostWindow(hwnd);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!sdl || !SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_X11)
        return false;
    out->display = info.info.x11.display;
    out->window = info.info.x11.window;
    return true;
}

// Where the window's pixels really are on the X screen.
bool RealPlace(const X11Window& w, int* x, int* y, int* width, int* height)
{
    XWindowAttributes attributes;
    Window child;
    XSync(w.display, False);
    if (!XGetWindowAttributes(w.display, w.window, &attributes) ||
        !XTranslateCoordinates(w.display, w.window, DefaultRootWindow(w.display), 0, 0, x, y, &child))
        return false;
    *width = attributes.width;
    *height = attributes.height;
    return true;
}

bool WindowManagerRuns(Display* display)
{
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return false;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    bool found = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type,
                                    &format, &count, &after, &data) == Success &&
                 count == 1;
    if (data)
        XFree(data);
    return found;
}

// Pumps for up to `seconds` until `done` holds.
template <typename Done> bool PumpUntil(double seconds, Done done)
{
    Uint32 start = SDL_GetTicks();
    while (SDL_GetTicks() - start < (Uint32)(seconds * 1000))
    {
        Pump();
        if (done())
            return true;
        SDL_Delay(10);
    }
    return done();
}

// The screen as the X server shows it, 0xRRGGBB.
std::vector<uint32_t> ScreenPixels(Display* display, int width, int height)
{
    std::vector<uint32_t> pixels;
    XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, width, height, AllPlanes, ZPixmap);
    if (!image)
        return pixels;
    pixels.resize((size_t)width * height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            pixels[(size_t)y * width + x] = (uint32_t)XGetPixel(image, x, y) & 0xFFFFFF;
    XDestroyImage(image);
    return pixels;
}

int CheckScaled(Check* c, double seconds, bool waitForManager)
{
    Display* probe = XOpenDisplay(nullptr);
    if (!probe)
        return Fail("--scaled needs an X display");
    bool managed = waitForManager ? PumpUntil(seconds, [&] { return WindowManagerRuns(probe); })
                                  : WindowManagerRuns(probe);
    XCloseDisplay(probe);
    if (waitForManager && !managed)
        return Fail("no window manager came up");
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (!(c->hwnd = MakeWindow(kStyle, 80, 60, kFrameWidth, kFrameHeight)))
        return Fail("CreateWindowExA");
    X11Window x11;
    int beforeX = 0, beforeY = 0, w = 0, h = 0;
    if (!X11Of(c->hwnd, &x11))
        return Fail("the window is not an X11 window");
    // A window manager places the window itself; wait until it has.
    PumpUntil(seconds, [&] { return RealPlace(x11, &beforeX, &beforeY, &w, &h) && w == kFrameWidth; });
    RECT rectBefore;
    GetWindowRect(c->hwnd, &rectBefore);
    HRESULT hr = c->dd->SetCooperativeLevel(c->hwnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    if (hr != DD_OK || (hr = c->dd->SetDisplayMode(kFrameWidth, kFrameHeight, 32, 0, 0)) != DD_OK)
        return Fail("full screen at 800x600", hr);
    IDirectDrawSurface7* back = FlipChainBack(c);
    if (!back)
        return 1;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK)
        return Fail("Lock");
    for (int y = 0; y < kFrameHeight; y++)
        for (int x = 0; x < kFrameWidth; x++)
            ((uint32_t*)((uint8_t*)desc.lpSurface + y * desc.lPitch))[x] = ScaledPattern(x, y);
    back->Unlock(nullptr);
    back->Release();
    if ((hr = c->primary->Flip(nullptr, DDFLIP_WAIT)) != DD_OK)
        return Fail("Flip", hr);
    // The frame, scaled to fit the screen with its aspect kept, centred between black bars.
    double scale = std::min((double)screenWidth / kFrameWidth, (double)screenHeight / kFrameHeight);
    int shownWidth = (int)(kFrameWidth * scale + 0.5), shownHeight = (int)(kFrameHeight * scale + 0.5);
    int left = (screenWidth - shownWidth) / 2, top = (screenHeight - shownHeight) / 2;
    int wrong = 0;
    auto check = [&](const std::vector<uint32_t>& screen, bool report)
    {
        wrong = 0;
        auto expect = [&](int sx, int sy, uint32_t want)
        {
            uint32_t got = screen[(size_t)sy * screenWidth + sx];
            if (got != want && wrong++ == 0 && report)
                std::fprintf(stderr, "present check: screen (%d, %d) is %06x, expected %06x\n", sx, sy, got,
                             want);
        };
        for (int fy : {10, 150, 450, 590})
            for (int fx : {10, 200, 600, 790})
                expect(left + (int)((fx + 0.5) * scale), top + (int)((fy + 0.5) * scale),
                       ScaledPattern(fx, fy));
        if (left > 2)
            expect(left / 2, screenHeight / 2, 0), expect(screenWidth - left / 2, screenHeight / 2, 0);
        if (top > 2)
            expect(screenWidth / 2, top / 2, 0), expect(screenWidth / 2, screenHeight - top / 2, 0);
        return wrong == 0;
    };
    bool shown = PumpUntil(seconds, [&]
                           { return check(ScreenPixels(x11.display, screenWidth, screenHeight), false); });
    if (!shown)
    {
        check(ScreenPixels(x11.display, screenWidth, screenHeight), true);
        return Fail("the screen does not show the whole frame scaled");
    }
    // Back to the window: where it was, at its size.
    c->dd->SetCooperativeLevel(c->hwnd, DDSCL_NORMAL);
    c->dd->RestoreDisplayMode();
    int afterX = 0, afterY = 0;
    bool placed = PumpUntil(seconds,
                            [&]
                            {
                                return RealPlace(x11, &afterX, &afterY, &w, &h) && afterX == beforeX &&
                                       afterY == beforeY && w == kFrameWidth && h == kFrameHeight;
                            });
    RECT rectAfter;
    GetWindowRect(c->hwnd, &rectAfter);
    if (!placed || rectAfter.left != rectBefore.left || rectAfter.top != rectBefore.top)
    {
        std::fprintf(
            stderr,
            "present check: the window was at (%d, %d) [%ld, %ld], came back at (%d, %d) %dx%d [%ld, %ld]\n",
            beforeX, beforeY, (long)rectBefore.left, (long)rectBefore.top, afterX, afterY, w, h,
            (long)rectAfter.left, (long)rectAfter.top);
        return 1;
    }
    std::printf(
        "present check: 800x600 shown whole at %dx%d on a %dx%d screen %s a window manager; the window "
        "came back to (%d, %d)\n",
        shownWidth, shownHeight, screenWidth, screenHeight, managed ? "with" : "without", afterX, afterY);
    return 0;
}
#endif
} // namespace

int main(int argc, char** argv)
{
    double seconds = 10;
    bool fullScreen = false, scaled = false, waitForManager = false;
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
        else if (std::strcmp(argv[i], "--scaled") == 0)
            scaled = true;
        else if (std::strcmp(argv[i], "--window-manager") == 0)
            waitForManager = true;
        else
            return Fail(
                "usage: lumo_present_check [--seconds N] [--full-screen BITS] [--scaled] [--window-manager]");

    void* made = nullptr;
    HRESULT hr = DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr);
    if (hr != DD_OK)
        return Fail("DirectDrawCreateEx", hr);
    c.dd = static_cast<IDirectDraw7*>(made);
    int result;
#ifdef LUMO_HAVE_X11
    if (scaled)
        result = CheckScaled(&c, seconds, waitForManager);
    else
#endif
    {
        if (scaled)
            return Fail("--scaled needs X11");
        result = fullScreen ? ShowFullScreen(&c) : ShowWindowed(&c);
        if (result == 0)
            result = Verify(c, seconds);
    }
    if (fullScreen && !scaled && result == 0 && !PlatformTest::ShownFullScreen(c.hwnd))
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
