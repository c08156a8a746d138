#include "../BigClaims.h"
#include "ImageTestFiles.h"

#include <gtest/gtest.h>

using namespace ImageTest;

namespace
{
class PNGImageTest : public ::testing::Test
{
protected:
    ImagePtr WriteAndRead(const PNGSpec& spec, const std::vector<Bytes>& rows)
    {
        std::string path = mFolder / "pic.png";
        EXPECT_TRUE(WritePNGDirect(path, spec, rows));
        return ImagePtr(ImageLib::GetPNGImage(path));
    }
    ImagePtr ReadBytes(const Bytes& bytes)
    {
        WriteFile(mFolder / "raw.png", bytes);
        return ImagePtr(ImageLib::GetPNGImage(mFolder / "raw.png"));
    }
    TempFolder mFolder;
};

TEST_F(PNGImageTest, WriterAndReaderRoundTripWithAlpha)
{
    std::vector<uint32_t> pixels;
    for (uint8_t value : Noise(37 * 23 * 4, 11))
        pixels.push_back(pixels.size() % 2 ? value * 0x01010101u : value * 0x00FF7F01u + 0x00010203u);
    pixels.resize(37 * 23);
    ImagePtr source = MakeImage(37, 23, pixels);
    ASSERT_TRUE(ImageLib::WritePNGImage(mFolder / "out.png", source.get()));

    ImagePtr back(ImageLib::GetPNGImage(mFolder / "out.png"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetWidth(), 37);
    EXPECT_EQ(back->GetHeight(), 23);
    EXPECT_EQ(Pixels(*back), pixels);

    // What was written is RGBA with 8 significant bits, read the same way by libpng itself.
    Bytes file = ReadFile(mFolder / "out.png");
    ASSERT_GT(file.size(), 33u);
    EXPECT_EQ(file[24], 8); // bit depth
    EXPECT_EQ(file[25], 6); // colour type RGBA
    EXPECT_EQ(file[28], 0); // no interlace
    EXPECT_NE(std::string(file.begin(), file.end()).find("sBIT"), std::string::npos);
}

TEST_F(PNGImageTest, RGBWithoutAlphaReadsOpaque)
{
    ImagePtr image =
        WriteAndRead({.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_RGB}, {{10, 20, 30, 200, 100, 0}});
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xFF0A141E, 0xFFC86400}));
}

TEST_F(PNGImageTest, PaletteWithTransparencyGivesPerPixelAlpha)
{
    PNGSpec spec{.width = 4, .height = 1, .colorType = PNG_COLOR_TYPE_PALETTE};
    spec.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    spec.transparency = {0, 128}; // entry 2 has no alpha: opaque
    ImagePtr image = WriteAndRead(spec, {{0, 1, 2, 1}});
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0x00FF0000, 0x8000FF00, 0xFF0000FF, 0x8000FF00}));

    // A 2-bit palette is expanded too.
    spec.bitDepth = 2;
    image = WriteAndRead(spec, {{0b00011001}});
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0x00FF0000, 0x8000FF00, 0xFF0000FF, 0x8000FF00}));
}

TEST_F(PNGImageTest, GreyReadsAsOpaqueGrey)
{
    ImagePtr image =
        WriteAndRead({.width = 3, .height = 1, .colorType = PNG_COLOR_TYPE_GRAY}, {{0, 0x7F, 0xFF}});
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xFF000000, 0xFF7F7F7F, 0xFFFFFFFF}));

    // Grey below 8 bits is scaled up: 4-bit 0x3 becomes 0x33.
    image =
        WriteAndRead({.width = 2, .height = 1, .bitDepth = 4, .colorType = PNG_COLOR_TYPE_GRAY}, {{0x3F}});
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xFF333333, 0xFFFFFFFF}));

    image = WriteAndRead({.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_GRAY_ALPHA},
                         {{0x40, 0x80, 0xC0, 0}});
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0x80404040, 0x00C0C0C0}));
}

TEST_F(PNGImageTest, SixteenBitChannelsAreStrippedToEight)
{
    Bytes row = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0,
                 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    ImagePtr image = WriteAndRead({.width = 2, .height = 1, .bitDepth = 16}, {row});
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xDE12569A, 0x07010305}));

    image = WriteAndRead({.width = 2, .height = 2, .bitDepth = 16, .colorType = PNG_COLOR_TYPE_GRAY},
                         {{0xAB, 0xCD, 0x00, 0xFF}, {0xFF, 0x00, 0x10, 0x10}});
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xFFABABAB, 0xFF000000, 0xFFFFFFFF, 0xFF101010}));
}

