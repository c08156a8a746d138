#include "WindowFixture.h"
#include "core/faults.h"
#include "win32/host.h"

#include <thread>

TEST_F(WindowTest, TimerFollowsTheManualClockWithoutCatchUpBurst)
{
    PlatformTest::UseManualClock(true);
    ASSERT_EQ(SetTimer(hwnd, 100, 10, nullptr), (UINT_PTR)100);
    Pump();
    EXPECT_TRUE(Only({WM_TIMER}).empty());
    PlatformTest::AdvanceClock(9000);
    Pump();
    EXPECT_TRUE(Only({WM_TIMER}).empty());
    PlatformTest::AdvanceClock(1000);
    Pump();
    auto timers = Only({WM_TIMER});
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0].wParam, (WPARAM)100);
    // A late timer fires once, and only when the queue is looked at.
    Log().clear();
    PlatformTest::AdvanceClock(35000);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_TIMER);
    Pump();
    EXPECT_EQ(Only({WM_TIMER}).size(), 1u);
    ASSERT_TRUE(KillTimer(hwnd, 100));
    EXPECT_FALSE(KillTimer(hwnd, 100));
    Log().clear();
    PlatformTest::AdvanceClock(50000);
    Pump();
    EXPECT_TRUE(Only({WM_TIMER}).empty());
    PlatformTest::UseManualClock(false);
}

TEST_F(WindowTest, PostedSentQuitAndFilters)
{
    UINT custom = RegisterWindowMessageA("LumoRestore");
    EXPECT_GE(custom, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageA("lumorestore"), custom);
    EXPECT_NE(RegisterWindowMessageA("Other"), custom);
    EXPECT_EQ(RegisterWindowMessageA(""), 0u);

    ASSERT_TRUE(PostMessageA(hwnd, WM_USER + 1, 7, 8));
    ASSERT_TRUE(PostMessageA(hwnd, custom, 1, 2));
    EXPECT_FALSE(PostMessageA((HWND)(uintptr_t)0x7777770, WM_USER, 0, 0));
    MSG msg;
    // A filter skips the first message and leaves it queued.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, custom, custom, PM_REMOVE));
    EXPECT_EQ(msg.wParam, (WPARAM)1);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_USER + 1);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, (UINT)WM_USER + 1);
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(Log().back().lParam, 8);

    EXPECT_EQ(SendMessageA(hwnd, WM_USER + 2, 3, 4), 0);
    EXPECT_EQ(Log().back().message, (UINT)WM_USER + 2);

    PostQuitMessage(3);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ(msg.wParam, (WPARAM)3);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(GetMessageA(&msg, (HWND)(uintptr_t)0x7777770, 0, 0), -1);
}

TEST_F(WindowTest, PaintWhenInvalidUntilValidated)
{
    Pump();
    Log().clear();
    ASSERT_TRUE(InvalidateRect(hwnd, nullptr, TRUE));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
    // Still there until someone paints.
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    EXPECT_NE(dc, nullptr);
    EXPECT_EQ(ps.rcPaint.right, 400);
    EXPECT_EQ(ps.rcPaint.bottom, 300);
    EXPECT_TRUE(EndPaint(hwnd, &ps));
    EXPECT_EQ(Only({WM_ERASEBKGND}).size(), 1u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
    // UpdateWindow paints at once, and only when something is invalid.
    Log().clear();
    UpdateWindow(hwnd);
    EXPECT_TRUE(Only({WM_PAINT}).empty());
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    EXPECT_EQ(Only({WM_PAINT}).size(), 1u);
    EXPECT_TRUE(Only({WM_ERASEBKGND}).empty());
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
    // Hidden windows get no paint.
    ShowWindow(hwnd, SW_HIDE);
    InvalidateRect(hwnd, nullptr, FALSE);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE));
    EXPECT_FALSE(IsWindowVisible(hwnd));
}

TEST_F(WindowTest, FrameAndClientCoordinatesAgree)
{
    RECT frame{0, 0, 800, 600};
    ASSERT_TRUE(AdjustWindowRect(&frame, kStyle, FALSE));
    EXPECT_EQ(frame.left, -3);
    EXPECT_EQ(frame.top, -23);
    EXPECT_EQ(frame.right, 803);
    EXPECT_EQ(frame.bottom, 603);
    RECT popup{0, 0, 640, 480};
    AdjustWindowRect(&popup, WS_POPUP, FALSE);
    EXPECT_EQ(popup.left, 0);
    EXPECT_EQ(popup.bottom, 480);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFIXEDFRAME), -frame.top);

    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    ASSERT_TRUE(MoveWindow(hwnd, 112, 84, width, height, FALSE));
    auto moves = Only({WM_MOVE, WM_SIZE});
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].lParam, MAKELPARAM(115, 107));
    EXPECT_EQ(moves[1].lParam, MAKELPARAM(800, 600));
    RECT client, window;
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    EXPECT_EQ(client.right, 800);
    EXPECT_EQ(client.bottom, 600);
    ASSERT_TRUE(GetWindowRect(hwnd, &window));
    EXPECT_EQ(window.left, 112);
    EXPECT_EQ(window.bottom, 84 + height);
    POINT pt{0, 0};
    ASSERT_TRUE(ClientToScreen(hwnd, &pt));
    EXPECT_EQ(pt.x, 112 - frame.left);
    EXPECT_EQ(pt.y, 84 - frame.top);
    ASSERT_TRUE(ScreenToClient(hwnd, &pt));
    EXPECT_EQ(pt.x, 0);
    EXPECT_EQ(pt.y, 0);
    // The window under a point: client and frame belong to it, outside does not.
    EXPECT_EQ(WindowFromPoint(POINT{113, 90}), hwnd);
    EXPECT_EQ(WindowFromPoint(POINT{112 + width, 90}), nullptr);
    // Moving to the same place sends nothing.
    Log().clear();
    SetWindowPos(hwnd, nullptr, 112, 84, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_TRUE(Only({WM_MOVE, WM_SIZE}).empty());
}

