#include "AppTestSupport.h"
#include "core/desktop.h"
#include "core/faults.h"
#include "test/message_box.h"

using AppTest::AppFixture;
using AppTest::FakeDisplay;
using AppTest::TestApp;

namespace
{
class ScreenApp : public TestApp
{
public:
    std::vector<std::string> mDisplayHooks;

    ScreenApp()
    {
        mWidth = 800;
        mHeight = 600;
        mCommandLineParsed = true;
    }
    bool KeepWorkingDirectory(const std::string&) override { return true; }
    void DisplayReinitHook() override { mDisplayHooks.push_back("reinit"); }
    void DeleteExtraImageBuffers() override
    {
        mDisplayHooks.push_back("extra");
        TestApp::DeleteExtraImageBuffers();
    }
};

class ScreenMode : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        Platform::DesktopInfo desktop;
        desktop.width = 1024;
        desktop.height = 768;
        PlatformTest::SetDesktop(desktop);
    }
    void TearDown() override
    {
        PlatformTest::ResetDesktop();
        AppFixture::TearDown();
    }
};
using ScreenModeDeathTest = ScreenMode;

RECT FrameOf(int width, int height)
{
    RECT frame{0, 0, width, height};
    AdjustWindowRect(&frame, WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, FALSE);
    return frame;
}
} // namespace

TEST_F(ScreenMode, WindowCentredAtGoldenSectionOrPulledInside)
{
    ScreenApp app;
    app.CreateMainWindow();
    ASSERT_NE(app.mHWnd, nullptr);
    EXPECT_TRUE(app.mIsPhysWindowed);
    RECT frame = FrameOf(800, 600);
    int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
    RECT placed;
    ASSERT_TRUE(GetWindowRect(app.mHWnd, &placed));
    EXPECT_EQ(placed.left, (1024 - fw) / 2);
    EXPECT_EQ(placed.top, (int)(0.382 * (768 - fh)));
    EXPECT_EQ(placed.right - placed.left, fw);
    EXPECT_EQ(app.mRefreshRate, 60);
    EXPECT_EQ((Lumo::LumoAppBase*)GetWindowLongPtrA(app.mHWnd, GWL_USERDATA), (Lumo::LumoAppBase*)&app);

    app.mPreferredX = 900;
    app.mPreferredY = -50;
    app.CreateMainWindow();
    ASSERT_TRUE(GetWindowRect(app.mHWnd, &placed));
    EXPECT_EQ(placed.left, 1024 - 4 - fw);
    EXPECT_EQ(placed.top, 4);
}

// A window saved on a monitor beside the primary comes back there, pulled inside that monitor's work
// area only, instead of onto the primary's.
TEST_F(ScreenMode, WindowSavedOnAnotherMonitorIsKeptInsideThatMonitor)
{
    Platform::DesktopInfo desktop;
    desktop.width = 1024;
    desktop.height = 768;
    PlatformTest::SetDesktop(
        desktop, {{0, 0, 1024, 768, 0, 0, 1024, 768}, {1024, 0, 2944, 1080, 1024, 30, 2944, 1080}});
    ScreenApp app;
    RECT frame = FrameOf(800, 600);
    int fw = frame.right - frame.left, fh = frame.bottom - frame.top;
    struct Case
    {
        int x, y, left, top;
    };
    for (Case c :
         {Case{1500, 300, 1500, 300}, Case{2500, 0, 2944 - 4 - fw, 34}, Case{600, 100, 1024 - 4 - fw, 100}})
    {
        app.mPreferredX = c.x;
        app.mPreferredY = c.y;
        app.CreateMainWindow();
        RECT placed;
        ASSERT_TRUE(GetWindowRect(app.mHWnd, &placed));
        EXPECT_EQ(placed.left, c.left) << c.x;
        EXPECT_EQ(placed.top, c.top) << c.x;
        EXPECT_EQ(placed.bottom - placed.top, fh);
    }
}

