#include "win32/x11_keyboard.h"
#include "win32/x11_window_loss.h"

#include <SDL_syswm.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <cstring>

namespace
{
// The right Alt key's symbol in the layout and group in use: read afresh, as players switch layouts.
KeySym RightAltSymbol(Display* display)
{
    XkbStateRec state;
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return NoSymbol;
    XkbDescPtr keyboard = XkbGetMap(display, XkbKeySymsMask, XkbUseCoreKbd);
    if (!keyboard)
        return NoSymbol;
    KeySym symbol = NoSymbol;
    // The key is found by its name: its code differs between the server's keycode sets.
    if (XkbGetNames(display, XkbKeyNamesMask, keyboard) == Success && keyboard->names &&
        keyboard->names->keys)
        for (int code = keyboard->min_key_code; code <= keyboard->max_key_code; code++)
        {
            if (std::strncmp(keyboard->names->keys[code].name, "RALT", XkbKeyNameLength) != 0)
                continue;
            int groups = XkbKeyNumGroups(keyboard, code);
            if (groups > 0)
                symbol = XkbKeySymEntry(keyboard, code, 0, state.group % groups);
            break;
        }
    XkbFreeKeyboard(keyboard, 0, True);
    return symbol;
}
} // namespace

namespace Platform::User
{
bool RightAltIsAlt(SDL_Window* window)
{
    SDL_SysWMinfo info;
    if (!X11Info(window, &info))
        return false;
    KeySym symbol = RightAltSymbol(info.info.x11.display);
    return symbol == XK_Alt_R || symbol == XK_Alt_L;
}
} // namespace Platform::User
