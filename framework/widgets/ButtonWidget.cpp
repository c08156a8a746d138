#include "widgets/ButtonWidget.h"

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/ButtonListener.h"
#include "app/LumoAppBase.h"
#include "widgets/WidgetManager.h"

namespace Lumo
{

ButtonWidget::ButtonWidget(int id, ButtonListener* listener) : mId(id), mListener(listener)
{
    mHasAlpha = true;
    mColors = {Color(0, 0, 0, 255), Color(0, 0, 0, 255)};
}

ButtonWidget::~ButtonWidget()
{
    delete mFont;
}

void ButtonWidget::SetFont(Font* font)
{
    Font* copy = font != nullptr ? font->Duplicate() : nullptr;
    delete mFont;
    mFont = copy;
}

bool ButtonWidget::IsPressedVisual()
{
    return mIsDown && mIsOver && !mDisabled;
}

void ButtonWidget::DrawStateImage(Graphics* g, Image* image, const Rect& rect, int x, int y)
{
    if (rect.mWidth != 0)
    {
        if (mButtonImage != nullptr)
            g->DrawImage(mButtonImage, x, y, rect);
    }
    else if (image != nullptr)
    {
        g->DrawImage(image, x, y);
    }
}

void ButtonWidget::Update()
{
    Widget::Update();
    if (mIsDown && mIsOver && mListener != nullptr)
        mListener->ButtonHeldTick(mId);
    if (!mIsDown && !mIsOver)
    {
        if (mOverAlpha > 0)
        {
            mOverAlpha -= mOverAlphaSpeed;
            if (mOverAlphaSpeed <= 0 || mOverAlpha < 0)
                mOverAlpha = 0;
            MarkDirty();
        }
    }
    else if (mIsOver)
    {
        if (mOverAlphaFadeInSpeed > 0 && mOverAlpha < 1)
        {
            mOverAlpha += mOverAlphaFadeInSpeed;
            if (mOverAlpha > 1.0)
                mOverAlpha = 1.0;
            MarkDirty();
        }
    }
}

void ButtonWidget::SetDisabled(bool disabled)
{
    Widget::SetDisabled(disabled);
    if (HasStateImage(mDisabledImage, mDisabledRect))
        MarkDirty();
}

void ButtonWidget::MarkDirtyOnHoverChange()
{
    if (mIsDown || HasStateImage(mOverImage, mOverRect) ||
        GetColor(COLOR_LABEL) != GetColor(COLOR_LABEL_HILITE))
        MarkDirty();
}

void ButtonWidget::MouseEnter()
{
    if (mOverAlphaFadeInSpeed == 0 && mOverAlpha > 0)
        mOverAlpha = 0;
    MarkDirtyOnHoverChange();
    if (mListener != nullptr)
        mListener->ButtonHoverStart(mId);
}

void ButtonWidget::MouseLeave()
{
    if (mOverAlphaSpeed == 0 && mOverAlpha > 0)
        mOverAlpha = 0;
    if (mOverAlphaSpeed > 0 && mOverAlpha == 0)
        mOverAlpha = 1; // the fade-out starts from full
    MarkDirtyOnHoverChange();
    if (mListener != nullptr)
        mListener->ButtonHoverEnd(mId);
}

void ButtonWidget::MouseMove(int x, int y)
{
    if (mListener != nullptr)
        mListener->ButtonHoverMove(mId, x, y);
}

void ButtonWidget::MouseDown(int x, int y, int clickCount)
{
    Widget::MouseDown(x, y, clickCount);
    if (mListener != nullptr)
        mListener->ButtonPressedWithCount(mId, clickCount);
    MarkDirty();
}

void ButtonWidget::MouseUpAt(int x, int y)
{
    if (mIsOver && mManager != nullptr && mManager->mHasFocus && mListener != nullptr)
        mListener->ButtonReleased(mId);
    MarkDirty();
}

void ButtonWidget::DrawPlainFrame(Graphics* g, bool pressed)
{
    const Color light(255, 255, 255);
    const Color dark(0, 0, 0);
    const Color grey(132, 132, 132);
    g->SetColor(Color(212, 212, 212));
    g->FillRect(0, 0, mWidth, mHeight);
    g->SetColor(pressed ? dark : light);
    g->FillRect(0, 0, mWidth - 1, 1);
    g->FillRect(0, 0, 1, mHeight - 1);
    g->SetColor(pressed ? light : dark);
    g->FillRect(0, mHeight - 1, mWidth, 1);
    g->FillRect(mWidth - 1, 0, 1, mHeight);
    g->SetColor(grey);
    if (pressed)
    {
        g->FillRect(1, 1, mWidth - 3, 1);
        g->FillRect(1, 1, 1, mHeight - 3);
    }
    else
    {
        g->FillRect(1, mHeight - 2, mWidth - 2, 1);
        g->FillRect(mWidth - 2, 1, 1, mHeight - 2);
    }
}

void ButtonWidget::Draw(Graphics* g)
{
    if (mBtnNoDraw)
        return;
    if (mFont == nullptr && !mLabel.empty())
        mFont = CreateDefaultFont("SansSerif", 10, 0);
    const bool pressed = IsPressedVisual() != mInverted;

    int labelX = 0;
    int labelY = 0;
    if (mFont != nullptr)
    {
        int width = mFont->StringWidth(mLabel);
        labelX = mLabelJustify == 0 ? (mWidth - width) / 2 : (mLabelJustify == 1 ? mWidth - width : 0);
        int ascent = mFont->GetAscent();
        labelY = (mHeight - ascent / 6 - 1 + ascent) / 2;
        g->SetFont(mFont);
    }

    Color labelColor = GetColor(mIsOver ? COLOR_LABEL_HILITE : COLOR_LABEL);
    if (mButtonImage == nullptr && mDownImage == nullptr)
    {
        if (!mFrameNoDraw)
            DrawPlainFrame(g, pressed);
        if (pressed)
            labelColor = Color(0, 0, 0);
    }
    else if (!pressed)
    {
        if (mDisabled && HasStateImage(mDisabledImage, mDisabledRect))
        {
            DrawStateImage(g, mDisabledImage, mDisabledRect, 0, 0);
        }
        else if (mOverAlpha > 0 && HasStateImage(mOverImage, mOverRect))
        {
            if (HasStateImage(mButtonImage, mNormalRect))
                DrawStateImage(g, mButtonImage, mNormalRect, 0, 0);
            g->SetTintImages(true);
            g->SetColor(Color(255, 255, 255, static_cast<int>(mOverAlpha * 255)));
            DrawStateImage(g, mOverImage, mOverRect, 0, 0);
            g->SetTintImages(false);
        }
        else if ((mIsOver || mIsDown) && HasStateImage(mOverImage, mOverRect))
        {
            DrawStateImage(g, mOverImage, mOverRect, 0, 0);
        }
        else if (HasStateImage(mButtonImage, mNormalRect))
        {
            DrawStateImage(g, mButtonImage, mNormalRect, 0, 0);
        }
    }
    else
    {
        if (HasStateImage(mDownImage, mDownRect))
            DrawStateImage(g, mDownImage, mDownRect, 0, 0);
        else if (HasStateImage(mOverImage, mOverRect))
            DrawStateImage(g, mOverImage, mOverRect, 1, 1);
        else
            DrawStateImage(g, mButtonImage, mNormalRect, 1, 1);
        labelColor = GetColor(COLOR_LABEL_HILITE);
    }

    if (mFont != nullptr)
    {
        g->SetColor(labelColor);
        g->DrawString(mLabel, pressed ? labelX + 1 : labelX, pressed ? labelY + 1 : labelY);
    }
}

} // namespace Lumo
