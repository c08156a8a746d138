#include "AppTestSupport.h"
#include "test/input.h"
#include "widgets/ButtonWidget.h"

#include <SDL_mouse.h>
#include <algorithm>

using AppTest::AppFixture;
using AppTest::Pos;
using AppTest::TestApp;

using InputQueue = AppFixture;

TEST_F(InputQueue, TimersCollapseAndNothingQueuesBehindClose)
{
    TestApp app;
    app.Post(WM_TIMER);
    app.Post(WM_TIMER);
    EXPECT_EQ(app.mMessageQueue.size(), 1u);
    app.Post(WM_KEYDOWN, 'A');
    app.Post(WM_TIMER);
    app.Post(WM_CLOSE);
    app.Post(WM_KEYDOWN, 'B');
    app.Post(WM_CLOSE);
    ASSERT_EQ(app.mMessageQueue.size(), 4u);
    EXPECT_EQ(app.mMessageQueue.back().message, (UINT)WM_CLOSE);
    while (app.ProcessDeferredMessages())
    {
    }
    EXPECT_TRUE(app.mShutdown);
    EXPECT_EQ(app.mWidgets.mLog, (std::vector<std::string>{"0 keydown 65"}));
}

TEST_F(InputQueue, AltEnterTogglesModeAndNeverRemovesAQueuedClose)
{
    TestApp app;
    app.HandleWindowMessage(nullptr, WM_SYSKEYDOWN, VK_RETURN, 0);
    EXPECT_FALSE(app.mIsWindowed);
    EXPECT_TRUE(app.mMessageQueue.empty()); // not input for the widgets
    app.HandleWindowMessage(nullptr, WM_SYSKEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(app.mIsWindowed);

    app.HandleWindowMessage(nullptr, WM_CLOSE, 0, 0);
    ASSERT_EQ(app.mMessageQueue.size(), 1u);
    app.HandleWindowMessage(nullptr, WM_SYSKEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(app.mMessageQueue.size(), 1u);
    EXPECT_EQ(app.mMessageQueue.front().message, (UINT)WM_CLOSE);

    // After a failed mode Alt+Enter is an ordinary system key.
    TestApp failed;
    failed.mWindowedFailed = true;
    failed.HandleWindowMessage(nullptr, WM_SYSKEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(failed.mMessageQueue.size(), 1u);
}

TEST_F(InputQueue, CloseDuringAPopupIsKept)
{
    TestApp app;
    app.mPopupActive = true;
    app.HandleWindowMessage(nullptr, WM_KEYDOWN, 'A', 0);
    app.HandleWindowMessage(nullptr, WM_CLOSE, 0, 0);
    EXPECT_TRUE(app.mMessageQueue.empty());
    EXPECT_TRUE(app.mCloseRequested);
    app.mPopupActive = false;
    app.RunFor(30);
    EXPECT_TRUE(app.mShutdown);
}

TEST_F(InputQueue, MouseButtonsAndCapture)
{
    TestApp app;
    app.HandleWindowMessage(nullptr, WM_LBUTTONDOWN, 0, Pos(10, 20));
    app.HandleWindowMessage(nullptr, WM_RBUTTONDOWN, 0, Pos(10, 20));
    app.HandleWindowMessage(nullptr, WM_LBUTTONUP, 0, Pos(11, 20));
    app.HandleWindowMessage(nullptr, WM_MOUSEWHEEL, MAKEWPARAM(0, -240), Pos(11, 20));
    app.HandleWindowMessage(nullptr, WM_LBUTTONDBLCLK, 0, Pos(-7, 9000));
    while (app.ProcessDeferredMessages())
    {
    }
    EXPECT_EQ(app.mWidgets.mLog,
              (std::vector<std::string>{"0 move 10 20", "0 down 10 20 1", "0 move 10 20", "0 down 10 20 -1",
                                        "0 move 11 20", "0 up 11 20 1", "0 wheel -2", "0 move -7 9000",
                                        "0 down -7 9000 2"}));
    EXPECT_TRUE(app.mMouseIn);
    EXPECT_EQ(app.mWidgets.mActualDownButtons, 3u); // right still held, left pressed again
}

TEST_F(InputQueue, AButtonLetGoKeepsTheCaptureWhileAnotherIsHeld)
{
    TestApp app;
    app.CreateMainWindow();
    for (UINT message : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONUP})
        app.HandleWindowMessage(app.mHWnd, message, 0, Pos(10, 20));
    while (app.ProcessDeferredMessages())
    {
    }
    EXPECT_EQ(GetCapture(), app.mHWnd);
    app.HandleWindowMessage(app.mHWnd, WM_RBUTTONUP, 0, Pos(10, 20));
    app.ProcessDeferredMessages();
    EXPECT_EQ(GetCapture(), nullptr);
}

// Alt+F4 goes to default processing, which closes the window; other Alt keys stop there.
TEST_F(InputQueue, AltF4ClosesTheWindow)
{
    TestApp app;
    app.CreateMainWindow();
    SendMessageA(app.mHWnd, WM_SYSKEYDOWN, VK_F5, 0);
    app.RunFor(30);
    EXPECT_FALSE(app.mShutdown);
    SendMessageA(app.mHWnd, WM_SYSKEYDOWN, VK_F4, 0);
    app.RunFor(30);
    EXPECT_TRUE(app.mShutdown);
}

TEST_F(InputQueue, MinimiseMutesAndLosesFocus)
{
    TestApp app;
    AppTest::VolumeOutput music;
    app.mMusicInterface = &music;
    app.Post(WM_SIZE, SIZE_MINIMIZED);
    app.ProcessDeferredMessages();
    EXPECT_TRUE(app.mMinimized);
    EXPECT_TRUE(app.IsMuted());
    EXPECT_EQ(music.mVolume, 0.0);
    EXPECT_EQ(app.mLostFocusCalls, 1);
    EXPECT_EQ(app.mAutoMuteCount, 2); // minimised, and the focus went with it
    app.Post(WM_SIZE, SIZE_RESTORED);
    app.ProcessDeferredMessages();
    EXPECT_FALSE(app.IsMuted());
    EXPECT_EQ(music.mVolume, 0.85);
    EXPECT_EQ(app.mAutoMuteCount, 0);
    EXPECT_TRUE(app.mWidgets.mDirty);
    app.mMusicInterface = nullptr;
}

TEST_F(InputQueue, PlaybackKeysAndOnlyCloseWhilePlaying)
{
    TestApp app;
    app.mPlayingDemo = true;
    app.mDemoLength = 50000;
    app.HandleWindowMessage(nullptr, WM_CHAR, '+', 0);
    EXPECT_DOUBLE_EQ(app.mUpdateMultiplier, 1.5);
    app.HandleWindowMessage(nullptr, WM_CHAR, '=', 0);
    EXPECT_DOUBLE_EQ(app.mUpdateMultiplier, 1.0);
    app.HandleWindowMessage(nullptr, WM_CHAR, '7', 0);
    EXPECT_EQ(app.mFastForwardToUpdateNum, 50000 - 3000);
    app.HandleWindowMessage(nullptr, WM_CHAR, 'n', 0);
    EXPECT_EQ(app.mFastForwardToUpdateNum, 1);
    EXPECT_TRUE(app.mFastForwardStep);
    app.HandleWindowMessage(nullptr, WM_CHAR, 'P', 0);
    EXPECT_TRUE(app.mSimulationPaused);
    app.HandleWindowMessage(nullptr, WM_CHAR, 'm', 0);
    EXPECT_TRUE(app.mFastForwardToEnd);
    app.HandleWindowMessage(nullptr, WM_CHAR, 'M', 0);
    EXPECT_FALSE(app.mFastForwardToEnd);
    app.HandleWindowMessage(nullptr, WM_LBUTTONDOWN, 0, Pos(1, 1));
    while (app.ProcessDeferredMessages())
    {
    }
    EXPECT_TRUE(app.mWidgets.mLog.empty()); // live input is ignored
    app.HandleWindowMessage(nullptr, WM_CLOSE, 0, 0);
    app.ProcessDeferredMessages();
    EXPECT_TRUE(app.mCloseMessageSeen);
    EXPECT_TRUE(app.mShutdown);
}

TEST_F(InputQueue, LiveWindowInputReachesTheWidgetsThroughTheQueue)
{
    TestApp app;
    app.mWidth = 320;
    app.mHeight = 240;
    app.CreateMainWindow();
    ShowWindow(app.mHWnd, SW_SHOWNORMAL);
    app.mInMainLoop = true;
    PlatformTest::ResetInputState();
    ASSERT_TRUE(PlatformTest::InjectMouseMove(app.mHWnd, 30, 40));
    ASSERT_TRUE(PlatformTest::InjectClick(app.mHWnd, SDL_BUTTON_LEFT, 30, 40));
    app.RunFor(50);
    // The move, then the click at the same place; the updates in between may number anything.
    std::vector<std::string> calls;
    for (const std::string& entry : app.mWidgets.mLog)
        calls.push_back(entry.substr(entry.find(' ') + 1));
    auto down = std::find(calls.begin(), calls.end(), "down 30 40 1");
    ASSERT_NE(down, calls.end());
    EXPECT_EQ(calls.front(), "move 30 40");
    EXPECT_EQ(*std::prev(down), "move 30 40");
    EXPECT_NE(std::find(down, calls.end(), "up 30 40 1"), calls.end());
    EXPECT_TRUE(app.mMouseIn);

    // The window timer notices the pointer leaving the client area.
    POINT outside{-50, -50};
    ClientToScreen(app.mHWnd, &outside);
    SetCursorPos(outside.x, outside.y);
    app.RunFor(50);
    EXPECT_FALSE(app.mMouseIn);
    EXPECT_EQ(app.mWidgets.mLog.back().substr(app.mWidgets.mLog.back().find(' ') + 1), "exit");

    ASSERT_TRUE(PlatformTest::InjectWindowMoved(app.mHWnd, 200, 150));
    app.RunFor(30);
    RECT frame;
    GetWindowRect(app.mHWnd, &frame);
    EXPECT_EQ(app.mPreferredX, frame.left);
    EXPECT_EQ(app.mPreferredY, frame.top);

    ASSERT_TRUE(PlatformTest::InjectCloseRequest(app.mHWnd));
    app.RunFor(30);
    EXPECT_TRUE(app.mShutdown);
    EXPECT_TRUE(app.mCloseMessageSeen);
}

TEST_F(InputQueue, DeactivationMutesPausesAndReleasesThePressedWidget)
{
    TestApp app;
    app.CreateMainWindow();
    AppTest::PressableWidget pressed;
    AppTest::PressWidget(app.mWidgets, pressed);
    ASSERT_EQ(app.mWidgets.mDownButtons, 1u);
    app.HandleWindowMessage(app.mHWnd, WM_ACTIVATEAPP, 0, 0);
    EXPECT_FALSE(app.mActive);
    app.ProcessDeferredMessages();
    EXPECT_FALSE(app.mHasFocus);
    EXPECT_EQ(app.mLostFocusCalls, 1);
    EXPECT_EQ(app.mAutoMuteCount, 1);
    EXPECT_EQ(app.mWidgets.mDownButtons, 0u);
    EXPECT_EQ(pressed.mUps, 1); // the pressed widget got its button-up
    EXPECT_EQ(app.mWidgets.mLog, (std::vector<std::string>{"0 lostfocus"}));
    app.HandleWindowMessage(app.mHWnd, WM_ACTIVATEAPP, 1, 0);
    app.ProcessDeferredMessages();
    EXPECT_TRUE(app.mHasFocus);
    EXPECT_EQ(app.mAutoMuteCount, 0);
    EXPECT_EQ(app.mWidgets.mLog.back(), "0 gotfocus");
}

TEST_F(InputQueue, AReleaseBeyondTheLeftOrTopEdgeIsNoClick)
{
    struct Releases : Lumo::ButtonListener
    {
        int mCount = 0;
        void ButtonReleased(int) override { mCount++; }
    } listener;
    TestApp app;
    Lumo::ButtonWidget button(1, &listener);
    button.Resize(0, 0, 100, 40);
    app.mWidgets.AddWidget(&button);
    for (LPARAM outside : {Pos(-10, 5), Pos(5, -1)})
    {
        app.Post(WM_LBUTTONDOWN, 0, Pos(5, 5));
        app.Post(WM_MOUSEMOVE, MK_LBUTTON, outside);
        app.Post(WM_LBUTTONUP, 0, outside);
        while (app.ProcessDeferredMessages())
        {
        }
    }
    EXPECT_EQ(listener.mCount, 0);
    app.Post(WM_LBUTTONDOWN, 0, Pos(0, 0));
    app.Post(WM_LBUTTONUP, 0, Pos(0, 0));
    while (app.ProcessDeferredMessages())
    {
    }
    EXPECT_EQ(listener.mCount, 1);
    app.mWidgets.RemoveWidget(&button);
}
