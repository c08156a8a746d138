// The developer keys on a whole application: real key messages through the window, what each
// key does and whether the widgets still see it, the overlays in the presented frame, and the
// screenshot and picture-dump files.
#include "app/Common.h"
#include "app/DebugOverlays.h"
#include "app/Profiler.h"
#include "core/faults.h"
#include "graphics/Font.h"
#include "media/ImageLib.h"
#include "test/message_box.h"
#include "test/present.h"
#include "tests/integration/IntegrationSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <poll.h>
#include <set>
#include <sys/inotify.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace IntegrationTest;
using namespace Lumo;

namespace
{
namespace fs = std::filesystem;

// Modifiers held while the key is pressed, then released again.
struct Mods
{
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

class DebugKeys : public AppIntegration
{
protected:
    std::unique_ptr<RealApp> mApp;
    std::unique_ptr<SolidWidget> mBackground;

    void SetUp() override
    {
        AppIntegration::SetUp();
        PlatformTest::ScriptMessageBoxes({});
        mApp = std::make_unique<RealApp>();
        mApp->Init();
        ASSERT_TRUE(mApp->mInitialized);
        // As the run does: the window shown and focused, so that frames are presented.
        ShowWindow(mApp->mHWnd, SW_SHOW);
        SetFocus(mApp->mHWnd);
        mApp->mInMainLoop = true;
        mBackground = std::make_unique<SolidWidget>(int(0xFF2080C0));
        mBackground->Resize(0, 0, 320, 240);
        mApp->mWidgetManager->AddWidget(mBackground.get());
        mApp->RunFor(50);
    }
    void TearDown() override
    {
        if (mApp)
            mApp->mWidgetManager->RemoveWidget(mBackground.get());
        mApp.reset();
        if (IsProfiling())
            ProfilerEnd();
        PlatformTest::ResetMessageBoxes();
        AppIntegration::TearDown();
    }

