// The application with its real pieces: what the widgets draw reaches the presented frame, input
// from the window reaches a button, a recorded click replays to the same calls, and live pictures
// survive a display restart.
#include "IntegrationSupport.h"
#include "core/faults.h"
#include "graphics/MemoryImage.h"
#include "media/ImageLib.h"
#include "test/input.h"
#include "test/present.h"
#include "widgets/ButtonWidget.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <memory>
#include <filesystem>
#include <thread>
#include <memory>

using IntegrationTest::AppIntegration;
using IntegrationTest::LoggingListener;
using IntegrationTest::RealApp;
using IntegrationTest::SolidWidget;

namespace
{
uint32_t At(const std::vector<uint32_t>& pixels, int width, int x, int y)
{
    return pixels[size_t(y * width + x)];
}
} // namespace

TEST_F(AppIntegration, InitBuildsTheRealPiecesAndAWidgetReachesThePresentedFrame)
{
    RealApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    ASSERT_NE(app.mHWnd, nullptr);
    ASSERT_NE(app.mDDInterface, nullptr);
    EXPECT_TRUE(app.mDDInterface->mInitialized);
    EXPECT_TRUE(app.mIsPhysWindowed);
    ASSERT_NE(app.mWidgetManager, nullptr);
    EXPECT_EQ(app.mWidgetManager->mImage, app.mDDInterface->GetDrawSurfaceImage());
    EXPECT_EQ(app.mWidgetManager->mWidth, 320);
    EXPECT_NE(app.mSoundManager, nullptr);
    EXPECT_NE(app.mMusicInterface, nullptr);
    EXPECT_EQ(Lumo::gLumoAppBase, &app);
    EXPECT_EQ(app.mDDInterface->mApp, &app);
    EXPECT_EQ(app.mWidgetManager->mApp, &app);

    SolidWidget widget(int(0xFF2080C0));
    widget.Resize(40, 30, 50, 20);
    app.mWidgetManager->AddWidget(&widget);
    bool checked = false;
    app.mOnUpdate = [&](int update)
    {
        if (update != 20)
            return;
        int width = 0;
        int height = 0;
        std::vector<uint32_t> frame;
        ASSERT_TRUE(PlatformTest::ReadPresentedFrame(app.mHWnd, &width, &height, &frame));
        ASSERT_EQ(width, 320);
        ASSERT_EQ(height, 240);
        EXPECT_EQ(At(frame, width, 40, 30), 0xFF2080C0u);
        EXPECT_EQ(At(frame, width, 89, 49), 0xFF2080C0u);
        EXPECT_NE(At(frame, width, 39, 30), 0xFF2080C0u);
        EXPECT_NE(At(frame, width, 90, 49), 0xFF2080C0u);
        EXPECT_NE(At(frame, width, 89, 50), 0xFF2080C0u);
        checked = true;

        // A later change is drawn and presented too.
        widget.mColor = Lumo::Color(int(0xFF10E030));
        widget.MarkDirty();
    };
    bool changed = false;
    auto first = app.mOnUpdate;
    app.mOnUpdate = [&](int update)
    {
        first(update);
        if (update == 40)
        {
            int width = 0;
            int height = 0;
            std::vector<uint32_t> frame;
            ASSERT_TRUE(PlatformTest::ReadPresentedFrame(app.mHWnd, &width, &height, &frame));
            EXPECT_EQ(At(frame, width, 60, 40), 0xFF10E030u);
            changed = true;
            app.Shutdown();
        }
    };
    app.Start(); // the real run: window shown, cursor thread, main loop
    ASSERT_TRUE(checked);
    ASSERT_TRUE(changed);
    EXPECT_GT(app.mDrawCount, 1);
    app.mWidgetManager->RemoveWidget(&widget);
}

