#include "game/src/GameFrame.h"

#include "game/src/Customer.h"
#include "game/src/GameAppLink.h"
#include "game/src/GameChar.h"
#include "game/src/GameObjectFactory.h"
#include "game/src/GameOverlay.h"
#include "game/src/GameSpace.h"
#include "game/src/GameUI.h"
#include "game/src/ObjectFridge.h"
#include "game/src/ObjectOven.h"
#include "game/src/ObjectPrepTable.h"
#include "game/src/ObjectTable.h"
#include "game/src/ObjectTrash.h"
#include "game/src/PizzaTimer.h"
#include "game/src/PopupMsg.h"
#include "game/src/Tray.h"
#include "game/src/TrayWidget.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"
#include "win32/user32.h"

#include <algorithm>
#include <cstdio>

namespace Lumo
{

namespace
{
constexpr int kCookCode = 0;
constexpr int kStepPixels = 3;
constexpr GameSimpleNode kCookStart{10, 4};
constexpr GameSimpleNode kTableTiles[GameFrame::kTables] = {{2, 2}, {7, 2}, {2, 7}, {7, 7}};
} // namespace

GameFrame::GameFrame(GameAppLink* app)
    : mApp(app), mItemFactory([app](const std::string& name) { return app->GetPicture(name); })
{
    Resize(0, 0, app->GetWidth(), app->GetHeight());
    mObjectFactory = std::make_unique<GameObjectFactory>(this, this);
    mCharFactory = std::make_unique<GameCharFactory>(this);
    mTray = std::make_unique<Tray>(this);
    mMouseTray = mTray->GetWidget();
}

GameFrame::~GameFrame()
{
    // Anything still on the screen is taken off first, so that nothing keeps a freed widget.
    for (Widget* widget : OwnWidgets())
    {
        if (widget->mParent != nullptr)
            widget->mParent->RemoveWidget(widget);
    }
    for (Customer* customer : mCustomers)
    {
        if (customer->mParent != nullptr)
            customer->mParent->RemoveWidget(customer);
        delete customer;
    }
    mCustomers.clear();
    for (ObjectTable* table : mTables)
        delete table;
    for (ObjectOven* oven : mOvens)
        delete oven;
    for (ObjectPrepTable* table : mPrepTables)
        delete table;
    delete mFridge;
    delete mTrash;
    delete mCook;
    delete mSpace;
    delete mUI;
    mTray.reset();
}

std::vector<Widget*> GameFrame::OwnWidgets() const
{
    std::vector<Widget*> widgets = {mMouseTray, mCook};
    for (ObjectTable* table : mTables)
        widgets.push_back(table);
    for (ObjectPrepTable* table : mPrepTables)
        widgets.push_back(table);
    for (ObjectOven* oven : mOvens)
        widgets.push_back(oven);
    widgets.push_back(mFridge);
    widgets.push_back(mTrash);
    widgets.push_back(mUI);
    widgets.push_back(mSpace);
    widgets.erase(std::remove(widgets.begin(), widgets.end(), nullptr), widgets.end());
    return widgets;
}

// ---- building the restaurant ----

void GameFrame::Build()
{
    WidgetManager* manager = mManager;
    mSpace = new GameSpace(this, &mGrid, GetPicture("gfx/tile/tile"));
    manager->AddWidget(mSpace);

    mCook = static_cast<CharLorenzo*>(mCharFactory->Create(kCookCode));
    PlaceChar(mCook, kCookStart);
    manager->AddWidget(mCook);

    for (int i = 0; i < kOvens; i++)
    {
        mOvens[i] = static_cast<ObjectOven*>(mObjectFactory->Create(OBJECT_OVEN));
        PlaceObject(mOvens[i], {14, int16_t(3 + i)}, {13, int16_t(3 + i)});
        manager->AddWidget(mOvens[i]);
    }
    for (int i = 0; i < kPrepTables; i++)
    {
        mPrepTables[i] = static_cast<ObjectPrepTable*>(mObjectFactory->Create(OBJECT_PREP_TABLE));
        const GameSimpleNode tile{12, int16_t(3 + i)};
        PlaceObject(mPrepTables[i], tile, tile);
        manager->AddWidget(mPrepTables[i]);
    }
    mFridge = static_cast<ObjectFridge*>(mObjectFactory->Create(OBJECT_FRIDGE));
    PlaceObject(mFridge, {13, 1}, {13, 2});
    manager->AddWidget(mFridge);
    mTrash = static_cast<ObjectTrash*>(mObjectFactory->Create(OBJECT_TRASH));
    PlaceObject(mTrash, {14, 8}, {14, 7});
    manager->AddWidget(mTrash);

    for (int i = 0; i < kTables; i++)
    {
        mTables[i] = new ObjectTable(this, this, "Table " + std::to_string(i + 1));
        PlaceObject(mTables[i], kTableTiles[i], kTableTiles[i]);
        manager->AddWidget(mTables[i]);
        for (int side = 0; side < TableGroup::kSeats; side++)
            mTables[i]->AddChair(side);
        mTables[i]->SetState(TableRules::STATE_EMPTY);
    }

    mActiveChar = mCook;
    mCook->mSelected = true;
    mCook->mWalk.mFacing = FACING_LEFT;
    manager->AddWidget(mMouseTray);
    mUI = new GameUI(mApp, this);
    manager->AddWidget(mUI);
    mBuilt = true;
}

void GameFrame::AttachToManager(WidgetManager* manager)
{
    Widget::AttachToManager(manager);
    if (!mBuilt)
        Build();
    else
    {
        // Back on the screen: the restaurant comes back as it was.
        std::vector<Widget*> widgets = OwnWidgets();
        for (auto it = widgets.rbegin(); it != widgets.rend(); ++it)
            manager->AddWidget(*it);
    }
    GameOverlay* board = ShowBoard(GameProgress::WelcomeBoard());
    manager->SetFocus(this);
    manager->SetFocus(board);
    BringHudToFront();
    mMusicTrack = int(Random() % kMusicTracks);
}

void GameFrame::DetachFromManager(WidgetManager* manager)
{
    for (Widget* widget : OwnWidgets())
    {
        if (widget->mParent != nullptr)
            widget->mParent->RemoveWidget(widget);
    }
    if (mPauseBoard != nullptr)
    {
        GameOverlay* board = mPauseBoard;
        mPauseBoard = nullptr;
        if (board->mParent != nullptr)
            board->mParent->RemoveWidget(board);
    }
    Widget::DetachFromManager(manager);
    mApp->FadeOutMusic(mMusicTrack);
}

void GameFrame::PlaceObject(GameObject* object, GameSimpleNode objectTile, GameSimpleNode accessTile)
{
    const GamePoint pixel = GameGrid::TileToPixel(objectTile);
    object->Resize(pixel.mX, pixel.mY, GameGrid::kTileSize, GameGrid::kTileSize);
    object->SetTiles(objectTile, accessTile);
}

void GameFrame::PlaceChar(GameChar* character, GameSimpleNode tile)
{
    character->mWalk.Place(*character, tile);
    character->UpdateTile();
}

// ---- boards and pause ----

GameOverlay* GameFrame::ShowBoard(const BoardLines& lines)
{
    GameOverlay* board = new GameOverlay(this, GameOverlay::kMessageBoard);
    for (int i = 0; i < GameOverlay::kLineCount; i++)
    {
        board->mLines[i] = lines[i];
        board->mColors[i] = Color(255, 255, 255);
    }
    mManager->AddWidget(board);
    mManager->SetFocus(board);
    mProgress.mHalted = true;
    return board;
}

void GameFrame::BringHudToFront()
{
    if (mManager == nullptr)
        return;
    if (mPauseBoard != nullptr && mPauseBoard->mParent == mManager)
        mManager->BringToFront(mPauseBoard);
    if (mUI != nullptr && mUI->mParent == mManager)
    {
        mManager->BringToFront(mUI);
        if (mUI->GetTimer()->mParent == mManager)
            mManager->BringToFront(mUI->GetTimer());
    }
    if (mMouseTray->mParent == mManager)
        mManager->BringToFront(mMouseTray);
}

void GameFrame::SetPaused(bool on)
{
    if (on && !mPaused && mManager != nullptr)
    {
        mPauseBoard = new GameOverlay(this, GameOverlay::kPauseBoard);
        mPauseBoard->mLines[GameOverlay::kLineCount - 1] = "PAUSED";
        mManager->AddWidget(mPauseBoard);
        BringHudToFront();
        if (mUI != nullptr)
            mUI->SetPaused(true);
        mPaused = true;
    }
    else if (!on && mPaused)
    {
        // The board frees itself once off the screen; the pointer goes with it.
        GameOverlay* board = mPauseBoard;
        mPauseBoard = nullptr;
        if (board != nullptr && board->mParent != nullptr)
            board->mParent->RemoveWidget(board);
        if (mUI != nullptr)
            mUI->SetPaused(false);
        mPaused = false;
    }
    MarkDirty();
}

void GameFrame::KeyUp(int key)
{
    if (key == VK_SPACE)
    {
        TogglePause();
        return;
    }
    std::optional<LevelEnd> end = mProgress.ApplyKey(key);
    if (!end)
        return;
    if (*end == LevelEnd::Won)
        ShowBoard(GameProgress::WonBoard(mProgress.mMoney));
    MarkDirty();
}

// ---- the tick ----

void GameFrame::StopCook()
{
    if (mCook != nullptr)
        mCook->mWalk.mWalking = false;
}

void GameFrame::ShowChargePopup(int charge)
{
    PopupMsg* popup = new PopupMsg(this, 250);
    popup->SetPos(kChargePopupX, kChargePopupY);
    char text[32];
    std::snprintf(text, sizeof text, "- %d", charge);
    popup->mLines[0].mText = text;
    popup->mLines[0].mColor = Color(191, 0, 191);
    popup->mLines[0].mIcon = GetPicture("gfx/UI/Euro");
    popup->mLines[0].mIconTint = Color(191, 0, 0);
    mManager->AddWidget(popup);
}

void GameFrame::EndLevel(LevelEnd end)
{
    const int playedLevel =
        end == LevelEnd::LevelUp || end == LevelEnd::Won ? mProgress.mLevel - 1 : mProgress.mLevel;
    const int charge = GameProgress::LevelCharge(playedLevel);
    switch (end)
    {
    case LevelEnd::GoalMissed:
        ShowBoard(GameProgress::GoalMissedBoard());
        StopCook();
        ShowChargePopup(charge);
        break;
    case LevelEnd::LevelUp:
    case LevelEnd::Won:
        // After the tenth level the won board stands alone.
        ShowBoard(end == LevelEnd::Won ? GameProgress::WonBoard(mProgress.mMoney)
                                       : GameProgress::LevelUpBoard(mProgress.mLevel));
        PlaySample(SOUND_CLAP);
        StopCook();
        ShowChargePopup(charge);
        break;
    case LevelEnd::Failed:
        ShowBoard(GameProgress::FailedBoard(mProgress.mLevel));
        PlaySample(SOUND_CROWDOOH);
        StopCook();
        break;
    case LevelEnd::None:
        break;
    }
}

void GameFrame::Update()
{
    Widget::Update();
    const int updateCount = GetUpdateCount();
    if (!mProgress.mHalted && updateCount % 100 == 0 && !mApp->IsMusicPlaying(mMusicTrack))
    {
        mMusicTrack = GameProgress::PreviousMusicTrack(mMusicTrack);
        mApp->PlayMusic(mMusicTrack);
    }
    if (mProgress.mHalted || mPaused)
        return;
    if (mProgress.mFinished)
    {
        mApp->ShowFrame(0);
        return;
    }

    if (mProgress.TickSpawn())
    {
        SpawnCustomers();
        mProgress.RestartSpawn(Random());
    }

    if (mActiveChar != nullptr && mActiveChar->mWalk.ShouldStep(updateCount))
        StepPath(mActiveChar, kStepPixels);

    const LevelEnd end = mProgress.TickClock([this] { return Random(); });
    if (end != LevelEnd::None)
    {
        mApp->StopAllMusic();
        EndLevel(end);
    }
}

void GameFrame::Draw(Graphics* g)
{
    g->SetColor(Color(63, 127, 127));
    g->FillRect(0, 0, mWidth, mHeight);
    Image* logo = GetPicture("gfx/UI/GrayLogo");
    if (logo == nullptr)
        return;
    g->SetTintImages(true);
    g->SetColor(Color(63, 127, 127, 95));
    for (int x = -50; x <= 750; x += 100)
    {
        g->DrawImage(logo, x, -25, 100, 100);
        g->DrawImage(logo, x, 475, 100, 100);
    }
    for (int y = 75; y <= 375; y += 100)
    {
        g->DrawImage(logo, -50, y, 100, 100);
        g->DrawImage(logo, 750, y, 100, 100);
    }
    g->SetTintImages(false);
}

void GameFrame::MouseMove(int x, int y)
{
    mMouseX = x;
    mMouseY = y;
    mMouseTray->Move(x + 2, y + 2);
    MarkDirty();
}

// ---- customers ----

void GameFrame::SpawnCustomers()
{
    const int group = TableRules::GroupSize(Random());
    const int start = int(Random() % kTables);
    std::vector<TableRules::TableSeats> seats;
    for (ObjectTable* table : mTables)
        seats.push_back(table != nullptr ? table->GetGroup().GetSeats() : TableRules::TableSeats{0, 0});
    const int index = TableRules::PickTable(seats, start, group);
    if (index < 0)
        return;
    ObjectTable* table = mTables[index];
    table->GetGroup().ReserveFor(group);
    for (int i = 0; i < group; i++)
    {
        Customer* customer = new Customer(this, int(Random() % TableRules::kLookCount));
        customer->mTable = table;
        AddCustomer(customer);
        table->SeatCustomer(customer);
    }
}

void GameFrame::AddCustomer(Customer* customer)
{
    mCustomers.push_back(customer);
}

bool GameFrame::RemoveCustomer(Customer* customer)
{
    auto it = std::find(mCustomers.begin(), mCustomers.end(), customer);
    if (it == mCustomers.end())
        return false;
    mCustomers.erase(it);
    if (customer->mParent != nullptr)
        customer->mParent->RemoveWidget(customer);
    // The click that made the group leave may still be running in this customer.
    DeferWidgetDeletion(customer);
    return true;
}

// ---- walking ----

void GameFrame::SetCharTarget(GameChar* character, GameObject* object)
{
    if (character->mTarget == object)
        return;
    if (character->mTarget != nullptr)
        character->mTarget->mArrived = false;
    character->mTarget = object;
    if (object == nullptr)
        return;
    character->mWalk.SetGoal(mGrid, object->GetApproachTile(character->mWalk.mTile));
}

void GameFrame::StepPath(GameChar* character, int pixels)
{
    if (pixels <= 0 || character == nullptr)
        return;
    GameObject* target = character->mTarget;
    const GameSimpleNode targetTile = target != nullptr ? target->GetObjectTile() : character->mWalk.mTile;
    const bool arrived = character->mWalk.Step(*character, pixels, GetUpdateCount(), targetTile);
    MarkDirty();
    if (arrived && target != nullptr)
    {
        target->mArrived = true;
        target->MouseUpButton(0, 0, 0, 1);
    }
}

void GameFrame::WalkTo(GameObject* object)
{
    if (mActiveChar == nullptr)
        return;
    SetCharTarget(mActiveChar, object);
    StepPath(mActiveChar, 1);
}

// ---- host services ----

void GameFrame::PlaySample(int id)
{
    mApp->PlaySample(id);
}

Image* GameFrame::GetPicture(const std::string& name)
{
    return mApp->GetPicture(name);
}

Font* GameFrame::GetFont(int size)
{
    return mApp->GetFont(size);
}

int GameFrame::GetUpdateCount()
{
    return mApp->GetUpdateCount();
}

WidgetManager* GameFrame::GetWidgetManager()
{
    return mManager != nullptr ? mManager : mApp->GetWidgetManager();
}

void GameFrame::DeferWidgetDeletion(Widget* widget)
{
    mApp->DeferWidgetDeletion(widget);
}

uint32_t GameFrame::Random()
{
    return mApp->Random();
}

HudValues GameFrame::GetHudValues()
{
    return {mProgress.mHappiness, mProgress.mGoal,       mProgress.mDanger,
            mProgress.mBarMax,    int(mProgress.mClock), mProgress.mLevelLength};
}

} // namespace Lumo
