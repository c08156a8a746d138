#include "tests/widgets/WidgetTestSupport.h"

#include <gtest/gtest.h>

using namespace Lumo;

namespace
{

const int kTab = 0x09, kShift = 0x10, kControl = 0x11;

struct ManagerTest : WidgetFixture
{
};

} // namespace

TEST_F(ManagerTest, EnterMoveLeave)
{
    Make("a", 10, 10, 20, 20);
    manager.MouseMove(15, 16);
    manager.MouseMove(15, 16);
    manager.MouseMove(16, 16);
    manager.MouseMove(50, 50);
    EXPECT_EQ(Take(), (Log{"a: enter", "a: move 5,6", "a: move 6,6", "a: leave"}));
    EXPECT_EQ(manager.mOverWidget, nullptr);
    manager.MouseMove(15, 15);
    manager.MouseExit();
    EXPECT_EQ(Take(), (Log{"a: enter", "a: move 5,5", "a: leave"}));
    EXPECT_FALSE(manager.mMouseIn);
}

TEST_F(ManagerTest, CaptureWithTwoButtons)
{
    LogWidget* a = Make("a", 10, 10, 20, 20);
    Make("b", 100, 10, 20, 20);
    manager.MouseDown(12, 12, 1);
    manager.MouseDown(105, 15, -1); // right press over b still goes to a
    manager.MouseUp(105, 15, 1);
    EXPECT_EQ(manager.mLastDownWidget, a);
    manager.MouseUp(106, 15, -1);
    EXPECT_EQ(manager.mLastDownWidget, nullptr);
    // The press moves the pointer over b first; a keeps the capture and gets both releases.
    EXPECT_EQ(Take(),
              (Log{"a: enter", "a: move 2,2", "a: down 2,2 b0 n1", "a: leave", "b: enter", "b: move 5,5",
                   "a: down 95,5 b1 n1", "a: up 95,5 b0 n1", "a: up 96,5 b1 n1", "b: move 6,5"}));
    EXPECT_EQ(manager.mDownButtons, 0u);
    EXPECT_EQ(manager.mLastDownButtonId, -1);
}

TEST_F(ManagerTest, PressOnDisabledWidgetDeliversNothing)
{
    LogWidget* a = Make("a", 10, 10, 20, 20);
    a->SetDisabled(true);
    manager.MouseDown(12, 12, 1);
    EXPECT_EQ(manager.mLastDownWidget, nullptr);
    manager.MouseUp(12, 12, 1);
    EXPECT_TRUE(Take().empty());
    a->SetDisabled(false); // the pointer is over it: it is entered at once
    EXPECT_EQ(Take(), (Log{"a: enter", "a: move 2,2"}));
}

TEST_F(ManagerTest, DragOffAndBackKeepsCoordinatesRelativeToThePressedWidget)
{
    LogWidget* parent = Make("p", 50, 0, 100, 100);
    LogWidget* a = Make("a", 10, 10, 20, 20, parent);
    manager.MouseDown(65, 15, 1);
    Take();
    manager.MouseMove(40, 5);
    EXPECT_FALSE(a->mIsOver);
    manager.MouseMove(62, 12);
    EXPECT_TRUE(a->mIsOver);
    manager.MouseUp(0, 1, 1);
    EXPECT_EQ(Take(), (Log{"a: drag -20,-5", "a: leave", "a: drag 2,2", "a: enter", "a: up -60,-9 b0 n1",
                           "a: leave"}));
}

TEST_F(ManagerTest, FocusByClickWheelAndKeys)
{
    LogWidget* a = Make("a", 10, 10, 20, 20);
    a->mWantsFocus = true;
    manager.MouseDown(12, 12, 1);
    manager.MouseUp(12, 12, 1);
    Take();
    EXPECT_EQ(manager.mFocusWidget, a);
    manager.MouseWheel(-120);
    manager.KeyDown(65);
    manager.KeyChar('a');
    manager.KeyUp(65);
    manager.KeyDown(300); // passed on, not recorded
    EXPECT_EQ(Take(), (Log{"a: wheel -120", "a: keydown 65", "a: char 97", "a: keyup 65", "a: keydown 300"}));
    EXPECT_FALSE(manager.mKeyDown[65]);
}

