#include "DDrawSupport.h"

#include <thread>

namespace
{
struct Layout
{
    int desktopBits;
    bool green6;
    DWORD bits, red, green, blue;
};

class DDrawFormats : public DDrawTest, public ::testing::WithParamInterface<Layout>
{
};
} // namespace

TEST_P(DDrawFormats, SurfacesTakeTheDisplayLayout)
{
    const Layout& layout = GetParam();
    PlatformTest::SetDirectDraw565(layout.green6);
    UseDesktop(layout.desktopBits);
    for (IDirectDrawSurface7* surface : {Primary(), Offscreen(3, 2)})
    {
        ASSERT_NE(surface, nullptr);
        DDSURFACEDESC2 desc{};
        desc.dwSize = DDSURFACEDESC2_SIZE_32BIT;
        ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
        EXPECT_EQ(desc.dwSize, DWORD(DDSURFACEDESC2_SIZE_32BIT));
        EXPECT_EQ(desc.dwFlags & (DDSD_PIXELFORMAT | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH),
                  DWORD(DDSD_PIXELFORMAT | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH));
        EXPECT_EQ(desc.ddpfPixelFormat.dwFlags, DWORD(DDPF_RGB));
        EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, layout.bits);
        EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, layout.red);
        EXPECT_EQ(desc.ddpfPixelFormat.dwGBitMask, layout.green);
        EXPECT_EQ(desc.ddpfPixelFormat.dwBBitMask, layout.blue);
        // Rows start on 4-byte boundaries.
        EXPECT_EQ(desc.lPitch, LONG((desc.dwWidth * layout.bits / 8 + 3) & ~3u));
        EXPECT_EQ(surface->Release(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, DDrawFormats,
                         ::testing::Values(Layout{16, true, 16, 0xF800, 0x07E0, 0x001F},
                                           Layout{16, false, 16, 0x7C00, 0x03E0, 0x001F},
                                           Layout{32, true, 32, 0xFF0000, 0xFF00, 0xFF}),
                         [](const ::testing::TestParamInfo<Layout>& info) {
                             return info.param.bits == 32 ? "Bits888"
                                    : info.param.green6   ? "Bits565"
                                                          : "Bits555";
                         });

TEST_F(DDrawTest, PrimaryIsTheScreenAndOnlyOne)
{
    IDirectDrawSurface7* primary = Primary();
    ASSERT_NE(primary, nullptr);
    DDSURFACEDESC desc{};
    desc.dwSize = DDSURFACEDESC_SIZE_32BIT;
    IDirectDrawSurface* first = nullptr;
    ASSERT_EQ(primary->QueryInterface(IID_IDirectDrawSurface, (void**)&first), DD_OK);
    ASSERT_EQ(first->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, 640u);
    EXPECT_EQ(desc.dwHeight, 480u);
    EXPECT_EQ(desc.ddsCaps.dwCaps & (DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY),
              DWORD(DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY));

    DDSURFACEDESC2 again = Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
    IDirectDrawSurface7* second = reinterpret_cast<IDirectDrawSurface7*>(1);
    EXPECT_EQ(dd->CreateSurface(&again, &second, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
    EXPECT_EQ(second, nullptr);
    // A primary's size is the screen's: asking for one is wrong.
    first->Release();
    EXPECT_EQ(primary->Release(), 0u);
    DDSURFACEDESC2 sized = Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_PRIMARYSURFACE, 10, 10);
    EXPECT_EQ(dd->CreateSurface(&sized, &second, nullptr), DDERR_INVALIDPARAMS);
    // Once released, a new primary can be made; another DirectDraw object has a primary of its own.
    IDirectDrawSurface7* third = Primary();
    ASSERT_NE(third, nullptr);
    void* made = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr), DD_OK);
    auto* other = static_cast<IDirectDraw7*>(made);
    other->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
    IDirectDrawSurface7* fourth = nullptr;
    ASSERT_EQ(other->CreateSurface(&again, &fourth, nullptr), DD_OK);
    fourth->Release();
    other->Release();
    third->Release();
}

TEST_F(DDrawTest, EightAndTwentyFourBitDesktopsOnlyGiveAPrimary)
{
    for (int bits : {8, 24})
    {
        UseDesktop(bits);
        IDirectDrawSurface7* primary = Primary();
        ASSERT_NE(primary, nullptr);
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        ASSERT_EQ(primary->GetSurfaceDesc(&desc), DD_OK);
        EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, DWORD(bits));
        EXPECT_EQ(Fill(primary, nullptr, 0), DDERR_UNSUPPORTEDFORMAT);

        DDSURFACEDESC2 plain = Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN, 4, 4);
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(dd->CreateSurface(&plain, &surface, nullptr), DDERR_INVALIDPIXELFORMAT);
        EXPECT_EQ(surface, nullptr);
        primary->Release();
    }
}

