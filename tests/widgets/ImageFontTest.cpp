#include "text/ImageFont.h"

#include "graphics/Graphics.h"
#include "text/FontData.h"
#include "tests/platform/TempFolder.h"
#include "tests/widgets/FontTestHost.h"

#include <gtest/gtest.h>

#include <climits>
#include <thread>

using namespace Lumo;

namespace
{

const uint32_t kA = 0xFFFF0000, kB = 0xFF00FF00, kC = 0xFF0000FF;

// Sheet 12x4: 'a' red (3 wide), 'b' green (4 wide), 'c' blue (5 wide).
std::vector<uint32_t> SheetPixels()
{
    std::vector<uint32_t> pixels(48);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 12; ++x)
            pixels[y * 12 + x] = x < 3 ? kA : (x < 7 ? kB : kC);
    return pixels;
}

const char* kBase = "SetDefaultPointSize 10;\n"
                    "Define Widths (3 4 5);\n"
                    "CreateHorzSpanRectList Rects (0 0 0 4) Widths;\n"
                    "CreateLayer Main;\n"
                    "LayerSetImage Main 'sheet.png';\n"
                    "LayerSetImageMap Main ('a' 'b' 'c') Rects;\n"
                    "LayerSetCharWidths Main ('a' 'b' 'c') Widths;\n"
                    "LayerSetAscent Main 3;\n"
                    "LayerSetPointSize Main 10;\n"
                    "LayerSetKerningPairs Main ('ab') (2);\n";

struct ImageFontTest : ::testing::Test
{
    TempFolder folder;
    FontTestHost host;
    MemoryImage canvas;

    ImageFontTest()
    {
        host.mPictures["sheet.png"] = {12, 4, SheetPixels()};
        canvas.Create(60, 20);
    }
    std::unique_ptr<ImageFont> Make(const std::string& extra = "")
    {
        folder.Write("font.txt", std::string(kBase) + extra);
        auto font = std::make_unique<ImageFont>(&host, folder.Path() + "/font.txt");
        EXPECT_TRUE(host.mFatalErrors.empty()) << host.mFatalErrors[0];
        return font;
    }
    uint32_t Pixel(int x, int y) { return canvas.GetBits()[y * canvas.mWidth + x]; }
    void Draw(ImageFont& font, int x, int y, const std::string& text, int* width = nullptr,
              std::vector<Rect>* rects = nullptr)
    {
        Graphics g(&canvas);
        font.DrawStringEx(&g, x, y, text, Color::White, Rect(0, 0, 60, 20), rects, width);
    }
};

// Tinted and stretched blits round each channel down by a step or two.
::testing::AssertionResult Near(uint32_t actual, uint32_t expected)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
        if (a - e > 4 || e - a > 4)
            return ::testing::AssertionFailure() << std::hex << actual << " is not near " << expected;
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST_F(ImageFontTest, MetricsAndWidthsWithKerning)
{
    auto font = Make();
    EXPECT_EQ(font->GetPointSize(), 10);
    EXPECT_EQ(font->GetDefaultPointSize(), 10);
    EXPECT_EQ(font->GetAscent(), 3);
    EXPECT_EQ(font->GetHeight(), 4);
    EXPECT_EQ(font->GetDescent(), 1);
    EXPECT_EQ(font->CharWidth('b'), 4);
    EXPECT_EQ(font->CharWidthAfter('b', 'a'), 6);
    EXPECT_EQ(font->StringWidth("ab"), 9);
    EXPECT_EQ(font->StringWidth("abc"), 14);
    EXPECT_EQ(font->StringWidth("ba"), 7);
    EXPECT_EQ(font->StringWidth(""), 0);
    EXPECT_EQ(font->GetDefineText("widths"), "(3, 4, 5)");
    EXPECT_EQ(font->GetDefineText("none"), "");
}