TEST_F(ManagerTest, LosingWindowFocusReleasesHeldKeysFirst)
{
    LogWidget* a = Make("a", 10, 10, 20, 20);
    manager.SetFocus(a);
    manager.KeyDown(40);
    manager.KeyDown(254);
    manager.mActualDownButtons = 1;
    Take();
    manager.LostFocus();
    EXPECT_EQ(Take(), (Log{"a: keyup 40", "a: keyup 254", "a: lostfocus"}));
    EXPECT_EQ(manager.mActualDownButtons, 0u);
    manager.LostFocus();
    EXPECT_TRUE(Take().empty());
    manager.GotFocus();
    EXPECT_EQ(Take(), (Log{"a: gotfocus"}));
}

TEST_F(ManagerTest, CtrlTabGoesToTheKeyboardTargetOnly)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* target = Make("t", 20, 0, 10, 10);
    manager.SetFocus(a);
    manager.mKeyboardTarget = target;
    manager.KeyDown(kControl);
    manager.KeyDown(kTab);
    manager.KeyChar('\t');
    manager.KeyUp(kTab);
    manager.KeyUp(kControl);
    EXPECT_EQ(Take(), (Log{"a: gotfocus", "a: keydown 17", "a: keydown 9", "t: char 9", "a: keyup 17"}));
}

TEST_F(ManagerTest, TabLinksMoveTheFocus)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* b = Make("b", 20, 0, 10, 10);
    a->mTabNext = b;
    b->mTabPrev = a;
    manager.SetFocus(a);
    manager.KeyDown(kTab);
    EXPECT_EQ(manager.mFocusWidget, b);
    manager.KeyUp(kTab);
    manager.KeyDown(kShift);
    manager.KeyDown(kTab);
    EXPECT_EQ(manager.mFocusWidget, a);
}

TEST_F(ManagerTest, BaseModalQuietsWhatLiesBehind)
{
    LogWidget* back = Make("back", 0, 0, 200, 100);
    LogWidget* dialog = Make("dialog", 50, 20, 50, 50);
    LogWidget* button = Make("button", 5, 5, 10, 10, dialog);
    manager.SetFocus(back);
    manager.MouseMove(10, 10);
    Take();
    manager.AddBaseModal(dialog);
    EXPECT_EQ(manager.mFocusWidget, nullptr);
    EXPECT_EQ(manager.mOverWidget, nullptr);
    EXPECT_EQ(Take(), (Log{"back: leave", "back: lostfocus"}));
    EXPECT_EQ(manager.GetWidgetAt(10, 10, nullptr, nullptr), nullptr);
    EXPECT_EQ(manager.GetWidgetAt(57, 27, nullptr, nullptr), button);
    manager.MouseDown(10, 10, 1);
    EXPECT_EQ(manager.mLastDownWidget, nullptr);
    manager.MouseUp(10, 10, 1);

    // Behind the modal: updated and drawn, but not under the mouse.
    manager.UpdateFrame();
    EXPECT_EQ(Take(), (Log{"back: update", "dialog: update", "button: update"}));

    manager.RemoveBaseModal(back); // not on top: nothing changes
    EXPECT_EQ(manager.mBaseModalWidget, dialog);
    manager.RemoveBaseModal(dialog);
    EXPECT_EQ(manager.mBaseModalWidget, nullptr);
    EXPECT_EQ(manager.mFocusWidget, back);
    EXPECT_EQ(Take(), (Log{"back: gotfocus"}));
    EXPECT_EQ(manager.GetWidgetAt(10, 10, nullptr, nullptr), back);
}

TEST_F(ManagerTest, RemovingAModalWithoutEarlierFocusLeavesNoFocus)
{
    LogWidget* dialog = Make("dialog", 50, 20, 50, 50);
    manager.AddBaseModal(dialog);
    manager.RemoveBaseModal(dialog);
    EXPECT_EQ(manager.mFocusWidget, nullptr);
    EXPECT_TRUE(manager.mPreModalInfoList.empty());
}

TEST_F(ManagerTest, NestedModalsRestoreInTurn)
{
    LogWidget* back = Make("back", 0, 0, 200, 100);
    LogWidget* first = Make("first", 10, 10, 50, 50);
    LogWidget* second = Make("second", 100, 10, 50, 50);
    manager.SetFocus(back);
    manager.AddBaseModal(first);
    manager.SetFocus(first);
    manager.AddBaseModal(second);
    EXPECT_EQ(manager.mFocusWidget, nullptr);
    manager.RemoveBaseModal(second);
    EXPECT_EQ(manager.mBaseModalWidget, first);
    EXPECT_EQ(manager.mFocusWidget, first);
    EXPECT_EQ(manager.mBelowModalFlagsRemove, 0x30u);
    manager.RemoveBaseModal(first);
    EXPECT_EQ(manager.mFocusWidget, first); // a focus set meanwhile is kept
    EXPECT_EQ(manager.mBelowModalFlagsRemove, 0u);
}

