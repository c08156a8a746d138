#include "game/src/TObjectFactory.h"

#include "game/src/ItemCodes.h"
#include "game/src/TObject.h"

namespace Lumo
{

TObjectFactory::TObjectFactory(PictureSource pictures) : mPictures(std::move(pictures)) {}

Image* TObjectFactory::Picture(const std::string& name) const
{
    return mPictures ? mPictures(name) : nullptr;
}

TObject* TObjectFactory::Create(int code) const
{
    const ItemInfo* info = GetItemInfo(code);
    if (info == nullptr)
        return nullptr;
    switch (info->mKind)
    {
    case ItemKind::Ingredient:
    {
        TObject* item = new TObjectIngredient();
        SetupIngredient(item, code);
        return item;
    }
    case ItemKind::Order:
        return new TObjectOrder(Picture(info->mPicture));
    case ItemKind::Pizza:
    {
        TObjectPizza* item = new TObjectPizza();
        item->mDoughImage = Picture(kDoughPicture);
        SetupPizza(item, code);
        return item;
    }
    }
    return nullptr;
}

void TObjectFactory::SetupIngredient(TObject* item, int code) const
{
    const ItemInfo* info = GetItemInfo(code);
    item->mCode = int16_t(code);
    item->mName = info->mName;
    item->mImage = Picture(info->mPicture);
}

void TObjectFactory::SetupPizza(TObject* item, int code) const
{
    SetupIngredient(item, code);
    const ItemInfo* info = GetItemInfo(code);
    item->mColor = Color(info->mColor[0], info->mColor[1], info->mColor[2]);
    item->SetListCount(int(info->mRecipe.size()));
    item->mList = info->mRecipe;
}

} // namespace Lumo
