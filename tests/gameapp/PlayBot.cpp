#include "tests/gameapp/PlayBot.h"

#include "game/src/GameApp.h"
#include "game/src/GameChar.h"
#include "game/src/GameFrame.h"
#include "game/src/GameOverlay.h"
#include "game/src/GameScreen.h"
#include "game/src/ItemCodes.h"
#include "game/src/ObjectFridge.h"
#include "game/src/ObjectOven.h"
#include "game/src/ObjectPrepTable.h"
#include "game/src/ObjectTable.h"
#include "game/src/ObjectTrash.h"
#include "game/src/Selector.h"
#include "game/src/TObject.h"
#include "game/src/Tray.h"
#include "test/input.h"
#include "widgets/ButtonWidget.h"
#include "widgets/WidgetManager.h"

#include <SDL_events.h>
#include <SDL_mouse.h>

#include <algorithm>
#include <cstdlib>

namespace PlayTest
{

using namespace Lumo;

namespace
{
// Updates a walk may take before the job counts as stuck.
constexpr int kWalkTimeout = 3000;
// Moves onto a widget before the job is given up as covered.
constexpr int kMaxRetries = 8;
// A job that changed nothing waits this long before it is tried again.
constexpr int kFailedPause = 300;
// Updates between two presses of the space bar.
constexpr int kKeyPause = 10;
// A free tile of the dining room the mouse can rest on.
constexpr int kAsideX = 300;
constexpr int kAsideY = 300;
// A group waiting this long is served with what is ready.
constexpr int kImpatientWait = 3000;

int Distance(GameSimpleNode a, GameSimpleNode b)
{
    return std::abs(a.mColumn - b.mColumn) + std::abs(a.mRow - b.mRow);
}

int Wait(ObjectTable* table)
{
    const TableGroup& group = table->GetGroup();
    return group.GetTotalWait() + std::max(0, group.GetCurrentWait());
}

int Sum(const std::array<int, 12>& counts)
{
    int sum = 0;
    for (int count : counts)
        sum += count;
    return sum;
}

Selector* SelectorOf(Widget* widget)
{
    if (auto* fridge = dynamic_cast<ObjectFridge*>(widget))
        return fridge->GetSelector();
    if (auto* table = dynamic_cast<ObjectPrepTable*>(widget))
        return table->GetSelector();
    return nullptr;
}

SelectorItem* EntryOf(Widget* widget, int code)
{
    Selector* selector = SelectorOf(widget);
    if (selector == nullptr)
        return nullptr;
    for (SelectorItem* item : selector->GetItems())
    {
        if (item->mCode == code)
            return item;
    }
    return nullptr;
}

const char* JobName(int job)
{
    static const char* const names[] = {"none",    "serve", "check", "oven out", "oven in", "prep out",
                                        "deliver", "start", "buy",   "trash",    "button"};
    return names[job];
}
} // namespace

PlayBot::PlayBot(GameApp& app, HWND window, Goal goal) : mApp(app), mWindow(window), mGoal(goal) {}

GameOverlay* PlayBot::FindBoard(GameApp& app)
{
    WidgetManager* manager = app.mWidgetManager;
    for (auto it = manager->mChildren.rbegin(); it != manager->mChildren.rend(); ++it)
    {
        auto* board = dynamic_cast<GameOverlay*>(*it);
        if (board != nullptr && board->GetId() == GameOverlay::kMessageBoard)
            return board;
    }
    return nullptr;
}

void PlayBot::Note(const std::string& line)
{
    mLog.push_back(std::to_string(mApp.mUpdateCount) + " " + line);
}

// Input given after one update may wait in the queues until after the next: the main
// loop runs two updates in some passes without reading input between them.
bool PlayBot::InputPending() const
{
    return !mApp.mMessageQueue.empty() ||
           SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_MOUSEWHEEL) > 0;
}

