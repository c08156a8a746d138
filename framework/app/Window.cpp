// The main window and its display: creation, placement, screen modes and their fallbacks, start-up.
#include "app/Common.h"
#include "app/Cursors.h"
#include "app/LumoAppBase.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "media/DSoundManager.h"
#include "media/MusicInterface.h"
#include "widgets/WidgetManager.h"
#include "app/MersenneTwister.h"
#include "app/SettingValues.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <unistd.h>

namespace Lumo
{
namespace
{
constexpr DWORD WINDOWED_STYLE = WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT_PTR WINDOW_TIMER_ID = 100;
const char* const DIRECTX_URL = "https://crustavia.example/directx";

std::string ExecutableFolder()
{
    std::string folder = GetProgramPath();
    size_t cut = folder.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : folder.substr(0, cut);
}
} // namespace

bool LumoAppBase::Is3DEnabled()
{
    return mDDInterface && mDDInterface->mIs3D;
}

void LumoAppBase::FailDisplay(int result)
{
    ShowFatalError("Failed to initialize DirectDraw: " +
                   (mDDInterface ? DDInterface::ResultToString(result) + " " + mDDInterface->mErrorText
                                 : std::string("no display")));
    ExitNow(FATAL_EXIT_CODE);
}

void LumoAppBase::FailColorDepth()
{
    ShowFatalError("Please set your desktop color depth to 16 bit.");
    ExitNow(FATAL_EXIT_CODE);
}

int LumoAppBase::StartDisplay(bool modeChanged)
{
    // The start frees the old screen picture; the widgets get the new one only if it succeeds.
    if (mWidgetManager)
        mWidgetManager->mImage = nullptr;
    DisplayReinitHook();
    if (modeChanged)
        DeleteExtraImageBuffers();
    DeleteNativeImageData();
    int result = mDDInterface->Init(mHWnd, mIsPhysWindowed);
    RecordDisplayState(mIsWindowed, mDDInterface->mRefreshRate);
    return result;
}

int LumoAppBase::DisplayRefreshPeriod() const
{
    return 1000 / std::max(1, mDDInterface ? mDDInterface->mRefreshRate : mRefreshRate);
}

void LumoAppBase::GiveScreenToWidgets()
{
    ReInitImages();
    if (mWidgetManager)
    {
        mWidgetManager->mImage = mDDInterface->GetDrawSurfaceImage();
        mWidgetManager->MarkTreeDirty();
    }
}

void LumoAppBase::OnDisplayStarted()
{
    GiveScreenToWidgets();
    SetTimer(mHWnd, WINDOW_TIMER_ID, (UINT)mFrameTime, nullptr);
    mDisplayResetTime = timeGetTime();
}

void LumoAppBase::CreateMainWindow()
{
    if (mHWnd)
    {
        SetWindowLongPtrA(mHWnd, GWL_USERDATA, 0);
        DestroyWindow(mHWnd);
        mHWnd = nullptr;
    }
    if (!mPlayingDemo && !mIsWindowed)
    {
        // The display mode changes: the other windows' places are kept to be put back.
        EnumWindows(KeepWindowRect, FALSE);
        mHWnd = CreateWindowExA(WS_EX_TOPMOST, "MainWindow", mTitle.c_str(), WS_POPUP | WS_VISIBLE, 0, 0,
                                mWidth, mHeight, nullptr, nullptr, gHInstance, nullptr);
        mIsPhysWindowed = false;
    }
    else
    {
        RECT frame{0, 0, mWidth, mHeight};
        AdjustWindowRect(&frame, WINDOWED_STYLE, FALSE);
        int frameWidth = frame.right - frame.left;
        int frameHeight = frame.bottom - frame.top;
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        // A window saved on another monitor than the primary is kept inside that monitor's work
        // area instead of being pulled onto the primary's.
        RECT saved{mPreferredX, mPreferredY, mPreferredX + frameWidth, mPreferredY + frameHeight};
        MONITORINFO monitor{sizeof(MONITORINFO), {}, {}, 0};
        if (mPreferredX != -1 && GetMonitorInfoA(MonitorFromRect(&saved, MONITOR_DEFAULTTOPRIMARY), &monitor))
            work = monitor.rcWork;
        POINT pos = MainWindowPosition(work, frameWidth, frameHeight, mPreferredX, mPreferredY);
        bool centred = mPreferredX == -1;
        mHWnd = CreateWindowExA(0, "MainWindow", mTitle.c_str(), WINDOWED_STYLE, centred ? 64 : pos.x,
                                centred ? 64 : pos.y, frameWidth, frameHeight, nullptr, nullptr, gHInstance,
                                nullptr);
        if (mHWnd && centred)
            MoveWindow(mHWnd, pos.x, pos.y, frameWidth, frameHeight, FALSE);
        mIsPhysWindowed = true;
    }
    if (mHWnd == nullptr)
        FailDisplay(RESULT_FAIL);
    SetWindowLongPtrA(mHWnd, GWL_USERDATA, (LONG_PTR)this);
    mCursorWindow = mHWnd;

    if (mDDInterface == nullptr)
        mDDInterface = new DDInterface(this);
    if (!mScreenPrepared)
    {
        // Once, with the first window and its display.
        mScreenPrepared = true;
        bool is3D = false;
        if (RegistryReadBoolean("Is3D", &is3D))
        {
            if (mAutoEnable3D)
            {
                mAutoEnable3D = false;
                mRun3DTest = true;
            }
            if (is3D)
                mRun3DTest = true;
            mDDInterface->mIs3D = is3D;
        }
    }

    int result = StartDisplay();
    if (NewTestResult())
        RegistryDeleteValue("Is3D");

    if (result == RESULT_INVALID_COLORDEPTH && mIsPhysWindowed)
    {
        if (mFullScreenFailed)
            FailColorDepth();
        mWindowedFailed = true;
        SetWindowed(false);
        return;
    }
    if ((result == RESULT_EXCLUSIVE_FAIL || result == RESULT_DISPCHANGE_FAIL) && !mIsPhysWindowed)
    {
        // Windowed mode already failed for the desktop's depth, and no mode change helps: the
        // desktop is one the program cannot draw on.
        if (mWindowedFailed)
            FailColorDepth();
        mFullScreenFailed = true;
        SetWindowed(true);
        result = RESULT_OK;
    }
    if (result == RESULT_3D_FAIL || (result != RESULT_OK && mDDInterface->mIs3D))
    {
        Set3D(false, true);
        return;
    }
    if (result != RESULT_OK)
        FailDisplay(result);

    if (mMinimized)
    {
        if (mMuteOnLostFocus)
            Unmute(true);
        mMinimized = false;
        // A played demo does not start the display again: the window coming back is a record of
        // its own, or the replay would stay minimised and hold the widgets' updates.
        if (mRecordingDemo && !mShutdown)
            RecordMinimized(false);
        UpdateFocus();
    }
    OnDisplayStarted();
}

void LumoAppBase::SetAlphaDisabled(bool disabled)
{
    if (disabled == mVideoMemoryDraw)
        return;
    mVideoMemoryDraw = disabled;
    if (mDDInterface == nullptr)
        return;
    mDDInterface->CreateDrawSurfaceImage(disabled);
    if (mWidgetManager)
    {
        mWidgetManager->mImage = mDDInterface->GetDrawSurfaceImage();
        mWidgetManager->MarkTreeDirty();
    }
}

void LumoAppBase::Set3D(bool is3D, bool recreate)
{
    if (mDDInterface == nullptr || mDDInterface->mIs3D == is3D)
        return;
    m3DSettingChanged = true;
    mDDInterface->mIs3D = is3D;
    if (!recreate)
        return;
    int result = StartDisplay(true);
    if (result != RESULT_OK)
    {
        if (is3D)
        {
            Set3D(false, recreate);
            return;
        }
        FailDisplay(result);
    }
    OnDisplayStarted();
}

void LumoAppBase::SetScreenMode(bool windowed, bool is3D, bool force)
{
    if (mWindowedFailed)
        windowed = false;
    // A window larger than the desktop is cut off at its edges, the bottom bar and its buttons out
    // of reach: the start chose full screen for it, and asking for a window keeps that.
    if (windowed && !mPlayingDemo && !WindowFitsDesktop())
        windowed = false;
    if (mIsWindowed == windowed && !force)
    {
        Set3D(is3D, true);
        return;
    }
    Set3D(is3D, false);
    mIsWindowed = windowed;
    CreateMainWindow();
    // A browser opening a link keeps the focus: taking it back would count as a failure.
    if (mWaitingForUrlOpen)
        ShowWindow(mHWnd, SW_SHOWNOACTIVATE);
    else
    {
        ShowWindow(mHWnd, SW_SHOWNORMAL);
        SetForegroundWindow(mHWnd);
    }
    if (mSoundManager)
        mSoundManager->SetCooperativeWindow(mHWnd, mIsWindowed);
    mDisplayResetTime = timeGetTime();
}

bool LumoAppBase::WindowFitsDesktop() const
{
    DEVMODEA desktop{};
    desktop.dmSize = sizeof(desktop);
    // The desktop's own mode is the one in the registry; a desktop not known counts as fitting.
    return !EnumDisplaySettingsA(nullptr, ENUM_REGISTRY_SETTINGS, &desktop) ||
           (mWidth < (int)desktop.dmPelsWidth && mHeight < (int)desktop.dmPelsHeight);
}

void LumoAppBase::SetWindowed(bool windowed)
{
    SetScreenMode(windowed, Is3DEnabled(), false);
}

void LumoAppBase::ReapplyScreenMode()
{
    SetScreenMode(mIsWindowed, Is3DEnabled(), true);
}

std::string LumoAppBase::WorkingFolder()
{
    std::string folder = ExecutableFolder();
    return folder.empty() || KeepWorkingDirectory(folder) ? "." : folder;
}

void LumoAppBase::Init()
{
    mMainThreadId = GetCurrentThreadId();
    if (mShutdown)
        return;
    if (!HaveDisplayModules())
    {
        MessageBoxA(
            nullptr,
            (std::string("This application requires DirectX to run.  You can get DirectX at ") + DIRECTX_URL)
                .c_str(),
            "You need DirectX", MB_ICONERROR);
        ExitNow(FATAL_EXIT_CODE);
    }
    if (!mCommandLineParsed)
        ParseCommandLine();
    if (gHInstance == nullptr)
        gHInstance = GetModuleHandleA(nullptr);
    SetCurrentDirectoryA(WorkingFolder().c_str());

    mRandSeed = GetTickCount();
    SRand(mRandSeed);
    if (mPlayingDemo)
    {
        std::string error;
        if (!ReadDemoFile(error))
        {
            ShowFatalError(error);
            mPlayingDemo = false;
            ExitNow(FATAL_EXIT_CODE);
        }
    }
    // What start-up stores (the running mark, the self test's record) is written once, at the end.
    Platform::RegistryBatch startWrites;
    PreSettingsHook();
    std::srand(GetTickCount());
    LoadSettings();

    WNDCLASSA mainClass{};
    mainClass.style = CS_DBLCLKS;
    mainClass.lpfnWndProc = WindowProc;
    mainClass.hInstance = gHInstance;
    mainClass.hIcon = LoadIconA(gHInstance, "IDI_MAIN_ICON");
    mainClass.lpszClassName = "MainWindow";
    RegisterClassA(&mainClass);
    WNDCLASSA hiddenClass{};
    hiddenClass.lpfnWndProc = WindowProc;
    hiddenClass.hInstance = gHInstance;
    hiddenClass.lpszClassName = "InvisWindow";
    RegisterClassA(&hiddenClass);
    mInvisHWnd = CreateWindowExA(0, "InvisWindow", mTitle.c_str(), 0, 0, 0, 0, 0, nullptr, nullptr,
                                 gHInstance, nullptr);
    SetWindowLongPtrA(mInvisHWnd, GWL_USERDATA, (LONG_PTR)this);
    mHandCursor = CreateHandCursor();
    mDragCursor = CreateDragCursor();

    PreDisplayHook();
    if (mWidgetManager)
        mWidgetManager->SetSize(mWidth, mHeight);
    if (mIsWindowed && !WindowFitsDesktop())
        mIsWindowed = false;
    CreateMainWindow();
    if (mPlayingDemo)
    {
        bool windowed = mIsWindowed;
        int refreshRate = mRefreshRate;
        if (mDemo.TakeDisplay(mUpdateCount, &windowed, &refreshRate))
        {
            mIsWindowed = windowed;
            mRefreshRate = refreshRate;
        }
    }
    if (mSoundManager == nullptr)
        mSoundManager = new (std::nothrow) DSoundManager(mAudioDisabled ? nullptr : mHWnd, mUseFModMusic);
    SetSfxVolume(mSfxVolume);
    if (mMusicInterface == nullptr)
        mMusicInterface = CreateMusicInterface(mInvisHWnd);
    SetMusicVolume(mMusicVolume);
    if (mScreenSaverMode)
        SetCursorNum(11);
    PostInitHook();
    mInitialized = true;
}
} // namespace Lumo

