// A player for the real game: after every update it reads the play screen (tables and
// their orders, ovens, prep tables, the fridge, the tray, the cook) and, when the cook
// has nothing to do, picks the next job and gives it as mouse input through the
// platform's input queue, the way a player's hand would: onto the object, onto the
// entry of its selector, a left click; the space bar closes message boards. Before
// every click it checks with the widget manager that the widget under the mouse is the
// one it means. It needs no test framework, so a benchmark can drive a game with it.
#pragma once

#include "win32/types.h"

#include <array>
#include <string>
#include <vector>

namespace Lumo
{
class GameApp;
class GameFrame;
class GameObject;
class GameOverlay;
class Widget;
} // namespace Lumo

namespace PlayTest
{

class PlayBot
{
public:
    enum class Goal
    {
        Serve,    // run the restaurant as well as it can
        SpendAll, // buy at the fridge until the money is gone, throwing the tray away when full
    };

    struct Stats
    {
        int mGroupsServed = 0; // groups that got their last pizza
        int mPizzasServed = 0;
        int mChecksCollected = 0;
        int mPizzasStarted = 0;
        int mIngredientsBought = 0;
        int mItemsTrashed = 0;
        int mClicks = 0;
        int mKeys = 0;
        int mMoveRetries = 0; // moves made again because another widget was under the mouse
        int mStalls = 0;      // jobs that changed nothing or did not finish
    };

    PlayBot(Lumo::GameApp& app, HWND window, Goal goal = Goal::Serve);

    // Reads the game after an update and gives at most one piece of input for the next.
    void Update();

    // Whether the bot closes message boards itself with the space bar.
    bool mCloseBoards = true;

    const Stats& GetStats() const { return mStats; }
    // One line per job: update number, what and the outcome.
    const std::vector<std::string>& GetLog() const { return mLog; }

    // The message board of the play screen that the space bar closes, or null.
    static Lumo::GameOverlay* FindBoard(Lumo::GameApp& app);

private:
    enum class Job
    {
        None,
        Serve,
        CollectCheck,
        TakeFromOven,
        PutInOven,
        TakeFromPrepTable,
        Deliver,
        StartPizza,
        Buy,
        Trash,
        Button, // a button of the menu screens
    };
    struct Action
    {
        Job mJob = Job::None;
        Lumo::Widget* mTarget = nullptr; // what gets hovered first (the object, or a button)
        int mCode = -1;                  // the selector entry to click, -1 for none
    };
    enum class Phase
    {
        Idle,
        Hover, // the mouse was sent onto the target
        Pick,  // the mouse was sent onto the selector entry
        Walk,  // clicked; waiting for the cook to get there
    };
    // What the outcome of a job is judged by.
    struct Snapshot
    {
        int mTrayCount = 0;
        int mMoney = 0;
        int mState = 0;  // of the target
        int mServed = 0; // of a target table
    };
    using Counts = std::array<int, 12>;

    void UpdateMenus();
    void UpdateGame(Lumo::GameFrame* frame);
    Action Plan(Lumo::GameFrame* frame) const;
    Action PlanServe(Lumo::GameFrame* frame) const;
    Action PlanSpendAll(Lumo::GameFrame* frame) const;
    void Begin(const Action& action);
    void Advance();
    void Finish();
    void Abandon(const char* why);
    Snapshot Take(const Action& action) const;

    // The widget the mouse has to be over to click: the target, or its selector entry.
    Lumo::Widget* ClickWidget() const;
    // A point of the widget where nothing else lies on top; false when it is covered.
    bool FindPoint(Lumo::Widget* widget, int* x, int* y) const;
    bool MoveOnto(Lumo::Widget* widget);
    void Click();
    bool CookAt(Lumo::GameObject* object) const;
    bool InputPending() const;
    void Note(const std::string& line);

    Lumo::GameApp& mApp;
    HWND mWindow;
    Goal mGoal;
    Stats mStats;
    std::vector<std::string> mLog;

    Lumo::Widget* mScreen = nullptr; // the screen the job began on
    Action mAction;
    Phase mPhase = Phase::Idle;
    Snapshot mBefore;
    int mPhaseStart = 0;
    int mRetries = 0;
    Lumo::Widget* mMovedOnto = nullptr; // the widget of the last move in this job
    int mMouseX = -1;
    int mMouseY = -1;
    int mLastKey = -100;
    // A job that changed nothing is not tried again at once.
    Action mFailed;
    int mFailedUntil = 0;
};

} // namespace PlayTest
