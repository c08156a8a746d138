#include "AppTestSupport.h"
#include "test/dialogs.h"

using AppTest::AppFixture;
using AppTest::TestApp;
using PlatformTest::DialogAnswer;

namespace
{
class DemoDialogs : public AppFixture
{
protected:
    void TearDown() override
    {
        PlatformTest::ResetDialogs();
        AppFixture::TearDown();
    }
};

// A played demo of 50000 updates at 10 ms, at update 500, with three markers.
void PlayingDemo(TestApp& app)
{
    app.mRegistryKey = "Crustavia";
    app.mPlayingDemo = true;
    app.mDemoLength = 50000;
    app.mUpdateCount = 500;
    app.mFastForwardToUpdateNum = 0;
    app.mDemoMarkerList = {{"Start", 100}, {"Level 2", 372000}, {"Boss", 9000}};
}
} // namespace

TEST_F(DemoDialogs, MarkerListKeyShowsTheMarkersAheadAndADoubleClickJumps)
{
    TestApp app;
    PlayingDemo(app);
    PlatformTest::ScriptDialogs({DialogAnswer{1}, DialogAnswer{-1}});
    PlatformTest::AdvanceClock(5000 * 1000);
    app.HandleWindowMessage(nullptr, WM_CHAR, 'l', 0);
    EXPECT_EQ(app.mFastForwardToUpdateNum, 9000);
    EXPECT_EQ(app.mLastAccumulateTime, timeGetTime());
    auto shown = PlatformTest::ShownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Marker List");
    EXPECT_EQ(shown[0].items, (std::vector<std::string>{"Level 2 (01:02:00)", "Boss (00:01:30)"}));

    // Closed: nothing changes but the time stamp.
    app.mFastForwardToUpdateNum = 0;
    PlatformTest::AdvanceClock(3000 * 1000);
    app.HandleWindowMessage(nullptr, WM_CHAR, 'L', 0);
    EXPECT_EQ(app.mFastForwardToUpdateNum, 0);
    EXPECT_EQ(app.mLastAccumulateTime, timeGetTime());
    EXPECT_EQ(PlatformTest::ShownDialogs().size(), 2u);
}

TEST_F(DemoDialogs, JumpToTimeKeyCountsBackFromTheEndAndKeepsTheText)
{
    TestApp app;
    app.mRegistryKey = "Crustavia";
    app.RegistryWriteString("DemoJumpTime", "0:05");
    PlayingDemo(app);
    PlatformTest::ScriptDialogs({DialogAnswer{-1, "0:10", 0}});
    app.HandleWindowMessage(nullptr, WM_CHAR, 'j', 0);
    EXPECT_EQ(app.mFastForwardToUpdateNum, 48900);
    EXPECT_EQ(app.GetDemoJumpTime(), "0:10");
    auto shown = PlatformTest::ShownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Jump To Time");
    EXPECT_EQ(shown[0].initialText, "0:05"); // opened with the stored text, all selected
    EXPECT_EQ(shown[0].buttons, (std::vector<std::string>{"Ok", "Cancel"}));
}

TEST_F(DemoDialogs, JumpToTimeCancelOrCloseChangesNothing)
{
    TestApp app;
    app.mRegistryKey = "Crustavia";
    app.RegistryWriteString("DemoJumpTime", "0:05");
    PlayingDemo(app);
    PlatformTest::ScriptDialogs({DialogAnswer{-1, "3:00", 1}, DialogAnswer{-1, "3:00", -1}});
    PlatformTest::AdvanceClock(2000 * 1000);
    app.HandleWindowMessage(nullptr, WM_CHAR, 'J', 0);
    EXPECT_EQ(app.mLastAccumulateTime, timeGetTime());
    app.HandleWindowMessage(nullptr, WM_CHAR, 'j', 0);
    EXPECT_EQ(app.mFastForwardToUpdateNum, 0);
    EXPECT_EQ(app.GetDemoJumpTime(), "0:05");
    EXPECT_EQ(PlatformTest::ShownDialogs().size(), 2u);
}

TEST_F(DemoDialogs, JumpToTimeOfAnyLengthStaysInsideTheIntRange)
{
    TestApp app;
    PlayingDemo(app);
    // Far before the start, and (negative times) far after the end: the ends of int, no overflow.
    app.JumpToTime("99999999999:99999:99999:99999:99999:99999");
    EXPECT_EQ(app.mFastForwardToUpdateNum, INT32_MIN);
    app.JumpToTime("-99999:99999:99999:99999:99999:99999");
    EXPECT_EQ(app.mFastForwardToUpdateNum, INT32_MAX);
}

TEST_F(DemoDialogs, KeysOpenNoDialogWithoutADemo)
{
    TestApp app;
    app.mDemoMarkerList = {{"Boss", 9000}};
    PlatformTest::ScriptDialogs({DialogAnswer{0}});
    app.HandleWindowMessage(nullptr, WM_CHAR, 'l', 0);
    app.HandleWindowMessage(nullptr, WM_CHAR, 'j', 0);
    EXPECT_TRUE(PlatformTest::ShownDialogs().empty());
    EXPECT_EQ(app.mFastForwardToUpdateNum, 0);
}

TEST_F(DemoDialogs, FullScreenDialogIsBracketedByThePopupState)
{
    TestApp app;
    PlayingDemo(app);
    app.mIsPhysWindowed = false;
    AppTest::PressableWidget pressed;
    AppTest::PressWidget(app.mWidgets, pressed);
    ASSERT_EQ(app.mWidgets.mDownButtons, 1u);
    PlatformTest::ScriptDialogs({DialogAnswer{0}});
    app.HandleWindowMessage(nullptr, WM_CHAR, 'l', 0);
    EXPECT_EQ(app.mFake.mDesktopFlips, 1);
    EXPECT_FALSE(app.mPopupActive);
    EXPECT_EQ(app.mWidgets.mDownButtons, 0u);
    EXPECT_EQ(pressed.mUps, 1); // the pressed widget got its button-up
    EXPECT_EQ(app.mFastForwardToUpdateNum, 372000);
}
