// A dining table with its four chairs: the cook brings it pizzas and collects the
// check. The group sitting at it and its rules are the TableGroup.
#pragma once

#include "game/src/GameObject.h"
#include "game/src/TableGroup.h"

namespace Lumo
{

class Customer;
class ObjectChair;

class ObjectTable : public GameObject
{
public:
    ObjectTable(GameHost* host, TableHost* rules, const std::string& name);
    // Frees its chairs; the frame takes them off the screen first.
    ~ObjectTable() override;

    void AddChair(int side) override;
    // Takes the chair of a side away again.
    void RemoveChair(int side);
    // Diagonal neighbours, since the orthogonal ones hold the chairs.
    GameSimpleNode GetApproachTile(GameSimpleNode charTile) override;
    bool Interact(Tray* tray) override;
    TObject* GiveItem() override;
    void SetState(int state);
    // The side it sits on, or -1 with no free chair.
    int SeatCustomer(Customer* customer);

    void Update() override;
    void Draw(Graphics* g) override;
    void DetachFromManager(WidgetManager* manager) override;

    TableGroup& GetGroup() { return mGroup; }
    ObjectChair* GetChair(int side) const
    {
        return side >= 0 && side < TableGroup::kSeats ? mChairs[side] : nullptr;
    }

private:
    // The group's position and tray flags follow the widget.
    void Sync();

    TableGroup mGroup;
    ObjectChair* mChairs[TableGroup::kSeats] = {};
};

} // namespace Lumo