    void Hold(SDL_Keycode key, SDL_Scancode code, bool down)
    {
        PlatformTest::InjectKey(mApp->mHWnd, key, code, down);
    }
    void Press(SDL_Keycode key, SDL_Scancode code, Mods mods = {})
    {
        if (mods.ctrl)
            Hold(SDLK_LCTRL, SDL_SCANCODE_LCTRL, true);
        if (mods.alt)
            Hold(SDLK_LALT, SDL_SCANCODE_LALT, true);
        if (mods.shift)
            Hold(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, true);
        Hold(key, code, true);
        mApp->RunFor(30);
        Hold(key, code, false);
        if (mods.shift)
            Hold(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, false);
        if (mods.alt)
            Hold(SDLK_LALT, SDL_SCANCODE_LALT, false);
        if (mods.ctrl)
            Hold(SDLK_LCTRL, SDL_SCANCODE_LCTRL, false);
        mApp->RunFor(30);
    }
    void EnableDebugKeys()
    {
        Press(SDLK_d, SDL_SCANCODE_D, {false, true, true});
        ASSERT_TRUE(mApp->mDebugKeysEnabled);
    }
    // The widgets saw the key go down (a consumed key never reaches them).
    bool WidgetsSawKey(int vk, SDL_Keycode key, SDL_Scancode code, Mods mods = {})
    {
        mApp->mWidgetManager->mKeyDown[vk] = false;
        if (mods.shift || mods.ctrl)
        {
            // The key is caught while still held.
            if (mods.ctrl)
                Hold(SDLK_LCTRL, SDL_SCANCODE_LCTRL, true);
            if (mods.shift)
                Hold(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, true);
            Hold(key, code, true);
            mApp->RunFor(30);
            bool seen = mApp->mWidgetManager->mKeyDown[vk];
            Hold(key, code, false);
            if (mods.shift)
                Hold(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, false);
            if (mods.ctrl)
                Hold(SDLK_LCTRL, SDL_SCANCODE_LCTRL, false);
            mApp->RunFor(30);
            return seen;
        }
        Hold(key, code, true);
        mApp->RunFor(30);
        bool seen = mApp->mWidgetManager->mKeyDown[vk];
        Hold(key, code, false);
        mApp->RunFor(30);
        return seen;
    }
    // Plays another copy of the program: holds the display lock, which `step` takes, until an event
    // of `mask` on a folder in `folder` shows that `step` got that far, and then does `meanwhile`.
    void Meanwhile(const char* folder, uint32_t mask, const std::function<void()>& meanwhile,
                   const std::function<void()>& step)
    {
        const int watch = inotify_init1(IN_CLOEXEC);
        ASSERT_GE(inotify_add_watch(watch, folder, mask), 0);
        std::atomic<bool> holding{false};
        std::thread other(
            [&]
            {
                AutoCrit lock(DisplayLockOf(mApp->mDDInterface));
                holding = true;
                alignas(inotify_event) char event[4096];
                pollfd ready{watch, POLLIN, 0};
                // Never a hang: without the event the test fails on what was written.
                while (poll(&ready, 1, 10000) == 1 && read(watch, event, sizeof event) > 0 &&
                       (reinterpret_cast<inotify_event*>(event)->mask & IN_ISDIR) == 0)
                {
                }
                meanwhile();
            });
        while (!holding)
            std::this_thread::yield();
        step();
        other.join();
        close(watch);
    }
    std::string ReadFile(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

uint32_t Pixel(const std::vector<uint32_t>& frame, int width, int x, int y)
{
    return frame[size_t(y * width + x)];
}
} // namespace

TEST_F(DebugKeys, CtrlAltDTogglesTheKeysWhichAreOffUntilThen)
{
    EXPECT_FALSE(mApp->mDebugKeysEnabled);
    // Off: F10 is an ordinary key and freezes nothing.
    EXPECT_TRUE(WidgetsSawKey(VK_F10, SDLK_F10, SDL_SCANCODE_F10));
    EXPECT_EQ(mApp->mFreezeState, 0);

    EnableDebugKeys();
    EXPECT_FALSE(WidgetsSawKey(VK_F10, SDLK_F10, SDL_SCANCODE_F10));
    EXPECT_NE(mApp->mFreezeState, 0);
    mApp->mFreezeState = 0;

    // D alone or with one modifier toggles nothing.
    Press(SDLK_d, SDL_SCANCODE_D, {false, true, false});
    Press(SDLK_d, SDL_SCANCODE_D);
    EXPECT_TRUE(mApp->mDebugKeysEnabled);
    Press(SDLK_d, SDL_SCANCODE_D, {false, true, true});
    EXPECT_FALSE(mApp->mDebugKeysEnabled);
}

TEST_F(DebugKeys, FreezeStepAndSlowMotionKeys)
{
    EnableDebugKeys();
    mApp->mFreezeState = 0;
    mApp->mDebugKeysEnabled = true;
    EXPECT_FALSE(WidgetsSawKey(VK_F10, SDLK_F10, SDL_SCANCODE_F10));
    // One frame runs, then the loop holds.
    EXPECT_EQ(mApp->mFreezeState, 2);
    int frozenAt = mApp->mUpdateCount;
    mApp->RunFor(200);
    EXPECT_EQ(mApp->mUpdateCount, frozenAt);

    EXPECT_FALSE(WidgetsSawKey(VK_F10, SDLK_F10, SDL_SCANCODE_F10, {true, false, false}));
    EXPECT_EQ(mApp->mFreezeState, 0);
    mApp->RunFor(200);
    // Released without catching up the time it was frozen: about 20 updates, not hundreds.
    EXPECT_GT(mApp->mUpdateCount, frozenAt + 10);
    EXPECT_LT(mApp->mUpdateCount, frozenAt + 40);

    EXPECT_FALSE(WidgetsSawKey(VK_F10, SDLK_F10, SDL_SCANCODE_F10, {false, true, false}));
    EXPECT_EQ(mApp->mUpdateMultiplier, 0.25);
    Press(SDLK_F10, SDL_SCANCODE_F10, {false, true, false});
    EXPECT_EQ(mApp->mUpdateMultiplier, 1.0);
    mApp->mUpdateMultiplier = 0.5;
    Press(SDLK_F10, SDL_SCANCODE_F10, {false, true, false});
    EXPECT_EQ(mApp->mUpdateMultiplier, 0.25);
}

TEST_F(DebugKeys, DuringPlaybackTheLiveModifiersCountAndEveryStateCanBeUndone)
{
    mApp->mPlayingDemo = true;
    // The replayed key table holds Ctrl down; the developer's keyboard does not.
    mApp->mWidgetManager->mKeyDown[VK_CONTROL] = true;
    Press(SDLK_F3, SDL_SCANCODE_F3, {true, false, false});
    EXPECT_TRUE(mApp->mShowDebugOverlay);
    EXPECT_EQ(mApp->mDebugOverlayMode, 1);
    Press(SDLK_F10, SDL_SCANCODE_F10, {false, true, false});
    EXPECT_EQ(mApp->mUpdateMultiplier, 0.25);
    EXPECT_EQ(mApp->mFreezeState, 0);
    Press(SDLK_F10, SDL_SCANCODE_F10, {false, true, false});
    EXPECT_EQ(mApp->mUpdateMultiplier, 1.0);
    Press(SDLK_F10, SDL_SCANCODE_F10); // a system key
    EXPECT_NE(mApp->mFreezeState, 0);
    Press(SDLK_F10, SDL_SCANCODE_F10, {true, false, false});
    EXPECT_EQ(mApp->mFreezeState, 0);
    EXPECT_TRUE(mApp->mWidgetManager->mKeyDown[VK_CONTROL]); // the replay's table is untouched
    mApp->mPlayingDemo = false;
}

TEST_F(DebugKeys, F3ShowsTheFrameRateInTheBottomRightCorner)
{
    EnableDebugKeys();
    EXPECT_TRUE(WidgetsSawKey(VK_F3, SDLK_F3, SDL_SCANCODE_F3));
    ASSERT_TRUE(mApp->mShowDebugOverlay);
    ASSERT_NE(mApp->mDebugOverlays, nullptr);
    // The first refresh after switching on shows 0.
    DDImage* image = mApp->mDebugOverlays->mImages[DebugOverlays::kFps];
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kFps], "FPS: 0");
    EXPECT_EQ(image->mWidth, 50);
    EXPECT_EQ(image->mHeight, mApp->mDebugOverlays->mFont->GetHeight() + 4);

