// Opening SDL's video once, and the layer's message clock.
#include "audio/SdlHints.h"
#include "core/clock.h"
#include "win32/user32_internal.h"
#include "win32/video_thread.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace
{
std::once_flag gOnce;
std::atomic<bool> gVideoUp{false};
std::thread::id gVideoThread;

bool IsHeadlessDriver(const char* driver)
{
    return driver == nullptr || std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0 ||
           std::strcmp(driver, "evdev") == 0;
}

// A call another thread waits on.
struct PendingCall
{
    const std::function<void()>* call;
    bool done = false;
    std::exception_ptr error;
};

// Never destroyed: a thread may still wait on it while the process ends.
struct PendingCalls
{
    std::mutex lock;
    std::condition_variable finished;
    std::deque<PendingCall*> queue;
};

PendingCalls& Calls()
{
    static PendingCalls* calls = new PendingCalls;
    return *calls;
}

// The thread other threads hand their display work to: the one that opened the display, or
// before that (or without one) the process's main thread.
bool IsDisplayOwner()
{
    if (gVideoUp.load())
        return std::this_thread::get_id() == gVideoThread;
    return (pid_t)syscall(SYS_gettid) == getpid();
}

void ReportNoDisplay(const char* why)
{
    std::fprintf(stderr,
                 "No display found (%s): this program needs a desktop session to show its window. "
                 "Set SDL_VIDEODRIVER=dummy to run it without one.\n",
                 why);
}
} // namespace

namespace Platform::User
{
bool EnsureVideo()
{
    std::call_once(gOnce,
                   []
                   {
                       gVideoThread = std::this_thread::get_id();
                       Platform::SetSdlHints();
                       // Headless only when asked for (SDL_VIDEODRIVER=dummy, as the tests do): a
                       // program started away from any desktop says so instead of running unseen.
                       const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
                       bool explicitDriver = asked != nullptr && *asked != 0;
                       if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
                       {
                           ReportNoDisplay(SDL_GetError());
                           return;
                       }
                       if (!explicitDriver && IsHeadlessDriver(SDL_GetCurrentVideoDriver()))
                       {
                           SDL_QuitSubSystem(SDL_INIT_VIDEO);
                           ReportNoDisplay("no X11 or Wayland display could be reached");
                           return;
                       }
                       SDL_StopTextInput();
                       SDL_StartTextInput();
                       gVideoUp.store(true);
                   });
    return gVideoUp.load();
}

bool OnVideoThread()
{
    return gVideoUp.load() && std::this_thread::get_id() == gVideoThread;
}

bool HasRealDisplay()
{
    if (!EnsureVideo())
        return false;
    return !IsHeadlessDriver(SDL_GetCurrentVideoDriver());
}

void RunVideoThreadCalls()
{
    if (!IsDisplayOwner())
        return;
    PendingCalls& calls = Calls();
    for (;;)
    {
        PendingCall* next;
        {
            std::lock_guard<std::mutex> lock(calls.lock);
            if (calls.queue.empty())
                return;
            next = calls.queue.front();
            calls.queue.pop_front();
        }
        try
        {
            (*next->call)();
        }
        catch (...)
        {
            next->error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(calls.lock);
            next->done = true;
        }
        calls.finished.notify_all();
    }
}

DWORD NowMillis()
{
    return (DWORD)(Platform::NowMicros() / 1000);
}
} // namespace Platform::User

namespace Platform
{
void CallOnVideoThread(const std::function<void()>& call)
{
    if (IsDisplayOwner())
    {
        call();
        return;
    }
    PendingCalls& calls = Calls();
    PendingCall pending{&call};
    std::unique_lock<std::mutex> lock(calls.lock);
    calls.queue.push_back(&pending);
    calls.finished.wait(lock, [&] { return pending.done; });
    if (pending.error)
        std::rethrow_exception(pending.error);
}
} // namespace Platform
