#include "game/src/GameObject.h"

#include "game/src/FrameLink.h"
#include "game/src/GameGrid.h"
#include "game/src/GameHost.h"
#include "game/src/Tray.h"
#include "graphics/Graphics.h"

namespace Lumo
{

GameObject::GameObject(GameHost* host) : mHost(host) {}

void GameObject::SetTiles(GameSimpleNode objectTile, GameSimpleNode accessTile)
{
    mObjectTile = objectTile;
    mAccessTile = accessTile;
    if (GameGrid* grid = mHost->GetGrid())
        grid->SetBlocked(objectTile, true);
}

GameSimpleNode GameObject::GetApproachTile(GameSimpleNode charTile)
{
    GameGrid* grid = mHost->GetGrid();
    return grid != nullptr ? grid->ObjectApproachTile(mObjectTile, mAccessTile, charTile) : mObjectTile;
}

void GameObject::FillCurrentColor(Graphics* g)
{
    g->SetColor(mColor);
    g->FillRect(0, 0, mWidth, mHeight);
}

void GameObject::FrameDirty()
{
    if (Widget* frame = mHost->GetFrame())
        frame->MarkDirty();
}

bool GameObject::DrawPicture(Graphics* g)
{
    if (mPicture == nullptr)
        return false;
    g->DrawImage(mPicture, 0, 0, mWidth, mHeight);
    return true;
}

void GameObject::Draw(Graphics* g)
{
    FillCurrentColor(g);
}

void GameObject::MouseEnter()
{
    if (!mHoverable)
        return;
    mColor = mHoverColor;
    FrameDirty();
}

void GameObject::MouseLeave()
{
    if (!mHoverable)
        return;
    mColor = mNormalColor;
    FrameDirty();
}

void GameObject::MouseUpButton(int x, int y, int button, int clickCount)
{
    if (button == 1)
    {
        Interact(nullptr);
        return;
    }
    if (button != 0)
        return;
    if (!mArrived)
    {
        mHost->WalkTo(this);
        return;
    }
    Tray* tray = mHost->GetTray();
    if (!mAcceptsClicks || tray == nullptr)
        return;
    if (mTakesFromTray && Interact(tray))
        return;
    if (!tray->HasRoom())
    {
        mHost->PlaySample(SOUND_THUD);
        return;
    }
    if (mGivesToTray)
    {
        if (TObject* item = GiveItem())
            tray->Push(item);
    }
}

void GameObject::MouseMove(int x, int y)
{
    ForwardMouseMove(mHost->GetFrame(), *this, x, y);
}

} // namespace Lumo
