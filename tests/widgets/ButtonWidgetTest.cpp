#include "widgets/ButtonWidget.h"

#include "graphics/MemoryImage.h"
#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/ButtonListener.h"

#include <gtest/gtest.h>

using namespace Lumo;

namespace
{

class RecordingListener : public ButtonListener
{
public:
    Log mLog;
    void ButtonPressedWithCount(int id, int count) override
    {
        mLog.push_back("pressed " + std::to_string(id) + " n" + std::to_string(count));
        ButtonListener::ButtonPressedWithCount(id, count);
    }
    void ButtonPressed(int id) override { mLog.push_back("pressed " + std::to_string(id)); }
    void ButtonReleased(int id) override { mLog.push_back("released " + std::to_string(id)); }
    void ButtonHeldTick(int id) override { mLog.push_back("held " + std::to_string(id)); }
    void ButtonHoverStart(int id) override { mLog.push_back("hover " + std::to_string(id)); }
    void ButtonHoverEnd(int id) override { mLog.push_back("unhover " + std::to_string(id)); }
    void ButtonHoverMove(int id, int x, int y) override
    {
        mLog.push_back("hovermove " + std::to_string(id) + " " + LogWidget::Pos(x, y));
    }
};

MemoryImage* Solid(uint32_t color, int w = 6, int h = 6)
{
    auto* image = new MemoryImage();
    std::vector<uint32_t> bits(size_t(w * h), color);
    image->SetBits(bits.data(), w, h, true);
    return image;
}

struct ButtonTest : WidgetFixture
{
    RecordingListener listener;
    ButtonWidget button{7, &listener};
    MemoryImage canvas;

    ButtonTest()
    {
        button.Resize(10, 10, 60, 20);
        manager.AddWidget(&button);
        canvas.Create(80, 40);
    }
    ~ButtonTest() override { manager.RemoveWidget(&button); }
    Log Events()
    {
        Log taken;
        taken.swap(listener.mLog);
        return taken;
    }
    uint32_t Pixel(int x, int y) { return canvas.GetBits()[y * canvas.mWidth + x]; }
    void DrawButton()
    {
        Graphics g(&canvas);
        button.Draw(&g);
    }
    void Tick(int n)
    {
        for (int i = 0; i < n; ++i)
            manager.UpdateFrame();
    }
};

// Channels equal within the rounding of blits.
bool Near(uint32_t a, uint32_t b)
{
    for (int s = 0; s < 32; s += 8)
        if (std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF)) > 3)
            return false;
    return true;
}

} // namespace

TEST_F(ButtonTest, ConstructedState)
{
    EXPECT_TRUE(button.mHasAlpha);
    ASSERT_EQ(button.mColors.size(), 2u);
    EXPECT_EQ(button.GetColor(0), Color(0, 0, 0, 255));
    EXPECT_EQ(button.GetColor(1), Color(0, 0, 0, 255));
}

TEST_F(ButtonTest, ClickFiresPressedThenReleased)
{
    manager.MouseMove(20, 15);
    manager.MouseDown(20, 15, 1);
    manager.MouseUp(20, 15, 1);
    EXPECT_EQ(Events(), (Log{"hover 7", "hovermove 7 10,5", "pressed 7 n1", "pressed 7", "released 7"}));
}

TEST_F(ButtonTest, ReleaseOutsideFiresNoRelease)
{
    manager.MouseMove(20, 15);
    manager.MouseDown(20, 15, 2);
    manager.MouseMove(150, 80);
    manager.MouseUp(150, 80, 2);
    EXPECT_EQ(Events(), (Log{"hover 7", "hovermove 7 10,5", "pressed 7 n2", "pressed 7", "unhover 7"}));
    EXPECT_FALSE(button.mIsDown);
}

