#include "audio/SdlHints.h"

#include <SDL.h>

#include <mutex>
#include <sys/resource.h>

namespace Platform
{
void SetSdlHints()
{
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
                       SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
                       // Closing a window is the program's decision (WM_CLOSE), never a quit of its own.
                       SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
                       // Many small draws a frame: let the renderer gather them, whichever driver
                       // was asked for.
                       SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
                       // Unset, SDL's software renderer sets this one itself while it starts (and
                       // then empties it), racing with the sound thread. No renderer here asks
                       // for vertical sync.
                       SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
                       // SDL's own renderer would draw its window through OpenGL too.
                       if (AddressSpaceLimited())
                           SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
                   });
}

bool AddressSpaceLimited()
{
    rlimit limit{};
    return getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
}
} // namespace Platform
