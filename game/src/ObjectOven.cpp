#include "game/src/ObjectOven.h"

#include "game/src/GameHost.h"
#include "game/src/TObject.h"
#include "game/src/Tray.h"
#include "graphics/Graphics.h"

#include <algorithm>

namespace Lumo
{

ObjectOven::ObjectOven(GameHost* host) : GameObject(host)
{
    mCode = OBJECT_OVEN;
    mName = "Oven";
    mPicture = host->GetPicture("gfx/objects/oven");
    mTakesFromTray = true;
    mGivesToTray = false;
}

ObjectOven::~ObjectOven()
{
    delete mPizza;
}

// Deleted once; the pointer and the flag go with it.
void ObjectOven::DropPizza()
{
    delete mPizza;
    mPizza = nullptr;
    mHasPizza = false;
}

void ObjectOven::SetState(int state)
{
    mState = state;
    if (state == EMPTY)
    {
        mTakesFromTray = true;
        mGivesToTray = false;
        mTimer = -1;
        DropPizza();
    }
    else if (state == BAKING)
    {
        mHasPizza = true;
        mTakesFromTray = false;
        mGivesToTray = false;
        mTimer = kBakeTicks;
    }
    else if (state == DONE)
    {
        mTakesFromTray = true;
        mGivesToTray = true;
    }
    MarkDirty();
}

void ObjectOven::Update()
{
    GameObject::Update();
    if (mTimer > 0)
    {
        mTimer--;
        FrameDirty();
    }
    else if (mTimer == 0)
    {
        if (mPizza != nullptr)
            mPizza->mCooked = 1;
        SetState(DONE);
        mTimer = -1;
        mHost->PlaySample(SOUND_DING);
    }
}

bool ObjectOven::Interact(Tray* tray)
{
    if (tray == nullptr)
    {
        mHost->PlaySample(SOUND_THUD);
        return false;
    }
    if (tray->IsEmpty() || mState != EMPTY)
        return false;
    for (int i = tray->GetCount() - 1; i >= 0; i--)
    {
        TObject* item = tray->GetItem(i);
        if (item->mNonPizza != 0 || item->mCooked != 0)
            continue;
        mPizza = item->Clone();
        SetState(BAKING);
        tray->Remove(item);
        delete item;
        mHost->PlaySample(SOUND_CLICK);
        return true;
    }
    return false;
}

TObject* ObjectOven::GiveItem()
{
    if (mState != DONE || mPizza == nullptr)
        return nullptr;
    TObject* pizza = mPizza->Clone();
    pizza->mOwner = this;
    SetState(EMPTY);
    mHost->PlaySample(SOUND_CLICK);
    return pizza;
}

void ObjectOven::Draw(Graphics* g)
{
    DrawPicture(g);
    if (mPizza != nullptr)
    {
        const bool baking = mState == BAKING;
        const int lighten = baking ? mTimer * 255 / kBakeTicks : 0;
        const Color& c = mPizza->mColor;
        g->SetColor(Color(std::min(255, c.mRed + lighten), std::min(255, c.mGreen + lighten),
                          std::min(255, c.mBlue + lighten), c.mAlpha));
        g->FillRect(10, 10, 30, 30);
        g->SetColor(Color(0, 0, 0));
        g->DrawRect(10, 10, 29, 29);
        // The pizza's own picture, greyed while it bakes; not the dough a raw pizza shows on the tray.
        if (Image* picture = mPizza->mImage)
        {
            const int grey = baking ? 255 - mTimer * 127 / 500 : 255;
            g->SetTintImages(baking);
            g->SetColor(Color(grey, grey, grey));
            g->DrawImage(picture, 10, 10, 30, 30);
            g->SetTintImages(false);
        }
    }
    FillCurrentColor(g);
}

} // namespace Lumo
