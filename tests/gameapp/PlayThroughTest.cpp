// Whole games of the real program, played through its input queue by the PlayBot from
// the main menu on, with a fixed random seed: the first level won and the second begun,
// a game lost on purpose by spending all the money, and the won game recorded as a demo
// and played back to the same end. A referee beside the bot keeps its own books of the
// money and the happiness from what it sees happen, by the game's rules, and checks them
// against the game after every update.
#include "tests/gameapp/GameAppSupport.h"
#include "tests/gameapp/PlayBot.h"

#include "display/D3DInterface.h"
#include "test/message_box.h"

#include "game/src/GameFrame.h"
#include "game/src/GameOverlay.h"
#include "game/src/GameScreen.h"
#include "game/src/ItemCodes.h"
#include "game/src/ObjectTable.h"
#include "game/src/TObject.h"
#include "game/src/Tray.h"

#include <SDL_mouse.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{

using GameAppSupport::TestGameApp;
using PlayTest::PlayBot;

constexpr uint32_t kSeed = 20261207;
constexpr double kThird = 0.3333333432674408;
constexpr int kSoundClap = 1;
constexpr int kSoundCrowdOoh = 4;
// A painted frame costs a tenth of a second: frames come about every ten updates.
constexpr uint64_t kDrawMicros = 100000;
// How far into the second level the won game goes on.
constexpr int kSecondLevelTicks = 1000;

int Points(int code)
{
    return code == 8 ? 3 : (code == 10 || code == 11) ? 2 : 1;
}

// What the referee remembers of a table between two updates.
struct TableView
{
    int mState = 0;
    int mServed = 0;
    int mGroup = 0;
    int mTotalWait = 0;
    int mCurrentWait = -1;
    std::vector<uint16_t> mOrder;
    std::array<int, 4> mSeatCode{};
    std::array<bool, 4> mDelivered{};
};

struct GameView
{
    bool mValid = false;
    int mMoney = 0;
    int mHappiness = 0;
    int mLevel = 0;
    double mClock = 0.0;
    bool mFinished = false;
    std::set<const Lumo::TObject*> mIngredients; // on the tray
    std::array<TableView, Lumo::GameFrame::kTables> mTables;
};

GameView Look(Lumo::GameFrame* frame)
{
    GameView view;
    view.mValid = true;
    const Lumo::GameProgress& progress = frame->GetProgress();
    view.mMoney = progress.mMoney;
    view.mHappiness = progress.mHappiness;
    view.mLevel = progress.mLevel;
    view.mClock = progress.mClock;
    view.mFinished = progress.mFinished;
    Lumo::Tray* tray = frame->GetTray();
    for (int i = 0; i < tray->GetCount(); i++)
    {
        if (tray->GetItem(i)->mNonPizza != 0)
            view.mIngredients.insert(tray->GetItem(i));
    }
    for (int t = 0; t < Lumo::GameFrame::kTables; t++)
    {
        const Lumo::TableGroup& group = frame->GetTable(t)->GetGroup();
        TableView& table = view.mTables[std::size_t(t)];
        table.mState = group.GetState();
        table.mServed = group.GetServed();
        table.mGroup = group.GetGroupSize();
        table.mTotalWait = group.GetTotalWait();
        table.mCurrentWait = group.GetCurrentWait();
        if (group.GetOrder() != nullptr)
            table.mOrder = group.GetOrder()->mList;
        for (int seat = 0; seat < 4; seat++)
        {
            const Lumo::TObject* item = group.GetSeatItem(seat);
            table.mSeatCode[std::size_t(seat)] = item != nullptr ? item->mCode : -1;
            table.mDelivered[std::size_t(seat)] = item != nullptr && item->mDelivered != 0;
        }
    }
    return view;
}

// Books of its own: 100 to start, -1 an ingredient, (L + 1) x gain a paid check, the level
// charge and bonus; happiness from serving, paying and groups walking out.
class Referee
{
public:
    int mMoney = 100;
    int mHappiness = 100;
    int mIngredients = 0;
    int mChecks = 0;
    int mWalkOuts = 0;
    int mServings = 0;
    int mMismatches = 0;
    std::string mFirstMismatch;
    // The money after the last events of a level, before its end is charged.
    int mMoneyBeforeEnd = 0;
    // Every change of money, happiness or level: "update money happiness level".
    std::vector<std::string> mChanges;

