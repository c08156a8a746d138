// Drawings shared by several pictures: pizzas, ingredients and people seen from above.
#pragma once

#include "tools/assetgen/Canvas.h"

namespace AssetGen
{

enum class Pizza
{
    Margherita,
    Marinara,
    Cipolla,
    Napoletana,
    Viennese,
    Dough
};

enum class Ingredient
{
    Basil,
    Oregano,
    Garlic,
    Onions,
    Anchovies,
    Sausage
};

void DrawPizza(Canvas& c, float cx, float cy, float r, Pizza kind);
// An ingredient filling a square of `size` pixels at (x, y).
void DrawIngredient(Canvas& c, float x, float y, float size, Ingredient kind);

struct Look
{
    RGBA shirt, skin, hair;
    bool chefHat = false;
    bool cap = false; // a cap of the shirt's darker shade
    bool longHair = false;
    bool mustache = false;
};

// A person seen from above, centred at (cx, cy), facing along (fx, fy);
// step -1, 0 or 1 puts a foot forward while walking; seated people reach forward.
void DrawPerson(Canvas& c, float cx, float cy, float fx, float fy, const Look& look, int step, bool seated,
                float scale = 1.0f);

} // namespace AssetGen
