#include "widgets/Dialog.h"

#include "graphics/MemoryImage.h"
#include "tests/widgets/WidgetTestSupport.h"
#include "widgets/DialogButton.h"
#include "widgets/DialogListener.h"

#include <gtest/gtest.h>

#include <climits>

using namespace Lumo;

namespace
{

class RecordingDialogListener : public DialogListener
{
public:
    Log mLog;
    void DialogButtonPressed(int dialogId, int buttonId) override
    {
        mLog.push_back("pressed " + std::to_string(dialogId) + " " + std::to_string(buttonId));
    }
    void DialogButtonReleased(int dialogId, int buttonId) override
    {
        mLog.push_back("released " + std::to_string(dialogId) + " " + std::to_string(buttonId));
    }
};

// An application whose system fonts are not there.
class NoFontHost : public LumoAppBase
{
public:
    int mAsked = 0;
    Font* CreateSysFont(const std::string&, int, int) override
    {
        ++mAsked;
        return nullptr;
    }
};

// The fake font with an ascent padding of its own.
FakeFont PaddedFont(Log* log, int padding)
{
    FakeFont font(log);
    font.mAscentPadding = padding;
    return font;
}

struct DialogTest : WidgetFixture
{
    RecordingDialogListener listener;

    std::unique_ptr<Dialog> MakeDialog(int mode, const std::string& header, const std::string& lines,
                                       const std::string& footer)
    {
        auto dialog = std::make_unique<Dialog>(5, true, header, lines, footer, mode);
        dialog->mDialogListener = &listener;
        return dialog;
    }
};

} // namespace

TEST_F(DialogTest, ModesGiveButtonsWithIdsLabelsAndBlackLabels)
{
    auto yesNo = MakeDialog(Dialog::BUTTONS_YES_NO, "", "", "");
    ASSERT_TRUE(yesNo->mYesButton && yesNo->mNoButton);
    EXPECT_EQ(yesNo->mYesButton->mId, 1000);
    EXPECT_EQ(yesNo->mNoButton->mId, 1001);
    EXPECT_EQ(yesNo->mYesButton->mLabel, "YES");
    EXPECT_EQ(yesNo->mNoButton->mLabel, "NO");
    EXPECT_EQ(yesNo->mYesButton->mListener, static_cast<ButtonListener*>(yesNo.get()));
    EXPECT_TRUE(yesNo->mYesButton->mDoHandCursor);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(yesNo->mNoButton->GetColor(i), Color(0, 0, 0));

    auto okCancel = MakeDialog(Dialog::BUTTONS_OK_CANCEL, "", "", "");
    EXPECT_EQ(okCancel->mYesButton->mLabel, "OK");
    EXPECT_EQ(okCancel->mNoButton->mLabel, "CANCEL");

    auto footer = MakeDialog(Dialog::BUTTONS_FOOTER, "", "", "Continue");
    ASSERT_TRUE(footer->mYesButton);
    EXPECT_EQ(footer->mNoButton, nullptr);
    EXPECT_EQ(footer->mYesButton->mLabel, "Continue");
    EXPECT_EQ(footer->mYesButton->mId, 1000);

    for (int mode : {0, 4, -1})
    {
        auto none = MakeDialog(mode, "", "", "");
        EXPECT_EQ(none->mYesButton, nullptr);
        EXPECT_EQ(none->mNoButton, nullptr);
    }

    auto dialog = MakeDialog(0, "", "", "");
    EXPECT_EQ(dialog->mResult, 0x7FFFFFFF);
    EXPECT_EQ(dialog->mPriority, 1);
    EXPECT_TRUE(dialog->mHasAlpha && dialog->mHasTransparencies);
    EXPECT_EQ(dialog->GetColor(1), Color(255, 255, 0));
    EXPECT_EQ(dialog->GetColor(5), Color(80, 80, 80));
    DialogButton alone(3, nullptr);
    EXPECT_EQ(alone.GetColor(0), Color(255, 255, 255));
    EXPECT_EQ(alone.GetColor(1), Color(255, 255, 255));
}