    // A frame after it: the picture at (320 - 50 - 10, 240 - h - 10), the background around it,
    // in 2-D and drawn over what the renderer drew in 3-D.
    int width = 0;
    int height = 0;
    std::vector<uint32_t> frame;
    int left = 320 - 50 - 10;
    int top = 240 - image->mHeight - 10;
    for (bool threeD : {false, true})
    {
        SCOPED_TRACE(threeD ? "3-D" : "2-D");
        if (threeD)
        {
            mApp->Set3D(true, true);
            ASSERT_TRUE(mApp->Is3DEnabled());
        }
        mBackground->MarkDirty();
        mApp->RunFor(30);
        ASSERT_TRUE(PlatformTest::ReadPresentedFrame(mApp->mHWnd, &width, &height, &frame));
        EXPECT_EQ(Pixel(frame, width, left, top), 0xFF000000u);
        EXPECT_EQ(Pixel(frame, width, left + 49, top + image->mHeight - 1), 0xFF000000u);
        EXPECT_EQ(Pixel(frame, width, left - 1, top), 0xFF2080C0u);
        EXPECT_EQ(Pixel(frame, width, left + 50, top), 0xFF2080C0u);
        EXPECT_EQ(Pixel(frame, width, left, top - 1), 0xFF2080C0u);
        EXPECT_EQ(Pixel(frame, width, left, top + image->mHeight), 0xFF2080C0u);
        int textPixels = 0;
        for (int y = top; y < top + image->mHeight; y++)
            for (int x = left; x < left + 50; x++)
                textPixels += Pixel(frame, width, x, y) != 0xFF000000u;
        EXPECT_GT(textPixels, 10);
    }

