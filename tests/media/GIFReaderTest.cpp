#include "ImageTestFiles.h"

#include <gtest/gtest.h>

using namespace ImageTest;

namespace
{
uint32_t Opaque(uint32_t rgb)
{
    return 0xFF000000 | rgb;
}

class GIFReaderTest : public ::testing::Test
{
protected:
    ImagePtr Read(const Bytes& bytes)
    {
        WriteFile(mFolder / "pic.gif", bytes);
        return ImagePtr(ImageLib::GetGIFImage(mFolder / "pic.gif"));
    }
    // A w x h picture of the given indices with a 256-entry ramp as the global table.
    Bytes Simple(unsigned width, unsigned height, const std::vector<uint8_t>& indices,
                 bool interlaced = false)
    {
        return GIFWriter()
            .Header(width, height, RampTable(256))
            .Image(width, height, interlaced)
            .Data(8, EncodeLZW(indices, 8))
            .Trailer();
    }
    std::vector<uint32_t> Colours(const std::vector<uint8_t>& indices, const std::vector<uint32_t>& table)
    {
        std::vector<uint32_t> out;
        for (uint8_t i : indices)
            out.push_back(Opaque(table[i]));
        return out;
    }
    TempFolder mFolder;
};

TEST_F(GIFReaderTest, GlobalTableGivesExactPixels)
{
    std::vector<uint32_t> table = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
    std::vector<uint8_t> indices = {0, 1, 2, 3, 3, 2, 1, 0, 0, 0, 0, 1};
    for (const char* signature : {"GIF87a", "GIF89a"})
    {
        ImagePtr image = Read(
            GIFWriter().Header(4, 3, table, signature).Image(4, 3).Data(2, EncodeLZW(indices, 2)).Trailer());
        ASSERT_TRUE(image) << signature;
        EXPECT_EQ(image->GetWidth(), 4);
        EXPECT_EQ(image->GetHeight(), 3);
        EXPECT_EQ(Pixels(*image), Colours(indices, table));
    }
}

TEST_F(GIFReaderTest, LocalTableWinsAndExtensionsAreSkipped)
{
    std::vector<uint32_t> global = {0x111111, 0x222222};
    std::vector<uint32_t> local = {0xABCDEF, 0x123456, 0x00FF00, 0xFF00FF};
    std::vector<uint8_t> indices = {3, 2, 1, 0, 1, 2};
    Bytes bytes = GIFWriter()
                      .Header(10, 10, global)
                      .Application()
                      .Comment(std::string(300, 'c'))
                      .Raw({0x00, 0x7F}) // stray bytes between blocks are passed over
                      .Image(3, 2, false, local)
                      .Data(2, EncodeLZW(indices, 2))
                      .Trailer();
    ImagePtr image = Read(bytes);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetWidth(), 3);
    EXPECT_EQ(image->GetHeight(), 2);
    EXPECT_EQ(Pixels(*image), Colours(indices, local));
}

TEST_F(GIFReaderTest, TransparentIndexGivesZero)
{
    std::vector<uint32_t> table = {0xFFFFFF, 0x00FF00, 0x0000FF, 0x808080};
    std::vector<uint8_t> indices = {0, 1, 0, 2};
    ImagePtr image = Read(GIFWriter()
                              .Header(2, 2, table)
                              .GraphicControl(0)
                              .Image(2, 2)
                              .Data(2, EncodeLZW(indices, 2))
                              .Trailer());
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0, Opaque(0x00FF00), 0, Opaque(0x0000FF)}));

    // A control block without the transparency bit changes nothing.
    image = Read(GIFWriter()
                     .Header(2, 2, table)
                     .GraphicControl(-1)
                     .Image(2, 2)
                     .Data(2, EncodeLZW(indices, 2))
                     .Trailer());
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), Colours(indices, table));
}