TEST_F(DDrawTest, RequestedFormatsAndBadRequests)
{
    DDSURFACEDESC2 desc =
        Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT, DDSCAPS_OFFSCREENPLAIN, 5, 5);
    desc.ddpfPixelFormat = Format(16, 0x7C00, 0x03E0, 0x001F);
    IDirectDrawSurface7* surface = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
    DDSURFACEDESC2 read{};
    read.dwSize = sizeof(read);
    surface->GetSurfaceDesc(&read);
    EXPECT_EQ(read.ddpfPixelFormat.dwRBitMask, 0x7C00u);
    surface->Release();

    for (DDPIXELFORMAT bad :
         {Format(24, 0xFF0000, 0xFF00, 0xFF), Format(16, 0xF800, 0x07C0, 0x003F), Format(8, 0, 0, 0)})
    {
        desc.ddpfPixelFormat = bad;
        EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPIXELFORMAT);
        EXPECT_EQ(surface, nullptr);
    }
    desc.ddpfPixelFormat = Format(32, 0xFF0000, 0xFF00, 0xFF);
    desc.ddpfPixelFormat.dwFlags |= DDPF_ALPHAPIXELS;
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_INVALIDPIXELFORMAT);

    DDSURFACEDESC2 noSize = Desc(DDSD_CAPS, DDSCAPS_OFFSCREENPLAIN);
    EXPECT_EQ(dd->CreateSurface(&noSize, &surface, nullptr), DDERR_INVALIDPARAMS);
    DDSURFACEDESC2 zero = Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN, 0, 4);
    EXPECT_EQ(dd->CreateSurface(&zero, &surface, nullptr), DDERR_INVALIDPARAMS);
    DDSURFACEDESC2 huge = Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN, 100000, 4);
    EXPECT_EQ(dd->CreateSurface(&huge, &surface, nullptr), DDERR_TOOBIGWIDTH);
    DDSURFACEDESC2 both =
        Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY, 4, 4);
    EXPECT_EQ(dd->CreateSurface(&both, &surface, nullptr), DDERR_INVALIDCAPS);
    DDSURFACEDESC2 badSize = Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN, 4, 4);
    badSize.dwSize = 100;
    EXPECT_EQ(dd->CreateSurface(&badSize, &surface, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface, nullptr);
}