TEST_F(ImageFontTest, AtItsOwnSizeDrawsFromTheLayerImage)
{
    auto font = Make();
    ASSERT_EQ(font->mActiveLayerList.size(), 1u);
    const ActiveFontLayer& active = font->mActiveLayerList.front();
    EXPECT_FALSE(active.mOwnsImage);
    EXPECT_EQ(active.mScaledImage, active.mBaseFontLayer->mImage.GetImage());
}

TEST_F(ImageFontTest, GlyphsSitOnTheBaseline)
{
    auto font = Make();
    int width = 0;
    std::vector<Rect> rects;
    Draw(*font, 10, 5, "ab", &width, &rects);
    EXPECT_EQ(width, 9);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0], Rect(10, 2, 3, 4));
    EXPECT_EQ(rects[1], Rect(15, 2, 4, 4)); // pen 10 + 3 + kerning 2
    EXPECT_TRUE(Near(Pixel(10, 2), kA));
    EXPECT_TRUE(Near(Pixel(12, 5), kA));
    EXPECT_EQ(Pixel(13, 2), 0u);
    EXPECT_EQ(Pixel(10, 1), 0u);
    EXPECT_EQ(Pixel(10, 6), 0u);
    EXPECT_TRUE(Near(Pixel(15, 2), kB));
    EXPECT_TRUE(Near(Pixel(18, 5), kB));
}

TEST_F(ImageFontTest, PointSizeScalesGlyphsAndMetrics)
{
    auto font = Make();
    font->SetPointSize(20);
    EXPECT_EQ(font->StringWidth("ab"), 18);
    EXPECT_EQ(font->GetAscent(), 6);
    EXPECT_EQ(font->GetHeight(), 8);
    const ActiveFontLayer& active = font->mActiveLayerList.front();
    EXPECT_TRUE(active.mOwnsImage);
    EXPECT_EQ(active.mScaledCharImageRects['b'], Rect(6, 0, 8, 8)); // after 'a' at width 6
    std::vector<Rect> rects;
    Draw(*font, 0, 10, "b", nullptr, &rects);
    ASSERT_EQ(rects.size(), 1u);
    EXPECT_EQ(rects[0], Rect(0, 4, 8, 8));
    EXPECT_TRUE(Near(Pixel(0, 4), kB));
    EXPECT_TRUE(Near(Pixel(7, 11), kB));
    EXPECT_EQ(Pixel(8, 4), 0u);

    ImageFont copy(*font);
    EXPECT_NE(copy.mActiveLayerList.front().mScaledImage, active.mScaledImage);
    EXPECT_EQ(copy.StringWidth("ab"), 18);
    EXPECT_EQ(copy.mFontData->mRefCount, 2);

    font->SetScale(0.5);
    EXPECT_EQ(font->StringWidth("ab"), 9);
}

TEST_F(ImageFontTest, PointRangeSelectsLayers)
{
    auto font = Make("CreateLayer Big; LayerPointRange Big 10 12;\n"
                     "LayerSetCharWidths Big ('a') (9);\n"
                     "CreateLayer Any; LayerPointRange Any 11 -1;\n");
    EXPECT_EQ(font->mActiveLayerList.size(), 2u);
    EXPECT_EQ(font->CharWidth('a'), 9);
    font->SetPointSize(12);
    font->Prepare();
    EXPECT_EQ(font->mActiveLayerList.size(), 3u);
    font->SetPointSize(13);
    font->Prepare();
    EXPECT_EQ(font->mActiveLayerList.size(), 2u);
    font->SetPointSize(500);
    font->Prepare();
    EXPECT_EQ(font->mActiveLayerList.size(), 2u);
}