    // F3 again: off, and the widgets draw over the corner once more.
    Press(SDLK_F3, SDL_SCANCODE_F3);
    EXPECT_FALSE(mApp->mShowDebugOverlay);
    ASSERT_TRUE(PlatformTest::ReadPresentedFrame(mApp->mHWnd, &width, &height, &frame));
    EXPECT_EQ(Pixel(frame, width, left, top), 0xFF2080C0u);
}

TEST_F(DebugKeys, FrameRateCountsTheFramesOfTheLastSecond)
{
    mApp->mShowDebugOverlay = true;
    mApp->DrawFpsOverlay();
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kFps], "FPS: 0");
    for (int i = 0; i < 24; i++)
    {
        PlatformTest::AdvanceClock(20 * 1000);
        mApp->DrawFpsOverlay();
        EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kFps], "FPS: 0");
    }
    // 25 frames in 1000 ms (the last one reaches the second).
    PlatformTest::AdvanceClock(520 * 1000);
    mApp->DrawFpsOverlay();
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kFps], "FPS: 25");
    // 3 frames in 1500 ms: 2 per second, truncated.
    PlatformTest::AdvanceClock(500 * 1000);
    mApp->DrawFpsOverlay();
    mApp->DrawFpsOverlay();
    PlatformTest::AdvanceClock(1000 * 1000);
    mApp->DrawFpsOverlay();
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kFps], "FPS: 2");
}

TEST_F(DebugKeys, ShiftF3CyclesToTheMousePositionAndBack)
{
    EnableDebugKeys();
    EXPECT_TRUE(WidgetsSawKey(VK_F3, SDLK_F3, SDL_SCANCODE_F3, {true, false, false}));
    EXPECT_TRUE(mApp->mShowDebugOverlay);
    EXPECT_EQ(mApp->mDebugOverlayMode, 1);
    // Refreshed with every presented frame.
    PlatformTest::InjectMouseMove(mApp->mHWnd, 123, 45);
    mApp->RunFor(30);
    mBackground->MarkDirty();
    mApp->RunFor(30);
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kMouse], "123,45");
    PlatformTest::InjectMouseMove(mApp->mHWnd, 7, 230);
    mApp->RunFor(30);
    mBackground->MarkDirty();
    mApp->RunFor(30);
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kMouse], "7,230");

    Press(SDLK_F3, SDL_SCANCODE_F3, {true, false, false});
    EXPECT_EQ(mApp->mDebugOverlayMode, 0);
    EXPECT_TRUE(mApp->mShowDebugOverlay);
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kFps], "FPS: 0");
}

TEST_F(DebugKeys, DemoTimeLeftIsRefreshedOncePerSecondOfGameTime)
{
    mApp->mFrameTime = 10;
    mApp->mDemoLength = 400000; // 4000 s
    mApp->mUpdateCount = 10000;
    mApp->DrawDemoTimeOverlay();
    // 390000 updates of 10 ms: 3900 s.
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kDemoTime], "01:05:00");
    mApp->mUpdateCount = 10100;
    PlatformTest::AdvanceClock(999 * 1000);
    mApp->DrawDemoTimeOverlay();
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kDemoTime], "01:05:00");
    PlatformTest::AdvanceClock(1000);
    mApp->DrawDemoTimeOverlay();
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kDemoTime], "01:04:59");

    // In slow motion the refresh waits four times as long.
    mApp->mUpdateMultiplier = 0.25;
    mApp->mUpdateCount = 10200;
    PlatformTest::AdvanceClock(3999 * 1000);
    mApp->DrawDemoTimeOverlay();
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kDemoTime], "01:04:59");
    PlatformTest::AdvanceClock(1000);
    mApp->DrawDemoTimeOverlay();
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kDemoTime], "01:04:58");

    // Past the end shows zero rather than a negative time.
    mApp->mUpdateCount = 500000;
    PlatformTest::AdvanceClock(4000 * 1000);
    mApp->DrawDemoTimeOverlay();
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kDemoTime], "00:00:00");
}

TEST_F(DebugKeys, F2ProfilesUntilPressedAgainAndShowsTheReport)
{
    EnableDebugKeys();
    ASSERT_FALSE(IsProfiling());
    EXPECT_TRUE(WidgetsSawKey(VK_F2, SDLK_F2, SDL_SCANCODE_F2));
    EXPECT_TRUE(IsProfiling());
    EXPECT_TRUE(PlatformTest::ShownMessageBoxes().empty());
    PlatformTest::AdvanceClock(250 * 1000);
    EXPECT_TRUE(WidgetsSawKey(VK_F2, SDLK_F2, SDL_SCANCODE_F2));
    EXPECT_FALSE(IsProfiling());
    auto boxes = PlatformTest::ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Perf Results");
    EXPECT_EQ(boxes[0].text, ProfilerReport());
    // Only the total line: no section was profiled.
    EXPECT_EQ(std::count(boxes[0].text.begin(), boxes[0].text.end(), '\n'), 1);
}

