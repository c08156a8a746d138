// A headless application for the tests: the real widget manager logging every call with the
// update number, a display whose starts are scripted, sound and music back ends that remember
// their volumes, the manual clock and a registry file of the test's own.
#pragma once

#include "app/Common.h"
#include "app/LumoAppBase.h"
#include "display/DDInterface.h"
#include "media/MusicInterface.h"
#include "media/SoundManager.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"
#include "core/clock.h"
#include "test/registry_test.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The real widget manager, watched: every input call is logged with the update number before
// the manager handles it. DrawScreen also reports the manager itself dirty, as a tree with
// something to draw would.
class LoggingWidgets : public Lumo::WidgetManager
{
public:
    std::vector<std::string> mLog;
    const int* mUpdateCount = nullptr;
    // Called on every update after it is logged; tests script their input here.
    std::function<void(int update)> mOnUpdate;
    int mUpdates = 0;
    int mFractions = 0;

    explicit LoggingWidgets(Lumo::LumoAppBase* app) : Lumo::WidgetManager(app) {}

    void Log(const std::string& what) { mLog.push_back(std::to_string(*mUpdateCount) + " " + what); }

    bool MouseMove(int x, int y) override
    {
        Log(Lumo::FormatString("move %d %d", x, y));
        return WidgetManager::MouseMove(x, y);
    }
    bool MouseDown(int x, int y, int c) override
    {
        Log(Lumo::FormatString("down %d %d %d", x, y, c));
        return WidgetManager::MouseDown(x, y, c);
    }
    bool MouseUp(int x, int y, int c) override
    {
        Log(Lumo::FormatString("up %d %d %d", x, y, c));
        return WidgetManager::MouseUp(x, y, c);
    }
    bool MouseWheel(int n) override
    {
        Log(Lumo::FormatString("wheel %d", n));
        return WidgetManager::MouseWheel(n);
    }
    bool MouseExit() override
    {
        Log("exit");
        return WidgetManager::MouseExit();
    }
    bool KeyDown(int k) override
    {
        Log(Lumo::FormatString("keydown %d", k));
        return WidgetManager::KeyDown(k);
    }
    bool KeyUp(int k) override
    {
        Log(Lumo::FormatString("keyup %d", k));
        return WidgetManager::KeyUp(k);
    }
    bool KeyChar(char c) override
    {
        Log(Lumo::FormatString("char %d", c));
        return WidgetManager::KeyChar(c);
    }
    void GotFocus() override
    {
        Log("gotfocus");
        WidgetManager::GotFocus();
    }
    void LostFocus() override
    {
        Log("lostfocus");
        WidgetManager::LostFocus();
    }
    bool UpdateFrame() override
    {
        mUpdates++;
        bool dirty = WidgetManager::UpdateFrame();
        if (mOnUpdate)
            mOnUpdate(*mUpdateCount);
        return dirty;
    }
    bool UpdateFrameF(float fraction) override
    {
        mFractions++;
        return WidgetManager::UpdateFrameF(fraction);
    }
    bool DrawScreen() override
    {
        bool drew = WidgetManager::DrawScreen() || mDirty;
        mDirty = false;
        return drew;
    }
};

// A widget that notes its id in a list when it is deleted.
class CountedWidget : public Lumo::Widget
{
public:
    std::vector<int>* mDeleted;
    int mId;
    CountedWidget(std::vector<int>* deleted, int id) : mDeleted(deleted), mId(id) {}
    ~CountedWidget() override { mDeleted->push_back(mId); }
};

// A widget over the top-left 100x100 pixels that counts the button-ups it gets.
class PressableWidget : public Lumo::Widget
{
public:
    int mUps = 0;
    PressableWidget() { Resize(0, 0, 100, 100); }
    void MouseUp(int x, int y, int clickCount) override
    {
        mUps++;
        Widget::MouseUp(x, y, clickCount);
    }
};

// Adds the widget to the manager and presses the left button on it, unlogged.
inline void PressWidget(LoggingWidgets& widgets, PressableWidget& widget)
{
    widgets.AddWidget(&widget);
    widgets.WidgetManager::MouseMove(10, 10);
    widgets.WidgetManager::MouseDown(10, 10, 1);
}

