// Device contexts over surface pixels: the surface is locked while one is out, and what is
// written through it is the surface's.
#include "DDrawSupport.h"
#include "win32/gdi32.h"

TEST_F(DDrawTest, DeviceContextReachesTheSurfacePixelsAndHoldsItsLock)
{
    UseDesktop(16);
    IDirectDrawSurface7* surface = Offscreen(8, 4);
    ASSERT_EQ(Fill(surface, nullptr, 0x1111), DD_OK);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    ASSERT_NE(dc, nullptr);
    Platform::DCPixels pixels;
    ASSERT_TRUE(Platform::SurfaceDCPixels(dc, &pixels));
    EXPECT_EQ(pixels.width, 8);
    EXPECT_EQ(pixels.height, 4);
    EXPECT_EQ(pixels.bitsPerPixel, 16);
    EXPECT_EQ(pixels.pitch, 16);
    EXPECT_EQ(pixels.red, 0xF800u);
    EXPECT_EQ(pixels.green, 0x07E0u);
    EXPECT_EQ(pixels.blue, 0x001Fu);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 16);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 8);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 4);
    reinterpret_cast<uint16_t*>(pixels.bits + 3 * pixels.pitch)[7] = 0xBEEF;

    // While the context is out the surface is busy: no lock, blit, second context or plain unlock.
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(Fill(surface, nullptr, 0), DDERR_SURFACEBUSY);
    HDC second = nullptr;
    EXPECT_EQ(surface->GetDC(&second), DDERR_DCALREADYCREATED);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
    EXPECT_EQ(surface->ReleaseDC((HDC)((uintptr_t)dc + 4)), DDERR_NODC);

    ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
    EXPECT_FALSE(Platform::SurfaceDCPixels(dc, &pixels));
    EXPECT_EQ(surface->ReleaseDC(dc), DDERR_NODC);
    std::vector<uint32_t> after = Read(surface);
    EXPECT_EQ(after[3 * 8 + 7], 0xBEEFu);
    EXPECT_EQ(after[0], 0x1111u);
    surface->Release();
}

TEST_F(DDrawTest, DeviceContextRefusalsLeaveTheSurfaceFree)
{
    IDirectDrawSurface7* surface = Offscreen(4, 4);
    EXPECT_EQ(surface->GetDC(nullptr), DDERR_INVALIDPARAMS);
    PlatformTest::FailCall("GetDC", 1);
    HDC dc = reinterpret_cast<HDC>(uintptr_t(1));
    EXPECT_EQ(surface->GetDC(&dc), DDERR_CANTCREATEDC);
    EXPECT_EQ(dc, nullptr);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(surface->GetDC(&dc), DDERR_SURFACEBUSY);
    ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
    // A surface released with its context out takes the context with it.
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    EXPECT_EQ(surface->Release(), 0u);
    Platform::DCPixels pixels;
    EXPECT_FALSE(Platform::SurfaceDCPixels(dc, &pixels));
}
