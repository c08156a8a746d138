#include "TestRegistry.h"

#include "graphics/Font.h"
#include "graphics/Graphics.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Lumo;

namespace
{
// Records what the drawing context hands to its destination.
class Recorder : public Image
{
public:
    std::vector<std::string> mCalls;

    Recorder(int w, int h)
    {
        mWidth = w;
        mHeight = h;
    }
    static std::string R(const Rect& r)
    {
        return std::to_string(r.mX) + "," + std::to_string(r.mY) + "," + std::to_string(r.mWidth) + "," +
               std::to_string(r.mHeight);
    }
    void FillRect(const Rect& r, const Color& c, int mode) override { mCalls.push_back("fill " + R(r)); }
    void DrawRect(const Rect& r, const Color& c, int mode) override { mCalls.push_back("rect " + R(r)); }
    void DrawLine(double x1, double y1, double x2, double y2, const Color&, int) override
    {
        mCalls.push_back("line " + std::to_string(int(x1)) + "," + std::to_string(int(y1)) + " " +
                         std::to_string(int(x2)) + "," + std::to_string(int(y2)));
    }
    void Blt(Image*, int x, int y, const Rect& src, const Color& c, int) override
    {
        mCalls.push_back("blt " + std::to_string(x) + "," + std::to_string(y) + " " + R(src) +
                         (c.IsWhite() ? "" : " tinted"));
    }
    void StretchBlt(Image*, const Rect& dest, const Rect& src, const Rect& clip, const Color&, int,
                    bool fast) override
    {
        mCalls.push_back("stretch " + R(dest) + " " + R(src) + " " + R(clip) + (fast ? " fast" : ""));
    }
};

// Every character 5 pixels wide; records the strings drawn with their colour.
class TestFont : public Font
{
public:
    std::vector<std::string> mDrawn;

    TestFont()
    {
        mAscent = 10;
        mAscentPadding = 2;
        mHeight = 14;
        mLineSpacingOffset = 2;
    }
    int StringWidth(const std::string& text) override { return int(text.size()) * 5; }
    void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& c, const Rect&) override
    {
        char colour[16];
        std::snprintf(colour, sizeof colour, "%06X", c.ToARGB() & 0xFFFFFF);
        mDrawn.push_back(std::to_string(x) + "," + std::to_string(y) + " " + text + " " + colour);
    }
    Font* Duplicate() override { return new TestFont(*this); }
};

using Calls = std::vector<std::string>;
} // namespace

TEST(Graphics, TranslationClipAndFills)
{
    Recorder image(100, 50);
    Graphics g(&image);
    EXPECT_EQ(g.mClipRect, Rect(0, 0, 100, 50));
    EXPECT_EQ(g.GetColor(), Color(0, 0, 0, 255));
    g.Translate(10, 5);
    g.ClipRect(0, 0, 50, 20);
    EXPECT_EQ(g.mClipRect, Rect(10, 5, 50, 20));
    g.FillRect(-5, -5, 10, 10);
    g.SetColor(Color(1, 2, 3, 0));
    g.FillRect(0, 0, 10, 10);
    EXPECT_EQ(image.mCalls, Calls{"fill 10,5,5,5"});

    // Fractional translation truncates toward zero after the sum.
    Graphics h(&image);
    h.mTransX = -0.5f;
    h.FillRect(0, 0, 1, 1);
    EXPECT_EQ(image.mCalls.back(), "fill 0,0,1,1");
}

TEST(Graphics, OutlineInsideAndAcrossTheClip)
{
    Recorder image(100, 100);
    Graphics g(&image);
    g.Translate(10, 10);
    g.DrawRect(0, 0, 5, 3);
    EXPECT_EQ(image.mCalls, Calls{"rect 10,10,5,3"});
    image.mCalls.clear();
    g.ClipRect(0, 0, 5, 100);
    g.DrawRect(0, 0, 5, 3);
    // Each edge is translated once.
    EXPECT_EQ(image.mCalls, (Calls{"fill 10,10,5,1", "fill 10,13,5,1", "fill 10,11,1,2"}));
}

TEST(Graphics, LinesAreClipped)
{
    Recorder image(100, 100);
    Graphics g(&image);
    g.ClipRect(10, 10, 20, 20);
    g.DrawLine(0, 0, 40, 40);
    g.DrawLine(0, 0, 5, 50);   // both left of the clip
    g.DrawLine(30, 0, 35, 50); // both at or right of its edge
    g.DrawLine(20, 0, 20, 50);
    EXPECT_EQ(image.mCalls, (Calls{"line 10,10 29,29", "line 20,10 20,29"}));
}

