// The system font: metrics and widths from the system's text functions, text drawn only into
// surface-backed pictures, and the default font of buttons.
#include "DisplayFixture.h"
#include "graphics/Graphics.h"
#include "tests/platform/InkBox.h"
#include "text/SysFont.h"
#include "app/LumoAppBase.h"
#include "widgets/ButtonWidget.h"
#include "widgets/WidgetManager.h"

#include <climits>
#include <memory>

using namespace Lumo;

namespace
{
class SysFontTest : public DisplayTest
{
protected:
    static constexpr int kWidth = 120, kHeight = 50;
    static constexpr uint32_t kBlack = 0xFF000000;

    DDImage* Canvas()
    {
        DDImage* image = Picture(kWidth, kHeight, {kBlack});
        EXPECT_NE(image->GetSurface(), nullptr);
        return image;
    }
    InkBox Drawn(DDImage* image, uint32_t colour)
    {
        return InkOf(Read(image->mSurface), kWidth, kBlack, colour);
    }
};
} // namespace

TEST_F(SysFontTest, MetricsAndWidthsComeFromTheSystemFont)
{
    Windowed();
    SysFont font(&host, "SansSerif", 10, ANSI_CHARSET);
    ASSERT_NE(font.mFontHandle, nullptr);
    // Ten points at 96 dpi ask for characters 13 pixels high.
    LOGFONTA desc{};
    ASSERT_EQ(GetObjectA(font.mFontHandle, sizeof(desc), &desc), 60);
    EXPECT_EQ(desc.lfHeight, -13);
    EXPECT_EQ(desc.lfCharSet, ANSI_CHARSET);
    EXPECT_EQ(desc.lfWeight, FW_NORMAL);
    EXPECT_EQ(desc.lfQuality, ANTIALIASED_QUALITY);
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font.mFontHandle);
    TEXTMETRICA metrics{};
    ASSERT_TRUE(GetTextMetricsA(dc, &metrics));
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(font.GetAscent(), metrics.tmAscent);
    EXPECT_EQ(font.GetHeight(), metrics.tmHeight);
    EXPECT_EQ(font.GetDescent(), metrics.tmDescent);
    EXPECT_EQ(font.GetAscentPadding(), 0);
    EXPECT_EQ(font.GetLineSpacing(), metrics.tmHeight);
    EXPECT_GE(font.GetHeight(), 13);
    EXPECT_LE(font.GetHeight(), 18);

    EXPECT_EQ(font.StringWidth(""), 0);
    int i = font.StringWidth("i"), word = font.StringWidth("Hello"), line = font.StringWidth("Hello, world");
    EXPECT_GT(i, 0);
    EXPECT_GT(word, i);
    EXPECT_GT(line, word);
    EXPECT_EQ(font.CharWidth('W'), font.StringWidth("W"));
    EXPECT_EQ(font.CharWidthAfter('W', 'A'), font.CharWidth('W'));

    SysFont larger(&host, "SansSerif", 14, DEFAULT_CHARSET);
    EXPECT_GT(larger.GetHeight(), font.GetHeight());
    EXPECT_GT(larger.StringWidth("Hello"), word);
}

TEST_F(SysFontTest, TextLandsInTheColourInsideTheMeasuredCellWithTheBaselineAtY)
{
    Windowed();
    SysFont font(&host, "SansSerif", 12, ANSI_CHARSET);
    DDImage* image = Canvas();
    Graphics g(image);
    g.mTransX = 5.75f;
    g.mTransY = 3.5f;
    const std::string text = "Quick jig";
    // At y = ascent the cell's top row is row 1 (plus the translation, truncated).
    font.DrawString(&g, 4, font.GetAscent(), text, Color(0, 0, 255, 10), Rect(0, 0, kWidth, kHeight));
    InkBox ink = Drawn(image, 0x0000FF);
    ASSERT_GT(ink.count, 30);
    EXPECT_GT(ink.exact, 5); // alpha is ignored: covered pixels are fully blue
    EXPECT_GE(ink.left, 9);
    EXPECT_LE(ink.right, 9 + font.StringWidth(text));
    EXPECT_GE(ink.top, 4);
    EXPECT_LE(ink.bottom, 4 + font.GetHeight());
    EXPECT_GT(ink.right - ink.left, font.StringWidth(text) * 3 / 4);
    // Exactly where the system puts the cell's top left at (9, 4).
    DDImage* expected = Canvas();
    HDC dc = nullptr;
    ASSERT_EQ(expected->mSurface->GetDC(&dc), DD_OK);
    SelectObject(dc, font.mFontHandle);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 255));
    TextOutA(dc, 9, 4, text.c_str(), int(text.size()));
    expected->mSurface->ReleaseDC(dc);
    EXPECT_EQ(Read(image->mSurface), Read(expected->mSurface));
    // The picture's memory copy was dropped: reading back brings the text.
    EXPECT_EQ(image->mBits, nullptr);
    uint32_t* bits = image->GetBits();
    ASSERT_NE(bits, nullptr);
    int blue = 0;
    for (int p = 0; p < kWidth * kHeight; p++)
        blue += bits[p] == 0xFF0000FFu;
    EXPECT_EQ(blue, ink.exact);
}

