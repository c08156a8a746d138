#include "AppTestSupport.h"
#include "app/MessageLog.h"
#include "core/faults.h"
#include "display/D3DTester.h"
#include "test/message_box.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <new>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <unistd.h>

using AppTest::AppFixture;
using AppTest::TestApp;

namespace
{
std::vector<std::string>* gOrder = nullptr;

class OrderedOutput : public AppTest::VolumeOutput
{
public:
    std::string mName;
    void StopAllMusic() override { gOrder->push_back(mName + " stop"); }
    void SetVolume(double v) override { gOrder->push_back(mName + Lumo::FormatString(" volume %.2f", v)); }
};

class OrderedApp : public TestApp
{
public:
    void ShutdownHook() override { gOrder->push_back("hook"); }
    void SaveSettings() override
    {
        gOrder->push_back("save");
        TestApp::SaveSettings();
    }
};

// Runs its loading thread with what the test gives it to do.
class LoadingApp : public TestApp
{
public:
    std::function<void()> mLoad;
    int mLoads = 0;
    LoadingApp() { mUseLoadingThread = true; }
    void RunLoading() override
    {
        mLoads++;
        if (mLoad)
            mLoad();
    }
};

std::string ReadFile(const char* name)
{
    std::stringstream text;
    text << std::ifstream(name).rdbuf();
    return text.str();
}
} // namespace

using Shutdown = AppFixture;

TEST_F(Shutdown, RunsOnceInOrderAndTheDestructorWritesTheDemo)
{
    std::vector<std::string> order;
    gOrder = &order;
    {
        OrderedApp app;
        OrderedOutput music;
        music.mName = "music";
        app.mMusicInterface = &music;
        app.mPlayingDemo = true;
        app.mDemoMusicVolume = 0.5;
        app.mSettingsLoaded = true;
        app.Shutdown();
        app.Shutdown(); // a second call does nothing
        EXPECT_TRUE(app.mShutdown);
        EXPECT_TRUE(app.mExitToTop);
        EXPECT_EQ(order, (std::vector<std::string>{"hook", "music volume 0.50", "music stop", "save"}));
        app.mMusicInterface = nullptr;
    }
    {
        TestApp app;
        app.mRecordingDemo = true;
        app.mProductName = "Crustavia";
        app.mDemo.RecordEvent(3, Lumo::DEMO_CLOSE);
        app.mUpdateCount = 7;
    }
    Lumo::DemoFileContents contents;
    std::string error;
    ASSERT_TRUE(Lumo::ReadDemoFile("lumoapp.dmo", "Crustavia", contents, error)) << error;
    EXPECT_EQ(contents.mDemoLength, 7);
    gOrder = nullptr;
}

// The game's fonts failed in Init: it asked to close, and the start ends there.
TEST_F(Shutdown, AFatalErrorInInitEndsTheStart)
{
    LoadingApp app;
    app.ShowFatalError("There was an error loading fonts/x.txt");
    app.mCloseRequested = true;
    app.Start();
    EXPECT_EQ(app.mLoads, 0);
    EXPECT_FALSE(app.mLoadingThreadStarted);
    EXPECT_FALSE(app.mCursorThreadRunning);
    EXPECT_TRUE(app.mShutdown);
    EXPECT_EQ(app.mUpdateCount, 0);
    EXPECT_EQ(app.GetExitCode(), Lumo::LumoAppBase::FATAL_EXIT_CODE);
}

TEST_F(Shutdown, AnUnsavedDemoIsReported)
{
    PlatformTest::ScriptMessageBoxes({IDOK});
    {
        TestApp app;
        app.mRecordingDemo = true;
        app.mDemoFileName = "missing/lumoapp.dmo";
        app.mDemo.RecordEvent(3, Lumo::DEMO_CLOSE);
    }
    auto shown = PlatformTest::ShownMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Demo Not Saved");
    EXPECT_EQ(shown[0].text, "The demo could not be saved as missing/lumoapp.dmo: No such file or directory");
    PlatformTest::ResetMessageBoxes();
}

using ExitNowDeathTest = AppFixture;

namespace
{
std::thread::id gMainThread;
}

// ExitNow on another thread ends the process on the main thread, so that nothing is torn down
// under the main thread's feet; the asking thread waits.
TEST_F(ExitNowDeathTest, AskedForOnAnotherThreadTheProcessEndsOnTheMainThread)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TestApp app;
            gMainThread = std::this_thread::get_id();
            std::atexit(
                []
                {
                    bool main = std::this_thread::get_id() == gMainThread;
                    std::fprintf(stderr, "ended on the %s thread\n", main ? "main" : "other");
                });
            std::thread([&] { app.ExitNow(Lumo::LumoAppBase::FATAL_EXIT_CODE); }).detach();
            for (;;)
                app.PumpStep(nullptr);
        },
        ::testing::ExitedWithCode(1), "ended on the main thread");
}

