// Fonts, measuring and text drawn into a surface's device context.
#include "DDrawSupport.h"
#include "InkBox.h"
#include "win32/gdi32.h"
#include "win32/kernel32.h"
#include "win32/user32.h"

#include <climits>
#include <cstring>
#include <string>

namespace
{
HFONT Font(int height, const char* face = "SansSerif", DWORD charSet = ANSI_CHARSET)
{
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charSet, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, 0, face);
}

TEXTMETRICA Metrics(HFONT font)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    EXPECT_TRUE(GetTextMetricsA(dc, &metrics));
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return metrics;
}

RECT Measure(HFONT font, std::string text, UINT format = DT_CALCRECT | DT_NOPREFIX)
{
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT rect{5, 7, 5, 7};
    DrawTextExA(dc, text.data(), (int)text.size(), &rect, format, nullptr);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return rect;
}

} // namespace

TEST(GdiText, MulDivRoundsToTheNearestAndRefusesWhatDoesNotFit)
{
    EXPECT_EQ(MulDiv(10, 96, 72), 13);
    EXPECT_EQ(MulDiv(8, 96, 72), 11); // 10.67
    EXPECT_EQ(MulDiv(3, 1, 2), 2);    // halves go away from zero
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(3, -1, 2), -2);
    EXPECT_EQ(MulDiv(-3, 1, -2), 2);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(MulDiv(INT_MIN, 1, 1), INT_MIN);
    EXPECT_EQ(MulDiv(INT_MIN, 96, 72), -1);
    EXPECT_EQ(MulDiv(INT_MIN, -1, 1), -1);
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
}

TEST(GdiText, FontsHaveMetricsForTheirSizeAndDescribeThemselves)
{
    EXPECT_EQ(GetDeviceCaps(GetDC(nullptr), LOGPIXELSY), 96);
    HFONT small = Font(-11), large = Font(-19);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, small);
    TEXTMETRICA s = Metrics(small), l = Metrics(large);
    // A negative height is the characters' own: the cell adds the internal leading.
    EXPECT_GE(s.tmHeight, 11);
    EXPECT_LE(s.tmHeight, 16);
    EXPECT_EQ(s.tmHeight, s.tmAscent + s.tmDescent);
    EXPECT_EQ(s.tmInternalLeading, s.tmHeight - 11);
    EXPECT_GT(s.tmAscent, s.tmDescent);
    EXPECT_GT(l.tmHeight, s.tmHeight);
    EXPECT_GT(l.tmAscent, s.tmAscent);
    EXPECT_GT(s.tmAveCharWidth, 0);
    EXPECT_GE(s.tmMaxCharWidth, s.tmAveCharWidth);
    EXPECT_EQ(s.tmWeight, FW_NORMAL);
    // A positive height is the whole cell.
    EXPECT_NEAR(Metrics(Font(20)).tmHeight, 20, 1);

    LOGFONTA desc{};
    EXPECT_EQ(GetObjectA(small, 0, nullptr), 60);
    ASSERT_EQ(GetObjectA(small, sizeof(desc), &desc), 60);
    EXPECT_EQ(desc.lfHeight, -11);
    EXPECT_EQ(desc.lfWeight, FW_NORMAL);
    EXPECT_EQ(desc.lfOutPrecision, OUT_TT_PRECIS);
    EXPECT_EQ(desc.lfQuality, ANTIALIASED_QUALITY);
    EXPECT_STREQ(desc.lfFaceName, "SansSerif");
    // A short buffer takes what fits.
    LONG height = 0;
    EXPECT_EQ(GetObjectA(small, sizeof(height), &height), 4);
    EXPECT_EQ(height, -11);

    // A copy is its own font: deleting the original leaves it working.
    HFONT copy = CreateFontIndirectA(&desc);
    ASSERT_NE(copy, small);
    EXPECT_TRUE(DeleteObject(small));
    EXPECT_FALSE(DeleteObject(small));
    EXPECT_EQ(GetObjectA(small, sizeof(desc), &desc), 0);
    EXPECT_EQ(Metrics(copy).tmHeight, s.tmHeight);
    EXPECT_GT(Measure(copy, "abc").right, 5);
    DeleteObject(copy);
    DeleteObject(large);
}

TEST(GdiText, SelectingReturnsThePreviousFontAndAReleasedContextStartsAfresh)
{
    HFONT a = Font(-12), b = Font(-24);
    HDC dc = GetDC(nullptr);
    HGDIOBJ first = SelectObject(dc, a);
    ASSERT_NE(first, nullptr); // the context's default font
    EXPECT_NE(first, (HGDIOBJ)a);
    EXPECT_EQ(SelectObject(dc, b), (HGDIOBJ)a);
    EXPECT_EQ(SelectObject(dc, first), (HGDIOBJ)b);
    EXPECT_EQ(SelectObject(dc, (HGDIOBJ)(uintptr_t)0x1234), nullptr);
    EXPECT_EQ(SelectObject(nullptr, a), nullptr);
    SelectObject(dc, b);
    ReleaseDC(nullptr, dc);
    dc = GetDC(nullptr);
    EXPECT_EQ(SelectObject(dc, a), first);
    ReleaseDC(nullptr, dc);
    DeleteObject(a);
    DeleteObject(b);
}

