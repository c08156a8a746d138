#include "DisplayFixture.h"

using namespace Lumo;

TEST_F(DisplayTest, ConversionToTheSurfaceAndBack)
{
    Windowed(16);
    DDImage* image = Picture(2, 1, {0xFFFF8040, 0xFF0000F8});
    ASSERT_NE(image->GetSurface(), nullptr);
    std::vector<uint32_t> stored = Read(image->mSurface);
    EXPECT_EQ(stored[0], 0xFC08u);
    EXPECT_EQ(stored[1], 0x001Fu);
    // Drawing leaves the pixels only in the surface; reading back gives alpha 255 and zero low bits.
    image->FillRect(Rect(1, 0, 1, 1), Color(255, 0, 0), DRAWMODE_NORMAL);
    EXPECT_EQ(image->mBits, nullptr);
    uint32_t* bits = image->GetBits();
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[0], 0xFFF88040u);
    EXPECT_EQ(bits[1], 0xFFF80000u); // a 5-bit red 31 reads back as 248
    EXPECT_EQ(bits[2], MemoryImage::kGuardWord);

    Windowed(32);
    DDImage* wide = Picture(1, 1, {0x80123456});
    wide->SetImageMode(false, false);
    wide->mForcedMode = true;
    ASSERT_NE(wide->GetSurface(), nullptr);
    EXPECT_EQ(Read(wide->mSurface)[0], 0x123456u); // alpha dropped
}

TEST_F(DisplayTest, KeyedPicturesReadBackClearPixelsAsClear)
{
    for (int bits : {16, 32})
    {
        Windowed(bits);
        // The first clear pixel's colour is also an opaque colour: the key must be another value.
        DDImage* image = Picture(3, 1, {0x00F80000, 0xFFF80000, 0xFF0000F8});
        ASSERT_TRUE(image->mHasTrans);
        ASSERT_NE(image->GetSurface(), nullptr) << bits;
        std::vector<uint32_t> stored = Read(image->mSurface);
        uint32_t red = bits == 16 ? 0xF800u : 0xF80000u;
        EXPECT_EQ(stored[1], red);
        EXPECT_NE(stored[0], red);
        EXPECT_NE(stored[0], stored[2]);
        // Keyed blits skip the clear pixel.
        DDImage* dest = Picture(3, 1, {0xFF00FF00});
        dest->Blt(image, 0, 0, Rect(0, 0, 3, 1), Color::White, DRAWMODE_NORMAL);
        uint32_t* out = dest->GetBits();
        EXPECT_EQ(out[0], 0xFF00FC00u | (bits == 32 ? 0x300u : 0u)) << bits;
        EXPECT_EQ(out[1], 0xFFF80000u);
        // Drop the memory copy: the picture lives in its surface and reads back clear where keyed.
        image->DeleteCaches();
        uint32_t* back = image->GetBits();
        EXPECT_EQ(back[0], 0x00000000u) << bits;
        EXPECT_EQ(back[1], 0xFFF80000u);
        EXPECT_EQ(back[2], 0xFF0000F8u);
    }
}

TEST_F(DisplayTest, SixteenBitKeySearchWithEveryValueInUseKeepsThePictureInMemory)
{
    Windowed(16);
    std::vector<uint32_t> pixels(257 * 256, 0x00000000);
    for (uint32_t v = 0; v < 65536; v++)
        pixels[v] = 0xFF000000 | ((v >> 11) << 19) | (((v >> 5) & 63) << 10) | ((v & 31) << 3);
    DDImage* image = Picture(257, 256, pixels);
    ASSERT_TRUE(image->mHasTrans);
    EXPECT_FALSE(image->CreateSurfaceFromBits());
    EXPECT_EQ(image->mSurface, nullptr);
    ASSERT_NE(image->mBits, nullptr);
    EXPECT_EQ(image->mBits[12345], pixels[12345]);
    // One value free again: the key takes it.
    pixels[0x1234] = 0;
    image->SetBits(pixels.data(), 257, 256, true);
    ASSERT_TRUE(image->CreateSurfaceFromBits());
    EXPECT_EQ(Read(image->mSurface)[65536], 0x1234u);
}

