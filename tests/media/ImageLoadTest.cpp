#include "ImageTestFiles.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <new>

using namespace ImageTest;

namespace
{
// Arrays asked for without exceptions (the readers' pixels) from this many bytes on find no
// memory, as when memory runs out.
std::size_t gNoMemoryFrom = SIZE_MAX;
} // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (size >= gNoMemoryFrom)
        return nullptr;
    try
    {
        return ::operator new[](size);
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}

namespace
{
// One pixel per format, each its own colour, so that a test can tell which reader ran.
constexpr uint32_t kTGAColour = 0xFF100000;
constexpr uint32_t kPNGColour = 0xFF300000;
constexpr uint32_t kGIFColour = 0xFF400000;

class ImageLoadTest : public ::testing::Test
{
protected:
    void TearDown() override { ImageLib::gAlphaComposeColor = 0x00FFFFFF; }

    void PutTGA(const std::string& name, const std::vector<uint32_t>& pixels = {kTGAColour},
                unsigned width = 1)
    {
        WriteFile(mFolder / name,
                  MakeTGA({.width = width, .height = static_cast<unsigned>(pixels.size() / width)}, pixels));
    }
    void PutJPEG(const std::string& name)
    {
        std::filesystem::create_directories(std::filesystem::path(mFolder / name).parent_path());
        ImagePtr image = MakeImage(8, 8, std::vector<uint32_t>(64, 0xFF000000));
        ASSERT_TRUE(ImageLib::WriteJPEGImage(mFolder / name, image.get()));
    }
    void PutPNG(const std::string& name, const std::vector<uint32_t>& pixels = {kPNGColour}, int width = 1)
    {
        std::filesystem::create_directories(std::filesystem::path(mFolder / name).parent_path());
        ImagePtr image = MakeImage(width, static_cast<int>(pixels.size()) / width, pixels);
        ASSERT_TRUE(ImageLib::WritePNGImage(mFolder / name, image.get()));
    }
    void PutGIF(const std::string& name)
    {
        WriteFile(mFolder / name, GIFWriter()
                                      .Header(1, 1, {kGIFColour & 0xFFFFFF, 0})
                                      .Image(1, 1)
                                      .Data(2, EncodeLZW({0}, 2))
                                      .Trailer());
    }
    // The first pixel of what loads, 0 when nothing does.
    uint32_t Load(const std::string& name, bool alpha = false)
    {
        ImagePtr image(ImageLib::GetImage(mFolder / name, alpha));
        return image ? image->mBits[0] : 0;
    }
    TempFolder mFolder;
};

TEST_F(ImageLoadTest, NameWithoutExtensionTriesTGAJPEGPNGGIFInOrder)
{
    PutGIF("pic.gif");
    EXPECT_EQ(Load("pic"), kGIFColour);
    PutPNG("pic.png");
    EXPECT_EQ(Load("pic"), kPNGColour);
    PutJPEG("pic.jpg");
    EXPECT_EQ(Load("pic"), 0xFF000000u);
    PutTGA("pic.tga");
    EXPECT_EQ(Load("pic"), kTGAColour);

    // A reader that fails passes the name on to the next one.
    WriteFile(mFolder / "pic.tga", {1, 2, 3});
    WriteFile(mFolder / "pic.jpg", {4, 5, 6});
    EXPECT_EQ(Load("pic"), kPNGColour);
}

TEST_F(ImageLoadTest, ExtensionPicksOneReaderWithoutRegardToCase)
{
    PutPNG("pic.png");
    PutGIF("pic.GIF");
    EXPECT_EQ(Load("pic.GIF"), kGIFColour);
    EXPECT_EQ(Load("pic.png"), kPNGColour);
    // The extension names the reader: GIF bytes behind ".png" are not tried as a GIF.
    PutGIF("gif.png");
    EXPECT_EQ(Load("gif.png"), 0u);

    // Other extensions read nothing, even over readable files.
    PutJPEG("photo.jpeg");
    PutPNG("pic.bmp");
    EXPECT_EQ(Load("photo.jpeg"), 0u);
    EXPECT_EQ(Load("pic.bmp"), 0u);
    EXPECT_EQ(Load("missing"), 0u);
}

TEST_F(ImageLoadTest, DotsInFolderNamesAreNoExtension)
{
    PutPNG("dir.old/pic.png");
    EXPECT_EQ(Load("dir.old/pic"), kPNGColour);

    PutGIF("a/b.c/pic.gif");
    EXPECT_EQ(Load("a\\b.c/pic"), kGIFColour);
    EXPECT_EQ(Load("a/b.c\\pic"), kGIFColour);
    EXPECT_EQ(Load("a\\b.c\\pic.gif"), kGIFColour);
}

TEST_F(ImageLoadTest, AlphaFromUnderscoreBeforeTheName)
{
    PutPNG("img/door.png", {0xFF102030, 0x80405060}, 2);
    PutGIF("img/_door.png"); // a GIF behind ".png": reads nothing
    ImagePtr plain(ImageLib::GetImage(mFolder / "img/door.png", true));
    ASSERT_TRUE(plain);
    EXPECT_EQ(Pixels(*plain), (std::vector<uint32_t>{0xFF102030, 0x80405060}));

    PutPNG("img/_door.png", {0x000000AA, 0xFFFFFF11}, 2);
    ImagePtr image(ImageLib::GetImage(mFolder / "img/door.png", true));
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xAA102030, 0x11405060}));

    // Without the flag no alpha picture is read.
    ImagePtr noAlpha(ImageLib::GetImage(mFolder / "img/door.png", false));
    ASSERT_TRUE(noAlpha);
    EXPECT_EQ(Pixels(*noAlpha), (std::vector<uint32_t>{0xFF102030, 0x80405060}));
}