TEST_F(ManagerTest, EndingAModalRestoresNoFocusThatItsHooksTookOut)
{
    LogWidget* back = Make("back", 0, 0, 200, 100);
    LogWidget* first = Make("first", 10, 10, 50, 50);
    LogWidget* keep = Make("keep", 70, 10, 10, 10);
    LogWidget* second = Make("second", 100, 10, 50, 50);
    manager.AddBaseModal(first);
    manager.SetFocus(keep);
    manager.AddBaseModal(second, 0, 0); // saves keep as the focus to restore
    manager.SetFocus(back);
    // Quieted again behind the first modal, back's focus loss takes keep off the screen.
    back->mOnHook = [&](const std::string& hook)
    {
        if (hook == "lostfocus")
            manager.RemoveWidget(keep);
    };
    Take();
    manager.RemoveBaseModal(second);
    EXPECT_EQ(manager.mFocusWidget, nullptr);
    EXPECT_EQ(Take(), (Log{"back: lostfocus"}));
}

TEST_F(ManagerTest, EndingAModalKeepsTheModalThatItsHooksOpened)
{
    LogWidget* field = Make("field", 0, 0, 10, 10);
    LogWidget* first = Make("first", 20, 0, 10, 10);
    manager.SetFocus(field);
    manager.AddBaseModal(first);
    // The focus given back opens the next question, once.
    LogWidget* second = nullptr;
    field->mOnHook = [&](const std::string& hook)
    {
        if (hook == "gotfocus" && second == nullptr)
            manager.AddBaseModal(second = Make("second", 40, 0, 10, 10));
    };
    manager.RemoveBaseModal(first);
    EXPECT_EQ(manager.mBaseModalWidget, second);
    ASSERT_EQ(manager.mPreModalInfoList.size(), 1u);
    manager.RemoveBaseModal(second);
    EXPECT_EQ(manager.mBaseModalWidget, nullptr);
}

TEST_F(ManagerTest, RemovalHooksThatPointTheManagerBackAtTheWidgetLeaveNoStalePointer)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* tip = Make("tip", 50, 50, 10, 10);
    manager.MouseMove(1, 1);
    manager.SetFocus(a);
    // Its leave moves a tooltip, which looks again at what is under the pointer (a, still on
    // the screen); its focus loss takes the focus back.
    a->mOnHook = [&](const std::string& hook)
    {
        if (hook == "leave")
            tip->Move(tip->mX + 1, 50);
        if (hook == "lostfocus")
            manager.SetFocus(a);
    };
    manager.RemoveWidget(a);
    EXPECT_EQ(manager.mOverWidget, nullptr);
    EXPECT_EQ(manager.mFocusWidget, nullptr);
    EXPECT_FALSE(a->mIsOver);
    EXPECT_FALSE(a->mHasFocus);
    a->mOnHook = nullptr;
    owned.erase(owned.begin()); // freed, as its owner would once it is off the screen
    manager.MouseMove(30, 30);
    manager.KeyDown(kTab);
}

TEST_F(ManagerTest, RemovingWidgetsClearsEveryReference)
{
    LogWidget* back = Make("back", 0, 0, 200, 100);
    LogWidget* dialog = Make("dialog", 50, 20, 50, 50);
    LogWidget* inner = Make("inner", 0, 0, 10, 10, dialog);
    manager.SetFocus(inner);
    manager.mKeyboardTarget = inner;
    manager.AddBaseModal(back); // records inner as the focus to restore
    manager.MouseDown(52, 22, 1);
    Take();
    manager.RemoveWidget(dialog);
    EXPECT_EQ(manager.mLastDownWidget, nullptr);
    EXPECT_EQ(manager.mOverWidget, nullptr);
    EXPECT_EQ(manager.mKeyboardTarget, nullptr);
    EXPECT_EQ(manager.mPreModalInfoList.back().mPrevFocusWidget, nullptr);
    EXPECT_EQ(inner->mManager, nullptr);
    EXPECT_EQ(Take(), (Log{"inner: leave", "inner: up 2,2 b0 n1", "inner: lostfocus"}));
    manager.RemoveBaseModal(back);
    EXPECT_EQ(manager.mFocusWidget, nullptr);
}