void PlayBot::Update()
{
    if (InputPending())
        return;
    Widget* screen = mApp.GetCurrentFrame();
    if (screen != mScreen)
    {
        // The widgets of the old screen are gone with it.
        mScreen = screen;
        mPhase = Phase::Idle;
    }
    if (screen == nullptr)
        return;
    if (GameFrame* frame = mApp.GetGameFrame())
        UpdateGame(frame);
    else
        UpdateMenus();
}

void PlayBot::UpdateMenus()
{
    if (mPhase != Phase::Idle)
    {
        Advance();
        return;
    }
    Widget* button = nullptr;
    if (auto* menu = dynamic_cast<FrameMainMenu*>(mScreen))
        button = menu->GetButton(FrameMainMenu::BUTTON_START);
    else if (auto* tutorial = dynamic_cast<FrameInstruction*>(mScreen))
        button = tutorial->GetButton(FrameInstruction::BUTTON_SKIP);
    if (button != nullptr && button->mParent != nullptr)
        Begin(Action{Job::Button, button, -1});
}

void PlayBot::UpdateGame(GameFrame* frame)
{
    if (frame->IsHalted())
    {
        if (mPhase != Phase::Idle)
            Abandon("board");
        if (mCloseBoards && FindBoard(mApp) != nullptr && mApp.mUpdateCount - mLastKey >= kKeyPause)
        {
            PlatformTest::InjectKeyPress(mWindow, SDLK_SPACE, SDL_SCANCODE_SPACE);
            mLastKey = mApp.mUpdateCount;
            mStats.mKeys++;
        }
        return;
    }
    if (frame->IsPaused())
        return;
    if (mPhase != Phase::Idle)
    {
        Advance();
        return;
    }
    if (frame->GetCook()->mWalk.mWalking)
        return;
    const Action action = Plan(frame);
    if (action.mJob != Job::None)
        Begin(action);
}

bool PlayBot::CookAt(GameObject* object) const
{
    GameFrame* frame = mApp.GetGameFrame();
    if (frame == nullptr || object == nullptr)
        return false;
    const CharLorenzo* cook = frame->GetCook();
    return cook->mTarget == object && object->mArrived && !cook->mWalk.mWalking;
}

// ---- choosing the next job ----

PlayBot::Action PlayBot::Plan(GameFrame* frame) const
{
    return mGoal == Goal::SpendAll ? PlanSpendAll(frame) : PlanServe(frame);
}

PlayBot::Action PlayBot::PlanSpendAll(GameFrame* frame) const
{
    Tray* tray = frame->GetTray();
    // A full tray is emptied at the trash can in one go.
    const bool emptying = !tray->IsEmpty() && (!tray->HasRoom() || CookAt(frame->GetTrash()));
    if (emptying || (frame->GetMoney() <= 0 && !tray->IsEmpty()))
        return Action{Job::Trash, frame->GetTrash(), -1};
    if (frame->GetMoney() > 0)
        return Action{Job::Buy, frame->GetFridge(), ITEM_BASIL};
    return Action{};
}