TEST_F(AppIntegration, TheScreenPictureMovesIntoVideoMemoryAndBack)
{
    RealApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    ShowWindow(app.mHWnd, SW_SHOW);
    app.mInMainLoop = true;
    // Video memory takes no software drawing: the widget blits a surface picture.
    struct PictureWidget : Lumo::Widget
    {
        Lumo::Image* mPicture = nullptr;
        void Draw(Lumo::Graphics* g) override { g->DrawImage(mPicture, 0, 0); }
    } widget;
    std::unique_ptr<Lumo::DDImage> picture(new Lumo::DDImage(app.mDDInterface));
    std::vector<uint32_t> pixels(50 * 20, 0xFF2080C0u);
    picture->SetBits(pixels.data(), 50, 20, true);
    ASSERT_NE(picture->GetSurface(), nullptr);
    widget.mPicture = picture.get();
    widget.Resize(40, 30, 50, 20);
    app.mWidgetManager->AddWidget(&widget);
    for (bool disabled : {true, false})
    {
        app.SetAlphaDisabled(disabled);
        EXPECT_EQ(app.mVideoMemoryDraw, disabled);
        Lumo::DDImage* screen = app.mDDInterface->GetDrawSurfaceImage();
        EXPECT_EQ(app.mWidgetManager->mImage, screen);
        EXPECT_EQ(screen->mVideoMemory, disabled);
        EXPECT_EQ(app.mDDInterface->mVideoMemoryDraw, disabled);
        // The whole tree is drawn again into the new picture and presented.
        app.RunFor(50);
        int width = 0;
        int height = 0;
        std::vector<uint32_t> frame;
        ASSERT_TRUE(PlatformTest::ReadPresentedFrame(app.mHWnd, &width, &height, &frame));
        EXPECT_EQ(At(frame, width, 40, 30), 0xFF2080C0u);
        EXPECT_NE(At(frame, width, 39, 30), 0xFF2080C0u);
    }
    Lumo::DDImage* kept = app.mDDInterface->GetDrawSurfaceImage();
    app.SetAlphaDisabled(false); // no change: nothing is made again
    EXPECT_EQ(app.mDDInterface->GetDrawSurfaceImage(), kept);
    app.mWidgetManager->RemoveWidget(&widget);
}

