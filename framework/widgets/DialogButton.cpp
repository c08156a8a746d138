#include "widgets/DialogButton.h"

#include "app/LumoAppBase.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

namespace Lumo
{

DialogButton::DialogButton(int id, ButtonListener* listener) : ButtonWidget(id, listener)
{
    mDoHandCursor = true;
    mColors = {Color(255, 255, 255), Color(255, 255, 255)};
}

void DialogButton::Draw(Graphics* g)
{
    if (mBtnNoDraw)
        return;
    // Without a frame picture it is a plain button, with the plain button's default font.
    if (mComponentImage == nullptr)
    {
        ButtonWidget::Draw(g);
        return;
    }
    if (mFont == nullptr && !mLabel.empty())
        mFont = CreateDefaultFont("SansSerif", 12, 1);

    const bool pressed = IsPressedVisual();
    const Rect whole(0, 0, mWidth, mHeight);
    int shiftX = 0;
    int shiftY = 0;
    if (mNormalRect.mWidth == 0)
    {
        if (pressed)
        {
            shiftX = mTranslateX;
            shiftY = mTranslateY;
            g->Translate(shiftX, shiftY);
        }
        g->DrawImageFrame(mComponentImage, whole);
    }
    else
    {
        const Rect* part = &mNormalRect;
        if (mDisabled && mDisabledRect.mWidth > 0 && mDisabledRect.mHeight > 0)
            part = &mDisabledRect;
        else if (pressed)
            part = &mDownRect;
        else if (mIsOver)
            part = &mOverRect;
        g->DrawImageFrame(mComponentImage, whole, *part);
    }

    if (mFont != nullptr)
    {
        g->SetFont(mFont);
        g->SetColor(GetColor(mIsOver ? COLOR_LABEL_HILITE : COLOR_LABEL));
        const int ascent = mFont->GetAscent();
        const int x = mTextOffsetX + (mWidth - mFont->StringWidth(mLabel)) / 2;
        const int y = mTextOffsetY + (ascent + mHeight - ascent / 6 - mFont->GetAscentPadding() - 1) / 2;
        g->DrawString(mLabel, x, y);
    }
    if (shiftX != 0 || shiftY != 0)
        g->Translate(-shiftX, -shiftY);
}

} // namespace Lumo