PlayBot::Action PlayBot::PlanServe(GameFrame* frame) const
{
    Tray* tray = frame->GetTray();
    const bool room = tray->HasRoom();
    const GameSimpleNode cookTile = frame->GetCook()->mWalk.mTile;

    Counts cooked{}, raw{}, ingredients{};
    for (int i = 0; i < tray->GetCount(); i++)
    {
        const TObject* item = tray->GetItem(i);
        Counts& counts = item->mNonPizza != 0 ? ingredients : item->mCooked != 0 ? cooked : raw;
        counts[std::size_t(item->mCode)]++;
    }

    // What the waiting groups still want, the longest waiting first.
    std::vector<ObjectTable*> waiting;
    for (int i = 0; i < GameFrame::kTables; i++)
    {
        if (frame->GetTable(i)->GetGroup().GetState() == TableRules::STATE_WAITING)
            waiting.push_back(frame->GetTable(i));
    }
    std::stable_sort(waiting.begin(), waiting.end(),
                     [](ObjectTable* a, ObjectTable* b) { return Wait(a) > Wait(b); });
    Counts demand{};
    auto unserved = [](ObjectTable* table)
    {
        Counts counts{};
        const TableGroup& group = table->GetGroup();
        const TObject* order = group.GetOrder();
        for (int seat = 0; order != nullptr && seat < int(order->mList.size()); seat++)
        {
            const TObject* item = group.GetSeatItem(seat);
            if (item != nullptr && item->mDelivered == 0)
                counts[std::size_t(item->mCode)]++;
        }
        return counts;
    };
    for (ObjectTable* table : waiting)
    {
        const Counts wants = unserved(table);
        for (std::size_t c = 0; c < wants.size(); c++)
            demand[c] += wants[c];
    }

    // Pizzas on their way, and the ingredients the prep tables still miss.
    Counts pipeline{}, missing{};
    for (std::size_t c = 0; c < pipeline.size(); c++)
        pipeline[c] = cooked[c] + raw[c];
    int emptyOvens = 0;
    for (int i = 0; i < GameFrame::kOvens; i++)
    {
        ObjectOven* oven = frame->GetOven(i);
        if (oven->GetState() == ObjectOven::EMPTY)
            emptyOvens++;
        else if (oven->GetPizza() != nullptr)
            pipeline[std::size_t(oven->GetPizza()->mCode)]++;
    }
    for (int i = 0; i < GameFrame::kPrepTables; i++)
    {
        ObjectPrepTable* table = frame->GetPrepTable(i);
        if (table->GetState() == ObjectPrepTable::IDLE || table->GetPizza() == nullptr)
            continue;
        pipeline[std::size_t(table->GetPizza()->mCode)]++;
        for (std::size_t k = 0; k < table->GetNeeded().size(); k++)
        {
            if (table->GetTaken()[k] == 0)
                missing[table->GetNeeded()[k]]++;
        }
    }

    std::vector<Action> jobs;
    bool fullServe = false;
    // Serve a group everything the tray holds for it: all at once when it can (the combo),
    // with what is there when the tray is full or the group grows impatient. A raw pizza
    // of an ordered kind on top would be offered too, so that waits for the oven.
    for (ObjectTable* table : waiting)
    {
        const Counts wants = unserved(table);
        int match = 0;
        for (std::size_t c = 0; c < wants.size(); c++)
            match += std::min(wants[c], cooked[c]);
        bool rawOnTop = false;
        for (uint16_t code : table->GetGroup().GetOrder()->mList)
        {
            const TObject* top = tray->LastOfCode(code);
            rawOnTop = rawOnTop || (top != nullptr && top->mCooked == 0);
        }
        if (match == 0 || rawOnTop)
            continue;
        const bool all = match == Sum(wants);
        if (all || !room || Wait(table) > kImpatientWait)
        {
            jobs.push_back(Action{Job::Serve, table, -1});
            fullServe = fullServe || all;
        }
    }
    for (int i = 0; i < GameFrame::kTables; i++)
    {
        if (frame->GetTable(i)->GetGroup().GetState() == TableRules::STATE_PAYING)
            jobs.push_back(Action{Job::CollectCheck, frame->GetTable(i), -1});
    }
    auto nearest = [&](auto pick, int count, auto get)
    {
        GameObject* best = nullptr;
        for (int i = 0; i < count; i++)
        {
            GameObject* object = get(i);
            if (pick(object) && (best == nullptr || Distance(object->GetObjectTile(), cookTile) <
                                                        Distance(best->GetObjectTile(), cookTile)))
                best = object;
        }
        return best;
    };
    auto oven = [frame](int i) { return frame->GetOven(i); };
    auto prep = [frame](int i) { return frame->GetPrepTable(i); };
    auto ovenIn = [](int state)
    { return [state](GameObject* o) { return static_cast<ObjectOven*>(o)->GetState() == state; }; };
    auto prepIn = [](int state)
    { return [state](GameObject* o) { return static_cast<ObjectPrepTable*>(o)->GetState() == state; }; };

    if (room)
    {
        if (GameObject* done = nearest(ovenIn(ObjectOven::DONE), GameFrame::kOvens, oven))
            jobs.push_back(Action{Job::TakeFromOven, done, -1});
    }
    if (Sum(raw) > 0)
    {
        if (GameObject* empty = nearest(ovenIn(ObjectOven::EMPTY), GameFrame::kOvens, oven))
            jobs.push_back(Action{Job::PutInOven, empty, -1});
    }
    // A raw pizza is fetched only when an oven is free for it.
    if (room && Sum(raw) < emptyOvens)
    {
        if (GameObject* complete = nearest(prepIn(ObjectPrepTable::COMPLETE), GameFrame::kPrepTables, prep))
            jobs.push_back(Action{Job::TakeFromPrepTable, complete, -1});
    }
    auto takesFromTray = [&ingredients](GameObject* o)
    {
        auto* table = static_cast<ObjectPrepTable*>(o);
        if (table->GetState() != ObjectPrepTable::ASSEMBLING)
            return false;
        for (std::size_t k = 0; k < table->GetNeeded().size(); k++)
        {
            if (table->GetTaken()[k] == 0 && ingredients[table->GetNeeded()[k]] > 0)
                return true;
        }
        return false;
    };
    if (GameObject* assembling = nearest(takesFromTray, GameFrame::kPrepTables, prep))
        jobs.push_back(Action{Job::Deliver, assembling, -1});

    // Start what the waiting groups want and nothing on its way covers, the longest waiting first.
    if (GameObject* idle = nearest(prepIn(ObjectPrepTable::IDLE), GameFrame::kPrepTables, prep))
    {
        for (ObjectTable* table : waiting)
        {
            const Counts wants = unserved(table);
            int code = -1;
            for (std::size_t c = 0; c < wants.size() && code < 0; c++)
            {
                if (wants[c] > 0 && demand[c] > pipeline[c])
                    code = int(c);
            }
            if (code >= 0)
            {
                jobs.push_back(Action{Job::StartPizza, idle, code});
                break;
            }
        }
    }
    if (room && frame->GetMoney() > 0)
    {
        for (std::size_t c = 0; c < missing.size(); c++)
        {
            if (missing[c] > ingredients[c])
            {
                jobs.push_back(Action{Job::Buy, frame->GetFridge(), int(c)});
                break;
            }
        }
    }
    // Something useless on top, or a full tray nothing else will empty.
    if (const TObject* top = tray->Top())
    {
        const std::size_t code = std::size_t(top->mCode);
        const bool useless = top->mNonPizza != 0 ? ingredients[code] > missing[code] : demand[code] == 0;
        if (useless || !room)
            jobs.push_back(Action{Job::Trash, frame->GetTrash(), -1});
    }

    std::vector<Action> open;
    for (const Action& job : jobs)
    {
        const bool failedLately = job.mJob == mFailed.mJob && job.mTarget == mFailed.mTarget &&
                                  job.mCode == mFailed.mCode && mApp.mUpdateCount < mFailedUntil;
        if (!failedLately)
            open.push_back(job);
    }
    if (open.empty())
        return Action{};
    // A whole group served comes first; otherwise work where the cook stands costs no walk.
    if (fullServe && open.front().mJob == Job::Serve)
        return open.front();
    for (const Action& job : open)
    {
        if (CookAt(static_cast<GameObject*>(job.mTarget)))
            return job;
    }
    return open.front();
}