TEST_F(AppIntegration, TheDesktopsDisplayModeAndWindowsAreRestoredAtExit)
{
    WNDCLASSA otherClass{};
    otherClass.lpfnWndProc = DefWindowProcA;
    otherClass.lpszClassName = "OtherWindow";
    RegisterClassA(&otherClass);
    HWND other = CreateWindowExA(0, "OtherWindow", "other", WS_POPUP | WS_VISIBLE, 30, 40, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    RealApp app;
    app.mWidth = 640;
    app.mHeight = 480;
    app.mIsWindowed = false;
    app.Init();
    ASSERT_FALSE(app.mIsPhysWindowed);
    EXPECT_TRUE(Platform::FullScreenModeActive());
    EXPECT_EQ(Platform::CurrentDisplayMode().width, 640);
    EXPECT_EQ(Platform::CurrentDisplayMode().bitsPerPixel, 16);
    // Moved while hidden, the other window is not kept again as the mode is put back: it returns
    // to where it was before the mode changed.
    ShowWindow(other, SW_HIDE);
    MoveWindow(other, 300, 200, 50, 50, TRUE);
    app.Shutdown();
    EXPECT_FALSE(Platform::FullScreenModeActive());
    EXPECT_EQ(Platform::CurrentDisplayMode().width, 1024);
    EXPECT_EQ(Platform::CurrentDisplayMode().bitsPerPixel, 32);
    RECT placed{};
    ASSERT_TRUE(GetWindowRect(other, &placed));
    EXPECT_EQ(placed.left, 30);
    EXPECT_EQ(placed.top, 40);
    EXPECT_EQ(placed.right, 230);
    EXPECT_EQ(placed.bottom, 140);
    DestroyWindow(other);
    UnregisterClassA("OtherWindow", nullptr);
}

TEST_F(AppIntegration, AClickOnTheWindowReachesTheButtonsListener)
{
    RealApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    LoggingListener listener(&app.mUpdateCount);
    Lumo::ButtonWidget button(7, &listener);
    button.Resize(100, 100, 60, 30);
    app.mWidgetManager->AddWidget(&button);
    app.mOnUpdate = [&](int update)
    {
        if (update == 10)
            PlatformTest::InjectMouseMove(app.mHWnd, 120, 110);
        if (update == 20)
            PlatformTest::InjectClick(app.mHWnd, SDL_BUTTON_LEFT, 120, 110);
        if (update == 30)
            PlatformTest::InjectMouseMove(app.mHWnd, 10, 10);
        if (update == 40)
            PlatformTest::InjectCloseRequest(app.mHWnd);
    };
    app.RunToEnd();
    ASSERT_TRUE(app.mShutdown);
    EXPECT_EQ(listener.mLog,
              (std::vector<std::string>{"10 hover 7", "20 pressed 7 1", "20 released 7", "30 leave 7"}));
    app.mWidgetManager->RemoveWidget(&button);
}

TEST_F(AppIntegration, ARecordedClickReplaysToTheSameListenerCallsAtTheSameUpdates)
{
    std::vector<std::string> recorded;
    int recordedUpdates = 0;
    {
        RealApp app;
        app.mRecordingDemo = true;
        app.Init();
        ASSERT_TRUE(app.mInitialized);
        LoggingListener listener(&app.mUpdateCount);
        Lumo::ButtonWidget button(3, &listener);
        button.Resize(50, 60, 80, 40);
        app.mWidgetManager->AddWidget(&button);
        app.mOnUpdate = [&](int update)
        {
            if (update == 15)
                PlatformTest::InjectMouseMove(app.mHWnd, 60, 70);
            if (update == 25)
                PlatformTest::InjectClick(app.mHWnd, SDL_BUTTON_LEFT, 60, 70);
            if (update == 33)
                PlatformTest::InjectDoubleClick(app.mHWnd, SDL_BUTTON_LEFT, 61, 71);
            if (update == 45)
                PlatformTest::InjectMouseMove(app.mHWnd, 300, 200);
            if (update == 60)
                PlatformTest::InjectCloseRequest(app.mHWnd);
        };
        app.RunToEnd();
        ASSERT_TRUE(app.mShutdown);
        recorded = listener.mLog;
        recordedUpdates = app.mUpdateCount;
        app.mWidgetManager->RemoveWidget(&button);
    } // the destructor writes the demo
    ASSERT_TRUE(std::filesystem::exists("lumoapp.dmo"));
    ASSERT_GE(recorded.size(), 5u);
    EXPECT_EQ(recorded.front(), "15 hover 3");

    PlatformTest::ResetInputState();
    RealApp app;
    app.SplitCommandLine("-play");
    app.Init();
    ASSERT_TRUE(app.mPlayingDemo);
    LoggingListener listener(&app.mUpdateCount);
    Lumo::ButtonWidget button(3, &listener);
    button.Resize(50, 60, 80, 40);
    app.mWidgetManager->AddWidget(&button);
    // Live input while a demo plays is not taken.
    app.mOnUpdate = [&](int update)
    {
        if (update == 20)
            PlatformTest::InjectClick(app.mHWnd, SDL_BUTTON_LEFT, 60, 70);
    };
    app.RunToEnd();
    EXPECT_TRUE(app.mShutdown);
    EXPECT_EQ(app.mUpdateCount, recordedUpdates);
    EXPECT_EQ(listener.mLog, recorded);
    app.mWidgetManager->RemoveWidget(&button);
}

TEST_F(AppIntegration, LivePicturesAreKeptAndRebuiltAcrossADisplayRestart)
{
    RealApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    auto picture = std::make_unique<Lumo::DDImage>(app.mDDInterface);
    std::vector<uint32_t> pixels(16 * 8, 0xFF336699);
    pixels[5] = 0xFFFF0000;
    picture->SetBits(pixels.data(), 16, 8, true);
    EXPECT_EQ(app.mMemoryImageSet.count(picture.get()), 1u);
    ASSERT_NE(picture->GetSurface(), nullptr);
    IDirectDrawSurface* before = app.mDDInterface->mPrimarySurface;

    app.ReapplyScreenMode(); // a new window and a new start of the display
    EXPECT_TRUE(app.mDDInterface->mInitialized);
    EXPECT_NE(app.mDDInterface->mPrimarySurface, nullptr);
    EXPECT_EQ(app.mWidgetManager->mImage, app.mDDInterface->GetDrawSurfaceImage());
    EXPECT_EQ(app.mMemoryImageSet.count(picture.get()), 1u);
    // Rebuilt on the new display: its surface holds its pixels again.
    ASSERT_NE(picture->GetSurface(), nullptr);
    ASSERT_TRUE(picture->LockSurface());
    const DDSURFACEDESC& desc = picture->mLockedSurfaceDesc;
    auto row = static_cast<const uint32_t*>(desc.lpSurface);
    EXPECT_EQ(row[5] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(row[6] & 0xFFFFFF, 0x336699u);
    picture->UnlockSurface();
    (void)before;

    Lumo::MemoryImage* gone = picture.get();
    picture.reset();
    EXPECT_EQ(app.mMemoryImageSet.count(gone), 0u);
}

TEST_F(AppIntegration, AFailedDisplayRestartLeavesTheWidgetsNoFreedScreen)
{
    RealApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    SolidWidget widget(int(0xFF2080C0));
    widget.Resize(0, 0, 20, 20);
    app.mWidgetManager->AddWidget(&widget);
    // The present fails, and so does the restart that follows it: the display stays lost.
    PlatformTest::FailCall("Blt", 1);
    PlatformTest::FailCall("CreateSurface", 1);
    app.Redraw(nullptr);
    EXPECT_TRUE(app.mDisplayLost);
    EXPECT_FALSE(app.mDDInterface->mInitialized);
    EXPECT_EQ(app.mWidgetManager->mImage, nullptr);
    // Drawing while lost touches no freed picture; the next present restarts and draws again.
    widget.MarkDirty();
    app.mWidgetManager->DrawScreen();
    app.mLastReinitTick = GetTickCount() - 2000;
    app.Redraw(nullptr);
    EXPECT_TRUE(app.mDDInterface->mInitialized);
    EXPECT_EQ(app.mWidgetManager->mImage, app.mDDInterface->GetDrawSurfaceImage());
    app.mWidgetManager->RemoveWidget(&widget);
}

TEST_F(AppIntegration, SharedPicturesAreLoadedOnceAndCleanedAfterTheirLastHandle)
{
    RealApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    bool isNew = false;
    Lumo::SharedImageRef first = app.GetSharedImage("!scratch", "a", &isNew);
    EXPECT_TRUE(isNew);
    ASSERT_NE(first.GetImage(), nullptr);
    Lumo::SharedImageRef second = app.GetSharedImage("!SCRATCH", "A", &isNew);
    EXPECT_FALSE(isNew);
    EXPECT_EQ(second.GetImage(), first.GetImage());
    EXPECT_EQ(app.mSharedImageMap.size(), 1u);
    first.Release();
    second.Release();
    EXPECT_EQ(app.mSharedImageMap.size(), 1u); // until the next update's clean-up
    EXPECT_TRUE(app.mCleanSharedImages);
    app.UpdateWidgets();
    EXPECT_TRUE(app.mSharedImageMap.empty());
    EXPECT_FALSE(app.mCleanSharedImages);

    // A file that cannot be read leaves a record with no picture.
    Lumo::SharedImageRef missing = app.GetSharedImage("no/such/picture", "", &isNew);
    EXPECT_TRUE(isNew);
    EXPECT_EQ(missing.GetImage(), nullptr);
}

TEST_F(AppIntegration, GetImageGivesASurfaceBackedPictureOfTheFile)
{
    RealApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    const std::string path = std::string(LUMO_ASSETS_DIR) + "/gfx/objects/fridge.jpg";
    std::unique_ptr<ImageLib::Image> loaded(ImageLib::GetImage(path, true));
    ASSERT_NE(loaded, nullptr);
    std::unique_ptr<Lumo::DDImage> picture(app.GetImage(path));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->mWidth, loaded->mWidth);
    EXPECT_EQ(picture->mHeight, loaded->mHeight);
    EXPECT_EQ(app.mMemoryImageSet.count(picture.get()), 1u);
    ASSERT_NE(picture->GetSurface(), nullptr);
    // The file's pixels sit in the surface.
    int opaque = -1;
    for (int i = 0; i < loaded->mWidth * loaded->mHeight && opaque < 0; i++)
        if ((loaded->mBits[i] >> 24) == 0xFF)
            opaque = i;
    ASSERT_GE(opaque, 0);
    ASSERT_TRUE(picture->LockSurface());
    const DDSURFACEDESC& desc = picture->mLockedSurfaceDesc;
    int x = opaque % loaded->mWidth;
    int y = opaque / loaded->mWidth;
    uint32_t surfacePixel = *reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(desc.lpSurface) +
                                                               y * desc.lPitch + x * 4);
    picture->UnlockSurface();
    EXPECT_EQ(surfacePixel & 0xFFFFFF, loaded->mBits[opaque] & 0xFFFFFF);

    EXPECT_EQ(app.GetImage("no/such/picture.png"), nullptr);
}

