#include "FakeGameApp.h"

#include "game/src/Customer.h"
#include "game/src/GameAppLink.h"
#include "game/src/GameChar.h"
#include "game/src/GameFrame.h"
#include "game/src/GameOverlay.h"
#include "game/src/ObjectChair.h"
#include "game/src/ObjectFridge.h"
#include "game/src/ObjectPrepTable.h"
#include "game/src/ItemCodes.h"
#include "game/src/TObject.h"
#include "game/src/Tray.h"
#include "game/src/ObjectOven.h"
#include "game/src/ObjectTable.h"
#include "game/src/TrayWidget.h"
#include "game/src/ObjectTrash.h"
#include "game/src/PopupMsg.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <deque>

using namespace Lumo;

namespace
{

class GameFrameTest : public ::testing::Test
{
protected:
    GameFrameTest()
    {
        app.mRandom = {3}; // the music track
        frame = new GameFrame(&app);
        app.mManager.AddWidget(frame);
    }
    ~GameFrameTest() override
    {
        app.mManager.RemoveAllChildren(false, false);
        app.DeferWidgetDeletion(frame);
        app.RunDeferred();
    }
    void CloseBoard()
    {
        auto boards = app.Boards();
        ASSERT_FALSE(boards.empty());
        boards.back()->KeyUp(32);
    }
    void Tick()
    {
        app.mUpdateCount++;
        frame->Update();
    }
    void EndTheLevel()
    {
        frame->GetProgress().mClock = 12000.0;
        Tick();
    }

    FakeApp app;
    GameFrame* frame = nullptr;
};

} // namespace

TEST_F(GameFrameTest, TheRestaurantIsBuiltOnAttach)
{
    const GameGrid& grid = *frame->GetGrid();
    for (int16_t row = 3; row <= 6; row++)
    {
        EXPECT_TRUE(grid.IsBlocked({14, row}));
        EXPECT_TRUE(grid.IsBlocked({12, row}));
        EXPECT_FALSE(grid.IsBlocked({13, row}));
    }
    EXPECT_TRUE(grid.IsBlocked({12, 1}));
    EXPECT_TRUE(grid.IsBlocked({14, 1}));
    EXPECT_TRUE(grid.IsBlocked({14, 8}));
    EXPECT_TRUE(grid.IsBlocked({7, 7}));
    EXPECT_TRUE(grid.IsBlocked({7, 6})); // a chair
    EXPECT_FALSE(grid.IsBlocked({6, 6}));
    EXPECT_TRUE(grid.IsBlocked({11, 0})); // a wall
    EXPECT_FALSE(grid.IsBlocked({11, 2}));

    CharLorenzo* cook = frame->GetCook();
    ASSERT_NE(cook, nullptr);
    EXPECT_EQ(frame->GetActiveChar(), cook);
    EXPECT_TRUE(cook->mSelected);
    EXPECT_EQ(cook->mX, 525);
    EXPECT_EQ(cook->mY, 225);
    EXPECT_EQ(cook->mWalk.mTile, (GameSimpleNode{10, 4}));
    EXPECT_EQ(cook->mWalk.mFacing, FACING_LEFT);
    EXPECT_EQ(frame->GetTable(3)->GetName(), "Table 4");
    EXPECT_EQ(frame->GetTable(3)->mX, 375);
    EXPECT_EQ(frame->GetTable(2)->GetGroup().GetFreeSeats(), 4);

    // The welcome board is up and focused; the game waits for it.
    auto boards = app.Boards();
    ASSERT_EQ(boards.size(), 1u);
    EXPECT_EQ(boards[0]->mLines[0], "Welcome to the Crustavia!");
    EXPECT_EQ(app.mManager.mFocusWidget, boards[0]);
    EXPECT_TRUE(frame->IsHalted());
    EXPECT_EQ(frame->GetMusicTrack(), 3);
    EXPECT_EQ(app.mManager.mChildren.back(), static_cast<Widget*>(frame->GetMouseTray()));

    const GameProgress& progress = frame->GetProgress();
    EXPECT_EQ(progress.mMoney, 100);
    EXPECT_EQ(progress.mGoal, 120);
    EXPECT_EQ(progress.mDanger, 10);
    EXPECT_EQ(progress.mSpawnCountdown, 100);

    // Halted: nothing counts down, no music starts.
    Tick();
    EXPECT_EQ(progress.mSpawnCountdown, 100);
    CloseBoard();
    EXPECT_FALSE(frame->IsHalted());
    EXPECT_EQ(app.mManager.mFocusWidget, frame);
    app.mUpdateCount = 99;
    Tick();
    EXPECT_EQ(app.mMusic, (std::vector<int>{2})); // backwards from 3
    EXPECT_EQ(progress.mSpawnCountdown, 99);
    EXPECT_EQ(progress.mClock, 1.0);
}

