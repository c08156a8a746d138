// A display on a test desktop, with the application stood in for.
#pragma once

#include "core/desktop.h"
#include "core/faults.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "app/LumoAppBase.h"
#include "test/directdraw.h"
#include "tests/platform/DDrawSupport.h"
#include "win32/kernel32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <vector>

// The application at 320x240 with a 32-bit full screen, keeping its own set of pictures; the
// display is the test's own.
class TestHost : public Lumo::LumoAppBase
{
public:
    Lumo::NativeDisplay* mDisplay = nullptr;
    std::set<Lumo::MemoryImage*> mImages;

    TestHost()
    {
        mWidth = 320;
        mHeight = 240;
        mFullScreenBits = 32;
    }

    void AddMemoryImage(Lumo::MemoryImage* image) override { mImages.insert(image); }
    void RemoveMemoryImage(Lumo::MemoryImage* image) override { mImages.erase(image); }
    void ReleaseTextureData(Lumo::MemoryImage* image) override {}
    bool Is3DEnabled() override { return false; }
    Lumo::NativeDisplay* GetNativeDisplay() override { return mDisplay; }
    bool CopyTextureToImage(Lumo::MemoryImage* image) override { return false; }
    void SharedImageUnreferenced() override {}
};

class DisplayTest : public ::testing::Test
{
protected:
    static HWND FakeWindow() { return reinterpret_cast<HWND>(uintptr_t(0x4321)); }

    void TearDown() override
    {
        owned.clear();
        display.reset();
        PlatformTest::ClearFailures();
        PlatformTest::SetDirectDrawEntryPoints(true, true);
        PlatformTest::SetDirectDraw565(true);
        PlatformTest::ResetDesktop();
    }

    void UseDesktop(int bits, int refresh = 60)
    {
        PlatformTest::SetDesktop(Platform::DesktopInfo{640, 480, bits, refresh, 16u << 20});
    }

    // A new display (Init not yet run) on a desktop of the given depth.
    Lumo::DDInterface& Make(int bits = 32, int refresh = 60)
    {
        owned.clear();
        display.reset();
        UseDesktop(bits, refresh);
        display = std::make_unique<Lumo::DDInterface>(&host);
        host.mDisplay = display.get();
        return *display;
    }

    // An initialised windowed display.
    Lumo::DDInterface& Windowed(int bits = 32)
    {
        Lumo::DDInterface& d = Make(bits);
        EXPECT_EQ(d.Init(nullptr, true), Lumo::RESULT_OK) << d.mErrorText;
        return d;
    }

    // A surface picture of the given pixels (flags committed), made on the display.
    Lumo::DDImage* Picture(int w, int h, std::vector<uint32_t> pixels)
    {
        auto* image = new Lumo::DDImage(display.get());
        pixels.resize(size_t(w * h), pixels.empty() ? 0xFF000000 : pixels.back());
        image->SetBits(pixels.data(), w, h, true);
        owned.emplace_back(image);
        return image;
    }

public:
    // Every pixel of a surface as 32-bit values.
    template <typename Surface> static std::vector<uint32_t> Read(Surface* surface)
    {
        DDSURFACEDESC desc{};
        desc.dwSize = DDSURFACEDESC_SIZE_32BIT;
        IDirectDrawSurface* first = nullptr;
        surface->QueryInterface(IID_IDirectDrawSurface, (void**)&first);
        EXPECT_EQ(first->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        std::vector<uint32_t> pixels = LockedPixels(desc);
        first->Unlock(nullptr);
        first->Release();
        return pixels;
    }

    static uint32_t At(const std::vector<uint32_t>& pixels, int width, int x, int y)
    {
        return pixels[size_t(y * width + x)];
    }

protected:
    TestHost host;
    std::unique_ptr<Lumo::DDInterface> display;
    std::vector<std::unique_ptr<Lumo::DDImage>> owned;
};