TEST_F(PNGImageTest, InterlacedFilesAreDeinterlaced)
{
    const unsigned width = 13, height = 11;
    Bytes noise = Noise(width * height * 4, 5);
    std::vector<Bytes> rows;
    std::vector<uint32_t> expected;
    for (unsigned y = 0; y < height; y++)
    {
        rows.emplace_back(noise.begin() + y * width * 4, noise.begin() + (y + 1) * width * 4);
        for (unsigned x = 0; x < width; x++)
        {
            const uint8_t* p = &rows.back()[x * 4];
            expected.push_back(uint32_t(p[3]) << 24 | p[0] << 16 | p[1] << 8 | p[2]);
        }
    }
    ImagePtr image = WriteAndRead({.width = width, .height = height, .interlaced = true}, rows);
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), expected);

    // Interlaced and 16-bit together.
    std::vector<Bytes> wide;
    for (const Bytes& row : rows)
    {
        Bytes w;
        for (uint8_t b : row)
            w.insert(w.end(), {b, static_cast<uint8_t>(~b)});
        wide.push_back(w);
    }
    image = WriteAndRead({.width = width, .height = height, .bitDepth = 16, .interlaced = true}, wide);
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), expected);
}

TEST_F(PNGImageTest, BrokenFilesGiveNullAndCloseTheFile)
{
    ImagePtr source = MakeImage(64, 64, Gradient(64, 64, 0x80));
    ASSERT_TRUE(ImageLib::WritePNGImage(mFolder / "good.png", source.get()));
    Bytes whole = ReadFile(mFolder / "good.png");
    int openBefore = OpenFileCount();
    for (size_t size :
         {size_t(0), size_t(7), size_t(30), whole.size() / 2, whole.size() - 13, whole.size() - 1})
        EXPECT_FALSE(ReadBytes(Bytes(whole.begin(), whole.begin() + size))) << "cut at " << size;
    Bytes corrupt = whole;
    corrupt[whole.size() / 2] ^= 0x55; // breaks the data's checksum
    EXPECT_FALSE(ReadBytes(corrupt));
    EXPECT_FALSE(ReadBytes({'n', 'o', 't', ' ', 'p', 'n', 'g'}));
    EXPECT_FALSE(ImageLib::GetPNGImage(mFolder / "missing.png"));
    EXPECT_EQ(OpenFileCount(), openBefore);
}

TEST_F(PNGImageTest, OversizedHeaderGivesNull)
{
    EXPECT_FALSE(ReadBytes(PNGHeaderOnly(65535, 65535)));
    EXPECT_FALSE(ReadBytes(PNGHeaderOnly(5000, 5000))); // above the size cap
    PeakMemory peak;
    EXPECT_FALSE(ReadBytes(PNGHeaderOnly(4096, 4096)));    // allowed, but the data are missing
    EXPECT_LT(peak.RiseKb(), 16 * 1024);                   // and so are the rows' 64 MB
    EXPECT_FALSE(ReadBytes(PNGHeaderOnly(0x7FFFFFFF, 1))); // refused by the library itself
}

// A 1x1 RGBA picture whose compressed data go on with `tail` zero bytes after its one row, in
// stored deflate blocks.
Bytes PNGWithDataAfterTheRow(size_t tail)
{
    Bytes raw = {0, 10, 20, 30, 255};
    raw.resize(raw.size() + tail, 0);
    Bytes zlib = {0x78, 0x01};
    for (size_t at = 0; at < raw.size(); at += 65535)
    {
        size_t n = std::min<size_t>(65535, raw.size() - at);
        zlib.insert(zlib.end(), {uint8_t(at + n == raw.size()), uint8_t(n), uint8_t(n >> 8), uint8_t(~n),
                                 uint8_t(~n >> 8)});
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + n);
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw)
    {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (uint32_t v = b << 16 | a, shift = 32; shift > 0; shift -= 8)
        zlib.push_back(uint8_t(v >> (shift - 8)));
    Bytes out = PNGHeaderOnly(1, 1);
    out.resize(33); // signature and header
    PutChunk(out, "IDAT", zlib);
    PutChunk(out, "IEND", {});
    return out;
}

TEST_F(PNGImageTest, ImageDataFarPastTheLastRowAreRefusedUninflated)
{
    ImagePtr image = ReadBytes(PNGWithDataAfterTheRow(1000));
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xFF0A141E}));
    EXPECT_FALSE(ReadBytes(PNGWithDataAfterTheRow(200000)));
}

TEST_F(PNGImageTest, WriterFailuresReturnFalse)
{
    ImagePtr image = MakeImage(256, 256, Gradient(256, 256));
    EXPECT_FALSE(ImageLib::WritePNGImage(mFolder / "no/such/folder/x.png", image.get()));
    int openBefore = OpenFileCount();
    EXPECT_FALSE(ImageLib::WritePNGImage("/dev/full", image.get())); // write error inside the library
    EXPECT_EQ(OpenFileCount(), openBefore);
    ImageLib::Image empty;
    EXPECT_FALSE(ImageLib::WritePNGImage(mFolder / "empty.png", &empty));
    EXPECT_FALSE(ImageLib::WritePNGImage(mFolder / "null.png", nullptr));
}
} // namespace
