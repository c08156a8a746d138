// Opening SDL's video once, and the layer's message clock.
#include "core/clock.h"
#include "win32/user32_internal.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

namespace
{
std::once_flag gOnce;
std::atomic<bool> gVideoUp{false};
std::thread::id gVideoThread;
} // namespace

namespace Platform::User
{
bool EnsureVideo()
{
    std::call_once(gOnce,
                   []
                   {
                       gVideoThread = std::this_thread::get_id();
                       SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
                       SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
                       // Closing a window is the program's decision (WM_CLOSE), never a quit of its own.
                       SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
                       if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
                       {
                           // No display reachable: carry on headless rather than fail every window call.
                           std::fprintf(stderr, "video: %s; using the headless driver\n", SDL_GetError());
                           SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
                           if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
                           {
                               std::fprintf(stderr, "video: %s\n", SDL_GetError());
                               return;
                           }
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
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0 &&
           std::strcmp(driver, "evdev") != 0;
}

DWORD NowMillis()
{
    return (DWORD)(Platform::NowMicros() / 1000);
}
} // namespace Platform::User