TEST_F(SysFontTest, ClipLimitsTheTextAndAnEmptyClipDrawsNothing)
{
    Windowed();
    SysFont font(&host, "SansSerif", 14, ANSI_CHARSET);
    DDImage* image = Canvas();
    Graphics g(image);
    font.DrawString(&g, 2, 30, "MMMMMMMM", Color(255, 255, 0), Rect(20, 0, 0, kHeight));
    EXPECT_EQ(Drawn(image, 0xFFFF00).count, 0);
    font.DrawString(&g, 2, 30, "MMMMMMMM", Color(255, 255, 0), Rect(20, 0, 15, kHeight));
    InkBox ink = Drawn(image, 0xFFFF00);
    EXPECT_GT(ink.count, 0);
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.right, 35);
}

TEST_F(SysFontTest, PicturesWithoutASurfaceAreLeftAlone)
{
    Windowed();
    SysFont font(&host, "SansSerif", 12, ANSI_CHARSET);
    std::vector<uint32_t> pixels(size_t(kWidth * kHeight), 0xFF102030);
    MemoryImage memory;
    memory.SetBits(pixels.data(), kWidth, kHeight, true);
    Graphics g(&memory);
    font.DrawString(&g, 5, 20, "Hello", Color(255, 0, 0), Rect(0, 0, kWidth, kHeight));
    EXPECT_EQ(std::vector<uint32_t>(memory.GetBits(), memory.GetBits() + kWidth * kHeight), pixels);

    // A picture with translucent pixels is never put into a surface.
    DDImage* translucent = Picture(kWidth, kHeight, {0x80102030});
    Graphics h(translucent);
    font.DrawString(&h, 5, 20, "Hello", Color(255, 0, 0), Rect(0, 0, kWidth, kHeight));
    EXPECT_EQ(translucent->mSurface, nullptr);
    EXPECT_EQ(translucent->GetBits()[kWidth * 10 + 10], 0x80102030u);
    font.DrawString(nullptr, 5, 20, "Hello", Color(255, 0, 0), Rect(0, 0, kWidth, kHeight));
}

TEST_F(SysFontTest, ALockedPictureIsLockedAgainAfterwardsAndARefusedContextDrawsNothing)
{
    Windowed();
    SysFont font(&host, "SansSerif", 12, ANSI_CHARSET);
    DDImage* image = Canvas();
    ASSERT_TRUE(image->LockSurface());
    Graphics g(image);
    font.DrawString(&g, 5, 20, "Hello", Color(0, 255, 0), Rect(0, 0, kWidth, kHeight));
    EXPECT_EQ(image->mLockCount, 1);
    ASSERT_NE(image->mLockedSurfaceDesc.lpSurface, nullptr);
    // Still locked: no context can be had until the picture lets go.
    HDC dc = nullptr;
    EXPECT_EQ(image->mSurface->GetDC(&dc), DDERR_SURFACEBUSY);
    // The pixels are reachable through the lock and carry the text.
    auto* row = (uint32_t*)image->mLockedSurfaceDesc.lpSurface;
    int green = 0;
    for (int p = 0; p < kWidth * kHeight; p++)
        green += (row[p] & 0xFFFFFF) == 0x00FF00;
    EXPECT_GT(green, 5);
    EXPECT_TRUE(image->UnlockSurface());

    PlatformTest::FailCall("GetDC", 1);
    ASSERT_TRUE(image->LockSurface());
    font.DrawString(&g, 5, 20, "Hello", Color(255, 0, 0), Rect(0, 0, kWidth, kHeight));
    EXPECT_EQ(image->mLockCount, 1);
    EXPECT_EQ(image->mSurface->GetDC(&dc), DDERR_SURFACEBUSY);
    EXPECT_TRUE(image->UnlockSurface());
    EXPECT_EQ(Drawn(image, 0xFF0000).exact, 0);
}

