#include "widgets/Dialog.h"

#include "app/LumoAppBase.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/DialogButton.h"
#include "widgets/DialogListener.h"
#include "widgets/WidgetManager.h"

#include <algorithm>
#include <memory>

namespace Lumo
{

std::string gDialogYesLabel = "YES";
std::string gDialogNoLabel = "NO";
std::string gDialogOkLabel = "OK";
std::string gDialogCancelLabel = "CANCEL";

namespace
{

const int kDefaultColors[Dialog::NUM_COLORS][3] = {
    {255, 255, 255}, {255, 255, 0}, {255, 255, 255}, {0, 0, 0}, {0, 0, 0}, {80, 80, 80}, {255, 255, 255},
};

const int kDragCursor = 2;
// Room kept between the dialog and the screen edge, and between the grab point and the dialog edge.
const int kDragMargin = 8;

// Unlike std::clamp, a range narrower than nothing is not an error: the low end wins.
int Limit(int value, int low, int high)
{
    return std::max(low, std::min(value, high));
}

int Height(Font* font)
{
    return font != nullptr ? font->GetHeight() : 0;
}

int AscentPadding(Font* font)
{
    return font != nullptr ? font->GetAscentPadding() : 0;
}

int LineSpacing(Font* font)
{
    return font != nullptr ? font->GetLineSpacing() : 0;
}

} // namespace

Dialog::Dialog(int id, bool isModal, const std::string& header, const std::string& lines,
               const std::string& footer, int buttonMode)
    : mDialogListener(gLumoAppBase), mDialogHeader(header), mDialogFooter(footer), mDialogLines(lines),
      mButtonMode(buttonMode), mId(id), mIsModal(isModal)
{
    mHasTransparencies = true;
    mHasAlpha = true;
    mPriority = 1;

    if (buttonMode == BUTTONS_YES_NO || buttonMode == BUTTONS_OK_CANCEL)
    {
        const bool yesNo = buttonMode == BUTTONS_YES_NO;
        mYesButton = new DialogButton(ID_YES, this);
        mYesButton->mLabel = yesNo ? gDialogYesLabel : gDialogOkLabel;
        mNoButton = new DialogButton(ID_NO, this);
        mNoButton->mLabel = yesNo ? gDialogNoLabel : gDialogCancelLabel;
    }
    else if (buttonMode == BUTTONS_FOOTER)
    {
        mYesButton = new DialogButton(ID_FOOTER, this);
        mYesButton->mLabel = footer;
    }
    SetColorsRGB(kDefaultColors, NUM_COLORS);
}

Dialog::~Dialog()
{
    if (mModalWatch != nullptr)
    {
        mModalWatch->mDeleted = true;
        mModalWatch->mResult = mResult;
    }
    // Deleted while still shown: neither it nor its buttons may stay behind in the manager.
    LeaveTree();
    for (DialogButton* button : {mYesButton, mNoButton})
        if (button != nullptr && button->mParent != nullptr)
            button->mParent->RemoveWidget(button);
    delete mYesButton;
    delete mNoButton;
    delete mHeaderFont;
    delete mLinesFont;
}

void Dialog::SetButtonFont(Font* font)
{
    for (DialogButton* button : {mYesButton, mNoButton})
        if (button != nullptr)
            button->SetFont(font);
}

void Dialog::SetHeaderFont(Font* font)
{
    Font* copy = font != nullptr ? font->Duplicate() : nullptr;
    delete mHeaderFont;
    mHeaderFont = copy;
}

void Dialog::SetLinesFont(Font* font)
{
    Font* copy = font != nullptr ? font->Duplicate() : nullptr;
    delete mLinesFont;
    mLinesFont = copy;
}

void Dialog::EnsureDefaultFonts()
{
    if (mHeaderFont == nullptr)
        mHeaderFont = CreateDefaultFont("SansSerif", 14, 0);
    if (mLinesFont == nullptr)
        mLinesFont = CreateDefaultFont("SansSerif", 12, 0);
}

int Dialog::TextWidth() const
{
    return mWidth - mBackgroundInsets.mLeft - mBackgroundInsets.mRight - mContentInsets.mLeft -
           mContentInsets.mRight - 4;
}

int Dialog::PreferredHeight(int width)
{
    EnsureDefaultFonts();
    int height =
        mBackgroundInsets.mTop + mBackgroundInsets.mBottom + mContentInsets.mTop + mContentInsets.mBottom;
    bool content = false;
    if (!mDialogHeader.empty())
    {
        height += Height(mHeaderFont) - AscentPadding(mHeaderFont);
        content = true;
    }
    if (!mDialogLines.empty())
    {
        if (content)
            height += mSpaceAfterHeader;
        if (mLinesFont != nullptr)
        {
            Graphics measure;
            measure.SetFont(mLinesFont);
            int textWidth = width - mBackgroundInsets.mLeft - mBackgroundInsets.mRight -
                            mContentInsets.mLeft - mContentInsets.mRight - 4;
            height += WrappedTextHeight(&measure, textWidth, mDialogLines,
                                        mLinesFont->GetLineSpacing() + mLineSpacingOffset);
        }
        content = true;
    }
    if (!mDialogFooter.empty() && mButtonMode != BUTTONS_FOOTER)
    {
        if (content)
            height += 8;
        height += LineSpacing(mHeaderFont);
        content = true;
    }
    if (mYesButton != nullptr)
    {
        if (content)
            height += 8;
        height += 8 + mButtonHeight;
    }
    return height;
}

void Dialog::Draw(Graphics* g)
{
    EnsureDefaultFonts();
    if (mComponentImage == nullptr)
    {
        g->SetColor(GetColor(COLOR_OUTLINE));
        g->DrawRect(12, 12, mWidth - 25, mHeight - 25);
        g->SetColor(GetColor(COLOR_BKG));
        g->FillRect(13, 13, mWidth - 26, mHeight - 26);
        g->SetColor(Color(0, 0, 0, 128));
        g->FillRect(mWidth - 12, 24, 12, mHeight - 36);
        g->FillRect(24, mHeight - 12, mWidth - 24, 12);
    }
    else
    {
        g->DrawImageFrame(mComponentImage,
                          Rect(mBackgroundInsets.mLeft, mBackgroundInsets.mTop,
                               mWidth - mBackgroundInsets.mLeft - mBackgroundInsets.mRight,
                               mHeight - mBackgroundInsets.mTop - mBackgroundInsets.mBottom));
    }

    int y = mBackgroundInsets.mTop + mContentInsets.mTop;
    if (!mDialogHeader.empty() && mHeaderFont != nullptr)
    {
        g->SetFont(mHeaderFont);
        g->SetColor(GetColor(COLOR_HEADER_TEXT));
        int baseline = y + mHeaderFont->GetAscent() - mHeaderFont->GetAscentPadding();
        DrawCenteredLine(g, baseline, mDialogHeader);
        y = baseline - mHeaderFont->GetAscent() + mHeaderFont->GetHeight() + mSpaceAfterHeader;
    }
    // Empty lines add nothing, as in the preferred height, so that the footer stays inside.
    if (!mDialogLines.empty() && mLinesFont != nullptr)
    {
        g->SetFont(mLinesFont);
        g->SetColor(GetColor(COLOR_LINES_TEXT));
        Rect area(mBackgroundInsets.mLeft + mContentInsets.mLeft + 2, y, TextWidth(), 0);
        y += WriteWordWrapped(g, area, mDialogLines, mLinesFont->GetLineSpacing() + mLineSpacingOffset,
                              mTextJustify);
    }
    if (!mDialogFooter.empty() && mButtonMode != BUTTONS_FOOTER && mHeaderFont != nullptr)
    {
        g->SetFont(mHeaderFont);
        g->SetColor(GetColor(COLOR_FOOTER_TEXT));
        DrawCenteredLine(g, y + mHeaderFont->GetLineSpacing() + 8, mDialogFooter);
    }
}

void Dialog::Resize(int x, int y, int width, int height)
{
    Widget::Resize(x, y, width, height);
    const int rowY = y + height - mContentInsets.mBottom - mBackgroundInsets.mBottom - mButtonHeight;
    const int left = x + mBackgroundInsets.mLeft + mContentInsets.mLeft;
    const int inner = width - mBackgroundInsets.mLeft - mBackgroundInsets.mRight - mContentInsets.mLeft -
                      mContentInsets.mRight;
    if (mYesButton != nullptr && mNoButton != nullptr)
    {
        const int buttonWidth = (inner - 2 * mButtonSidePadding - mButtonHorzSpacing) / 2;
        const int firstX = left + mButtonSidePadding;
        mYesButton->Resize(firstX, rowY, buttonWidth, mButtonHeight);
        mNoButton->Resize(firstX + buttonWidth + mButtonHorzSpacing, rowY, buttonWidth, mButtonHeight);
    }
    else if (mYesButton != nullptr)
    {
        mYesButton->Resize(left, rowY, inner, mButtonHeight);
    }
}

void Dialog::AttachToManager(WidgetManager* manager)
{
    Widget::AttachToManager(manager);
    for (DialogButton* button : {mYesButton, mNoButton})
        if (button != nullptr)
            manager->AddWidget(button);
}

void Dialog::DetachFromManager(WidgetManager* manager)
{
    Widget::DetachFromManager(manager);
    for (DialogButton* button : {mYesButton, mNoButton})
        if (button != nullptr)
            manager->RemoveWidget(button);
}

void Dialog::OrderInManagerChanged()
{
    if (mManager == nullptr)
        return;
    // The second first, so that both end up directly in front in their own order.
    for (DialogButton* button : {mNoButton, mYesButton})
        if (button != nullptr)
            mManager->MoveInFrontOf(button, this);
}

void Dialog::SetColor(int index, const Color& color)
{
    Widget::SetColor(index, color);
    if (index != COLOR_BUTTON_TEXT && index != COLOR_BUTTON_TEXT_HILITE)
        return;
    for (DialogButton* button : {mYesButton, mNoButton})
        if (button != nullptr)
            button->SetColor(index - COLOR_BUTTON_TEXT, color);
}

void Dialog::MouseDown(int x, int y, int clickCount)
{
    if (clickCount == 1)
    {
        if (LumoAppBase* app = App())
            app->SetCursorNum(kDragCursor);
        mDragging = true;
        mDragMouseX = x;
        mDragMouseY = y;
    }
    Widget::MouseDown(x, y, clickCount);
}

void Dialog::MouseDrag(int x, int y)
{
    if (!mDragging || mManager == nullptr)
        return;
    int newX = Limit(mX - mDragMouseX + x, -kDragMargin, mManager->mWidth - mWidth + kDragMargin);
    int newY = Limit(mY - mDragMouseY + y, -kDragMargin, mManager->mHeight - mHeight + kDragMargin);
    mDragMouseX = Limit(mX - newX + x, kDragMargin, mWidth - kDragMargin - 1);
    mDragMouseY = Limit(mY - newY + y, kDragMargin, mHeight - kDragMargin - 1);
    Move(newX, newY);
}

void Dialog::MouseUpAt(int x, int y)
{
    if (!mDragging)
        return;
    if (LumoAppBase* app = App())
        app->SetCursorNum(0);
    mDragging = false;
}

void Dialog::ButtonPressed(int id)
{
    if ((id == ID_YES || id == ID_NO) && mDialogListener != nullptr)
        mDialogListener->DialogButtonPressed(mId, id);
}

void Dialog::ButtonReleased(int id)
{
    if (id != ID_YES && id != ID_NO)
        return;
    mResult = id;
    if (mDialogListener != nullptr)
        mDialogListener->DialogButtonReleased(mId, id);
}

int Dialog::RunModalUntilResult(bool autoKill)
{
    LumoAppBase* app = App();
    if (app == nullptr)
        return mResult;
    auto watch = std::make_unique<ModalWatch>();
    ModalWatch* outer = mModalWatch;
    mModalWatch = watch.get();
    // The watch is read first: a step may have deleted this dialog.
    while (!watch->mDeleted && mManager != nullptr && mResult == kNoResult && app->PumpStep(nullptr))
    {
    }
    if (watch->mDeleted)
    {
        // Removed and deleted by the loop itself: what it last answered is all there is.
        if (outer != nullptr)
            *outer = *watch;
        return watch->mResult;
    }
    mModalWatch = outer;
    const int result = mResult;
    // Only this dialog: another one may have taken its id meanwhile.
    if (autoKill && app->GetDialog(mId) == this)
        app->RemoveDialog(mId);
    return result;
}

} // namespace Lumo
