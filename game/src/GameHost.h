// What the game's widgets need of the application and the play screen, so they can be
// built and tested without either: sounds by id, pictures and fonts by name, the update
// count, the widget manager, and the play screen's state (halted, paused, money, the
// gauge and clock values, the tray, sending the cook).
#pragma once

#include "game/src/GameAssets.h"
#include "game/src/GameServices.h"

namespace Lumo
{

class GameChar;
class GameGrid;
class GameObject;
class TObjectFactory;
class Tray;
class Widget;

// The gauge and clock figures the head-up display shows.
struct HudValues
{
    int mHappiness = 0; // H
    int mGoal = 0;
    int mDanger = 0;
    int mBarMax = 1;
    int mClock = 0;
    int mLevelLength = 1;
};

class GameHost : public GameServices
{
public:
    // Application side, beyond the shared services.
    virtual TObjectFactory* GetItemFactory() = 0;

    // Play screen side.
    virtual Widget* GetFrame() = 0;
    virtual bool IsHalted() = 0;
    virtual void SetHalted(bool halted) = 0;
    virtual bool IsPaused() = 0;
    virtual int GetMoney() = 0;
    virtual void SetMoney(int money) = 0;
    virtual HudValues GetHudValues() = 0;
    virtual Tray* GetTray() = 0;
    virtual GameGrid* GetGrid() = 0;
    virtual int GetMouseX() = 0;
    // Sends the active character to the object; arrival repeats the click.
    virtual void WalkTo(GameObject* object) = 0;
    virtual void SetActiveChar(GameChar* character) = 0;
};

} // namespace Lumo
