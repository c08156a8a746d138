#include "WindowFixture.h"

namespace
{
constexpr LPARAM kUpBits = (LPARAM)0xC0000000u;
}

TEST_F(WindowTest, KeyPressGivesVirtualKeyScanCodeAndTransitionBits)
{
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_a, SDL_SCANCODE_A, true));
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_a, SDL_SCANCODE_A, true, 0, true));
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_a, SDL_SCANCODE_A, false));
    Pump();
    auto keys = Only({WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP});
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].message, (UINT)WM_KEYDOWN);
    EXPECT_EQ(keys[0].wParam, (WPARAM)'A');
    EXPECT_EQ(keys[0].lParam, (LPARAM)0x001E0001);
    EXPECT_EQ(keys[1].lParam, (LPARAM)0x401E0001); // repeat: previous state down
    EXPECT_EQ(keys[2].message, (UINT)WM_KEYUP);
    EXPECT_EQ(keys[2].lParam, (LPARAM)0xC01E0001u);
    EXPECT_EQ(keys[0].hwnd, hwnd);
}

TEST_F(WindowTest, KeyCodesOfNamedKeys)
{
    struct Case
    {
        SDL_Keycode key;
        SDL_Scancode scan;
        UINT vk;
        LPARAM downParam;
    };
    const Case cases[] = {
        {SDLK_RETURN, SDL_SCANCODE_RETURN, VK_RETURN, 0x001C0001},
        {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x00010001},
        {SDLK_SPACE, SDL_SCANCODE_SPACE, VK_SPACE, 0x00390001},
        {SDLK_7, SDL_SCANCODE_7, '7', 0x00080001},
        {SDLK_RIGHT, SDL_SCANCODE_RIGHT, VK_RIGHT, 0x014D0001},
        {SDLK_DELETE, SDL_SCANCODE_DELETE, VK_DELETE, 0x01530001},
        {SDLK_PAGEUP, SDL_SCANCODE_PAGEUP, VK_PRIOR, 0x01490001},
        {SDLK_F1, SDL_SCANCODE_F1, VK_F1, 0x003B0001},
        {SDLK_F12, SDL_SCANCODE_F12, VK_F12, 0x00580001},
        {SDLK_KP_5, SDL_SCANCODE_KP_5, VK_NUMPAD5, 0x004C0001},
        {SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, VK_ADD, 0x004E0001},
        {SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0x01350001},
        {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x011C0001},
        {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, VK_SHIFT, 0x002A0001},
        {SDLK_RCTRL, SDL_SCANCODE_RCTRL, VK_CONTROL, 0x011D0001},
        {SDLK_PAUSE, SDL_SCANCODE_PAUSE, VK_PAUSE, 0x00450001},
        {SDLK_CAPSLOCK, SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x003A0001},
        {SDLK_MINUS, SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0x000C0001},
        {SDLK_SLASH, SDL_SCANCODE_SLASH, VK_OEM_2, 0x00350001},
        // A French keyboard: the letter follows the layout, the scan code the position.
        {SDLK_a, SDL_SCANCODE_Q, 'A', 0x00100001},
        {SDLK_AMPERSAND, SDL_SCANCODE_1, '1', 0x00020001},
    };
    for (const Case& c : cases)
    {
        Log().clear();
        ASSERT_TRUE(PlatformTest::InjectKeyPress(hwnd, c.key, c.scan));
        Pump();
        auto keys = Only({WM_KEYDOWN, WM_KEYUP});
        ASSERT_EQ(keys.size(), 2u) << SDL_GetKeyName(c.key);
        EXPECT_EQ(keys[0].wParam, (WPARAM)c.vk) << SDL_GetKeyName(c.key);
        EXPECT_EQ(keys[0].lParam, c.downParam) << SDL_GetKeyName(c.key);
        EXPECT_EQ(keys[1].lParam, c.downParam | kUpBits) << SDL_GetKeyName(c.key);
    }
}