TEST_F(DebugKeys, F8ShowsVideoStatsAndShiftF8ReportsTheThreeDState)
{
    EnableDebugKeys();
    EXPECT_FALSE(WidgetsSawKey(VK_F8, SDLK_F8, SDL_SCANCODE_F8));
    auto boxes = PlatformTest::ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Video Stats");
    const std::string& text = boxes[0].text;
    EXPECT_EQ(text.rfind("3D-Mode is Off (3D is Unsupported on this system)\r\n\r\nVideo Memory: ", 0), 0u)
        << text;
    EXPECT_NE(text.find(" KB\r\n\r\nTexture Memory: 0 KB\r\nA8R8G8B8: 0 - 0 KB\r\nA4R4G4B4: 0 - 0 KB\r\n"
                        "R5G6B5: 0 - 0 KB\r\nPalette8: 0 - 0 KB\r\n"),
              std::string::npos)
        << text;
    // The desktop has 16 MB: "used/16,384 KB".
    EXPECT_NE(text.find("/16,384 KB"), std::string::npos) << text;

    // Without a renderer the mode stays off and says so.
    PlatformTest::FailCall("CreateDevice");
    EXPECT_FALSE(WidgetsSawKey(VK_F8, SDLK_F8, SDL_SCANCODE_F8, {true, false, false}));
    PlatformTest::ClearFailures();
    boxes = PlatformTest::ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].caption, "Mode Switch");
    EXPECT_EQ(boxes[1].text, "3D-Mode: OFF");
    EXPECT_FALSE(mApp->Is3DEnabled());
    // The screen is still drawn and presented.
    int draws = mApp->mDrawCount;
    mBackground->MarkDirty();
    mApp->RunFor(30);
    EXPECT_GT(mApp->mDrawCount, draws);

    // With one it goes on, and off again with the next press.
    EXPECT_FALSE(WidgetsSawKey(VK_F8, SDLK_F8, SDL_SCANCODE_F8, {true, false, false}));
    EXPECT_TRUE(mApp->Is3DEnabled());
    EXPECT_FALSE(WidgetsSawKey(VK_F8, SDLK_F8, SDL_SCANCODE_F8, {true, false, false}));
    EXPECT_FALSE(mApp->Is3DEnabled());
    boxes = PlatformTest::ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[2].text, "3D-Mode: ON");
    EXPECT_EQ(boxes[3].text, "3D-Mode: OFF");
}

TEST_F(DebugKeys, AltRIsAnOrdinaryKeyAndClearsTheKeyTableWhenNothingWasReread)
{
    EXPECT_TRUE(mApp->IsAltKeyUsed('r'));
    EXPECT_TRUE(mApp->IsAltKeyUsed('R'));
    EXPECT_FALSE(mApp->IsAltKeyUsed('x'));
    EnableDebugKeys();
    Hold(SDLK_LALT, SDL_SCANCODE_LALT, true);
    Hold(SDLK_r, SDL_SCANCODE_R, true);
    mApp->RunFor(30);
    // No live values were read: a warning, and the held keys are forgotten.
    auto boxes = PlatformTest::ShownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "MODVAL WARNING!");
    EXPECT_FALSE(mApp->mWidgetManager->mKeyDown[VK_MENU]);
    Hold(SDLK_r, SDL_SCANCODE_R, false);
    Hold(SDLK_LALT, SDL_SCANCODE_LALT, false);
    mApp->RunFor(30);
}

