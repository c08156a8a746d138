// A dialog's push button: the plain button, or parts of one framed picture for its states.
#pragma once

#include "widgets/ButtonWidget.h"

namespace Lumo
{

class DialogButton : public ButtonWidget
{
public:
    Image* mComponentImage = nullptr; // not owned
    // How far the picture moves while pressed.
    int mTranslateX = 1;
    int mTranslateY = 1;
    int mTextOffsetX = 0;
    int mTextOffsetY = 0;

    DialogButton(int id, ButtonListener* listener);

    void Draw(Graphics* g) override;
};

} // namespace Lumo
