// System message boxes over the display, fatal errors and the screen-saver message log.
#include "app/Common.h"
#include "app/DrawNesting.h"
#include "app/LumoAppBase.h"
#include "app/MessageLog.h"
#include "core/error_line.h"
#include "display/DDInterface.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"
#include "win32/video_thread.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <mutex>
#include <new>
#include <system_error>

namespace Lumo
{
namespace
{
// Never destroyed: a thread may log while the process ends.
MessageLog& ScreenSaverLog()
{
    static MessageLog* log = new MessageLog("ScrError.txt");
    return *log;
}
} // namespace

void LumoAppBase::EnterPopupState()
{
    // Full screen: the desktop's surface is shown so that the system window can be seen.
    if (!mIsPhysWindowed && mDDInterface && mDDInterface->FlipToGDISurface())
        mPopupActive = true;
}

void LumoAppBase::LeavePopupState()
{
    if (!mIsPhysWindowed)
        mPopupActive = false;
    ResetTimeAccumulator();
    ClearKeyStates();
    if (mWidgetManager && mWidgetManager->mDownButtons != 0)
    {
        mWidgetManager->ReleaseDownWidget();
        ReleaseCapture();
    }
}

int LumoAppBase::ShowPopupBox(const std::string& text, const std::string& caption, int flags, bool owned)
{
    // The box and the popup state around it belong to the main thread; a caller on another
    // thread waits there for the answer.
    int result = 0;
    Platform::CallOnVideoThread(
        [&]
        {
            EnterPopupState();
            result = MessageBoxA(owned ? mHWnd : nullptr, text.c_str(), caption.c_str(), (UINT)flags);
            LeavePopupState();
        });
    return result;
}

int LumoAppBase::ShowMessageBox(const std::string& text, const std::string& caption, int flags)
{
    if (mScreenSaverMode)
    {
        LogError(text);
        return 1;
    }
    return ShowPopupBox(text, caption, flags, true);
}

void LumoAppBase::ShowFatalError(const std::string& text)
{
    mFatalError = true;
    if (mScreenSaverMode)
    {
        LogError(text);
        return;
    }
    // Decided by the caller: an error raised before shutdown is shown even when the main thread
    // shuts down while it waits. During shutdown only the words go out.
    if (mShutdown)
        std::fprintf(stderr, "FATAL ERROR: %s\n", text.c_str());
    else
        ShowPopupBox(text, "FATAL ERROR", MB_ICONERROR, true);
}

const std::string LumoAppBase::OUT_OF_MEMORY_TEXT = "Out of memory.";
const std::string LumoAppBase::LOADING_OUT_OF_MEMORY_TEXT = "There was an error while loading: out of memory";
const std::string LumoAppBase::THREAD_START_FAILED_TEXT = "Out of memory: a thread could not start.";

void LumoAppBase::ReportFatalError(const std::string& text) noexcept
{
    mFatalError = true;
    try
    {
        ShowFatalError(text);
        return;
    }
    catch (...)
    {
    }
    Platform::WriteErrorLine({"FATAL ERROR: ", text.c_str()});
}

namespace
{
std::terminate_handler gTerminateBefore = nullptr;

// Memory that ran out where nothing could catch it (a thread's own code, a destructor) ends the
// program as memory running out does anywhere else, though only in words: a box could meet the
// locks of the code that was cut short.
[[noreturn]] void TerminateOnOutOfMemory()
{
    try
    {
        if (std::exception_ptr error = std::current_exception())
            std::rethrow_exception(error);
    }
    catch (const std::exception& error)
    {
        if (IsOutOfMemory(error))
        {
            if (LumoAppBase* app = gLumoAppBase)
                app->mFatalError = true;
            Platform::WriteErrorLine({"FATAL ERROR: ", LumoAppBase::OUT_OF_MEMORY_TEXT.c_str()});
            std::_Exit(LumoAppBase::FATAL_EXIT_CODE);
        }
    }
    catch (...)
    {
    }
    if (gTerminateBefore)
        gTerminateBefore();
    std::abort();
}
} // namespace

bool IsOutOfMemory(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return true;
    auto* system = dynamic_cast<const std::system_error*>(&error);
    return system && system->code() == std::errc::resource_unavailable_try_again;
}

void LumoAppBase::CatchUncaughtOutOfMemory()
{
    static std::once_flag installed;
    std::call_once(installed, [] { gTerminateBefore = std::set_terminate(&TerminateOnOutOfMemory); });
}

void EndOutOfMemory() noexcept
{
    // The first thread here says it in the box; one that follows while it does (the box may wait
    // for this very thread) says it in words and ends the process.
    static std::atomic<bool> ending{false};
    LumoAppBase* app = gLumoAppBase;
    if (app && !ending.exchange(true))
        app->ReportFatalError(LumoAppBase::OUT_OF_MEMORY_TEXT);
    else
        Platform::WriteErrorLine({"FATAL ERROR: ", LumoAppBase::OUT_OF_MEMORY_TEXT.c_str()});
    // At once: tearing the program down needs memory and may meet threads still running.
    std::fflush(nullptr);
    std::_Exit(LumoAppBase::FATAL_EXIT_CODE);
}

int LumoAppBase::GetExitCode() const
{
    return mFatalError ? FATAL_EXIT_CODE : 0;
}

void LumoAppBase::LogError(const std::string& text)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
    ScreenSaverLog().Add(FormatString("%s %s %u\n", text.c_str(), clock, (unsigned)GetTickCount()));
}
} // namespace Lumo

// ---- deferred deletion ------------------------------------------------------------

namespace Lumo
{
void LumoAppBase::DeferWidgetDeletion(Widget* widget)
{
    mDeferredDeletions.emplace_back(mPumpNesting, widget);
}

void LumoAppBase::ProcessDeferredDeletions()
{
    // Nothing goes inside a modal loop: the hook that started it may still use any widget it
    // knew, even one whose deletion was asked within the loop. The main loop's next deletion
    // point takes them.
    if (mPumpNesting > 1)
        return;
    // A widget goes at the depth its deletion was asked at or a shallower one.
    DrawNestingEnter();
    for (auto it = mDeferredDeletions.begin(); it != mDeferredDeletions.end();)
    {
        if (it->first < mPumpNesting)
        {
            ++it;
            continue;
        }
        Widget* widget = it->second;
        it = mDeferredDeletions.erase(it);
        delete widget;
    }
    DrawNestingLeave();
}
} // namespace Lumo
