#include "TestRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace Lumo;

TEST(MemoryImageStorage, GuardWordAndRegistration)
{
    TestRegistry app;
    {
        MemoryImage image(&app);
        EXPECT_EQ(app.mImages.count(&image), 1u);
        EXPECT_EQ(image.mBits, nullptr);
        image.mWidth = 4;
        image.mHeight = 3;
        uint32_t* bits = image.GetBits();
        for (int i = 0; i < 12; i++)
            EXPECT_EQ(bits[i], 0u);
        EXPECT_EQ(bits[12], 0x4BEEFADEu);
        MemoryImage copy(image);
        EXPECT_EQ(app.mImages.size(), 2u);
        EXPECT_NE(copy.mBits, image.mBits);
        EXPECT_EQ(copy.mBits[12], 0x4BEEFADEu);
    }
    EXPECT_TRUE(app.mImages.empty());
    EXPECT_EQ(app.mReleased, 2);
}

TEST(MemoryImageStorage, CommitAndForcedMode)
{
    MemoryImage image;
    const uint32_t opaque[4] = {0xFF000000, 0xFF112233, 0xFFFFFFFF, 0xFF000001};
    image.SetBits(opaque, 2, 2, false);
    EXPECT_FALSE(image.mHasTrans);
    EXPECT_FALSE(image.mHasAlpha);
    const uint32_t mixed[4] = {0x00000000, 0x80112233, 0xFFFFFFFF, 0xFF000001};
    image.SetBits(mixed, 2, 2, false);
    EXPECT_FALSE(image.mHasTrans);
    image.CommitBits();
    EXPECT_TRUE(image.mHasTrans);
    EXPECT_TRUE(image.mHasAlpha);
    EXPECT_EQ(image.mBits[4], 0x4BEEFADEu);

    image.SetImageMode(true, false);
    image.SetBits(opaque, 2, 2, true);
    EXPECT_TRUE(image.mHasTrans);
    EXPECT_FALSE(image.mHasAlpha);
}

TEST(MemoryImageStorage, CreateStartsEmptyAndDropsPalette)
{
    std::unique_ptr<MemoryImage> image(MakeImage(2, 2, {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFF0000FF}));
    ASSERT_TRUE(image->Palletize());
    ASSERT_TRUE(image->IsPalette());
    image->Create(8, 8);
    EXPECT_EQ(image->mColorTable, nullptr);
    EXPECT_EQ(image->mColorIndices, nullptr);
    uint32_t* bits = image->GetBits();
    for (int i = 0; i < 64; i++)
        ASSERT_EQ(bits[i], 0u);
    EXPECT_EQ(bits[64], 0x4BEEFADEu);
    EXPECT_TRUE(image->mHasTrans);
    EXPECT_TRUE(image->mHasAlpha);
}

TEST(MemoryImageStorage, RunLengthAlphaRows)
{
    std::unique_ptr<MemoryImage> image(MakeImage(
        6, 2, {0x00000000, 0x00FFFFFF, 0xFF000000, 0x80000000, 0x80FFFFFF, 0x01000000, 0xFFFFFFFF}));
    const uint8_t* runs = image->GetRLAlphaData();
    EXPECT_EQ(std::vector<uint8_t>(runs, runs + 12),
              (std::vector<uint8_t>{2, 1, 1, 3, 2, 1, 6, 5, 4, 3, 2, 1}));

    std::vector<uint32_t> row(300, 0xFF123456);
    MemoryImage wide;
    wide.SetBits(row.data(), 300, 1, true);
    const uint8_t* long_runs = wide.GetRLAlphaData();
    for (int i = 0; i < 46; i++)
        EXPECT_EQ(long_runs[i], 255);
    for (int i = 46; i < 300; i++)
        ASSERT_EQ(long_runs[i], 300 - i);

    std::unique_ptr<MemoryImage> column(MakeImage(1, 3, {0x00000000, 0xFF000000, 0x80000000}));
    const uint8_t* ones = column->GetRLAlphaData();
    EXPECT_EQ(std::vector<uint8_t>(ones, ones + 3), (std::vector<uint8_t>{1, 1, 1}));

    // A change drops the derived table.
    image->BitsChanged();
    EXPECT_EQ(image->mRLAlphaData, nullptr);
}

TEST(MemoryImageStorage, RunLengthAdditiveRows)
{
    std::unique_ptr<MemoryImage> image(
        MakeImage(5, 1, {0xFF000000, 0x00FFFFFF, 0xFF010000, 0x80000100, 0x00000000}));
    const uint8_t* runs = image->GetRLAdditiveData(nullptr);
    // Transparent colour is premultiplied away: classes 0, 1 (255 * 1 >> 8 = 0 -> 0), ...
    EXPECT_EQ(image->mNativeAlphaData[1] & 0xFFFFFF, 0u);
    EXPECT_EQ(std::vector<uint8_t>(runs, runs + 5), (std::vector<uint8_t>{2, 1, 1, 2, 1}));
}

