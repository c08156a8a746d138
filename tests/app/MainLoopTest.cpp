#include "AppTestSupport.h"

using AppTest::AppFixture;
using AppTest::TestApp;

namespace
{
// Runs until the first update, so that measurements start from a steady accumulator.
void Settle(TestApp& app)
{
    int start = app.mUpdateCount;
    while (app.mUpdateCount == start)
        app.PumpStep(nullptr);
}

// Milliseconds of the clock that `count` more updates take.
DWORD RunUpdates(TestApp& app, int count)
{
    DWORD start = timeGetTime();
    int target = app.mUpdateCount + count;
    while (app.mUpdateCount < target)
        app.PumpStep(nullptr);
    return timeGetTime() - start;
}
} // namespace

using MainLoop = AppFixture;

TEST_F(MainLoop, HundredUpdatesPerSecondAtTenMilliseconds)
{
    TestApp app;
    Settle(app);
    EXPECT_EQ(RunUpdates(app, 100), 1000u);
    EXPECT_EQ(app.mStrikeCount, 0); // time-paced updates never strike
    EXPECT_FALSE(app.mRefreshSyncDisabled);
}

TEST_F(MainLoop, StallCatchesUpTwentyUpdatesNotFifty)
{
    TestApp app;
    app.mLoadingDoneHandled = true; // forced draws in between, as after loading
    Settle(app);
    app.RunFor(100);
    PlatformTest::AdvanceClock(500 * 1000);
    int before = app.mUpdateCount;
    int sleeps = app.mSleepCount;
    DWORD now = timeGetTime();
    while (app.mSleepCount == sleeps)
        app.PumpStep(nullptr);
    EXPECT_EQ(timeGetTime(), now + app.mFrameTime); // no time passed until that first sleep
    EXPECT_EQ(app.mUpdateCount - before, 20);
}

TEST_F(MainLoop, QuarterSpeedHasFortyMillisecondPeriodAndNoStrikeChecks)
{
    TestApp app;
    app.mUpdateMultiplier = 0.25;
    Settle(app);
    EXPECT_EQ(RunUpdates(app, 25), 1000u);
    EXPECT_EQ(app.mStrikeCheckUpdates, 0u);
}

TEST_F(MainLoop, SixtyHertzRunsHundredUpdatesPerSixtyPasses)
{
    TestApp app;
    app.mSyncToRefresh = true;
    app.mRefreshRate = 60;
    Settle(app);
    int fractions = app.mWidgets.mFractions;
    // Passes of 16.67 ms, each one or two updates and one fractional update.
    DWORD elapsed = RunUpdates(app, 300);
    EXPECT_NEAR(app.mWidgets.mFractions - fractions, 180, 1);
    EXPECT_NEAR((double)elapsed, 3000.0, 17.0);
}

TEST_F(MainLoop, ThreeStrikesSwitchRefreshSyncOff)
{
    // Full screen and synchronised, but presenting does not wait: passes run unpaced.
    TestApp app;
    app.mSyncToRefresh = true;
    app.mRefreshRate = 60;
    app.mIsPhysWindowed = false;
    app.mWidgets.mDirty = true;
    app.mWidgets.mOnUpdate = [&](int) { app.mWidgets.mDirty = true; };
    for (int i = 0; i < 2000 && !app.mRefreshSyncDisabled; i++)
        app.PumpStep(nullptr);
    EXPECT_TRUE(app.mRefreshSyncDisabled);
    EXPECT_EQ(app.mStrikeCount, 3);
    EXPECT_GE(app.mUpdateCount, 300);
}

TEST_F(MainLoop, DrawsOnlyWhenDirtyOrAfterASecond)
{
    TestApp app;
    Settle(app);
    app.RunFor(500);
    EXPECT_EQ(app.mDrawCount, 0); // updates ran, nothing was dirty
    app.mWidgets.mDirty = true;
    app.RunFor(20);
    EXPECT_EQ(app.mDrawCount, 1);
    app.RunFor(1100);
    EXPECT_EQ(app.mDrawCount, 2); // once a second even when clean
}

TEST_F(MainLoop, FrozenAndPausedStatesKeepPumping)
{
    TestApp app;
    Settle(app);
    app.mSimulationPaused = true;
    int before = app.mUpdateCount;
    app.RunFor(200);
    EXPECT_EQ(app.mUpdateCount, before);
    app.Post(WM_CLOSE);
    app.RunFor(50);
    EXPECT_TRUE(app.mShutdown);          // the close was still taken from the queue
    EXPECT_FALSE(app.PumpStep(nullptr)); // a nested pump after shutdown stops at once

    TestApp frozen;
    frozen.mFreezeState = 1;
    frozen.PumpStep(nullptr); // pump messages
    frozen.PumpStep(nullptr); // exactly one frame
    EXPECT_EQ(frozen.mUpdateCount, 1);
    EXPECT_EQ(frozen.mFreezeState, 2);
    frozen.RunFor(300);
    EXPECT_EQ(frozen.mUpdateCount, 1);
}

TEST_F(MainLoop, HeldDemoUpdatesStillSleepAndCanBeClosed)
{
    TestApp app;
    app.mPlayingDemo = true; // an empty stream: updates stay held at update 0
    app.RunFor(300);
    EXPECT_EQ(app.mUpdateCount, 0);
    EXPECT_GT(app.mSleepCount, 10);
    app.Post(WM_CLOSE);
    EXPECT_FALSE(app.PumpUntilUpdate());
    EXPECT_TRUE(app.mShutdown);
    EXPECT_TRUE(app.mCloseMessageSeen);
}

