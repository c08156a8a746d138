#include "AppTestSupport.h"

#include "widgets/ButtonListener.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Dialog.h"
#include "widgets/DialogButton.h"

#include <climits>

using AppTest::AppFixture;
using AppTest::TestApp;
using Lumo::Dialog;

namespace
{
// A dialog that notes its deletion.
class CountedDialog : public Dialog
{
public:
    std::vector<int>* mDeleted;
    CountedDialog(std::vector<int>* deleted, int id, bool modal, int mode)
        : Dialog(id, modal, "Title", "Some lines", "", mode), mDeleted(deleted)
    {
    }
    ~CountedDialog() override { mDeleted->push_back(mId); }
};

class RegistryApp : public TestApp
{
public:
    std::vector<std::string> mEvents;
    // Outlives the application, whose destructor deletes the dialogs left open.
    std::vector<int>& mDeleted;

    explicit RegistryApp(std::vector<int>& deleted) : mDeleted(deleted)
    {
        mWidth = 800;
        mHeight = 600;
        mWidgets.SetSize(800, 600);
    }
    Dialog* CreateDialogObject(int id, bool isModal, const std::string&, const std::string&,
                               const std::string&, int buttonMode) override
    {
        return new CountedDialog(&mDeleted, id, isModal, buttonMode);
    }
    void ButtonPressed(int id) override { mEvents.push_back("pressed " + std::to_string(id)); }
    void ButtonReleased(int id) override { mEvents.push_back("released " + std::to_string(id)); }
    void ModalOpenHook() override { mEvents.push_back("modal open"); }
    void ModalCloseHook() override { mEvents.push_back("modal close"); }
};

// The centre of a widget in the manager's coordinates.
POINT Centre(Lumo::Widget* widget)
{
    return POINT{widget->mX + widget->mWidth / 2, widget->mY + widget->mHeight / 2};
}

void Press(TestApp& app, POINT at, bool down)
{
    app.Post(WM_MOUSEMOVE, 0, AppTest::Pos(at.x, at.y));
    app.Post(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, 0, AppTest::Pos(at.x, at.y));
}
} // namespace

struct DialogRegistry : AppFixture
{
    std::vector<int> deleted;
};

TEST_F(DialogRegistry, ANewDialogIsPlacedHalfWideCentredAFifthDown)
{
    RegistryApp app(deleted);
    Dialog* dialog = app.ShowDialog(4, false, "Title", "Some lines", "", Dialog::BUTTONS_OK_CANCEL);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->GetRect(), Lumo::Rect(200, 120, 400, dialog->PreferredHeight(400)));
    EXPECT_GT(dialog->mHeight, 48);
    EXPECT_EQ(app.GetDialog(4), dialog);
    EXPECT_EQ(app.GetDialogCount(), 1);
    EXPECT_EQ(dialog->mParent, &app.mWidgets);
    EXPECT_EQ(app.mWidgets.mBaseModalWidget, nullptr); // not modal
    EXPECT_TRUE(app.mEvents.empty());

    // A dialog that already has a size keeps it.
    auto* sized = new CountedDialog(&deleted, 9, false, 0);
    sized->Resize(1, 2, 30, 40);
    app.AddDialogObject(sized);
    EXPECT_EQ(sized->GetRect(), Lumo::Rect(1, 2, 30, 40));
    EXPECT_EQ(app.GetDialogCount(), 2);
}

TEST_F(DialogRegistry, ShowingAnIdAgainReplacesTheOldDialogWhichIsDeletedLater)
{
    RegistryApp app(deleted);
    Dialog* first = app.ShowDialog(4, true, "", "", "", 0);
    Dialog* second = app.ShowDialog(4, true, "", "", "", 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(app.GetDialogCount(), 1);
    EXPECT_EQ(app.GetDialog(4), second);
    EXPECT_EQ(app.mWidgets.mBaseModalWidget, second);
    EXPECT_EQ(std::count(app.mWidgets.mChildren.begin(), app.mWidgets.mChildren.end(), first), 0);
    EXPECT_TRUE(deleted.empty()); // not yet
    app.ProcessDeferredDeletions();
    EXPECT_EQ(deleted, (std::vector<int>{4}));
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"modal open", "modal close", "modal open"}));
}

TEST_F(DialogRegistry, RemovingEndsTheModalStateAndUnknownIdsChangeNothing)
{
    RegistryApp app(deleted);
    Dialog* below = app.ShowDialog(1, true, "", "", "", 0);
    Dialog* above = app.ShowDialog(2, true, "", "", "", Dialog::BUTTONS_YES_NO);
    EXPECT_EQ(app.mWidgets.mBaseModalWidget, above);
    EXPECT_FALSE(app.RemoveDialog(3));
    EXPECT_EQ(app.GetDialogCount(), 2);

    EXPECT_TRUE(app.RemoveDialogObject(above));
    EXPECT_EQ(app.mWidgets.mBaseModalWidget, below);
    EXPECT_EQ(app.mWidgets.mChildren.size(), 1u); // its buttons went with it
    EXPECT_EQ(above->mResult, 0x7FFFFFFF);        // unanswered stays unanswered
    EXPECT_FALSE(app.RemoveDialog(2));

    below->mResult = -1;
    EXPECT_TRUE(app.RemoveDialog(1));
    EXPECT_EQ(below->mResult, 0);
    EXPECT_EQ(app.mWidgets.mBaseModalWidget, nullptr);
    EXPECT_EQ(app.GetDialogCount(), 0);
    app.ProcessDeferredDeletions();
    EXPECT_EQ(deleted, (std::vector<int>{2, 1}));
}