TEST_F(ImageFontTest, TagsSelectLayers)
{
    auto font = Make("CreateLayer Bold; LayerRequireTags Bold ('bold'); LayerSetCharWidths Bold ('a') (8);\n"
                     "LayerExcludeTags Main ('bold');\n");
    EXPECT_EQ(font->CharWidth('a'), 3);
    EXPECT_TRUE(font->AddTag("Bold"));
    EXPECT_TRUE(font->AddTag("bold")); // only the text as given is looked for
    EXPECT_FALSE(font->AddTag("BOLD"));
    EXPECT_TRUE(font->HasTag("BOLD"));
    EXPECT_FALSE(font->HasTag("bold"));
    EXPECT_FALSE(font->mActiveListValid);
    EXPECT_EQ(font->CharWidth('a'), 8);
    EXPECT_EQ(font->mActiveLayerList.size(), 1u);
    EXPECT_TRUE(font->RemoveTag("bold")); // both copies
    EXPECT_FALSE(font->RemoveTag("Bold"));
    EXPECT_EQ(font->CharWidth('a'), 3);
}

TEST_F(ImageFontTest, DrawOrderBuckets)
{
    // Two layers over the same pixels: the later bucket paints last.
    auto font = Make("CreateLayerFrom Top Main; LayerSetColorMult Top (0 0 0 1);\n"
                     "LayerSetCharOrders Top ('a' 'b') (300 -200); LayerSetBaseOrder Main 126;\n"
                     "LayerSetCharOrders Main ('b') (-253);\n");
    Draw(*font, 0, 3, "a");
    EXPECT_TRUE(Near(Pixel(0, 0), 0xFF000000u)); // Top: bucket 255 over Main at 254
    Draw(*font, 20, 3, "b");
    EXPECT_TRUE(Near(Pixel(20, 0), kB)); // Top: bucket 0 under Main at 1
}

TEST_F(ImageFontTest, ColourTreatment)
{
    auto plain = Make();
    auto added = Make("LayerSetColorAdd Main (0.8 0 0 0);\n");
    Graphics g(&canvas);
    g.SetColor(Color(1, 2, 3, 4));
    plain->DrawString(&g, 0, 3, "a", Color(100, 255, 255, 255), Rect());
    EXPECT_TRUE(Near(Pixel(0, 0), 0xFF640000u)); // the red glyph tinted to 100
    // (100 + 204) saturates at 255: the glyph keeps its full red.
    added->DrawString(&g, 20, 3, "a", Color(100, 255, 255, 255), Rect());
    EXPECT_TRUE(Near(Pixel(20, 0), kA));
    EXPECT_EQ(g.GetColor(), Color(1, 2, 3, 4)); // restored
    EXPECT_FALSE(g.GetTintImages());
}

TEST_F(ImageFontTest, PoolHoldsAtMost4096Glyphs)
{
    auto font = Make("CreateLayerFrom Second Main;\n");
    std::string text(3000, 'a');
    std::vector<Rect> rects;
    int width = 0;
    Draw(*font, 0, 3, text, &width, &rects);
    EXPECT_EQ(rects.size(), 4096u);
    EXPECT_EQ(width, 9000);
}

TEST_F(ImageFontTest, CharMapAndHighBytes)
{
    auto font = Make("SetCharMap ('A' '\xE9') ('a' 'b');\n");
    EXPECT_EQ(font->CharWidth('A'), 3);
    EXPECT_EQ(font->CharWidth('\xE9'), 4);
    EXPECT_EQ(font->StringWidth("Ab"), 9);
    EXPECT_EQ(font->CharWidth('\xFF'), 0);
}

TEST_F(ImageFontTest, UninitializedFontDrawsNothing)
{
    folder.Write("bad.txt", "Bogus;");
    ImageFont font(&host, folder.Path() + "/bad.txt");
    EXPECT_EQ(host.mFatalErrors.size(), 1u);
    int width = 7;
    Draw(font, 0, 0, "abc", &width);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(font.StringWidth("abc"), 0);
    ImageFont missing(&host, folder.Path() + "/none.txt");
    EXPECT_EQ(missing.StringWidth("a"), 0);
}

TEST_F(ImageFontTest, ForceWhiteScaledImages)
{
    auto font = Make();
    font->mForceScaledImagesWhite = true;
    font->SetPointSize(20);
    Draw(*font, 0, 10, "a");
    EXPECT_TRUE(Near(Pixel(0, 4), 0xFFFFFFFFu));
}

