#include "DDrawSupport.h"
#include "win32/kernel32.h"

TEST_F(DDrawTest, ModuleOffersBothEntryPointsUnlessSwitchedOff)
{
    HMODULE module = LoadLibraryA("ddraw.dll");
    ASSERT_NE(module, nullptr);
    auto create = reinterpret_cast<LPDIRECTDRAWCREATE>(GetProcAddress(module, "DirectDrawCreate"));
    auto createEx = reinterpret_cast<LPDIRECTDRAWCREATEEX>(GetProcAddress(module, "DirectDrawCreateEx"));
    ASSERT_NE(create, nullptr);
    ASSERT_NE(createEx, nullptr);
    IDirectDraw* first = nullptr;
    ASSERT_EQ(create(nullptr, &first, nullptr), DD_OK);
    IDirectDraw7* seventh = nullptr;
    ASSERT_EQ(first->QueryInterface(IID_IDirectDraw7, (void**)&seventh), DD_OK);
    IDirectDraw* again = nullptr;
    ASSERT_EQ(seventh->QueryInterface(IID_IDirectDraw, (void**)&again), DD_OK);
    EXPECT_EQ(again, first);
    again->Release();
    seventh->Release();
    EXPECT_EQ(first->Release(), 0u);

    PlatformTest::SetDirectDrawEntryPoints(true, false);
    EXPECT_NE(GetProcAddress(module, "DirectDrawCreate"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "DirectDrawCreateEx"), nullptr);
    PlatformTest::SetDirectDrawEntryPoints(false, true);
    EXPECT_EQ(GetProcAddress(module, "DirectDrawCreate"), nullptr);
    EXPECT_NE(GetProcAddress(module, "DirectDrawCreateEx"), nullptr);
    PlatformTest::SetDirectDrawEntryPoints(true, true);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(module, "DirectDrawCreateEx")),
              reinterpret_cast<void*>(createEx));
    FreeLibrary(module);
}

TEST_F(DDrawTest, CreationFailures)
{
    void* made = reinterpret_cast<void*>(1);
    EXPECT_EQ(DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(made, nullptr);
    IUnknown* outer = dd;
    EXPECT_EQ(DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, outer), CLASS_E_NOAGGREGATION);
    GUID other{1, 2, 3, {4}};
    EXPECT_EQ(DirectDrawCreateEx(&other, &made, IID_IDirectDraw7, nullptr), DDERR_INVALIDDIRECTDRAWGUID);
    EXPECT_EQ(DirectDrawCreate(nullptr, nullptr, nullptr), DDERR_INVALIDPARAMS);

    PlatformTest::FailCall("DirectDrawCreateEx", 1);
    EXPECT_EQ(DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr), DDERR_NODIRECTDRAWHW);
    EXPECT_EQ(made, nullptr);
    PlatformTest::FailCall("DirectDrawCreate", 1);
    IDirectDraw* first = reinterpret_cast<IDirectDraw*>(1);
    EXPECT_EQ(DirectDrawCreate(nullptr, &first, nullptr), DDERR_NODIRECTDRAWHW);
    EXPECT_EQ(first, nullptr);
    ASSERT_EQ(DirectDrawCreate(nullptr, &first, nullptr), DD_OK);
    first->Release();
}