TEST_F(WindowTest, TextAndControlKeysBecomeCharactersOnce)
{
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_h, SDL_SCANCODE_H, true));
    ASSERT_TRUE(PlatformTest::InjectText(hwnd, "h\xC3\xA9\xE2\x82\xAC")); // h, e acute, euro sign
    ASSERT_TRUE(PlatformTest::InjectKeyPress(hwnd, SDLK_RETURN, SDL_SCANCODE_RETURN));
    ASSERT_TRUE(PlatformTest::InjectKeyPress(hwnd, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE));
    ASSERT_TRUE(PlatformTest::InjectKeyPress(hwnd, SDLK_ESCAPE, SDL_SCANCODE_ESCAPE));
    ASSERT_TRUE(PlatformTest::InjectKeyPress(hwnd, SDLK_TAB, SDL_SCANCODE_TAB));
    Pump();
    std::vector<WPARAM> chars;
    for (const Received& r : Only({WM_CHAR}))
        chars.push_back(r.wParam);
    // The euro sign has no single-byte form and gives nothing.
    EXPECT_EQ(chars, (std::vector<WPARAM>{'h', 0xE9, 13, 8, 27, 9}));
    // Each control character follows its own key down.
    auto all = Log();
    for (size_t i = 0; i + 1 < all.size(); i++)
    {
        if (all[i].message == WM_KEYDOWN && all[i].wParam == VK_RETURN)
        {
            EXPECT_EQ(all[i + 1].message, (UINT)WM_CHAR);
        }
    }
}

TEST_F(WindowTest, ClickCarriesButtonsModifiersAndClientPosition)
{
    ASSERT_TRUE(PlatformTest::InjectMouseMove(hwnd, 10, 20));
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, true, KMOD_LSHIFT));
    ASSERT_TRUE(PlatformTest::InjectMouseButton(hwnd, SDL_BUTTON_LEFT, true, 10, 20));
    ASSERT_TRUE(PlatformTest::InjectMouseButton(hwnd, SDL_BUTTON_RIGHT, true, 10, 20));
    ASSERT_TRUE(PlatformTest::InjectMouseButton(hwnd, SDL_BUTTON_LEFT, false, 11, 21));
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, false));
    ASSERT_TRUE(PlatformTest::InjectMouseButton(hwnd, SDL_BUTTON_RIGHT, false, 300, 200));
    ASSERT_TRUE(PlatformTest::InjectClick(hwnd, SDL_BUTTON_MIDDLE, 5, 6));
    Pump();
    auto mouse = Only({WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP,
                       WM_MBUTTONDOWN, WM_MBUTTONUP});
    ASSERT_EQ(mouse.size(), 7u);
    EXPECT_EQ(mouse[0].message, (UINT)WM_MOUSEMOVE);
    EXPECT_EQ(mouse[0].lParam, MAKELPARAM(10, 20));
    EXPECT_EQ(mouse[1].message, (UINT)WM_LBUTTONDOWN);
    EXPECT_EQ(mouse[1].wParam, (WPARAM)(MK_LBUTTON | MK_SHIFT));
    EXPECT_EQ(mouse[2].message, (UINT)WM_RBUTTONDOWN);
    EXPECT_EQ(mouse[2].wParam, (WPARAM)(MK_LBUTTON | MK_RBUTTON | MK_SHIFT));
    EXPECT_EQ(mouse[3].message, (UINT)WM_LBUTTONUP);
    EXPECT_EQ(mouse[3].wParam, (WPARAM)(MK_RBUTTON | MK_SHIFT));
    EXPECT_EQ(mouse[3].lParam, MAKELPARAM(11, 21));
    EXPECT_EQ(mouse[4].message, (UINT)WM_RBUTTONUP);
    EXPECT_EQ(mouse[4].wParam, (WPARAM)0);
    EXPECT_EQ(mouse[4].lParam, MAKELPARAM(300, 200));
    EXPECT_EQ(mouse[5].message, (UINT)WM_MBUTTONDOWN);
    EXPECT_EQ(mouse[5].wParam, (WPARAM)MK_MBUTTON);
    EXPECT_EQ(mouse[6].message, (UINT)WM_MBUTTONUP);
    // The pointer position is kept for other threads in screen coordinates (client origin 103, 123).
    POINT pt;
    ASSERT_TRUE(GetCursorPos(&pt));
    EXPECT_EQ(pt.x, 108);
    EXPECT_EQ(pt.y, 129);
    // Every press is preceded by WM_SETCURSOR for the client area.
    bool setCursorSeen = false;
    for (const Received& r : Only({WM_SETCURSOR}))
        setCursorSeen = setCursorSeen || (LOWORD(r.lParam) == HTCLIENT && HIWORD(r.lParam) == WM_LBUTTONDOWN);
    EXPECT_TRUE(setCursorSeen);
}

