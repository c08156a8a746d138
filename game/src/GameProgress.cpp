#include "game/src/GameProgress.h"

#include "win32/user32.h"

#include <algorithm>

namespace Lumo
{

GameProgress::GameProgress()
{
    SetLevel(0);
}

LevelEnd GameProgress::SetLevel(int n)
{
    mLevel = std::max(n, 0);
    if (mLevel == kLevelCount)
    {
        mHalted = true;
        mFinished = true;
        mClock = 0.0;
        mDanger += 10 * mLevel + 10;
        return LevelEnd::Won;
    }
    if (mLevel > 0)
    {
        mMoney += 100 * mLevel;
        mGoal += (5 * mLevel + 60) * 2;
        mBarMax += 200;
    }
    else
    {
        mGoal = 120;
        mDanger = 0;
        mBarMax = 200;
        mMoney = 100;
    }
    mLevelLength = kLevelLength;
    mClock = 0.0;
    mDanger += 10 * mLevel + 10;
    return LevelEnd::None;
}

LevelEnd GameProgress::TickClock(const RandomSource& random)
{
    if (mClock < 0.0)
        return LevelEnd::None;
    mClock += 1.0;
    if (mClock <= double(mLevelLength))
        return LevelEnd::None;

    mMoney -= LevelCharge(mLevel);
    mHalted = true;
    if (mHappiness < mDanger || mMoney <= 0)
    {
        mFinished = true;
        return LevelEnd::Failed;
    }
    if (mHappiness < mGoal)
    {
        mClock = 0.0;
        mDanger += mLevel * 10 + 25;
        return LevelEnd::GoalMissed;
    }
    // After the tenth level only the won board goes up, not a level-up board over it.
    if (SetLevel(mLevel + 1) == LevelEnd::Won)
        return LevelEnd::Won;
    mSpawnCountdown = 100 + int((random ? random() : 0) % 201);
    return LevelEnd::LevelUp;
}

int GameProgress::NextSpawnCountdown(int level, int happiness, uint32_t random)
{
    const int crowd = (level + 1) * happiness;
    return std::max(100, int(2500.0 - crowd / 10.0)) + int(random % 201);
}

bool GameProgress::TickSpawn()
{
    if (mSpawnCountdown == 1)
        return true;
    if (mSpawnCountdown > 1)
        mSpawnCountdown--;
    return false;
}

void GameProgress::RestartSpawn(uint32_t random)
{
    mSpawnCountdown = NextSpawnCountdown(mLevel, mHappiness, random);
}

std::optional<LevelEnd> GameProgress::ApplyKey(int key)
{
    switch (key)
    {
    case VK_ADD:
        mHappiness += 100;
        return LevelEnd::None;
    case VK_SUBTRACT:
        mHappiness -= 100;
        return LevelEnd::None;
    case VK_MULTIPLY:
        return SetLevel(mLevel + 1);
    case VK_DIVIDE:
        return SetLevel(mLevel - 1);
    default:
        return std::nullopt;
    }
}

BoardLines GameProgress::WelcomeBoard()
{
    return {"Welcome to the Crustavia!", "Pass 10 Levels to Win!", "Let the Pizza Serving Competition Begin!",
            "Press SpaceBar to Start!", ""};
}

BoardLines GameProgress::GoalMissedBoard()
{
    return {"", "You did not Reach the Goal in Time!", "Danger Zone Extended!", "Press SpaceBar to Continue!",
            ""};
}

BoardLines GameProgress::LevelUpBoard(int newLevel)
{
    return {"Level Up!", "You are now at Level " + std::to_string(newLevel) + "!", "Keep up the Good Work!",
            "Press SpaceBar to Continue!", ""};
}

BoardLines GameProgress::WonBoard(int money)
{
    return {"Congratulation! You Won!", "You earned " + std::to_string(money) + " Euros!",
            "Press SpaceBar to return to the Main Menu!", "", ""};
}

BoardLines GameProgress::FailedBoard(int level)
{
    return {"", "You Failed on Level " + std::to_string(level) + "!", "Better Luck Next Time!",
            "Press SpaceBar to return to the Main Menu!", ""};
}

} // namespace Lumo
