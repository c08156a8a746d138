// Game widgets report the mouse to the play screen in screen coordinates, so the
// tray that follows the mouse moves whichever widget is under it.
#pragma once

#include "widgets/Widget.h"

namespace Lumo
{

inline void ForwardMouseMove(Widget* frame, const Widget& from, int x, int y)
{
    if (frame != nullptr)
        frame->MouseMove(x + from.mX, y + from.mY);
}

} // namespace Lumo