TEST(GdiText, MeasuringGrowsWithTheTextAndCountsLines)
{
    HFONT font = Font(-13);
    int height = Metrics(font).tmHeight;
    RECT one = Measure(font, "i"), word = Measure(font, "Hello"), longer = Measure(font, "Hello, world");
    EXPECT_EQ(one.left, 5);
    EXPECT_EQ(one.top, 7);
    EXPECT_GT(one.right, 5);
    EXPECT_GT(word.right, one.right);
    EXPECT_GT(longer.right, word.right);
    EXPECT_EQ(word.bottom, 7 + height);
    EXPECT_EQ(Measure(font, "WWWW").right - 5, 4 * (Measure(font, "W").right - 5));
    // '&' is a character like any other.
    EXPECT_GT(Measure(font, "a&b").right, Measure(font, "ab").right);

    RECT empty = Measure(font, "");
    EXPECT_EQ(empty.right, 5);
    RECT lines = Measure(font, "Hello\r\nHello, world\ni");
    EXPECT_EQ(lines.right, longer.right);
    EXPECT_EQ(lines.bottom, 7 + 3 * height);
    RECT single = Measure(font, "ab\ncd", DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    EXPECT_EQ(single.bottom, 7 + height);

    HDC dc = GetDC(nullptr);
    RECT rect{};
    char text[] = "abc";
    // The default font measures too; a length of -1 runs to the terminator.
    int defaultHeight = DrawTextExA(dc, text, -1, &rect, DT_CALCRECT, nullptr);
    EXPECT_GT(defaultHeight, 0);
    EXPECT_EQ(rect.bottom, defaultHeight);
    EXPECT_GT(rect.right, 0);
    EXPECT_EQ(DrawTextExA(dc, text, 3, &rect, DT_NOPREFIX, nullptr), 0); // drawing is not offered
    EXPECT_EQ(DrawTextExA(dc, text, 3, nullptr, DT_CALCRECT, nullptr), 0);
    EXPECT_EQ(DrawTextExA(nullptr, text, 3, &rect, DT_CALCRECT, nullptr), 0);
    DRAWTEXTPARAMS margins{sizeof(DRAWTEXTPARAMS), 0, 3, 4, 0};
    SelectObject(dc, font);
    rect = RECT{};
    DrawTextExA(dc, text, 3, &rect, DT_CALCRECT, &margins);
    EXPECT_EQ(rect.right, Measure(font, "abc").right - 5 + 7);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
}

TEST_F(DDrawTest, TextLandsInTheSurfaceInItsColourInsideTheMeasuredCell)
{
    for (int bits : {32, 16})
    {
        UseDesktop(bits);
        const int width = 120, height = 40;
        IDirectDrawSurface7* surface = Offscreen(width, height);
        ASSERT_EQ(Fill(surface, nullptr, 0), DD_OK);
        HFONT font = Font(-16);
        int cell = Metrics(font).tmHeight;
        int measured = Measure(font, "Wavy jig").right - 5;
        HDC dc = nullptr;
        ASSERT_EQ(surface->GetDC(&dc), DD_OK);
        SelectObject(dc, font);
        EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
        EXPECT_EQ(SetTextColor(dc, RGB(255, 0, 0)), RGB(0, 0, 0));
        EXPECT_TRUE(TextOutA(dc, 10, 6, "Wavy jig", 8));
        surface->ReleaseDC(dc);
        std::vector<uint32_t> pixels = Read(surface);
        InkBox box = InkOf(pixels, width, 0, 0, 0xFFFFFFFF);
        ASSERT_GT(box.count, 20) << bits;
        EXPECT_GE(box.left, 10);
        EXPECT_GE(box.top, 6);
        EXPECT_LE(box.right, 10 + measured);
        EXPECT_LE(box.bottom, 6 + cell);
        // The ink spans most of the measured box; full coverage is the exact colour.
        EXPECT_GT(box.right - box.left, measured * 3 / 4);
        EXPECT_GT(box.bottom - box.top, cell / 2);
        uint32_t red = bits == 32 ? 0xFF0000u : 0xF800u;
        int exact = 0;
        for (uint32_t p : pixels)
        {
            exact += p == red;
            // Partial coverage only mixes in red.
            EXPECT_EQ(p & ~(bits == 32 ? 0xFF0000u : 0xF800u), 0u);
        }
        EXPECT_GT(exact, 5) << bits;
        surface->Release();
        DeleteObject(font);
    }
}

TEST_F(DDrawTest, ClippingBackgroundAndBadInputOfTextOut)
{
    const int width = 60, height = 30;
    IDirectDrawSurface7* surface = Offscreen(width, height);
    HFONT font = Font(-14);
    auto draw = [&](auto prepare, int x, int y, const char* text, int length)
    {
        Fill(surface, nullptr, 0x000000FF);
        HDC dc = nullptr;
        EXPECT_EQ(surface->GetDC(&dc), DD_OK);
        SelectObject(dc, font);
        SetTextColor(dc, RGB(0, 255, 0));
        prepare(dc);
        BOOL drawn = TextOutA(dc, x, y, text, length);
        surface->ReleaseDC(dc);
        return std::make_pair(drawn, InkOf(Read(surface), width, 0x000000FF, 0, 0xFFFFFFFF));
    };
    auto transparent = [](HDC dc) { SetBkMode(dc, TRANSPARENT); };

    // A clip keeps the ink inside it; an empty one keeps all of it out.
    auto [drawn, box] = draw(
        [](HDC dc)
        {
            SetBkMode(dc, TRANSPARENT);
            EXPECT_EQ(IntersectClipRect(dc, 12, 0, 20, 30), SIMPLEREGION);
        },
        2, 2, "MMMMMM", 6);
    EXPECT_TRUE(drawn);
    EXPECT_GT(box.count, 0);
    EXPECT_GE(box.left, 12);
    EXPECT_LE(box.right, 20);
    box = draw(
              [](HDC dc)
              {
                  SetBkMode(dc, TRANSPARENT);
                  EXPECT_EQ(IntersectClipRect(dc, 10, 10, 10, 20), NULLREGION);
              },
              2, 2, "MMMMMM", 6)
              .second;
    EXPECT_EQ(box.count, 0);
    // A fresh context forgets the clip of the last one.
    EXPECT_GT(draw(transparent, 2, 2, "MMMMMM", 6).second.count, 0);

    // Opaque, the default, paints the whole cell behind the text white.
    int cell = Metrics(font).tmHeight, measured = Measure(font, "ab").right - 5;
    box = draw([](HDC) {}, 3, 4, "ab", 2).second;
    EXPECT_EQ(box.count, measured * cell);
    EXPECT_EQ(box.left, 3);
    EXPECT_EQ(box.bottom, 4 + cell);
    EXPECT_EQ(SetBkMode(GetDC(nullptr), 7), 0);

    // Nothing to draw, places far outside, and refusals: no crash, nothing written.
    EXPECT_EQ(draw(transparent, 2, 2, "", 0).second.count, 0);
    EXPECT_EQ(draw(transparent, 2, 2, nullptr, 0).second.count, 0);
    EXPECT_FALSE(draw(transparent, 2, 2, nullptr, 3).first);
    EXPECT_FALSE(draw(transparent, 2, 2, "abc", -1).first);
    for (int place : {INT_MIN, INT_MIN + 5, -1000, 1000, INT_MAX - 5, INT_MAX})
    {
        auto result = draw([](HDC) {}, place, place, "Wide text", 9);
        EXPECT_TRUE(result.first);
        EXPECT_EQ(result.second.count, 0) << place;
    }
    // Only a surface's context has pixels.
    HDC screen = GetDC(nullptr);
    EXPECT_FALSE(TextOutA(screen, 0, 0, "abc", 3));
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "abc", 3));
    ReleaseDC(nullptr, screen);
    surface->Release();
    DeleteObject(font);
}