TEST_F(DebugKeys, ScreenshotsAreNumberedAfterTheHighestExisting)
{
    fs::create_directories("_screenshots");
    for (const char* name :
         {"image3.png", "image10.png", "image99.png.bak", "imagex.png", "image50.pngx", "shot70.png"})
        std::ofstream(fs::path("_screenshots") / name) << "x";
    EnableDebugKeys();
    EXPECT_FALSE(WidgetsSawKey(VK_F11, SDLK_F11, SDL_SCANCODE_F11));
    ASSERT_TRUE(fs::exists("_screenshots/image11.png"));

    std::unique_ptr<ImageLib::Image> shot(ImageLib::GetPNGImage("_screenshots/image11.png"));
    ASSERT_NE(shot, nullptr);
    ASSERT_EQ(shot->mWidth, 320);
    ASSERT_EQ(shot->mHeight, 240);
    EXPECT_EQ(shot->mBits[0] | 0xFF000000u, 0xFF2080C0u);
    EXPECT_EQ(shot->mBits[239 * 320 + 319] | 0xFF000000u, 0xFF2080C0u);

    EXPECT_EQ(mApp->TakeScreenshot(), "_screenshots/image12.png");
    // A number written with leading zeros still counts as that number.
    std::ofstream("_screenshots/image0020.png") << "x";
    EXPECT_EQ(mApp->TakeScreenshot(), "_screenshots/image21.png");
}

// Another copy of the program took the number after this one listed the folder: its screenshot
// stays, and this one takes the next number.
TEST_F(DebugKeys, AScreenshotNeverReplacesOneAnotherCopyTookMeanwhile)
{
    fs::create_directories("_screenshots");
    std::string taken;
    Meanwhile(
        "_screenshots", IN_CLOSE_NOWRITE, [] { std::ofstream("_screenshots/image1.png") << "other copy"; },
        [&] { taken = mApp->TakeScreenshot(); });
    EXPECT_EQ(ReadFile("_screenshots/image1.png"), "other copy");
    EXPECT_EQ(taken, "_screenshots/image2.png");
}

TEST_F(DebugKeys, ScreenshotFailuresWriteNothing)
{
    // A file where the folder should be: nothing can be written.
    std::ofstream("_screenshots") << "x";
    EXPECT_EQ(mApp->TakeScreenshot(), "");

    // No number is left after the largest.
    fs::remove("_screenshots");
    fs::create_directory("_screenshots");
    std::ofstream("_screenshots/image2147483647.png") << "x";
    EXPECT_EQ(mApp->TakeScreenshot(), "");
    EXPECT_EQ(std::distance(fs::directory_iterator("_screenshots"), fs::directory_iterator()), 1);

    RealApp headless;
    EXPECT_EQ(headless.TakeScreenshot(), "");
    headless.ShowVideoStats();
    EXPECT_EQ(PlatformTest::ShownMessageBoxes().size(), 1u);
}