TEST_F(ScreenMode, WindowedColorDepthFailureFallsBackToFullScreen)
{
    ScreenApp app;
    AppTest::VolumeOutput sound;
    app.mSoundManager = &sound;
    app.mFake.mResults = {Lumo::RESULT_INVALID_COLORDEPTH};
    app.CreateMainWindow();
    EXPECT_TRUE(app.mWindowedFailed);
    EXPECT_FALSE(app.mIsWindowed);
    EXPECT_FALSE(app.mIsPhysWindowed);
    EXPECT_EQ(app.mFake.mStarts, (std::vector<bool>{true, false}));
    EXPECT_EQ(sound.mCooperativeWindow, app.mHWnd);
    // Alt+Enter does nothing any more.
    app.HandleWindowMessage(app.mHWnd, WM_SYSKEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(app.mFake.mStarts.size(), 2u);
    app.mSoundManager = nullptr;
}

TEST_F(ScreenMode, FullScreenFailureFallsBackToWindowed)
{
    ScreenApp app;
    app.mIsWindowed = false;
    app.mFake.mResults = {Lumo::RESULT_EXCLUSIVE_FAIL};
    app.CreateMainWindow();
    EXPECT_TRUE(app.mFullScreenFailed);
    EXPECT_TRUE(app.mIsWindowed);
    EXPECT_TRUE(app.mIsPhysWindowed);
    EXPECT_EQ(app.mFake.mStarts, (std::vector<bool>{false, true}));
}

TEST_F(ScreenMode, ThreeDFailureFallsBackToTwoD)
{
    ScreenApp app;
    app.mRegistryKey = "Crustavia";
    app.RegistryWriteBoolean("Is3D", true);
    app.mFake.mResults = {Lumo::RESULT_3D_FAIL};
    app.CreateMainWindow();
    EXPECT_TRUE(app.mRun3DTest);
    EXPECT_FALSE(app.mFake.mIs3D);
    EXPECT_TRUE(app.m3DSettingChanged);
    EXPECT_EQ(app.mFake.mStarts.size(), 2u);
    // The 3-D buffers go after the hook, before the second start.
    EXPECT_EQ(app.mDisplayHooks, (std::vector<std::string>{"reinit", "reinit", "extra"}));
    // The window timer was started after the fallback too.
    PlatformTest::AdvanceClock(20 * 1000);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, app.mHWnd, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(ScreenModeDeathTest, FatalDisplayFailuresExitWithAnError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    {
        ScreenApp app;
        app.mFake.mResults = {Lumo::RESULT_DD_CREATE_FAIL};
        EXPECT_EXIT(app.CreateMainWindow(), testing::ExitedWithCode(1),
                    "Failed to initialize DirectDraw: RESULT_DD_CREATE_FAIL no device");
    }
    {
        ScreenApp app; // windowed failed for the desktop's depth, then full screen failed as well
        app.mFake.mResults = {Lumo::RESULT_INVALID_COLORDEPTH, Lumo::RESULT_DISPCHANGE_FAIL};
        EXPECT_EXIT(app.CreateMainWindow(), testing::ExitedWithCode(1),
                    "Please set your desktop color depth to 16 bit.");
    }
    {
        ScreenApp app; // full screen failed, then windowed failed as well
        app.mIsWindowed = false;
        app.mFake.mResults = {Lumo::RESULT_DISPCHANGE_FAIL, Lumo::RESULT_INVALID_COLORDEPTH};
        EXPECT_EXIT(app.CreateMainWindow(), testing::ExitedWithCode(1),
                    "Please set your desktop color depth to 16 bit.");
    }
}

TEST_F(ScreenModeDeathTest, StartUpFailuresExitWithAnError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Platform::RegisterBuiltinModule("ddraw.dll", nullptr, nullptr);
    Platform::RegisterBuiltinModule("dsound.dll", nullptr, nullptr);
    {
        PlatformTest::FailCall("LoadLibraryA"); // no display or sound module
        ScreenApp app;
        PlatformTest::ClearFailures();
        EXPECT_EXIT(app.Init(), testing::ExitedWithCode(1), "This application requires DirectX to run.");
    }
    {
        ScreenApp app;
        app.mPlayingDemo = true;
        EXPECT_EXIT(app.Init(), testing::ExitedWithCode(1), "Demo file not found: lumoapp.dmo");
    }
}

TEST_F(ScreenMode, InitStartsFullScreenWhenTheWindowDoesNotFit)
{
    Platform::RegisterBuiltinModule("ddraw.dll", nullptr, nullptr);
    Platform::RegisterBuiltinModule("dsound.dll", nullptr, nullptr);
    Platform::DesktopInfo desktop;
    desktop.width = 800;
    desktop.height = 700;
    PlatformTest::SetDesktop(desktop);
    ScreenApp app;
    app.mRegistryKey = "Crustavia";
    AppTest::VolumeOutput music;
    app.mMusicInterface = &music;
    app.Init();
    EXPECT_TRUE(app.mInitialized);
    EXPECT_FALSE(app.mIsWindowed);
    EXPECT_FALSE(app.mIsPhysWindowed);
    EXPECT_NE(app.mInvisHWnd, nullptr);
    EXPECT_TRUE(app.mSettingsLoaded);
    EXPECT_EQ(music.mVolume, 0.85);
    app.mMusicInterface = nullptr;
}

// A window larger than the desktop would be cut off at its edges: once full screen for that reason,
// the game keeps full screen when it asks for a window. A desktop the window fits gives the window,
// also while a full-screen mode of the window's size is set.
TEST_F(ScreenMode, AWindowLargerThanTheDesktopKeepsFullScreenWhenAWindowIsAsked)
{
    for (int desktopHeight : {600, 768})
    {
        Platform::DesktopInfo desktop;
        desktop.width = 1024;
        desktop.height = desktopHeight;
        PlatformTest::SetDesktop(desktop);
        ScreenApp app;
        app.mIsWindowed = false;
        app.CreateMainWindow();
        DEVMODEA mode{};
        mode.dmSize = sizeof(mode);
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        mode.dmPelsWidth = 800;
        mode.dmPelsHeight = 600;
        ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
        app.SetWindowed(true);
        EXPECT_EQ(app.mIsWindowed, desktopHeight > 600) << desktopHeight;
        EXPECT_EQ(app.mIsPhysWindowed, desktopHeight > 600) << desktopHeight;
        ChangeDisplaySettingsA(nullptr, 0);
    }
}