TEST_F(DialogTest, ReplacedLabelsAreUsedByLaterDialogs)
{
    std::string saved = gDialogYesLabel;
    gDialogYesLabel = "JA";
    auto dialog = MakeDialog(Dialog::BUTTONS_YES_NO, "", "", "");
    gDialogYesLabel = saved;
    EXPECT_EQ(dialog->mYesButton->mLabel, "JA");
}

TEST_F(DialogTest, ColoursThreeAndFourRecolourBothButtonLabels)
{
    auto dialog = MakeDialog(Dialog::BUTTONS_OK_CANCEL, "", "", "");
    dialog->SetColor(3, Color(10, 20, 30));
    dialog->SetColor(4, Color(40, 50, 60));
    dialog->SetColor(5, Color(1, 2, 3));
    for (DialogButton* button : {dialog->mYesButton, dialog->mNoButton})
    {
        EXPECT_EQ(button->GetColor(0), Color(10, 20, 30));
        EXPECT_EQ(button->GetColor(1), Color(40, 50, 60));
        EXPECT_EQ(button->mColors.size(), 2u);
    }
    EXPECT_EQ(dialog->GetColor(5), Color(1, 2, 3));
}

TEST_F(DialogTest, PreferredHeightAddsEachPartWithItsGap)
{
    FakeFont header = PaddedFont(&log, 2);
    FakeFont lines(&log);

    // Header and buttons: 48 + (10 - 2) + 8 + 8 + 24.
    auto headerOnly = MakeDialog(Dialog::BUTTONS_OK_CANCEL, "Title", "", "");
    headerOnly->SetHeaderFont(&header);
    headerOnly->SetLinesFont(&lines);
    EXPECT_EQ(headerOnly->PreferredHeight(300), 96);

    // Mode 3 has no footer line: 48 + 10 + 8 + 8 + 24.
    auto footerButton = MakeDialog(Dialog::BUTTONS_FOOTER, "Title", "", "Continue");
    EXPECT_EQ(footerButton->PreferredHeight(300), 98);
    // The same footer as text: 48 + 10 + 8 + 10.
    auto footerText = MakeDialog(0, "Title", "", "Continue");
    EXPECT_EQ(footerText->PreferredHeight(300), 76);

    // Lines wrapped into a text width of 100 - 48 - 4 = 48 pixels, 8 letters: one word a line.
    // Three lines: 8 + 2 x 10 + 2 = 30; then 48 + 10 + 10 + 30 + 8 + 8 + 24.
    auto wrapped = MakeDialog(Dialog::BUTTONS_OK_CANCEL, "T", "aaaa bbbb cccc", "");
    EXPECT_EQ(wrapped->PreferredHeight(100), 138);
    wrapped->mLineSpacingOffset = 3; // 8 + 2 x 13 + 2 = 36
    EXPECT_EQ(wrapped->PreferredHeight(100), 144);
    // Wide enough for all of it on one line: 10.
    wrapped->mLineSpacingOffset = 0;
    EXPECT_EQ(wrapped->PreferredHeight(52 + 6 * 14), 118);

    // Only insets, and other insets.
    auto empty = MakeDialog(0, "", "", "");
    EXPECT_EQ(empty->PreferredHeight(300), 48);
    empty->mBackgroundInsets = Insets(1, 2, 3, 4);
    empty->mContentInsets = Insets(0, 5, 0, 6);
    EXPECT_EQ(empty->PreferredHeight(300), 17);
}

TEST_F(DialogTest, DefaultFontsComeFromTheApplicationOnce)
{
    auto dialog = MakeDialog(Dialog::BUTTONS_OK_CANCEL, "Title", "", "");
    dialog->PreferredHeight(200);
    dialog->PreferredHeight(200);
    EXPECT_EQ(host.mFontsMade, 2);
    EXPECT_EQ(host.mLog, (Log{"font SansSerif 14 0", "font SansSerif 12 0"}));
}

