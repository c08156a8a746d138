// Web links handed to the user's browser. The shell gives no answer beyond accepting the
// link; the browser taking the focus away from the application counts as success.
#include "app/LumoAppBase.h"

namespace Lumo
{

namespace
{
// Timer messages must have run this long without a gap before the watchdog judges.
const DWORD kSteadyTimerMs = 5000;
const DWORD kOpenedAfterMs = 8000;
const DWORD kFailedAfterMs = 12000;
const DWORD kTimerGapMs = 500;
} // namespace

bool LumoAppBase::OpenUrl(const std::string& url, bool shutdownWhenOpened)
{
    if (mWaitingForUrlOpen && url == mPendingUrl)
        return true;
    mShutdownOnUrlOpen = shutdownWhenOpened;
    mWaitingForUrlOpen = true;
    mPendingUrl = url;
    mUrlOpenTick = GetTickCount();
    HINSTANCE result = ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if ((intptr_t)result <= 32)
    {
        OnUrlOpenFailed(url);
        return false;
    }
    return true;
}

void LumoAppBase::OnUrlOpened(const std::string& url)
{
    mWaitingForUrlOpen = false;
    if (mShutdownOnUrlOpen)
        Shutdown();
}

void LumoAppBase::OnUrlOpenFailed(const std::string& url)
{
    mWaitingForUrlOpen = false;
}

void LumoAppBase::UrlOpenWatchdog()
{
    DWORD now = GetTickCount();
    if (now - mLastTimerTime > kTimerGapMs)
        mResumeTime = now;
    mLastTimerTime = now;
    if (!mWaitingForUrlOpen || now - mResumeTime <= kSteadyTimerMs)
        return;
    DWORD elapsed = now - mUrlOpenTick;
    const std::string url = mPendingUrl; // the hooks may open another link
    if (elapsed > kOpenedAfterMs && !mActive)
        OnUrlOpened(url);
    else if (elapsed > kFailedAfterMs && mActive)
        OnUrlOpenFailed(url);
}

} // namespace Lumo
