// An oven: takes one raw pizza from the tray, bakes it for 200 ticks (also while the
// game is paused or halted) and hands it back cooked.
#pragma once

#include "game/src/GameObject.h"

namespace Lumo
{

class ObjectOven : public GameObject
{
public:
    static constexpr int16_t kBakeTicks = 200;

    enum State
    {
        EMPTY = 0,
        BAKING = 1,
        DONE = 2,
    };

    explicit ObjectOven(GameHost* host);
    ~ObjectOven() override;

    void SetState(int state);
    int GetState() const { return mState; }
    int16_t GetTimer() const { return mTimer; }
    TObject* GetPizza() const { return mPizza; }
    bool HasPizza() const { return mHasPizza; }

    TObject* GiveItem() override;
    bool Interact(Tray* tray) override;
    void Update() override;
    void Draw(Graphics* g) override;

private:
    void DropPizza();

    int16_t mTimer = -1;
    bool mHasPizza = false;
    TObject* mPizza = nullptr; // owned
    int mState = EMPTY;
};

} // namespace Lumo
