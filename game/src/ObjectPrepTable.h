// A prep table: pick a pizza from its selector, then bring the recipe's ingredients;
// when all are on the table the raw pizza can be taken. A right click while
// assembling throws the assembly away.
#pragma once

#include "game/src/SelectorObject.h"

#include <cstdint>
#include <vector>

namespace Lumo
{

class ObjectPrepTable : public SelectorObject
{
public:
    enum State
    {
        IDLE = 0,
        ASSEMBLING = 1,
        COMPLETE = 2,
    };

    explicit ObjectPrepTable(GameHost* host);
    ~ObjectPrepTable() override;

    // Starts a pizza of the code; start false cancels the one on the table.
    void SetPizza(int code, bool start);
    int GetState() const { return mState; }
    TObject* GetPizza() const { return mPizza; }
    int GetTakenCount() const { return mTakenCount; }
    const std::vector<uint16_t>& GetNeeded() const { return mNeeded; }
    const std::vector<uint8_t>& GetTaken() const { return mTaken; }

    TObject* GiveItem() override;
    bool Interact(Tray* tray) override;
    void SetSelection(int code) override;
    void Draw(Graphics* g) override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    // Back to idle: the pizza and the recipe arrays go, both tray flags on.
    void Clear();
    void DrawVeil(Graphics* g);

    std::vector<uint16_t> mNeeded;
    std::vector<uint8_t> mTaken;
    int mTakenCount = 0;
    TObject* mPizza = nullptr; // owned
    int mState = IDLE;
};

} // namespace Lumo