TEST_F(DialogTest, DrawsPanelHeaderWrappedLinesAndFooterAtTheirBaselines)
{
    auto dialog = MakeDialog(0, "Head", "aaaa bbbb cccc", "Foot");
    dialog->Resize(0, 0, 100, 200);
    MemoryImage canvas;
    canvas.Create(100, 200);
    Graphics g(&canvas);
    dialog->Draw(&g);
    // Header centred at baseline 24 + 8; lines from y 24 + 10 + 10 = 44 in the text column
    // x 26..74, centred; footer at 44 + 30 + 10 + 8.
    EXPECT_EQ(host.mLog,
              (Log{"font SansSerif 14 0", "font SansSerif 12 0", "text Head 38,32 255", "text aaaa 38,52 255",
                   "text bbbb 38,62 255", "text cccc 38,72 255", "text Foot 38,92 255"}));
    auto pixel = [&](int x, int y) { return canvas.GetBits()[y * canvas.mWidth + x]; };
    EXPECT_EQ(pixel(12, 12), 0xFFFFFFFFu);  // outline
    EXPECT_EQ(pixel(87, 187), 0xFFFFFFFFu); // its far corner: (12 + 75, 12 + 175)
    EXPECT_EQ(pixel(50, 100), 0xFF505050u); // fill
    EXPECT_EQ(pixel(5, 5), 0u);             // outside the panel
    EXPECT_EQ(pixel(95, 100) >> 24, 128u);  // shadow on the right
    EXPECT_EQ(pixel(50, 195) >> 24, 128u);  // and below
}

TEST_F(DialogTest, WithoutSystemFontsNothingIsWrittenAndTextMeasuresNothing)
{
    NoFontHost noFonts; // now the application
    auto dialog = MakeDialog(Dialog::BUTTONS_YES_NO, "Head", "some lines here", "Foot");
    // 48 + 0 + 10 + 0 + 8 + 0 + 8 + 8 + 24.
    EXPECT_EQ(dialog->PreferredHeight(200), 106);
    dialog->Resize(0, 0, 200, 106);
    MemoryImage canvas;
    canvas.Create(200, 106);
    Graphics g(&canvas);
    dialog->Draw(&g);
    dialog->mYesButton->Draw(&g);
    EXPECT_EQ(canvas.GetBits()[50 * 200 + 100], 0xFF505050u);
    EXPECT_GE(noFonts.mAsked, 2);
}

TEST_F(DialogTest, ButtonsSitOnTheBottomRow)
{
    auto two = MakeDialog(Dialog::BUTTONS_OK_CANCEL, "", "", "");
    two->Resize(10, 20, 300, 150);
    // Row at 20 + 150 - 24 - 24; each (300 - 48 - 8) / 2 wide.
    EXPECT_EQ(two->mYesButton->GetRect(), Rect(34, 122, 122, 24));
    EXPECT_EQ(two->mNoButton->GetRect(), Rect(164, 122, 122, 24));

    two->mBackgroundInsets = Insets(4, 0, 6, 2);
    two->mButtonSidePadding = 5;
    two->mButtonHorzSpacing = 10;
    two->mButtonHeight = 30;
    two->Resize(0, 0, 301, 100);
    // (301 - 10 - 48 - 10 - 10) / 2 = 111 wide; row at 100 - 24 - 2 - 30.
    EXPECT_EQ(two->mYesButton->GetRect(), Rect(33, 44, 111, 30));
    EXPECT_EQ(two->mNoButton->GetRect(), Rect(154, 44, 111, 30));

    auto one = MakeDialog(Dialog::BUTTONS_FOOTER, "", "", "Go");
    one->Resize(10, 20, 300, 150);
    EXPECT_EQ(one->mYesButton->GetRect(), Rect(34, 122, 252, 24));
}