TEST_F(GIFReaderTest, InterlacedRowsGoInPassOrder)
{
    // One column: the n-th transmitted row carries index 10 + n.
    ImagePtr image = Read(Simple(1, 5, {10, 11, 12, 13, 14}, true));
    ASSERT_TRUE(image);
    std::vector<uint32_t> table = RampTable(256);
    EXPECT_EQ(Pixels(*image), Colours({10, 13, 12, 14, 11}, table)); // rows 0, 4, 2, 1, 3

    image = Read(Simple(1, 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, true));
    ASSERT_TRUE(image);
    // Transmission order: 0 8 | 4 | 2 6 | 1 3 5 7 9.
    EXPECT_EQ(Pixels(*image), Colours({0, 5, 3, 6, 2, 7, 4, 8, 1, 9}, table));

    // Passes that start below the last row are skipped.
    for (unsigned height : {1u, 2u, 3u})
    {
        image = Read(Simple(2, height, std::vector<uint8_t>{20, 20, 21, 21, 22, 22}, true));
        ASSERT_TRUE(image) << height;
        std::vector<uint8_t> expected;
        std::vector<int> order = height == 1   ? std::vector<int>{0}
                                 : height == 2 ? std::vector<int>{0, 1}
                                               : std::vector<int>{0, 2, 1}; // row 2 comes in pass 3
        for (int row : order)
            expected.insert(expected.end(), 2, static_cast<uint8_t>(20 + row));
        EXPECT_EQ(Pixels(*image), Colours(expected, table)) << height;
    }
}

TEST_F(GIFReaderTest, FullCodeTableGoesOnWithTwelveBitCodes)
{
    // Random pixels fill the 4096-entry table well before the end.
    std::vector<uint8_t> indices = Noise(128 * 128, 7);
    std::vector<uint32_t> table = RampTable(256);
    for (bool clearWhenFull : {false, true})
    {
        Bytes bytes = GIFWriter()
                          .Header(128, 128, table)
                          .Image(128, 128)
                          .Data(8, EncodeLZW(indices, 8, clearWhenFull))
                          .Trailer();
        ImagePtr image = Read(bytes);
        ASSERT_TRUE(image);
        EXPECT_EQ(Pixels(*image), Colours(indices, table)) << "clear when full: " << clearWhenFull;
    }
}

TEST_F(GIFReaderTest, LongRunsDecodeThroughTheOutputStack)
{
    std::vector<uint8_t> indices(256 * 64, 5); // strings grow to hundreds of pixels
    indices[1000] = 6;
    ImagePtr image = Read(Simple(256, 64, indices));
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), Colours(indices, RampTable(256)));
}

TEST_F(GIFReaderTest, MinimumCodeSizeOutsideTwoToEightGivesNull)
{
    std::vector<uint32_t> table = {0, 0xFFFFFF};
    for (int size : {0, 1, 9, 12, 255})
    {
        Bytes bytes = GIFWriter().Header(1, 1, table).Image(1, 1).Data(size, {0x01, 0x02, 0x03}).Trailer();
        EXPECT_FALSE(Read(bytes)) << size;
    }
}

TEST_F(GIFReaderTest, FirstCodeAfterClearMustBeARootCode)
{
    // m = 2: clear 4, end 5, first free 6. After the clear comes code 6, no root.
    CodeWriter codes;
    codes.Put(4, 3);
    codes.Put(6, 3);
    codes.Put(1, 3);
    codes.Put(5, 3);
    std::vector<uint32_t> table = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    ImagePtr image = Read(GIFWriter().Header(2, 1, table).Image(2, 1).Data(2, codes.Finish()).Trailer());
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0, 0})); // decoding stopped; nothing written

    // The end and clear codes cannot start a string either.
    CodeWriter endFirst;
    endFirst.Put(5, 3);
    image = Read(GIFWriter().Header(2, 1, table).Image(2, 1).Data(2, endFirst.Finish()).Trailer());
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0, 0}));
}

TEST_F(GIFReaderTest, CodeBeyondTheTableEndsDecoding)
{
    CodeWriter codes;
    codes.Put(4, 3);
    codes.Put(2, 3); // pixel: index 2
    codes.Put(7, 3); // first free is 6: 7 is not in the table
    codes.Put(1, 3);
    std::vector<uint32_t> table = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    ImagePtr image = Read(GIFWriter().Header(3, 1, table).Image(3, 1).Data(2, codes.Finish()).Trailer());
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{Opaque(0x0000FF), 0, 0}));
}

TEST_F(GIFReaderTest, ExtraPixelsAfterTheLastRowAreIgnored)
{
    std::vector<uint8_t> indices = Noise(100, 3, 4);
    std::vector<uint32_t> table = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    ImagePtr image =
        Read(GIFWriter().Header(3, 3, table).Image(3, 3).Data(2, EncodeLZW(indices, 2)).Trailer());
    ASSERT_TRUE(image);
    indices.resize(9);
    EXPECT_EQ(Pixels(*image), Colours(indices, table));
}

TEST_F(GIFReaderTest, DataThatStopEarlyKeepTheRowsDecoded)
{
    std::vector<uint32_t> table = RampTable(256);
    std::vector<uint8_t> indices = {1, 2, 3, 4, 5}; // 5 of 8 pixels
    ImagePtr image = Read(Simple(4, 2, indices));
    ASSERT_TRUE(image);
    std::vector<uint32_t> expected = Colours(indices, table);
    expected.resize(8, 0);
    EXPECT_EQ(Pixels(*image), expected);
}