TEST_F(MainLoop, LoadingHandOverAndCloseRequestFromAnotherThread)
{
    TestApp app;
    Settle(app);
    EXPECT_EQ(app.mLoadingDoneCalls, 0);
    app.mLoadingThreadCompleted = true;
    app.RunFor(20);
    EXPECT_EQ(app.mLoadingDoneCalls, 1);
    EXPECT_TRUE(app.mLoadingDoneHandled);
    EXPECT_EQ(app.GetLoadingProgress(), 1.0);

    std::thread other([&] { app.Shutdown(); });
    other.join();
    EXPECT_TRUE(app.mCloseRequested);
    EXPECT_FALSE(app.mShutdown); // only the next timed update acts on it
    app.RunFor(20);
    EXPECT_TRUE(app.mShutdown);
}

TEST_F(MainLoop, StartRunsTheLoadingThreadAndPrintsStatistics)
{
    struct LoadingApp : TestApp
    {
        void RunLoading() override { mLoaded = true; }
        std::atomic<bool> mLoaded{false};
    } app;
    app.mUseLoadingThread = true;
    app.mWidgets.mOnUpdate = [&](int update)
    {
        if (app.mLoadingDoneHandled)
            app.Post(WM_CLOSE);
    };
    setenv("LUMO_DEBUG_OUTPUT", "1", 1);
    testing::internal::CaptureStderr();
    app.Start();
    std::string out = testing::internal::GetCapturedStderr();
    unsetenv("LUMO_DEBUG_OUTPUT");
    EXPECT_TRUE(app.mLoaded);
    EXPECT_EQ(app.mLoadingDoneCalls, 1);
    EXPECT_NE(out.find("Resource Loading Time: "), std::string::npos);
    EXPECT_NE(out.find("Update Count  = " + std::to_string(app.mUpdateCount) + "\r\n"), std::string::npos);
    EXPECT_NE(out.find("Sleep Count   = "), std::string::npos);
    EXPECT_EQ(out.find("Avg FPS"), std::string::npos); // no drawing time at all
    EXPECT_FALSE(app.mInMainLoop);
}

TEST_F(MainLoop, LostDisplayIsRestartedAndRedrawn)
{
    TestApp app;
    app.CreateMainWindow();
    size_t starts = app.mFake.mStarts.size();
    app.mFake.mPresentFailures = 1;
    app.mWidgets.mDirty = true;
    Settle(app);
    int draws = app.mDrawCount;
    app.RunFor(30);
    EXPECT_EQ(app.mFake.mStarts.size(), starts + 1); // restarted at once while active
    EXPECT_FALSE(app.mDisplayLost);
    EXPECT_GE(app.mDrawCount, draws + 1); // the whole tree was drawn again

    // Inactive and windowed: at most one restart a second.
    app.mActive = false;
    app.mFake.mPresentFailures = 1000;
    app.mWidgets.mDirty = true;
    starts = app.mFake.mStarts.size();
    int presents = app.mFake.mPresents;
    DWORD start = GetTickCount();
    app.RunFor(3500);
    EXPECT_GT(app.mFake.mPresents - presents, 10);
    EXPECT_LE(app.mFake.mStarts.size() - starts, (GetTickCount() - start) / 1000 + 1);
    EXPECT_GE(app.mFake.mStarts.size() - starts, 3u);
}

TEST_F(MainLoop, WhileLoadingFramesAreThrottledForTheLoadingThread)
{
    TestApp app;
    app.mLoadingThreadStarted = true; // running, not completed
    app.mWidgets.mOnUpdate = [&](int) { app.mWidgets.mDirty = true; };
    Settle(app);
    int draws = app.mDrawCount;
    app.RunFor(1000);
    // A frame at most every max(draw time, 15) + 35 ms: 20 a second here, not 100.
    EXPECT_NEAR(app.mDrawCount - draws, 20, 1);
    EXPECT_DOUBLE_EQ(app.GetLoadingProgress(), 0.0);
    app.mLoadingTaskCount = 4;
    app.mLoadingTasksDone = 3;
    EXPECT_DOUBLE_EQ(app.GetLoadingProgress(), 0.75);
    app.mLoadingTasksDone = 9;
    EXPECT_DOUBLE_EQ(app.GetLoadingProgress(), 1.0);

    app.mLoadingThreadCompleted = true;
    app.RunFor(100);
    draws = app.mDrawCount;
    app.RunFor(1000);
    EXPECT_NEAR(app.mDrawCount - draws, 100, 1);
}

TEST_F(MainLoop, IdleForTheScreenSaverSuspendsUpdatesUntilInput)
{
    TestApp app;
    Settle(app);
    app.RunFor(1100);
    EXPECT_FALSE(Lumo::gScreenSaverIdle); // the layer's screen saver is never active

    // An active screen saver with a 60 s timeout (limit 58 s), read a moment ago; the input
    // time is the test's own, not the layer's last-input stamp.
    app.mGetLastInputInfo = nullptr;
    app.mSaverChecked = true;
    app.mSaverActive = true;
    app.mSaverIdleLimit = 58000;
    app.mLastSaverCheckTime = timeGetTime();
    app.mLastInputTime = timeGetTime() - 59000;
    app.ScreenSaverIdleCheck();
    EXPECT_TRUE(Lumo::gScreenSaverIdle);
    int before = app.mUpdateCount;
    app.RunFor(500);
    EXPECT_EQ(app.mUpdateCount, before);
    app.mLastInputTime = timeGetTime(); // input again
    app.ScreenSaverIdleCheck();
    EXPECT_FALSE(Lumo::gScreenSaverIdle);
    EXPECT_TRUE(app.mWidgets.mDirty);
    app.RunFor(100);
    EXPECT_GT(app.mUpdateCount, before);
}
