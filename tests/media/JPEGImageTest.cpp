#include "../BigClaims.h"
#include "ImageTestFiles.h"
#include "media/ImageFileIO.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace ImageTest;

namespace
{
class JPEGImageTest : public ::testing::Test
{
protected:
    ImagePtr ReadBytes(const Bytes& bytes)
    {
        WriteFile(mFolder / "raw.jpg", bytes);
        return ImagePtr(ImageLib::GetJPEGImage(mFolder / "raw.jpg"));
    }
    Bytes GoodFile(int width, int height)
    {
        ImagePtr source = MakeImage(width, height, Gradient(width, height));
        EXPECT_TRUE(ImageLib::WriteJPEGImage(mFolder / "good.jpg", source.get()));
        return ReadFile(mFolder / "good.jpg");
    }
    TempFolder mFolder;
};

// The frame header's height and width set to these.
void SetSize(Bytes& file, unsigned width, unsigned height)
{
    for (size_t i = 0; i + 9 < file.size(); i++)
        if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2))
        {
            file[i + 5] = uint8_t(height >> 8);
            file[i + 6] = uint8_t(height);
            file[i + 7] = uint8_t(width >> 8);
            file[i + 8] = uint8_t(width);
            return;
        }
    ADD_FAILURE() << "no frame header";
}

int Channel(uint32_t pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xFF);
}

TEST_F(JPEGImageTest, QualityEightyRoundTripIsCloseAndOpaque)
{
    const int width = 64, height = 48;
    std::vector<uint32_t> pixels = Gradient(width, height, 0x20); // the alpha is dropped
    ImagePtr source = MakeImage(width, height, pixels);
    ASSERT_TRUE(ImageLib::WriteJPEGImage(mFolder / "out.jpg", source.get()));

    ImagePtr back(ImageLib::GetJPEGImage(mFolder / "out.jpg"));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->GetWidth(), width);
    ASSERT_EQ(back->GetHeight(), height);
    long total = 0;
    int worst = 0;
    for (size_t i = 0; i < pixels.size(); i++)
    {
        EXPECT_EQ(back->mBits[i] >> 24, 0xFFu);
        for (int shift : {0, 8, 16})
        {
            int error = std::abs(Channel(back->mBits[i], shift) - Channel(pixels[i], shift));
            total += error;
            worst = std::max(worst, error);
        }
    }
    EXPECT_LT(static_cast<double>(total) / (pixels.size() * 3), 2.0);
    EXPECT_LT(worst, 24);

    // Quality 80 with optimised tables: a baseline file well below the raw size.
    Bytes file = ReadFile(mFolder / "out.jpg");
    EXPECT_LT(file.size(), static_cast<size_t>(width * height * 3) / 4);
}

TEST_F(JPEGImageTest, GreyFilesReadAsOpaqueGrey)
{
    const unsigned width = 32, height = 16;
    Bytes grey;
    for (unsigned y = 0; y < height; y++)
        for (unsigned x = 0; x < width; x++)
            grey.push_back(static_cast<uint8_t>(x * 8));
    ASSERT_TRUE(WriteJPEGDirect(mFolder / "grey.jpg", width, height, 1, grey));
    ImagePtr image(ImageLib::GetJPEGImage(mFolder / "grey.jpg"));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->GetWidth(), 32);
    for (size_t i = 0; i < grey.size(); i++)
    {
        uint32_t p = image->mBits[i];
        EXPECT_EQ(p >> 24, 0xFFu);
        EXPECT_EQ(Channel(p, 0), Channel(p, 8));
        EXPECT_EQ(Channel(p, 0), Channel(p, 16));
        EXPECT_NEAR(Channel(p, 0), grey[i], 6);
    }
}

TEST_F(JPEGImageTest, ProgressiveFilesRead)
{
    Bytes rgb;
    for (uint32_t p : Gradient(24, 24))
        rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    ASSERT_TRUE(WriteJPEGDirect(mFolder / "prog.jpg", 24, 24, 3, rgb, true));
    ImagePtr image(ImageLib::GetJPEGImage(mFolder / "prog.jpg"));
    ASSERT_TRUE(image);
    EXPECT_NEAR(Channel(image->mBits[24 * 24 - 1], 16), rgb[rgb.size() - 3], 8);
}

