// The play screen: the restaurant (floor, kitchen objects, four tables, the cook, the
// customers, the tray) and the rules over it: ten timed levels, money, happiness against
// a goal and a danger line, customer groups arriving, pause and the music rotation.
// It owns and frees everything it builds.
#pragma once

#include "game/src/GameGrid.h"
#include "game/src/GameHost.h"
#include "game/src/GameProgress.h"
#include "game/src/TObjectFactory.h"
#include "game/src/TableGroup.h"
#include "widgets/Widget.h"

#include <memory>
#include <vector>

namespace Lumo
{

class CharLorenzo;
class Customer;
class GameAppLink;
class GameCharFactory;
class GameObjectFactory;
class GameOverlay;
class GameSpace;
class GameUI;
class ObjectFridge;
class ObjectOven;
class ObjectPrepTable;
class ObjectTable;
class ObjectTrash;
class PopupMsg;
class Tray;
class TrayWidget;

class GameFrame : public Widget, public GameHost, public TableHost
{
public:
    static constexpr int kOvens = 4;
    static constexpr int kPrepTables = 4;
    static constexpr int kTables = 4;
    static constexpr int kMusicTracks = 5;
    // Where the level charge rises from: the pizza clock's place plus (100, 25).
    static constexpr int kChargePopupX = 690;
    static constexpr int kChargePopupY = 500;

    explicit GameFrame(GameAppLink* app);
    ~GameFrame() override;

    // Widget.
    void AttachToManager(WidgetManager* manager) override;
    void DetachFromManager(WidgetManager* manager) override;
    void Update() override;
    void Draw(Graphics* g) override;
    void KeyUp(int key) override;
    void MouseMove(int x, int y) override;

    // Sends the active character to the object; its arrival repeats the click.
    void WalkTo(GameObject* object) override;

    void SetPaused(bool on);
    void TogglePause() { SetPaused(!mPaused); }
    void SpawnCustomers();
    void AddCustomer(Customer* customer);
    bool RemoveCustomer(Customer* customer) override;
    void PlaceObject(GameObject* object, GameSimpleNode objectTile, GameSimpleNode accessTile);
    void PlaceChar(GameChar* character, GameSimpleNode tile);
    void SetCharTarget(GameChar* character, GameObject* object);
    void StepPath(GameChar* character, int pixels);
    void BringHudToFront();

    // GameHost.
    void PlaySample(int id) override;
    Image* GetPicture(const std::string& name) override;
    Font* GetFont(int size) override;
    int GetUpdateCount() override;
    WidgetManager* GetWidgetManager() override;
    void DeferWidgetDeletion(Widget* widget) override;
    TObjectFactory* GetItemFactory() override { return &mItemFactory; }
    Widget* GetFrame() override { return this; }
    bool IsHalted() override { return mProgress.mHalted; }
    void SetHalted(bool halted) override { mProgress.mHalted = halted; }
    bool IsPaused() override { return mPaused; }
    int GetMoney() override { return mProgress.mMoney; }
    void SetMoney(int money) override { mProgress.mMoney = money; }
    HudValues GetHudValues() override;
    Tray* GetTray() override { return mTray.get(); }
    GameGrid* GetGrid() override { return &mGrid; }
    int GetMouseX() override { return mMouseX; }
    void SetActiveChar(GameChar* character) override { mActiveChar = character; }

    // TableHost.
    int GetLevel() override { return mProgress.mLevel; }
    void AddHappiness(int delta) override { mProgress.mHappiness += delta; }
    uint32_t Random() override;

    GameProgress& GetProgress() { return mProgress; }
    int GetMusicTrack() const { return mMusicTrack; }
    GameChar* GetActiveChar() const { return mActiveChar; }
    CharLorenzo* GetCook() const { return mCook; }
    GameOverlay* GetPauseBoard() const { return mPauseBoard; }
    ObjectTable* GetTable(int i) const { return mTables[i]; }
    ObjectOven* GetOven(int i) const { return mOvens[i]; }
    ObjectPrepTable* GetPrepTable(int i) const { return mPrepTables[i]; }
    ObjectFridge* GetFridge() const { return mFridge; }
    ObjectTrash* GetTrash() const { return mTrash; }
    const std::vector<Customer*>& GetCustomers() const { return mCustomers; }
    TrayWidget* GetMouseTray() const { return mMouseTray; }
    GameUI* GetUI() const { return mUI; }

private:
    void Build();
    // A board of id -1 over the kitchen, focused; the game halts until it closes.
    GameOverlay* ShowBoard(const BoardLines& lines);
    void EndLevel(LevelEnd end);
    void ShowChargePopup(int charge);
    void StopCook();
    // Every top-level widget the frame put on the screen, in the order it takes them off.
    std::vector<Widget*> OwnWidgets() const;

    GameAppLink* mApp;
    GameProgress mProgress;
    int mMusicTrack = 0;
    std::unique_ptr<GameObjectFactory> mObjectFactory;
    TObjectFactory mItemFactory;
    std::unique_ptr<GameCharFactory> mCharFactory;
    std::unique_ptr<Tray> mTray;
    TrayWidget* mMouseTray = nullptr;
    GameChar* mActiveChar = nullptr;
    GameGrid mGrid;
    GameSpace* mSpace = nullptr;
    GameUI* mUI = nullptr;
    GameOverlay* mPauseBoard = nullptr;
    ObjectOven* mOvens[kOvens] = {};
    ObjectPrepTable* mPrepTables[kPrepTables] = {};
    ObjectFridge* mFridge = nullptr;
    ObjectTrash* mTrash = nullptr;
    CharLorenzo* mCook = nullptr;
    std::vector<Customer*> mCustomers;
    ObjectTable* mTables[kTables] = {};
    int mMouseX = 0;
    int mMouseY = 0;
    bool mPaused = false;
    bool mBuilt = false;
};

} // namespace Lumo