TEST_F(ImageFontTest, AbsurdSizeMakesNoSheetButStillMeasures)
{
    auto font = Make();
    font->SetPointSize(10000000);
    EXPECT_EQ(font->CharWidth('a'), 3000000);
    ASSERT_EQ(font->mActiveLayerList.size(), 1u);
    EXPECT_EQ(font->mActiveLayerList.front().mScaledImage, nullptr);
    int width = 0;
    Draw(*font, 0, 3, "a", &width);
    EXPECT_EQ(width, 3000000);
    EXPECT_EQ(Pixel(0, 0), 0u);
    // A thousand of them reach past the end of int: the width stops there.
    const std::string many(1000, 'a');
    EXPECT_EQ(font->StringWidth(many), INT_MAX);
    Draw(*font, 0, 3, many, &width);
    EXPECT_EQ(width, INT_MAX);
    // So do the line spacing and the height of wrapped lines.
    font = Make("LayerSetLineSpacingOffset Main 8;\n");
    font->SetPointSize(2000000000);
    font->Prepare();
    EXPECT_EQ(font->GetLineSpacing(), INT_MAX);
    Graphics g(&canvas);
    g.SetFont(font.get());
    EXPECT_EQ(g.DrawWrappedText("a a a", Rect(0, 0, 60, 20), -1, 0), INT_MAX);
}

TEST_F(ImageFontTest, ScaledSheetsOfAllLayersStayWithinOneBound)
{
    // At 6 times their size the main layer's glyphs take 72x24 pixels, and a tall and a wide glyph
    // would span 21888x3066: within the bound alone, past it with the first.
    host.mPictures["thin.png"] = {3647, 511, std::vector<uint32_t>(3647 * 511, kA)};
    auto font = Make("CreateLayer Thin;\nLayerSetImage Thin 'thin.png';\nLayerSetPointSize Thin 10;\n"
                     "LayerSetImageMap Thin ('x' 'y') ((0 0 1 511) (0 0 3647 1));\n");
    font->SetPointSize(60);
    font->Prepare();
    ASSERT_EQ(font->mActiveLayerList.size(), 2u);
    const MemoryImage* sheet = font->mActiveLayerList.front().mScaledImage;
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->mWidth, 72);
    EXPECT_EQ(sheet->mHeight, 24);
    EXPECT_EQ(font->mActiveLayerList.back().mScaledImage, nullptr);
}

TEST_F(ImageFontTest, ThreadsDrawingAtOnceShareThePoolSafely)
{
    auto font =
        Make("CreateLayerFrom Shadow Main; LayerSetOffset Shadow (1 1); LayerSetBaseOrder Shadow -1;\n"
             "LayerSetColorMult Shadow (0 0 0 1);\n");
    auto other = std::unique_ptr<ImageFont>(static_cast<ImageFont*>(font->Duplicate()));
    ImageFont* fonts[2] = {font.get(), other.get()};
    const std::string texts[2] = {"abcabcab", "cbacba"};
    auto render = [&](int t, MemoryImage& target)
    {
        target.Clear();
        Graphics g(&target);
        fonts[t]->DrawString(&g, 0, 5, texts[t], Color::White, Rect());
        return std::vector<uint32_t>(target.GetBits(), target.GetBits() + 60 * 20);
    };
    std::vector<uint32_t> expected[2];
    for (int t = 0; t < 2; ++t)
    {
        MemoryImage target;
        target.Create(60, 20);
        expected[t] = render(t, target);
    }
    bool same[2] = {true, true};
    auto run = [&](int t)
    {
        MemoryImage target;
        target.Create(60, 20);
        for (int i = 0; i < 200; ++i)
            same[t] = same[t] && render(t, target) == expected[t];
    };
    std::thread first(run, 0);
    std::thread second(run, 1);
    first.join();
    second.join();
    EXPECT_TRUE(same[0]);
    EXPECT_TRUE(same[1]);
}