TEST_F(JPEGImageTest, FourComponentFilesGiveNull)
{
    ASSERT_TRUE(WriteJPEGDirect(mFolder / "cmyk.jpg", 8, 8, 4, Bytes(8 * 8 * 4, 0x40)));
    EXPECT_FALSE(ImageLib::GetJPEGImage(mFolder / "cmyk.jpg"));
}

TEST_F(JPEGImageTest, BrokenFilesGiveNullAndCloseTheFile)
{
    Bytes whole = GoodFile(40, 40);
    ASSERT_TRUE(ReadBytes(whole));
    int openBefore = OpenFileCount();
    for (size_t size : {size_t(0), size_t(2), size_t(100), whole.size() / 2, whole.size() - 2})
        EXPECT_FALSE(ReadBytes(Bytes(whole.begin(), whole.begin() + size))) << "cut at " << size;
    EXPECT_FALSE(ReadBytes({'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'}));
    EXPECT_FALSE(ImageLib::GetJPEGImage(mFolder / "missing.jpg"));
    EXPECT_EQ(OpenFileCount(), openBefore);
}

TEST_F(JPEGImageTest, OversizedHeaderGivesNull)
{
    // 65535 x 65535 is refused by the library; 16384 x 16384 by the size cap.
    for (unsigned side : {65535u, 16384u})
    {
        Bytes patched = GoodFile(16, 16);
        SetSize(patched, side, side);
        EXPECT_FALSE(ReadBytes(patched)) << side;
    }
}

TEST_F(JPEGImageTest, HugeClaimsThatGiveNoPictureTakeNoMemory)
{
    // A file cut short, and a progressive CMYK file, whose whole scans the library would first read.
    Bytes cut = GoodFile(16, 16);
    cut.resize(cut.size() - 2);
    ASSERT_TRUE(WriteJPEGDirect(mFolder / "cmyk.jpg", 16, 16, 4, Noise(16 * 16 * 4, 9), true));
    for (Bytes file : {cut, ReadFile(mFolder / "cmyk.jpg")})
    {
        SetSize(file, 4096, 4096);
        PeakMemory peak;
        EXPECT_FALSE(ReadBytes(file));
        EXPECT_LT(peak.RiseKb(), 16 * 1024);
    }
}

TEST_F(JPEGImageTest, ScansPastTheLimitAreRefusedWithTheirOwnMessage)
{
    const int limit = ImageLib::kMaxJPEGScans;
    for (int scans : {limit, limit + 1})
    {
        ASSERT_TRUE(WriteJPEGDirect(mFolder / "scans.jpg", 16, 16, 1, Noise(16 * 16, 8), true, scans));
        testing::internal::CaptureStderr();
        ImagePtr image(ImageLib::GetJPEGImage(mFolder / "scans.jpg"));
        std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(image != nullptr, scans <= limit) << scans;
        EXPECT_EQ(said,
                  scans <= limit ? "" : "JPEG file has more than " + std::to_string(limit) + " scans\n");
    }
}

TEST_F(JPEGImageTest, WriterFailuresReturnFalse)
{
    // Wider than the format allows: the library fails inside the writer.
    ImagePtr wide = MakeImage(70000, 1, std::vector<uint32_t>(70000, 0xFF808080));
    int openBefore = OpenFileCount();
    EXPECT_FALSE(ImageLib::WriteJPEGImage(mFolder / "wide.jpg", wide.get()));
    ImagePtr noise = MakeImage(256, 256, std::vector<uint32_t>(256 * 256, 0xFF123456));
    for (size_t i = 0; i < 256 * 256; i++)
        noise->mBits[i] = Noise(1, static_cast<uint32_t>(i))[0] * 0x010101u;
    EXPECT_FALSE(ImageLib::WriteJPEGImage("/dev/full", noise.get()));
    EXPECT_EQ(OpenFileCount(), openBefore);
    EXPECT_FALSE(ImageLib::WriteJPEGImage(mFolder / "no/such/folder/x.jpg", noise.get()));
    EXPECT_FALSE(ImageLib::WriteJPEGImage(mFolder / "null.jpg", nullptr));
}
} // namespace
