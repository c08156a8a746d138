// A DirectDraw object on a test desktop, and helpers to make and read surfaces.
#pragma once

#include "core/desktop.h"
#include "core/faults.h"
#include "ddraw/ddraw.h"
#include "test/directdraw.h"
#include "win32/ComObject.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

// The windowed screen as the display makes it: a primary whose clipper knows the window.
inline IDirectDrawSurface7* MakeWindowedPrimary(IDirectDraw7* dd, HWND hwnd)
{
    EXPECT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL), DD_OK);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    IDirectDrawSurface7* primary = nullptr;
    EXPECT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    IDirectDrawClipper* clipper = nullptr;
    EXPECT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    if (!primary || !clipper)
        return primary;
    EXPECT_EQ(clipper->SetHWnd(0, hwnd), DD_OK);
    EXPECT_EQ(primary->SetClipper(clipper), DD_OK);
    clipper->Release();
    return primary;
}

// Every pixel of a locked surface, row by row, as 32-bit values.
template <typename Desc> std::vector<uint32_t> LockedPixels(const Desc& desc)
{
    std::vector<uint32_t> pixels;
    DWORD bytes = desc.ddpfPixelFormat.dwRGBBitCount / 8;
    for (DWORD y = 0; y < desc.dwHeight; y++)
        for (DWORD x = 0; x < desc.dwWidth; x++)
        {
            uint32_t value = 0;
            std::memcpy(&value, (uint8_t*)desc.lpSurface + y * desc.lPitch + x * bytes, bytes);
            pixels.push_back(value);
        }
    return pixels;
}

class DDrawTest : public ::testing::Test
{
protected:
    static constexpr uint64_t kVideoMemory = 8u << 20;
    static HWND FakeWindow() { return reinterpret_cast<HWND>(uintptr_t(0x4321)); }

    void SetUp() override { UseDesktop(32); }
    void TearDown() override
    {
        if (dd)
        {
            EXPECT_EQ(dd->Release(), 0u);
        }
        PlatformTest::ClearFailures();
        PlatformTest::SetDirectDraw565(true);
        PlatformTest::ResetDesktop();
    }

    // A 640x480 desktop of the given depth, and a DirectDraw object at the normal level on it.
    void UseDesktop(int bits, int refresh = 60)
    {
        if (dd)
            dd->Release();
        dd = nullptr;
        PlatformTest::SetDesktop(Platform::DesktopInfo{640, 480, bits, refresh, kVideoMemory});
        void* made = nullptr;
        ASSERT_EQ(DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr), DD_OK);
        dd = static_cast<IDirectDraw7*>(made);
        ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    }

    static DDSURFACEDESC2 Desc(DWORD flags, DWORD caps, DWORD width = 0, DWORD height = 0)
    {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = flags;
        desc.ddsCaps.dwCaps = caps;
        desc.dwWidth = width;
        desc.dwHeight = height;
        return desc;
    }

    static DDPIXELFORMAT Format(DWORD bits, DWORD r, DWORD g, DWORD b)
    {
        DDPIXELFORMAT format{};
        format.dwSize = sizeof(format);
        format.dwFlags = DDPF_RGB;
        format.dwRGBBitCount = bits;
        format.dwRBitMask = r;
        format.dwGBitMask = g;
        format.dwBBitMask = b;
        return format;
    }

    IDirectDrawSurface7* Offscreen(DWORD width, DWORD height,
                                   DWORD caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY)
    {
        DDSURFACEDESC2 desc = Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, caps, width, height);
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
        return surface;
    }

    IDirectDrawSurface7* Primary()
    {
        DDSURFACEDESC2 desc = Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), DD_OK);
        return surface;
    }

    // A full-screen primary with one back buffer (the caller holds both).
    void FlipChain(DWORD extraCaps, IDirectDrawSurface7** front, IDirectDrawSurface7** back)
    {
        DDSURFACEDESC2 desc = Desc(DDSD_CAPS | DDSD_BACKBUFFERCOUNT,
                                   DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | extraCaps);
        desc.dwBackBufferCount = 1;
        ASSERT_EQ(dd->CreateSurface(&desc, front, nullptr), DD_OK);
        DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
        ASSERT_EQ((*front)->GetAttachedSurface(&caps, back), DD_OK);
    }

    // Every pixel of a surface, row by row, as 32-bit values.
    static std::vector<uint32_t> Read(IDirectDrawSurface7* surface)
    {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        std::vector<uint32_t> pixels = LockedPixels(desc);
        EXPECT_EQ(surface->Unlock(nullptr), DD_OK);
        return pixels;
    }

    // Writes pixels row by row (as many as given).
    static void Write(IDirectDrawSurface7* surface, const std::vector<uint32_t>& pixels)
    {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        DWORD bytes = desc.ddpfPixelFormat.dwRGBBitCount / 8;
        for (size_t i = 0; i < pixels.size(); i++)
            std::memcpy((uint8_t*)desc.lpSurface + (i / desc.dwWidth) * desc.lPitch +
                            (i % desc.dwWidth) * bytes,
                        &pixels[i], bytes);
        ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
    }

    static HRESULT Fill(IDirectDrawSurface7* surface, RECT* rect, DWORD colour)
    {
        DDBLTFX fx{};
        fx.dwSize = sizeof(fx);
        fx.dwFillColor = colour;
        return surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    }

    IDirectDraw7* dd = nullptr;
};
