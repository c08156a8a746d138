// The main loop: message pumping, fixed-step updates with catch-up, drawing and sleeping.
#include "app/DrawNesting.h"
#include "app/LumoAppBase.h"
#include "display/DDInterface.h"
#include "media/MusicInterface.h"
#include "media/SoundManager.h"
#include "widgets/WidgetManager.h"

#include <algorithm>
#include <cmath>

namespace Lumo
{
std::atomic<bool> gScreenSaverIdle{false};

namespace
{
constexpr double MAX_TIME_BACKLOG = 200.0;

struct DrawNestingScope
{
    DrawNestingScope() { DrawNestingEnter(); }
    ~DrawNestingScope() { DrawNestingLeave(); }
};

struct PumpNestingScope
{
    int& mDepth;
    explicit PumpNestingScope(int& depth) : mDepth(depth) { ++mDepth; }
    ~PumpNestingScope() { --mDepth; }
};

int Elapsed(DWORD since)
{
    return (int)(timeGetTime() - since);
}
} // namespace

void LumoAppBase::MainLoop()
{
    while (!mShutdown)
    {
        if (mExitToTop)
            mExitToTop = false;
        PumpUntilUpdate();
    }
}

bool LumoAppBase::PumpUntilUpdate()
{
    bool updated = false;
    for (;;)
    {
        if (!PumpStep(&updated))
            return false;
        if (updated)
            return true;
    }
}

bool LumoAppBase::PumpStep(bool* updated)
{
    if (updated)
        *updated = false;
    if (mExitToTop)
        return false;
    if (mPumpState == 3)
        mPumpState = 0;
    PumpNestingScope nesting(mPumpNesting);

    if (mPumpState == 0)
    {
        MSG msg;
        while (!mShutdown && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        ProcessDemo();
        if (!ProcessDeferredMessages())
            mPumpState = 1;
        return true;
    }
    if (mFreezeState == 2)
    {
        Sleep(mFrameTime);
        mPumpState = 3;
        return true;
    }
    if (mFreezeState == 1)
    {
        mFreezeState = 2;
        UpdateTick();
        UpdateFraction(1.0f);
        DrawFrame();
        return true;
    }
    int before = mUpdateCount;
    TimedUpdate(true);
    if (updated)
        *updated = mUpdateCount != before;
    return true;
}

bool LumoAppBase::TimedUpdate(bool allowSleep)
{
    if (mCloseRequested)
        Shutdown();

    bool paced =
        !mPlayingDemo && mSyncToRefresh && !mLastDrawSkipped && !mRefreshSyncDisabled && !mIsPhysWindowed;
    double period;
    float step;
    if (mSyncToRefresh)
    {
        period = (1000.0 / mRefreshRate) / mUpdateMultiplier;
        step = (float)(1000.0 / (mFrameTime * mRefreshRate));
    }
    else
    {
        period = mFrameTime / mUpdateMultiplier;
        step = 1.0f;
    }

    auto fastForwarding = [&]
    { return mPlayingDemo && (mUpdateCount < mFastForwardToUpdateNum || mFastForwardToEnd); };
    if (fastForwarding())
    {
        if (!mAutoMuted && !mFastForwardStep)
        {
            Mute(true);
            mAutoMuted = true;
        }
        if (!mFastForwardStampTaken)
        {
            mFastForwardStamp = timeGetTime();
            mFastForwardStampTaken = true;
        }
        while (fastForwarding())
        {
            ResetTimeAccumulator();
            int before = mUpdateCount;
            if (UpdateTick())
                RunFractionalUpdates(step, false);
            // Either way the pass ends, so that the pump runs: it replays the due record and keeps
            // the window answering while the fast-forward goes on.
            if (mUpdateCount == before)
            {
                if (mDemo.AtEnd())
                {
                    // The stream ran out without a close record: nothing is left to run through,
                    // so playback goes on at normal speed and keeps drawing.
                    mFastForwardToEnd = false;
                    mFastForwardToUpdateNum = 0;
                    mFastForwardStep = false;
                    break;
                }
                mPumpState = 3;
                return true;
            }
            if (Elapsed(mFastForwardStamp) >= 1000 || mFastForwardStep)
            {
                mFastForwardStep = false;
                mFastForwardStamp = timeGetTime();
                DrawFrame();
                mPumpState = 3;
                return true;
            }
        }
    }
    if (mAutoMuted)
    {
        mAutoMuted = false;
        if (mSoundManager)
            mSoundManager->StopAllSounds();
        Unmute(true);
    }

    if (mSimulationPaused || mUpdateMultiplier <= 0)
    {
        // Nothing to update, but the pass ends and sleeps so that messages keep being pumped.
        mPumpState = 3;
        ProcessDeferredDeletions();
        if (!allowSleep)
            return false;
        mSleepCount++;
        Sleep(mFrameTime);
        return true;
    }

    DWORD now = timeGetTime();
    int slept = 0;
    if (!paced)
        AccumulateElapsedTime();

    bool drawBranch = true;
    if (mPumpState == 1)
    {
        mUpdatesSinceDraw++;
        int drawLimit = (int)std::ceil(mUpdateMultiplier * 10.0);
        bool forcedDraw = mUpdatesSinceDraw >= drawLimit && mLoadingDoneHandled;
        bool due = true;
        if (!paced)
            due = mTimeAccumulator >= period;
        else if (mHasPendingDraw)
            due = mTimeAccumulator >= (int)(period * 0.75);
        if (!forcedDraw && due)
        {
            drawBranch = false;
            if (!mPlayingDemo && mUpdateMultiplier == 1.0)
            {
                mStrikeCheckUpdates++;
                if ((int)mStrikeCheckUpdates >= (mFrameTime + 999) / mFrameTime)
                {
                    if (now - mLastStrikeCheckTime <= 800)
                    {
                        if (++mStrikeCount >= 3)
                            mRefreshSyncDisabled = true;
                    }
                    else
                        mStrikeCount = 0;
                    mLastStrikeCheckTime = now;
                    mStrikeCheckUpdates = 0;
                }
            }
            mHasPendingDraw = true;
            if (UpdateTick())
                mPumpState = 2;
            else
            {
                // Held (a demo record or the loading hand-over is pending): end the pass and
                // wait a period, so that the pump keeps running.
                mPumpState = 3;
                if (!allowSleep)
                    return false;
                mSleepCount++;
                slept = std::max(1, (int)period);
                Sleep(slept);
            }
        }
    }
    else if (mPumpState == 2)
    {
        drawBranch = false;
        mPumpState = 3;
        RunFractionalUpdates(step, true);
        if (paced)
            mTimeAccumulator = std::max(0.0, mTimeAccumulator - period - 0.2);
        else
            mTimeAccumulator -= period;
    }

    if (drawBranch)
    {
        mPumpState = 3;
        mUpdatesSinceDraw = 0;
        if (mHasPendingDraw)
            DrawFrame();
        else
        {
            // Rounded up: a rest below one millisecond would otherwise spin without sleeping.
            int rest = (int)std::ceil(period - mTimeAccumulator);
            if (rest > 0)
            {
                if (!allowSleep)
                    return false;
                mSleepCount++;
                Sleep(rest);
                slept = rest;
            }
        }
    }

    if (mLoadingPriorityRaised)
    {
        // Give the loading thread about twice the time this pass worked, less what it slept.
        int yield = std::min(250, 2 * (Elapsed(now) - slept) - slept);
        if (yield >= 0)
        {
            if (!allowSleep)
                return false;
            Sleep(yield);
        }
    }
    ProcessDeferredDeletions();
    return true;
}

void LumoAppBase::RunFractionalUpdates(float step, bool countForDraw)
{
    // Carries the fraction of an update that each pass owes beyond its first one.
    mUpdateFractionAcc += step - 1.0;
    ProcessDeferredDeletions();
    while (mUpdateFractionAcc >= 1.0)
    {
        ProcessDemo();
        if (countForDraw)
            mUpdatesSinceDraw++;
        if (!UpdateTick())
            break;
        ProcessDeferredDeletions();
        mUpdateFractionAcc -= 1.0;
    }
    UpdateFraction(step);
    ProcessDeferredDeletions();
}

void LumoAppBase::ScreenSaverIdleCheck()
{
    if (mScreenSaverMode || !mIsPhysWindowed)
        return;
    DWORD now = timeGetTime();
    if (!mSaverChecked || now - mLastSaverCheckTime > 10000)
    {
        mSaverChecked = true;
        mLastSaverCheckTime = now;
        int timeout = 0;
        BOOL active = FALSE;
        SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0);
        SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
        mSaverActive = active != FALSE;
        mSaverIdleLimit = std::max(1, timeout - 2) * 1000;
        if (!mSaverActive)
            gScreenSaverIdle = false;
    }
    if (mGetLastInputInfo)
    {
        LASTINPUTINFO info{};
        info.cbSize = sizeof info;
        if (mGetLastInputInfo(&info))
            mLastInputTime = std::min(info.dwTime, now);
    }
    if (!mSaverActive)
        return;
    int idle = (int)(now - mLastInputTime);
    if (!gScreenSaverIdle)
    {
        if (idle > mSaverIdleLimit)
            gScreenSaverIdle = true;
        return;
    }
    BOOL running = FALSE;
    if ((!SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) || !running) &&
        idle < mSaverIdleLimit)
    {
        gScreenSaverIdle = false;
        if (mWidgetManager)
            mWidgetManager->MarkTreeDirty();
    }
}