TEST_F(Shutdown, StartAfterShutdownDoesNothing)
{
    TestApp app;
    app.Shutdown();
    app.Start();
    EXPECT_EQ(app.mUpdateCount, 0);
    EXPECT_FALSE(app.mInMainLoop);
}

using MessageBoxes = AppFixture;

TEST_F(MessageBoxes, ScreenSaverModeLogsInsteadOfShowing)
{
    PlatformTest::ScriptMessageBoxes({});
    TestApp app;
    app.mScreenSaverMode = true;
    EXPECT_EQ(app.ShowMessageBox("first", "Caption", MB_OK), 1);
    app.ShowFatalError("second");
    EXPECT_TRUE(PlatformTest::ShownMessageBoxes().empty());
    std::string log = ReadFile("ScrError.txt");
    EXPECT_EQ(log.rfind("first ", 0), 0u);
    EXPECT_NE(log.find("\nsecond "), std::string::npos);
    PlatformTest::ResetMessageBoxes();
}

// The first line of a run replaces an earlier run's log, never the log of a copy still running:
// two logs open at once are two copies of the program.
TEST_F(MessageBoxes, ScreenSaverLogOfAnotherRunningCopyIsKept)
{
    std::ofstream("log.txt") << "earlier run\n";
    {
        Lumo::MessageLog second("log.txt");
        {
            Lumo::MessageLog first("log.txt");
            first.Add("one\n");
            second.Add("two\n");
            first.Add("three\n");
        }
        // The copy that began the log has ended; the one that added to it still runs.
        Lumo::MessageLog third("log.txt");
        third.Add("four\n");
        EXPECT_EQ(ReadFile("log.txt"), "one\ntwo\nthree\nfour\n");
    }
    Lumo::MessageLog later("log.txt");
    later.Add("five\n");
    EXPECT_EQ(ReadFile("log.txt"), "five\n");
}

TEST_F(MessageBoxes, BoxesBracketedByThePopupStateAndNoneDuringShutdown)
{
    PlatformTest::ScriptMessageBoxes({IDNO});
    TestApp app;
    app.mIsPhysWindowed = false; // full screen
    AppTest::PressableWidget pressed;
    AppTest::PressWidget(app.mWidgets, pressed);
    ASSERT_EQ(app.mWidgets.mDownButtons, 1u);
    EXPECT_EQ(app.ShowMessageBox("Keep it?", "Question", MB_YESNO), IDNO);
    EXPECT_EQ(app.mFake.mDesktopFlips, 1); // the box shows over the desktop's surface
    EXPECT_FALSE(app.mPopupActive);
    EXPECT_EQ(app.mWidgets.mDownButtons, 0u);
    EXPECT_EQ(pressed.mUps, 1); // the pressed widget got its button-up
    app.Shutdown();
    app.ShowFatalError("late");
    auto shown = PlatformTest::ShownMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Question");
    PlatformTest::ResetMessageBoxes();
}

// Whatever stops the loading thread, the main thread shows the error while the loading thread
// waits, and the run ends with the fatal exit code.
TEST_F(MessageBoxes, LoadingFailuresAreShownByTheMainThreadAndEndTheRun)
{
    struct Case
    {
        std::function<void(LoadingApp&)> load;
        std::string text;
    };
    const Case cases[] = {
        {[](LoadingApp& app)
         {
             app.ShowFatalError("There was an error loading the file: gfx/objects/oven");
             app.mCloseRequested = true;
         },
         "There was an error loading the file: gfx/objects/oven"},
        {[](LoadingApp&) { throw std::bad_alloc(); }, "There was an error while loading: out of memory"},
        {[](LoadingApp&)
         { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); },
         "There was an error while loading: out of memory"}, // a thread of its own that could not start
        {[](LoadingApp&) { throw std::runtime_error("disk gone"); },
         "There was an error while loading: disk gone"},
        {[](LoadingApp&) { throw 7; }, "There was an error while loading: an unknown failure"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        PlatformTest::ScriptMessageBoxes({IDOK});
        LoadingApp app;
        app.mLoad = [&] { c.load(app); };
        EXPECT_EQ(app.GetExitCode(), 0);
        app.Start();
        EXPECT_TRUE(app.mLoadingThreadCompleted);
        EXPECT_TRUE(app.mShutdown);
        auto shown = PlatformTest::ShownMessageBoxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].caption, "FATAL ERROR");
        EXPECT_EQ(shown[0].text, c.text);
        EXPECT_EQ(shown[0].thread, std::this_thread::get_id());
        EXPECT_EQ(app.GetExitCode(), Lumo::LumoAppBase::FATAL_EXIT_CODE);
        PlatformTest::ResetMessageBoxes();
    }
}