TEST_F(ManagerTest, LostFocusMasksAndClickCountsOfButtons)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    manager.mLostFocusFlagsRemove = WIDGETFLAGS_UPDATE;
    manager.LostFocus();
    manager.UpdateFrame();
    EXPECT_TRUE(Take().empty());
    manager.GotFocus();
    manager.UpdateFrame();
    EXPECT_EQ(Take(), (Log{"a: update"}));
    manager.MouseDown(1, 1, 3);
    EXPECT_EQ(manager.mDownButtons, 4u);
    EXPECT_EQ(manager.mLastDownButtonId, 2);
    manager.ReleaseDownWidget();
    EXPECT_EQ(manager.mLastDownWidget, nullptr);
    EXPECT_EQ(Take(), (Log{"a: enter", "a: move 1,1", "a: down 1,1 b2 n1", "a: up 1,1 b2 n1"}));
    EXPECT_FALSE(a->mIsDown);
}

TEST_F(ManagerTest, HandCursorOnEnterAndLeave)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    a->mDoHandCursor = true;
    manager.MouseMove(1, 1);
    manager.MouseMove(50, 50);
    EXPECT_EQ(host.mLog, (Log{"cursor 1", "cursor 0"}));
}

TEST_F(ManagerTest, HidingOrMovingRechecksTheMouse)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    Make("b", 0, 0, 5, 5)->SetVisible(false);
    manager.MouseMove(2, 2);
    Take();
    owned[1]->SetVisible(true);
    a->Move(100, 100);
    EXPECT_EQ(Take(), (Log{"a: leave", "b: enter", "b: move 2,2"}));
}

TEST_F(ManagerTest, PointerHooksThatChangeTheTreeGetNoStrayCalls)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* b = Make("b", 20, 0, 10, 10);
    manager.MouseMove(1, 1);
    // Leaving a takes b, the widget the pointer moves onto, away: nothing is entered.
    a->mOnHook = [&](const std::string& hook)
    {
        if (hook == "leave")
            manager.RemoveWidget(b);
    };
    Take();
    manager.MouseMove(21, 1);
    EXPECT_EQ(Take(), (Log{"a: leave"}));
    EXPECT_EQ(manager.mOverWidget, nullptr);
    EXPECT_FALSE(b->mIsOver);

    // A widget that hides itself when entered gets no move, and the hand cursor stays off.
    LogWidget* c = Make("c", 40, 0, 10, 10);
    c->mDoHandCursor = true;
    c->mOnHook = [&](const std::string& hook)
    {
        if (hook == "enter")
            c->SetVisible(false);
    };
    host.mLog.clear();
    manager.MouseMove(41, 1);
    EXPECT_EQ(Take(), (Log{"c: enter", "c: leave"}));
    EXPECT_EQ(host.mLog, (Log{"cursor 0"}));
    EXPECT_EQ(manager.mOverWidget, nullptr);
}

TEST_F(ManagerTest, FocusHooksThatMoveTheFocusOrTakeThePressedWidgetOut)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* b = Make("b", 20, 0, 10, 10);
    LogWidget* c = Make("c", 40, 0, 10, 10);
    manager.SetFocus(a);
    // A focus that a's focus loss hands on stands: one widget has the focus.
    a->mOnHook = [&](const std::string& hook)
    {
        if (hook == "lostfocus")
            manager.SetFocus(c);
    };
    manager.SetFocus(b);
    EXPECT_EQ(manager.mFocusWidget, c);
    EXPECT_FALSE(b->mHasFocus);
    EXPECT_EQ(Take(), (Log{"a: gotfocus", "a: lostfocus", "c: gotfocus"}));

    // A press whose focus change takes the pressed widget away reaches it no more.
    b->mWantsFocus = true;
    c->mOnHook = [&](const std::string& hook)
    {
        if (hook == "lostfocus")
            manager.RemoveWidget(b);
    };
    manager.MouseDown(21, 1, 1);
    EXPECT_EQ(Take(), (Log{"b: enter", "b: move 1,1", "c: lostfocus", "b: leave"}));
    EXPECT_EQ(manager.mLastDownWidget, nullptr);
    EXPECT_FALSE(b->mIsDown);
}