TEST_F(GIFReaderTest, NoColourTableGivesOpaqueBlack)
{
    ImagePtr image = Read(GIFWriter().Header(2, 1, {}).Image(2, 1).Data(2, EncodeLZW({1, 3}, 2)).Trailer());
    ASSERT_TRUE(image);
    EXPECT_EQ(Pixels(*image), (std::vector<uint32_t>{0xFF000000, 0xFF000000}));
}

TEST_F(GIFReaderTest, BrokenFilesGiveNull)
{
    std::vector<uint32_t> table = {0, 0xFFFFFF};
    EXPECT_FALSE(Read(GIFWriter().Header(4, 4, table).Trailer())); // trailer only
    EXPECT_FALSE(Read(GIFWriter().Header(4, 4, table).Get()));     // ends before any image
    EXPECT_FALSE(
        Read(GIFWriter().Header(4, 4, table, "GIF88a").Image(1, 1).Data(2, EncodeLZW({1}, 2)).Trailer()));
    EXPECT_FALSE(Read(GIFWriter().Header(4, 4, table).Image(0, 4).Data(2, EncodeLZW({1}, 2)).Trailer()));
    EXPECT_FALSE(Read(GIFWriter().Header(4, 4, table).Image(4, 0).Data(2, EncodeLZW({1}, 2)).Trailer()));
    // 65535 x 65535 would need 16 GB.
    EXPECT_FALSE(
        Read(GIFWriter().Header(4, 4, table).Image(65535, 65535).Data(2, EncodeLZW({1}, 2)).Trailer()));

    // Every cut of a good file inside the headers or the tables.
    GIFWriter head =
        GIFWriter().Header(40, 40, table).Comment("x").Image(40, 40, false, {0, 0xFF, 0xFF00, 0xFF0000});
    for (size_t size = 0; size < head.Get().size(); size++)
        EXPECT_FALSE(Read(Bytes(head.Get().begin(), head.Get().begin() + size))) << "cut at " << size;
}

TEST_F(GIFReaderTest, AFileCutInsideItsImageDataKeepsThePixelsDecoded)
{
    std::vector<uint32_t> table = {0, 0xFF, 0xFF00, 0xFF0000};
    std::vector<uint8_t> indices = Noise(1600, 9, 4);
    GIFWriter head = GIFWriter().Header(40, 40, {}).Image(40, 40, false, table);
    Bytes whole = GIFWriter(head).Data(2, EncodeLZW(indices, 2)).Get(); // no trailer
    ImagePtr image = Read(whole);
    ASSERT_TRUE(image);
    std::vector<uint32_t> all = Pixels(*image);
    EXPECT_EQ(all, Colours(indices, table));
    size_t decoded = 0;
    for (size_t size = head.Get().size(); size < whole.size(); size += 7)
    {
        ImagePtr cut = Read(Bytes(whole.begin(), whole.begin() + size));
        ASSERT_TRUE(cut) << "cut at " << size;
        // The pixels of the whole sub-blocks read, then nothing; more of them the later the cut.
        std::vector<uint32_t> pixels = Pixels(*cut);
        size_t same = std::mismatch(pixels.begin(), pixels.end(), all.begin()).first - pixels.begin();
        EXPECT_TRUE(std::all_of(pixels.begin() + same, pixels.end(), [](uint32_t p) { return p == 0; }));
        EXPECT_GE(same, decoded) << "cut at " << size;
        decoded = same;
    }
    EXPECT_GT(decoded, 0u);
}

TEST_F(GIFReaderTest, DataBlockReadsCountThenBytes)
{
    WriteFile(mFolder / "blocks", {3, 'a', 'b', 'c', 0, 5, 'x'});
    FILE* file = std::fopen((mFolder / "blocks").c_str(), "rb");
    ASSERT_TRUE(file);
    uint8_t buffer[256];
    EXPECT_EQ(ImageLib::GIFGetDataBlock(file, buffer), 3);
    EXPECT_EQ(std::string(buffer, buffer + 3), "abc");
    EXPECT_EQ(ImageLib::GIFGetDataBlock(file, buffer), 0); // terminator
    EXPECT_EQ(ImageLib::GIFGetDataBlock(file, buffer), 0); // short block
    EXPECT_EQ(ImageLib::GIFGetDataBlock(file, buffer), 0); // end of file
    std::fclose(file);
}
} // namespace