TEST_F(WindowTest, DoubleClickNeedsQuickNearSecondPressAndTheClassStyle)
{
    // Time stands still unless the test moves it, so quick presses are quick on a loaded machine too.
    PlatformTest::UseManualClock(true);
    ASSERT_TRUE(PlatformTest::InjectDoubleClick(hwnd, SDL_BUTTON_LEFT, 50, 60));
    Pump();
    auto clicks = Only({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK});
    ASSERT_EQ(clicks.size(), 4u);
    EXPECT_EQ(clicks[0].message, (UINT)WM_LBUTTONDOWN);
    EXPECT_EQ(clicks[2].message, (UINT)WM_LBUTTONDBLCLK);
    EXPECT_EQ(clicks[2].wParam, (WPARAM)MK_LBUTTON);
    EXPECT_EQ(clicks[2].lParam, MAKELPARAM(50, 60));
    EXPECT_EQ(clicks[3].message, (UINT)WM_LBUTTONUP);

    // A third press starts over; a right double click is its own message.
    Log().clear();
    ASSERT_TRUE(PlatformTest::InjectClick(hwnd, SDL_BUTTON_LEFT, 50, 60));
    ASSERT_TRUE(PlatformTest::InjectDoubleClick(hwnd, SDL_BUTTON_RIGHT, 50, 60));
    Pump();
    auto more = Only({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK});
    ASSERT_EQ(more.size(), 3u);
    EXPECT_EQ(more[0].message, (UINT)WM_LBUTTONDOWN);
    EXPECT_EQ(more[1].message, (UINT)WM_RBUTTONDOWN);
    EXPECT_EQ(more[2].message, (UINT)WM_RBUTTONDBLCLK);

    // Too far apart: two single presses.
    PlatformTest::ResetInputState();
    Log().clear();
    ASSERT_TRUE(PlatformTest::InjectClick(hwnd, SDL_BUTTON_LEFT, 50, 60));
    ASSERT_TRUE(PlatformTest::InjectClick(hwnd, SDL_BUTTON_LEFT, 60, 60));
    Pump();
    EXPECT_EQ(Only({WM_LBUTTONDOWN}).size(), 2u);
    EXPECT_TRUE(Only({WM_LBUTTONDBLCLK}).empty());

    // Too slow: two single presses (the manual clock moves between them).
    PlatformTest::ResetInputState();
    Log().clear();
    ASSERT_TRUE(PlatformTest::InjectClick(hwnd, SDL_BUTTON_LEFT, 50, 60));
    Pump();
    PlatformTest::AdvanceClock((GetDoubleClickTime() + 1) * 1000ull);
    ASSERT_TRUE(PlatformTest::InjectClick(hwnd, SDL_BUTTON_LEFT, 50, 60));
    Pump();
    EXPECT_EQ(Only({WM_LBUTTONDOWN}).size(), 2u);
    EXPECT_TRUE(Only({WM_LBUTTONDBLCLK}).empty());
}

TEST_F(WindowTest, NoDoubleClickWithoutClassStyle)
{
    RegisterOnce("PlainWindow", 0);
    HWND plain = CreateWindowExA(0, "PlainWindow", "Plain", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    Pump();
    Log().clear();
    PlatformTest::UseManualClock(true); // quick enough for a double click, whatever the machine
    ASSERT_TRUE(PlatformTest::InjectDoubleClick(plain, SDL_BUTTON_LEFT, 5, 5));
    Pump();
    EXPECT_EQ(Only({WM_LBUTTONDOWN}).size(), 2u);
    EXPECT_TRUE(Only({WM_LBUTTONDBLCLK}).empty());
    DestroyWindow(plain);
}

TEST_F(WindowTest, WheelGivesMultiplesOf120AndScreenPosition)
{
    ASSERT_TRUE(PlatformTest::InjectMouseMove(hwnd, 30, 40));
    ASSERT_TRUE(PlatformTest::InjectWheel(hwnd, 2));
    ASSERT_TRUE(PlatformTest::InjectWheel(hwnd, -1));
    Pump();
    auto wheel = Only({WM_MOUSEWHEEL});
    ASSERT_EQ(wheel.size(), 2u);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[0].wParam), 240);
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheel[1].wParam), -120);
    EXPECT_EQ(LOWORD(wheel[0].wParam), 0);
    EXPECT_EQ(GET_X_LPARAM(wheel[0].lParam), 133);
    EXPECT_EQ(GET_Y_LPARAM(wheel[0].lParam), 163);
}