TEST(Graphics, ImagesClippedAndTinted)
{
    Recorder image(100, 100);
    MemoryImage sprite;
    sprite.Create(10, 8);
    Graphics g(&image);
    g.ClipRect(5, 5, 100, 100);
    g.SetColor(Color(255, 0, 0));
    g.DrawImage(&sprite, 0, 0);
    g.DrawImage(&sprite, 0, 0, Rect(1, 0, 10, 8)); // one past the right edge
    g.DrawImage(&sprite, 0, 0, Rect(-1, 0, 5, 8)); // left of the picture
    g.SetTintImages(true);
    g.DrawImage(&sprite, 20, 20, Rect(2, 2, 4, 4));
    g.SetFastStretch(true);
    g.Translate(1, 1);
    g.DrawImage(&sprite, 0, 0, 20, 16);
    EXPECT_EQ(image.mCalls, (Calls{"blt 5,5 5,5,5,3", "blt 20,20 2,2,4,4 tinted",
                                   "stretch 1,1,20,16 0,0,10,8 5,5,95,95 fast"}));
}

TEST(Graphics, StateStack)
{
    Recorder image(10, 10);
    Graphics g(&image);
    g.PopState();
    EXPECT_EQ(g.GetColor(), Color(0, 0, 0, 255));
    g.PushState();
    g.SetColor(Color(1, 2, 3));
    g.Translate(4, 4);
    g.ClipRect(0, 0, 2, 2);
    g.SetDrawMode(DRAWMODE_ADDITIVE);
    g.PushState();
    g.SetColor(Color(9, 9, 9));
    g.PopState();
    EXPECT_EQ(g.GetColor(), Color(1, 2, 3));
    g.PopState();
    EXPECT_EQ(g.GetColor(), Color(0, 0, 0, 255));
    EXPECT_EQ(g.mTransX, 0.0f);
    EXPECT_EQ(g.mClipRect, Rect(0, 0, 10, 10));
    EXPECT_EQ(g.GetDrawMode(), DRAWMODE_NORMAL);

    std::unique_ptr<Graphics> copy(g.Clone());
    copy->PopState(); // a copy has no stack
    EXPECT_EQ(copy->mClipRect, Rect(0, 0, 10, 10));
}

TEST(Graphics, NoDestinationAndNoFont)
{
    Graphics g(nullptr);
    EXPECT_EQ(g.mDestImage->mWidth, 0);
    g.FillRect(0, 0, 5, 5);
    g.DrawString("abc", 0, 0);
    EXPECT_EQ(g.DrawStringFormatted("abc", 0, 0, 10, -1), 0);
    EXPECT_EQ(g.DrawWrappedText("abc def", Rect(0, 0, 10, 10)), 0);
    TestFont font;
    g.SetFont(&font);
    EXPECT_EQ(g.DrawStringFormatted("abc", 0, 0, 10, -1, false), 15);
}

TEST(Graphics, ColourCodes)
{
    Recorder image(10, 10);
    TestFont font;
    Graphics g(&image);
    g.SetFont(&font);
    g.SetColor(Color(255, 0, 0, 77));
    EXPECT_EQ(g.DrawStringFormatted("ab^00FF00^cd", 3, 4, 100, -1), 20);
    EXPECT_EQ(font.mDrawn, (Calls{"3,4 ab FF0000", "13,4 cd 00FF00"}));
    EXPECT_EQ(g.GetColor(), Color(0, 255, 0, 77));

    font.mDrawn.clear();
    g.mWriteColoredString = false;
    g.DrawStringFormatted("ab^00ff00^cd", 0, 0, 100, -1);
    EXPECT_EQ(font.mDrawn, Calls{"0,0 ab^00ff00^cd 00FF00"});
    g.mWriteColoredString = true;

    font.mDrawn.clear();
    g.DrawStringFormatted("a^^bcdefghi", 0, 0, 100, -1);
    g.DrawStringFormatted("a^^b", 0, 0, 100, -1);
    g.DrawStringFormatted("x^zz0000^y", 0, 0, 100, -1); // other characters count as 0
    EXPECT_EQ(font.mDrawn, (Calls{"0,0 a^bcdefghi 00FF00", "0,0 a 00FF00", "0,0 x 00FF00", "5,0 y 000000"}));
}

TEST(Graphics, Justification)
{
    Recorder image(10, 10);
    TestFont font;
    Graphics g(&image);
    g.SetFont(&font);
    g.DrawStringFormatted("abc", 10, 0, 26, 0); // (26 - 15) / 2 = 5
    g.DrawStringFormatted("abc", 10, 0, 26, 1); // 26 - 15
    g.DrawStringFormatted("abcdef", 10, 0, 26, -1, true, 2, 3);
    g.DrawStringFormatted("abcdef", 10, 0, 26, -1, true, 4, 30);
    EXPECT_EQ(font.mDrawn,
              (Calls{"15,0 abc 000000", "21,0 abc 000000", "10,0 cde 000000", "10,0 ef 000000"}));
}

