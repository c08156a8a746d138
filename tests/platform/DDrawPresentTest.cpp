// The primary shown in its window: windowed through the clipper's client area, full screen
// through flips, at 32 and 16 bits, with a second thread drawing meanwhile.
#include "DDrawSupport.h"
#include "test/input.h"
#include "test/present.h"
#include "win32/host.h"
#include "win32/windows.h"

#include <atomic>
#include <thread>

namespace
{
// The client area of the test window lies at (103, 123), 400 x 300, on the 640 x 480 desktop.
constexpr LONG kClientX = 103, kClientY = 123, kClientW = 400, kClientH = 300;

LPARAM gLastMouseMove = -1;

LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_MOUSEMOVE)
        gLastMouseMove = lParam;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

struct Frame
{
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};
} // namespace

class PresentTest : public DDrawTest
{
protected:
    void SetUp() override
    {
        DDrawTest::SetUp();
        WNDCLASSA wc{};
        wc.lpfnWndProc = PlainProc;
        wc.lpszClassName = "PresentWindow";
        RegisterClassA(&wc); // 0 when an earlier test registered it
        DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        hwnd = CreateWindowExA(0, "PresentWindow", "Present", style, 100, 100, 406, 326, nullptr, nullptr,
                               nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOW);
        Pump();
    }

    void TearDown() override
    {
        for (IUnknown* object : objects)
            object->Release();
        objects.clear();
        Pump();
        DestroyWindow(hwnd);
        Pump();
        DDrawTest::TearDown();
    }