    void Observe(Lumo::GameFrame* frame, int update)
    {
        if (frame == nullptr)
        {
            mLast = GameView();
            return;
        }
        GameView now = Look(frame);
        if (!mLast.mValid)
        {
            EXPECT_EQ(now.mMoney, 100);
            EXPECT_EQ(now.mHappiness, 100);
            mMoney = now.mMoney;
            mHappiness = now.mHappiness;
            Record(now, update);
            mLast = now;
            return;
        }
        const int level = mLast.mLevel;
        for (const Lumo::TObject* item : now.mIngredients)
        {
            if (mLast.mIngredients.count(item) == 0)
            {
                mMoney -= 1;
                mIngredients++;
            }
        }
        for (std::size_t t = 0; t < now.mTables.size(); t++)
            Table(mLast.mTables[t], now.mTables[t], level);
        mMoneyBeforeEnd = mMoney;
        // The tenth level is the end of the game: no bonus comes with it.
        if (now.mLevel == level + 1)
            mMoney += -(level + 1) * 5 + (now.mLevel < 10 ? 100 * now.mLevel : 0);
        else if ((now.mFinished && !mLast.mFinished) || (now.mLevel == level && now.mClock < mLast.mClock))
            mMoney -= (level + 1) * 5;
        if (now.mMoney != mMoney || now.mHappiness != mHappiness)
        {
            if (mMismatches++ == 0)
            {
                char text[160];
                std::snprintf(text, sizeof text, "update %d: money %d, books %d; happiness %d, books %d",
                              update, now.mMoney, mMoney, now.mHappiness, mHappiness);
                mFirstMismatch = text;
            }
            // Carry on from the game's figures so one slip is reported once.
            mMoney = now.mMoney;
            mHappiness = now.mHappiness;
        }
        if (now.mMoney != mLast.mMoney || now.mHappiness != mLast.mHappiness || now.mLevel != mLast.mLevel)
            Record(now, update);
        mLast = now;
    }

private:
    void Record(const GameView& view, int update)
    {
        mChanges.push_back(std::to_string(update) + " " + std::to_string(view.mMoney) + " " +
                           std::to_string(view.mHappiness) + " " + std::to_string(view.mLevel));
    }

    void Table(const TableView& before, const TableView& now, int level)
    {
        if (before.mState == 7 && now.mState == 0)
        {
            // The check: the wait counted so far (the current wait is -1 while paying).
            const int w = int((before.mTotalWait + before.mCurrentWait) / 400.0);
            const double t = (15.0 - w) / 3.0;
            const int p = std::max(0, int(t));
            int sum = 0;
            for (uint16_t code : before.mOrder)
                sum += code == 8 ? 9 + 6 * p : (code == 10 || code == 11) ? 6 + 4 * p : 3 + 2 * p;
            const int gain = int((level + kThird) * sum);
            if (gain > 0)
                mMoney += (level + 1) * gain;
            const int happy = int(t * (level + 0.5));
            mHappiness += happy == 0 ? 1 : happy;
            mChecks++;
            return;
        }
        if (before.mState != 0 && before.mState != 7 && now.mState == 0)
        {
            mHappiness += int(double((before.mServed - before.mGroup) * 10) * (level + kThird));
            mWalkOuts++;
            return;
        }
        if (before.mState == 4 && now.mServed > before.mServed)
        {
            const int n = now.mServed - before.mServed;
            int points = 0;
            for (std::size_t seat = 0; seat < 4; seat++)
            {
                if (now.mDelivered[seat] && !before.mDelivered[seat])
                    points += Points(now.mSeatCode[seat]);
            }
            const int bonus = int((3000.0 - before.mCurrentWait) / 100.0 / 5.0 * n * (level + 0.5));
            mHappiness += bonus == 0 ? 1 : bonus;
            if (points >= 1 && n >= 2)
                mHappiness += int((points * n / 2) * (level + 0.5));
            mServings++;
        }
    }

    GameView mLast;
};

// What the end of a level looked like on the update it came.
struct LevelEndSeen
{
    int mUpdate = -1;
    int mLevel = -1;
    int mGoal = 0;
    int mDanger = 0;
    int mBarMax = 0;
    double mClock = -1.0;
    int mMoney = 0;
    int mMoneyBefore = 0;
    int mHappiness = 0;
    bool mHalted = false;
    bool mFinished = false;
    bool mSound = false;
    std::array<std::string, 5> mLines;
};

