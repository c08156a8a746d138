#include "AppTestSupport.h"
#include "app/Cursors.h"
#include "test/cursor.h"

#include <chrono>
#include <thread>

using AppTest::AppFixture;
using AppTest::TestApp;

using Cursors = AppFixture;

TEST_F(Cursors, DrawnHandsHaveTheirHotSpots)
{
    HCURSOR hand = Lumo::CreateHandCursor();
    HCURSOR drag = Lumo::CreateDragCursor();
    int w = 0, h = 0, hotX = 0, hotY = 0;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(PlatformTest::CursorPicture(hand, &w, &h, &hotX, &hotY, &pixels));
    EXPECT_EQ(w, 32);
    EXPECT_EQ(hotX, 11);
    EXPECT_EQ(hotY, 4);
    EXPECT_EQ(pixels[4 * 32 + 11], 0xFFFFFFFFu); // white fill at the fingertip
    EXPECT_EQ(pixels[3 * 32 + 11], 0xFF000000u); // black outline above it
    EXPECT_EQ(pixels[0] >> 24, 0u);              // transparent ground
    ASSERT_TRUE(PlatformTest::CursorPicture(drag, &w, &h, &hotX, &hotY, &pixels));
    EXPECT_EQ(hotX, 15);
    EXPECT_EQ(hotY, 10);
    EXPECT_EQ(pixels[10 * 32 + 15], 0xFFFFFFFFu);
    DestroyCursor(hand);
    DestroyCursor(drag);
}

TEST_F(Cursors, NumbersPicturesAndThePointerOutside)
{
    TestApp app;
    app.mHandCursor = Lumo::CreateHandCursor();
    app.mMouseIn = true;
    app.SetCursorNum(3);
    EXPECT_EQ(PlatformTest::ShownCursor(), LoadCursorA(nullptr, IDC_IBEAM));
    app.SetCursorNum(1);
    EXPECT_EQ(PlatformTest::ShownCursor(), app.mHandCursor);
    app.SetCursorNum(11);
    EXPECT_EQ(PlatformTest::ShownCursor(), nullptr);
    app.SetCursorNum(42);
    EXPECT_EQ(PlatformTest::ShownCursor(), LoadCursorA(nullptr, IDC_ARROW));

    int token = 0;
    auto* picture = reinterpret_cast<Lumo::Image*>(&token); // only passed on, never drawn here
    app.mCursorImages[5] = picture;
    app.SetCursorNum(5);
    EXPECT_EQ(PlatformTest::ShownCursor(), LoadCursorA(nullptr, IDC_SIZEALL)); // custom cursors off
    app.SetCustomCursorsEnabled(true);
    EXPECT_EQ(app.mFake.mCursorImage, picture);
    EXPECT_EQ(PlatformTest::ShownCursor(), nullptr);
    EXPECT_FALSE(app.mSoftwareCursorShown);
    EXPECT_TRUE(app.mForceRedraw);
    app.SetCursorNum(13); // beyond the table: no picture
    EXPECT_EQ(app.mFake.mCursorImage, nullptr);
    EXPECT_EQ(PlatformTest::ShownCursor(), LoadCursorA(nullptr, IDC_ARROW));

    app.SetCursorNum(5);
    app.mMouseIn = false;
    app.ApplyCursor();
    EXPECT_EQ(app.mFake.mCursorImage, nullptr);
    EXPECT_EQ(PlatformTest::ShownCursor(), LoadCursorA(nullptr, IDC_ARROW));
    DestroyCursor(app.mHandCursor);
    app.mHandCursor = nullptr;
}

TEST_F(Cursors, CursorThreadDrawsBetweenFramesAndEndsWithShutdown)
{
    TestApp app;
    app.mPlayingDemo = true; // the replayed pointer, no real window needed
    app.mCursorDemoX = 40;
    app.mCursorDemoY = 50;
    app.StartCursorThread();
    EXPECT_TRUE(app.mCursorThreadRunning);
    auto waitFor = [&](auto done)
    {
        for (int i = 0; i < 2000 && !done(); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return done();
    };
    // Nothing before the first frame.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(app.mFake.CursorDrawnAt().x, -1);
    // A frame was just presented: the new place waits for the next one.
    app.mLastDrawTime = timeGetTime();
    app.mFrameDrawn = true;
    EXPECT_TRUE(waitFor([&] { return app.mFake.Pending().x == 40; }));
    EXPECT_EQ(app.mFake.CursorDraws(), 0);
    // Long after the last frame the cursor is drawn at once.
    PlatformTest::AdvanceClock(100 * 1000);
    EXPECT_TRUE(waitFor([&] { return app.mFake.CursorDrawnAt().y == 50; }));
    // The display now runs at 20 Hz: 40 ms after a frame the next one is still due.
    {
        Lumo::DisplayLock lock(&app.mFake);
        app.mFake.mRefreshRate = 20;
    }
    app.mLastDrawTime = timeGetTime();
    PlatformTest::AdvanceClock(40 * 1000);
    app.mCursorDemoX = 70;
    EXPECT_TRUE(waitFor([&] { return app.mFake.Pending().x == 70; }));
    EXPECT_EQ(app.mFake.CursorDraws(), 1);
    app.Shutdown();
    EXPECT_FALSE(app.mCursorThreadRunning);
}