TEST_F(DDrawTest, LockGivesPointerAndPitch)
{
    UseDesktop(16);
    IDirectDrawSurface7* surface = Offscreen(3, 3);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    ASSERT_NE(desc.lpSurface, nullptr);
    EXPECT_TRUE(desc.dwFlags & DDSD_LPSURFACE);
    EXPECT_EQ(desc.lPitch, 8); // 3 pixels of 2 bytes, padded to 4
    uint8_t* base = (uint8_t*)desc.lpSurface;
    ((uint16_t*)(base + 2 * desc.lPitch))[1] = 0xF81F;

    // Locked once only; a blit onto it waits for the unlock.
    DDSURFACEDESC2 second{};
    second.dwSize = sizeof(second);
    EXPECT_EQ(surface->Lock(nullptr, &second, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(Fill(surface, nullptr, 0), DDERR_SURFACEBUSY);
    EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
    EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);

    // A rectangle's lock points at its top-left pixel.
    RECT part{1, 2, 3, 3};
    ASSERT_EQ(surface->Lock(&part, &second, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(*(uint16_t*)second.lpSurface, 0xF81F);
    EXPECT_EQ(surface->Unlock(&part), DD_OK);

    RECT outside{2, 2, 4, 3};
    EXPECT_EQ(surface->Lock(&outside, &second, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
    RECT empty{1, 1, 1, 2};
    EXPECT_EQ(surface->Lock(&empty, &second, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
    second.dwSize = 0;
    EXPECT_EQ(surface->Lock(nullptr, &second, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->Lock(nullptr, nullptr, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);

    PlatformTest::FailCall("Lock", 1);
    second.dwSize = sizeof(second);
    EXPECT_EQ(surface->Lock(nullptr, &second, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(surface->Lock(nullptr, &second, DDLOCK_WAIT, nullptr), DD_OK);
    surface->Unlock(nullptr);
    surface->Release();
}

TEST_F(DDrawTest, ColourFillAndCopy)
{
    IDirectDrawSurface7* source = Offscreen(2, 2);
    IDirectDrawSurface7* dest = Offscreen(4, 3);
    Write(source, {1, 2, 3, 4});
    ASSERT_EQ(Fill(dest, nullptr, 0x00FF00FF), DD_OK);
    RECT fill{0, 0, 1, 3};
    ASSERT_EQ(Fill(dest, &fill, 7), DD_OK);
    RECT to{2, 1, 4, 3};
    ASSERT_EQ(dest->Blt(&to, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const uint32_t m = 0x00FF00FF;
    EXPECT_EQ(Read(dest), (std::vector<uint32_t>{7, m, m, m, 7, m, 1, 2, 7, m, 3, 4}));

    // Part of the source onto a rectangle of the same size.
    RECT from{1, 0, 2, 2};
    RECT column{1, 0, 2, 2};
    ASSERT_EQ(dest->Blt(&column, source, &from, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Read(dest), (std::vector<uint32_t>{7, 2, m, m, 7, 4, 1, 2, 7, m, 3, 4}));

    DDBLTFX badFx{};
    badFx.dwSize = 99;
    EXPECT_EQ(dest->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &badFx), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dest->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(dest->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS);
    source->Release();
    dest->Release();
}

TEST_F(DDrawTest, RectanglesOutsideASurfaceFail)
{
    IDirectDrawSurface7* source = Offscreen(2, 2);
    IDirectDrawSurface7* dest = Offscreen(4, 4);
    Write(dest, std::vector<uint32_t>(16, 9));
    RECT outside{3, 3, 5, 5};
    EXPECT_EQ(dest->Blt(&outside, source, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(Fill(dest, &outside, 1), DDERR_INVALIDRECT);
    RECT negative{-1, 0, 1, 2};
    EXPECT_EQ(dest->Blt(&negative, source, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    RECT inverted{2, 2, 0, 0};
    EXPECT_EQ(dest->Blt(&inverted, source, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    RECT fromOutside{1, 1, 3, 3};
    EXPECT_EQ(dest->Blt(nullptr, source, &fromOutside, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    // Nothing was drawn by the refused blits.
    EXPECT_EQ(Read(dest), std::vector<uint32_t>(16, 9));
    source->Release();
    dest->Release();
}

TEST_F(DDrawTest, StretchSamplesTheNearestPixel)
{
    IDirectDrawSurface7* small = Offscreen(2, 2);
    IDirectDrawSurface7* big = Offscreen(4, 4);
    Write(small, {1, 2, 3, 4});
    ASSERT_EQ(big->Blt(nullptr, small, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Read(big), (std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));

    // Shrinking takes the pixel under each target pixel's centre.
    Write(big, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    ASSERT_EQ(small->Blt(nullptr, big, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Read(small), (std::vector<uint32_t>{5, 7, 13, 15}));

    // Three source pixels onto two: 0 and 2.
    RECT row{0, 0, 3, 1};
    RECT two{0, 0, 2, 1};
    ASSERT_EQ(small->Blt(&two, big, &row, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Read(small), (std::vector<uint32_t>{0, 2, 13, 15}));
    small->Release();
    big->Release();
}

TEST_F(DDrawTest, StretchesTakeThePixelUnderEachCentreAtEveryScaleAndCut)
{
    IDirectDrawSurface7* source = Offscreen(7, 7);
    std::vector<uint32_t> values(49);
    for (size_t i = 0; i < values.size(); i++)
        values[i] = uint32_t(i + 1);
    Write(source, values);
    // Drawn past the top left corner: the clipper keeps the part on the surface.
    IDirectDrawSurface7* dest = Offscreen(12, 12);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    ASSERT_EQ(dest->SetClipper(clipper), DD_OK);
    clipper->Release();
    for (int sw = 1; sw <= 7; sw++)
        for (int dw = 1; dw <= 15; dw++)
        {
            int sh = 1 + sw * 3 % 6, dh = 1 + dw * 5 % 14;
            Write(dest, std::vector<uint32_t>(144, 0));
            RECT from{7 - sw, 1, 7, 1 + sh};
            RECT to{-2, -1, dw - 2, dh - 1};
            ASSERT_EQ(dest->Blt(&to, source, &from, DDBLT_WAIT, nullptr), DD_OK);
            std::vector<uint32_t> expected(144, 0);
            for (int y = 0; y + 1 < dh && y < 12; y++)
                for (int x = 0; x + 2 < dw && x < 12; x++)
                {
                    int i = x + 2, j = y + 1;
                    int sx = 7 - sw + (2 * i + 1) * sw / (2 * dw), sy = 1 + (2 * j + 1) * sh / (2 * dh);
                    expected[size_t(y * 12 + x)] = values[size_t(sy * 7 + sx)];
                }
            EXPECT_EQ(Read(dest), expected) << sw << " onto " << dw << ", " << sh << " onto " << dh;
        }
    source->Release();
    dest->Release();
}

TEST_F(DDrawTest, SourceColourKeySkipsKeyPixels)
{
    UseDesktop(16);
    IDirectDrawSurface7* source = Offscreen(3, 1);
    IDirectDrawSurface7* dest = Offscreen(3, 1);
    Write(source, {0xF800, 0x001F, 0xF800});
    Write(dest, {5, 6, 7});
    RECT all{0, 0, 3, 1};
    EXPECT_EQ(dest->Blt(&all, source, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DDERR_NOCOLORKEY);
    DDCOLORKEY key{0x001F, 0x001F};
    EXPECT_EQ(source->SetColorKey(0x2 /* a destination key */, &key), DDERR_UNSUPPORTED);
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    source->GetSurfaceDesc(&desc);
    EXPECT_TRUE(desc.dwFlags & DDSD_CKSRCBLT);
    EXPECT_EQ(desc.ddckCKSrcBlt.dwColorSpaceLowValue, 0x001Fu);

    ASSERT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Read(dest), (std::vector<uint32_t>{0xF800, 6, 0xF800}));
    // Without the flag the key is copied like any colour.
    ASSERT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Read(dest), (std::vector<uint32_t>{0xF800, 0x001F, 0xF800}));
    // Removing the key.
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, nullptr), DD_OK);
    EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_KEYSRC, nullptr), DDERR_NOCOLORKEY);
    source->Release();
    dest->Release();
}

TEST_F(DDrawTest, KeyCompareIgnoresTheUnusedByte)
{
    IDirectDrawSurface7* source = Offscreen(2, 1);
    IDirectDrawSurface7* dest = Offscreen(2, 1);
    Write(source, {0xFF123456, 0x00ABCDEF});
    DDCOLORKEY key{0x00123456, 0x00123456};
    source->SetColorKey(DDCKEY_SRCBLT, &key);
    ASSERT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(Read(dest), (std::vector<uint32_t>{0, 0x00ABCDEF}));
    source->Release();
    dest->Release();
}

TEST_F(DDrawTest, BlitsBetweenLayoutsAndWithinOneSurface)
{
    IDirectDrawSurface7* wide = Offscreen(4, 1);
    DDSURFACEDESC2 desc =
        Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT, DDSCAPS_OFFSCREENPLAIN, 4, 1);
    desc.ddpfPixelFormat = Format(16, 0xF800, 0x07E0, 0x001F);
    IDirectDrawSurface7* narrow = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &narrow, nullptr), DD_OK);
    EXPECT_EQ(wide->Blt(nullptr, narrow, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPIXELFORMAT);

    // Overlapping rectangles of one surface: the result is as if read first.
    Write(wide, {1, 2, 3, 4});
    RECT from{0, 0, 3, 1};
    RECT to{1, 0, 4, 1};
    ASSERT_EQ(wide->Blt(&to, wide, &from, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Read(wide), (std::vector<uint32_t>{1, 1, 2, 3}));
    // Stretched onto itself, the same.
    Write(wide, {1, 2, 3, 4});
    RECT half{0, 0, 2, 1};
    ASSERT_EQ(wide->Blt(nullptr, wide, &half, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Read(wide), (std::vector<uint32_t>{1, 1, 2, 2}));
    wide->Release();
    narrow->Release();
}

TEST_F(DDrawTest, ClipperWithoutWindowClipsToTheSurface)
{
    IDirectDrawSurface7* source = Offscreen(2, 2);
    IDirectDrawSurface7* dest = Offscreen(3, 3);
    Write(source, {1, 2, 3, 4});
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    ASSERT_EQ(dest->SetClipper(clipper), DD_OK);
    EXPECT_EQ(clipper->Release(), 1u); // the surface holds it
    RECT corner{2, 2, 4, 4};
    ASSERT_EQ(dest->Blt(&corner, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Read(dest), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 0, 0, 1}));
    // Wholly outside: nothing drawn, no failure.
    RECT away{10, 10, 12, 12};
    EXPECT_EQ(dest->Blt(&away, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(dest->SetClipper(nullptr), DD_OK);
    EXPECT_EQ(dest->Blt(&corner, source, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    source->Release();
    dest->Release();
}

TEST_F(DDrawTest, FlipChainSwapsFrontAndBack)
{
    EXPECT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    DDSURFACEDESC2 desc =
        Desc(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* front = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &front, nullptr), DD_OK);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(front->GetAttachedSurface(&caps, &back), DD_OK);
    ASSERT_NE(back, nullptr);
    DDSCAPS2 texture{DDSCAPS_TEXTURE, 0, 0, 0};
    IDirectDrawSurface7* none = nullptr;
    EXPECT_EQ(front->GetAttachedSurface(&texture, &none), DDERR_NOTFOUND);

    ASSERT_EQ(Fill(front, nullptr, 0x111111), DD_OK);
    ASSERT_EQ(Fill(back, nullptr, 0x222222), DD_OK);
    ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(Read(front)[0], 0x222222u);
    EXPECT_EQ(Read(back)[0], 0x111111u);
    EXPECT_EQ(back->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);

    // A locked buffer holds the flip back.
    DDSURFACEDESC2 lockDesc{};
    lockDesc.dwSize = sizeof(lockDesc);
    ASSERT_EQ(back->Lock(nullptr, &lockDesc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACEBUSY);
    back->Unlock(nullptr);

    // The back buffer outlives a released front while it is held.
    EXPECT_EQ(front->Release(), 0u);
    EXPECT_EQ(Read(back)[0], 0x111111u);
    EXPECT_EQ(back->Release(), 0u);
}

TEST_F(DDrawTest, FlipChainsNeedExclusiveMode)
{
    DDSURFACEDESC2 desc =
        Desc(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
    desc.dwBackBufferCount = 1;
    IDirectDrawSurface7* front = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &front, nullptr), DDERR_NOEXCLUSIVEMODE);
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP;
    EXPECT_EQ(dd->CreateSurface(&desc, &front, nullptr), DDERR_INVALIDCAPS);
    IDirectDrawSurface7* plain = Offscreen(2, 2);
    EXPECT_EQ(plain->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
    plain->Release();
}

TEST_F(DDrawTest, InterfacesShareOneObject)
{
    IDirectDrawSurface7* seventh = Offscreen(2, 2);
    IDirectDrawSurface* first = nullptr;
    ASSERT_EQ(seventh->QueryInterface(IID_IDirectDrawSurface, (void**)&first), DD_OK);
    IDirectDrawSurface7* back = nullptr;
    ASSERT_EQ(first->QueryInterface(IID_IDirectDrawSurface7, (void**)&back), DD_OK);
    EXPECT_EQ(back, seventh);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(first->QueryInterface(IID_IUnknown, (void**)&unknown), DD_OK);
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(seventh->QueryInterface(IID_IDirectDraw7, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);

    // Blits through the first interface reach the same pixels.
    IDirectDrawSurface7* target7 = Offscreen(2, 2);
    IDirectDrawSurface* target = nullptr;
    target7->QueryInterface(IID_IDirectDrawSurface, (void**)&target);
    Write(seventh, {1, 2, 3, 4});
    ASSERT_EQ(target->Blt(nullptr, first, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Read(target7), (std::vector<uint32_t>{1, 2, 3, 4}));
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(((uint32_t*)desc.lpSurface)[3], 4u);
    EXPECT_EQ(target->Unlock(desc.lpSurface), DD_OK);

    EXPECT_EQ(seventh->AddRef(), 5u);
    EXPECT_EQ(seventh->Release(), 4u);
    unknown->Release();
    back->Release();
    first->Release();
    EXPECT_EQ(seventh->Release(), 0u);
    target->Release();
    EXPECT_EQ(target7->Release(), 0u);
}

TEST_F(DDrawTest, ThreadsBlitWhileTheMainThreadFlips)
{
    EXPECT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    DDSURFACEDESC2 desc =
        Desc(DDSD_CAPS | DDSD_BACKBUFFERCOUNT, DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
    desc.dwBackBufferCount = 2;
    IDirectDrawSurface7* front = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &front, nullptr), DD_OK);
    IDirectDrawSurface7* area = Offscreen(64, 64);
    std::thread cursor(
        [&]
        {
            for (int i = 0; i < 200; i++)
            {
                RECT r{i % 500, i % 400, i % 500 + 64, i % 400 + 64};
                EXPECT_EQ(area->Blt(nullptr, front, &r, DDBLT_WAIT, nullptr), DD_OK);
                EXPECT_EQ(front->Blt(&r, area, nullptr, DDBLT_WAIT, nullptr), DD_OK);
            }
        });
    for (int i = 0; i < 200; i++)
        EXPECT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    cursor.join();
    area->Release();
    EXPECT_EQ(front->Release(), 0u);
}