struct RunResult
{
    int mUpdates = 0;
    int mGameStart = -1; // the update the play screen came
    int mLevel = -1;
    int mMoney = 0;
    int mHappiness = 0;
    double mClock = 0.0;
    LevelEndSeen mEnd;
    Referee mReferee;
    PlayBot::Stats mStats;
    std::vector<std::string> mLog;
};

// Everything the books and the bot saw, in one line for the test's output.
void Report(const char* name, const RunResult& result)
{
    std::printf(
        "[ %s ] %d updates, the play screen from %d; level end at update %d with money %d and happiness %d; "
        "%d groups served, %d checks, %d walk-outs, %d ingredients, %d trashed, %d clicks, %d move retries, "
        "%d stalls\n",
        name, result.mUpdates, result.mGameStart, result.mEnd.mUpdate, result.mEnd.mMoneyBefore,
        result.mEnd.mHappiness, result.mStats.mGroupsServed, result.mReferee.mChecks,
        result.mReferee.mWalkOuts, result.mReferee.mIngredients, result.mStats.mItemsTrashed,
        result.mStats.mClicks, result.mStats.mMoveRetries, result.mStats.mStalls);
}

void ExpectBooksKept(const RunResult& result)
{
    EXPECT_EQ(result.mReferee.mMismatches, 0) << result.mReferee.mFirstMismatch;
    EXPECT_EQ(result.mReferee.mIngredients, result.mStats.mIngredientsBought);
}

class PlayThrough : public GameAppSupport::GameAppFixture
{
protected:
    // Starts the game with the fixed seed and plays it from the main menu.
    static RunResult Play(TestGameApp& app, PlayBot::Goal goal, const char* name)
    {
        LinkAssets();
        app.mFixedSeed = kSeed;
        app.Init();
        EXPECT_TRUE(app.mInitialized);
        RunResult result = app.mInitialized ? Run(app, goal, true) : RunResult();
        Report(name, result);
        EXPECT_TRUE(app.mFatal.empty());
        return result;
    }

    // Plays from the main menu until the first level ends (and, when won, a little of the
    // second), or, with `bot` null, watches a demo play.
    static RunResult Run(TestGameApp& app, PlayBot::Goal goal, bool useBot)
    {
        RunResult result;
        PlayBot bot(app, app.mHWnd, goal);
        int samplesSeen = 0;
        bool closing = false;
        bool sawMenuAgain = false;
        app.mUpdateLimit = 40000;
        app.mDrawMicros = kDrawMicros;
        app.mOnUpdate = [&](int update)
        {
            Lumo::GameFrame* frame = app.GetGameFrame();
            if (frame != nullptr && result.mGameStart < 0)
                result.mGameStart = update;
            result.mReferee.Observe(frame, update);
            const bool newSounds = int(app.mSamples.size()) > samplesSeen;
            const bool endSound =
                newSounds &&
                std::find(app.mSamples.begin() + samplesSeen, app.mSamples.end(),
                          goal == PlayBot::Goal::Serve ? kSoundClap : kSoundCrowdOoh) != app.mSamples.end();
            samplesSeen = int(app.mSamples.size());
            if (frame != nullptr && result.mEnd.mUpdate < 0 &&
                (frame->GetProgress().mLevel > 0 || frame->GetProgress().mFinished))
            {
                const Lumo::GameProgress& progress = frame->GetProgress();
                LevelEndSeen& end = result.mEnd;
                end.mUpdate = update;
                end.mLevel = progress.mLevel;
                end.mGoal = progress.mGoal;
                end.mDanger = progress.mDanger;
                end.mBarMax = progress.mBarMax;
                end.mClock = progress.mClock;
                end.mMoney = progress.mMoney;
                end.mMoneyBefore = result.mReferee.mMoneyBeforeEnd;
                end.mHappiness = progress.mHappiness;
                end.mHalted = progress.mHalted;
                end.mFinished = progress.mFinished;
                end.mSound = endSound;
                if (Lumo::GameOverlay* board = PlayBot::FindBoard(app))
                {
                    for (int i = 0; i < 5; i++)
                        end.mLines[std::size_t(i)] = board->mLines[i];
                }
            }
            if (frame != nullptr && result.mEnd.mUpdate >= 0)
            {
                result.mLevel = frame->GetProgress().mLevel;
                result.mMoney = frame->GetProgress().mMoney;
                result.mHappiness = frame->GetProgress().mHappiness;
                result.mClock = frame->GetProgress().mClock;
            }
            if (result.mEnd.mUpdate >= 0 && frame == nullptr &&
                dynamic_cast<Lumo::FrameMainMenu*>(app.GetCurrentFrame()) != nullptr)
                sawMenuAgain = true;
            const bool done = goal == PlayBot::Goal::Serve
                                  ? frame != nullptr && result.mEnd.mUpdate >= 0 &&
                                        frame->GetProgress().mClock >= kSecondLevelTicks
                                  : sawMenuAgain;
            if (useBot && done && !closing)
            {
                PlatformTest::InjectCloseRequest(app.mHWnd);
                closing = true;
            }
            if (useBot && !closing)
                bot.Update();
        };
        app.Start();
        result.mUpdates = app.mUpdateCount;
        result.mStats = bot.GetStats();
        result.mLog = bot.GetLog();
        return result;
    }
};

} // namespace