TEST_F(DialogRegistry, BadRegistrationsAreIgnored)
{
    RegistryApp app(deleted);
    app.AddDialog(3, nullptr);
    app.AddDialogObject(nullptr);
    EXPECT_FALSE(app.RemoveDialogObject(nullptr));
    EXPECT_EQ(app.GetDialogCount(), 0);

    Dialog* dialog = app.ShowDialog(3, true, "", "", "", 0);
    app.AddDialog(3, dialog); // again: stays registered, never handed to deletion
    app.AddDialog(8, dialog);
    app.ProcessDeferredDeletions();
    EXPECT_TRUE(deleted.empty());
    EXPECT_EQ(app.GetDialog(3), dialog);
    EXPECT_EQ(app.GetDialog(8), nullptr);
    EXPECT_EQ(app.GetDialogCount(), 1);
}

TEST_F(DialogRegistry, ADialogRemovedAndAddedAgainIsNotDeletedWhileRegistered)
{
    {
        RegistryApp app(deleted);
        Dialog* dialog = app.ShowDialog(6, true, "", "", "", 0);
        ASSERT_TRUE(app.RemoveDialog(6));
        app.AddDialog(6, dialog);
        app.ProcessDeferredDeletions();
        EXPECT_TRUE(deleted.empty());
        EXPECT_EQ(app.GetDialog(6), dialog);
        EXPECT_EQ(app.mWidgets.mBaseModalWidget, dialog);
    }
    EXPECT_EQ(deleted, std::vector<int>{6}); // once, by the application at its end
}

TEST_F(DialogRegistry, DialogsLeftOpenAreDeletedWithTheApplication)
{
    {
        RegistryApp app(deleted);
        app.ShowDialog(6, true, "", "", "", Dialog::BUTTONS_YES_NO);
        app.ShowDialog(7, false, "", "", "", 0);
        app.RemoveDialog(7); // still waiting for deferred deletion
        EXPECT_TRUE(deleted.empty());
    }
    std::sort(deleted.begin(), deleted.end());
    EXPECT_EQ(deleted, (std::vector<int>{6, 7}));
}

TEST_F(DialogRegistry, DialogButtonsBecomeButtonsNumberedFromTheDialogId)
{
    RegistryApp app(deleted);
    app.DialogButtonPressed(5, 1000);
    app.DialogButtonPressed(5, 1001);
    app.DialogButtonReleased(5, 1000);
    app.DialogButtonReleased(5, 1001);
    app.DialogButtonPressed(5, 1002);
    app.DialogButtonReleased(5, 0);
    app.DialogButtonPressed(INT_MAX, 1000); // wraps, never overflows
    EXPECT_EQ(app.mEvents,
              (std::vector<std::string>{"pressed 2005", "pressed 3005", "released 2005", "released 3005",
                                        "pressed " + std::to_string(INT_MIN + 1999)}));

    // Through the real manager: a click on the second button of dialog 5.
    app.mEvents.clear();
    Dialog* dialog = app.ShowDialog(5, true, "", "", "", Dialog::BUTTONS_YES_NO);
    POINT no = Centre(dialog->mNoButton);
    Press(app, no, true);
    Press(app, no, false);
    while (app.ProcessDeferredMessages())
    {
    }
    EXPECT_EQ(app.mEvents, (std::vector<std::string>{"modal open", "pressed 3005", "released 3005"}));
    EXPECT_EQ(dialog->mResult, 1001);
}

TEST_F(DialogRegistry, ModalWaitEndsOnTheReleasedButtonAndRemovesTheDialog)
{
    RegistryApp app(deleted);
    Dialog* dialog = app.ShowDialog(2, true, "Sure?", "", "", Dialog::BUTTONS_YES_NO);
    POINT yes = Centre(dialog->mYesButton);
    POINT no = Centre(dialog->mNoButton);
    std::vector<int> seen;
    app.mWidgets.mOnUpdate = [&](int update)
    {
        seen.push_back(update);
        if (seen.size() == 3)
            Press(app, yes, true);
        if (seen.size() == 5) // released off the button: no answer
            Press(app, POINT{yes.x, yes.y - 100}, false);
        if (seen.size() == 8)
            Press(app, no, true);
        if (seen.size() == 10)
            Press(app, no, false);
    };
    EXPECT_EQ(dialog->RunModalUntilResult(true), 1001);
    EXPECT_GE(seen.size(), 10u);
    EXPECT_EQ(app.GetDialogCount(), 0);
    EXPECT_EQ(app.mWidgets.mBaseModalWidget, nullptr);
    app.ProcessDeferredDeletions();
    EXPECT_EQ(deleted, (std::vector<int>{2}));
}