// ---- carrying a job out ----

PlayBot::Snapshot PlayBot::Take(const Action& action) const
{
    Snapshot snapshot;
    GameFrame* frame = mApp.GetGameFrame();
    if (frame == nullptr)
        return snapshot;
    snapshot.mTrayCount = frame->GetTray()->GetCount();
    snapshot.mMoney = frame->GetMoney();
    if (auto* table = dynamic_cast<ObjectTable*>(action.mTarget))
    {
        snapshot.mState = table->GetGroup().GetState();
        snapshot.mServed = table->GetGroup().GetServed();
    }
    else if (auto* oven = dynamic_cast<ObjectOven*>(action.mTarget))
        snapshot.mState = oven->GetState();
    else if (auto* prep = dynamic_cast<ObjectPrepTable*>(action.mTarget))
        snapshot.mState = prep->GetState();
    return snapshot;
}

Widget* PlayBot::ClickWidget() const
{
    return mAction.mCode >= 0 ? EntryOf(mAction.mTarget, mAction.mCode) : mAction.mTarget;
}

bool PlayBot::FindPoint(Widget* widget, int* x, int* y) const
{
    if (widget == nullptr || !widget->mVisible)
        return false;
    int left = 0;
    int top = 0;
    for (const WidgetContainer* c = widget; c != nullptr && c != mApp.mWidgetManager; c = c->mParent)
    {
        left += c->mX;
        top += c->mY;
    }
    // The middle first, then around it: a popup or the tray may lie over part of it.
    static const int kSpots[][2] = {{50, 50}, {30, 50}, {70, 50}, {50, 75}, {30, 75}, {70, 75},
                                    {50, 25}, {20, 20}, {80, 20}, {20, 85}, {80, 85}};
    for (const auto& spot : kSpots)
    {
        const int px = left + widget->mWidth * spot[0] / 100;
        const int py = top + widget->mHeight * spot[1] / 100;
        if (mApp.mWidgetManager->GetWidgetAt(px, py, nullptr, nullptr) == widget)
        {
            *x = px;
            *y = py;
            return true;
        }
    }
    return false;
}