TEST_F(DebugKeys, DumpImagesWritesEveryLivePictureLargestFirst)
{
    fs::create_directories("_dump");
    std::ofstream("_dump/stale.txt") << "old";
    Lumo::MemoryImage small(mApp.get());
    small.Create(5, 4);
    small.GetBits();
    small.mHasAlpha = true;
    small.mHasTrans = false;
    Lumo::MemoryImage large(mApp.get());
    large.Create(100, 20);
    std::fill(large.GetBits(), large.GetBits() + 2000, 0xFF00FF00u);
    large.BitsChanged();
    large.mIsVolatile = true;
    large.mHasAlpha = false;
    large.mHasTrans = false;
    Lumo::MemoryImage empty(mApp.get()); // no pixels: no files, so nothing linked

    EnableDebugKeys();
    EXPECT_FALSE(WidgetsSawKey(VK_F11, SDLK_F11, SDL_SCANCODE_F11, {true, false, false}));
    EXPECT_FALSE(fs::exists("_dump/stale.txt"));
    std::string page = ReadFile("_dump/imagelist.html");
    EXPECT_EQ(page.rfind("<HTML><BODY BGCOLOR=EEEEFF><CENTER><FONT SIZE=+2><B>Total Image Allocation: ", 0),
              0u);
    EXPECT_NE(page.find(" bytes<BR></B></FONT><BR><TABLE BORDER=1 CELLSPACING=0 CELLPADDING=4><TR>"),
              std::string::npos);
    const std::string end = "</TABLE></CENTER></BODY></HTML>";
    EXPECT_EQ(page.substr(page.size() - end.size()), end);

    // Find the rows of the two pictures by their size cells; the larger comes first.
    size_t largeRow = page.find("<TD ALIGN=RIGHT>100 x 20<BR>8,000 bytes</TD>"
                                "<TD>mBits<BR>8,000</TD><TD>&nbsp;</TD><TD>&nbsp;</TD><TD>&nbsp;</TD>"
                                "<TD>Volatile</TD><TD>&nbsp;</TD><TD>&nbsp;</TD><TD>&nbsp;</TD>"
                                "<TD>&nbsp;</TD><TD>&nbsp;</TD><TD>&nbsp;</TD></TR>");
    size_t smallRow = page.find("<TD ALIGN=RIGHT>5 x 4<BR>80 bytes</TD><TD>mBits<BR>80</TD>"
                                "<TD>&nbsp;</TD><TD>&nbsp;</TD><TD>&nbsp;</TD><TD>&nbsp;</TD><TD>&nbsp;</TD>"
                                "<TD>HasAlpha</TD>");
    ASSERT_NE(largeRow, std::string::npos) << page;
    ASSERT_NE(smallRow, std::string::npos) << page;
    EXPECT_LT(largeRow, smallRow);
    EXPECT_NE(page.find("<TR><TD>Totals</TD>"), std::string::npos);
    EXPECT_NE(page.find("<TR><TD>&nbsp;</TD><TD ALIGN=RIGHT>0 x 0<BR>0 bytes</TD>"), std::string::npos);

    // The files the page links to exist and hold the pictures.
    int index = -1;
    for (int k = 0; k < 100 && index < 0; k++)
        if (page.find(
                Lumo::FormatString("<TD><A HREF=img%04d.png><IMG SRC=thumb%04d.jpg WIDTH=100 HEIGHT=20></A>"
                                   "</TD><TD ALIGN=RIGHT>100 x 20",
                                   k, k)) != std::string::npos)
            index = k;
    ASSERT_GE(index, 0);
    std::unique_ptr<ImageLib::Image> copy(
        ImageLib::GetPNGImage(Lumo::FormatString("_dump/img%04d.png", index)));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->mWidth, 100);
    EXPECT_EQ(copy->mBits[1999], 0xFF00FF00u);
    std::unique_ptr<ImageLib::Image> thumb(
        ImageLib::GetJPEGImage(Lumo::FormatString("_dump/thumb%04d.jpg", index)));
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(thumb->mWidth, 64);
    EXPECT_EQ(thumb->mHeight, 64);
}

TEST_F(DebugKeys, DumpImagesWhileTheLoadingThreadMakesPictures)
{
    std::atomic<bool> stop{false};
    std::atomic<int> made{0};
    std::thread loader(
        [&]
        {
            while (!stop)
            {
                Lumo::MemoryImage picture(mApp.get());
                made++;
            }
        });
    while (made == 0)
        std::this_thread::yield();
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(mApp->DumpImages());
    stop = true;
    loader.join();
}

// Another copy of the program dumps more pictures while this one dumps: the folder ends as one
// whole dump, every file in it linked from its page, and no other folder is left.
TEST_F(DebugKeys, DumpImagesNeverMixesWithAnotherCopysDump)
{
    bool otherDumped = false;
    bool dumped = false;
    Meanwhile(
        ".", IN_CREATE,
        [&]
        {
            Lumo::MemoryImage extra(mApp.get());
            extra.Create(7, 7);
            extra.GetBits();
            otherDumped = mApp->DumpImages();
        },
        [&] { dumped = mApp->DumpImages(); });
    EXPECT_TRUE(otherDumped);
    EXPECT_TRUE(dumped);
    const std::string page = ReadFile("_dump/imagelist.html");
    std::set<std::string> linked = {"imagelist.html"}, files;
    for (const std::string key : {"HREF=", "SRC="})
        for (size_t at = page.find(key); at != std::string::npos; at = page.find(key, at + 1))
            linked.insert(page.substr(at + key.size(), page.find_first_of(" >", at) - at - key.size()));
    for (const auto& entry : fs::directory_iterator("_dump"))
        files.insert(entry.path().filename().string());
    EXPECT_EQ(files, linked);
    for (const auto& entry : fs::directory_iterator("."))
        EXPECT_TRUE(entry.path().filename() == "_dump" ||
                    entry.path().filename().string().rfind("_dump", 0) != 0)
            << entry.path();
}

