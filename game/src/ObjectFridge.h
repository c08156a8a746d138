// The fridge, three tiles wide: sells the picked ingredient for one unit of money.
#pragma once

#include "game/src/GameObject.h"

namespace Lumo
{

class Selector;

class ObjectFridge : public GameObject
{
public:
    static constexpr int kPrice = 1;
    static constexpr int kPopupLife = 250;

    explicit ObjectFridge(GameHost* host);
    ~ObjectFridge() override;

    int GetSelection() const { return mSelection; }
    Selector* GetSelector() const { return mSelector; }

    TObject* GiveItem() override;
    bool Interact(Tray* tray) override;
    void SetSelection(int code) override;
    void SetTiles(GameSimpleNode objectTile, GameSimpleNode accessTile) override;
    GameSimpleNode GetApproachTile(GameSimpleNode charTile) override;
    void Draw(Graphics* g) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void AttachToManager(WidgetManager* manager) override;
    void DetachFromManager(WidgetManager* manager) override;

private:
    void ShowSelector(bool on);

    Selector* mSelector = nullptr; // owned
    uint16_t mSelection = kNoSelection;
};

} // namespace Lumo
