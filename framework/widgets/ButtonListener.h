// Callbacks of a push button, each with the button's id first.
#pragma once

namespace Lumo
{

class ButtonListener
{
public:
    virtual ~ButtonListener() = default;
    virtual void ButtonPressedWithCount(int id, int clickCount) { ButtonPressed(id); }
    virtual void ButtonPressed(int id) {}
    virtual void ButtonReleased(int id) {}
    virtual void ButtonHeldTick(int id) {}
    virtual void ButtonHoverStart(int id) {}
    virtual void ButtonHoverEnd(int id) {}
    virtual void ButtonHoverMove(int id, int x, int y) {}
};

} // namespace Lumo
