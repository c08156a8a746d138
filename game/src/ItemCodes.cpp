#include "game/src/ItemCodes.h"

namespace Lumo
{

const ItemInfo* GetItemInfo(int code)
{
    static const ItemInfo kItems[kItemCodeCount] = {
        {ItemKind::Ingredient, "Basil", "gfx/ingredients/basil", {255, 255, 255}, {}},
        {ItemKind::Ingredient, "Oregano", "gfx/ingredients/oregano", {255, 255, 255}, {}},
        {ItemKind::Ingredient, "Onions", "gfx/ingredients/onions", {255, 255, 255}, {}},
        {ItemKind::Ingredient, "Garlic", "gfx/ingredients/garlic", {255, 255, 255}, {}},
        {ItemKind::Ingredient, "Anchovies", "gfx/ingredients/anchovies", {255, 255, 255}, {}},
        {ItemKind::Ingredient, "Sausage", "gfx/ingredients/sausage", {255, 255, 255}, {}},
        {ItemKind::Order, "Order", "gfx/pizza/pizza_Margherita", {255, 255, 255}, {}},
        {ItemKind::Pizza, "Margherita", "gfx/pizza/pizza_Margherita", {0, 255, 0}, {ITEM_BASIL}},
        {ItemKind::Pizza,
         "Marinara",
         "gfx/pizza/pizza_Marinara",
         {0, 255, 255},
         {ITEM_GARLIC, ITEM_OREGANO, ITEM_BASIL}},
        {ItemKind::Pizza, "Cipolla", "gfx/pizza/pizza_Cipolla", {255, 0, 255}, {ITEM_ONIONS}},
        {ItemKind::Pizza,
         "Napoletana",
         "gfx/pizza/pizza_Napoletana",
         {0, 0, 255},
         {ITEM_ANCHOVIES, ITEM_OREGANO}},
        {ItemKind::Pizza, "Viennese", "gfx/pizza/pizza_Viennese", {255, 0, 0}, {ITEM_SAUSAGE, ITEM_OREGANO}},
    };
    if (code < 0 || code >= kItemCodeCount)
        return nullptr;
    return &kItems[code];
}

} // namespace Lumo
