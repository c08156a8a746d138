#include "game/src/ObjectTable.h"

#include "game/src/GameGrid.h"
#include "game/src/GameHost.h"
#include "game/src/ObjectChair.h"
#include "widgets/WidgetManager.h"

#include <string>

namespace Lumo
{

namespace
{
// Up, right, down, left of the table.
constexpr int kSideOffsets[4][2] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
} // namespace

ObjectTable::ObjectTable(GameHost* host, TableHost* rules, const std::string& name)
    : GameObject(host), mGroup(host, rules)
{
    mCode = OBJECT_TABLE;
    mName = name;
    mPicture = host->GetPicture("gfx/objects/table");
    Sync();
}

ObjectTable::~ObjectTable()
{
    for (ObjectChair*& chair : mChairs)
    {
        delete chair;
        chair = nullptr;
    }
}

void ObjectTable::Sync()
{
    mGroup.SetPosition(mX, mY);
    mTakesFromTray = mGroup.TakesFromTray();
    mGivesToTray = mGroup.GivesToTray();
}

void ObjectTable::AddChair(int side)
{
    if (side < 0 || side >= TableGroup::kSeats || mChairs[side] != nullptr)
        return;
    const GameSimpleNode tile{int16_t(mObjectTile.mColumn + kSideOffsets[side][0]),
                              int16_t(mObjectTile.mRow + kSideOffsets[side][1])};
    ObjectChair* chair = new ObjectChair(mHost);
    const GamePoint pixel = GameGrid::TileToPixel(tile);
    chair->Resize(pixel.mX, pixel.mY, GameGrid::kTileSize, GameGrid::kTileSize);
    chair->SetTiles(tile, mObjectTile);
    if (WidgetManager* manager = mHost->GetWidgetManager())
        manager->AddWidget(chair);
    chair->SetPicture(mHost->GetPicture("gfx/objects/chair/chair" + std::to_string(side)));
    mChairs[side] = chair;
    mGroup.SetChair(side, chair);
}

void ObjectTable::RemoveChair(int side)
{
    ObjectChair* chair = GetChair(side);
    if (chair == nullptr)
        return;
    mGroup.SetChair(side, nullptr);
    if (GameGrid* grid = mHost->GetGrid())
        grid->SetBlocked(chair->GetObjectTile(), false);
    if (chair->mParent != nullptr)
        chair->mParent->RemoveWidget(chair);
    mChairs[side] = nullptr;
    delete chair;
}

GameSimpleNode ObjectTable::GetApproachTile(GameSimpleNode charTile)
{
    GameGrid* grid = mHost->GetGrid();
    return grid != nullptr ? grid->TableApproachTile(mObjectTile, mAccessTile, charTile) : mObjectTile;
}

bool ObjectTable::Interact(Tray* tray)
{
    Sync();
    const bool served = mGroup.Interact(tray);
    Sync();
    return served;
}

TObject* ObjectTable::GiveItem()
{
    Sync();
    TObject* item = mGroup.GiveItem();
    Sync();
    return item;
}

void ObjectTable::SetState(int state)
{
    Sync();
    mGroup.SetState(state);
    Sync();
}

int ObjectTable::SeatCustomer(Customer* customer)
{
    Sync();
    const int side = mGroup.SeatCustomer(customer);
    Sync();
    return side;
}

void ObjectTable::Update()
{
    GameObject::Update();
    Sync();
    mGroup.Update();
    Sync();
}

void ObjectTable::Draw(Graphics* g)
{
    DrawPicture(g);
    mGroup.DrawState(g, mWidth, mHeight);
    FillCurrentColor(g);
}

void ObjectTable::DetachFromManager(WidgetManager* manager)
{
    for (ObjectChair* chair : mChairs)
    {
        if (chair != nullptr && chair->mParent != nullptr)
            chair->mParent->RemoveWidget(chair);
    }
    GameObject::DetachFromManager(manager);
}

} // namespace Lumo