TEST_F(ImageLoadTest, AlphaFromUnderscoreAfterTheName)
{
    PutTGA("door.tga", {0xFF010203});
    PutGIF("door_.gif"); // index 0 is 0x400000: blue 0
    EXPECT_EQ(Load("door", true), 0x00010203u);
    // "door.tga" + "_" has the extension ".tga_", which no reader takes.
    EXPECT_EQ(Load("door.tga", true), 0xFF010203u);
    // The name before the underscore wins.
    PutTGA("_door.tga", {0x000000C8});
    EXPECT_EQ(Load("door", true), 0xC8010203u);
}

// Memory running out while the alpha picture is read goes on as std::bad_alloc, and the picture
// read before it is freed (the sanitizer's leak check finds it otherwise).
TEST_F(ImageLoadTest, MemoryRunningOutOnTheAlphaPictureLeaksNothing)
{
    PutPNG("pic.png", std::vector<uint32_t>(4, 0xFF123456), 2);
    PutPNG("_pic.png", std::vector<uint32_t>(64 * 64, 0xFF0000FF), 64);
    gNoMemoryFrom = 64 * 64 * sizeof(uint32_t);
    EXPECT_THROW(ImagePtr(ImageLib::GetImage(mFolder / "pic.png", true)), std::bad_alloc);
    gNoMemoryFrom = SIZE_MAX;
}

TEST_F(ImageLoadTest, AlphaOfAnotherSizeIsIgnored)
{
    PutPNG("pic.png", std::vector<uint32_t>(64 * 64, 0x7F123456), 64);
    PutPNG("_pic.png", std::vector<uint32_t>(32 * 32, 0xFF0000FF), 32);
    ImagePtr image(ImageLib::GetImage(mFolder / "pic.png", true));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), 64);
    EXPECT_EQ(Pixels(*image), std::vector<uint32_t>(64 * 64, 0x7F123456));
}

TEST_F(ImageLoadTest, AlphaAloneTakesTheComposeColour)
{
    PutPNG("_pic.png", {0xFF000080, 0x12345600}, 2);
    ImagePtr image(ImageLib::GetImage(mFolder / "pic.png", true));
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0x80FFFFFF, 0x00FFFFFF}));

    ImageLib::gAlphaComposeColor = 0x00204060;
    image.reset(ImageLib::GetImage(mFolder / "pic.png", true));
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0x80204060, 0x00204060}));

    EXPECT_FALSE(ImageLib::GetImage(mFolder / "pic.png", false));
}

TEST_F(ImageLoadTest, ImageStartsEmpty)
{
    ImageLib::Image image;
    EXPECT_EQ(image.GetWidth(), 0);
    EXPECT_EQ(image.GetHeight(), 0);
    EXPECT_EQ(image.GetBits(), nullptr);
}
} // namespace