TEST_F(ButtonTest, ReleaseWhileTheWindowHasNoFocusFiresNothing)
{
    manager.MouseDown(20, 15, 1);
    manager.mHasFocus = false;
    Events();
    manager.MouseUp(20, 15, 1);
    EXPECT_TRUE(Events().empty());
}

TEST_F(ButtonTest, HeldTicksStopWhileDraggedOff)
{
    manager.MouseDown(20, 15, 1);
    Events();
    Tick(3);
    manager.MouseMove(150, 80);
    Tick(2);
    manager.MouseMove(21, 15);
    Tick(1);
    EXPECT_EQ(Events(), (Log{"held 7", "held 7", "held 7", "unhover 7", "hover 7", "held 7"}));
}

TEST_F(ButtonTest, OverImageDropsAtOnceWithoutSpeed)
{
    manager.MouseMove(20, 15);
    button.mOverAlpha = 0.6;
    manager.MouseMove(150, 80);
    EXPECT_EQ(button.mOverAlpha, 0.0);
}

TEST_F(ButtonTest, OverImageFadesOutAndIn)
{
    button.mOverAlphaSpeed = 0.25;
    manager.MouseMove(20, 15);
    manager.MouseMove(150, 80);
    EXPECT_EQ(button.mOverAlpha, 1.0); // fade-out starts from full
    std::vector<double> seen;
    for (int i = 0; i < 5; ++i)
    {
        button.mDirty = false;
        Tick(1);
        seen.push_back(button.mOverAlpha);
        EXPECT_EQ(button.mDirty, i < 4);
    }
    EXPECT_EQ(seen, (std::vector<double>{0.75, 0.5, 0.25, 0.0, 0.0}));

    button.mOverAlphaFadeInSpeed = 0.4;
    manager.MouseMove(20, 15);
    Tick(1);
    EXPECT_DOUBLE_EQ(button.mOverAlpha, 0.4);
    Tick(2);
    EXPECT_EQ(button.mOverAlpha, 1.0);
}

TEST_F(ButtonTest, HoveringAPlainButtonDoesNotRepaintIt)
{
    button.mDirty = false;
    manager.mDirty = false;
    manager.MouseMove(20, 15);
    EXPECT_FALSE(button.mDirty);
    button.SetColor(1, Color(255, 0, 0));
    button.mDirty = false;
    manager.MouseMove(150, 80);
    EXPECT_TRUE(button.mDirty);
}

TEST_F(ButtonTest, DefaultFontOnFirstDrawOfALabel)
{
    DrawButton();
    EXPECT_EQ(host.mFontsMade, 0); // no label, no font
    EXPECT_EQ(button.mFont, nullptr);
    button.mLabel = "abc";
    DrawButton();
    DrawButton();
    EXPECT_EQ(host.mFontsMade, 1);
    EXPECT_EQ(host.mLog.front(), "font SansSerif 10 0");
}

TEST_F(ButtonTest, LabelPlacementAndColours)
{
    FakeFont font(&log);
    button.SetFont(&font);
    button.mLabel = "abc";
    button.SetColor(1, Color(255, 0, 0));
    DrawButton(); // x (60 - 18) / 2, y (20 - 8 / 6 - 1 + 8) / 2
    button.mLabelJustify = 1;
    DrawButton();
    button.mLabelJustify = 2;
    button.mIsOver = true;
    DrawButton();
    button.mIsDown = true;
    DrawButton(); // pressed: one pixel down and right, black on a plain button
    EXPECT_EQ(Take(), (Log{"text abc 21,13 0", "text abc 42,13 0", "text abc 0,13 255", "text abc 1,14 0"}));
}