// A worker thread that cannot start (no memory for its stack) ends the start with the fatal error
// instead of a loading screen that waits forever, and shutdown waits for no thread that never ran.
TEST_F(MessageBoxes, AThreadThatCannotStartEndsTheRun)
{
    alarm(10);
    for (bool cursorThreadFails : {true, false})
    {
        SCOPED_TRACE(cursorThreadFails ? "cursor thread" : "loading thread");
        PlatformTest::ScriptMessageBoxes({IDOK});
        LoadingApp app;
        if (!cursorThreadFails)
        {
            ASSERT_TRUE(app.StartCursorThread());
        }
        PlatformTest::FailCall("_beginthread", 1);
        app.Start();
        PlatformTest::ClearFailures();
        EXPECT_TRUE(app.mShutdown);
        EXPECT_FALSE(app.mCursorThreadRunning);
        EXPECT_EQ(app.mLoads, 0);
        auto shown = PlatformTest::ShownMessageBoxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, "Out of memory: a thread could not start.");
        EXPECT_EQ(app.GetExitCode(), Lumo::LumoAppBase::FATAL_EXIT_CODE);
        PlatformTest::ResetMessageBoxes();
    }
    alarm(0);
}

// With no memory left to show the box, the loading failure is still said on standard error.
TEST_F(MessageBoxes, ALoadingFailureThatCannotBeShownIsStillSaid)
{
    class NoBoxApp : public LoadingApp
    {
    public:
        void ShowFatalError(const std::string&) override { throw std::bad_alloc(); }
    };
    NoBoxApp app;
    app.mLoad = [] { throw std::runtime_error("disk gone"); };
    testing::internal::CaptureStderr();
    app.Start();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "FATAL ERROR: There was an error while loading: disk gone\n");
    EXPECT_EQ(app.GetExitCode(), Lumo::LumoAppBase::FATAL_EXIT_CODE);
}

// Memory that runs out where nothing catches it ends the program as out of memory, not with abort.
TEST_F(MessageBoxes, UncaughtOutOfMemoryEndsWithTheFatalExitCode)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TestApp app;
            std::thread([] { throw std::bad_alloc(); }).join();
        },
        testing::ExitedWithCode(Lumo::LumoAppBase::FATAL_EXIT_CODE), "FATAL ERROR: Out of memory.");
    EXPECT_EXIT(
        {
            TestApp app;
            std::thread(
                []
                { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); })
                .join();
        },
        testing::ExitedWithCode(Lumo::LumoAppBase::FATAL_EXIT_CODE), "FATAL ERROR: Out of memory.");
}

// Once the main loop has ended the main thread only waits for the loading thread; a box that
// thread asks for then is still shown, not waited on forever by both.
TEST_F(MessageBoxes, ABoxAskedForAfterTheMainLoopEndedIsShownWhileTheMainThreadWaits)
{
    alarm(10); // a hang ends the test program rather than the whole run
    PlatformTest::ScriptMessageBoxes({IDNO});
    LoadingApp app;
    int answer = 0;
    app.mLoad = [&]
    {
        app.Shutdown(); // from this thread only a request: the main loop ends at its next update
        while (!app.mShutdown)
            Sleep(1);
        answer = app.ShowMessageBox("Stop loading?", "Question", MB_YESNO);
    };
    app.Start();
    alarm(0);
    EXPECT_EQ(answer, IDNO);
    auto shown = PlatformTest::ShownMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].thread, std::this_thread::get_id());
    PlatformTest::ResetMessageBoxes();
}

using DeferredDeletion = AppFixture;