TEST_F(PlayThrough, TheFirstLevelIsWonFromTheMainMenuAndTheSecondBegins)
{
    TestGameApp app;
    const RunResult result = Play(app, PlayBot::Goal::Serve, "won");
    // The menu's Start and the tutorial's Skip were clicked; the welcome board and the
    // level-up board went with the space bar.
    ASSERT_GE(result.mLog.size(), 2u);
    EXPECT_NE(result.mLog[0].find("button Start"), std::string::npos) << result.mLog[0];
    EXPECT_NE(result.mLog[1].find("button Skip"), std::string::npos) << result.mLog[1];
    EXPECT_EQ(result.mStats.mKeys, 2);

    const LevelEndSeen& end = result.mEnd;
    ASSERT_GE(end.mUpdate, 0) << "the first level never ended";
    EXPECT_EQ(end.mLevel, 1);
    EXPECT_EQ(end.mGoal, 250);
    EXPECT_EQ(end.mDanger, 30);
    EXPECT_EQ(end.mBarMax, 400);
    EXPECT_EQ(end.mClock, 0.0);
    EXPECT_TRUE(end.mHalted);
    EXPECT_FALSE(end.mFinished);
    EXPECT_TRUE(end.mSound) << "no clap";
    EXPECT_GE(end.mHappiness, 120);
    EXPECT_EQ(end.mLines,
              (std::array<std::string, 5>{"Level Up!", "You are now at Level 1!", "Keep up the Good Work!",
                                          "Press SpaceBar to Continue!", ""}));
    EXPECT_EQ(end.mMoney, end.mMoneyBefore - 5 + 100);
    ExpectBooksKept(result);
    EXPECT_GE(result.mStats.mGroupsServed, 3);
    EXPECT_GE(result.mReferee.mChecks, 3);
    EXPECT_EQ(result.mStats.mStalls, 0);

    // The second level is under way.
    EXPECT_EQ(result.mLevel, 1);
    EXPECT_GE(result.mClock, double(kSecondLevelTicks));
}

TEST_F(PlayThrough, SpendingAllTheMoneyLosesTheGameAndTheSpaceBarReturnsToTheMenu)
{
    TestGameApp app;
    const RunResult result = Play(app, PlayBot::Goal::SpendAll, "lost");

    const LevelEndSeen& end = result.mEnd;
    ASSERT_GE(end.mUpdate, 0) << "the first level never ended";
    EXPECT_EQ(result.mStats.mIngredientsBought, 100);
    EXPECT_EQ(end.mMoneyBefore, 0);
    EXPECT_EQ(end.mMoney, -5);
    EXPECT_EQ(end.mLevel, 0);
    EXPECT_TRUE(end.mHalted);
    EXPECT_TRUE(end.mFinished);
    EXPECT_TRUE(end.mSound) << "no crowd";
    // Happy enough: the money alone lost it.
    EXPECT_GE(end.mHappiness, 10);
    EXPECT_EQ(end.mLines, (std::array<std::string, 5>{"", "You Failed on Level 0!", "Better Luck Next Time!",
                                                      "Press SpaceBar to return to the Main Menu!", ""}));
    ExpectBooksKept(result);
    // The space bar closed the board and the next tick went back to the main menu.
    EXPECT_EQ(app.GetGameFrame(), nullptr);
    EXPECT_NE(dynamic_cast<Lumo::FrameMainMenu*>(app.GetCurrentFrame()), nullptr);
}

