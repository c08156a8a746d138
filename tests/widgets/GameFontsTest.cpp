// The game's three bitmap fonts, loaded from the committed descriptor files
// with the real font code and pictures read by the real picture readers.
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "media/ImageLib.h"
#include "text/FontData.h"
#include "app/LumoAppBase.h"
#include "text/ImageFont.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace Lumo;

namespace
{

const std::string kAssets = LUMO_ASSETS_DIR;

class DiskFontHost : public LumoAppBase
{
public:
    std::map<std::string, SharedImage> mRecords;
    std::vector<std::string> mFatalErrors;

    ~DiskFontHost() override
    {
        for (auto& record : mRecords)
            delete record.second.mImage;
    }
    SharedImageRef GetSharedImage(const std::string& fileName, const std::string&, bool* isNew) override
    {
        auto inserted = mRecords.try_emplace(fileName);
        SharedImage& record = inserted.first->second;
        if (isNew)
            *isNew = inserted.second;
        if (inserted.second)
        {
            std::unique_ptr<ImageLib::Image> picture(ImageLib::GetImage(fileName, true));
            if (picture)
            {
                record.mImage = new MemoryImage();
                record.mImage->SetBits(picture->GetBits(), picture->GetWidth(), picture->GetHeight(), true);
            }
        }
        SharedImageRef ref;
        if (record.mImage)
            ref = &record;
        return ref;
    }
    void ShowFatalError(const std::string& text) override { mFatalErrors.push_back(text); }
};

struct GameFonts : ::testing::TestWithParam<int>
{
    DiskFontHost host;
    std::string Path() const
    {
        return kAssets + "/fonts/MonotypeCorsiva" + std::to_string(GetParam()) + "Bold.txt";
    }
};

TEST_P(GameFonts, EveryPrintableCharacterHasAWidthAndEveryInkedOneAGlyph)
{
    ImageFont font(&host, Path());
    ASSERT_TRUE(host.mFatalErrors.empty()) << host.mFatalErrors[0];
    ASSERT_TRUE(font.mFontData->mInitialized);
    EXPECT_EQ(font.GetPointSize(), GetParam());
    ASSERT_EQ(font.mFontData->mFontLayerList.size(), 1u);
    const FontLayer& layer = font.mFontData->mFontLayerList.front();
    ASSERT_NE(layer.mImage.mSharedImage, nullptr);
    for (int c = 32; c < 127; ++c)
    {
        EXPECT_GT(font.CharWidth(char(c)), 0) << "character " << char(c);
        if (c != ' ')
        {
            EXPECT_GT(layer.mCharData[c].mImageRect.mWidth, 0) << "character " << char(c);
            EXPECT_GT(layer.mCharData[c].mImageRect.mHeight, 0) << "character " << char(c);
        }
    }
    EXPECT_GT(font.GetAscent(), GetParam() / 2);
    EXPECT_GT(font.GetHeight(), font.GetAscent());
}

TEST_P(GameFonts, GlyphsAreWhiteWithAlphaSoTheDrawingColourShows)
{
    ImageFont font(&host, Path());
    ASSERT_TRUE(font.mFontData->mInitialized);
    MemoryImage canvas;
    canvas.Create(200, 60);
    Graphics g(&canvas);
    int width = 0;
    font.DrawStringEx(&g, 5, 40, "Start", Color(255, 0, 0), Rect(0, 0, 200, 60), nullptr, &width);
    EXPECT_EQ(width, font.StringWidth("Start"));
    int inked = 0;
    for (int i = 0; i < 200 * 60; ++i)
    {
        uint32_t p = canvas.GetBits()[i];
        if ((p >> 24) > 128)
        {
            ++inked;
            EXPECT_GE((p >> 16) & 0xFF, 200u);
            EXPECT_LE((p >> 8) & 0xFF, 40u);
        }
    }
    EXPECT_GT(inked, 10 * GetParam() / 10);
}

INSTANTIATE_TEST_SUITE_P(Sizes, GameFonts, ::testing::Values(20, 14, 10));

TEST(GameFontSizes, BiggerNamesMeasureWider)
{
    DiskFontHost host;
    int widths[3];
    int i = 0;
    for (int size : {20, 14, 10})
    {
        ImageFont font(&host, kAssets + "/fonts/MonotypeCorsiva" + std::to_string(size) + "Bold.txt");
        widths[i++] = font.StringWidth("Welcome to the Crustavia!");
    }
    EXPECT_GT(widths[0], widths[1]);
    EXPECT_GT(widths[1], widths[2]);
    // The whole welcome line fits the 800-pixel screen with room to spare.
    EXPECT_LT(widths[0], 600);
}

} // namespace
