// Running as the system screen saver: which input ends the run and which is ignored.
#include "tests/integration/IntegrationSupport.h"

#include <gtest/gtest.h>

using namespace IntegrationTest;

namespace
{
class ScreenSaverRun : public AppIntegration
{
protected:
    void Start(RealApp& app)
    {
        app.mScreenSaverMode = true;
        app.Init();
        ASSERT_TRUE(app.mInitialized);
        ShowWindow(app.mHWnd, SW_SHOW);
        app.mInMainLoop = true;
        app.RunFor(50);
        ASSERT_FALSE(app.mShutdown);
    }
    void Move(RealApp& app, int x, int y)
    {
        PlatformTest::InjectMouseMove(app.mHWnd, x, y);
        app.RunFor(30);
    }
};
} // namespace

TEST_F(ScreenSaverRun, ThreeSmallMovesLeaveItRunningTheFourthEndsIt)
{
    RealApp app;
    Start(app);
    Move(app, 10, 10);
    Move(app, 11, 10);
    Move(app, 11, 10); // the same place again does not count
    Move(app, 12, 11);
    EXPECT_FALSE(app.mShutdown);
    EXPECT_EQ(app.mSaverMoveCount, 3);
    Move(app, 13, 11);
    app.RunFor(30);
    EXPECT_TRUE(app.mShutdown);
}

TEST_F(ScreenSaverRun, AKeyEndsItButSystemCommandsToLeaveAreSwallowed)
{
    RealApp app;
    Start(app);
    SendMessageA(app.mHWnd, WM_SYSCOMMAND, SC_NEXTWINDOW, 0);
    SendMessageA(app.mHWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageA(app.mHWnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    app.RunFor(50);
    EXPECT_FALSE(app.mShutdown);
    PlatformTest::InjectKeyPress(app.mHWnd, SDLK_a, SDL_SCANCODE_A);
    app.RunFor(50);
    EXPECT_TRUE(app.mShutdown);
}

TEST_F(ScreenSaverRun, DeactivationRightAfterAMonitorPowerChangeIsIgnored)
{
    RealApp app;
    Start(app);
    SendMessageA(app.mHWnd, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    PlatformTest::AdvanceClock(900 * 1000);
    SendMessageA(app.mHWnd, WM_ACTIVATEAPP, FALSE, 0);
    app.RunFor(50);
    EXPECT_FALSE(app.mShutdown);
    PlatformTest::AdvanceClock(200 * 1000);
    SendMessageA(app.mHWnd, WM_ACTIVATEAPP, FALSE, 0);
    app.RunFor(50);
    EXPECT_TRUE(app.mShutdown);
}

TEST_F(ScreenSaverRun, TheSystemsScreenSaverCommandIsStampedForTheFilter)
{
    RealApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    PlatformTest::AdvanceClock(5000 * 1000);
    EXPECT_FALSE(app.mSaverCommandSeen);
    SendMessageA(app.mHWnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    EXPECT_TRUE(app.mSaverCommandSeen);
    EXPECT_EQ(app.mSaverCommandTime, GetTickCount());
}