TEST_F(GameFrameTest, LevelUpAfterTheGoal)
{
    CloseBoard();
    GameProgress& progress = frame->GetProgress();
    progress.mHappiness = 120; // exactly the goal
    frame->GetProgress().mClock = 11999.0;
    Tick();
    EXPECT_TRUE(app.Boards().empty()); // 12000 is still in the level
    app.mRandom = {250};
    Tick();
    EXPECT_EQ(progress.mLevel, 1);
    EXPECT_EQ(progress.mMoney, 100 - 5 + 100);
    EXPECT_EQ(progress.mGoal, 120 + 130);
    EXPECT_EQ(progress.mDanger, 10 + 20);
    EXPECT_EQ(progress.mSpawnCountdown, 149);
    EXPECT_EQ(progress.mClock, 0.0);
    ASSERT_EQ(app.Boards().size(), 1u);
    EXPECT_EQ(app.Boards()[0]->mLines[0], "Level Up!");
    EXPECT_EQ(app.mManager.mFocusWidget, app.Boards()[0]);
    EXPECT_TRUE(frame->IsHalted());
    EXPECT_EQ(app.SoundCount(1), 1);
    EXPECT_EQ(app.mPlaying, -1);
    ASSERT_NE(app.LastPopup(), nullptr);
    EXPECT_EQ(app.LastPopup()->mLines[0].mText, "- 5");
    EXPECT_EQ(app.LastPopup()->mX, 690 - 50);
}

TEST_F(GameFrameTest, AMissedGoalRepeatsTheLevel)
{
    CloseBoard();
    GameProgress& progress = frame->GetProgress();
    progress.mHappiness = 10; // exactly the danger line: the game goes on
    frame->GetCook()->mWalk.mWalking = true;
    EndTheLevel();
    EXPECT_EQ(progress.mLevel, 0);
    EXPECT_EQ(progress.mDanger, 35);
    EXPECT_EQ(progress.mMoney, 95);
    EXPECT_FALSE(progress.mFinished);
    EXPECT_FALSE(frame->GetCook()->mWalk.mWalking);
    ASSERT_EQ(app.Boards().size(), 1u);
    EXPECT_EQ(app.Boards()[0]->mLines[1], "You did not Reach the Goal in Time!");
}

TEST_F(GameFrameTest, LosingReturnsToTheMenuOnceTheBoardCloses)
{
    CloseBoard();
    GameProgress& progress = frame->GetProgress();
    progress.mHappiness = 500;
    progress.mMoney = 5; // the charge leaves nothing
    EndTheLevel();
    EXPECT_TRUE(progress.mFinished);
    EXPECT_EQ(app.SoundCount(4), 1);
    EXPECT_EQ(app.Boards()[0]->mLines[1], "You Failed on Level 0!");
    Tick();
    EXPECT_TRUE(app.mFrames.empty());
    CloseBoard();
    Tick();
    EXPECT_EQ(app.mFrames, (std::vector<int>{0}));
}

TEST_F(GameFrameTest, TheTenthLevelShowsOnlyTheWonBoard)
{
    CloseBoard();
    GameProgress& progress = frame->GetProgress();
    for (int i = 0; i < 9; i++)
        frame->KeyUp(106);
    ASSERT_EQ(progress.mLevel, 9);
    progress.mHappiness = progress.mGoal;
    EndTheLevel();
    auto boards = app.Boards();
    ASSERT_EQ(boards.size(), 1u);
    EXPECT_EQ(boards[0]->mLines[0], "Congratulation! You Won!");
    EXPECT_TRUE(progress.mFinished);
    CloseBoard();
    Tick();
    EXPECT_EQ(app.mFrames, (std::vector<int>{0}));
}

TEST_F(GameFrameTest, KeypadStarPastTheTenthLevelPutsUpTheWonBoard)
{
    CloseBoard();
    for (int i = 0; i < 10; i++)
        frame->KeyUp(106);
    auto boards = app.Boards();
    ASSERT_EQ(boards.size(), 1u);
    EXPECT_EQ(boards[0]->mLines[0], "Congratulation! You Won!");
}

