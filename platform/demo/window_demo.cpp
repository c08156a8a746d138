// A small program of the platform layer: opens the game-sized window, pumps its
// messages and shows what arrives.
//
//   lumo_window_demo [--verbose] [--seconds N] [--auto-close] [--check-pixels]
//
// --auto-close pushes a key press, text, a click and then a close request through the
// test interface and fails unless each arrived as its window message. --check-pixels
// reads the filled frame back and fails unless it holds the fill colour.
#include "test/input.h"
#include "win32/host.h"
#include "win32/windows.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{
constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT_PTR kTimerId = 100;
constexpr Uint8 kFill[3] = {0x2A, 0x6E, 0xB4};

struct Options
{
    bool verbose = false;
    bool autoClose = false;
    bool checkPixels = false;
    double seconds = 0;
};

struct State
{
    Options options;
    SDL_Renderer* renderer = nullptr;
    Uint32 startTicks = 0;
    int timerCount = 0;
    std::set<UINT> seen;
    bool pixelsOk = true;
    bool pixelsChecked = false;
};
State gState;

const char* MessageName(UINT message)
{
    static const std::map<UINT, const char*> names = {
        {WM_DESTROY, "WM_DESTROY"},
        {WM_MOVE, "WM_MOVE"},
        {WM_SIZE, "WM_SIZE"},
        {WM_PAINT, "WM_PAINT"},
        {WM_CLOSE, "WM_CLOSE"},
        {WM_ERASEBKGND, "WM_ERASEBKGND"},
        {WM_ACTIVATEAPP, "WM_ACTIVATEAPP"},
        {WM_SETCURSOR, "WM_SETCURSOR"},
        {WM_KEYDOWN, "WM_KEYDOWN"},
        {WM_KEYUP, "WM_KEYUP"},
        {WM_CHAR, "WM_CHAR"},
        {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
        {WM_SYSKEYUP, "WM_SYSKEYUP"},
        {WM_SYSCHAR, "WM_SYSCHAR"},
        {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
        {WM_TIMER, "WM_TIMER"},
        {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
        {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
        {WM_LBUTTONUP, "WM_LBUTTONUP"},
        {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
        {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
        {WM_RBUTTONUP, "WM_RBUTTONUP"},
        {WM_RBUTTONDBLCLK, "WM_RBUTTONDBLCLK"},
        {WM_MBUTTONDOWN, "WM_MBUTTONDOWN"},
        {WM_MBUTTONUP, "WM_MBUTTONUP"},
        {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"},
    };
    auto it = names.find(message);
    return it == names.end() ? "message" : it->second;
}

// Fills the client area; the first time, reads the frame back when asked to check it.
void DrawFrame(HWND hwnd)
{
    if (!gState.renderer)
    {
        SDL_Window* window = Platform::HostWindow(hwnd);
        gState.renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE) : nullptr;
        if (!gState.renderer)
        {
            std::fprintf(stderr, "window_demo: no renderer: %s\n", SDL_GetError());
            return;
        }
    }
    SDL_SetRenderDrawColor(gState.renderer, kFill[0], kFill[1], kFill[2], 255);
    SDL_RenderClear(gState.renderer);
    if (gState.options.checkPixels && !gState.pixelsChecked)
    {
        gState.pixelsChecked = true;
        std::vector<Uint32> pixels((size_t)kWidth * kHeight);
        SDL_Rect all{0, 0, kWidth, kHeight};
        if (SDL_RenderReadPixels(gState.renderer, &all, SDL_PIXELFORMAT_ARGB8888, pixels.data(),
                                 kWidth * 4) != 0)
        {
            std::fprintf(stderr, "window_demo: cannot read the frame: %s\n", SDL_GetError());
            gState.pixelsOk = false;
        }
        Uint32 want = 0xFF000000u | (Uint32)kFill[0] << 16 | (Uint32)kFill[1] << 8 | kFill[2];
        size_t wrong = 0;
        for (Uint32 p : pixels)
            wrong += p != want;
        if (wrong)
        {
            std::fprintf(stderr, "window_demo: %zu of %zu pixels differ from the fill\n", wrong,
                         pixels.size());
            gState.pixelsOk = false;
        }
        else
            std::printf("frame of %dx%d filled as drawn\n", kWidth, kHeight);
    }
    SDL_RenderPresent(gState.renderer);
}

void InjectScript(HWND hwnd)
{
    PlatformTest::InjectKeyPress(hwnd, SDLK_a, SDL_SCANCODE_A);
    PlatformTest::InjectText(hwnd, "a");
    PlatformTest::InjectMouseMove(hwnd, 400, 300);
    PlatformTest::InjectClick(hwnd, 1, 400, 300);
    PlatformTest::InjectWheel(hwnd, 1);
    PlatformTest::InjectCloseRequest(hwnd);
}

LRESULT CALLBACK DemoProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    gState.seen.insert(message);
    if (gState.options.verbose)
        std::printf("%-18s wParam=0x%08lx lParam=0x%08lx\n", MessageName(message), (unsigned long)wParam,
                    (unsigned long)(DWORD)lParam);
    switch (message)
    {
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        DrawFrame(hwnd);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_TIMER:
        ++gState.timerCount;
        if (gState.options.autoClose && gState.timerCount == 3)
            InjectScript(hwnd);
        if (gState.options.seconds > 0 && SDL_GetTicks() - gState.startTicks >= gState.options.seconds * 1000)
            DestroyWindow(hwnd);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

bool ParseOptions(int argc, char** argv, Options* options)
{
    for (int i = 1; i < argc; i++)
    {
        std::string arg = argv[i];
        if (arg == "--verbose")
            options->verbose = true;
        else if (arg == "--auto-close")
            options->autoClose = true;
        else if (arg == "--check-pixels")
            options->checkPixels = true;
        else if (arg == "--seconds" && i + 1 < argc)
        {
            char* end = nullptr;
            options->seconds = std::strtod(argv[++i], &end);
            if (!end || *end || !(options->seconds > 0) || options->seconds > 86400)
            {
                std::fprintf(stderr, "window_demo: --seconds wants a positive number, not \"%s\"\n", argv[i]);
                return false;
            }
        }
        else
        {
            std::fprintf(
                stderr,
                "window_demo: unknown option \"%s\"\n"
                "usage: lumo_window_demo [--verbose] [--seconds N] [--auto-close] [--check-pixels]\n",
                arg.c_str());
            return false;
        }
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    if (!ParseOptions(argc, argv, &gState.options))
        return 2;
    gState.startTicks = SDL_GetTicks();

    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DemoProc;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "MainWindow";
    if (!RegisterClassA(&wc))
        return 1;

    // Centred across the work area and 38.2 per cent down its free height.
    RECT frame{0, 0, kWidth, kHeight};
    AdjustWindowRect(&frame, kStyle, FALSE);
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int frameW = frame.right - frame.left, frameH = frame.bottom - frame.top;
    int x = work.left + (work.right - work.left - frameW) / 2;
    int y = work.top + (int)(0.382 * (work.bottom - work.top - frameH));
    HWND hwnd = CreateWindowExA(0, "MainWindow", "Crustavia", kStyle, x, y, frameW, frameH, nullptr, nullptr,
                                nullptr, nullptr);
    if (!hwnd)
    {
        std::fprintf(stderr, "window_demo: the window could not be made\n");
        return 1;
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd);
    SetTimer(hwnd, kTimerId, 10, nullptr);

    MSG msg;
    BOOL got;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (gState.renderer)
        SDL_DestroyRenderer(gState.renderer);
    SDL_Quit();

    int status = got < 0 ? 1 : (int)msg.wParam;
    if (gState.options.autoClose)
        for (UINT m : {WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP,
                       WM_MOUSEWHEEL, WM_CLOSE, WM_DESTROY})
            if (!gState.seen.count(m))
            {
                std::fprintf(stderr, "window_demo: %s never arrived\n", MessageName(m));
                status = 1;
            }
    if (gState.options.checkPixels && !(gState.pixelsChecked && gState.pixelsOk))
    {
        std::fprintf(stderr, "window_demo: the frame check failed or never ran\n");
        status = 1;
    }
    if (status == 0)
        std::printf("window_demo: closed cleanly after %d timer ticks\n", gState.timerCount);
    return status;
}
