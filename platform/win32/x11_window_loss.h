// Windows another X client destroyed (xdotool windowclose, a session tool cleaning up) are
// closed as the window manager's close button closes them; Xlib's default would end the process
// with an error on the first request that still names one.
#pragma once

#include <SDL.h>

#include <cstdint>

struct SDL_SysWMinfo;

namespace Platform::User
{
// The window's X11 connection and window; false off X11.
bool X11Info(SDL_Window* window, SDL_SysWMinfo* info);
// After SDL made the window, and before SDL destroys it. Both do nothing off X11.
void WatchHostWindow(SDL_Window* window);
void UnwatchHostWindow(SDL_Window* window);
// After making a renderer for the window: SDL may have made its X window anew for one (with or
// without OpenGL), and the one it destroyed on the way is no loss.
void RewatchHostWindow(SDL_Window* window);
// SDL_DestroyWindow, and the X colormap SDL 2 made for the window and leaves behind (one more
// on the server at every full-screen switch and every message box).
void DestroyHostWindow(SDL_Window* window);
// SDL_GL_LoadLibrary, once: whether OpenGL can be had for the windows. SDL's probe of it makes a
// context of its own, which a server refusing it (one that allows no indirect rendering asked
// for with LIBGL_ALWAYS_INDIRECT) answers with an X error Xlib's default ends the process on.
bool LoadOpenGL();
// The window lies straight on the root window with no window manager running: nothing framed it.
bool Unmanaged(SDL_Window* window);
// The SDL id of the watched window the event says another client destroyed, else 0.
uint32_t DestroyedHostWindow(const SDL_Event& event);
} // namespace Platform::User
