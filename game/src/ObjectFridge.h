// The fridge, three tiles wide: sells the picked ingredient for one unit of money.
#pragma once

#include "game/src/SelectorObject.h"

namespace Lumo
{

class ObjectFridge : public SelectorObject
{
public:
    static constexpr int kPrice = 1;
    static constexpr int kPopupLife = 250;

    explicit ObjectFridge(GameHost* host);

    TObject* GiveItem() override;
    bool Interact(Tray* tray) override;
    void SetSelection(int code) override;
    void SetTiles(GameSimpleNode objectTile, GameSimpleNode accessTile) override;
    GameSimpleNode GetApproachTile(GameSimpleNode charTile) override;
    void Draw(Graphics* g) override;
    void MouseEnter() override;
    void MouseLeave() override;
};

} // namespace Lumo
