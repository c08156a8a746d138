// Keys typed on a real X11 display under the layouts players have (keyboard_layouts_xvfb runs
// these under Xvfb; elsewhere they are skipped). The key events go to the X server, which hands
// them to SDL as a keyboard would.
#include "WindowFixture.h"
#include "win32/host.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>

// Last: X11's macros (None, Bool, ...) would clash with the names above.
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace
{
class KeyboardLayout : public WindowTest
{
protected:
    Display* display = nullptr;
    Window window = 0;
    KeyCode rightAlt = 0;

    void SetUp() override
    {
        WindowTest::SetUp();
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(Platform::HostWindow(hwnd), &info) || info.subsystem != SDL_SYSWM_X11)
            GTEST_SKIP() << "needs an X11 display";
        display = info.info.x11.display;
        window = info.info.x11.window;
        ASSERT_TRUE(Layout("us"));
        rightAlt = XKeysymToKeycode(display, XK_Alt_R);
        ASSERT_NE(rightAlt, 0);
    }

    void TearDown() override
    {
        if (display)
            Layout("us");
        WindowTest::TearDown();
    }

    bool Layout(const std::string& name)
    {
        bool done = std::system(("setxkbmap " + name).c_str()) == 0;
        Pump(); // SDL reads the new keymap
        return done;
    }

    // The key with the modifier state the server would give it.
    void Send(KeyCode code, bool down, unsigned state = 0)
    {
        XEvent e{};
        e.xkey.type = down ? KeyPress : KeyRelease;
        e.xkey.display = display;
        e.xkey.window = window;
        e.xkey.root = DefaultRootWindow(display);
        e.xkey.time = CurrentTime;
        e.xkey.keycode = code;
        e.xkey.state = state;
        e.xkey.same_screen = True;
        XSendEvent(display, window, True, down ? KeyPressMask : KeyReleaseMask, &e);
        XFlush(display);
    }

    // Right Alt held over Return and Q, then released: the key messages and characters, up to
    // the X pressed afterwards to mark the end.
    std::vector<Received> TypeWithRightAlt(unsigned altState)
    {
        KeyCode enter = XKeysymToKeycode(display, XK_Return), q = XKeysymToKeycode(display, XK_q);
        KeyCode end = XKeysymToKeycode(display, XK_x);
        Log().clear();
        Send(rightAlt, true);
        for (KeyCode code : {enter, q})
        {
            Send(code, true, altState);
            Send(code, false, altState);
        }
        Send(rightAlt, false, altState);
        Send(end, true);
        Send(end, false);
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < until)
        {
            Pump();
            auto seen = Only({WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP, WM_CHAR, WM_SYSCHAR});
            for (size_t i = 0; i < seen.size(); i++)
                if (seen[i].message == WM_KEYUP && seen[i].wParam == 'X')
                {
                    seen.resize(i - 2); // the marker's down and character
                    return seen;
                }
            SDL_Delay(5);
        }
        ADD_FAILURE() << "the keys did not come back";
        return {};
    }
};

using Keys = std::vector<std::pair<UINT, WPARAM>>;

Keys MessagesOf(const std::vector<Received>& received)
{
    Keys keys;
    for (const Received& r : received)
        keys.emplace_back(r.message, r.wParam);
    return keys;
}

TEST_F(KeyboardLayout, AltGrTypesCharactersAndIsNoAltRightAltOfUSLayoutIsAlt)
{
    // German: AltGr has no key message, Return is no Alt+Return, Q gives @.
    ASSERT_TRUE(Layout("de"));
    auto de = TypeWithRightAlt(Mod5Mask);
    EXPECT_EQ(MessagesOf(de), (Keys{{WM_KEYDOWN, VK_RETURN},
                                    {WM_CHAR, 13},
                                    {WM_KEYUP, VK_RETURN},
                                    {WM_KEYDOWN, 'Q'},
                                    {WM_CHAR, '@'},
                                    {WM_KEYUP, 'Q'}}));
    EXPECT_TRUE(IsWindow(hwnd));

    // US: the right Alt is Alt.
    ASSERT_TRUE(Layout("us"));
    EXPECT_EQ(MessagesOf(TypeWithRightAlt(Mod1Mask)), (Keys{{WM_SYSKEYDOWN, VK_MENU},
                                                            {WM_SYSKEYDOWN, VK_RETURN},
                                                            {WM_SYSCHAR, 13},
                                                            {WM_SYSKEYUP, VK_RETURN},
                                                            {WM_SYSKEYDOWN, 'Q'},
                                                            {WM_SYSCHAR, 'q'},
                                                            {WM_SYSKEYUP, 'Q'},
                                                            {WM_SYSKEYUP, VK_MENU}}));
}
} // namespace