TEST_F(DialogRegistry, ModalWaitKeepsTheDialogWithoutAutoKill)
{
    RegistryApp app(deleted);
    Dialog* dialog = app.ShowDialog(2, true, "", "", "", Dialog::BUTTONS_FOOTER);
    app.mWidgets.mOnUpdate = [&](int) { dialog->ButtonReleased(1000); };
    EXPECT_EQ(dialog->RunModalUntilResult(false), 1000);
    EXPECT_EQ(app.GetDialog(2), dialog);
}

TEST_F(DialogRegistry, ModalWaitEndsUnansweredWhenTheApplicationQuits)
{
    RegistryApp app(deleted);
    Dialog* dialog = app.ShowDialog(2, true, "", "", "", Dialog::BUTTONS_YES_NO);
    app.mWidgets.mOnUpdate = [&](int) { app.Shutdown(); };
    EXPECT_EQ(dialog->RunModalUntilResult(true), 0x7FFFFFFF);
    EXPECT_EQ(app.GetDialogCount(), 0);
}

TEST_F(DialogRegistry, ModalWaitSurvivesItsDialogBeingRemovedAndDeletedMeanwhile)
{
    RegistryApp app(deleted);
    Dialog* dialog = app.ShowDialog(2, true, "", "", "", Dialog::BUTTONS_YES_NO);
    Dialog* replacement = nullptr;
    app.mWidgets.mOnUpdate = [&](int)
    {
        if (replacement != nullptr)
            return;
        dialog->ButtonReleased(1000);
        // Replaced under the same id: the old one is deleted within this very step.
        replacement = app.ShowDialog(2, true, "", "", "", 0);
    };
    EXPECT_EQ(dialog->RunModalUntilResult(true), 1000);
    EXPECT_EQ(deleted, (std::vector<int>{2}));
    EXPECT_EQ(app.GetDialog(2), replacement); // the new one is not taken by the old one's wait
}

namespace
{
// Asks a question when released and waits for the answer inside its own release.
struct AskingButton : Lumo::ButtonWidget, Lumo::ButtonListener
{
    Lumo::LumoAppBase* mApp;
    bool* mFreed;
    int mAnswer = 0;
    AskingButton(Lumo::LumoAppBase* app, bool* freed) : ButtonWidget(1, this), mApp(app), mFreed(freed) {}
    ~AskingButton() override { *mFreed = true; }
    void ButtonReleased(int) override
    {
        mAnswer =
            mApp->ShowDialog(7, true, "Sure?", "", "", Dialog::BUTTONS_YES_NO)->RunModalUntilResult(true);
    }
};
} // namespace

TEST_F(DialogRegistry, AButtonTakenOffWhileItsQuestionWaitsIsFreedOnlyOnceItsReleaseIsOver)
{
    RegistryApp app(deleted);
    bool freed = false;
    auto* button = new AskingButton(&app, &freed);
    button->Resize(10, 10, 50, 20);
    app.mWidgets.AddWidget(button);
    bool offScreen = false;
    app.mWidgets.mOnUpdate = [&](int)
    {
        Dialog* dialog = app.GetDialog(7);
        if (dialog == nullptr)
            return;
        if (offScreen)
        {
            dialog->ButtonReleased(Dialog::ID_YES);
            return;
        }
        // The screen holding the button goes while the question is up.
        offScreen = true;
        app.mWidgets.RemoveWidget(button);
        app.DeferWidgetDeletion(button);
    };
    Press(app, POINT{20, 20}, true);
    Press(app, POINT{20, 20}, false);
    // The main loop takes the click; the question waits inside it.
    for (int step = 0; step < 20 && button->mAnswer == 0; step++)
        app.PumpStep(nullptr);
    EXPECT_EQ(button->mAnswer, Dialog::ID_YES);
    EXPECT_FALSE(freed);
    app.RunFor(100);
    EXPECT_TRUE(freed);
}

TEST_F(DialogRegistry, NamedStringsHaveTheirDefaultsAndCanBeReplaced)
{
    RegistryApp app(deleted);
    EXPECT_EQ(app.GetString("DIALOG_BUTTON_OK", ""), "OK");
    EXPECT_EQ(app.GetString("DIALOG_BUTTON_CANCEL", ""), "CANCEL");
    EXPECT_EQ(app.GetString("UP_TO_DATE_TITLE", ""), "Up to Date");
    EXPECT_EQ(app.GetString("NEW_VERSION_BODY", ""),
              "There is an update available for this product.  Would you like to visit the web site to "
              "download it?");
    EXPECT_EQ(app.GetString("MISSING", "fallback"), "fallback");
    app.SetString("UP_TO_DATE_TITLE", "Current");
    app.SetString("RegistryKey", "Maker\\Game");
    EXPECT_EQ(app.GetString("UP_TO_DATE_TITLE", ""), "Current");
    app.LoadSettings();
    EXPECT_EQ(app.mRegistryKey, "Maker\\Game");
}