TEST_F(DeferredDeletion, WidgetsGoAtTheirDepthOrAShallowerOneButNeverInsideAModalLoop)
{
    TestApp app;
    std::vector<int> deleted;
    auto* outer = new AppTest::CountedWidget(&deleted, 1);
    auto* modal = new AppTest::CountedWidget(&deleted, 2);
    auto* last = new AppTest::CountedWidget(&deleted, 3);
    app.mPumpNesting = 1; // in the main loop's update
    app.DeferWidgetDeletion(outer);
    app.DeferWidgetDeletion(nullptr);
    app.mPumpNesting = 2; // inside a modal loop
    app.DeferWidgetDeletion(modal);
    app.ProcessDeferredDeletions();
    EXPECT_TRUE(deleted.empty()); // the hook that started the loop may still use either
    app.mPumpNesting = 1;
    app.DeferWidgetDeletion(last);
    app.mPumpNesting = 3;
    app.ProcessDeferredDeletions();
    EXPECT_TRUE(deleted.empty());
    app.mPumpNesting = 1;
    app.ProcessDeferredDeletions();
    EXPECT_EQ(deleted, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(app.mDeferredDeletions.empty());
    app.mPumpNesting = 0;
}

TEST_F(DeferredDeletion, ANestedPumpDeletesNothingItsStarterMayStillUse)
{
    TestApp app;
    std::vector<int> deleted;
    bool nestedDone = false;
    int depth = 0;
    app.mWidgets.mOnUpdate = [&](int)
    {
        if (depth > 0)
        {
            app.DeferWidgetDeletion(
                new AppTest::CountedWidget(&deleted, 2)); // an update run by the modal loop
            return;
        }
        if (nestedDone)
            return;
        nestedDone = true;
        app.DeferWidgetDeletion(new AppTest::CountedWidget(&deleted, 1));
        depth++; // a modal loop pumping from inside the update
        app.PumpUntilUpdate();
        app.PumpUntilUpdate();
        depth--;
        EXPECT_TRUE(deleted.empty());
    };
    app.RunFor(100);
    ASSERT_TRUE(nestedDone);
    EXPECT_EQ(deleted, (std::vector<int>{1, 2, 2}));
    EXPECT_EQ(app.mPumpNesting, 0);
}

TEST_F(Shutdown, HardwareAccelerationIsConfirmedAtExit)
{
    PlatformTest::ScriptMessageBoxes({IDNO, IDNO});
    {
        TestApp app; // 3-D switched on during the run, no stored value, the self test not clean
        app.mRegistryKey = "Crustavia";
        app.mCaptionPrefix = "Crustavia";
        app.mFake.mIs3D = true;
        app.m3DSettingChanged = true;
        Lumo::gD3DRenderTargetLost = true; // not asked a second time
        app.ConfirmHardwareAcceleration();
        EXPECT_FALSE(app.mFake.mIs3D);
        bool stored = true;
        EXPECT_FALSE(app.RegistryReadBoolean("Is3D", &stored)); // nothing written on No
    }
    {
        TestApp app; // the value exists: written without asking
        app.mRegistryKey = "Crustavia";
        app.RegistryWriteBoolean("Is3D", false);
        app.mFake.mIs3D = true;
        app.m3DSettingChanged = true;
        app.ConfirmHardwareAcceleration();
        bool stored = false;
        EXPECT_TRUE(app.RegistryReadBoolean("Is3D", &stored));
        EXPECT_TRUE(stored);
        // A renderer that lost its target asks once more; No switches 3-D off.
        Lumo::gD3DRenderTargetLost = true;
        app.m3DSettingChanged = false;
        app.ConfirmHardwareAcceleration();
        EXPECT_TRUE(app.RegistryReadBoolean("Is3D", &stored));
        EXPECT_FALSE(stored);
    }
    auto shown = PlatformTest::ShownMessageBoxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, "Crustavia Hardware Acceleration Confirmation");
    EXPECT_EQ(shown[0].text.rfind("Hardware Acceleration was switched on during this session.\r\n", 0), 0u);
    EXPECT_EQ(shown[1].text.rfind("Hardware Acceleration may not have been working correctly", 0), 0u);
    PlatformTest::ResetMessageBoxes();
}

TEST_F(Shutdown, AYesKeepsHardwareAccelerationAndACleanSelfTestIsNotAsked)
{
    PlatformTest::ScriptMessageBoxes({IDYES});
    {
        TestApp app;
        app.mRegistryKey = "Crustavia";
        app.mFake.mIs3D = true;
        app.m3DSettingChanged = true;
        app.ConfirmHardwareAcceleration();
        EXPECT_TRUE(app.mFake.mIs3D);
        bool stored = false;
        EXPECT_TRUE(app.RegistryReadBoolean("Is3D", &stored));
        EXPECT_TRUE(stored);
    }
    {
        TestApp app; // a self test without failure or warning: the choice is written as it stands
        app.mRegistryKey = "Crustavia2";
        app.mFake.mD3DTester = new Lumo::D3DTester(&app);
        app.mFake.mIs3D = true;
        app.m3DSettingChanged = true;
        EXPECT_TRUE(app.Is3DTestClean());
        app.ConfirmHardwareAcceleration();
        bool stored = false;
        EXPECT_TRUE(app.RegistryReadBoolean("Is3D", &stored));
        EXPECT_TRUE(stored);
    }
    EXPECT_EQ(PlatformTest::ShownMessageBoxes().size(), 1u);
    PlatformTest::ResetMessageBoxes();
}
