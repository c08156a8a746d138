// Where a shown window lands on a real X11 display, with a window manager (openbox) and without:
// the place a program saves at exit brings the window back to exactly that place next time. And a
// window another X client destroys is closed as its close button closes it.
#include "win32/host.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <thread>
#include <vector>

// Last: X11's macros (None, Bool, ...) would clash with the names above.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace
{
constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

int gCloses = 0;

LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
    {
        gCloses++;
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RegisterProc()
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "Placed";
    RegisterClassA(&wc);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// Where the X server has the window's inside, once every request so far has been handled.
POINT RealClientOrigin(HWND hwnd)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    POINT at{-1, -1};
    if (!SDL_GetWindowWMInfo(Platform::HostWindow(hwnd), &info) || info.subsystem != SDL_SYSWM_X11)
        return at;
    Display* display = info.info.x11.display;
    XSync(display, False);
    Window child;
    int x = 0, y = 0;
    XTranslateCoordinates(display, info.info.x11.window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return POINT{x, y};
}

// Opens the program's 800x600 window with its frame at `frame`, as a program placing its window
// where it was saved does; returns the frame's place once the window manager has settled it.
POINT OpenAndClose(POINT frame)
{
    RECT size{0, 0, 800, 600};
    AdjustWindowRect(&size, kStyle, FALSE);
    HWND hwnd = CreateWindowExA(0, "Placed", "placement", kStyle, frame.x, frame.y, size.right - size.left,
                                size.bottom - size.top, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(hwnd, nullptr);
    if (hwnd == nullptr)
        return frame;
    ShowWindow(hwnd, SW_SHOWNORMAL);
    POINT wanted{0, 0};
    ClientToScreen(hwnd, &wanted);
    // A window manager frames the window as it appears: its inside lands off the asked place
    // until the layer has put it back.
    POINT real = RealClientOrigin(hwnd);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((real.x != wanted.x || real.y != wanted.y) && std::chrono::steady_clock::now() < deadline)
    {
        Pump();
        real = RealClientOrigin(hwnd);
    }
    Pump();
    EXPECT_EQ(real.x, wanted.x);
    EXPECT_EQ(real.y, wanted.y);
    RECT placed{};
    GetWindowRect(hwnd, &placed);
    DestroyWindow(hwnd);
    Pump();
    return POINT{placed.left, placed.top};
}
} // namespace

TEST(WindowPlacement, AWindowComesBackExactlyWhereItWasSaved)
{
    if (std::getenv("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X11 display (run under xvfb-run)";
    RegisterProc();
    POINT saved{180, 10};
    for (int start = 0; start < 3; start++)
    {
        SCOPED_TRACE(start);
        POINT next = OpenAndClose(saved);
        EXPECT_EQ(next.x, saved.x);
        EXPECT_EQ(next.y, saved.y);
        saved = next;
    }
}

// Destroyed by another client (xdotool windowclose does this), windowed and full screen: the
// program is asked to close instead of being ended by Xlib, and the layer then hides and destroys
// the window without waiting for a server that will never answer for it.
TEST(WindowPlacement, AWindowAnotherClientDestroysIsClosed)
{
    if (std::getenv("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X11 display (run under xvfb-run)";
    RegisterProc();
    for (bool fullScreen : {false, true})
    {
        SCOPED_TRACE(fullScreen);
        HWND hwnd = CreateWindowExA(0, "Placed", "destroyed", kStyle, 100, 100, 640, 480, nullptr, nullptr,
                                    nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        if (fullScreen)
        {
            ASSERT_TRUE(Platform::SetHostFullScreen(hwnd, true));
        }
        Pump();
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        ASSERT_TRUE(SDL_GetWindowWMInfo(Platform::HostWindow(hwnd), &info));
        ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
        Display* other = XOpenDisplay(nullptr);
        ASSERT_NE(other, nullptr);
        XDestroyWindow(other, info.info.x11.window);
        XCloseDisplay(other);
        gCloses = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (gCloses == 0 && std::chrono::steady_clock::now() < deadline)
        {
            // Requests that still name the window fail meanwhile.
            RealClientOrigin(hwnd);
            Pump();
        }
        EXPECT_EQ(gCloses, 1);
        if (fullScreen)
        {
            EXPECT_FALSE(Platform::SetHostFullScreen(hwnd, false));
        }
        ShowWindow(hwnd, SW_HIDE);
        EXPECT_TRUE(DestroyWindow(hwnd));
        Pump();
    }
}

// A program that switches to full screen and back makes its window again each time: a window
// it destroys takes its colormap with it, or the X server keeps one more for every switch.
TEST(WindowPlacement, ADestroyedWindowLeavesNoColormapOnTheServer)
{
    if (std::getenv("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X11 display (run under xvfb-run)";
    RegisterProc();
    HWND hwnd = CreateWindowExA(0, "Placed", "colormap", kStyle, 100, 100, 320, 240, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    Pump();
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(Platform::HostWindow(hwnd), &info));
    ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
    XWindowAttributes attributes;
    ASSERT_NE(XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes), 0);
    const Colormap colormap = attributes.colormap;
    ASSERT_NE(colormap, DefaultColormapOfScreen(attributes.screen));
    EXPECT_TRUE(DestroyWindow(hwnd));
    Pump();

    // Another client asks the server for a colour of that colormap: a colormap that is gone fails.
    static int lastError = 0;
    lastError = 0;
    XErrorHandler previous =
        XSetErrorHandler([](Display*, XErrorEvent* error) { return lastError = error->error_code; });
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    XColor colour{};
    XQueryColor(other, colormap, &colour);
    XSync(other, False);
    XCloseDisplay(other);
    XSetErrorHandler(previous);
    EXPECT_EQ(lastError, BadColor);
}

namespace
{
// The place of a shown window named `name`, at the top or inside a window manager's frame, found by
// a client of its own.
bool FindNamed(Display* display, Window window, const char* name, int depth, Window* found, int* x, int* y,
               int* w, int* h)
{
    // SDL names its boxes in UTF-8, which XFetchName does not read.
    XTextProperty title{};
    bool named = XGetWMName(display, window, &title) && title.value &&
                 std::strcmp((const char*)title.value, name) == 0;
    if (title.value)
        XFree(title.value);
    XWindowAttributes attributes;
    Window root = DefaultRootWindow(display), parent, child, *children = nullptr;
    if (named && XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable &&
        XTranslateCoordinates(display, window, root, 0, 0, x, y, &child))
    {
        *w = attributes.width;
        *h = attributes.height;
        *found = window;
        return true;
    }
    unsigned count = 0;
    bool seen = false;
    if (depth > 0 && XQueryTree(display, window, &root, &parent, &children, &count))
        for (unsigned i = 0; i < count && !seen; i++)
            seen = FindNamed(display, children[i], name, depth - 1, found, x, y, w, h);
    if (children)
        XFree(children);
    return seen;
}
} // namespace

// A box over a window right of the screen's middle shows on the screen, where it can be answered:
// with no window manager SDL placed it at twice the window's place, off the screen. And it shows
// SDL's grey on a 16-bit screen too, where SDL took 0xRRGGBB for the pixel value and drew it green.
TEST(WindowPlacement, ABoxOverAWindowShowsOnTheScreen)
{
    if (std::getenv("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X11 display (run under xvfb-run)";
    RegisterProc();
    HWND hwnd =
        CreateWindowExA(0, "Placed", "owner", kStyle, 900, 500, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    Pump();
    // The box waits for its answer: another client looks for it and closes it. SDL shows the box from
    // a copy of the process, which locks up when it is made while the watcher is in the middle of
    // connecting: the watcher connects and learns what it needs beforehand.
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const int screenW = DisplayWidth(other, DefaultScreen(other));
    const int screenH = DisplayHeight(other, DefaultScreen(other));
    const Atom protocols = XInternAtom(other, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(other, "WM_DELETE_WINDOW", False);
    std::atomic<bool> found{false};
    int x = 0, y = 0, w = 0, h = 0;
    std::vector<int> background;
    // Nor may the watcher hold any other lock (Xlib's, the allocator's) at the moment of the copy:
    // until the copy exists it only reads the kernel's list of this thread's children.
    char children[64];
    std::snprintf(children, sizeof children, "/proc/self/task/%d/children", int(getpid()));
    std::thread watcher(
        [&]
        {
            Window box = 0;
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            for (;;)
            {
                int fd = open(children, O_RDONLY);
                char pid = 0;
                bool copied = fd < 0 || read(fd, &pid, 1) > 0;
                if (fd >= 0)
                    close(fd);
                if (copied || std::chrono::steady_clock::now() >= deadline)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            while (!found && std::chrono::steady_clock::now() < deadline)
            {
                found = FindNamed(other, DefaultRootWindow(other), "placed box", 4, &box, &x, &y, &w, &h);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (!found)
                return;
            XWindowAttributes attributes;
            XImage* image = nullptr;
            if (XGetWindowAttributes(other, box, &attributes) &&
                (image = XGetImage(other, box, 2, 2, 1, 1, AllPlanes, ZPixmap)) != nullptr)
            {
                const Visual* v = attributes.visual;
                unsigned long pixel = XGetPixel(image, 0, 0);
                for (unsigned long mask : {v->red_mask, v->green_mask, v->blue_mask})
                    background.push_back((int)((pixel & mask) * 255 / mask));
                XDestroyImage(image);
            }
            XEvent close{};
            close.xclient.type = ClientMessage;
            close.xclient.window = box;
            close.xclient.message_type = protocols;
            close.xclient.format = 32;
            close.xclient.data.l[0] = (long)deleteWindow;
            XSendEvent(other, box, False, NoEventMask, &close);
            XSync(other, False);
        });
    MessageBoxA(hwnd, "A box to be found on the screen.", "placed box", MB_OK);
    watcher.join();
    XCloseDisplay(other);
    ASSERT_TRUE(found);
    EXPECT_GE(x, 0);
    EXPECT_GE(y, 0);
    EXPECT_LE(x + w, screenW) << x;
    EXPECT_LE(y + h, screenH) << y;
    ASSERT_EQ(background.size(), 3u);
    const int grey[3] = {56, 54, 53};
    for (int i = 0; i < 3; i++)
        EXPECT_NEAR(background[i], grey[i], 8) << i;
    DestroyWindow(hwnd);
    Pump();
}