bool PlayBot::MoveOnto(Widget* widget)
{
    int x = 0;
    int y = 0;
    if (!FindPoint(widget, &x, &y))
        return false;
    // The same point again would not be a move: one pixel aside.
    if (x == mMouseX && y == mMouseY)
        x += x > 0 ? -1 : 1;
    PlatformTest::InjectMouseMove(mWindow, x, y);
    mMouseX = x;
    mMouseY = y;
    return true;
}

void PlayBot::Click()
{
    PlatformTest::InjectClick(mWindow, SDL_BUTTON_LEFT, mMouseX, mMouseY);
    mStats.mClicks++;
    mPhaseStart = mApp.mUpdateCount;
    if (auto* button = dynamic_cast<ButtonWidget*>(mAction.mTarget))
    {
        // A screen's button takes the screen away with it: nothing to wait for.
        Note("button " + button->mLabel);
        mPhase = Phase::Idle;
        return;
    }
    mPhase = Phase::Walk;
}

void PlayBot::Begin(const Action& action)
{
    mAction = action;
    mBefore = Take(action);
    mRetries = 0;
    mMovedOnto = nullptr;
    mPhaseStart = mApp.mUpdateCount;
    mPhase = Phase::Hover;
    Advance();
}

// One step per update: onto the object, onto its entry, click, then wait for the cook.
void PlayBot::Advance()
{
    WidgetManager* manager = mApp.mWidgetManager;
    Widget* over = manager->mOverWidget;
    auto underMouse = [&](Widget* widget)
    {
        return over == widget && mMouseX == manager->mLastMouseX && mMouseY == manager->mLastMouseY &&
               manager->GetWidgetAt(mMouseX, mMouseY, nullptr, nullptr) == widget;
    };
    auto retry = [&](Widget* widget)
    {
        if (widget == mMovedOnto)
            mStats.mMoveRetries++;
        mMovedOnto = widget;
        if (++mRetries > kMaxRetries)
        {
            Abandon("covered");
            return;
        }
        MoveOnto(widget);
    };

    switch (mPhase)
    {
    case Phase::Idle:
        return;
    case Phase::Hover:
    {
        Widget* entry = ClickWidget();
        if (mAction.mCode >= 0)
        {
            if (entry == nullptr)
            {
                Abandon("no entry");
                return;
            }
            if (entry->mVisible)
            {
                // The selector is up: onto the entry.
                mPhase = Phase::Pick;
                if (underMouse(entry))
                    Click();
                else
                    retry(entry);
                return;
            }
        }
        else if (underMouse(mAction.mTarget))
        {
            Click();
            return;
        }
        if (mAction.mCode >= 0 && over == mAction.mTarget)
        {
            // The object turned idle under the mouse: its selector comes only when the
            // mouse comes onto it again. Off it first.
            PlatformTest::InjectMouseMove(mWindow, kAsideX, kAsideY);
            mMouseX = kAsideX;
            mMouseY = kAsideY;
            mMovedOnto = nullptr;
            return;
        }
        retry(mAction.mTarget);
        return;
    }
    case Phase::Pick:
    {
        Widget* entry = ClickWidget();
        if (entry == nullptr || !entry->mVisible)
        {
            mPhase = Phase::Hover;
            retry(mAction.mTarget);
        }
        else if (underMouse(entry))
            Click();
        else
            retry(entry);
        return;
    }
    case Phase::Walk:
    {
        auto* object = dynamic_cast<GameObject*>(mAction.mTarget);
        if (object == nullptr || CookAt(object))
            Finish();
        else if (mApp.mUpdateCount - mPhaseStart > kWalkTimeout)
            Abandon("no arrival");
        return;
    }
    }
}

