// The one application object: start-up, the timed main loop, the main window's input
// queue, settings, demos, the command line and the sound front.
#pragma once

#include "app/DemoFile.h"
#include "app/DemoStream.h"
#include "graphics/Rect.h"
#include "graphics/SharedImage.h"
#include "widgets/ButtonListener.h"
#include "widgets/DialogListener.h"
#include "win32/windows.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace Lumo
{
class DDImage;
struct DebugOverlays;
class Dialog;
class Font;
class DDInterface;
class Image;
class MemoryImage;
class NativeDisplay;
class ResourceManager;
class MusicInterface;
class SoundManager;
class Widget;
class WidgetManager;

class LumoAppBase : public ButtonListener, public DialogListener
{
public:
    // ---- identity and settings ----
    uint32_t mRandSeed = 0;
    std::string mCaptionPrefix;
    std::string mProductName = "Product";
    std::string mTitle = "LumoApp";
    std::string mProductVersion;
    std::string mRegistryKey;
    int mPreferredX = -1;
    int mPreferredY = -1;
    int mWidth = 640;
    int mHeight = 480;
    bool mPopupActive = false;
    double mMusicVolume = 0.85;
    double mSfxVolume = 0.85;
    double mDemoMusicVolume = 0.0;
    double mDemoSfxVolume = 0.0;
    bool mAudioDisabled = false;
    bool mCommandLineParsed = false;
    WidgetManager* mWidgetManager = nullptr;
    // The open dialogs, owned: by id, and in the order they were added.
    std::map<int, Dialog*> mDialogMap;
    std::list<Dialog*> mDialogList;
    // Named texts, such as the dialogs' defaults.
    std::map<std::string, std::string> mStringTable;
    DWORD mMainThreadId = 0;
    bool mWindowHidden = false;
    std::atomic<bool> mShutdown{false};
    std::atomic<bool> mExitToTop{false};
    bool mIsWindowed = true;
    bool mIsPhysWindowed = true;
    bool mWindowedFailed = false;
    bool mFullScreenFailed = false;
    bool mInitialized = false;
    DWORD mCreationTick = 0;
    HWND mHWnd = nullptr;
    HWND mInvisHWnd = nullptr;
    bool mScreenSaverMode = false;
    // Running as the system screen saver: what ends it.
    bool mSaverStarted = false;
    bool mSaverClosing = false;
    int mSaverMoveCount = 0;
    POINT mSaverLastPos{};
    // The last monitor-power or screen-saver system command (GetTickCount): the input right
    // after one is noise.
    DWORD mSaverCommandTime = 0;
    bool mSaverCommandSeen = false;
    DDInterface* mDDInterface = nullptr;
    MusicInterface* mMusicInterface = nullptr;
    bool mSettingsLoaded = false;
    SoundManager* mSoundManager = nullptr;
    bool mMinimized = false;
    bool mUseLoadingThread = true;
    std::atomic<bool> mLoadingThreadStarted{false};
    std::atomic<bool> mLoadingThreadCompleted{false};
    bool mLoadingDoneHandled = false;
    bool mLoadingPriorityRaised = false;
    std::atomic<bool> mCloseRequested{false};
    // A fatal error was reported: the program ends with FATAL_EXIT_CODE.
    std::atomic<bool> mFatalError{false};
    std::atomic<bool> mCursorThreadRunning{false};
    // Ends the cursor thread's pause when shutdown begins, and Shutdown's wait for that thread
    // when it has left, instead of each waiting out a sleep.
    std::mutex mCursorThreadMutex;
    std::condition_variable mCursorThreadWake;
    int mLoadingTaskCount = 0;
    int mLoadingTasksDone = 0;
    bool mSyncToRefresh = false;
    bool mCustomCursorsEnabled = false;
    int mFullScreenBits = 16;
    bool mUseFModMusic = false;
    ResourceManager* mResourceManager = nullptr;

    // ---- live and shared images (guarded by the display lock) ----
    std::set<MemoryImage*> mMemoryImageSet;
    std::map<std::pair<std::string, std::string>, SharedImage> mSharedImageMap;
    std::atomic<bool> mCleanSharedImages{false};

    // ---- main loop and timing ----
    int mFrameTime = 10;
    double mUpdateMultiplier = 1.0;
    int mRefreshRate = 100;
    bool mWaitForVSync = false;
    bool mRefreshSyncDisabled = false;
    int mPumpState = 0;
    int mPumpNesting = 0;
    int mUpdateCount = 0;
    int mUpdatesSinceDraw = 0;
    double mUpdateFractionAcc = 0.0;
    double mTimeAccumulator = 0.0;
    DWORD mLastAccumulateTime = 0;
    bool mHasPendingDraw = true;
    bool mLastDrawSkipped = false;
    bool mInWidgetDraw = false;
    std::atomic<DWORD> mLastDrawTime{0};
    DWORD mNextDrawTime = 0;
    bool mForceRedraw = false;
    int mFreezeState = 0;
    bool mSimulationPaused = false;
    int mStrikeCount = 0;
    DWORD mLastStrikeCheckTime = 0;
    DWORD mStrikeCheckUpdates = 0;
    int mSleepCount = 0;
    int mDrawCount = 0;
    int mDrawTime = 0;
    int mScreenBltTime = 0;
    bool mAutoMuted = false;
    bool mActive = true;
    bool mDisplayLost = false;
    DWORD mLastReinitTick = 0;
    // The system screen saver: the idle test and what it last read.
    BOOL(WINAPI* mGetLastInputInfo)(PLASTINPUTINFO) = nullptr;
    DWORD mLastSaverIdleCheck = 0;
    DWORD mLastSaverCheckTime = 0;
    bool mSaverChecked = false;
    bool mSaverActive = false;
    int mSaverIdleLimit = 1000;
    bool mInMainLoop = false;
    // Read by the cursor thread: a frame was presented; the window; the replayed pointer (x, y).
    std::atomic<bool> mFrameDrawn{false};
    std::atomic<HWND> mCursorWindow{nullptr};
    std::atomic<int> mCursorDemoX{0};
    std::atomic<int> mCursorDemoY{0};
    bool m3DSettingChanged = false;
    bool mAutoEnable3D = false;
    bool mRun3DTest = false;
    int m3DTestMinVidMemory = 6;
    int m3DTestRecVidMemory = 14;
    bool mScreenPrepared = false;
    DWORD mDisplayResetTime = 0;
    DWORD mFastForwardStamp = 0;
    bool mFastForwardStampTaken = false;

    // ---- web links ----
    bool mWaitingForUrlOpen = false;
    bool mShutdownOnUrlOpen = false;
    std::string mPendingUrl;
    DWORD mUrlOpenTick = 0;
    // The version services, looked up on the first product-version query.
    bool mVersionProcsLooked = false;
    DWORD(WINAPI* mGetFileVersionInfoSize)(LPCSTR, LPDWORD) = nullptr;
    BOOL(WINAPI* mGetFileVersionInfo)(LPCSTR, DWORD, DWORD, LPVOID) = nullptr;
    BOOL(WINAPI* mVerQueryValue)(LPCVOID, LPCSTR, LPVOID*, UINT*) = nullptr;

    // ---- window and input ----
    bool mHasFocus = true;
    bool mMuteOnLostFocus = true;
    std::list<MSG> mMessageQueue;
    bool mCtrlDown = false;
    bool mAltDown = false;
    // Held on the live keyboard; while a demo plays the widgets' key table is the demo's.
    bool mShiftDown = false;
    bool mDebugKeysEnabled = false;
    bool mShowDebugOverlay = false;
    // 0: frame rate; 1: mouse position.
    int mDebugOverlayMode = 0;
    // The overlays' pictures and font, made on first use.
    DebugOverlays* mDebugOverlays = nullptr;
    bool mMouseIn = false;
    DWORD mLastTimerTime = 0;
    DWORD mLastInputTime = 0;
    DWORD mResumeTime = 0;
    bool mCloseMessageSeen = false;
    bool mAllowScreenSaver = true;
    int mCursorNum = 0;
    Image* mCursorImages[13] = {};
    HCURSOR mOverrideCursor = nullptr;
    bool mSoftwareCursorShown = true;
    HCURSOR mHandCursor = nullptr;
    HCURSOR mDragCursor = nullptr;
    // The screen picture is drawn in a video-memory surface (the display's draw surface flag).
    bool mVideoMemoryDraw = false;

    // Widgets whose deletion was asked for, with the pump depth at which it was asked.
    std::list<std::pair<int, Widget*>> mDeferredDeletions;

    // ---- sound ----
    int mMuteCount = 0;
    int mAutoMuteCount = 0;

    // ---- demos ----
    bool mRecordingDemo = false;
    bool mPlayingDemo = false;
    std::string mDemoFilePrefix = "lumoapp";
    std::string mDemoFileName = "lumoapp.dmo";
    int mDemoFileNumber = 0; // the number in mDemoFileName when it is a numbered demo to record
    DemoStream mDemo;
    std::vector<DemoMarker> mDemoMarkerList;
    int mDemoLength = 0;
    bool mDemoLoadingComplete = false;
    int mFastForwardToUpdateNum = 0;
    bool mFastForwardToEnd = false;
    bool mFastForwardStep = false;

    LumoAppBase();
    virtual ~LumoAppBase();

    // ---- virtual operations ----
    virtual bool TimedUpdate(bool allowSleep);
    virtual void UpdateWidgets();
    virtual bool UpdateTick();
    virtual void UpdateFraction(float fraction);
    virtual void OnLoadingDone() {}
    virtual void PostInitHook() {}
    virtual void ShutdownHook() {}
    virtual void MainLoopDoneHook() {}
    virtual void RunLoading() {}
    virtual void SaveSettings();
    virtual void LoadSettings();
    virtual Dialog* CreateDialogObject(int id, bool isModal, const std::string& header,
                                       const std::string& lines, const std::string& footer, int buttonMode);
    virtual void EnterPopupState();
    virtual void LeavePopupState();
    virtual int ShowMessageBox(const std::string& text, const std::string& caption, int flags);
    virtual void ShowFatalError(const std::string& text);
    virtual void LogError(const std::string& text);
    virtual void DeferWidgetDeletion(Widget* widget);
    virtual void OnUrlOpenFailed(const std::string& url);
    virtual void OnUrlOpened(const std::string& url);
    // Hands the link to the user's browser; whether that worked is decided later by the
    // timer watchdog or the loss of focus. False when it was refused at once.
    virtual bool OpenUrl(const std::string& url, bool shutdownWhenOpened = false);
    // The product version of the executable file; empty when it has none.
    virtual std::string GetProductVersion(const std::string& path);
    virtual void PlaySampleWithPan(int id, int pan);
    virtual void PlaySample(int id);
    virtual double GetMasterVolume();
    virtual void SetMasterVolume(double volume);
    virtual void HideMainWindow();
    virtual std::string GetCrashInfoText();
    virtual void Shutdown();
    virtual void ParseCommandLine();
    virtual void SplitCommandLine(const std::string& line);
    virtual void HandleCommandLineOption(const std::string& name, const std::string& value);
    virtual void Start();
    virtual double GetMusicVolume();
    virtual double GetSfxVolume();
    virtual bool IsMuted();
    virtual void SetMusicVolume(double volume);
    virtual void SetSfxVolume(double volume);
    virtual void Mute(bool autoMute);
    virtual void Unmute(bool autoMute);
    virtual double GetLoadingProgress();
    virtual void GotFocus() {}
    virtual void LostFocus() {}
    // Alt+R is an ordinary key, not a menu accelerator.
    virtual bool IsAltKeyUsed(WPARAM key);
    // Acts on a debug key while the debug keys are on; true when the key goes no further.
    virtual bool HandleDebugKey(WPARAM key);
    virtual bool DebugKeyDownEx(WPARAM key, bool ctrlDown) { return false; }
    virtual void OnCloseHook() {}
    // The display's 3-D self test measured a new result.
    virtual void New3DResultHook() {}
    // What a subclass adds to a crash report.
    virtual std::string GetExtraCrashText() { return ""; }
    virtual bool DrawFrame();
    virtual void Redraw(RECT* clip);
    virtual void PreSettingsHook() {}
    virtual void MainLoop();
    virtual bool PumpStep(bool* updated);
    virtual bool PumpUntilUpdate();
    virtual void CreateMainWindow();
    virtual void SetScreenMode(bool windowed, bool is3D, bool force);
    virtual void SetWindowed(bool windowed);
    virtual void ReapplyScreenMode();
    // Moves the screen picture into (true) or out of video memory, where alpha drawing is off.
    virtual void SetAlphaDisabled(bool disabled);
    // Replaces any dialog of that id with a new one.
    virtual Dialog* ShowDialog(int id, bool isModal, const std::string& header, const std::string& lines,
                               const std::string& footer, int buttonMode);
    virtual Dialog* GetDialog(int id);
    virtual void AddDialogObject(Dialog* dialog);
    // Registers, places (when it has no width yet) and shows the dialog, which the application
    // then owns.
    virtual void AddDialog(int id, Dialog* dialog);
    virtual bool RemoveDialogObject(Dialog* dialog);
    // Takes the dialog off the screen; it is deleted later. False when no dialog has the id.
    virtual bool RemoveDialog(int id);
    virtual int GetDialogCount();
    virtual void ModalOpenHook() {}
    virtual void ModalCloseHook() {}
    virtual void ApplyCursor();
    virtual void DisplayReinitHook() {}
    virtual void PreDisplayHook() {}
    virtual bool KeepWorkingDirectory(const std::string& folder) { return false; }
    // The folder the program works in from Init on: its own, or "." when KeepWorkingDirectory keeps
    // the one it was started in. Demos are numbered, written and read there.
    std::string WorkingFolder();
    virtual void Init();

    // ---- dialogs' buttons and the string table ----
    // The first button of dialog n arrives as button n + 2000, the second as n + 3000.
    void DialogButtonPressed(int dialogId, int buttonId) override;
    void DialogButtonReleased(int dialogId, int buttonId) override;
    std::string GetString(const std::string& key, const std::string& defaultValue = "");
    void SetString(const std::string& key, const std::string& value);
    // On each timer message: settles a pending web link by how long the application kept
    // the focus while its timer ran.
    void UrlOpenWatchdog();
    // At exit: every registered dialog off the screen and deleted now.
    void DeleteAllDialogs();

    // ---- start and end ----
    // The process's exit code after any fatal error, whichever part of the program raised it (the
    // layer's message boxes end with it too when the program is asked to end while one is up).
    static constexpr int FATAL_EXIT_CODE = EXIT_FAILURE;
    // The fatal texts of memory running out, made before it can: building them may be impossible.
    static const std::string OUT_OF_MEMORY_TEXT;
    static const std::string LOADING_OUT_OF_MEMORY_TEXT;
    static const std::string THREAD_START_FAILED_TEXT;
    // Ends the process with exit(code) on the main thread (a caller on another thread waits).
    [[noreturn]] void ExitNow(int code);
    // What the program returns at its end: FATAL_EXIT_CODE once a fatal error was reported.
    int GetExitCode() const;
    // A system box over the display, bracketed by the popup state, shown by the main thread;
    // owned by the main window or by none.
    int ShowPopupBox(const std::string& text, const std::string& caption, int flags, bool owned);
    bool IsScreenSaverMode() const { return mScreenSaverMode; }
    bool IsMainThread() const;
    // False when the thread could not be started.
    bool StartCursorThread();
    bool StartLoadingThread();
    // ShowFatalError that cannot fail: when the box cannot be shown (no memory left to show it),
    // the text still goes to standard error.
    void ReportFatalError(const std::string& text) noexcept;
    // From the first application on, memory running out (IsOutOfMemory) that nothing catches ends
    // the process as it does elsewhere (std::terminate would abort it).
    static void CatchUncaughtOutOfMemory();
    // At exit: asks whether to keep a 3-D mode switched on during the run and stores the answer.
    void ConfirmHardwareAcceleration();
    // The display and sound modules were found at construction.
    bool HaveDisplayModules() const;
    void Set3D(bool is3D, bool recreate);
    virtual bool Is3DEnabled();
    // The 3-D self test ran and found no reason to keep 3-D off; and gave no warning either.
    bool Is3DTestPassed() const;
    bool Is3DTestClean() const;
    // The self test measured its verdict during this run (rather than reading a stored one).
    bool NewTestResult() const;

    // ---- live and shared images ----
    // Every memory image registers itself at construction and leaves at destruction.
    virtual void AddMemoryImage(MemoryImage* image);
    virtual void RemoveMemoryImage(MemoryImage* image);
    // Drops the 3-D renderer's texture copy of an image.
    virtual void ReleaseTextureData(MemoryImage* image);
    // The display's pixel format; null while no display exists.
    virtual NativeDisplay* GetNativeDisplay();
    // Copies a texture back into the image's bits; false when it cannot.
    virtual bool CopyTextureToImage(MemoryImage* image);
    // Whether the image's texture holds its pixels as they are now (so that the bits may go).
    virtual bool TextureHoldsImage(const MemoryImage* image);
    // The last handle to a shared image let go: the next update cleans the map.
    virtual void SharedImageUnreferenced() { mCleanSharedImages = true; }
    virtual void ReInitImages();
    virtual void DeleteNativeImageData();
    virtual void DeleteExtraImageBuffers();
    // The picture file as a surface-backed picture owned by the caller; null when unreadable,
    // std::bad_alloc when memory ran out.
    virtual DDImage* GetImage(const std::string& path, bool commitBits = true);
    DDImage* CopyImage(Image* source, const Rect& area);
    DDImage* CopyImage(Image* source);
    virtual SharedImageRef GetSharedImage(const std::string& fileName, const std::string& variant,
                                          bool* isNew);
    void CleanSharedImages();

    // ---- what the display and the widgets ask of the application ----
    // The ddraw.dll module loaded at construction (null: none).
    HMODULE GetDDrawModule();
    // The widgets draw a frame with the screen picture locked once; false when nothing was locked.
    virtual bool BeginScreenDraw(Image* screen);
    virtual void EndScreenDraw(Image* screen);
    // A new system font owned by the caller. System fonts are not built yet: plain buttons go
    // without a default font.
    // A font of the system's text functions; style is the character set it asks for.
    virtual Font* CreateSysFont(const std::string& face, int pointSize, int style);
    virtual MusicInterface* CreateMusicInterface(HWND window);

    // ---- developer tools ----
    // The next "_screenshots/imageN.png"; its name, empty when nothing was written.
    std::string TakeScreenshot();
    // Every live picture and its thumbnail into "_dump", listed by "_dump/imagelist.html";
    // false when the page could not be written.
    bool DumpImages();
    void ShowVideoStats();
    // Refresh the overlay pictures; DrawFrame draws them while the overlay is on.
    void DrawFpsOverlay();
    void DrawMouseOverlay(int x, int y);
    void DrawDemoTimeOverlay();
    void DrawDebugOverlays();
    void FreeDebugOverlays();
    void WaitForLoadingThread();
    // In screen-saver mode every window message comes here first; true when it was swallowed.
    bool ScreenSaverFilter(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Stamps a monitor-power or screen-saver system command for the filter.
    void NoteSaverCommand();
    // For EnumWindows around display-mode changes: stores (restore false) or puts back (restore
    // true) other programs' window rectangles. Always continues the enumeration.
    static BOOL CALLBACK KeepWindowRect(HWND window, LPARAM restore);

    // ---- main loop helpers ----
    void AccumulateElapsedTime();
    void ResetTimeAccumulator();
    void RunFractionalUpdates(float step, bool countForDraw);
    void ScreenSaverIdleCheck();
    void ProcessDeferredDeletions();

    // ---- window procedure and input queue ----
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Appends a message by the queueing rules; false when it was not appended.
    bool QueueMessage(const MSG& msg);
    bool ProcessDeferredMessages();
    void UpdateFocus();
    void ClearKeyStates();

    // ---- settings ----
    bool RegistryWrite(const std::string& name, DWORD type, const void* data, DWORD size);
    bool RegistryWriteString(const std::string& name, const std::string& value);
    bool RegistryWriteInteger(const std::string& name, int value);
    bool RegistryWriteBoolean(const std::string& name, bool value);
    bool RegistryRead(const std::string& name, DWORD* type, void* data, DWORD* size);
    bool RegistryReadInteger(const std::string& name, int* value);
    bool RegistryReadBoolean(const std::string& name, bool* value);
    void RegistryDeleteValue(const std::string& name);
    // The registry itself, never through the demo stream.
    bool WriteRegistryValue(const std::string& keyPath, const std::string& valueName, DWORD type,
                            const void* data, DWORD size);
    void SetCustomCursorsEnabled(bool enabled);
    virtual void SetCursorNum(int cursorNum);

    // ---- demos ----
    void WriteDemoTimingBlock();
    bool ReadDemoTimingBlock();
    void ProcessDemo();
    void DemoSyncBuffer(Buffer& buffer);
    void DemoSyncString(std::string& value);
    void DemoSyncBool(bool& value);
    bool ReadDemoFile(std::string& error);
    void WriteDemoFile();
    int DemoFileNumbering(int keep, bool deleteOldest);
    void RecordDisplayState(bool windowed, int refreshRate);
    void HandlePlaybackChar(char c);
    // "Jump To Time": the last time typed (kept as "DemoJumpTime" outside the demo stream), and
    // the jump to a time such as "2:30" counted back from the end of the demo.
    std::string GetDemoJumpTime();
    // "Marker List": the markers still ahead, as "name (hh:mm:ss)" with their update counts;
    // choosing one fast-forwards to it.
    std::vector<std::pair<std::string, int>> MarkerListItems() const;
    void JumpToMarker(int updateCount);
    void JumpToTime(const std::string& text);
    // The modal playback dialogs over those.
    void ShowMarkerListDialog();
    void ShowJumpToTimeDialog();
    // The due demo record replayed onto the widgets and the application.
    void ReplayDemoRecord(const DemoRecord& record);

protected:
    void HandleMouseMessage(const MSG& msg);
    void HandleSizeMessage(bool minimized);
    void HandleActivation();
    void HandleTimerMessage(const MSG& msg);
    void OnDisplayStarted();
    friend void CursorThreadProc(void* arg);
    void RunCursorThread();
    [[noreturn]] void FailDisplay(int result);
    // Neither windowed mode nor full screen can draw on this desktop.
    [[noreturn]] void FailColorDepth();
    // Drops the pictures' display data (with `modeChanged`, their 3-D buffers too) and (re)starts
    // the display on the main window; the result code of the display.
    int StartDisplay(bool modeChanged = false);
    // The display's refresh period in milliseconds.
    int DisplayRefreshPeriod() const;
    // The window fits on the desktop (at its own mode, whatever full-screen mode is set).
    bool WindowFitsDesktop() const;
    // After a display start: the pictures rebuilt, the screen picture handed to the widgets.
    void GiveScreenToWidgets();
    void RecordMessage(const MSG& msg);
    // The minimised record, after an activation record when the window procedure's flag differs
    // from the one the demo holds.
    void RecordMinimized(bool minimized);
    bool RegistryKeyPath(const std::string& name, std::string& keyPath, std::string& valueName) const;
    bool ReadRegistryValue(const std::string& keyPath, const std::string& valueName, DWORD* type, void* data,
                           DWORD* size);
};

extern LumoAppBase* gLumoAppBase;
extern HINSTANCE gHInstance;
// Updates and draws are suspended so that the system screen saver can start.
extern std::atomic<bool> gScreenSaverIdle;
// The end of a program whose memory ran out, from any thread: "Out of memory." in the fatal-error
// box when one can still be shown and always on standard error, then at once the fatal exit code.
[[noreturn]] void EndOutOfMemory() noexcept;
// Memory running out as the C++ library reports it: std::bad_alloc, or a thread it could not
// start (std::system_error with EAGAIN: no room for the thread's stack).
bool IsOutOfMemory(const std::exception& error);
} // namespace Lumo