namespace
{
// Counts the pictures it loads from files.
class CountingApp : public RealApp
{
public:
    std::atomic<int> mLoads{0};
    Lumo::DDImage* GetImage(const std::string& path, bool commitBits) override
    {
        mLoads++;
        return RealApp::GetImage(path, commitBits);
    }
};
} // namespace

TEST_F(AppIntegration, TwoThreadsAskingForOneNewSharedPictureLoadItOnce)
{
    CountingApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    const std::string path = std::string(LUMO_ASSETS_DIR) + "/gfx/objects/fridge.jpg";
    for (int round = 0; round < 20; round++)
    {
        app.mLoads = 0;
        Lumo::SharedImageRef refs[2];
        bool isNew[2] = {};
        std::thread other([&] { refs[1] = app.GetSharedImage(path, std::to_string(round), &isNew[1]); });
        refs[0] = app.GetSharedImage(path, std::to_string(round), &isNew[0]);
        other.join();
        EXPECT_EQ(app.mLoads, 1);
        EXPECT_NE(isNew[0], isNew[1]); // one of the two made the record
        EXPECT_EQ(refs[0].mSharedImage, refs[1].mSharedImage);
        ASSERT_NE(refs[0].GetImage(), nullptr);
        EXPECT_EQ(refs[0].mSharedImage->mRefCount, 2);
    }
    app.UpdateWidgets(); // every handle is gone: the clean-up deletes the pictures
    EXPECT_TRUE(app.mSharedImageMap.empty());
}

