// A whole application on the dummy drivers: a real window, display, widget manager, sound
// manager and music interface, run with the manual clock in a working folder of its own.
#pragma once

#include "app/LumoAppBase.h"
#include "core/desktop.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/Graphics.h"
#include "test/input.h"
#include "tests/app/AppTestSupport.h"
#include "widgets/ButtonListener.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace IntegrationTest
{
class RealApp : public Lumo::LumoAppBase
{
public:
    // Called after every update with the update number; tests script their run here.
    std::function<void(int update)> mOnUpdate;

    RealApp()
    {
        mWidth = 320;
        mHeight = 240;
        mCommandLineParsed = true;
        mUseLoadingThread = false;
        mProductName = "Crustavia";
        mRegistryKey = "Crustavia";
    }
    bool KeepWorkingDirectory(const std::string&) override { return true; }
    void UpdateWidgets() override
    {
        LumoAppBase::UpdateWidgets();
        if (mOnUpdate)
            mOnUpdate(mUpdateCount);
    }
    // Pump steps until `ms` of the clock have passed.
    void RunFor(DWORD ms)
    {
        DWORD start = timeGetTime();
        while (!mShutdown && timeGetTime() - start < ms)
            PumpStep(nullptr);
    }
    // Pump steps until the run ends (a safety bound keeps a broken run from hanging).
    void RunToEnd()
    {
        for (int i = 0; i < 200000 && !mShutdown; i++)
            PumpStep(nullptr);
    }
};

// A widget that fills itself with one colour.
class SolidWidget : public Lumo::Widget
{
public:
    explicit SolidWidget(int argb) : mColor(argb) {}
    void Draw(Lumo::Graphics* g) override
    {
        g->SetColor(mColor);
        g->FillRect(0, 0, mWidth, mHeight);
    }
    Lumo::Color mColor;
};

// Every listener call of a button, with the update at which it came.
class LoggingListener : public Lumo::ButtonListener
{
public:
    explicit LoggingListener(const int* updateCount) : mUpdateCount(updateCount) {}
    std::vector<std::string> mLog;
    void Log(const std::string& what) { mLog.push_back(std::to_string(*mUpdateCount) + " " + what); }
    void ButtonPressedWithCount(int id, int clickCount) override
    {
        Log("pressed " + std::to_string(id) + " " + std::to_string(clickCount));
    }
    void ButtonReleased(int id) override { Log("released " + std::to_string(id)); }
    void ButtonHoverStart(int id) override { Log("hover " + std::to_string(id)); }
    void ButtonHoverEnd(int id) override { Log("leave " + std::to_string(id)); }

private:
    const int* mUpdateCount;
};

// How far two frames of one size are apart: the share of pixels within `tolerance` in every
// colour channel, and the share off by more than `far` in some channel.
struct FrameDifference
{
    double mWithin = 0.0;
    double mFar = 0.0;
};

inline FrameDifference CompareFrames(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                                     int tolerance, int far)
{
    size_t within = 0, farOff = 0;
    const size_t count = std::min(a.size(), b.size());
    for (size_t i = 0; i < count; i++)
    {
        int worst = 0;
        for (int shift : {0, 8, 16})
            worst = std::max(worst, std::abs(int(a[i] >> shift & 0xFF) - int(b[i] >> shift & 0xFF)));
        within += worst <= tolerance;
        farOff += worst > far;
    }
    if (count == 0 || a.size() != b.size())
        return FrameDifference{0.0, 1.0};
    return FrameDifference{double(within) / double(count), double(farOff) / double(count)};
}

// The tolerances of a frame drawn through the renderer against the same frame in 2-D. Opaque
// pictures become 16-bit R5G6B5 textures, which keep 5, 6 and 5 bits of red, green and blue (up
// to 7 steps lost), and the GPU rounds blending and tinting a step differently from our
// integer blitters: 8 steps per channel. Pictures drawn at another size are filtered linearly
// by the renderer and taken by the nearest pixel in 2-D: their edges and detail move further,
// on a few pixels of the frame.
constexpr int kRendererTolerance = 8;
constexpr int kRendererFar = 96;

// The app fixture's clock and folders, on a 1024x768 32-bit desktop.
class AppIntegration : public AppTest::AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        PlatformTest::SetDesktop(Platform::DesktopInfo{1024, 768, 32, 60, 16u << 20});
        PlatformTest::ResetInputState();
    }
    void TearDown() override
    {
        PlatformTest::ResetDesktop();
        AppFixture::TearDown();
    }
};
} // namespace IntegrationTest
