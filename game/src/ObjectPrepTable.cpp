#include "game/src/ObjectPrepTable.h"

#include "game/src/GameHost.h"
#include "game/src/ItemCodes.h"
#include "game/src/TObject.h"
#include "game/src/TObjectFactory.h"
#include "game/src/Tray.h"
#include "graphics/Graphics.h"

namespace Lumo
{

// The table is built ready to be used, as after a hand-over: both tray flags on.
ObjectPrepTable::ObjectPrepTable(GameHost* host)
    : SelectorObject(host, {ITEM_MARGHERITA, ITEM_MARINARA, ITEM_CIPOLLA, ITEM_NAPOLETANA, ITEM_VIENNESE})
{
    mCode = OBJECT_PREP_TABLE;
    mName = "Prep Table";
    mPicture = host->GetPicture("gfx/objects/preptable");
    mTakesFromTray = true;
    mGivesToTray = true;
}

ObjectPrepTable::~ObjectPrepTable()
{
    delete mPizza;
}

void ObjectPrepTable::Clear()
{
    delete mPizza;
    mPizza = nullptr;
    mNeeded.clear();
    mTaken.clear();
    mTakenCount = 0;
    mState = IDLE;
    mTakesFromTray = true;
    mGivesToTray = true;
    mSelection = kNoSelection;
}

void ObjectPrepTable::SetSelection(int code)
{
    if (mState == IDLE)
        mSelection = uint16_t(code);
}

void ObjectPrepTable::SetPizza(int code, bool start)
{
    if (!start || mPizza != nullptr)
    {
        delete mPizza;
        mPizza = nullptr;
        mNeeded.clear();
        mTaken.clear();
        return;
    }
    TObjectFactory* factory = mHost->GetItemFactory();
    TObject* pizza = factory != nullptr && IsPizzaCode(code) ? factory->Create(code) : nullptr;
    if (pizza == nullptr)
        return;
    mPizza = pizza;
    mNeeded = pizza->mList;
    mTaken.assign(mNeeded.size(), 0);
    mTakenCount = 0;
    mState = ASSEMBLING;
    mTakesFromTray = true;
    mGivesToTray = false;
    ShowSelector(false);
    FrameDirty();
}

TObject* ObjectPrepTable::GiveItem()
{
    if (mState == IDLE && mSelection != kNoSelection)
    {
        SetPizza(mSelection, true);
        return nullptr;
    }
    if (mState != COMPLETE || mPizza == nullptr)
        return nullptr;
    TObject* pizza = mPizza->Clone();
    pizza->mOwner = this;
    Clear();
    mHost->PlaySample(SOUND_CLICK);
    return pizza;
}

bool ObjectPrepTable::Interact(Tray* tray)
{
    if (tray == nullptr)
    {
        if (mState == ASSEMBLING)
        {
            Clear();
            ShowSelector(true);
            mHost->PlaySample(SOUND_TRASHCAN);
        }
        else
            mHost->PlaySample(SOUND_THUD);
        return false;
    }
    if (mState == IDLE)
    {
        // Without a pick the click goes on to the hand-over, which has nothing to give.
        if (mSelection == kNoSelection)
            return false;
        SetPizza(mSelection, true);
        mHost->PlaySample(SOUND_CLICK);
        return true;
    }
    if (tray->IsEmpty() || mState != ASSEMBLING)
        return false;
    bool took = false;
    for (size_t i = 0; i < mNeeded.size() && mState == ASSEMBLING; i++)
    {
        if (mTaken[i] != 0)
            continue;
        TObject* item = tray->LastOfCode(mNeeded[i]);
        if (item == nullptr)
            continue;
        tray->Remove(item);
        delete item;
        mTaken[i] = 1;
        if (++mTakenCount == int(mNeeded.size()))
        {
            mState = COMPLETE;
            mTakesFromTray = true;
            mGivesToTray = true;
        }
        mHost->PlaySample(SOUND_CLICK);
        MarkDirty();
        took = true;
    }
    return took;
}

void ObjectPrepTable::MouseEnter()
{
    if (mHoverable && mState == IDLE)
        ShowSelector(true);
    GameObject::MouseEnter();
}

void ObjectPrepTable::MouseLeave()
{
    if (SelectorHasMouse())
        return;
    if (mHoverable && mState == IDLE)
        ShowSelector(false);
    GameObject::MouseLeave();
}

void ObjectPrepTable::DrawVeil(Graphics* g)
{
    Color veil = mPizza->mColor;
    veil.mAlpha = 127;
    g->SetColor(veil);
    g->FillRect(0, 0, mWidth, mHeight);
}

void ObjectPrepTable::Draw(Graphics* g)
{
    DrawPicture(g);
    if (mState == ASSEMBLING && mPizza != nullptr)
    {
        DrawVeil(g);
        const size_t count = mNeeded.size();
        int x = count == 1 ? 12 : 0;
        int y = count >= 3 ? 0 : 12;
        for (size_t i = 0; i < count; i++)
        {
            if (mTaken[i] == 0)
            {
                g->SetColor(Color(255, 255, 255, 127));
                g->FillRect(x, y, 25, 25);
                g->SetColor(Color(0, 0, 0));
                g->DrawRect(x, y, 24, 24);
                const ItemInfo* info = GetItemInfo(mNeeded[i]);
                if (Image* picture = info != nullptr ? mHost->GetPicture(info->mPicture) : nullptr)
                    g->DrawImage(picture, x, y, 25, 25);
            }
            // Two by two: right, then down and back left, then right.
            if (i == 1)
            {
                x -= 25;
                y += 25;
            }
            else
                x += 25;
        }
    }
    else if (mState == COMPLETE && mPizza != nullptr)
    {
        DrawVeil(g);
        if (Image* picture = mPizza->GetImage())
            g->DrawImage(picture, 0, 0, mWidth, mHeight);
    }
    FillCurrentColor(g);
}

} // namespace Lumo
