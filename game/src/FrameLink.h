// Game widgets report the mouse to the play screen in screen coordinates, so the
// tray that follows the mouse moves whichever widget is under it.
#pragma once

#include "widgets/Widget.h"

namespace Lumo
{

// A widget inside another (the gauge in the bottom bar) adds every parent's position too.
inline void ForwardMouseMove(Widget* frame, const Widget& from, int x, int y)
{
    if (frame == nullptr)
        return;
    for (const WidgetContainer* c = &from; c != nullptr; c = c->mParent)
    {
        x += c->mX;
        y += c->mY;
    }
    frame->MouseMove(x, y);
}

} // namespace Lumo
