// What a dialog reports about its buttons, with the dialog's id first.
#pragma once

namespace Lumo
{

class DialogListener
{
public:
    virtual ~DialogListener() = default;
    virtual void DialogButtonPressed(int dialogId, int buttonId) {}
    virtual void DialogButtonReleased(int dialogId, int buttonId) {}
};

} // namespace Lumo