    static void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }

    template <typename T> T* Keep(T* object)
    {
        objects.push_back(object);
        return object;
    }

    IDirectDrawSurface7* WindowedPrimary() { return Keep(MakeWindowedPrimary(dd, hwnd)); }

    Frame Presented()
    {
        Pump();
        Frame frame;
        EXPECT_TRUE(PlatformTest::ReadPresentedFrame(hwnd, &frame.width, &frame.height, &frame.pixels));
        return frame;
    }

    // Writes a value at a point of a surface through a lock.
    static void Poke(IDirectDrawSurface7* surface, LONG x, LONG y, uint32_t value)
    {
        RECT one{x, y, x + 1, y + 1};
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        ASSERT_EQ(surface->Lock(&one, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        std::memcpy(desc.lpSurface, &value, desc.ddpfPixelFormat.dwRGBBitCount / 8);
        ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
    }

    HWND hwnd = nullptr;
    std::vector<IUnknown*> objects;
};

TEST_F(PresentTest, WindowedPrimaryAt32BitsShowsTheClientAreaExactly)
{
    IDirectDrawSurface7* primary = WindowedPrimary();
    // Every pixel of the desktop differs, so a frame taken from the wrong place cannot match.
    std::vector<uint32_t> desktop(640 * 480);
    for (size_t i = 0; i < desktop.size(); i++)
        desktop[i] = 0xAB000000u | (uint32_t)(i * 2654435761u % 0x1000000u);
    Write(primary, desktop);
    uint64_t shownBefore = PlatformTest::HostPresentCount();
    Frame frame = Presented();
    ASSERT_EQ(frame.width, kClientW);
    ASSERT_EQ(frame.height, kClientH);
    for (int y = 0; y < kClientH; y++)
        for (int x = 0; x < kClientW; x++)
            ASSERT_EQ(frame.At(x, y), 0xFF000000u | (desktop[(kClientY + y) * 640 + kClientX + x] & 0xFFFFFF))
                << x << "," << y;
    EXPECT_GT(PlatformTest::HostPresentCount(), shownBefore);
    // The host's renderer holds the same picture.
    Frame host;
    ASSERT_TRUE(PlatformTest::ReadHostFrame(hwnd, &host.width, &host.height, &host.pixels));
    ASSERT_EQ(host.width, kClientW);
    ASSERT_EQ(host.height, kClientH);
    for (size_t i = 0; i < host.pixels.size(); i++)
        ASSERT_EQ(host.pixels[i] | 0xFF000000u, frame.pixels[i]) << i;
}

TEST_F(PresentTest, NothingNewIsHandedToTheHostUntilThePrimaryChanges)
{
    IDirectDrawSurface7* primary = WindowedPrimary();
    Presented();
    uint64_t shown = PlatformTest::HostPresentCount();
    Pump();
    EXPECT_EQ(PlatformTest::HostPresentCount(), shown);
    Poke(primary, kClientX + 5, kClientY + 6, 0x123456);
    Frame frame = Presented();
    EXPECT_EQ(PlatformTest::HostPresentCount(), shown + 1);
    EXPECT_EQ(frame.At(5, 6), 0xFF123456u);
}

TEST_F(PresentTest, SixteenBitPrimariesWidenEachChannelExactly)
{
    for (bool green6 : {true, false})
    {
        SCOPED_TRACE(green6 ? "5-6-5" : "5-5-5");
        for (IUnknown* object : objects)
            object->Release();
        objects.clear();
        PlatformTest::SetDirectDraw565(green6);
        UseDesktop(16);
        IDirectDrawSurface7* primary = WindowedPrimary();
        // All 65536 values, row by row through the client area.
        std::vector<uint32_t> desktop(640 * 480, 0);
        for (uint32_t v = 0; v < 65536; v++)
            desktop[(kClientY + v / kClientW) * 640 + kClientX + v % kClientW] = v;
        Write(primary, desktop);
        Frame frame = Presented();
        ASSERT_EQ(frame.width, kClientW);
        int greenBits = green6 ? 6 : 5;
        for (uint32_t v = 0; v < 65536; v++)
        {
            uint32_t shown = frame.At(v % kClientW, v / kClientW);
            uint32_t r = shown >> 16 & 0xFF, g = shown >> 8 & 0xFF, b = shown & 0xFF;
            uint32_t value = green6 ? v : v & 0x7FFF;
            // The top bits of each channel give the value back; the low bits repeat the top ones.
            uint32_t back = (r >> 3) << (5 + greenBits) | (g >> (8 - greenBits)) << 5 | b >> 3;
            ASSERT_EQ(back, value) << std::hex << v;
            ASSERT_EQ(r & 7, r >> 5) << std::hex << v;
            ASSERT_EQ(b & 7, b >> 5) << std::hex << v;
            ASSERT_EQ(shown >> 24, 0xFFu);
        }
        uint32_t white = green6 ? 0xFFFF : 0x7FFF;
        uint32_t red = green6 ? 0xF800 : 0x7C00;
        uint32_t green = green6 ? 0x07E0 : 0x03E0;
        EXPECT_EQ(frame.At(white % kClientW, white / kClientW), 0xFFFFFFFFu);
        EXPECT_EQ(frame.At(red % kClientW, red / kClientW), 0xFFFF0000u);
        EXPECT_EQ(frame.At(green % kClientW, green / kClientW), 0xFF00FF00u);
        EXPECT_EQ(frame.At(0x1F, 0), 0xFF0000FFu);
        EXPECT_EQ(frame.At(0, 0), 0xFF000000u);
        // 5-6-5 0x0841 is 1, 2, 1: 8, 8, 8. 5-5-5 0x0421 is 1, 1, 1: 8, 8, 8.
        uint32_t ones = green6 ? 0x0841 : 0x0421;
        EXPECT_EQ(frame.At(ones % kClientW, ones / kClientW), 0xFF080808u);
    }
}

TEST_F(PresentTest, BlitOntoTheWindowedPrimaryStaysInsideTheClientArea)
{
    IDirectDrawSurface7* primary = WindowedPrimary();
    std::vector<uint32_t> grey(640 * 480, 0x111111);
    Write(primary, grey);
    IDirectDrawSurface7* draw = Keep(Offscreen(200, 100));
    std::vector<uint32_t> pattern(200 * 100);
    for (size_t i = 0; i < pattern.size(); i++)
        pattern[i] = 0x800000u | (uint32_t)i;
    Write(draw, pattern);
    // Half of the blit lies left of and above the client area.
    RECT dest{kClientX - 100, kClientY - 50, kClientX + 100, kClientY + 50};
    ASSERT_EQ(primary->Blt(&dest, draw, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    Frame frame = Presented();
    for (int y = 0; y < kClientH; y += 7)
        for (int x = 0; x < kClientW; x += 3)
        {
            bool covered = x < 100 && y < 50;
            uint32_t expected = covered ? pattern[(size_t)(y + 50) * 200 + x + 100] : 0x111111;
            ASSERT_EQ(frame.At(x, y), 0xFF000000u | expected) << x << "," << y;
        }
    // Outside the window the primary kept what it had.
    std::vector<uint32_t> after = Read(primary);
    EXPECT_EQ(after[(size_t)(kClientY - 1) * 640 + kClientX - 1], 0x111111u);
    EXPECT_EQ(after[(size_t)kClientY * 640 + kClientX], pattern[50 * 200 + 100]);
}

TEST_F(PresentTest, ClientAreaBeyondTheDesktopShowsBlack)
{
    IDirectDrawSurface7* primary = WindowedPrimary();
    std::vector<uint32_t> white(640 * 480, 0xFFFFFF);
    Write(primary, white);
    // The client area now starts at (503, 323): 137 x 157 of it lie on the desktop.
    ASSERT_TRUE(MoveWindow(hwnd, 500, 300, 406, 326, FALSE));
    Frame frame = Presented();
    ASSERT_EQ(frame.width, kClientW);
    EXPECT_EQ(frame.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(frame.At(136, 156), 0xFFFFFFFFu);
    EXPECT_EQ(frame.At(137, 0), 0xFF000000u);
    EXPECT_EQ(frame.At(0, 157), 0xFF000000u);
}

// Monitors side by side, and one whose left edge is the primary's right one: the windowed primary
// spans them all, and a window on either shows its picture.
TEST_F(PresentTest, AWindowOnAnotherMonitorShowsItsPicture)
{
    PlatformTest::SetDesktop(Platform::DesktopInfo{640, 480, 32, 60, kVideoMemory},
                             {{0, 0, 640, 480, 0, 0, 640, 480}, {640, 0, 1440, 600, 640, 0, 1440, 600}});
    IDirectDrawSurface7* primary = WindowedPrimary();
    for (int x : {100, 700, 1000})
    {
        ASSERT_TRUE(MoveWindow(hwnd, x, 200, 406, 326, FALSE));
        ASSERT_EQ(Fill(primary, nullptr, 0xFFFFFF), DD_OK); // through the clipper: the client area
        Frame frame = Presented();
        ASSERT_EQ(frame.width, kClientW);
        EXPECT_EQ(frame.At(kClientW - 1, kClientH - 1), 0xFFFFFFFFu) << x;
    }
}

TEST_F(PresentTest, FlipChainShowsTheBackBufferFullScreen)
{
    RECT windowBefore;
    ASSERT_TRUE(GetWindowRect(hwnd, &windowBefore));
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 32, 0, 0), DD_OK);
    IDirectDrawSurface7 *front = nullptr, *back = nullptr;
    FlipChain(0, &front, &back);
    Keep(front);
    Keep(back);
    ASSERT_EQ(Fill(front, nullptr, 0x0000FF), DD_OK);
    Frame before = Presented();
    EXPECT_TRUE(PlatformTest::ShownFullScreen(hwnd));
    ASSERT_EQ(before.width, 640);
    ASSERT_EQ(before.height, 480);
    EXPECT_EQ(before.At(639, 479), 0xFF0000FFu);
    // Drawing into the back buffer shows nothing until the flip.
    ASSERT_EQ(Fill(back, nullptr, 0x00FF00), DD_OK);
    RECT corner{0, 0, 1, 1};
    ASSERT_EQ(Fill(back, &corner, 0xABCDEF), DD_OK);
    EXPECT_EQ(Presented().At(0, 0), 0xFF0000FFu);
    ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    Frame after = Presented();
    EXPECT_EQ(after.At(0, 0), 0xFFABCDEFu);
    EXPECT_EQ(after.At(639, 479), 0xFF00FF00u);
    // The host's full-screen size never reached the program's window.
    RECT windowNow;
    ASSERT_TRUE(GetWindowRect(hwnd, &windowNow));
    EXPECT_EQ(windowNow.left, windowBefore.left);
    EXPECT_EQ(windowNow.right, windowBefore.right);
    EXPECT_EQ(windowNow.bottom, windowBefore.bottom);

    // Back to the normal level: the window is a window again and shows its client area.
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL), DD_OK);
    Frame windowed = Presented();
    EXPECT_FALSE(PlatformTest::ShownFullScreen(hwnd));
    EXPECT_EQ(windowed.width, kClientW);
    EXPECT_EQ(windowed.height, kClientH);
}