TEST_F(AppIntegration, HandlesToOnePictureAreCountedFromEveryThread)
{
    RealApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    Lumo::SharedImageRef kept = app.GetSharedImage("!counted", "", nullptr);
    ASSERT_NE(kept.GetImage(), nullptr);
    // The loading thread copies and drops handles while the main thread asks for the picture and
    // cleans the map: no count may be lost, or the picture would go while it is held.
    std::thread loader(
        [&]
        {
            for (int i = 0; i < 20000; i++)
            {
                Lumo::SharedImageRef copy(kept);
                Lumo::SharedImageRef again;
                again = copy;
            }
        });
    for (int i = 0; i < 20000; i++)
    {
        Lumo::SharedImageRef asked = app.GetSharedImage("!counted", "", nullptr);
        if (i % 64 == 0)
            app.CleanSharedImages();
    }
    loader.join();
    EXPECT_EQ(kept.mSharedImage->mRefCount, 1);
    app.CleanSharedImages();
    ASSERT_EQ(app.mSharedImageMap.size(), 1u);
    EXPECT_EQ(app.mSharedImageMap.begin()->second.mImage, kept.GetImage());
}

TEST_F(AppIntegration, CopyImageTakesTheAreaOfAPicture)
{
    RealApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    std::vector<uint32_t> pixels(8 * 6);
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = 0xFF000000u | uint32_t(i * 0x030507);
    Lumo::DDImage source(app.mDDInterface);
    source.SetBits(pixels.data(), 8, 6, true);
    std::unique_ptr<Lumo::DDImage> copy(app.CopyImage(&source, Lumo::Rect(2, 1, 4, 3)));
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->mWidth, 4);
    ASSERT_EQ(copy->mHeight, 3);
    uint32_t* bits = copy->GetBits();
    ASSERT_NE(bits, nullptr);
    // The drawing's own arithmetic weighs a full alpha as 255 of 256: a channel may come out one lower.
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 4; x++)
            for (int shift : {0, 8, 16})
            {
                int got = int(bits[y * 4 + x] >> shift & 0xFF);
                int want = int(pixels[size_t((y + 1) * 8 + x + 2)] >> shift & 0xFF);
                EXPECT_LE(want - got, 1) << x << "," << y;
                EXPECT_GE(want - got, 0) << x << "," << y;
            }
    std::unique_ptr<Lumo::DDImage> whole(app.CopyImage(&source));
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(whole->mWidth, 8);
    EXPECT_EQ(whole->mHeight, 6);
}
