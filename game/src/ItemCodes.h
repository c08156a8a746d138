// The things the cook carries and the tables keep: codes, names, pictures, colours
// and the recipes of the five pizzas.
#pragma once

#include <cstdint>
#include <vector>

namespace Lumo
{

enum ItemCode : int16_t
{
    ITEM_NONE = -1,
    ITEM_BASIL = 0,
    ITEM_OREGANO = 1,
    ITEM_ONIONS = 2,
    ITEM_GARLIC = 3,
    ITEM_ANCHOVIES = 4,
    ITEM_SAUSAGE = 5,
    ITEM_ORDER = 6,
    ITEM_MARGHERITA = 7,
    ITEM_MARINARA = 8,
    ITEM_CIPOLLA = 9,
    ITEM_NAPOLETANA = 10,
    ITEM_VIENNESE = 11,
};

constexpr int kItemCodeCount = 12;
constexpr int kFirstPizzaCode = ITEM_MARGHERITA;
constexpr int kPizzaCount = 5;

enum class ItemKind
{
    Ingredient,
    Order,
    Pizza,
};

struct ItemInfo
{
    ItemKind mKind;
    const char* mName;
    const char* mPicture;
    int mColor[3];
    std::vector<uint16_t> mRecipe;
};

// Null for a code outside 0..11.
const ItemInfo* GetItemInfo(int code);

constexpr bool IsPizzaCode(int code)
{
    return code >= kFirstPizzaCode && code < kFirstPizzaCode + kPizzaCount;
}

// The picture a raw pizza shows.
constexpr const char* kDoughPicture = "gfx/ingredients/pizzadough";

} // namespace Lumo
