#include "game/src/GameProgress.h"

#include <gtest/gtest.h>

using namespace Lumo;

namespace
{

// Plays the clock until the level ends; the number of ticks it took.
int PlayLevel(GameProgress& progress, LevelEnd* end, uint32_t random = 0)
{
    for (int tick = 1; tick <= 20000; tick++)
    {
        *end = progress.TickClock([random] { return random; });
        if (*end != LevelEnd::None)
            return tick;
    }
    return -1;
}

} // namespace

TEST(GameProgress, AGameStartsAtLevelZero)
{
    GameProgress progress;
    EXPECT_EQ(progress.mLevel, 0);
    EXPECT_EQ(progress.mGoal, 120);
    EXPECT_EQ(progress.mDanger, 10);
    EXPECT_EQ(progress.mBarMax, 200);
    EXPECT_EQ(progress.mMoney, 100);
    EXPECT_EQ(progress.mHappiness, 100);
    EXPECT_EQ(progress.mLevelLength, 12000);
    EXPECT_EQ(progress.mSpawnCountdown, 100);
    EXPECT_FALSE(progress.mHalted);
    EXPECT_FALSE(progress.mFinished);
}

TEST(GameProgress, LevelTable)
{
    // Goal, danger and bar scale at the start of each level, reached without a miss.
    const int goals[] = {120, 250, 390, 540, 700, 870, 1050, 1240, 1440, 1650};
    const int dangers[] = {10, 30, 60, 100, 150, 210, 280, 360, 450, 550};
    GameProgress progress;
    int money = 100;
    for (int level = 0; level < 10; level++)
    {
        if (level > 0)
        {
            EXPECT_EQ(progress.SetLevel(level), LevelEnd::None);
            money += 100 * level;
        }
        EXPECT_EQ(progress.mGoal, goals[level]) << level;
        EXPECT_EQ(progress.mDanger, dangers[level]) << level;
        EXPECT_EQ(progress.mBarMax, 200 + 200 * level) << level;
        EXPECT_EQ(progress.mMoney, money) << level;
        EXPECT_EQ(progress.mLevelLength, 12000);
        EXPECT_EQ(progress.mClock, 0.0);
    }
    progress.mClock = 5000;
    EXPECT_EQ(progress.SetLevel(10), LevelEnd::Won);
    EXPECT_TRUE(progress.mFinished);
    EXPECT_TRUE(progress.mHalted);
    EXPECT_EQ(progress.mDanger, 660);
    EXPECT_EQ(progress.mGoal, 1650);
    EXPECT_EQ(progress.mMoney, money);
    EXPECT_EQ(progress.mClock, 0.0);
}

TEST(GameProgress, TheLevelEndsOnTick12001)
{
    GameProgress progress;
    progress.mHappiness = 120; // exactly the goal: won
    LevelEnd end = LevelEnd::None;
    EXPECT_EQ(PlayLevel(progress, &end, 250), 12001);
    EXPECT_EQ(end, LevelEnd::LevelUp);
    EXPECT_EQ(progress.mLevel, 1);
    EXPECT_EQ(progress.mMoney, 100 - 5 + 100);
    EXPECT_EQ(progress.mGoal, 250);
    EXPECT_EQ(progress.mDanger, 30);
    EXPECT_EQ(progress.mBarMax, 400);
    EXPECT_EQ(progress.mClock, 0.0);
    EXPECT_TRUE(progress.mHalted);
    EXPECT_FALSE(progress.mFinished);
    EXPECT_EQ(progress.mSpawnCountdown, 100 + 250 % 201);

    // A stopped clock stays stopped.
    progress.mClock = -1.0;
    EXPECT_EQ(progress.TickClock(nullptr), LevelEnd::None);
    EXPECT_EQ(progress.mClock, -1.0);
}

TEST(GameProgress, AMissedGoalReplaysTheLevelWithAHigherDangerLine)
{
    GameProgress progress;
    progress.SetLevel(1);
    progress.SetLevel(2);
    const int money = progress.mMoney;
    progress.mHappiness = progress.mDanger; // on the line: the game goes on
    LevelEnd end = LevelEnd::None;
    EXPECT_EQ(PlayLevel(progress, &end), 12001);
    EXPECT_EQ(end, LevelEnd::GoalMissed);
    EXPECT_EQ(progress.mLevel, 2);
    EXPECT_EQ(progress.mMoney, money - 15);
    EXPECT_EQ(progress.mDanger, 60 + 2 * 10 + 25);
    EXPECT_EQ(progress.mGoal, 390);
    EXPECT_EQ(progress.mClock, 0.0);
    EXPECT_TRUE(progress.mHalted);
    EXPECT_FALSE(progress.mFinished);
}

TEST(GameProgress, BelowTheDangerLineOrWithoutMoneyTheGameIsLost)
{
    GameProgress progress;
    progress.mHappiness = 9;
    LevelEnd end = LevelEnd::None;
    PlayLevel(progress, &end);
    EXPECT_EQ(end, LevelEnd::Failed);
    EXPECT_TRUE(progress.mFinished);
    EXPECT_TRUE(progress.mHalted);
    EXPECT_EQ(progress.mMoney, 95);

    GameProgress broke;
    broke.mHappiness = 1000;
    broke.mMoney = 5; // the charge leaves 0
    PlayLevel(broke, &end);
    EXPECT_EQ(end, LevelEnd::Failed);
    EXPECT_EQ(broke.mMoney, 0);
}