TEST_F(DialogTest, ButtonsReportOnlyTheirOwnIds)
{
    auto dialog = MakeDialog(Dialog::BUTTONS_YES_NO, "", "", "");
    dialog->ButtonPressed(1000);
    dialog->ButtonReleased(1001);
    dialog->ButtonPressed(7);
    dialog->ButtonReleased(999);
    dialog->ButtonReleased(INT_MIN);
    EXPECT_EQ(listener.mLog, (Log{"pressed 5 1000", "released 5 1001"}));
    EXPECT_EQ(dialog->mResult, 1001);

    dialog->mDialogListener = nullptr; // no application: the answer is still kept
    dialog->ButtonReleased(1000);
    EXPECT_EQ(dialog->mResult, 1000);
}

TEST_F(DialogTest, ButtonsFollowTheDialogInAndOutOfTheManagerAndStayInFront)
{
    LogWidget* behind = Make("behind", 0, 0, 10, 10);
    auto dialog = MakeDialog(Dialog::BUTTONS_OK_CANCEL, "", "", "");
    dialog->Resize(20, 10, 150, 80);
    manager.AddWidget(dialog.get());
    using Children = std::list<Widget*>;
    EXPECT_EQ(manager.mChildren, (Children{behind, dialog.get(), dialog->mYesButton, dialog->mNoButton}));
    EXPECT_EQ(dialog->mYesButton->mManager, &manager);

    manager.BringToFront(behind);
    manager.BringToFront(dialog.get());
    EXPECT_EQ(manager.mChildren, (Children{behind, dialog.get(), dialog->mYesButton, dialog->mNoButton}));

    // A click on the first button reaches the listener through the real manager.
    Rect yes = dialog->mYesButton->GetRect();
    manager.MouseMove(yes.mX + 2, yes.mY + 2);
    manager.MouseDown(yes.mX + 2, yes.mY + 2, 1);
    manager.MouseUp(yes.mX + 2, yes.mY + 2, 1);
    EXPECT_EQ(listener.mLog, (Log{"pressed 5 1000", "released 5 1000"}));
    EXPECT_EQ(dialog->mResult, 1000);

    manager.RemoveWidget(dialog.get());
    EXPECT_EQ(manager.mChildren, (Children{behind}));
    EXPECT_EQ(dialog->mYesButton->mManager, nullptr);
}

TEST_F(DialogTest, DraggingKeepsEightPixelsOnScreenAndTheGrabPointInside)
{
    auto dialog = MakeDialog(Dialog::BUTTONS_OK_CANCEL, "", "", "");
    dialog->Resize(100, 20, 80, 60);
    manager.AddWidget(dialog.get());
    host.mLog.clear();
    manager.MouseMove(110, 30);
    manager.MouseDown(110, 30, 1); // grabbed at (10, 10)
    EXPECT_TRUE(dialog->mDragging);
    manager.MouseMove(120, 35);
    EXPECT_EQ(dialog->GetRect(), Rect(110, 25, 80, 60));
    // Against the right edge of the 200-wide screen: 8 pixels over it at most.
    manager.MouseMove(400, 35);
    EXPECT_EQ(dialog->mX, 128);
    EXPECT_EQ(dialog->mDragMouseX, 71); // 100 - 128 + 300, kept 8 inside
    // Up and to the left, past the corner.
    manager.MouseMove(-300, -300);
    EXPECT_EQ(dialog->mX, -8);
    EXPECT_EQ(dialog->mY, -8);
    EXPECT_EQ(dialog->mDragMouseX, 8);
    // The buttons moved with it.
    EXPECT_EQ(dialog->mYesButton->GetRect(), Rect(-8 + 24, -8 + 60 - 48, (80 - 56) / 2, 24));
    manager.MouseUp(-300, -300, 1);
    EXPECT_FALSE(dialog->mDragging);
    EXPECT_EQ(host.mLog, (Log{"cursor 2", "cursor 0"}));

    // A right press does not drag.
    manager.MouseMove(10, 10);
    manager.MouseDown(10, 10, -1);
    EXPECT_FALSE(dialog->mDragging);
    manager.MouseUp(10, 10, -1);
    manager.RemoveWidget(dialog.get());
}