TEST(MemoryImageStorage, PaletteLimitAndRoundTrip)
{
    std::vector<uint32_t> colors;
    for (uint32_t i = 0; i < 256; i++)
        colors.push_back(0xFF000000 | (i * 0x010203));
    // Mixed order and repeats keep first-seen table order.
    std::vector<uint32_t> pixels;
    for (int i = 255; i >= 0; i--)
        pixels.push_back(colors[size_t(i)]);
    pixels.insert(pixels.end(), colors.begin(), colors.end());
    MemoryImage image;
    image.SetBits(pixels.data(), 32, 16, true);
    ASSERT_TRUE(image.Palletize());
    EXPECT_TRUE(image.mWantPal);
    EXPECT_EQ(image.mBits, nullptr);
    EXPECT_EQ(image.mPaletteSize, 256);
    EXPECT_EQ(image.mColorTable[0], colors[255]);
    EXPECT_EQ(image.mColorIndices[256], 255);
    uint32_t* back = image.GetBits();
    EXPECT_EQ(std::vector<uint32_t>(back, back + 512), pixels);
    EXPECT_FALSE(image.IsPalette());
    EXPECT_TRUE(image.mWantPal);

    pixels[7] = 0x12345678; // the 257th colour
    MemoryImage tooMany;
    tooMany.SetBits(pixels.data(), 32, 16, true);
    EXPECT_FALSE(tooMany.Palletize());
    EXPECT_FALSE(tooMany.mWantPal);
    ASSERT_NE(tooMany.mBits, nullptr);
    EXPECT_EQ(tooMany.mBits[7], 0x12345678u);
    EXPECT_EQ(tooMany.mColorTable, nullptr);
}

TEST(MemoryImageStorage, PaletteFlagsLookOnlyAtUsedEntries)
{
    std::unique_ptr<MemoryImage> image(MakeImage(2, 1, {0xFF102030, 0xFF405060}));
    ASSERT_TRUE(image->Palletize());
    image->BitsChanged();
    image->CommitBits();
    EXPECT_FALSE(image->mHasTrans);
    EXPECT_FALSE(image->mHasAlpha);
    uint32_t* native = image->GetNativeAlphaData(nullptr);
    EXPECT_EQ(native[0], 0xFF102030u);
    EXPECT_EQ(native[2], 0u);
}

TEST(MemoryImageStorage, NativeDataRoundTripIsLossyForPartialAlpha)
{
    TestRegistry app;
    std::unique_ptr<MemoryImage> image(MakeImage(3, 1, {0xFF336699, 0x80FF8000, 0x00FFFFFF}, &app));
    uint32_t* native = image->GetNativeAlphaData(nullptr);
    EXPECT_EQ(native[0], 0xFF336699u);
    EXPECT_EQ(native[1], 0x80804000u);
    EXPECT_EQ(native[2], 0x00000000u);
    image->PurgeBits();
    EXPECT_EQ(image->mBits, nullptr);
    EXPECT_TRUE(image->mPurgeBits);
    uint32_t* back = image->GetBits();
    EXPECT_EQ(back[0], 0xFF336699u);
    // 255 premultiplied by 129/256 gives 128, which divides back to 254; 128 gives 64, then 127.
    EXPECT_EQ(back[1], 0x80FE7F00u);
    EXPECT_EQ(back[2], 0x00000000u);
    EXPECT_NE(image->mNativeAlphaData, nullptr);
}

TEST(MemoryImageStorage, NativeDataForSixteenBitDisplay)
{
    NativeDisplay d;
    d.SetFormat(16, 0xF800, 0x07E0, 0x001F);
    std::unique_ptr<MemoryImage> image(MakeImage(1, 1, {0xFFFFFFFF}));
    EXPECT_EQ(image->GetNativeAlphaData(&d)[0], 0xFF00FFFFu);
}

TEST(MemoryImageStorage, PurgeWithThreeDKeepsTexture)
{
    TestRegistry app;
    app.m3D = true;
    std::unique_ptr<MemoryImage> image(MakeImage(2, 1, {0xFF000000, 0xFFFFFFFF}, &app));
    image->PurgeBits();
    EXPECT_NE(image->mBits, nullptr); // no texture yet: nothing to purge
    int texture = 0;
    image->mTextureData = &texture;
    app.mTextureCurrent = false; // made before the bits last changed: they stay
    image->PurgeBits();
    EXPECT_NE(image->mBits, nullptr);
    app.mTextureCurrent = true;
    image->PurgeBits();
    EXPECT_EQ(image->mBits, nullptr);
    app.mCopyTexture = true;
    EXPECT_EQ(image->GetBits()[1], 0xFF00FF00u);
    image->Delete3DBuffers();
    EXPECT_EQ(image->mTextureData, nullptr);
}

TEST(MemoryImageStorage, ReInitRestoresPaletteForm)
{
    std::unique_ptr<MemoryImage> image(MakeImage(2, 1, {0xFF000000, 0xFFFFFFFF}));
    ASSERT_TRUE(image->Palletize());
    image->GetBits();
    EXPECT_FALSE(image->IsPalette());
    image->ReInit();
    EXPECT_TRUE(image->IsPalette());
    image->DeleteExtraBuffers();
    EXPECT_TRUE(image->IsPalette());

    MemoryImage copy(*image);
    EXPECT_TRUE(copy.IsPalette());
    EXPECT_EQ(copy.mBits, nullptr);
    EXPECT_EQ(copy.GetBits()[1], 0xFFFFFFFFu);
}

TEST(MemoryImageStorage, ClearAndChangeCount)
{
    std::unique_ptr<MemoryImage> image(MakeImage(2, 2, {0xFFFFFFFF}));
    int before = image->mBitsChangedCount;
    image->Clear();
    EXPECT_EQ(image->mBitsChangedCount, before + 1);
    EXPECT_TRUE(image->mBitsChanged);
    EXPECT_EQ(image->mBits[3], 0u);
}