TEST_F(DDrawTest, CooperativeLevels)
{
    void* made = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr), DD_OK);
    auto* fresh = static_cast<IDirectDraw7*>(made);
    DDSURFACEDESC2 desc = Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
    IDirectDrawSurface7* surface = nullptr;
    EXPECT_EQ(fresh->CreateSurface(&desc, &surface, nullptr), DDERR_NOCOOPERATIVELEVELSET);
    EXPECT_EQ(fresh->SetDisplayMode(800, 600, 16, 0, 0), DDERR_NOCOOPERATIVELEVELSET);

    EXPECT_EQ(fresh->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
    EXPECT_EQ(fresh->SetCooperativeLevel(FakeWindow(), DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);
    EXPECT_EQ(fresh->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);
    EXPECT_EQ(fresh->SetCooperativeLevel(FakeWindow(), DDSCL_NORMAL | DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DDERR_INVALIDPARAMS);
    EXPECT_EQ(fresh->SetCooperativeLevel(FakeWindow(), 0), DDERR_INVALIDPARAMS);
    PlatformTest::FailCall("SetCooperativeLevel", 1);
    EXPECT_EQ(fresh->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              DDERR_EXCLUSIVEMODEALREADYSET);
    EXPECT_EQ(fresh->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    EXPECT_EQ(fresh->SetCooperativeLevel(FakeWindow(), DDSCL_NORMAL), DD_OK);
    EXPECT_EQ(fresh->Release(), 0u);
}

TEST_F(DDrawTest, DisplayModeIsKeptUntilRestored)
{
    ASSERT_EQ(dd->SetCooperativeLevel(FakeWindow(), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    ASSERT_EQ(dd->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
    EXPECT_TRUE(Platform::FullScreenModeActive());
    DDSURFACEDESC2 mode{};
    mode.dwSize = DDSURFACEDESC2_SIZE_32BIT;
    ASSERT_EQ(dd->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.dwWidth, 640u);
    EXPECT_EQ(mode.dwHeight, 480u);
    EXPECT_EQ(mode.lPitch, 1280);
    EXPECT_EQ(mode.dwRefreshRate, 60u);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(mode.ddpfPixelFormat.dwGBitMask, 0x07E0u);

    // The full-screen primary has the mode's size and depth.
    IDirectDrawSurface7* primary = Primary();
    ASSERT_NE(primary, nullptr);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    primary->GetSurfaceDesc(&desc);
    EXPECT_EQ(desc.dwWidth, 640u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 16u);
    primary->Release();

    EXPECT_EQ(dd->SetDisplayMode(641, 480, 16, 0, 0), DDERR_INVALIDMODE);
    // Larger than the desktop: shown scaled down, so a game bigger than a small screen fits.
    EXPECT_EQ(dd->SetDisplayMode(800, 600, 16, 0, 0), DD_OK);
    EXPECT_EQ(Platform::CurrentDisplayMode().width, 800);
    EXPECT_EQ(dd->SetDisplayMode(640, 480, 24, 0, 0), DDERR_INVALIDMODE);
    PlatformTest::FailCall("SetDisplayMode", 1);
    EXPECT_EQ(dd->SetDisplayMode(640, 480, 32, 0, 0), DDERR_UNSUPPORTEDMODE);

    ASSERT_EQ(dd->RestoreDisplayMode(), DD_OK);
    EXPECT_FALSE(Platform::FullScreenModeActive());
    ASSERT_EQ(dd->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.dwWidth, 640u);
    EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 32u);

    // Through the first interface too; the last release of the object that set a mode restores it.
    IDirectDraw* first = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw, (void**)&first), DD_OK);
    ASSERT_EQ(first->SetDisplayMode(640, 480, 16), DD_OK);
    EXPECT_EQ(Platform::CurrentDisplayMode().bitsPerPixel, 16);
    EXPECT_TRUE(Platform::FullScreenModeActive());
    first->Release();
    EXPECT_EQ(dd->Release(), 0u);
    dd = nullptr;
    EXPECT_FALSE(Platform::FullScreenModeActive());
}

TEST_F(DDrawTest, MonitorFrequency)
{
    UseDesktop(32, 75);
    DWORD rate = 0;
    ASSERT_EQ(dd->GetMonitorFrequency(&rate), DD_OK);
    EXPECT_EQ(rate, 75u);
    PlatformTest::FailCall("GetMonitorFrequency", 1);
    EXPECT_EQ(dd->GetMonitorFrequency(&rate), DDERR_UNSUPPORTED);
    EXPECT_EQ(rate, 0u);
    // A host that does not know its rate (SDL's dummy driver says 0).
    UseDesktop(32, 0);
    EXPECT_EQ(dd->GetMonitorFrequency(&rate), DDERR_UNSUPPORTED);
    EXPECT_EQ(dd->GetMonitorFrequency(nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(DDrawTest, VideoMemoryIsCountedAndRunsOut)
{
    DDSCAPS2 caps{DDSCAPS_VIDEOMEMORY, 0, 0, 0};
    DWORD total = 0, free = 0;
    ASSERT_EQ(dd->GetAvailableVidMem(&caps, &total, &free), DD_OK);
    EXPECT_EQ(total, DWORD(kVideoMemory));
    EXPECT_EQ(free, DWORD(kVideoMemory));

    IDirectDrawSurface7* surface = Offscreen(100, 10, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
    ASSERT_EQ(dd->GetAvailableVidMem(&caps, nullptr, &free), DD_OK);
    EXPECT_EQ(free, DWORD(kVideoMemory - 4000));
    IDirectDrawSurface7* system = Offscreen(100, 10);
    ASSERT_EQ(dd->GetAvailableVidMem(&caps, nullptr, &free), DD_OK);
    EXPECT_EQ(free, DWORD(kVideoMemory - 4000));

    // 2048 x 1024 x 4 bytes is all of it: asked for in video memory it fails, unasked it goes to system
    // memory.
    DDSURFACEDESC2 big =
        Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, 2048, 1024);
    IDirectDrawSurface7* tooBig = nullptr;
    EXPECT_EQ(dd->CreateSurface(&big, &tooBig, nullptr), DDERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(tooBig, nullptr);
    big.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    ASSERT_EQ(dd->CreateSurface(&big, &tooBig, nullptr), DD_OK);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    tooBig->GetSurfaceDesc(&desc);
    EXPECT_EQ(desc.ddsCaps.dwCaps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY),
              DWORD(DDSCAPS_SYSTEMMEMORY));

    tooBig->Release();
    system->Release();
    surface->Release();
    ASSERT_EQ(dd->GetAvailableVidMem(&caps, nullptr, &free), DD_OK);
    EXPECT_EQ(free, DWORD(kVideoMemory));

    PlatformTest::FailCall("GetAvailableVidMem", 1);
    EXPECT_EQ(dd->GetAvailableVidMem(&caps, &total, &free), DDERR_NODIRECTDRAWHW);
    EXPECT_EQ(dd->GetAvailableVidMem(nullptr, &total, &free), DDERR_INVALIDPARAMS);
}

TEST_F(DDrawTest, DeviceIdentifier)
{
    DDDEVICEIDENTIFIER2 id;
    std::memset(&id, 0xCC, sizeof(id));
    ASSERT_EQ(dd->GetDeviceIdentifier(&id, 0), DD_OK);
    // The renderer's driver, a file of the system folder.
    EXPECT_GT(std::strlen(id.szDriver), 0u);
    EXPECT_GT(std::strlen(id.szDescription), 0u);
    EXPECT_EQ(id.dwVendorId, 0u);
    PlatformTest::FailCall("GetDeviceIdentifier", 1);
    EXPECT_EQ(dd->GetDeviceIdentifier(&id, 0), DDERR_GENERIC);
    EXPECT_EQ(dd->GetDeviceIdentifier(nullptr, 0), DDERR_INVALIDPARAMS);
}

TEST_F(DDrawTest, ClippersAndPalettes)
{
    IDirectDrawClipper* clipper = nullptr;
    EXPECT_EQ(dd->CreateClipper(1, &clipper, nullptr), DDERR_INVALIDPARAMS);
    PlatformTest::FailCall("CreateClipper", 1);
    EXPECT_EQ(dd->CreateClipper(0, &clipper, nullptr), DDERR_OUTOFMEMORY);
    EXPECT_EQ(clipper, nullptr);
    ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    HWND window = FakeWindow();
    ASSERT_EQ(clipper->GetHWnd(&window), DD_OK);
    EXPECT_EQ(window, nullptr);
    ASSERT_EQ(clipper->SetHWnd(0, FakeWindow()), DD_OK);
    ASSERT_EQ(clipper->GetHWnd(&window), DD_OK);
    EXPECT_EQ(window, FakeWindow());
    EXPECT_EQ(clipper->Release(), 0u);

    PALETTEENTRY colours[256];
    for (int i = 0; i < 256; i++)
        colours[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
    IDirectDrawPalette* palette = nullptr;
    EXPECT_EQ(dd->CreatePalette(0x1 /* 4-bit */, colours, &palette, nullptr), DDERR_UNSUPPORTED);
    EXPECT_EQ(dd->CreatePalette(DDPCAPS_8BIT, nullptr, &palette, nullptr), DDERR_INVALIDPARAMS);
    ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_ALPHA, colours, &palette, nullptr),
              DD_OK);
    PALETTEENTRY read[2];
    ASSERT_EQ(palette->GetEntries(0, 200, 2, read), DD_OK);
    EXPECT_EQ(read[1].peRed, 201);
    EXPECT_EQ(read[1].peGreen, 54);
    PALETTEENTRY changed{1, 2, 3, 4};
    ASSERT_EQ(palette->SetEntries(0, 255, 1, &changed), DD_OK);
    ASSERT_EQ(palette->GetEntries(0, 255, 1, read), DD_OK);
    EXPECT_EQ(read[0].peFlags, 4);
    EXPECT_EQ(palette->SetEntries(0, 255, 2, &changed), DDERR_INVALIDPARAMS);
    EXPECT_EQ(palette->GetEntries(0, 256, 1, read), DDERR_INVALIDPARAMS);

    // Only an 8-bit surface takes a palette, and holds it.
    IDirectDrawSurface7* plain = Offscreen(2, 2);
    EXPECT_EQ(plain->SetPalette(palette), DDERR_NOTPALETTIZED);
    plain->Release();
    UseDesktop(8);
    IDirectDrawSurface7* primary = Primary();
    ASSERT_EQ(primary->SetPalette(palette), DD_OK);
    EXPECT_EQ(palette->Release(), 1u);
    EXPECT_EQ(primary->Release(), 0u);
    PlatformTest::FailCall("CreatePalette", 1);
    EXPECT_EQ(dd->CreatePalette(DDPCAPS_8BIT, colours, &palette, nullptr), DDERR_OUTOFMEMORY);
}

TEST_F(DDrawTest, InjectedSurfaceFailures)
{
    PlatformTest::FailCall("CreateSurface", 1);
    DDSURFACEDESC2 desc = Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
    IDirectDrawSurface7* surface = reinterpret_cast<IDirectDrawSurface7*>(1);
    EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DDERR_OUTOFMEMORY);
    EXPECT_EQ(surface, nullptr);
    IDirectDrawSurface7* a = Offscreen(2, 2);
    IDirectDrawSurface7* b = Offscreen(2, 2);
    PlatformTest::FailCall("Blt", 1);
    EXPECT_EQ(b->Blt(nullptr, a, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(b->Blt(nullptr, a, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    a->Release();
    b->Release();
}

// A caller with only the first interfaces: 108-byte descriptions and first-interface surfaces.
TEST_F(DDrawTest, FirstInterfacesAlone)
{
    IDirectDraw* first = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &first, nullptr), DD_OK);
    ASSERT_EQ(first->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    DDSURFACEDESC desc{};
    desc.dwSize = DDSURFACEDESC_SIZE_32BIT;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    desc.dwWidth = 5;
    desc.dwHeight = 2;
    IDirectDrawSurface* surface = nullptr;
    ASSERT_EQ(first->CreateSurface(&desc, &surface, nullptr), DD_OK);
    DDSURFACEDESC read{};
    read.dwSize = DDSURFACEDESC_SIZE_32BIT;
    ASSERT_EQ(surface->GetSurfaceDesc(&read), DD_OK);
    EXPECT_EQ(read.dwWidth, 5u);
    EXPECT_EQ(read.lPitch, 20);
    EXPECT_EQ(read.ddsCaps.dwCaps, DWORD(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY));
    DDSURFACEDESC mode{};
    mode.dwSize = sizeof(mode);
    ASSERT_EQ(first->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.dwWidth, 640u);
    desc.dwSize = 124;
    IDirectDrawSurface* wrongSize = nullptr;
    EXPECT_EQ(first->CreateSurface(&desc, &wrongSize, nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->Release(), 0u);
    EXPECT_EQ(first->Release(), 0u);
}
