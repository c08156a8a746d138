#include "AppTestSupport.h"
#include "app/MersenneTwister.h"

using AppTest::AppFixture;
using AppTest::Pos;
using AppTest::TestApp;

using DemoReplay = AppFixture;

namespace
{

// The game side of the scripted run: draws random numbers and syncs a string at fixed updates.
void Script(TestApp& app, int update, bool live)
{
    if (update == 3 || update == 17 || update == 90)
        app.mWidgets.Log("rand " + std::to_string(Lumo::Rand()));
    if (update == 50)
    {
        std::string value = live ? "recorded" : "played";
        app.DemoSyncString(value);
        app.mWidgets.Log("sync " + value);
    }
    if (!live)
        return;
    switch (update)
    {
    case 5:
        app.Post(WM_MOUSEMOVE, 0, Pos(100, 100));
        app.Post(WM_LBUTTONDOWN, 0, Pos(131, 69));
        break;
    case 6:
        app.Post(WM_LBUTTONUP, 0, Pos(600, 500));
        break;
    case 40:
        app.Post(WM_KEYDOWN, 'A');
        app.Post(WM_CHAR, 'a');
        app.Post(WM_KEYUP, 'A');
        break;
    case 41:
        app.Post(WM_MOUSEWHEEL, MAKEWPARAM(0, -240), Pos(600, 500));
        app.Post(WM_RBUTTONDBLCLK, 0, Pos(5000, -3)); // beyond the long record: replayed exactly
        break;
    case 80:
        app.Post(WM_SIZE, SIZE_MINIMIZED);
        app.Post(WM_KEYDOWN, 'B');
        app.Post(WM_SIZE, SIZE_RESTORED); // minimised, no update reaches the widgets
        break;
    case 160:
        app.Post(WM_CLOSE);
        break;
    }
}
} // namespace

TEST_F(DemoReplay, PlayedRunReachesTheSameCallsAtTheSameUpdates)
{
    std::vector<std::string> recordedLog;
    int recordedUpdates = 0;
    {
        TestApp app;
        app.mProductName = "Crustavia";
        app.mRegistryKey = "Crustavia";
        app.RegistryWriteInteger("MusicVolume", 30);
        app.mRecordingDemo = true;
        app.mRandSeed = 4242;
        Lumo::SRand(app.mRandSeed);
        app.LoadSettings();
        app.RecordDisplayState(true, 75);
        app.mLoadingThreadCompleted = true;
        app.mWidgets.mOnUpdate = [&](int update) { Script(app, update, true); };
        for (int i = 0; i < 100000 && !app.mShutdown; i++)
            app.PumpStep(nullptr);
        ASSERT_TRUE(app.mShutdown);
        recordedLog = app.mWidgets.mLog;
        recordedUpdates = app.mUpdateCount;
        EXPECT_EQ(app.mLoadingDoneCalls, 1);
    } // the destructor writes the file
    ASSERT_TRUE(std::filesystem::exists("lumoapp.dmo"));
    ASSERT_GE(recordedLog.size(), 15u);

    // Played elsewhere: another seed, no registry, a slower loading thread.
    std::filesystem::remove(mDir / "registry.txt");
    PlatformTest::ReloadRegistry();
    Lumo::SRand(1);
    TestApp app;
    app.mProductName = "Crustavia";
    app.mRegistryKey = "Crustavia";
    app.SplitCommandLine("-play");
    std::string error;
    ASSERT_TRUE(app.ReadDemoFile(error)) << error;
    EXPECT_EQ(app.mRandSeed, 4242u);
    EXPECT_EQ(app.mDemoLength, recordedUpdates);
    app.LoadSettings();
    EXPECT_DOUBLE_EQ(app.mMusicVolume, 0.30);
    bool windowed = false;
    int rate = 0;
    ASSERT_TRUE(app.mDemo.TakeDisplay(app.mUpdateCount, &windowed, &rate));
    EXPECT_TRUE(windowed);
    EXPECT_EQ(rate, 75);
    app.mWidgets.mOnUpdate = [&](int update) { Script(app, update, false); };
    for (int i = 0; i < 100000 && !app.mShutdown; i++)
    {
        // The loading thread is late on this machine: the demo holds its updates until it is done.
        if (i == 300)
        {
            EXPECT_EQ(app.mUpdateCount, 0);
            app.mLoadingThreadCompleted = true;
        }
        app.PumpStep(nullptr);
    }
    EXPECT_TRUE(app.mShutdown);
    EXPECT_EQ(app.mUpdateCount, recordedUpdates);
    EXPECT_EQ(app.mWidgets.mLog, recordedLog);
    EXPECT_EQ(app.mLoadingDoneCalls, 1);
}