TEST_F(DisplayTest, LockFailureAfterCreationReleasesTheSurface)
{
    Windowed(32);
    DDImage* image = Picture(4, 4, {0xFF112233});
    PlatformTest::FailCall("Lock", 1);
    EXPECT_EQ(image->GetSurface(), nullptr);
    EXPECT_EQ(image->mSurface, nullptr);
    EXPECT_EQ(image->GetBits()[5], 0xFF112233u);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(Read(image->mSurface)[5], 0x112233u);
}

TEST_F(DisplayTest, NestedLocksLockTheSurfaceOnce)
{
    Windowed(32);
    DDImage* image = Picture(2, 2, {0xFF000000});
    ASSERT_TRUE(image->LockSurface());
    ASSERT_TRUE(image->LockSurface());
    EXPECT_EQ(image->mLockCount, 2);
    DDSURFACEDESC2 desc{};
    desc.dwSize = DDSURFACEDESC2_SIZE_32BIT;
    EXPECT_LT(image->mSurface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), 0); // already locked
    EXPECT_TRUE(image->UnlockSurface());
    EXPECT_LT(image->mSurface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), 0);
    EXPECT_TRUE(image->UnlockSurface());
    EXPECT_EQ(image->mSurface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    image->mSurface->Unlock(nullptr);
    EXPECT_FALSE(image->UnlockSurface());
}

TEST_F(DisplayTest, Routing)
{
    Windowed(32);
    // A picture with partial alpha never gets a surface; drawn onto a surface picture it goes through the
    // blend worker.
    DDImage* soft = Picture(2, 1, {0x80FF0000});
    EXPECT_EQ(soft->GetSurface(), nullptr);
    DDImage* dest = Picture(2, 1, {0xFF000000});
    ASSERT_NE(dest->GetSurface(), nullptr);
    dest->Blt(soft, 0, 0, Rect(0, 0, 2, 1), Color::White, DRAWMODE_NORMAL);
    EXPECT_NE(dest->mSurface, nullptr);
    EXPECT_EQ(dest->mBits, nullptr);
    EXPECT_EQ(Read(dest->mSurface)[0], 0x800000u);

    // Drawing to bits: the memory road, which makes the surface stale.
    dest->mDrawToBits = true;
    dest->FillRect(Rect(0, 0, 1, 1), Color(0, 255, 0), DRAWMODE_NORMAL);
    EXPECT_EQ(dest->mSurface, nullptr);
    EXPECT_EQ(dest->mBits[0], 0xFF00FF00u);
    dest->mDrawToBits = false;

    // A horizontal line from 10.7 to 3.2 fills (3, y, 8, 1).
    DDImage* line = Picture(16, 3, {0xFF000000});
    line->DrawLine(10.7, 1.0, 3.2, 1.0, Color(255, 255, 255), DRAWMODE_NORMAL);
    std::vector<uint32_t> row = Read(line->mSurface);
    for (int x = 0; x < 16; x++)
        EXPECT_EQ(row[size_t(16 + x)], x >= 3 && x <= 10 ? 0xFFFFFFu : 0u) << x;
    EXPECT_EQ(row[0], 0u);

    // A draw mode other than normal and additive draws nothing on the worker road.
    line->FillRect(Rect(0, 0, 16, 3), Color(255, 0, 0), 7);
    EXPECT_EQ(Read(line->mSurface)[0], 0u);

    // BltFloat off the 3-D screen equals BltRotated with angle 0.
    DDImage* a = Picture(8, 8, {0xFF000000});
    DDImage* b = Picture(8, 8, {0xFF000000});
    DDImage* src = Picture(4, 4, {0xFF20C040});
    Rect clip(0, 0, 8, 8);
    a->BltFloat(src, 1.5f, 2.25f, Rect(0, 0, 4, 4), clip, Color::White, DRAWMODE_NORMAL);
    b->BltRotated(src, 1.5f, 2.25f, Rect(0, 0, 4, 4), clip, Color::White, DRAWMODE_NORMAL, 0.0, 0.0f, 0.0f);
    EXPECT_EQ(Read(a->mSurface), Read(b->mSurface));
    EXPECT_NE(Read(a->mSurface), std::vector<uint32_t>(64, 0u));
}

