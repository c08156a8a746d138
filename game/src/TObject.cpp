#include "game/src/TObject.h"

#include "game/src/ItemCodes.h"
#include "graphics/Graphics.h"

namespace Lumo
{

namespace
{
constexpr int kItemSize = 25;
const Color kNoPictureColor(0, 127, 127);
} // namespace

TObject::TObject()
{
    Resize(0, 0, kItemSize, kItemSize);
}

void TObject::SetListCount(int n)
{
    if (n < 0)
        n = 0;
    mList.assign(size_t(n), 0);
    mListCount = int16_t(n);
}

void TObject::CopyInto(TObject* copy) const
{
    copy->mCode = mCode;
    copy->mName = mName;
    copy->mImage = mImage;
    copy->mColor = mColor;
    copy->mNonPizza = mNonPizza;
    copy->mCooked = mCooked;
    copy->mDelivered = 0;
    copy->mListCount = mListCount;
    copy->mList = mList;
    copy->mAge = mAge;
    copy->mOwner = mOwner;
}

TObject* TObject::Clone() const
{
    return CloneAs<TObject>();
}

void TObject::FillNoPicture(Graphics* g) const
{
    g->SetColor(kNoPictureColor);
    g->FillRect(0, 0, mWidth, mHeight);
}

void TObject::Update()
{
    Widget::Update();
    if (mAge >= 0)
        mAge++;
}

void TObject::Draw(Graphics* g)
{
    g->SetColor(mColor);
    g->FillRect(0, 0, mWidth, mHeight);
}

TObjectIngredient::TObjectIngredient()
{
    mNonPizza = 1;
    mCooked = 0;
}

TObject* TObjectIngredient::Clone() const
{
    return CloneAs<TObjectIngredient>();
}

void TObjectIngredient::Draw(Graphics* g)
{
    if (mImage == nullptr)
    {
        FillNoPicture(g);
        return;
    }
    g->DrawImage(mImage, 0, 0);
}

TObjectOrder::TObjectOrder(Image* margherita)
{
    mCode = ITEM_ORDER;
    mName = "Order";
    mImage = margherita;
    mNonPizza = 0;
    mCooked = 0;
}

TObject* TObjectOrder::Clone() const
{
    return CloneAs<TObjectOrder>();
}

void TObjectOrder::Draw(Graphics* g)
{
    g->SetColor(Color(127, 127, 127));
    g->FillRect(0, 0, mWidth, mHeight);
}

TObjectPizza::TObjectPizza()
{
    mNonPizza = 0;
    mCooked = 0;
}

TObject* TObjectPizza::Clone() const
{
    TObjectPizza* copy = CloneAs<TObjectPizza>();
    copy->mDoughImage = mDoughImage;
    return copy;
}

Image* TObjectPizza::GetImage() const
{
    return mCooked ? mImage : mDoughImage;
}

void TObjectPizza::Draw(Graphics* g)
{
    if (mImage == nullptr)
    {
        FillNoPicture(g);
        return;
    }
    if (!mCooked)
    {
        g->SetTintImages(true);
        g->SetColor(Color(190, 190, 190));
    }
    g->DrawImage(mImage, 0, 0, mWidth, mHeight);
    g->SetTintImages(false);
}

} // namespace Lumo