TEST_F(GameFrameTest, KeypadKeysAndPause)
{
    CloseBoard();
    GameProgress& progress = frame->GetProgress();
    frame->KeyUp(107);
    EXPECT_EQ(progress.mHappiness, 200);
    frame->KeyUp(109);
    frame->KeyUp(109);
    EXPECT_EQ(progress.mHappiness, 0);
    frame->KeyUp(111); // level -1: level 0 again, from its start
    EXPECT_EQ(progress.mLevel, 0);
    EXPECT_EQ(progress.mMoney, 100);

    frame->KeyUp(32);
    ASSERT_NE(frame->GetPauseBoard(), nullptr);
    EXPECT_TRUE(frame->IsPaused());
    EXPECT_EQ(frame->GetPauseBoard()->mLines[4], "PAUSED");
    const double clock = progress.mClock;
    Tick();
    EXPECT_EQ(progress.mClock, clock);
    // The pause board does not close on the space bar itself.
    frame->GetPauseBoard()->KeyUp(32);
    EXPECT_NE(frame->GetPauseBoard(), nullptr);

    // A message board's halt outlives the pause board.
    progress.mHalted = true;
    GameOverlay* board = frame->GetPauseBoard();
    frame->KeyUp(32);
    EXPECT_EQ(frame->GetPauseBoard(), nullptr);
    EXPECT_FALSE(frame->IsPaused());
    EXPECT_TRUE(progress.mHalted);
    EXPECT_EQ(std::count(app.mDeferred.begin(), app.mDeferred.end(), board), 1);
}

TEST_F(GameFrameTest, GroupsArriveAtEmptyTablesAndGuestsWhoLeaveAreFreedAfterTheirClick)
{
    CloseBoard();
    GameProgress& progress = frame->GetProgress();
    progress.mSpawnCountdown = 1;
    // Group of 3 from table 2; look 0, whose sitting down starts the table's choosing
    // countdown; looks 1 and 4; then the next group's countdown.
    app.mRandom = {2, 2, 0, 0, 1, 4, 50};
    Tick();
    ASSERT_EQ(frame->GetCustomers().size(), 3u);
    ObjectTable* table = frame->GetTable(2);
    EXPECT_EQ(table->GetGroup().GetState(), TableRules::STATE_CHOOSING);
    EXPECT_EQ(table->GetGroup().GetGroupSize(), 3);
    EXPECT_EQ(frame->GetCustomers()[2]->GetLook(), 4);
    EXPECT_EQ(frame->GetCustomers()[0]->mParent, static_cast<WidgetContainer*>(table->GetChair(0)));
    // max(100, trunc(2500 - 1 * 100 / 10)) + 50
    EXPECT_EQ(progress.mSpawnCountdown, 2540);

    // Only empty tables take a group: a second group of 4 starting at table 2 goes to table 3.
    app.mRandom = {3, 2, 0, 0, 0, 0, 0};
    frame->SpawnCustomers();
    EXPECT_EQ(frame->GetCustomers().size(), 7u);
    EXPECT_EQ(frame->GetTable(3)->GetGroup().GetGroupSize(), 4);

    // Customers that leave go to the deferred deletions, the rest are freed with the frame.
    Customer* first = frame->GetCustomers()[0];
    table->SetState(TableRules::STATE_EMPTY);
    EXPECT_EQ(frame->GetCustomers().size(), 4u);
    EXPECT_EQ(std::count(app.mDeferred.begin(), app.mDeferred.end(), first), 1);
    EXPECT_FALSE(frame->RemoveCustomer(first));
}

TEST_F(GameFrameTest, TheCookWalksToAnObjectAndUsesItOnArrival)
{
    CloseBoard();
    CharLorenzo* cook = frame->GetCook();
    ObjectTrash* trash = frame->GetTrash();
    trash->MouseUpButton(5, 5, 0, 1);
    EXPECT_TRUE(cook->mWalk.mWalking);
    // The first pixel at once.
    EXPECT_EQ(std::abs(cook->mX - 525) + std::abs(cook->mY - 225), 1);
    EXPECT_FALSE(trash->mArrived);
    int ticks = 0;
    while (cook->mWalk.mWalking && ticks < 1000)
    {
        Tick();
        ticks++;
    }
    // From (10,4) to (14,7): 7 tiles of 50 pixels, 3 a tick after the first.
    EXPECT_EQ(ticks, 117);
    EXPECT_EQ(cook->mWalk.mTile, (GameSimpleNode{14, 7}));
    EXPECT_EQ(cook->mWalk.mFacing, FACING_DOWN);
    EXPECT_TRUE(trash->mArrived);
    EXPECT_EQ(app.SoundCount(10), 1); // the empty tray's thud on arrival

    // A pause of any length does not freeze him: he steps again on the next tick.
    frame->GetOven(0)->MouseUpButton(5, 5, 0, 1);
    EXPECT_FALSE(trash->mArrived);
    const int x = cook->mX;
    const int y = cook->mY;
    app.mUpdateCount += 500;
    Tick();
    EXPECT_NE(cook->mX + cook->mY * 1000, x + y * 1000);
}

