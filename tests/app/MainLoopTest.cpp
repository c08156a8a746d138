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

// Windowed, the synchronised passes are paced by time: at 125 Hz a hundred updates take exactly
// 800 ms, a strike; at 124 Hz they take longer, and nothing strikes.
TEST_F(MainLoop, AStrikeIsAHundredUpdatesInEightHundredMillisecondsOrLess)
{
    for (int rate : {125, 124})
    {
        SCOPED_TRACE(rate);
        TestApp app;
        app.mSyncToRefresh = true;
        app.mRefreshRate = rate;
        Settle(app);
        RunUpdates(app, 400);
        EXPECT_EQ(app.mRefreshSyncDisabled, rate == 125);
    }
}

// Once loading is done, a backlog is caught up with a frame forced whenever the count of passes
// without one reaches L = ceil(multiplier x 10).
TEST_F(MainLoop, AFrameIsForcedAfterCeilTenTimesTheMultiplierUpdates)
{
    for (double multiplier : {1.0, 1.05})
    {
        SCOPED_TRACE(multiplier);
        TestApp app;
        app.mUpdateMultiplier = multiplier;
        app.mLoadingDoneHandled = true;
        Settle(app);
        app.RunFor(100);
        std::vector<int> runs{0};
        int draws = app.mDrawCount;
        app.mWidgets.mOnUpdate = [&](int)
        {
            app.mWidgets.mDirty = true; // every frame presents
            if (app.mDrawCount != draws)
            {
                draws = app.mDrawCount;
                runs.push_back(0);
            }
            runs.back()++;
        };
        PlatformTest::AdvanceClock(500 * 1000);
        int sleeps = app.mSleepCount;
        while (app.mSleepCount == sleeps)
            app.PumpStep(nullptr);
        // The pass that counts the limit draws instead of updating: L - 1 updates between frames.
        ASSERT_GE(runs.size(), 3u);
        EXPECT_EQ(runs[1], multiplier == 1.0 ? 9 : 10);
    }
}

// Full screen and paced by the draws, an update is due once the time since the last frame
// reaches three quarters of the period: (int)(16.67 x 0.75) = 12 ms at 60 Hz.
TEST_F(MainLoop, APacedUpdateIsDueAtThreeQuartersOfThePeriod)
{
    for (double waited : {11.9, 12.0})
    {
        SCOPED_TRACE(waited);
        TestApp app;
        app.mSyncToRefresh = true;
        app.mRefreshRate = 60;
        app.mIsPhysWindowed = false;
        app.mPumpState = 1;
        app.mHasPendingDraw = true;
        app.mTimeAccumulator = waited;
        app.TimedUpdate(true);
        EXPECT_EQ(app.mUpdateCount, waited >= 12.0 ? 1 : 0);
    }
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

TEST_F(MainLoop, WindowedVSyncWaitsOutTheScreensRefreshPeriod)
{
    TestApp app;
    app.mWaitForVSync = true;
    app.mFake.mRefreshRate = 50; // the screen: 20 ms
    app.mRefreshRate = 100;      // the timing's rate, as a played demo sets it
    app.mForceRedraw = true;
    ASSERT_TRUE(app.DrawFrame());
    DWORD start = timeGetTime(); // the last presentation
    app.mForceRedraw = true;
    ASSERT_TRUE(app.DrawFrame());
    EXPECT_EQ(timeGetTime() - start, 20u);
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

TEST_F(MainLoop, AverageFrameRateOfALongRunIsNotWrapped)
{
    TestApp app;
    app.mDrawCount = 3000000; // eight hours at 100 frames a second
    app.mDrawTime = 28000000;
    app.mWidgets.mOnUpdate = [&](int) { app.Post(WM_CLOSE); };
    setenv("LUMO_DEBUG_OUTPUT", "1", 1);
    testing::internal::CaptureStderr();
    app.Start();
    std::string out = testing::internal::GetCapturedStderr();
    unsetenv("LUMO_DEBUG_OUTPUT");
    long long fps = app.mDrawCount * 1000LL / (app.mDrawTime + app.mScreenBltTime);
    EXPECT_NE(out.find("Avg FPS       = " + std::to_string(fps) + "\r\n"), std::string::npos) << out;
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
