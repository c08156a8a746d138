// The application object: construction, the run phase with the loading thread, shutdown.
#include "app/LumoAppBase.h"
#include "app/Common.h"
#include "app/HTTPTransfer.h"
#include "app/LeakTracker.h"
#include "audio/OutOfMemory.h"
#include "display/DDInterface.h"
#include "graphics/MemoryImage.h"
#include "media/AudioHost.h"
#include "media/BassMusicInterface.h"
#include "media/DSoundManager.h"
#include "resources/ResourceManager.h"
#include "text/SysFont.h"
#include "widgets/WidgetManager.h"
#include "win32/video_thread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <cstring>
#include <vector>

namespace Lumo
{
void CursorThreadProc(void* arg);

LumoAppBase* gLumoAppBase = nullptr;
HINSTANCE gHInstance = nullptr;

namespace
{
// Nothing calls these process-wide services yet; the reference keeps them in every program
// built on the application, so they exist from start-up to exit.
[[gnu::used]] const void* const kProcessServices[] = {&gLeakTracker, &gHTTPTransfer};

HMODULE gVersionDll = nullptr;
HMODULE gDDrawDll = nullptr;
HMODULE gUser32Dll = nullptr;

// Whatever stops the loading ends the program as a file that does not load does: with its text
// in the fatal-error box, never through std::terminate. Memory running out has a text kept ready,
// and so does any text that cannot be built.
void EndLoadingWith(LumoAppBase* app, const char* reason)
{
    try
    {
        const std::string text = std::string("There was an error while loading: ") + reason;
        app->ReportFatalError(text);
    }
    catch (...)
    {
        app->ReportFatalError(LumoAppBase::LOADING_OUT_OF_MEMORY_TEXT);
    }
    app->mCloseRequested = true;
}

void LoadingThreadProc(void* arg)
{
    auto* app = static_cast<LumoAppBase*>(arg);
    try
    {
        app->RunLoading();
    }
    catch (const std::exception& error)
    {
        if (IsOutOfMemory(error))
        {
            app->ReportFatalError(LumoAppBase::LOADING_OUT_OF_MEMORY_TEXT);
            app->mCloseRequested = true;
        }
        else
            EndLoadingWith(app, error.what());
    }
    catch (...)
    {
        EndLoadingWith(app, "an unknown failure");
    }
    // Written where no memory is needed: the loading may have ended for want of it.
    char line[64];
    std::snprintf(line, sizeof line, "Resource Loading Time: %d\r\n",
                  (int)(GetTickCount() - app->mCreationTick));
    OutputDebugStringA(line);
    app->mLoadingThreadCompleted = true;
}

// A fatal sound or music error ends the program as every other fatal start-up error does, with
// the audio code's own box: its caption ("Error", "Hey") and no owner window.
void AudioFatal(const char* text, const char* caption, UINT boxType)
{
    LumoAppBase* app = gLumoAppBase;
    if (app == nullptr)
    {
        if (text)
            MessageBoxA(nullptr, text, caption, boxType);
        std::exit(LumoAppBase::FATAL_EXIT_CODE);
    }
    if (text && app->IsScreenSaverMode())
        app->LogError(text);
    else if (text)
        app->ShowPopupBox(text, caption, boxType, false);
    app->ExitNow(LumoAppBase::FATAL_EXIT_CODE);
}
} // namespace

void CursorThreadProc(void* arg)
{
    static_cast<LumoAppBase*>(arg)->RunCursorThread();
}

bool LumoAppBase::StartCursorThread()
{
    if (mCursorThreadRunning.exchange(true))
        return true;
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    if (_beginthread(CursorThreadProc, 0, this) != (uintptr_t)-1)
        return true;
    mCursorThreadRunning = false; // nothing to wait for at shutdown
    return false;
}

bool LumoAppBase::StartLoadingThread()
{
    if (!mUseLoadingThread || mLoadingThreadStarted)
        return true;
    mLoadingPriorityRaised = true;
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    mLoadingThreadStarted = true;
    if (_beginthread(LoadingThreadProc, 0, this) != (uintptr_t)-1)
        return true;
    mLoadingThreadStarted = false;
    return false;
}

void LumoAppBase::RunCursorThread()
{
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    while (!mShutdown)
    {
        POINT pos{};
        bool known = true;
        if (mPlayingDemo)
        {
            pos.x = mCursorDemoX;
            pos.y = mCursorDemoY;
        }
        else
            known = GetCursorPos(&pos) && ScreenToClient(mCursorWindow, &pos);
        DDInterface* display = mDDInterface;
        if (known && mFrameDrawn && display)
        {
            POINT drawn;
            int refreshPeriod;
            {
                // The rate of the display as it is now: a new mode may have another.
                DisplayLock lock(display);
                drawn = POINT{display->mCursorDrawnX, display->mCursorDrawnY};
                refreshPeriod = 1000 / std::max(1, display->mRefreshRate);
            }
            if (drawn.x != pos.x || drawn.y != pos.y)
            {
                // Between frames the cursor is drawn at once; a frame due soon draws it anyway.
                if ((int)(timeGetTime() - mLastDrawTime) > refreshPeriod + 5)
                    display->SetCursorPos(pos.x, pos.y);
                else
                {
                    display->mCursorX = pos.x;
                    display->mCursorY = pos.y;
                }
            }
        }
        std::unique_lock<std::mutex> lock(mCursorThreadMutex);
        mCursorThreadWake.wait_for(lock, std::chrono::milliseconds(10), [this] { return mShutdown.load(); });
    }
    std::lock_guard<std::mutex> lock(mCursorThreadMutex);
    mCursorThreadRunning = false;
    mCursorThreadWake.notify_all();
}

LumoAppBase::LumoAppBase()
{
    gLumoAppBase = this;
    CatchUncaughtOutOfMemory();
    gVersionDll = LoadLibraryA("version.dll");
    gDDrawDll = LoadLibraryA("ddraw.dll");
    gDSoundDLL = LoadLibraryA("dsound.dll");
    SetAudioFatalHandler(&AudioFatal);
    Platform::SetOutOfMemoryHandler(&EndOutOfMemory);
    // Optional: the idle test that lets the system screen saver start.
    if ((gUser32Dll = LoadLibraryA("user32.dll")) != nullptr)
        mGetLastInputInfo = reinterpret_cast<BOOL(WINAPI*)(PLASTINPUTINFO)>(
            reinterpret_cast<void*>(GetProcAddress(gUser32Dll, "GetLastInputInfo")));
    if (std::string exePath = GetProgramPath(); !exePath.empty())
        mProductVersion = GetProductVersion(exePath);
    mCreationTick = GetTickCount();
    mStringTable = {
        {"DIALOG_BUTTON_OK", "OK"},
        {"DIALOG_BUTTON_CANCEL", "CANCEL"},
        {"UPDATE_CHECK_TITLE", "Update Check"},
        {"UPDATE_CHECK_BODY", "Checking if there are any updates available for this product ..."},
        {"UP_TO_DATE_TITLE", "Up to Date"},
        {"UP_TO_DATE_BODY", "There are no updates available for this product at this time."},
        {"NEW_VERSION_TITLE", "New Version"},
        {"NEW_VERSION_BODY", "There is an update available for this product.  Would you like to visit the "
                             "web site to download it?"},
    };
    mLastDrawTime = timeGetTime();
    mNextDrawTime = mLastDrawTime;
    mWidgetManager = new WidgetManager(this);
    mResourceManager = new ResourceManager(this);
}

LumoAppBase::~LumoAppBase()
{
    Shutdown();
    ConfirmHardwareAcceleration();
    WaitForLoadingThread();
    DeleteAllDialogs();
    // Widgets still waiting for deferred deletion go now: no loop will run again.
    mPumpNesting = 0;
    ProcessDeferredDeletions();
    if (mInvisHWnd)
    {
        SetWindowLongPtrA(mInvisHWnd, GWL_USERDATA, 0);
        DestroyWindow(mInvisHWnd);
        mInvisHWnd = nullptr;
    }
    delete mWidgetManager;
    mWidgetManager = nullptr;
    // Its images go back to the shared map before the map's pictures are deleted.
    delete mResourceManager;
    mResourceManager = nullptr;
    for (auto& [key, shared] : mSharedImageMap)
    {
        delete shared.mImage;
        shared.mImage = nullptr;
    }
    mSharedImageMap.clear();
    FreeDebugOverlays();
    // Pictures left alive by their owners stay registered with a display that is going away.
    delete mDDInterface;
    mDDInterface = nullptr;
    delete mMusicInterface;
    mMusicInterface = nullptr;
    delete mSoundManager;
    mSoundManager = nullptr;
    if (mHWnd)
    {
        SetWindowLongPtrA(mHWnd, GWL_USERDATA, 0);
        DestroyWindow(mHWnd);
        mHWnd = nullptr;
    }
    if (gLumoAppBase == this)
        gLumoAppBase = nullptr;
    SetAudioFatalHandler(nullptr);
    Platform::SetOutOfMemoryHandler(nullptr);
    WriteDemoFile();
    for (HCURSOR* cursor : {&mHandCursor, &mDragCursor})
    {
        if (*cursor)
            DestroyCursor(*cursor);
        *cursor = nullptr;
    }
    for (HMODULE* dll : {&gDDrawDll, &gDSoundDLL, &gVersionDll, &gUser32Dll})
    {
        if (*dll)
            FreeLibrary(*dll);
        *dll = nullptr;
    }
    // The settings that Shutdown left to be written are on the disk when the application is gone.
    Platform::FinishRegistryWrites();
}

bool LumoAppBase::HaveDisplayModules() const
{
    return gDDrawDll != nullptr && gDSoundDLL != nullptr;
}

HMODULE LumoAppBase::GetDDrawModule()
{
    return gDDrawDll;
}

bool LumoAppBase::IsMainThread() const
{
    return GetCurrentThreadId() == mMainThreadId;
}

void LumoAppBase::ExitNow(int code)
{
    // The process ends on the main thread, so that nothing is torn down under its feet; a caller
    // on another thread waits there until it has.
    Platform::CallOnVideoThread([code] { std::exit(code); });
    std::exit(code);
}

void LumoAppBase::Start()
{
    if (mShutdown)
        return;
    // A fatal error in Init ended the start: nothing more is loaded or shown.
    if (mCloseRequested)
    {
        Shutdown();
        return;
    }
    // Without either thread the game would wait for loading, or for the cursor at shutdown,
    // forever.
    if (!StartCursorThread() || !StartLoadingThread())
    {
        ReportFatalError(THREAD_START_FAILED_TEXT);
        Shutdown();
        return;
    }
    if (mHWnd)
    {
        ShowWindow(mHWnd, SW_SHOW);
        SetFocus(mHWnd);
    }

    timeBeginPeriod(1);
    DWORD start = timeGetTime();
    mInMainLoop = true;
    mLastInputTime = start;
    mLastTimerTime = start;
    MainLoop();
    ProcessDeferredDeletions();
    mInMainLoop = false;

    WaitForLoadingThread();

    // An unsigned difference already wraps as a stamp that passed 2^32 should.
    double seconds = (DWORD)(timeGetTime() - start) / 1000.0;
    OutputDebugStringA(FormatString("Seconds       = %g\r\n", seconds).c_str());
    OutputDebugStringA(FormatString("Sleep Count   = %d\r\n", mSleepCount).c_str());
    OutputDebugStringA(FormatString("Update Count  = %d\r\n", mUpdateCount).c_str());
    OutputDebugStringA(FormatString("Draw Count    = %d\r\n", mDrawCount).c_str());
    OutputDebugStringA(FormatString("Draw Time     = %d\r\n", mDrawTime).c_str());
    OutputDebugStringA(FormatString("Screen Blt    = %d\r\n", mScreenBltTime).c_str());
    // In 64 bits: a few hours of frames times 1000 is past an int.
    const long long drawMs = (long long)mDrawTime + mScreenBltTime;
    if (drawMs > 0)
        OutputDebugStringA(FormatString("Avg FPS       = %lld\r\n", mDrawCount * 1000LL / drawMs).c_str());

    timeEndPeriod(1);
    MainLoopDoneHook();
    SaveSettings();
}

void LumoAppBase::Shutdown()
{
    if (mMainThreadId != 0 && !IsMainThread())
    {
        mCloseRequested = true;
        return;
    }
    if (mShutdown.exchange(true))
        return;
    {
        std::lock_guard<std::mutex> lock(mCursorThreadMutex);
        mCursorThreadWake.notify_all();
    }
    mExitToTop = true;
    ShutdownHook();
    if (mPlayingDemo)
    {
        SetMusicVolume(mDemoMusicVolume);
        SetSfxVolume(mDemoSfxVolume);
    }
    {
        std::unique_lock<std::mutex> lock(mCursorThreadMutex);
        while (mCursorThreadRunning)
            mCursorThreadWake.wait_for(lock, std::chrono::milliseconds(10));
    }
    if (mMusicInterface)
        mMusicInterface->StopAllMusic();
    if (!mIsPhysWindowed && mDDInterface && mDDInterface->mDD)
    {
        EnumWindows(KeepWindowRect, FALSE);
        mDDInterface->mDD->RestoreDisplayMode();
        EnumWindows(KeepWindowRect, TRUE);
    }
    if (mHWnd)
        ShowWindow(mHWnd, SW_HIDE);
    if (mSettingsLoaded)
    {
        // The file is written while the display is taken down: its sync waits on the disk.
        Platform::RegistryBatch behind(true);
        SaveSettings();
    }
}

double LumoAppBase::GetLoadingProgress()
{
    if (mLoadingDoneHandled)
        return 1.0;
    if (mLoadingThreadStarted && !mLoadingThreadCompleted && mLoadingTaskCount > 0)
        return std::min(1.0, (double)mLoadingTasksDone / mLoadingTaskCount);
    return 0.0;
}

void LumoAppBase::ConfirmHardwareAcceleration()
{
    if (mDDInterface == nullptr)
        return;
    const std::string caption = mCaptionPrefix + " Hardware Acceleration Confirmation";
    bool asked = false;
    if (m3DSettingChanged)
    {
        bool stored = false;
        bool found = RegistryReadBoolean("Is3D", &stored);
        if (!found && mDDInterface->mIs3D && !Is3DTestClean())
        {
            asked = true;
            int answer = MessageBoxA(nullptr,
                                     "Hardware Acceleration was switched on during this session.\r\n"
                                     "If this resulted in slower performance, it should be switched off.\r\n"
                                     "Would you like to keep Hardware Acceleration switched on?",
                                     caption.c_str(), MB_YESNO | MB_ICONQUESTION);
            mDDInterface->mIs3D = answer == IDYES;
            if (answer == IDYES)
                RegistryWriteBoolean("Is3D", true);
        }
        else if (found || mDDInterface->mIs3D)
            RegistryWriteBoolean("Is3D", mDDInterface->mIs3D);
    }
    if (!asked && gD3DRenderTargetLost && !mScreenSaverMode)
    {
        int answer =
            MessageBoxA(nullptr,
                        "Hardware Acceleration may not have been working correctly during this session.\r\n"
                        "If you noticed graphics problems, you may want to turn off Hardware "
                        "Acceleration.\r\nWould you like to keep Hardware Acceleration switched on?",
                        caption.c_str(), MB_YESNO | MB_ICONQUESTION);
        if (answer == IDNO)
            RegistryWriteBoolean("Is3D", false);
    }
}

void LumoAppBase::HideMainWindow()
{
    SetMusicVolume(0.0);
    if (mHWnd)
        ShowWindow(mHWnd, SW_HIDE);
    mWindowHidden = true;
    ApplyCursor();
}

std::string LumoAppBase::GetProductVersion(const std::string& path)
{
    if (!mVersionProcsLooked)
    {
        mVersionProcsLooked = true;
        if (gVersionDll != nullptr)
        {
            mGetFileVersionInfoSize = reinterpret_cast<decltype(mGetFileVersionInfoSize)>(
                reinterpret_cast<void*>(GetProcAddress(gVersionDll, "GetFileVersionInfoSizeA")));
            mGetFileVersionInfo = reinterpret_cast<decltype(mGetFileVersionInfo)>(
                reinterpret_cast<void*>(GetProcAddress(gVersionDll, "GetFileVersionInfoA")));
            mVerQueryValue = reinterpret_cast<decltype(mVerQueryValue)>(
                reinterpret_cast<void*>(GetProcAddress(gVersionDll, "VerQueryValueA")));
        }
    }
    if (!mGetFileVersionInfoSize || !mGetFileVersionInfo || !mVerQueryValue)
        return "";
    DWORD handle = 0;
    DWORD size = mGetFileVersionInfoSize(path.c_str(), &handle);
    if (size == 0)
        return "";
    std::vector<char> block(size);
    if (!mGetFileVersionInfo(path.c_str(), handle, size, block.data()))
        return "";
    for (const char* query :
         {"\\StringFileInfo\\040904B0\\ProductVersion", "\\StringFileInfo\\040904E4\\ProductVersion"})
    {
        void* value = nullptr;
        UINT length = 0;
        if (!mVerQueryValue(block.data(), query, &value, &length) || value == nullptr)
            continue;
        // Read only inside the block, and up to the first null.
        const char* text = static_cast<const char*>(value);
        if (text < block.data() || text >= block.data() + size)
            continue;
        size_t room = std::min<size_t>(length, (size_t)(block.data() + size - text));
        return std::string(text, strnlen(text, room));
    }
    return "";
}

Font* LumoAppBase::CreateSysFont(const std::string& face, int pointSize, int style)
{
    return new SysFont(this, face, pointSize, style);
}

std::string LumoAppBase::GetCrashInfoText()
{
    int seconds = (int)((GetTickCount() - mCreationTick) / 1000);
    return "Product: " + mProductName + "\r\n" + "Version: " + mProductVersion + "\r\n" +
           "Time Loaded: " + FormatString("%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60) +
           "\r\nFullscreen: " + (mIsWindowed ? "No" : "Yes") +
           FormatString("\r\nPrimary ThreadId: %X\r\n", (unsigned)mMainThreadId);
}
} // namespace Lumo