TEST_F(DisplayTest, FastStretchTakesTheHardwareRoadOnlyWithTwoSurfaces)
{
    Windowed(32);
    DDImage* src = Picture(2, 1, {0xFFFF0000, 0xFF0000FF});
    ASSERT_NE(src->GetSurface(), nullptr);
    DDImage* dest = Picture(4, 1, {0xFF000000});
    ASSERT_NE(dest->GetSurface(), nullptr);
    // With a failing hardware blit the hardware road draws nothing: proof that it was taken.
    PlatformTest::FailCall("Blt", 1);
    dest->StretchBlt(src, Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White, DRAWMODE_NORMAL,
                     true);
    EXPECT_EQ(Read(dest->mSurface), (std::vector<uint32_t>{0, 0, 0, 0}));
    dest->StretchBlt(src, Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White, DRAWMODE_NORMAL,
                     true);
    EXPECT_EQ(Read(dest->mSurface), (std::vector<uint32_t>{0xFF0000, 0xFF0000, 0xFF, 0xFF}));

    // A memory source goes through the software stretch even when blits fail.
    MemoryImage plain;
    uint32_t green[2] = {0xFF00FF00, 0xFF00FF00};
    plain.SetBits(green, 2, 1, true);
    PlatformTest::FailCall("Blt");
    dest->StretchBlt(&plain, Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White,
                     DRAWMODE_NORMAL, true);
    EXPECT_EQ(Read(dest->mSurface), (std::vector<uint32_t>{0xFF00, 0xFF00, 0xFF00, 0xFF00}));

    // A destination that cannot have a surface (partial alpha) is stretched onto in memory.
    DDImage* soft = Picture(4, 1, {0x80000000});
    soft->StretchBlt(src, Rect(0, 0, 4, 1), Rect(0, 0, 2, 1), Rect(0, 0, 4, 1), Color::White, DRAWMODE_NORMAL,
                     true);
    EXPECT_EQ(soft->mSurface, nullptr);
    EXPECT_GT(soft->GetBits()[0] & 0xFFFFFF, 0xF00000u);
    EXPECT_LT(soft->GetBits()[0] & 0xFFFF, 0x10u);
    EXPECT_GT(soft->GetBits()[3] & 0xFFFFFF, 0xF0u);
    EXPECT_LT(soft->GetBits()[3] & 0xFFFF00, 0x1000u);
}