TEST(Graphics, WrappedText)
{
    Recorder image(10, 10);
    TestFont font;
    Graphics g(&image);
    g.SetFont(&font);
    g.SetColor(Color(1, 1, 1));
    // First baseline at 10 - 2, lines 16 apart, height baseline + descent 4.
    EXPECT_EQ(g.DrawWrappedText("one two", Rect(0, 100, 15, 0)), 8 + 16 + 4);
    EXPECT_EQ(font.mDrawn, (Calls{"0,108 one 010101", "0,124 two 010101"}));

    font.mDrawn.clear();
    EXPECT_EQ(g.DrawWrappedText("abcdefg", Rect(0, 0, 10, 0)), 8 + 3 * 16 + 4);
    EXPECT_EQ(font.mDrawn, (Calls{"0,8 ab 010101", "0,24 cd 010101", "0,40 ef 010101", "0,56 g 010101"}));

    font.mDrawn.clear();
    g.DrawWrappedText("ab\n  cd", Rect(0, 0, 100, 0));
    EXPECT_EQ(font.mDrawn, (Calls{"0,8 ab 010101", "0,24   cd 010101"}));

    // A width of one character still moves on.
    font.mDrawn.clear();
    g.DrawWrappedText("xyz", Rect(0, 0, 1, 0));
    EXPECT_EQ(font.mDrawn.size(), 3u);

    // Colour codes are not measured and the colour is restored afterwards.
    font.mDrawn.clear();
    g.DrawWrappedText("^FF0000^ab cd", Rect(0, 0, 10, 0));
    EXPECT_EQ(font.mDrawn, (Calls{"0,8  010101", "0,8 ab FF0000", "0,24 cd FF0000"}));
    EXPECT_EQ(g.GetColor(), Color(1, 1, 1));

    EXPECT_EQ(Graphics::GetWrappedTextHeight(&g, 15, "one two six"), 8 + 2 * 16 + 4);
    // No text takes no room; a final newline starts an empty last line; trailing blanks do not.
    EXPECT_EQ(Graphics::GetWrappedTextHeight(&g, 15, ""), 0);
    EXPECT_EQ(Graphics::GetWrappedTextHeight(&g, 100, "one\n"), 8 + 16 + 4);
    EXPECT_EQ(Graphics::GetWrappedTextHeight(&g, 100, "\n\n"), 8 + 2 * 16 + 4);
    EXPECT_EQ(Graphics::GetWrappedTextHeight(&g, 15, "one two "), 8 + 16 + 4);
    font.mDrawn.clear();
    EXPECT_EQ(g.DrawWrappedText("ab\n", Rect(0, 0, 100, 0)), 8 + 16 + 4);
    EXPECT_EQ(font.mDrawn, (Calls{"0,8 ab 010101"}));
}

TEST(Graphics, ImageFrameTiles)
{
    Recorder image(200, 200);
    MemoryImage box;
    box.Create(9, 9);
    Graphics g(&image);
    g.DrawImageFrame(&box, Rect(0, 0, 13, 9));
    // Corners 3x3, a 7-wide middle tiled by 3: three top, three bottom pieces,
    // one left, one right and three centre ones.
    Calls expected = {"blt 0,0 0,0,3,3", "blt 10,0 6,0,3,3", "blt 0,6 0,6,3,3", "blt 10,6 6,6,3,3",
                      "blt 3,0 3,0,3,3", "blt 3,6 3,6,3,3",  "blt 6,0 3,0,3,3", "blt 6,6 3,6,3,3",
                      "blt 9,0 3,0,1,3", "blt 9,6 3,6,1,3",  "blt 0,3 0,3,3,3", "blt 10,3 6,3,3,3",
                      "blt 3,3 3,3,3,3", "blt 6,3 3,3,3,3",  "blt 9,3 3,3,1,3"};
    EXPECT_EQ(image.mCalls, expected);
}

TEST(Graphics, MissingImagesAndEmptyFrames)
{
    Recorder image(50, 50);
    Graphics g(&image);
    g.DrawImage(nullptr, 0, 0);
    g.DrawImage(nullptr, 0, 0, Rect(0, 0, 1, 1));
    g.DrawImage(nullptr, 0, 0, 5, 5);
    g.DrawImageFrame(nullptr, Rect(0, 0, 10, 10));
    MemoryImage thin;
    thin.Create(2, 9);
    g.DrawImageFrame(&thin, Rect(0, 0, 10, 10), Rect(0, 0, 0, 9)); // a middle piece 0 wide tiles nothing
    EXPECT_TRUE(image.mCalls.empty());
}
