// SDL keys as Windows sees them: virtual-key code, keyboard scan code, extended flag.
#pragma once

#include "win32/types.h"

#include <SDL_keyboard.h>

namespace Platform::User
{
struct KeyCode
{
    UINT vk = 0; // 0: a key Windows has no code for
    UINT scan = 0;
    bool extended = false;
};

KeyCode MapKey(const SDL_Keysym& key);
} // namespace Platform::User