TEST_F(DialogTest, DraggingADialogLargerThanTheScreenStaysFinite)
{
    auto dialog = MakeDialog(0, "", "", "");
    dialog->Resize(0, 0, 10, 500); // narrower than the margins, taller than the screen
    manager.AddWidget(dialog.get());
    manager.MouseMove(5, 5);
    manager.MouseDown(5, 5, 1);
    manager.MouseMove(50, 90);
    // Where the ranges turn over, their low ends win.
    EXPECT_EQ(dialog->mX, 45);
    EXPECT_EQ(dialog->mY, -8);
    EXPECT_EQ(dialog->mDragMouseX, 8);
    EXPECT_EQ(dialog->mDragMouseY, 98);
    manager.MouseUp(50, 90, 1);
    manager.RemoveWidget(dialog.get());
}

TEST_F(DialogTest, DialogButtonDrawsPartsOfItsFramePictureAndItsLabelElseAsAPlainButton)
{
    MemoryImage frame;
    frame.Create(9, 9);
    DialogButton button(1000, nullptr);
    button.mLabel = "OK";
    button.mComponentImage = &frame;
    button.Resize(0, 0, 60, 24);
    MemoryImage canvas;
    canvas.Create(80, 40);
    Graphics g(&canvas);
    button.Draw(&g);
    // Label (60 - 12) / 2 across, (8 + 24 - 8 / 6 - 0 - 1) / 2 down; white while not hovered.
    EXPECT_EQ(host.mLog, (Log{"font SansSerif 12 1", "text OK 24,15 255"}));
    host.mLog.clear();
    button.mIsDown = button.mIsOver = true;
    button.mTextOffsetX = 3;
    button.SetColor(1, Color(7, 0, 0));
    button.Draw(&g);
    EXPECT_EQ(host.mLog, (Log{"text OK 28,16 7"})); // moved by (1, 1) while pressed
    EXPECT_EQ(g.mTransX, 0.0f);                     // and moved back
    host.mLog.clear();
    button.mBtnNoDraw = true;
    button.Draw(&g);
    EXPECT_TRUE(host.mLog.empty());
    // Without a frame picture it is a plain button, with the plain button's default font.
    DialogButton plain(1001, nullptr);
    plain.mLabel = "NO";
    plain.Resize(0, 0, 60, 24);
    plain.Draw(&g);
    EXPECT_EQ(host.mLog.front(), "font SansSerif 10 0");
}

TEST_F(DialogTest, DeletingAShownDialogTakesItAndItsButtonsOffTheScreen)
{
    LogWidget* behind = Make("behind", 0, 0, 200, 100);
    auto dialog = MakeDialog(Dialog::BUTTONS_YES_NO, "", "", "");
    dialog->Resize(20, 10, 160, 80);
    manager.AddWidget(dialog.get());
    manager.AddBaseModal(dialog.get());
    Rect no = dialog->mNoButton->GetRect();
    manager.MouseMove(no.mX + 1, no.mY + 1);
    ASSERT_EQ(manager.mOverWidget, dialog->mNoButton);
    dialog.reset();
    EXPECT_EQ(manager.mChildren, (std::list<Widget*>{behind}));
    EXPECT_EQ(manager.mBaseModalWidget, nullptr);
    EXPECT_TRUE(manager.mPreModalInfoList.empty());
    manager.MouseMove(10, 10);
    EXPECT_EQ(manager.mOverWidget, behind);

    dialog = MakeDialog(Dialog::BUTTONS_YES_NO, "", "", "");
    manager.AddWidget(dialog.get());
    manager.mChildren.remove(dialog.get()); // only the dialog taken away behind its back
    dialog.reset();
    EXPECT_EQ(manager.mChildren, (std::list<Widget*>{behind}));
    manager.UpdateFrame();
}
