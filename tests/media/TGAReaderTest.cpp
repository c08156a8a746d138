#include "ImageTestFiles.h"

#include <gtest/gtest.h>

using namespace ImageTest;

namespace
{
const std::vector<uint32_t> kFour = {0x80FF0000, 0xFF00FF00, 0x000000FF, 0x12345678};

class TGAReaderTest : public ::testing::Test
{
protected:
    ImagePtr Read(const Bytes& bytes)
    {
        WriteFile(mFolder / "pic.tga", bytes);
        return ImagePtr(ImageLib::GetTGAImage(mFolder / "pic.tga"));
    }
    TempFolder mFolder;
};

TEST_F(TGAReaderTest, ReadsTopDownBGRAPixelsExactly)
{
    ImagePtr image = Read(MakeTGA({.width = 2, .height = 2}, kFour));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), 2);
    EXPECT_EQ(image->GetHeight(), 2);
    EXPECT_EQ(Pixels(*image), kFour);
}

TEST_F(TGAReaderTest, SkipsTheIdFieldAndColourMap)
{
    ImagePtr withId = Read(MakeTGA({.width = 2, .height = 2, .id = "made by test"}, kFour));
    ASSERT_TRUE(withId);
    EXPECT_EQ(Pixels(*withId), kFour);

    ImagePtr withMap = Read(MakeTGA({.width = 2, .height = 2, .id = "x", .colorMapLength = 5}, kFour));
    ASSERT_TRUE(withMap);
    EXPECT_EQ(Pixels(*withMap), kFour);
}

TEST_F(TGAReaderTest, RejectsOtherDepthsAndOrigins)
{
    EXPECT_FALSE(Read(MakeTGA({.width = 2, .height = 2, .depth = 24}, kFour)));
    EXPECT_FALSE(Read(MakeTGA({.width = 2, .height = 2, .descriptor = 0x08}, kFour)));
}

TEST_F(TGAReaderTest, ImageTypeIsNotLookedAt)
{
    // A run-length type with the 32-bit top-left form is read as plain pixels.
    ImagePtr image = Read(MakeTGA({.width = 2, .height = 2, .imageType = 10}, kFour));
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), kFour);
}

TEST_F(TGAReaderTest, ShortOrOversizedFilesGiveNull)
{
    Bytes whole = MakeTGA({.width = 2, .height = 2}, kFour);
    for (size_t size : {size_t(0), size_t(10), size_t(18), whole.size() - 1})
        EXPECT_FALSE(Read(Bytes(whole.begin(), whole.begin() + size))) << "size " << size;
    // An ID field longer than the file.
    Bytes shortId = MakeTGA({.width = 1, .height = 1, .id = std::string(200, 'i')}, {});
    shortId.resize(100);
    EXPECT_FALSE(Read(shortId));

    // The header asks for 16 GB; the file holds four pixels.
    EXPECT_FALSE(Read(MakeTGA({.width = 65535, .height = 65535}, kFour)));
    EXPECT_FALSE(Read(MakeTGA({.width = 0, .height = 2}, kFour)));
    EXPECT_FALSE(Read(MakeTGA({.width = 2, .height = 0}, kFour)));
}

TEST_F(TGAReaderTest, MissingFileGivesNull)
{
    EXPECT_FALSE(ImageLib::GetTGAImage(mFolder / "none.tga"));
}
} // namespace