bool LumoAppBase::UpdateTick()
{
    if (gScreenSaverIdle)
        return false;
    bool handOver =
        mLoadingThreadCompleted && !mLoadingDoneHandled && (!mPlayingDemo || mDemoLoadingComplete);
    if (handOver)
    {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
        mLoadingDoneHandled = true;
        mLoadingPriorityRaised = false;
        OnLoadingDone();
        if (mRecordingDemo)
            mDemo.RecordEvent(mUpdateCount, DEMO_LOADING_COMPLETE);
    }
    if (mPlayingDemo &&
        (mLoadingDoneHandled != mDemoLoadingComplete || mUpdateCount == mDemo.mLastDemoUpdateCnt))
        return false;
    UpdateWidgets();
    return true;
}

void LumoAppBase::UpdateWidgets()
{
    mUpdateCount++;
    if (!mMinimized && mWidgetManager)
        mWidgetManager->UpdateFrame();
    if (mMusicInterface)
        mMusicInterface->Update();
    CleanSharedImages();
}

void LumoAppBase::UpdateFraction(float fraction)
{
    if (mSyncToRefresh && !mMinimized && mWidgetManager)
        mWidgetManager->UpdateFrameF(fraction);
}

bool LumoAppBase::DrawFrame()
{
    DrawNestingScope drawing;
    auto skip = [&]
    {
        mHasPendingDraw = false;
        mLastDrawSkipped = true;
        return false;
    };
    if (mDisplayLost)
    {
        Redraw(nullptr);
        return skip();
    }

    DWORD now = timeGetTime();
    if (now - mLastSaverIdleCheck > 1000)
    {
        mLastSaverIdleCheck = now;
        ScreenSaverIdleCheck();
    }
    if (gScreenSaverIdle)
        return skip();
    mInWidgetDraw = true;
    bool drew = mWidgetManager && mWidgetManager->DrawScreen();
    mInWidgetDraw = false;
    if ((!drew && now - mLastDrawTime < 1000 && !mForceRedraw) || (int)(now - mNextDrawTime) < 0)
        return skip();

    mDrawCount++;
    mFrameDrawn = true;
    mLastDrawSkipped = false;
    mDrawTime += Elapsed(now);

    if (mWaitForVSync && mIsPhysWindowed)
    {
        // The screen's own period, not the rate a played demo recorded for the timing.
        int refreshPeriod = DisplayRefreshPeriod();
        int since = Elapsed(mLastDrawTime);
        if (since < refreshPeriod)
            Sleep(refreshPeriod - since);
    }

    DrawDebugOverlays();
    DWORD presentStart = timeGetTime();
    mLastDrawTime = presentStart;
    Redraw(nullptr);
    AccumulateElapsedTime();
    mScreenBltTime = Elapsed(presentStart);

    DWORD current = timeGetTime();
    if (mLoadingThreadStarted && !mLoadingThreadCompleted)
    {
        int drawn = std::max(15, Elapsed(now));
        mNextDrawTime += drawn + 35;
        if ((int)(mNextDrawTime - current) <= 0)
            mNextDrawTime = current;
    }
    else
        mNextDrawTime = current;

    mHasPendingDraw = false;
    mForceRedraw = false;
    return true;
}