TEST(GameProgress, TheTenthLevelEndsWithTheWonBoardAlone)
{
    GameProgress progress;
    for (int level = 1; level <= 9; level++)
        progress.SetLevel(level);
    progress.mHappiness = 1650;
    const int money = progress.mMoney;
    LevelEnd end = LevelEnd::None;
    PlayLevel(progress, &end);
    EXPECT_EQ(end, LevelEnd::Won);
    EXPECT_EQ(progress.mLevel, 10);
    EXPECT_TRUE(progress.mFinished);
    EXPECT_EQ(progress.mMoney, money - 50);
    EXPECT_EQ(progress.mDanger, 550 + 110);
}

TEST(GameProgress, KeypadKeysMoveHappinessAndLevel)
{
    GameProgress progress;
    EXPECT_EQ(progress.ApplyKey(107), LevelEnd::None);
    EXPECT_EQ(progress.mHappiness, 200);
    EXPECT_EQ(progress.ApplyKey(109), LevelEnd::None);
    EXPECT_EQ(progress.ApplyKey(109), LevelEnd::None);
    EXPECT_EQ(progress.mHappiness, 0);
    EXPECT_EQ(progress.ApplyKey(106), LevelEnd::None);
    EXPECT_EQ(progress.mLevel, 1);
    EXPECT_EQ(progress.mMoney, 200);
    progress.mMoney = 3;
    EXPECT_EQ(progress.ApplyKey(111), LevelEnd::None);
    EXPECT_EQ(progress.mLevel, 0);
    // Below level 0: level 0 again, with its starting money and goal.
    EXPECT_EQ(progress.ApplyKey(111), LevelEnd::None);
    EXPECT_EQ(progress.mLevel, 0);
    EXPECT_EQ(progress.mMoney, 100);
    EXPECT_EQ(progress.mGoal, 120);
    EXPECT_EQ(progress.mDanger, 10);
    EXPECT_EQ(progress.ApplyKey(32), std::nullopt);
    EXPECT_EQ(progress.ApplyKey(65), std::nullopt);
    // Past the tenth level the game is won, and the play screen puts up its board.
    progress.SetLevel(9);
    EXPECT_EQ(progress.ApplyKey(106), LevelEnd::Won);
    EXPECT_TRUE(progress.mFinished);
}

TEST(GameProgress, SpawnCountdown)
{
    // trunc(2500 - (L + 1) * H / 10) in doubles, at least 100, plus up to 200.
    EXPECT_EQ(GameProgress::NextSpawnCountdown(0, 100, 0), 2490);
    EXPECT_EQ(GameProgress::NextSpawnCountdown(0, 100, 200), 2690);
    EXPECT_EQ(GameProgress::NextSpawnCountdown(0, 100, 201), 2490);
    EXPECT_EQ(GameProgress::NextSpawnCountdown(0, 15, 0), 2498); // 2498.5 truncated
    EXPECT_EQ(GameProgress::NextSpawnCountdown(0, -15, 0), 2501);
    EXPECT_EQ(GameProgress::NextSpawnCountdown(9, 2400, 7), 107);
    EXPECT_EQ(GameProgress::NextSpawnCountdown(9, 3000, 0), 100);

    GameProgress progress;
    for (int tick = 1; tick < 100; tick++)
        ASSERT_FALSE(progress.TickSpawn()) << tick;
    EXPECT_EQ(progress.mSpawnCountdown, 1);
    EXPECT_TRUE(progress.TickSpawn());
    EXPECT_TRUE(progress.TickSpawn()); // due until restarted
    progress.RestartSpawn(13);
    EXPECT_EQ(progress.mSpawnCountdown, 2490 + 13);
    progress.mSpawnCountdown = 0;
    EXPECT_FALSE(progress.TickSpawn());
    EXPECT_EQ(progress.mSpawnCountdown, 0);
}

TEST(GameProgress, ChargesMusicAndBoards)
{
    EXPECT_EQ(GameProgress::LevelCharge(0), 5);
    EXPECT_EQ(GameProgress::LevelCharge(9), 50);
    EXPECT_EQ(GameProgress::PreviousMusicTrack(0), 4);
    EXPECT_EQ(GameProgress::PreviousMusicTrack(3), 2);
    EXPECT_EQ(GameProgress::WelcomeBoard()[0], "Welcome to the Crustavia!");
    EXPECT_EQ(GameProgress::WelcomeBoard()[3], "Press SpaceBar to Start!");
    EXPECT_EQ(GameProgress::GoalMissedBoard()[1], "You did not Reach the Goal in Time!");
    EXPECT_EQ(GameProgress::GoalMissedBoard()[2], "Danger Zone Extended!");
    EXPECT_EQ(GameProgress::LevelUpBoard(3)[1], "You are now at Level 3!");
    EXPECT_EQ(GameProgress::WonBoard(1234)[1], "You earned 1234 Euros!");
    EXPECT_EQ(GameProgress::WonBoard(0)[2], "Press SpaceBar to return to the Main Menu!");
    EXPECT_EQ(GameProgress::FailedBoard(4)[1], "You Failed on Level 4!");
    EXPECT_EQ(GameProgress::FailedBoard(4)[2], "Better Luck Next Time!");
}

TEST(GameProgress, RandomNumbersAreDrawnOnlyForANewLevel)
{
    GameProgress progress;
    int draws = 0;
    auto random = [&draws]
    {
        draws++;
        return uint32_t(7);
    };
    for (int tick = 0; tick < 12000; tick++)
        progress.TickClock(random);
    EXPECT_EQ(draws, 0);
    progress.mHappiness = 50; // goal missed: no new level, no draw
    EXPECT_EQ(progress.TickClock(random), LevelEnd::GoalMissed);
    EXPECT_EQ(draws, 0);
    progress.mHappiness = 500;
    progress.mClock = 12000.0;
    EXPECT_EQ(progress.TickClock(random), LevelEnd::LevelUp);
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(progress.mSpawnCountdown, 107);
}
