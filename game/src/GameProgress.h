// The play screen's rules over a game: ten levels of 12000 ticks, money, the
// customers' happiness against a goal and a danger line, and the countdown to the
// next group of customers. The play screen holds one and shows the boards it asks for.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace Lumo
{

enum class LevelEnd
{
    None,       // the level goes on
    GoalMissed, // the level is played again with the danger line raised
    LevelUp,    // the next level begins
    Won,        // the tenth level is done: the game is over, won
    Failed,     // below the danger line or out of money: the game is over, lost
};

// The five lines of a message board; line 0 is the title.
using BoardLines = std::array<std::string, 5>;

class GameProgress
{
public:
    static constexpr int kLevelCount = 10;
    static constexpr int kLevelLength = 12000;
    static constexpr int kFirstSpawnCountdown = 100;

    int mSpawnCountdown = kFirstSpawnCountdown;
    double mClock = 0.0; // ticks played in this level
    int mMoney = 100;
    int mHappiness = 100;
    bool mHalted = false;
    int mGoal = 120;
    int mDanger = 50;
    int mBarMax = 200;
    int mLevelLength = kLevelLength;
    int mLevel = 0; // 0-based
    bool mFinished = false;

    // Draws the framework's next random number; only asked when one is needed, so a game
    // replays with the same numbers.
    using RandomSource = std::function<uint32_t()>;

    GameProgress();

    // Sets up level n (below 0: level 0). Level 10 is the end of the game: won.
    LevelEnd SetLevel(int n);
    // One tick of the level clock. At the end of the level: the charge of (L + 1) * 5, then
    // the verdict. A new level draws its spawn countdown from random.
    LevelEnd TickClock(const RandomSource& random);
    // One tick of the spawn countdown: true when a group is due now; the caller brings it
    // and then restarts the countdown.
    bool TickSpawn();
    void RestartSpawn(uint32_t random);
    // The keypad keys (virtual-key codes) +, -, * and /: happiness up and down by 100, the
    // next and the previous level. Empty for any other key, else what the level change gave.
    std::optional<LevelEnd> ApplyKey(int key);

    // Money the end of level L costs.
    static int LevelCharge(int level) { return (level + 1) * 5; }
    // Ticks to the next group: at least 100, shorter for a happy crowd in high levels.
    static int NextSpawnCountdown(int level, int happiness, uint32_t random);
    // The frame plays its tracks backwards, 4 after 0.
    static int PreviousMusicTrack(int track) { return track <= 0 ? 4 : track - 1; }

    static BoardLines WelcomeBoard();
    static BoardLines GoalMissedBoard();
    static BoardLines LevelUpBoard(int newLevel);
    static BoardLines WonBoard(int money);
    static BoardLines FailedBoard(int level);
};

} // namespace Lumo