void LumoAppBase::Redraw(RECT* clip)
{
    if (mInWidgetDraw || mShutdown || gScreenSaverIdle || mDDInterface == nullptr)
        return;
    if (mDDInterface->Redraw(clip))
    {
        if (mDisplayLost)
        {
            mDisplayLost = false;
            mLastReinitTick = 0;
        }
        return;
    }
    gD3DRenderTargetLost = false;
    mDisplayLost = true;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(mHWnd, &placement);
    DWORD tick = GetTickCount();
    // Inactive and windowed, a lost display is tried again at most once a second.
    bool retry = mActive || (tick - mLastReinitTick > 1000 && mIsPhysWindowed);
    if (!retry || placement.showCmd == SW_SHOWMINIMIZED)
        return;
    mLastReinitTick = tick;
    int result = StartDisplay();
    if (result == RESULT_INVALID_COLORDEPTH && mIsPhysWindowed)
    {
        if (mActive)
        {
            SetWindowed(false);
            mWindowedFailed = true;
        }
    }
    else if (result == RESULT_3D_FAIL)
        Set3D(false, true);
    else if (result == RESULT_OK)
    {
        GiveScreenToWidgets();
        mDisplayResetTime = timeGetTime();
    }
}

void LumoAppBase::AccumulateElapsedTime()
{
    DWORD now = timeGetTime();
    if (mLastAccumulateTime != 0)
        mTimeAccumulator = std::min(MAX_TIME_BACKLOG, mTimeAccumulator + (double)(now - mLastAccumulateTime));
    mLastAccumulateTime = now;
}

void LumoAppBase::ResetTimeAccumulator()
{
    mTimeAccumulator = 0.0;
    mLastAccumulateTime = timeGetTime();
}
} // namespace Lumo
