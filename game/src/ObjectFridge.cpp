#include "game/src/ObjectFridge.h"

#include "game/src/GameGrid.h"
#include "game/src/GameHost.h"
#include "game/src/ItemCodes.h"
#include "game/src/PopupMsg.h"
#include "game/src/TObject.h"
#include "game/src/TObjectFactory.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

namespace Lumo
{

ObjectFridge::ObjectFridge(GameHost* host)
    : SelectorObject(host, {ITEM_BASIL, ITEM_OREGANO, ITEM_GARLIC, ITEM_ONIONS, ITEM_ANCHOVIES, ITEM_SAUSAGE})
{
    mCode = OBJECT_FRIDGE;
    mName = "Fridge";
    mPicture = host->GetPicture("gfx/objects/fridge");
    mHoverColor = Color(255, 255, 255, 127); // a stronger veil than the other objects
    mGivesToTray = true;
    mTakesFromTray = false;
}

void ObjectFridge::SetTiles(GameSimpleNode objectTile, GameSimpleNode accessTile)
{
    mObjectTile = objectTile;
    mAccessTile = accessTile;
    if (GameGrid* grid = mHost->GetGrid())
    {
        for (int dc = -1; dc <= 1; dc++)
            grid->SetBlocked(GameSimpleNode{int16_t(objectTile.mColumn + dc), objectTile.mRow}, true);
    }
    Resize(mX - mWidth, mY, 3 * mWidth, mHeight);
}

GameSimpleNode ObjectFridge::GetApproachTile(GameSimpleNode charTile)
{
    GameGrid* grid = mHost->GetGrid();
    return grid != nullptr ? grid->FridgeApproachTile(mObjectTile, mAccessTile, charTile) : mObjectTile;
}

void ObjectFridge::SetSelection(int code)
{
    mSelection = uint16_t(code);
}

// Money is taken only when an ingredient is handed over.
TObject* ObjectFridge::GiveItem()
{
    TObject* item = nullptr;
    TObjectFactory* factory = mHost->GetItemFactory();
    const ItemInfo* info = GetItemInfo(mSelection == kNoSelection ? -1 : mSelection);
    if (mHost->GetMoney() > 0 && factory != nullptr && info != nullptr && info->mKind == ItemKind::Ingredient)
        item = factory->Create(mSelection);
    if (item != nullptr)
    {
        if (WidgetManager* manager = mHost->GetWidgetManager())
        {
            auto* popup = new PopupMsg(mHost, kPopupLife);
            popup->mLines[0].mText = "- 1";
            popup->mLines[0].mColor = Color(191, 0, 191);
            popup->mLines[0].mIcon = mHost->GetPicture("gfx/UI/Euro");
            popup->mLines[0].mIconTint = Color(191, 0, 0);
            popup->SetPos(mHost->GetMouseX() + 5, mY - 10);
            manager->AddWidget(popup);
        }
        mHost->SetMoney(mHost->GetMoney() - kPrice);
        mHost->PlaySample(SOUND_CLICK);
    }
    mSelection = kNoSelection;
    if (item == nullptr)
        mHost->PlaySample(SOUND_THUD);
    return item;
}

bool ObjectFridge::Interact(Tray* tray)
{
    if (tray != nullptr)
        mHost->PlaySample(SOUND_THUD);
    return true;
}

void ObjectFridge::MouseEnter()
{
    ShowSelector(true);
    GameObject::MouseEnter();
}

void ObjectFridge::MouseLeave()
{
    if (SelectorHasMouse())
        return;
    ShowSelector(false);
    GameObject::MouseLeave();
}

void ObjectFridge::Draw(Graphics* g)
{
    DrawPicture(g);
    FillCurrentColor(g);
}

} // namespace Lumo