TEST_F(WindowTest, FocusMinimiseRestoreAndMove)
{
    ASSERT_TRUE(PlatformTest::InjectFocus(hwnd, true));
    ASSERT_TRUE(PlatformTest::InjectFocus(hwnd, false));
    ASSERT_TRUE(PlatformTest::InjectMinimize(hwnd));
    Pump();
    auto activate = Only({WM_ACTIVATEAPP});
    ASSERT_EQ(activate.size(), 2u);
    EXPECT_EQ(activate[0].wParam, (WPARAM)TRUE);
    EXPECT_EQ(activate[1].wParam, (WPARAM)FALSE);
    auto size = Only({WM_SIZE});
    ASSERT_EQ(size.size(), 1u);
    EXPECT_EQ(size[0].wParam, (WPARAM)SIZE_MINIMIZED);
    EXPECT_TRUE(IsIconic(hwnd));
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    ASSERT_TRUE(GetWindowPlacement(hwnd, &wp));
    EXPECT_EQ(wp.showCmd, (UINT)SW_SHOWMINIMIZED);

    Log().clear();
    ASSERT_TRUE(PlatformTest::InjectRestore(hwnd));
    ASSERT_TRUE(PlatformTest::InjectWindowMoved(hwnd, 203, 173));
    Pump();
    size = Only({WM_SIZE});
    ASSERT_EQ(size.size(), 1u);
    EXPECT_EQ(size[0].wParam, (WPARAM)SIZE_RESTORED);
    EXPECT_EQ(size[0].lParam, MAKELPARAM(400, 300));
    EXPECT_FALSE(IsIconic(hwnd));
    auto move = Only({WM_MOVE});
    ASSERT_EQ(move.size(), 1u);
    EXPECT_EQ(move[0].lParam, MAKELPARAM(203, 173));
    ASSERT_TRUE(GetWindowPlacement(hwnd, &wp));
    EXPECT_EQ(wp.showCmd, (UINT)SW_SHOWNORMAL);
    EXPECT_EQ(wp.rcNormalPosition.left, 200);
    EXPECT_EQ(wp.rcNormalPosition.top, 150);
}

TEST_F(WindowTest, CloseRequestClosesThroughDefaultProcessingAfterEarlierInput)
{
    ASSERT_TRUE(PlatformTest::InjectKeyPress(hwnd, SDLK_q, SDL_SCANCODE_Q));
    ASSERT_TRUE(PlatformTest::InjectCloseRequest(hwnd));
    ASSERT_TRUE(PlatformTest::InjectKeyPress(hwnd, SDLK_w, SDL_SCANCODE_W));
    Pump();
    auto seen = Only({WM_KEYDOWN, WM_CLOSE, WM_DESTROY});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].message, (UINT)WM_KEYDOWN);
    EXPECT_EQ(seen[1].message, (UINT)WM_CLOSE);
    EXPECT_EQ(seen[2].message, (UINT)WM_DESTROY);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTest, AltF4ClosesAndAltKeysAreSystemKeys)
{
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_LALT, SDL_SCANCODE_LALT, true, KMOD_LALT));
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_F4, SDL_SCANCODE_F4, true, KMOD_LALT));
    Pump();
    auto sys = Only({WM_SYSKEYDOWN, WM_KEYDOWN});
    ASSERT_EQ(sys.size(), 2u);
    EXPECT_EQ(sys[0].message, (UINT)WM_SYSKEYDOWN);
    EXPECT_EQ(sys[0].wParam, (WPARAM)VK_MENU);
    EXPECT_EQ(sys[0].lParam, (LPARAM)0x20380001); // context bit: Alt is down
    EXPECT_EQ(sys[1].message, (UINT)WM_SYSKEYDOWN);
    EXPECT_EQ(sys[1].wParam, (WPARAM)VK_F4);
    EXPECT_EQ(Only({WM_CLOSE}).size(), 1u);
    EXPECT_EQ(Only({WM_DESTROY}).size(), 1u);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTest, F10IsSystemKeyAndControlAltIsNot)
{
    ASSERT_TRUE(PlatformTest::InjectKeyPress(hwnd, SDLK_F10, SDL_SCANCODE_F10));
    ASSERT_TRUE(PlatformTest::InjectKeyPress(hwnd, SDLK_d, SDL_SCANCODE_D, KMOD_LCTRL | KMOD_LALT));
    Pump();
    auto keys = Only({WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYDOWN, WM_KEYUP});
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].message, (UINT)WM_SYSKEYDOWN);
    EXPECT_EQ(keys[0].lParam, (LPARAM)0x00440001); // no Alt: context bit clear
    EXPECT_EQ(keys[1].message, (UINT)WM_SYSKEYUP);
    EXPECT_EQ(keys[2].message, (UINT)WM_KEYDOWN);
    EXPECT_EQ(keys[2].wParam, (WPARAM)'D');
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(WindowTest, FocusLossForgetsHeldAlt)
{
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_LALT, SDL_SCANCODE_LALT, true, KMOD_LALT));
    ASSERT_TRUE(PlatformTest::InjectFocus(hwnd, false));
    ASSERT_TRUE(PlatformTest::InjectKeyPress(hwnd, SDLK_x, SDL_SCANCODE_X));
    Pump();
    auto keys = Only({WM_KEYDOWN});
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].wParam, (WPARAM)'X');
}