namespace
{
// Records a run whose window messages arrive through the window procedure, as live ones do, and
// plays it back; the widgets' logs of both runs.
std::pair<std::vector<std::string>, std::vector<std::string>>
RecordAndPlay(const std::function<void(TestApp&, int update)>& script)
{
    std::pair<std::vector<std::string>, std::vector<std::string>> logs;
    for (bool live : {true, false})
    {
        TestApp app;
        app.mProductName = "Crustavia";
        app.mRecordingDemo = live;
        std::string error;
        if (!live)
        {
            app.SplitCommandLine("-play");
            EXPECT_TRUE(app.ReadDemoFile(error)) << error;
        }
        app.CreateMainWindow();
        app.mLoadingThreadCompleted = true;
        // Between passes, as the window procedure runs; a minimised run updates no widgets.
        for (int i = 0, scripted = -1; i < 10000 && !app.mShutdown; i++)
        {
            if (live && app.mUpdateCount != scripted)
                script(app, scripted = app.mUpdateCount);
            app.PumpStep(nullptr);
        }
        EXPECT_TRUE(app.mShutdown);
        app.mWidgets.Log(Lumo::FormatString("application lost focus %d times", app.mLostFocusCalls));
        (live ? logs.first : logs.second) = app.mWidgets.mLog;
    } // the recording's destructor writes the file
    return logs;
}
} // namespace

// The window procedure takes the activation at once and the queue acts on it later: the focus
// handling in between saw the newer state, and the demo must carry what it saw.
TEST_F(DemoReplay, FocusChangesReplayAsTheRecordedRunSawThem)
{
    auto logs = RecordAndPlay(
        [](TestApp& app, int update)
        {
            auto send = [&](UINT msg, WPARAM wParam) { app.HandleWindowMessage(app.mHWnd, msg, wParam, 0); };
            if (update == 5)
            {
                // The focus went and came back before the queue was read: the run kept it.
                send(WM_ACTIVATEAPP, FALSE);
                send(WM_ACTIVATEAPP, TRUE);
            }
            else if (update == 10)
            {
                send(WM_SIZE, SIZE_MINIMIZED);
                send(WM_ACTIVATEAPP, FALSE);
            }
            else if (update == 20)
            {
                // Restored and active again ahead of the key: the key reached a focused manager.
                send(WM_SIZE, SIZE_RESTORED);
                send(WM_KEYDOWN, 'B');
                send(WM_ACTIVATEAPP, TRUE);
            }
            else if (update == 30)
                send(WM_CLOSE, 0);
        });
    EXPECT_EQ(logs.second, logs.first);
}

TEST_F(DemoReplay, BadDemoFilesAreRefused)
{
    TestApp app;
    app.mProductName = "Crustavia";
    std::string error;
    EXPECT_FALSE(app.ReadDemoFile(error));
    EXPECT_EQ(error, "Demo file not found: lumoapp.dmo");
    app.mRecordingDemo = true;
    app.mProductName = "Other";
    app.mDemo.RecordEvent(0, Lumo::DEMO_CLOSE);
    app.WriteDemoFile();
    app.mProductName = "Crustavia";
    EXPECT_FALSE(app.ReadDemoFile(error));
    EXPECT_EQ(error, "This demo file appears to be for 'Other'");
    // A stream cut inside a record's body or header is refused, not played up to the cut and held
    // there: the records take 46 bits, and a byte less cuts the last body, two its header.
    app.mDemo.RecordKey(3, Lumo::DEMO_KEY_DOWN, 'A');
    app.mDemo.RecordKey(5, Lumo::DEMO_KEY_UP, 'A');
    app.WriteDemoFile();
    ASSERT_TRUE(app.ReadDemoFile(error)) << error;
    for (int cut = 1; cut <= 2; cut++)
    {
        std::filesystem::resize_file("lumoapp.dmo", std::filesystem::file_size("lumoapp.dmo") - 1);
        error.clear();
        EXPECT_FALSE(app.ReadDemoFile(error)) << cut;
        EXPECT_EQ(error, "Invalid demo file.");
    }
}

TEST_F(DemoReplay, JumpToTimeCountsBackFromTheEndOutsideTheStream)
{
    TestApp app;
    app.mRegistryKey = "Crustavia";
    app.mPlayingDemo = true;
    app.mDemoLength = 50000;
    Lumo::DemoStream rec;
    rec.RecordRegistryWrite(0, true);
    app.mDemo.SetEvents(rec.mBuffer.GetDataPtr(), rec.mBuffer.GetDataLen());
    app.JumpToTime("0:10");
    EXPECT_EQ(app.mFastForwardToUpdateNum, 48900);
    EXPECT_EQ(app.GetDemoJumpTime(), "0:10");
    EXPECT_FALSE(app.mDemo.AtEnd()); // the recorded write is still there for the game's own call
    app.JumpToTime("2:30");
    EXPECT_EQ(app.mFastForwardToUpdateNum, 50000 - 151 * 100);
    app.JumpToTime("1:00:00");
    EXPECT_EQ(app.mFastForwardToUpdateNum, 50000 - 3601 * 100);
}

TEST_F(DemoReplay, MarkerListShowsTheMarkersAhead)
{
    TestApp app;
    app.mDemoMarkerList = {{"Start", 100}, {"Level 2", 372000}, {"Boss", 9000}};
    app.mUpdateCount = 500;
    auto items = app.MarkerListItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].first, "Level 2 (01:02:00)");
    EXPECT_EQ(items[0].second, 372000);
    EXPECT_EQ(items[1].first, "Boss (00:01:30)");
    app.JumpToMarker(items[1].second);
    EXPECT_EQ(app.mFastForwardToUpdateNum, 9000);
    app.JumpToMarker(100); // behind: nothing
    EXPECT_EQ(app.mFastForwardToUpdateNum, 9000);
}