TEST_F(DisplayTest, ScreenPictureInVideoMemoryIgnoresSoftwareDrawing)
{
    DDInterface& d = Windowed(32);
    d.CreateDrawSurfaceImage(true);
    DDImage* screen = d.GetDrawSurfaceImage();
    ASSERT_TRUE(d.mVideoMemoryDraw);
    EXPECT_TRUE(screen->mNoSoftwareDraw);
    EXPECT_TRUE(screen->mVideoMemory);
    screen->FillRect(Rect(0, 0, 4, 4), Color(255, 0, 0), DRAWMODE_NORMAL);
    EXPECT_EQ(screen->GetBits(), nullptr);
    EXPECT_EQ(Read(d.mSecondarySurface)[0], 0u);
    // The hardware blit still runs.
    DDImage* src = Picture(2, 2, {0xFF00FF00});
    src->SetVideoMemory(true);
    ASSERT_NE(src->GetSurface(), nullptr);
    screen->Blt(src, 1, 1, Rect(0, 0, 2, 2), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(At(Read(d.mSecondarySurface), 320, 1, 1), 0xFF00u);
    ASSERT_TRUE(d.Redraw(nullptr));
    EXPECT_EQ(At(Read(d.mPrimarySurface), 640, 2, 2), 0xFF00u);
}

TEST_F(DisplayTest, PixelsMoveBetweenBitsAndSurface)
{
    Windowed(32);
    DDImage* image = Picture(2, 2, {0xFF102030, 0xFF405060});
    // Purged: the surface alone holds the picture, and the bits come back from it.
    image->GetSurface();
    image->PurgeBits();
    EXPECT_EQ(image->mBits, nullptr);
    ASSERT_NE(image->mSurface, nullptr);
    EXPECT_EQ(image->GetBits()[1], 0xFF405060u);
    // Edited bits make the surface stale; the next draw rebuilds it from them.
    image->GetBits()[0] = 0xFF0000FF;
    image->BitsChanged();
    EXPECT_EQ(image->mSurface, nullptr);
    ASSERT_NE(image->GetSurface(), nullptr);
    EXPECT_EQ(Read(image->mSurface)[0], 0xFFu);
    // Moving to video memory brings the pixels back to bits first.
    image->FillRect(Rect(0, 0, 1, 1), Color(0, 255, 0), DRAWMODE_NORMAL);
    image->SetVideoMemory(true);
    EXPECT_EQ(image->mSurface, nullptr);
    EXPECT_EQ(image->mBits[0], 0xFF00FF00u);
    ASSERT_NE(image->GetSurface(), nullptr);
    // ReInit makes the surface again for a picture that had one.
    image->ReInit();
    EXPECT_NE(image->mSurface, nullptr);
    // The screen's adopted surface is never dropped by the purge operations.
    DDImage* screen = display->GetDrawSurfaceImage();
    screen->PurgeBits();
    screen->DeleteNativeData();
    screen->DeleteExtraBuffers();
    EXPECT_NE(screen->mSurface, nullptr);
}

TEST_F(DisplayTest, KeyFromCornerAndThreeDimensionalRouting)
{
    DDInterface& d = Windowed(16);
    DDImage* keyed = Picture(3, 1, {0xFF00FF00, 0xFFFF0000, 0xFF00FF00});
    keyed->mKeyFromCorner = true;
    keyed->SetImageMode(true, false);
    keyed->mForcedMode = true;
    ASSERT_TRUE(keyed->GenerateSurface());
    DDImage* dest = Picture(3, 1, {0xFF0000FF});
    ASSERT_NE(dest->GetSurface(), nullptr);
    dest->Blt(keyed, 0, 0, Rect(0, 0, 3, 1), Color::White, DRAWMODE_NORMAL);
    // The corner's colour is the key: those pixels are skipped by the keyed blit.
    EXPECT_EQ(Read(dest->mSurface), (std::vector<uint32_t>{0x1F, 0xF800, 0x1F}));

    // With 3-D on, a cursor-area picture still takes the worker; any other picture the memory road.
    d.mIs3D = true;
    MemoryImage red;
    uint32_t pixel = 0xFFFF0000;
    red.SetBits(&pixel, 1, 1, true);
    d.mOldCursorAreaImage->Blt(&red, 0, 0, Rect(0, 0, 1, 1), Color::White, DRAWMODE_NORMAL);
    EXPECT_NE(d.mOldCursorAreaImage->mSurface, nullptr);
    EXPECT_EQ(Read(d.mOldCursorArea)[0], 0xF800u);
    dest->Blt(&red, 0, 0, Rect(0, 0, 1, 1), Color::White, DRAWMODE_NORMAL);
    EXPECT_EQ(dest->mSurface, nullptr);
    EXPECT_EQ(dest->mBits[0], 0xFFFF0000u);
    d.mIs3D = false;
}

TEST_F(DisplayTest, MatrixAndTriangleDrawingOnSixteenBitSurfaces)
{
    for (bool green6 : {true, false})
    {
        PlatformTest::SetDirectDraw565(green6);
        Windowed(16);
        DDImage* dest = Picture(8, 8, {0xFF000000});
        ASSERT_NE(dest->GetSurface(), nullptr);
        DDImage* src = Picture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
        dest->BltMatrix(src, 4, 4, LumoMatrix3(), Rect(0, 0, 8, 8), Color::White, DRAWMODE_NORMAL,
                        Rect(0, 0, 2, 2), false);
        std::vector<uint32_t> pixels = Read(dest->mSurface);
        uint32_t red = green6 ? 0xF800u : 0x7C00u, green = green6 ? 0x07E0u : 0x03E0u;
        // Centred on (3.5, 3.5): the texels land on (3..4, 3..4), nothing else is touched.
        EXPECT_EQ(At(pixels, 8, 3, 3), red) << green6;
        EXPECT_EQ(At(pixels, 8, 4, 3), green);
        EXPECT_EQ(At(pixels, 8, 3, 4), 0x1Fu);
        EXPECT_EQ(At(pixels, 8, 4, 4), red | green | 0x1Fu);
        EXPECT_EQ(At(pixels, 8, 2, 3), 0u);
        EXPECT_EQ(At(pixels, 8, 5, 4), 0u);

        // Untextured triangles blend their vertex colours over the 16-bit pixels.
        TriVertex tri[3] = {{0, 0, 0, 0, 0x80FFFFFF}, {16, 0, 0, 0, 0x80FFFFFF}, {0, 16, 0, 0, 0x80FFFFFF}};
        dest->DrawTexturedTriangles(nullptr, &tri, 1, Rect(0, 0, 8, 8), Color::White, DRAWMODE_NORMAL, 0, 0,
                                    true);
        uint32_t half = Read(dest->mSurface)[0];
        EXPECT_EQ(half >> (green6 ? 11 : 10), 15u) << std::hex << half; // 127 of 255 in five bits
        EXPECT_EQ(half & 0x1F, 15u);
    }
}

TEST_F(DisplayTest, CreateDropsTheOldPalette)
{
    Windowed(32);
    DDImage* image = Picture(2, 2, {0xFF000000, 0xFFFFFFFF});
    ASSERT_TRUE(image->Palletize());
    image->Create(64, 64);
    EXPECT_EQ(image->mColorTable, nullptr);
    EXPECT_EQ(image->mColorIndices, nullptr);
    uint32_t* bits = image->GetBits();
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[64 * 64 - 1], 0u);
    EXPECT_EQ(bits[64 * 64], MemoryImage::kGuardWord);
}