TEST_F(ButtonTest, PlainBevelAndInversion)
{
    DrawButton();
    EXPECT_EQ(Pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(59, 19), 0xFF000000u);
    EXPECT_EQ(Pixel(58, 18), 0xFF848484u);
    EXPECT_EQ(Pixel(30, 10), 0xFFD4D4D4u);
    button.mInverted = true;
    DrawButton(); // idle draws pressed
    EXPECT_EQ(Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(Pixel(59, 19), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(1, 1), 0xFF848484u);
    button.mIsDown = button.mIsOver = true;
    DrawButton(); // held draws raised
    EXPECT_EQ(Pixel(0, 0), 0xFFFFFFFFu);
    canvas.Clear();
    button.mFrameNoDraw = true;
    DrawButton();
    EXPECT_EQ(Pixel(0, 0), 0u);
}

TEST_F(ButtonTest, StateImages)
{
    std::unique_ptr<MemoryImage> normal(Solid(0xFFFF0000)), over(Solid(0xFF00FF00)), down(Solid(0xFF0000FF)),
        disabled(Solid(0xFF808080));
    button.mButtonImage = normal.get();
    button.mOverImage = over.get();
    button.mDisabledImage = disabled.get();
    DrawButton();
    EXPECT_TRUE(Near(Pixel(0, 0), 0xFFFF0000));
    button.mIsOver = true;
    DrawButton();
    EXPECT_TRUE(Near(Pixel(0, 0), 0xFF00FF00));
    button.mIsDown = true;
    canvas.Clear();
    DrawButton(); // pressed without a down image: the over image one pixel in
    EXPECT_EQ(Pixel(0, 0), 0u);
    EXPECT_TRUE(Near(Pixel(1, 1), 0xFF00FF00));
    button.mDownImage = down.get();
    DrawButton();
    EXPECT_TRUE(Near(Pixel(0, 0), 0xFF0000FF));
    button.mIsDown = button.mIsOver = false;
    button.SetDisabled(true);
    DrawButton();
    EXPECT_TRUE(Near(Pixel(0, 0), 0xFF808080));
    button.SetDisabled(false);
    button.mOverAlpha = 0.5;
    DrawButton(); // the normal image, then the over image at half strength
    uint32_t mixed = Pixel(2, 2);
    EXPECT_NEAR(int((mixed >> 16) & 0xFF), 128, 4);
    EXPECT_NEAR(int((mixed >> 8) & 0xFF), 128, 4);
}

TEST_F(ButtonTest, StateRectsCutTheButtonImage)
{
    // A sheet of two 6x6 cells: red normal, green over.
    auto* sheet = new MemoryImage();
    std::vector<uint32_t> bits(72);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 12; ++x)
            bits[y * 12 + x] = x < 6 ? 0xFFFF0000 : 0xFF00FF00;
    sheet->SetBits(bits.data(), 12, 6, true);
    std::unique_ptr<MemoryImage> owner(sheet);
    button.mButtonImage = sheet;
    button.mNormalRect = Rect(0, 0, 6, 6);
    button.mOverRect = Rect(6, 0, 6, 6);
    DrawButton();
    EXPECT_TRUE(Near(Pixel(0, 0), 0xFFFF0000));
    EXPECT_EQ(Pixel(6, 0), 0u);
    button.mIsOver = true;
    DrawButton();
    EXPECT_TRUE(Near(Pixel(0, 0), 0xFF00FF00));
}

TEST_F(ButtonTest, SetFontKeepsACopyAndNullClears)
{
    FakeFont font(&log);
    button.SetFont(&font);
    ASSERT_NE(button.mFont, nullptr);
    EXPECT_NE(button.mFont, &font);
    button.SetFont(button.mFont); // its own font: copied before the old one goes
    ASSERT_NE(button.mFont, nullptr);
    EXPECT_EQ(button.mFont->StringWidth("ab"), 12);
    button.SetFont(nullptr);
    EXPECT_EQ(button.mFont, nullptr);
}

TEST_F(ButtonTest, NoDrawDrawsNothing)
{
    button.mBtnNoDraw = true;
    button.mLabel = "x";
    DrawButton();
    EXPECT_EQ(Pixel(0, 0), 0u);
    EXPECT_EQ(host.mFontsMade, 0);
}