TEST_F(SysFontTest, CopiesHoldTheirOwnHandles)
{
    Windowed();
    auto original = std::make_unique<SysFont>(&host, "Tahoma", 8, ANSI_CHARSET);
    std::unique_ptr<Font> copy(original->Duplicate());
    auto* sys = dynamic_cast<SysFont*>(copy.get());
    ASSERT_NE(sys, nullptr);
    EXPECT_NE(sys->mFontHandle, original->mFontHandle);
    EXPECT_EQ(sys->mApp, &host);
    EXPECT_EQ(copy->GetAscent(), original->GetAscent());
    EXPECT_EQ(copy->GetHeight(), original->GetHeight());
    int width = original->StringWidth("Overlay 123");
    original.reset();
    EXPECT_EQ(copy->StringWidth("Overlay 123"), width);
    DDImage* image = Canvas();
    Graphics g(image);
    copy->DrawString(&g, 2, 20, "Overlay 123", Color(255, 255, 255), Rect(0, 0, kWidth, kHeight));
    EXPECT_GT(Drawn(image, 0xFFFFFF).count, 10);
}

TEST_F(SysFontTest, OddFacesSizesAndPlacesNeverBreakIt)
{
    Windowed();
    DDImage* image = Canvas();
    Graphics g(image);
    for (const char* face : {"No Such Face", "", "Tahoma", "Sans:bold"})
    {
        SysFont font(&host, face, 10, ANSI_CHARSET);
        EXPECT_GT(font.GetHeight(), 0) << face;
        EXPECT_GT(font.StringWidth("abc"), 0) << face;
    }
    for (int points : {0, -10, 1, INT_MAX, INT_MIN, 100000})
    {
        SysFont font(&host, "SansSerif", points, DEFAULT_CHARSET);
        EXPECT_GT(font.GetHeight(), 0) << points;
        font.StringWidth("abc");
    }
    SysFont font(&host, "SansSerif", 10, ANSI_CHARSET);
    font.DrawString(&g, 5, 20, "", Color(255, 0, 0), Rect(0, 0, kWidth, kHeight));
    for (int place : {INT_MIN, -5000, 5000, INT_MAX})
        font.DrawString(&g, place, place, "Far away", Color(255, 0, 0), Rect(INT_MAX - 5, 0, 100, INT_MAX));
    g.mTransX = 3e9f;
    font.DrawString(&g, 5, 20, "Far away", Color(255, 0, 0), Rect(0, 0, kWidth, kHeight));
    EXPECT_EQ(Drawn(image, 0xFF0000).count, 0);

    // A main window that is gone: the screen measures instead.
    host.mHWnd = reinterpret_cast<HWND>(uintptr_t(0x777771));
    SysFont orphan(&host, "SansSerif", 10, ANSI_CHARSET);
    EXPECT_EQ(orphan.GetHeight(), font.GetHeight());
    EXPECT_EQ(orphan.StringWidth("abc"), font.StringWidth("abc"));
    host.mHWnd = nullptr;
}

TEST_F(SysFontTest, AButtonWithoutAFontGetsTheSystemOneAndDrawsItsLabel)
{
    Windowed();
    WidgetManager manager(&host);
    manager.SetSize(kWidth, kHeight);
    const int colours[2][3] = {{0, 0, 255}, {0, 0, 255}};
    auto draw = [&](const std::string& label, bool attached = true)
    {
        DDImage* image = Canvas();
        ButtonWidget button(3, nullptr);
        button.Resize(10, 5, 90, 30);
        button.SetColorsRGB(colours, 2);
        button.mLabel = label;
        if (attached)
            manager.AddWidget(&button);
        Graphics g(image);
        g.mTransX = 10;
        g.mTransY = 5;
        button.Draw(&g);
        EXPECT_EQ(button.mFont != nullptr, !label.empty());
        if (!label.empty())
        {
            auto* font = dynamic_cast<SysFont*>(button.mFont);
            EXPECT_NE(font, nullptr);
            EXPECT_EQ(font->GetHeight(), SysFont(&host, "SansSerif", 10, 0).GetHeight());
        }
        if (attached)
            manager.RemoveWidget(&button);
        return Read(image->mSurface);
    };
    std::vector<uint32_t> plain = draw(""), labelled = draw("Play");
    ASSERT_EQ(plain.size(), labelled.size());
    int changed = 0, blue = 0;
    for (size_t i = 0; i < plain.size(); i++)
    {
        if (plain[i] == labelled[i])
            continue;
        int x = int(i % kWidth), y = int(i / kWidth);
        EXPECT_TRUE(x > 10 && x < 99 && y > 5 && y < 34) << x << "," << y;
        changed++;
        blue += (labelled[i] & 0xFFFFFF) == 0x0000FF;
    }
    EXPECT_GT(changed, 20);
    EXPECT_GT(blue, 3);

    // Not yet in a manager, or with no application at all, it draws the same label.
    EXPECT_EQ(draw("Play", false), labelled);
    LumoAppBase* app = gLumoAppBase;
    gLumoAppBase = nullptr;
    EXPECT_EQ(draw("Play", false), labelled);
    gLumoAppBase = app;
}