TEST_F(PlayThrough, TheWonGameRecordedAsADemoPlaysBackToTheSameEnd)
{
    LinkAssets();
    RunResult recorded;
    std::string demoFile;
    {
        TestGameApp app;
        app.mFixedSeed = kSeed;
        app.mRecordingDemo = true;
        app.Init();
        ASSERT_TRUE(app.mInitialized);
        recorded = Run(app, PlayBot::Goal::Serve, true);
        demoFile = app.mDemoFileName;
    } // the demo is written when the application goes
    ASSERT_TRUE(std::filesystem::exists(demoFile));
    ASSERT_GE(recorded.mEnd.mUpdate, 0);

    PlatformTest::ResetInputState();
    TestGameApp app;
    app.SplitCommandLine("-play");
    app.Init();
    ASSERT_TRUE(app.mPlayingDemo);
    const RunResult played = Run(app, PlayBot::Goal::Serve, false);
    Report("played back", played);
    EXPECT_EQ(app.mRandSeed, kSeed);
    EXPECT_EQ(played.mUpdates, recorded.mUpdates);
    EXPECT_EQ(played.mLevel, recorded.mLevel);
    EXPECT_EQ(played.mMoney, recorded.mMoney);
    EXPECT_EQ(played.mHappiness, recorded.mHappiness);
    EXPECT_EQ(played.mClock, recorded.mClock);
    EXPECT_EQ(played.mEnd.mUpdate, recorded.mEnd.mUpdate);
    EXPECT_EQ(played.mReferee.mChanges, recorded.mReferee.mChanges);
    EXPECT_EQ(played.mReferee.mMismatches, 0) << played.mReferee.mFirstMismatch;
}

namespace
{
// The game clock after every update of the play screen, as "update:clock".
std::vector<std::string> PlayMinimisedModeSwitch(TestGameApp& app, bool script)
{
    std::vector<std::string> clocks;
    int step = 0;
    int next = 0;
    app.mOnUpdate = [&](int update)
    {
        Lumo::GameFrame* frame = app.GetGameFrame();
        if (frame != nullptr)
            clocks.push_back(std::to_string(update) + ":" + std::to_string(frame->GetProgress().mClock));
        if (!script || !app.mLoadingDoneHandled || update < next || !app.mMessageQueue.empty())
            return;
        const HWND window = app.mHWnd;
        next = update + 20;
        if (step == 0 && dynamic_cast<Lumo::FrameMainMenu*>(app.GetCurrentFrame()) != nullptr)
            PlatformTest::InjectClick(window, SDL_BUTTON_LEFT, 400, 400); // Start
        else if (step == 0 && dynamic_cast<Lumo::FrameInstruction*>(app.GetCurrentFrame()) != nullptr)
            PlatformTest::InjectClick(window, SDL_BUTTON_LEFT, 475, 550); // Skip
        else if (step == 0 && frame != nullptr && frame->IsHalted())
            PlatformTest::InjectKeyPress(window, SDLK_SPACE, SDL_SCANCODE_SPACE); // the welcome board
        else if (step == 0 && frame != nullptr)
        {
            PlatformTest::InjectMinimize(window);
            step = 1;
        }
        else if (step == 1)
        {
            // Alt+Enter while minimised: the display starts again and the window comes back.
            PlatformTest::InjectKey(window, SDLK_LALT, SDL_SCANCODE_LALT, true, KMOD_LALT);
            PlatformTest::InjectKeyPress(window, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT);
            PlatformTest::InjectKey(window, SDLK_LALT, SDL_SCANCODE_LALT, false);
            step = 2;
        }
        else if (step == 2)
        {
            // The minimising paused the game: the space bar goes on.
            if (frame != nullptr && frame->IsPaused())
                PlatformTest::InjectKeyPress(window, SDLK_SPACE, SDL_SCANCODE_SPACE);
            step = 3;
            next = update + 200;
        }
        else if (step == 3)
        {
            PlatformTest::InjectCloseRequest(window);
            step = 4;
        }
    };
    app.Start();
    return clocks;
}
} // namespace

