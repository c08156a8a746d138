// The display on a real window: the frame and the cursor land at the client area's place on the screen.
#include "DisplayFixture.h"
#include "tests/platform/WindowFixture.h"

using namespace Lumo;

class DisplayWindowTest : public WindowTest
{
protected:
    void TearDown() override
    {
        display.reset();
        PlatformTest::ResetDesktop();
        WindowTest::TearDown();
    }

    TestHost host;
    std::unique_ptr<DDInterface> display;
};

TEST_F(DisplayWindowTest, FrameAndCursorAtTheClientPosition)
{
    PlatformTest::SetDesktop(Platform::DesktopInfo{1024, 768, 32, 60, 16u << 20});
    host.mWidth = 400;
    host.mHeight = 300;
    display = std::make_unique<DDInterface>(&host);
    host.mDisplay = display.get();
    ASSERT_EQ(display->Init(hwnd, true), RESULT_OK) << display->mErrorText;
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    ASSERT_GT(origin.x + origin.y, 0);

    for (bool videoMemory : {false, true})
    {
        display->CreateDrawSurfaceImage(videoMemory);
        ASSERT_EQ(display->mVideoMemoryDraw, videoMemory);
        DDImage* screen = display->GetDrawSurfaceImage();
        // A surface picture: a screen in video memory takes only hardware blits.
        DDImage pixel(display.get());
        uint32_t red = 0xFFFF0000;
        pixel.SetBits(&red, 1, 1, true);
        pixel.SetVideoMemory(true);
        ASSERT_NE(pixel.GetSurface(), nullptr);
        screen->Blt(&pixel, 5, 7, Rect(0, 0, 1, 1), Color::White, DRAWMODE_NORMAL);
        MemoryImage cursor;
        std::vector<uint32_t> cyan(4 * 4, 0xFF00FFFF);
        cursor.SetBits(cyan.data(), 4, 4, true);
        display->SetCursorImage(&cursor);
        display->SetCursorPos(50, 60);
        ASSERT_TRUE(display->Redraw(nullptr));
        std::vector<uint32_t> shown = DisplayTest::Read(display->mPrimarySurface);
        auto at = [&](int x, int y) { return shown[size_t((origin.y + y) * 1024 + origin.x + x)]; };
        EXPECT_EQ(at(5, 7), 0xFF0000u) << videoMemory;
        EXPECT_EQ(at(50, 60), 0x00FFFFu) << videoMemory;
        EXPECT_EQ(at(48, 58), 0x00FFFFu) << videoMemory;
        EXPECT_EQ(at(47, 58), 0u) << videoMemory;
        // Taken out of the frame again after the present.
        IDirectDrawSurface* frame = videoMemory ? display->mSecondarySurface : display->mDrawSurface;
        EXPECT_EQ(DisplayTest::Read(frame)[size_t(60 * 400 + 50)], 0u) << videoMemory;
        // Taking the picture away while the cursor shows only restores what lay under it.
        display->SetCursorImage(nullptr);
        display->SetCursorPos(0, 0);
        shown = DisplayTest::Read(display->mPrimarySurface);
        EXPECT_EQ(at(50, 60), 0u) << videoMemory;
        EXPECT_FALSE(display->mCursorDrawn);
    }
}