TEST_F(DebugKeys, DumpImagesReportsAPageItCannotWrite)
{
    // A file where the folder should be: the page cannot be written.
    fs::remove_all("_dump");
    std::ofstream("_dump") << "x";
    EXPECT_FALSE(mApp->DumpImages());
}

TEST_F(DebugKeys, WindowRectanglesAreKeptAndPutBack)
{
    RECT before{};
    ASSERT_TRUE(GetWindowRect(mApp->mHWnd, &before));
    EXPECT_TRUE(LumoAppBase::KeepWindowRect(mApp->mHWnd, FALSE));
    MoveWindow(mApp->mHWnd, before.left + 40, before.top + 30, 200, 100, TRUE);
    RECT moved{};
    ASSERT_TRUE(GetWindowRect(mApp->mHWnd, &moved));
    ASSERT_NE(moved.left, before.left);
    EXPECT_TRUE(LumoAppBase::KeepWindowRect(mApp->mHWnd, TRUE));
    RECT after{};
    ASSERT_TRUE(GetWindowRect(mApp->mHWnd, &after));
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);

    // A hidden window is not kept, so it is not moved back.
    ShowWindow(mApp->mHWnd, SW_HIDE);
    MoveWindow(mApp->mHWnd, 5, 6, 200, 100, TRUE);
    EXPECT_TRUE(LumoAppBase::KeepWindowRect(mApp->mHWnd, FALSE));
    MoveWindow(mApp->mHWnd, 50, 60, 200, 100, TRUE);
    EXPECT_TRUE(LumoAppBase::KeepWindowRect(mApp->mHWnd, TRUE));
    ASSERT_TRUE(GetWindowRect(mApp->mHWnd, &after));
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
}

TEST_F(DebugKeys, DemoTimeSitsAboveTheMainOverlay)
{
    mApp->mShowDebugOverlay = true;
    mApp->mPlayingDemo = true;
    mApp->mDemoLength = mApp->mUpdateCount + 1000;
    mApp->DrawDebugOverlays();
    mApp->mPlayingDemo = false;
    DDImage* main = mApp->mDebugOverlays->mImages[DebugOverlays::kFps];
    DDImage* demo = mApp->mDebugOverlays->mImages[DebugOverlays::kDemoTime];
    ASSERT_NE(main, nullptr);
    ASSERT_NE(demo, nullptr);
    EXPECT_EQ(mApp->mDebugOverlays->mTexts[DebugOverlays::kDemoTime], "00:00:10");

    DDImage* screen = mApp->mDDInterface->GetDrawSurfaceImage();
    const uint32_t* bits = screen->GetBits();
    ASSERT_NE(bits, nullptr);
    auto at = [&](int x, int y) { return bits[y * screen->mWidth + x] | 0xFF000000u; };
    int mainTop = 240 - main->mHeight - 10;
    int demoTop = 240 - main->mHeight - demo->mHeight - 15;
    EXPECT_EQ(at(260, mainTop), 0xFF000000u);
    EXPECT_EQ(at(260, mainTop - 1), 0xFF2080C0u);
    EXPECT_EQ(at(260, demoTop + demo->mHeight - 1), 0xFF000000u);
    EXPECT_EQ(at(260, demoTop + demo->mHeight), 0xFF2080C0u);
    int demoLeft = 320 - demo->mWidth - 10;
    EXPECT_EQ(at(demoLeft, demoTop), 0xFF000000u);
    EXPECT_EQ(at(demoLeft, demoTop - 1), 0xFF2080C0u);
    EXPECT_EQ(at(demoLeft - 1, demoTop), 0xFF2080C0u);

    // The picture is as wide as its text: the last digit's ink ends before its right edge.
    Font* font = mApp->mDebugOverlays->mFont;
    EXPECT_GE(demo->mWidth, font->StringWidth("00:00:10") + 4);
    int rightmostInk = -1;
    for (int y = demoTop; y < demoTop + demo->mHeight; y++)
        for (int x = demoLeft; x < demoLeft + demo->mWidth; x++)
            if (at(x, y) != 0xFF000000u)
                rightmostInk = std::max(rightmostInk, x - demoLeft);
    EXPECT_GT(rightmostInk, demo->mWidth / 2);
    EXPECT_LT(rightmostInk, demo->mWidth - 1);
}