TEST_F(PlayThrough, ADemoOfAModeSwitchWhileMinimisedPlaysBackTheSame)
{
    LinkAssets();
    std::vector<std::string> recorded;
    bool windowed = false;
    {
        TestGameApp app;
        app.mFixedSeed = kSeed;
        app.mRecordingDemo = true;
        app.Init();
        ASSERT_TRUE(app.mInitialized);
        windowed = app.mIsWindowed;
        recorded = PlayMinimisedModeSwitch(app, true);
        EXPECT_NE(app.mIsWindowed, windowed) << "no mode switch";
        EXPECT_FALSE(app.mMinimized);
    }
    ASSERT_GT(recorded.size(), 200u);
    // The game went on after the switch.
    EXPECT_GT(std::stod(recorded.back().substr(recorded.back().find(':') + 1)), 150.0);

    PlatformTest::ResetInputState();
    TestGameApp app;
    app.SplitCommandLine("-play");
    app.Init();
    ASSERT_TRUE(app.mPlayingDemo);
    const std::vector<std::string> played = PlayMinimisedModeSwitch(app, false);
    ASSERT_EQ(played.size(), recorded.size());
    EXPECT_EQ(played.back(), recorded.back());
}

namespace
{
// Hardware acceleration switched on and off during the play, as Shift+F8 does: on for 200 of
// every 1500 updates (the tests' software renderer draws a frame many times slower than 2-D).
class SwitchingApp : public TestGameApp
{
public:
    int mSwitches = 0;
    int mFramesIn3D = 0;
    int mSpellsWithoutFrames = 0; // spells in 3-D that ended without a frame drawn
    int mRefused = 0;             // switches that did not take
    void UpdateWidgets() override
    {
        TestGameApp::UpdateWidgets();
        const int phase = mUpdateCount % 1500;
        if (mLoadingDoneHandled && (phase == 0 || phase == 200) && Is3DEnabled() == (phase == 200))
        {
            const bool on = !Is3DEnabled();
            if (!on && mFramesIn3D == mFramesAtSwitch)
                mSpellsWithoutFrames++;
            Set3D(on, true);
            mRefused += Is3DEnabled() != on;
            mFramesAtSwitch = mFramesIn3D;
            mSwitches++;
        }
    }
    bool DrawFrame() override
    {
        const bool drew = TestGameApp::DrawFrame();
        mFramesIn3D += drew && Is3DEnabled();
        return drew;
    }

private:
    int mFramesAtSwitch = 0;
};
} // namespace

TEST_F(PlayThrough, TheGamePlaysTheSameWithHardwareAccelerationSwitchedDuringPlay)
{
    LinkAssets();
    auto play = [](TestGameApp& app, bool threeD, const char* name)
    {
        app.mFixedSeed = kSeed;
        app.RegistryWriteBoolean("Is3D", threeD); // the player's setting
        app.Init();
        EXPECT_TRUE(app.mInitialized);
        RunResult result = app.mInitialized ? Run(app, PlayBot::Goal::Serve, true) : RunResult();
        Report(name, result);
        EXPECT_TRUE(app.mFatal.empty());
        return result;
    };
    RunResult plain;
    {
        TestGameApp app;
        plain = play(app, false, "2-D");
    }
    PlatformTest::ResetInputState();
    auto app = std::make_unique<SwitchingApp>();
    const RunResult switched = play(*app, true, "3-D switched");
    EXPECT_GT(app->mSwitches, 4);
    EXPECT_EQ(app->mRefused, 0);
    EXPECT_GT(app->mFramesIn3D, 0);
    EXPECT_EQ(app->mSpellsWithoutFrames, 0);
    // Switched during the run: the exit asks whether to keep it, and a No keeps nothing.
    PlatformTest::ScriptMessageBoxes({IDNO});
    app.reset();
    PlatformTest::ResetMessageBoxes();
    EXPECT_EQ(Lumo::gRendererErrorString, "");
    ASSERT_GE(switched.mEnd.mUpdate, 0);
    // The same game: the same books at the level's end. (When the bot's first click lands can
    // move by an update with the time the loading takes, in either mode.)
    EXPECT_EQ(switched.mEnd.mMoneyBefore, plain.mEnd.mMoneyBefore);
    EXPECT_EQ(switched.mEnd.mHappiness, plain.mEnd.mHappiness);
    EXPECT_EQ(switched.mStats.mGroupsServed, plain.mStats.mGroupsServed);
    EXPECT_EQ(switched.mReferee.mIngredients, plain.mReferee.mIngredients);
    EXPECT_EQ(switched.mStats.mStalls, 0);
    ExpectBooksKept(switched);
}