TEST(GameFrame, FreedWithoutEverBeingShown)
{
    FakeApp app;
    auto* frame = new GameFrame(&app);
    EXPECT_EQ(frame->mWidth, 800);
    EXPECT_EQ(frame->GetCook(), nullptr);
    delete frame;
}

// One guest through the whole kitchen: basil from the fridge, a Margherita made at a prep
// table, baked, served, eaten and paid, with the updates the widget manager gives.
TEST_F(GameFrameTest, AGuestIsServedAMargheritaAndPays)
{
    CloseBoard();
    GameProgress& progress = frame->GetProgress();
    auto run = [&](const std::function<bool()>& done, int limit)
    {
        for (int i = 0; i < limit && !done(); i++)
        {
            app.mUpdateCount++;
            app.mManager.UpdateFrame();
        }
        return done();
    };
    CharLorenzo* cook = frame->GetCook();
    auto idle = [&] { return !cook->mWalk.mWalking; };

    // A group of one at table 1 (index 0), look 0, who takes a Margherita (r = 1).
    progress.mSpawnCountdown = 0;
    app.mRandom = {0, 0, 0, 0};
    frame->SpawnCustomers();
    ObjectTable* table = frame->GetTable(0);
    ASSERT_EQ(table->GetGroup().GetGroupSize(), 1);
    app.mRandom = {0};
    ASSERT_TRUE(run([&] { return table->GetGroup().GetState() == TableRules::STATE_WAITING; }, 400));
    ASSERT_EQ(table->GetGroup().GetOrder()->mList, (std::vector<uint16_t>{ITEM_MARGHERITA}));

    // Basil, bought on arrival at the fridge.
    ObjectFridge* fridge = frame->GetFridge();
    fridge->SetSelection(ITEM_BASIL);
    fridge->MouseUpButton(5, 5, 0, 1);
    ASSERT_TRUE(run(idle, 1000));
    ASSERT_EQ(frame->GetTray()->GetCount(), 1);
    EXPECT_EQ(frame->GetTray()->Top()->mCode, ITEM_BASIL);
    EXPECT_EQ(progress.mMoney, 99);

    // A Margherita at the first prep table: chosen, the basil laid on, then handed over raw.
    ObjectPrepTable* prep = frame->GetPrepTable(0);
    prep->SetSelection(ITEM_MARGHERITA);
    prep->MouseUpButton(5, 5, 0, 1);
    ASSERT_TRUE(run(idle, 1000));
    auto pizzaOnTray = [&]
    { return frame->GetTray()->Top() != nullptr && frame->GetTray()->Top()->mCode == ITEM_MARGHERITA; };
    for (int click = 0; click < 3 && !pizzaOnTray(); click++)
        prep->MouseUpButton(5, 5, 0, 1);
    ASSERT_EQ(frame->GetTray()->GetCount(), 1);
    TObject* raw = frame->GetTray()->Top();
    ASSERT_EQ(raw->mCode, ITEM_MARGHERITA);
    EXPECT_EQ(raw->mCooked, 0);

    // Baked in the first oven, taken out once it rings.
    ObjectOven* oven = frame->GetOven(0);
    oven->MouseUpButton(5, 5, 0, 1);
    ASSERT_TRUE(run(idle, 1000));
    EXPECT_TRUE(frame->GetTray()->IsEmpty());
    ASSERT_TRUE(run([&] { return app.SoundCount(5) == 1; }, 300));
    oven->MouseUpButton(5, 5, 0, 1);
    ASSERT_EQ(frame->GetTray()->GetCount(), 1);
    EXPECT_EQ(frame->GetTray()->Top()->mCooked, 1);

    // Served at the table: the guest eats, asks for the check and pays.
    const int happiness = progress.mHappiness;
    table->MouseUpButton(5, 5, 0, 1);
    ASSERT_TRUE(run(idle, 1000));
    EXPECT_TRUE(frame->GetTray()->IsEmpty());
    EXPECT_EQ(table->GetGroup().GetState(), TableRules::STATE_EATING);
    EXPECT_GT(progress.mHappiness, happiness);
    ASSERT_TRUE(run([&] { return table->GetGroup().GetState() == TableRules::STATE_PAYING; }, 1200));
    const int money = progress.mMoney;
    frame->GetCustomers()[0]->MouseUpButton(5, 5, 0, 1);
    EXPECT_EQ(table->GetGroup().GetState(), TableRules::STATE_EMPTY);
    EXPECT_GT(progress.mMoney, money);
    EXPECT_TRUE(frame->GetCustomers().empty());
}