TEST_F(PresentTest, SixteenBitFullScreenDrawsWithSixteenBitSurfacesUntilRestored)
{
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
    IDirectDrawSurface7* primary = Keep(Primary());
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(primary->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, 0x07E0u);
    IDirectDrawSurface7* draw = Keep(Offscreen(640, 480));
    ASSERT_EQ(draw->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 16u);
    ASSERT_EQ(Fill(draw, nullptr, 0xF800), DD_OK);
    ASSERT_EQ(primary->Blt(nullptr, draw, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    Frame frame = Presented();
    EXPECT_TRUE(PlatformTest::ShownFullScreen(hwnd));
    ASSERT_EQ(frame.width, 640);
    EXPECT_EQ(frame.At(320, 240), 0xFFFF0000u);

    ASSERT_EQ(dd->RestoreDisplayMode(), DD_OK);
    Pump();
    EXPECT_FALSE(PlatformTest::ShownFullScreen(hwnd));
}

TEST_F(PresentTest, ReleasingTheDirectDrawObjectLeavesFullScreen)
{
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    Keep(Primary());
    Pump();
    EXPECT_TRUE(PlatformTest::ShownFullScreen(hwnd));
    for (IUnknown* object : objects)
        object->Release();
    objects.clear();
    EXPECT_EQ(dd->Release(), 0u);
    dd = nullptr;
    Pump();
    EXPECT_FALSE(PlatformTest::ShownFullScreen(hwnd));
}

TEST_F(PresentTest, CursorThreadMarksThePrimaryWhileTheMainThreadPresents)
{
    IDirectDrawSurface7* primary = WindowedPrimary();
    IDirectDrawSurface7* cursor = Keep(Offscreen(16, 16));
    ASSERT_EQ(Fill(cursor, nullptr, 0xFFFFFF), DD_OK);
    int errorsBefore = PlatformTest::ScreenCallsOffMainThread();
    std::atomic<bool> done{false};
    std::atomic<int> failures{0}, unseen{0};
    constexpr int kMoves = 300;
    uint64_t shown = PlatformTest::HostPresentCount();
    std::thread mover(
        [&]
        {
            // Moves the cursor along the client area's top edge as the cursor thread does, and
            // after every second move waits for the main thread to present again.
            for (int i = 0; i < kMoves; i++)
            {
                uint64_t before = PlatformTest::HostPresentCount();
                RECT at{kClientX + i, kClientY, kClientX + i + 16, kClientY + 16};
                if (primary->Blt(&at, cursor, nullptr, DDBLT_WAIT, nullptr) != DD_OK)
                    ++failures;
                int spins = 0;
                while (i % 2 && PlatformTest::HostPresentCount() <= before && ++spins < 10000000)
                    std::this_thread::yield();
                if (i % 2 && PlatformTest::HostPresentCount() <= before)
                    ++unseen;
            }
            done = true;
        });
    while (!done)
        Pump();
    mover.join();
    Frame frame = Presented();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(unseen.load(), 0);
    EXPECT_EQ(PlatformTest::ScreenCallsOffMainThread(), errorsBefore);
    EXPECT_GE(PlatformTest::HostPresentCount(), shown + kMoves / 2);
    // The last frame holds every move: the top edge is white up to the last square's end.
    int last = kMoves - 1 + 16;
    EXPECT_EQ(frame.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(frame.At(last - 1, 15), 0xFFFFFFFFu);
    EXPECT_EQ(frame.At(last, 0), 0xFF000000u);
    EXPECT_EQ(frame.At(0, 16), 0xFF000000u);
}

TEST_F(PresentTest, HiddenWindowIsNotHandedToTheHost)
{
    IDirectDrawSurface7* primary = WindowedPrimary();
    Presented();
    ShowWindow(hwnd, SW_HIDE);
    uint64_t shown = PlatformTest::HostPresentCount();
    Poke(primary, kClientX, kClientY, 0x445566);
    Frame frame = Presented();
    EXPECT_EQ(PlatformTest::HostPresentCount(), shown);
    EXPECT_EQ(frame.At(0, 0), 0xFF445566u);
}

TEST_F(PresentTest, FullScreenWaitsForTheWindowToBeShown)
{
    HWND later = CreateWindowExA(0, "PresentWindow", "Later", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                 nullptr, nullptr);
    ASSERT_NE(later, nullptr);
    ASSERT_EQ(dd->SetCooperativeLevel(later, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    IDirectDrawSurface7* primary = Keep(Primary());
    ASSERT_EQ(Fill(primary, nullptr, 0x00AA00), DD_OK);
    Pump();
    EXPECT_FALSE(Platform::HasHostWindow(later));
    ShowWindow(later, SW_SHOW);
    Pump();
    EXPECT_TRUE(PlatformTest::ShownFullScreen(later));
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(PlatformTest::ReadHostFrame(later, &width, &height, &pixels));
    EXPECT_EQ(width, 1024); // the headless screen, the frame scaled onto it
    EXPECT_EQ(height, 768);
    EXPECT_EQ(pixels[(size_t)384 * 1024 + 512] | 0xFF000000u, 0xFF00AA00u);
    ASSERT_EQ(dd->SetCooperativeLevel(later, DDSCL_NORMAL), DD_OK);
    Pump();
    EXPECT_FALSE(PlatformTest::ShownFullScreen(later));
    DestroyWindow(later);
}

TEST_F(PresentTest, PointerOnAScaledFullScreenArrivesInFrameCoordinates)
{
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    Keep(Primary());
    Pump();
    ASSERT_TRUE(PlatformTest::ShownFullScreen(hwnd));
    // The 640 x 480 frame fills the 1024 x 768 headless screen: the screen's centre is the frame's.
    gLastMouseMove = -1;
    ASSERT_TRUE(PlatformTest::InjectMouseMove(hwnd, 512, 384));
    Pump();
    EXPECT_EQ(gLastMouseMove, MAKELPARAM(320, 240));
}

TEST_F(PresentTest, DestroyingTheExclusiveWindowGivesTheDesktopItsModeBack)
{
    // A program that goes back to a window makes the new window before its old display is gone:
    // by then the desktop must be its own size again, or the window is placed on the small mode.
    PlatformTest::SetDesktop(Platform::DesktopInfo{1024, 768, 32, 60, kVideoMemory});
    HWND exclusive = CreateWindowExA(0, "PresentWindow", "Full", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                                     nullptr, nullptr);
    ShowWindow(exclusive, SW_SHOW);
    ASSERT_EQ(dd->SetCooperativeLevel(exclusive, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 32, 0, 0), DD_OK);
    Pump();
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_TRUE(PlatformTest::ShownFullScreen(exclusive));
    DestroyWindow(exclusive);
    EXPECT_FALSE(Platform::FullScreenModeActive());
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.right, 1024);
    // The object goes on at the normal level.
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL), DD_OK);
}
