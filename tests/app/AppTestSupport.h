// A headless application for the tests: widgets that log every call with the update number,
// sound and music outputs that remember their volumes, the manual clock and a registry file
// of the test's own.
#pragma once

#include "app/Common.h"
#include "app/LumoAppBase.h"
#include "core/clock.h"
#include "test/registry_test.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <mutex>
#include <unistd.h>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace AppTest
{
inline LPARAM Pos(int x, int y)
{
    return MAKELPARAM(x, y);
}

class LoggingWidgets : public Lumo::WidgetRoot
{
public:
    std::vector<std::string> mLog;
    const int* mUpdateCount = nullptr;
    bool mDirty = false;
    int mHeld = 0;
    bool mKeys[256] = {};
    // Called on every update after it is logged; tests script their input here.
    std::function<void(int update)> mOnUpdate;
    int mUpdates = 0;
    int mFractions = 0;

    void Log(const std::string& what) { mLog.push_back(std::to_string(*mUpdateCount) + " " + what); }

    void MouseMove(int x, int y) override { Log(Lumo::FormatString("move %d %d", x, y)); }
    void MouseDown(int x, int y, int c) override
    {
        mHeld |= c == 1 || c == 2 ? 1 : c < 0 ? 2 : 4;
        Log(Lumo::FormatString("down %d %d %d", x, y, c));
    }
    void MouseUp(int x, int y, int c) override
    {
        mHeld &= ~(c == 1 ? 1 : c < 0 ? 2 : 4);
        Log(Lumo::FormatString("up %d %d %d", x, y, c));
    }
    void MouseWheel(int n) override { Log(Lumo::FormatString("wheel %d", n)); }
    void MouseExit() override { Log("exit"); }
    void KeyDown(int k) override
    {
        mKeys[k & 255] = true;
        Log(Lumo::FormatString("keydown %d", k));
    }
    void KeyUp(int k) override
    {
        mKeys[k & 255] = false;
        Log(Lumo::FormatString("keyup %d", k));
    }
    void KeyChar(char c) override { Log(Lumo::FormatString("char %d", c)); }
    void GotFocus() override { Log("gotfocus"); }
    void LostFocus() override { Log("lostfocus"); }
    bool IsKeyDown(int k) const override { return mKeys[k & 255]; }
    void ClearKeyStates() override
    {
        for (bool& k : mKeys)
            k = false;
    }
    int HeldButtons() const override { return mHeld; }
    void ReleasePressedWidget() override
    {
        mHeld = 0;
        Log("release");
    }
    void UpdateFrame() override
    {
        mUpdates++;
        if (mOnUpdate)
            mOnUpdate(*mUpdateCount);
    }
    void UpdateFrameF(float) override { mFractions++; }
    bool DrawScreen() override
    {
        bool drew = mDirty;
        mDirty = false;
        return drew;
    }
    void MarkAllDirty() override { mDirty = true; }
    void Resize(int, int) override {}
    std::vector<Lumo::Widget*> mDeleted;
    void DeleteWidget(Lumo::Widget* widget) override
    {
        mDeleted.push_back(widget);
        Log("delete");
    }
};

class VolumeOutput : public Lumo::EffectsOutput, public Lumo::MusicOutput
{
public:
    double mVolume = -1.0;
    int mStops = 0;
    void SetVolume(double v) override { mVolume = v; }
    void StopAllSounds() override { mStops++; }
    void StopAllMusic() override { mStops++; }
    void PlaySample(int, int, bool) override {}
    double GetMasterVolume() override { return 1.0; }
    void SetMasterVolume(double) override {}
    HWND mCooperativeWindow = nullptr;
    void SetCooperativeWindow(HWND window, bool) override { mCooperativeWindow = window; }
    void Update() override {}
};

// A display whose start results a test scripts; it records the mode of every start.
class FakeScreen : public Lumo::ScreenOutput
{
public:
    std::deque<Lumo::ScreenStart> mResults;
    std::vector<bool> mStarts; // windowed flag of every start
    bool m3D = false;
    bool mNewResult = false;

    Lumo::ScreenStart Start(HWND, bool windowed) override
    {
        mStarts.push_back(windowed);
        if (mResults.empty())
            return Lumo::ScreenStart::Ok;
        Lumo::ScreenStart r = mResults.front();
        mResults.pop_front();
        return r;
    }
    std::string ResultName() const override { return "RESULT_DD_CREATE_FAIL"; }
    std::string ErrorText() const override { return "no device"; }
    bool Is3DWanted() const override { return m3D; }
    void Set3DWanted(bool wanted) override { m3D = wanted; }
    bool NewTestResult() const override { return mNewResult; }
    bool mTestClean = false;
    bool mTargetLost = false;
    bool Is3DTestClean() const override { return mTestClean; }
    bool RenderTargetLost() const override { return mTargetLost; }
    int mPresentFailures = 0; // the next presentations that fail
    int mPresents = 0;
    bool Present() override
    {
        mPresents++;
        if (mPresentFailures == 0)
            return true;
        mPresentFailures--;
        return false;
    }
    int RefreshRate() const override { return 60; }
    void RestoreDisplayMode() override {}
    int mDesktopFlips = 0;
    bool FlipToDesktop() override
    {
        mDesktopFlips++;
        return true;
    }
    std::mutex mCursorLock;
    POINT mDrawnAt{-1, -1};
    POINT mPending{-1, -1};
    int mCursorDraws = 0;
    POINT CursorDrawnAt() override
    {
        std::lock_guard<std::mutex> lock(mCursorLock);
        return mDrawnAt;
    }
    void DrawCursorAt(int x, int y) override
    {
        std::lock_guard<std::mutex> lock(mCursorLock);
        mDrawnAt = POINT{x, y};
        mCursorDraws++;
    }
    POINT Pending()
    {
        std::lock_guard<std::mutex> lock(mCursorLock);
        return mPending;
    }
    int CursorDraws()
    {
        std::lock_guard<std::mutex> lock(mCursorLock);
        return mCursorDraws;
    }
    void SetPendingCursorPos(int x, int y) override
    {
        std::lock_guard<std::mutex> lock(mCursorLock);
        mPending = POINT{x, y};
    }
    Lumo::Image* mCursorImage = nullptr;
    bool SetCursorImage(Lumo::Image* image) override
    {
        bool changed = image != mCursorImage;
        mCursorImage = image;
        return changed;
    }
};

class TestApp : public Lumo::LumoAppBase
{
public:
    LoggingWidgets mWidgets;
    FakeScreen mFake;
    int mLoadingDoneCalls = 0;
    int mLostFocusCalls = 0;

    TestApp()
    {
        mWidgets.mUpdateCount = &mUpdateCount;
        mWidgetManager = &mWidgets;
        mScreen = &mFake;
        mMainThreadId = GetCurrentThreadId();
        mUseLoadingThread = false;
        WNDCLASSA main{};
        main.style = CS_DBLCLKS;
        main.lpfnWndProc = Lumo::LumoAppBase::WindowProc;
        main.lpszClassName = "MainWindow";
        RegisterClassA(&main);
    }
    ~TestApp() override
    {
        Shutdown(); // the cursor thread ends before the fakes go
        mWidgetManager = nullptr;
        mScreen = nullptr;
        for (HWND* window : {&mHWnd, &mInvisHWnd})
        {
            if (*window)
            {
                SetWindowLongPtrA(*window, GWL_USERDATA, 0);
                DestroyWindow(*window);
                *window = nullptr;
            }
        }
    }

    void OnLoadingDone() override { mLoadingDoneCalls++; }
    void LostFocus() override { mLostFocusCalls++; }

    void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        MSG msg{};
        msg.hwnd = mHWnd;
        msg.message = message;
        msg.wParam = wParam;
        msg.lParam = lParam;
        QueueMessage(msg);
    }
    // Pump steps until `ms` of the clock have passed.
    void RunFor(DWORD ms)
    {
        DWORD start = timeGetTime();
        while (!mShutdown && timeGetTime() - start < ms)
            PumpStep(nullptr);
    }
};

// Manual clock and a fresh registry file and working folder per test.
class AppFixture : public ::testing::Test
{
protected:
    std::filesystem::path mDir;
    std::filesystem::path mOldDir;

    void SetUp() override
    {
        mDir = std::filesystem::temp_directory_path() /
               ("lumo_app_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(mDir);
        std::filesystem::create_directories(mDir);
        mOldDir = std::filesystem::current_path();
        std::filesystem::current_path(mDir);
        setenv("LUMO_REGISTRY_FILE", (mDir / "registry.txt").c_str(), 1);
        PlatformTest::ReloadRegistry();
        PlatformTest::UseManualClock(true);
    }
    void TearDown() override
    {
        PlatformTest::UseManualClock(false);
        std::filesystem::current_path(mOldDir);
        std::filesystem::remove_all(mDir);
    }
};
} // namespace AppTest