TEST(GdiText, UnknownFacesAndAbsurdSizesStillGiveAFont)
{
    for (const char* face :
         {"No Such Face 42", "", "Tahoma", "a:b-c,d", "0123456789012345678901234567890123456789"})
    {
        HFONT font = Font(-13, face);
        ASSERT_NE(font, nullptr) << face;
        TEXTMETRICA m = Metrics(font);
        EXPECT_GT(m.tmHeight, 0) << face;
        EXPECT_GT(Measure(font, "abc").right, 5) << face;
        LOGFONTA desc{};
        GetObjectA(font, sizeof(desc), &desc);
        EXPECT_LT(std::strlen(desc.lfFaceName), size_t(LF_FACESIZE));
        DeleteObject(font);
    }
    HFONT none = CreateFontA(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    EXPECT_GT(Metrics(none).tmHeight, 0);
    DeleteObject(none);
    int previous = 0;
    for (int height : {0, 1, -1, INT_MAX, INT_MIN, -100000})
    {
        HFONT font = Font(height);
        TEXTMETRICA m = Metrics(font);
        EXPECT_GT(m.tmHeight, 0) << height;
        EXPECT_LE(m.tmHeight, 2000) << height;
        Measure(font, "abc");
        previous = m.tmHeight;
        DeleteObject(font);
    }
    EXPECT_GT(previous, 500); // the largest sizes are held at a limit, not dropped
    EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
    EXPECT_EQ(GetObjectA(nullptr, 60, nullptr), 0);
}