TEST_F(DisplayTest, ClearingTheScreenPictureKeepsTheDisplaysSurface)
{
    DDInterface& d = Windowed(32);
    DDImage* screen = d.GetDrawSurfaceImage();
    IDirectDrawSurface7* surface = screen->mSurface;
    screen->FillRect(Rect(0, 0, 320, 240), Color(255, 0, 0), DRAWMODE_NORMAL);
    screen->ClearRect(Rect(0, 0, 2, 1));
    EXPECT_EQ(screen->mSurface, surface);
    std::vector<uint32_t> pixels = Read(d.mDrawSurface);
    EXPECT_EQ(pixels[0], 0u);
    EXPECT_EQ(pixels[2], 0xFF0000u);
    // Later frames still reach the window.
    screen->FillRect(Rect(0, 0, 1, 1), Color(0, 0, 255), DRAWMODE_NORMAL);
    ASSERT_TRUE(d.Redraw(nullptr));
    EXPECT_EQ(Read(d.mPrimarySurface)[0], 0xFFu);
}

TEST_F(DisplayTest, PictureWhoseSurfaceWillNotLockDrawsAndGivesNothing)
{
    Windowed(32);
    // A keyed picture that lives only in its surface, and a partly transparent one in memory.
    DDImage* keyed = Picture(4, 4, {0x00000000, 0xFF112233});
    ASSERT_NE(keyed->GetSurface(), nullptr);
    keyed->DeleteCaches();
    ASSERT_EQ(keyed->mBits, nullptr);
    std::vector<uint32_t> surface = Read(keyed->mSurface);
    DDImage* memory = Picture(4, 4, {0x80445566, 0xFF778899});
    std::vector<uint32_t> pixels(memory->mBits, memory->mBits + 16);
    TriVertex triangle[1][3] = {
        {{0, 0, 0, 0, 0xFFFFFFFF}, {4, 0, 1, 0, 0xFFFFFFFF}, {0, 4, 0, 1, 0xFFFFFFFF}}};
    Rect all(0, 0, 4, 4);
    LumoMatrix3 identity;
    PlatformTest::FailCall("Lock");
    for (int mode : {DRAWMODE_NORMAL, DRAWMODE_ADDITIVE})
        for (const Color& color : {Color::White, Color(200, 100, 50, 128)})
        {
            keyed->FillRect(all, color, mode);
            keyed->DrawLine(0, 0, 3, 2, color, mode);
            for (auto [from, onto] : {std::pair{memory, keyed}, std::pair{keyed, memory}})
            {
                onto->Blt(from, 0, 0, all, color, mode);
                onto->StretchBlt(from, Rect(0, 0, 3, 3), all, all, color, mode, true);
                onto->StretchBlt(from, Rect(0, 0, 3, 3), all, all, color, mode, false);
                onto->BltRotated(from, 0, 0, all, all, color, mode, 0.5, 2, 2);
                onto->BltMatrix(from, 2, 2, identity, all, color, mode, all, false);
                onto->DrawTexturedTriangles(from, triangle, 1, all, color, mode, 0, 0, false);
            }
        }
    keyed->ClearRect(all);
    PlatformTest::ClearFailures();
    EXPECT_EQ(Read(keyed->mSurface), surface);
    EXPECT_EQ(std::vector<uint32_t>(memory->GetBits(), memory->GetBits() + 16), pixels);
}