// Sound and music back ends that remember their volumes.
class VolumeOutput : public Lumo::SoundManager, public Lumo::MusicInterface
{
public:
    double mVolume = -1.0;
    int mStops = 0;
    HWND mCooperativeWindow = nullptr;
    void SetVolume(double v) override { mVolume = v; }
    void StopAllSounds() override { mStops++; }
    void StopAllMusic() override { mStops++; }
    double GetMasterVolume() override { return 1.0; }
    void SetMasterVolume(double) override {}
    void SetCooperativeWindow(HWND window, bool) override { mCooperativeWindow = window; }
    void Update() override {}
    bool Initialized() override { return true; }
    int LoadSound(const std::string&) override { return -1; }
    bool LoadSound(unsigned int, const std::string&) override { return false; }
    void ReleaseSound(unsigned int) override {}
    bool SetBaseVolume(unsigned int, double) override { return false; }
    bool SetBasePan(unsigned int, int) override { return false; }
    Lumo::SoundInstance* GetSoundInstance(unsigned int) override { return nullptr; }
    void ReleaseSounds() override {}
    void ReleaseChannels() override {}
    void Idle() override {}
};

// A display whose start results a test scripts; it records the mode of every start, the
// presentations and where the cursor thread had the cursor drawn.
class FakeDisplay : public Lumo::DDInterface
{
public:
    std::deque<int> mResults;
    std::vector<bool> mStarts; // windowed flag of every start
    int mPresentFailures = 0;  // the next presentations that fail
    int mPresents = 0;
    int mDesktopFlips = 0;

    explicit FakeDisplay(Lumo::LumoAppBase* app) : Lumo::DDInterface(app) {}

    int Init(HWND window, bool windowed) override
    {
        mStarts.push_back(windowed);
        mHWnd = window;
        mIsWindowed = windowed;
        mRefreshRate = 60;
        int result = Lumo::RESULT_OK;
        if (!mResults.empty())
        {
            result = mResults.front();
            mResults.pop_front();
        }
        mErrorText = result == Lumo::RESULT_OK ? "" : "no device";
        return result;
    }
    bool Redraw(RECT*) override
    {
        mPresents++;
        if (mPresentFailures == 0)
            return true;
        mPresentFailures--;
        return false;
    }
    bool FlipToGDISurface() override
    {
        mDesktopFlips++;
        return true;
    }
    std::mutex mCursorLock;
    POINT mDrawnAt{-1, -1};
    int mCursorDraws = 0;
    void SetCursorPos(int x, int y) override
    {
        Lumo::DisplayLock displayLock(this);
        std::lock_guard<std::mutex> lock(mCursorLock);
        mCursorX = x;
        mCursorY = y;
        mCursorDrawnX = x;
        mCursorDrawnY = y;
        mDrawnAt = POINT{x, y};
        mCursorDraws++;
    }
    POINT CursorDrawnAt()
    {
        std::lock_guard<std::mutex> lock(mCursorLock);
        return mDrawnAt;
    }
    int CursorDraws()
    {
        std::lock_guard<std::mutex> lock(mCursorLock);
        return mCursorDraws;
    }
    // The position the cursor thread left for the next frame.
    POINT Pending() const { return POINT{mCursorX.load(), mCursorY.load()}; }
};

class TestApp : public Lumo::LumoAppBase
{
public:
    // Owned by the application, which deletes its widget manager and display.
    LoggingWidgets& mWidgets;
    FakeDisplay& mFake;
    int mLoadingDoneCalls = 0;
    int mLostFocusCalls = 0;

    TestApp() : mWidgets(*new LoggingWidgets(this)), mFake(*new FakeDisplay(this))
    {
        mWidgets.mUpdateCount = &mUpdateCount;
        delete mWidgetManager;
        mWidgetManager = &mWidgets;
        mDDInterface = &mFake;
        mMainThreadId = GetCurrentThreadId();
        mUseLoadingThread = false;
        WNDCLASSA main{};
        main.style = CS_DBLCLKS;
        main.lpfnWndProc = Lumo::LumoAppBase::WindowProc;
        main.lpszClassName = "MainWindow";
        RegisterClassA(&main);
    }
    // The test's own folder stays the working folder.
    bool KeepWorkingDirectory(const std::string&) override { return true; }
    ~TestApp() override
    {
        Shutdown(); // the cursor thread ends before the test's objects go
        Lumo::gD3DRenderTargetLost = false;
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
        mDir = Folder();
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

private:
    // A death test's child runs the test again from the start and ends without tearing it down:
    // its folder lies inside the parent's, which goes when the parent's test ends.
    static std::filesystem::path Folder()
    {
        // A parameterised test's name holds a slash, which would leave its first half behind.
        std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(test.begin(), test.end(), '/', '_');
        auto folderOf = [&](pid_t pid)
        { return std::filesystem::temp_directory_path() / ("lumo_app_" + std::to_string(pid) + "_" + test); };
        if (!GTEST_FLAG_GET(internal_run_death_test).empty())
            return folderOf(getppid()) / ("death_" + std::to_string(getpid()));
        return folderOf(getpid());
    }
};
} // namespace AppTest
