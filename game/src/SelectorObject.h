// A kitchen object with a pop-up choice list (the fridge, the prep tables): it owns the
// selector, built the first time the object goes on a manager, and keeps the pick.
#pragma once

#include "game/src/GameObject.h"

#include <cstdint>
#include <vector>

namespace Lumo
{

class Selector;

class SelectorObject : public GameObject
{
public:
    SelectorObject(GameHost* host, std::vector<int> choices);
    ~SelectorObject() override;

    int GetSelection() const { return mSelection; }
    Selector* GetSelector() const { return mSelector; }

    void AttachToManager(WidgetManager* manager) override;
    void DetachFromManager(WidgetManager* manager) override;

protected:
    void ShowSelector(bool on);
    // The pointer has moved from the object onto its open list.
    bool SelectorHasMouse() const;

    uint16_t mSelection = kNoSelection;

private:
    std::vector<int> mChoices;
    Selector* mSelector = nullptr; // owned
};

} // namespace Lumo
