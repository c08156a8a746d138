// The keyboard layout of the X server, where SDL does not tell what a key is.
#pragma once

#include <SDL.h>

namespace Platform::User
{
// Whether the right Alt key is Alt in the layout the window's display has now. Where it selects
// the third level of other keys (AltGr: German, French) or is anything else, it is not, and SDL
// reports it as right Alt all the same. False off X11, where there is no asking.
bool RightAltIsAlt(SDL_Window* window);
} // namespace Platform::User