// ---- cursors --------------------------------------------------------------------

namespace Lumo
{
void LumoAppBase::SetCursorNum(int cursorNum)
{
    mCursorNum = cursorNum;
    ApplyCursor();
}

void LumoAppBase::ApplyCursor()
{
    if (mDDInterface == nullptr)
        return;
    if (mWindowHidden || !mMouseIn)
    {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        if (mDDInterface->SetCursorImage(nullptr))
            mForceRedraw = true;
        return;
    }
    // Only the numbers of the table have pictures.
    Image* picture = mCursorNum >= 0 && mCursorNum < CURSOR_COUNT ? mCursorImages[mCursorNum] : nullptr;
    if (picture && (mPlayingDemo || mCustomCursorsEnabled || mCursorNum == 12))
    {
        if (mDDInterface->SetCursorImage(picture))
            mForceRedraw = true;
        if (!mPlayingDemo)
            SetCursor(nullptr);
        else
        {
            // The real pointer shows that input is not taken while a demo plays.
            POINT cursor;
            RECT client;
            bool inside = GetCursorPos(&cursor) && ScreenToClient(mHWnd, &cursor) &&
                          GetClientRect(mHWnd, &client) && cursor.x >= client.left &&
                          cursor.y >= client.top && cursor.x < client.right && cursor.y < client.bottom;
            SetCursor(LoadCursorA(nullptr, inside ? IDC_NO : IDC_ARROW));
        }
        mSoftwareCursorShown = false;
        return;
    }
    HCURSOR cursor = mOverrideCursor;
    if (cursor == nullptr)
    {
        if (mCursorNum == 1)
            cursor = mHandCursor;
        else if (mCursorNum == 2)
            cursor = mDragCursor;
        else if (LPCSTR name = SystemCursorName(mCursorNum))
            cursor = LoadCursorA(nullptr, name);
    }
    SetCursor(cursor);
    if (mDDInterface->SetCursorImage(nullptr))
        mForceRedraw = true;
    mSoftwareCursorShown = true;
}
} // namespace Lumo
