#include "game/src/GameChar.h"

#include "game/src/FrameLink.h"
#include "game/src/GameGrid.h"
#include "game/src/GameHost.h"
#include "graphics/Graphics.h"

namespace Lumo
{

GameChar::GameChar(GameHost* host) : mHost(host)
{
    Resize(0, 0, GameGrid::kTileSize, GameGrid::kTileSize);
}

void GameChar::UpdateTile()
{
    mWalk.UpdateTile(*this);
}

void GameChar::Draw(Graphics* g)
{
    g->SetColor(Color(0, 0, 255));
    g->FillRect(0, 0, mWidth, mHeight);
}

void GameChar::MouseEnter()
{
    if (!mHoverable || mSelected)
        return;
    mColor = mHoverColor;
    MarkDirty();
}

void GameChar::MouseLeave()
{
    if (!mHoverable || mSelected)
        return;
    mColor = mNormalColor;
    MarkDirty();
}

void GameChar::MouseUpButton(int x, int y, int button, int clickCount)
{
    if (!mSelectable || mSelected)
        return;
    mColor = mNormalColor;
    mSelected = true;
    mHost->SetActiveChar(this);
}

void GameChar::MouseMove(int x, int y)
{
    ForwardMouseMove(mHost->GetFrame(), *this, x, y);
}

CharLorenzo::CharLorenzo(GameHost* host) : GameChar(host)
{
    for (int n = 0; n < kFacings; n++)
        mPictureSet.push_back(host->GetPicture("gfx/lorenzo/idle/lorenzo" + std::to_string(n)));
    for (int frame = 0; frame < 2; frame++)
    {
        const std::string f = std::to_string(frame);
        for (int i = 0; i < kWalkFacings; i++)
            mWalkPictures[frame][i] =
                host->GetPicture("gfx/lorenzo/walk" + f + "/lorenzo" + std::to_string(i) + "_walk" + f);
    }
}

Image* CharLorenzo::CurrentPicture() const
{
    const int facing = mWalk.mFacing;
    if (mWalk.mWalking)
        return facing >= 0 && facing < kWalkFacings ? mWalkPictures[mAnimFrame & 1][facing] : nullptr;
    return facing >= 0 && facing < int(mPictureSet.size()) ? mPictureSet[facing] : nullptr;
}

void CharLorenzo::Draw(Graphics* g)
{
    mPicture = CurrentPicture();
    if (mPicture != nullptr)
        g->DrawImage(mPicture, 0, 0, mWidth, mHeight);
    g->SetColor(mColor);
    g->FillRect(0, 0, mWidth, mHeight);
}

void CharLorenzo::Update()
{
    Widget::Update();
    if (mWalk.mWalking && mHost->GetUpdateCount() % kAnimTicks == 0)
        mAnimFrame = mAnimFrame == 0 ? 1 : 0;
}

GameChar* GameCharFactory::Create(int code) const
{
    return code == kLorenzo ? new CharLorenzo(mHost) : nullptr;
}

} // namespace Lumo
