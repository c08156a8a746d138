// The framework's message box: a framed panel with a header, word-wrapped lines and a
// footer, up to two buttons kept beside it in the manager, dragged by the mouse.
#pragma once

#include "widgets/ButtonListener.h"
#include "widgets/Widget.h"

#include <string>

namespace Lumo
{

class DialogButton;
class DialogListener;
class Font;
class Image;
class LumoAppBase;

// Labels of the two-button modes; the application may replace them before dialogs are made.
extern std::string gDialogYesLabel;
extern std::string gDialogNoLabel;
extern std::string gDialogOkLabel;
extern std::string gDialogCancelLabel;

class Dialog : public Widget, public ButtonListener
{
public:
    enum
    {
        BUTTONS_YES_NO = 1,
        BUTTONS_OK_CANCEL = 2,
        BUTTONS_FOOTER = 3, // one button labelled with the footer
    };
    enum
    {
        ID_YES = 1000,
        ID_NO = 1001,
        ID_OK = 1000,
        ID_CANCEL = 1001,
        ID_FOOTER = 1000,
    };
    enum
    {
        COLOR_HEADER_TEXT = 0,
        COLOR_LINES_TEXT = 1,
        COLOR_FOOTER_TEXT = 2,
        COLOR_BUTTON_TEXT = 3,
        COLOR_BUTTON_TEXT_HILITE = 4,
        COLOR_BKG = 5,
        COLOR_OUTLINE = 6,
        NUM_COLORS = 7,
    };
    static constexpr int kNoResult = 0x7FFFFFFF;

    DialogListener* mDialogListener;
    Image* mComponentImage = nullptr; // not owned
    DialogButton* mYesButton = nullptr;
    DialogButton* mNoButton = nullptr;
    std::string mDialogHeader;
    std::string mDialogFooter;
    std::string mDialogLines;
    int mButtonMode;
    Font* mHeaderFont = nullptr; // owned
    Font* mLinesFont = nullptr;  // owned
    int mTextJustify = 0;        // body lines: -1 left, 0 centre, 1 right
    int mLineSpacingOffset = 0;
    int mButtonHeight = 24;
    Insets mBackgroundInsets;
    Insets mContentInsets{24, 24, 24, 24};
    int mSpaceAfterHeader = 10;
    bool mDragging = false;
    int mDragMouseX = 0;
    int mDragMouseY = 0;
    int mId;
    bool mIsModal;
    int mResult = kNoResult;
    int mButtonHorzSpacing = 8;
    int mButtonSidePadding = 0;

    Dialog(int id, bool isModal, const std::string& header, const std::string& lines,
           const std::string& footer, int buttonMode);
    ~Dialog() override;

    virtual void SetButtonFont(Font* font);
    // Keep a copy of the font; the header font also writes the footer.
    virtual void SetHeaderFont(Font* font);
    virtual void SetLinesFont(Font* font);
    virtual int PreferredHeight(int width);
    virtual bool IsModal() { return mIsModal; }
    // Runs the application's loop until a button answers, the dialog leaves the manager or
    // the loop ends; the answer, or kNoResult.
    virtual int RunModalUntilResult(bool autoKill = true);

    void AttachToManager(WidgetManager* manager) override;
    void DetachFromManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void OrderInManagerChanged() override;
    void SetColor(int index, const Color& color) override;
    void Resize(int x, int y, int width, int height) override;
    void MouseDown(int x, int y, int clickCount) override;
    void MouseUpAt(int x, int y) override;
    void MouseDrag(int x, int y) override;

    void ButtonPressed(int id) override;
    void ButtonReleased(int id) override;

    void EnsureDefaultFonts();

private:
    // Set while a modal wait runs, so that a deletion during the wait is noticed.
    struct ModalWatch
    {
        bool mDeleted = false;
        int mResult = kNoResult;
    };
    ModalWatch* mModalWatch = nullptr;

    int TextWidth() const;
};

} // namespace Lumo