void PlayBot::Abandon(const char* why)
{
    Note(std::string(JobName(int(mAction.mJob))) + " abandoned: " + why);
    if (std::string(why) != "board")
    {
        mStats.mStalls++;
        mFailed = mAction;
        mFailedUntil = mApp.mUpdateCount + kFailedPause;
    }
    mPhase = Phase::Idle;
}

void PlayBot::Finish()
{
    mPhase = Phase::Idle;
    const Snapshot after = Take(mAction);
    bool progress = true;
    std::string outcome;
    switch (mAction.mJob)
    {
    case Job::Serve:
        progress = after.mServed > mBefore.mServed;
        if (progress)
        {
            const int served = after.mServed - mBefore.mServed;
            mStats.mPizzasServed += served;
            if (after.mState != TableRules::STATE_WAITING)
                mStats.mGroupsServed++;
            outcome = std::to_string(served) + " pizzas";
        }
        break;
    case Job::CollectCheck:
        progress = after.mState == TableRules::STATE_EMPTY;
        mStats.mChecksCollected += progress ? 1 : 0;
        outcome = "paid " + std::to_string(after.mMoney - mBefore.mMoney);
        break;
    case Job::TakeFromOven:
    case Job::TakeFromPrepTable:
        progress = after.mTrayCount == mBefore.mTrayCount + 1;
        break;
    case Job::PutInOven:
        progress = after.mState == ObjectOven::BAKING;
        break;
    case Job::Deliver:
        progress = after.mTrayCount < mBefore.mTrayCount;
        break;
    case Job::StartPizza:
        progress = after.mState == ObjectPrepTable::ASSEMBLING;
        mStats.mPizzasStarted += progress ? 1 : 0;
        break;
    case Job::Buy:
        progress = after.mTrayCount == mBefore.mTrayCount + 1;
        mStats.mIngredientsBought += progress ? 1 : 0;
        break;
    case Job::Trash:
        progress = after.mTrayCount == mBefore.mTrayCount - 1;
        mStats.mItemsTrashed += progress ? 1 : 0;
        break;
    case Job::Button:
    case Job::None:
        break;
    }
    std::string line = JobName(int(mAction.mJob));
    if (auto* object = dynamic_cast<GameObject*>(mAction.mTarget))
        line += " " + object->GetName();
    if (mAction.mCode >= 0)
        line += " #" + std::to_string(mAction.mCode);
    if (!outcome.empty())
        line += ": " + outcome;
    if (!progress)
    {
        line += " (nothing changed)";
        mStats.mStalls++;
        mFailed = mAction;
        mFailedUntil = mApp.mUpdateCount + kFailedPause;
    }
    Note(line);
}

} // namespace PlayTest