TEST_F(WindowTest, UserDataHoldsAPointerAndForegroundFollowsShow)
{
    int object = 0;
    EXPECT_EQ(SetWindowLongA(hwnd, GWL_USERDATA, (LONG_PTR)&object), 0);
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_USERDATA), (LONG_PTR)&object);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), (LONG_PTR)&object);
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE, WS_VISIBLE);
    EXPECT_EQ(GetForegroundWindow(), hwnd);
    EXPECT_EQ(GetActiveWindow(), hwnd);
    EXPECT_TRUE(SetForegroundWindow(hwnd));
    EXPECT_TRUE(IsWindowVisible(hwnd));
}

TEST_F(WindowTest, InvisibleWindowNeedsNoHostWindowAndBadCallsFail)
{
    RegisterOnce("InvisWindow", 0);
    HWND invisible =
        CreateWindowExA(0, "InvisWindow", "Hidden", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(invisible, nullptr);
    EXPECT_FALSE(IsWindowVisible(invisible));
    EXPECT_FALSE(Platform::HasHostWindow(invisible));
    EXPECT_TRUE(Platform::HasHostWindow(hwnd));
    EXPECT_TRUE(DestroyWindow(invisible));
    EXPECT_FALSE(DestroyWindow(invisible));

    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    PlatformTest::FailCall("CreateWindowExA", 1);
    EXPECT_EQ(CreateWindowExA(0, "TestWindow", "x", kStyle | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr),
              nullptr);
    HWND next = CreateWindowExA(0, "TestWindow", "x", 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(next, nullptr);
    DestroyWindow(next);

    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "TestWindow";
    EXPECT_EQ(RegisterClassA(&wc), 0);                     // already registered
    EXPECT_FALSE(UnregisterClassA("TestWindow", nullptr)); // a window still uses it
    RECT r;
    EXPECT_FALSE(GetClientRect(nullptr, &r));
    EXPECT_FALSE(ShowWindow((HWND)(uintptr_t)0x7777770, SW_SHOW));
}

TEST_F(WindowTest, CaptureRoutesPointerToCapturingWindow)
{
    RegisterOnce("PlainWindow", 0);
    HWND other = CreateWindowExA(0, "PlainWindow", "Other", WS_POPUP | WS_VISIBLE, 600, 100, 100, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    Pump();
    Log().clear();
    EXPECT_EQ(SetCapture(hwnd), nullptr);
    EXPECT_EQ(GetCapture(), hwnd);
    ASSERT_TRUE(PlatformTest::InjectMouseMove(other, 10, 10));
    Pump();
    auto moves = Only({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].hwnd, hwnd);
    // (610, 110) on the screen is (507, -13) in the capturing window's client area.
    EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), 507);
    EXPECT_EQ(GET_Y_LPARAM(moves[0].lParam), -13);
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    SetCapture(other);
    DestroyWindow(other);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowTest, OtherThreadsPostAndReadThePointerSafely)
{
    ASSERT_TRUE(PlatformTest::InjectMouseMove(hwnd, 7, 9));
    Pump();
    POINT seen{};
    std::thread worker(
        [&]
        {
            // What the cursor thread does: the cached pointer in client coordinates.
            GetCursorPos(&seen);
            ScreenToClient(hwnd, &seen);
            for (int i = 0; i < 100; i++)
                PostMessageA(hwnd, WM_USER + 5, (WPARAM)i, 0);
        });
    worker.join();
    EXPECT_EQ(seen.x, 7);
    EXPECT_EQ(seen.y, 9);
    Pump();
    auto posted = Only({WM_USER + 5});
    ASSERT_EQ(posted.size(), 100u);
    for (size_t i = 0; i < posted.size(); i++)
        EXPECT_EQ(posted[i].wParam, (WPARAM)i);
}

TEST_F(WindowTest, EnumWindowsListsTopLevelWindowsUntilTheCallbackStops)
{
    RegisterOnce("PlainWindow", 0);
    HWND second = CreateWindowExA(0, "PlainWindow", "Second", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    std::vector<HWND> listed;
    auto collect = [](HWND h, LPARAM p) -> BOOL
    {
        ((std::vector<HWND>*)p)->push_back(h);
        return TRUE;
    };
    ASSERT_TRUE(EnumWindows(collect, (LPARAM)&listed));
    EXPECT_EQ(listed, (std::vector<HWND>{second, hwnd}));
    listed.clear();
    auto first = [](HWND h, LPARAM p) -> BOOL
    {
        ((std::vector<HWND>*)p)->push_back(h);
        return FALSE;
    };
    EnumWindows(first, (LPARAM)&listed);
    EXPECT_EQ(listed.size(), 1u);
    DestroyWindow(second);
}