TEST_F(DisplayTest, APictureWithoutASurfaceKeepsItsPixelsAndIsDrawnInMemory)
{
    Windowed(32);
    DDImage* opaque = Picture(4, 4, {0xFF112233});
    DDImage* soft = Picture(4, 4, {0x80112233}); // never gets a surface
    DDImage* from = Picture(4, 4, {0xFF445566});
    PlatformTest::FailCall("CreateSurface");
    opaque->FillRect(Rect(0, 0, 1, 1), Color(255, 0, 0), DRAWMODE_NORMAL);
    opaque->Blt(from, 2, 2, Rect(0, 0, 1, 1), Color::White, DRAWMODE_NORMAL);
    opaque->DrawLine(0, 3, 1, 2, Color(0, 255, 0), DRAWMODE_NORMAL);
    DDImage* rotated = Picture(4, 4, {0xFF112233});
    rotated->BltRotated(from, 1, 0, Rect(0, 0, 4, 4), Rect(0, 0, 4, 4), Color::White, DRAWMODE_NORMAL, 0.5, 2,
                        2);
    for (DDImage* onto : {opaque, soft})
    {
        onto->BltMirrored(from, 0, 0, Rect(0, 0, 4, 4), Color::White, DRAWMODE_NORMAL);
        onto->StretchBltMirrored(from, Rect(0, 0, 4, 4), Rect(0, 0, 4, 4), Rect(0, 0, 4, 4), Color::White,
                                 DRAWMODE_NORMAL, true);
    }
    PlatformTest::ClearFailures();
    ASSERT_NE(opaque->mBits, nullptr);
    EXPECT_EQ(opaque->mBits[0], 0xFFFF0000u);
    EXPECT_EQ(opaque->mBits[10], 0xFF445566u);
    EXPECT_EQ(opaque->mBits[12], 0xFF00FE00u);
    EXPECT_EQ(opaque->mBits[15], 0xFF112233u);
    MemoryImage expected;
    expected.SetBits(std::vector<uint32_t>(16, 0xFF112233).data(), 4, 4);
    expected.BltRotated(from, 1, 0, Rect(0, 0, 4, 4), Rect(0, 0, 4, 4), Color::White, DRAWMODE_NORMAL, 0.5, 2,
                        2);
    ASSERT_NE(rotated->mBits, nullptr);
    EXPECT_EQ(std::vector<uint32_t>(rotated->mBits, rotated->mBits + 16),
              std::vector<uint32_t>(expected.mBits, expected.mBits + 16));
    EXPECT_NE(rotated->mBits[5], 0xFF112233u);
    ASSERT_NE(soft->mBits, nullptr);
    EXPECT_EQ(soft->mBits[5], 0x80112233u);
}