// Where the layout cannot be asked (off X11), right Alt is taken for AltGr: no Alt, and its
// text and keys are ordinary ones.
TEST_F(WindowTest, LeftAltTextIsSystemCharacterRightAltOfUnknownLayoutIsAltGr)
{
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_LALT, SDL_SCANCODE_LALT, true, KMOD_LALT));
    ASSERT_TRUE(PlatformTest::InjectText(hwnd, "q"));
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_LALT, SDL_SCANCODE_LALT, false));
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_RALT, SDL_SCANCODE_RALT, true, KMOD_RALT));
    ASSERT_TRUE(PlatformTest::InjectKeyPress(hwnd, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_RALT));
    ASSERT_TRUE(PlatformTest::InjectText(hwnd, "@"));
    ASSERT_TRUE(PlatformTest::InjectKey(hwnd, SDLK_RALT, SDL_SCANCODE_RALT, false));
    Pump();
    auto chars = Only({WM_CHAR, WM_SYSCHAR});
    ASSERT_EQ(chars.size(), 3u);
    EXPECT_EQ(chars[0].message, (UINT)WM_SYSCHAR);
    EXPECT_EQ(chars[0].wParam, (WPARAM)'q');
    EXPECT_EQ(chars[2].message, (UINT)WM_CHAR);
    EXPECT_EQ(chars[2].wParam, (WPARAM)'@');
    auto keys = Only({WM_KEYDOWN, WM_SYSKEYDOWN, WM_SYSKEYUP});
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1].wParam, (WPARAM)VK_MENU); // the left Alt's release
    EXPECT_EQ(keys[2].message, (UINT)WM_KEYDOWN);
    EXPECT_EQ(keys[2].wParam, (WPARAM)VK_RETURN);
}

TEST_F(WindowTest, TerminationSignalEndsTheSession)
{
    ASSERT_TRUE(PlatformTest::InjectSessionEnd());
    Pump();
    auto end = Only({WM_ENDSESSION});
    ASSERT_EQ(end.size(), 1u);
    EXPECT_EQ(end[0].hwnd, hwnd);
    EXPECT_EQ(end[0].wParam, (WPARAM)TRUE);
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(WindowTest, UnreadPointerMovesMergeIntoTheLatest)
{
    ASSERT_TRUE(PlatformTest::InjectMouseMove(hwnd, 1, 1));
    ASSERT_TRUE(PlatformTest::InjectMouseMove(hwnd, 2, 2));
    ASSERT_TRUE(PlatformTest::InjectMouseMove(hwnd, 3, 4));
    ASSERT_TRUE(PlatformTest::InjectClick(hwnd, SDL_BUTTON_LEFT, 3, 4));
    ASSERT_TRUE(PlatformTest::InjectMouseMove(hwnd, 5, 6));
    Pump();
    auto moves = Only({WM_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].lParam, MAKELPARAM(3, 4));
    EXPECT_EQ(moves[1].lParam, MAKELPARAM(5, 6));
    // Each pointer message is preceded by WM_SETCURSOR naming it.
    auto all = Log();
    for (size_t i = 0; i < all.size(); i++)
    {
        if (all[i].message == WM_MOUSEMOVE || all[i].message == WM_LBUTTONDOWN)
        {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(all[i - 1].message, (UINT)WM_SETCURSOR);
            EXPECT_EQ(HIWORD(all[i - 1].lParam), all[i].message);
        }
    }
}

TEST_F(WindowTest, SetCursorPosMovesTheKeptPointer)
{
    ASSERT_TRUE(SetCursorPos(203, 223));
    POINT pt{};
    ASSERT_TRUE(GetCursorPos(&pt));
    EXPECT_EQ(pt.x, 203);
    EXPECT_EQ(pt.y, 223);
    Pump();
    // Where the host reports the move back, it lands at the same place.
    for (const Received& r : Only({WM_MOUSEMOVE}))
        EXPECT_EQ(r.lParam, MAKELPARAM(100, 100));
    ASSERT_TRUE(GetCursorPos(&pt));
    EXPECT_EQ(pt.x, 203);
}
