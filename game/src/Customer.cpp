#include "game/src/Customer.h"

#include "game/src/GameHost.h"
#include "game/src/TableRules.h"
#include "graphics/Graphics.h"

#include <string>

namespace Lumo
{

Customer::Customer(GameHost* host, int look) : mHost(host)
{
    mLook = ((look % TableRules::kLookCount) + TableRules::kLookCount) % TableRules::kLookCount;
    for (int i = 0; i < 5; i++)
        mWeights[i] = TableRules::kPreferenceWeights[mLook][i];
    for (int side = 0; side < 4; side++)
        mPictures[side] =
            host->GetPicture("gfx/customer/" + std::to_string(mLook + 1) + "/cust" + std::to_string(side));
    Resize(0, 0, kSize, kSize);
}

int Customer::ChooseOrder(uint32_t random) const
{
    return TableRules::ChooseOrder(mWeights, random);
}

void Customer::SetSide(int side)
{
    if (side >= 0 && side < 4)
        mPicture = mPictures[side];
}

void Customer::SetBubble(Image* picture, const Color& color)
{
    mBubble = picture;
    mBubbleColor = color;
    MarkDirty();
}

void Customer::Draw(Graphics* g)
{
    if (mPicture != nullptr)
    {
        g->DrawImage(mPicture, 0, 0, mWidth, mHeight);
    }
    else
    {
        g->SetColor(Color(0, 127, 255));
        g->FillRect(0, 0, mWidth, mHeight);
    }
    if (mBubble == nullptr)
        return;
    g->SetColor(mBubbleColor);
    g->FillRect(10, 10, 30, 30);
    g->DrawImage(mBubble, 10, 10, 30, 30);
    g->SetColor(Color(0, 0, 0));
    g->DrawRect(10, 10, 29, 29);
}

void Customer::MouseEnter()
{
    if (mTable != nullptr)
        mTable->MouseEnter();
}

void Customer::MouseLeave()
{
    if (mTable != nullptr)
        mTable->MouseLeave();
}

void Customer::MouseUpButton(int x, int y, int button, int clickCount)
{
    if (mTable != nullptr)
        mTable->MouseUpButton(x, y, button, clickCount);
}

void Customer::MouseMove(int x, int y)
{
    // Its own position within the chair, then the chair's on the screen.
    int chairX = 0;
    int chairY = 0;
    if (mParent != nullptr)
    {
        chairX = mParent->mX;
        chairY = mParent->mY;
    }
    if (Widget* frame = mHost->GetFrame())
        frame->MouseMove(x + mX + chairX, y + mY + chairY);
}

} // namespace Lumo
