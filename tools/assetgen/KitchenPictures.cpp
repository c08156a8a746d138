// The floor, the kitchen objects, tables and chairs, ingredients and pizzas.
#include "tools/assetgen/Assets.h"
#include "tools/assetgen/Drawings.h"
#include "tools/assetgen/Writers.h"

#include <cmath>

namespace AssetGen
{

namespace
{
void Tile(const std::string& root)
{
    Canvas c(50, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x)
        {
            bool dark = ((x / 25) + (y / 25)) % 2 == 1;
            float n = Noise(x * 0.35f, y * 0.35f, dark ? 3 : 4) * 0.08f - 0.04f;
            RGBA base = dark ? Hex(0xC98A63) : Hex(0xEDE2CB);
            c.At(x, y) = Shade(base, 1.0f + n);
            if (x % 25 == 0 || y % 25 == 0 || x % 25 == 24 || y % 25 == 24)
                c.At(x, y) = Mix(c.At(x, y), Hex(0x9C9388), 0.45f);
        }
    SavePicture(root, "gfx/tile/tile", c, Format::Jpg);
}

void Oven(const std::string& root)
{
    Canvas c(50, 50);
    FillRoundBox(c, 1, 1, 48, 48, 5, Hex(0x3B3B40));
    FillRoundBox(c, 3, 3, 44, 44, 4, Hex(0x5C5F66));
    // Brick dome around the baking chamber.
    FillCircle(c, 25, 25, 21, Hex(0x9C3B22));
    for (int i = 0; i < 12; ++i)
    {
        float a = i * 0.5236f;
        Line(c, 25 + std::cos(a) * 15, 25 + std::sin(a) * 15, 25 + std::cos(a) * 21, 25 + std::sin(a) * 21,
             0.8f, Hex(0x5E2314));
    }
    FillRing(c, 25, 25, 17.5f, 18.3f, Hex(0x5E2314));
    FillCircle(c, 25, 25, 16, Hex(0x231A17));
    // Embers glowing at the back of the chamber, on the side away from the door.
    FillEllipse(c, 37, 25, 4, 10, Hex(0xF08A24, 0.8f));
    FillEllipse(c, 38, 25, 2, 6, Hex(0xFFD25A, 0.9f));
    // The door faces the cook, to the left.
    FillBox(c, 1, 17, 7, 16, Hex(0x231A17));
    FillBox(c, 1, 16, 2, 18, Hex(0x9A9DA3));
    FillCircle(c, 6, 6, 2.5f, Hex(0xD8D8D8));
    FillCircle(c, 6, 44, 2.5f, Hex(0xD8D8D8));
    SavePicture(root, "gfx/objects/oven", c, Format::Png);
}

void Table(const std::string& root)
{
    Canvas c(50, 50);
    FillRoundBox(c, 4, 5, 43, 43, 6, Hex(0x000000, 0.25f));
    FillRoundBox(c, 3, 3, 44, 44, 6, Hex(0xFFFFFF));
    // Red check tablecloth.
    for (int y = 3; y < 47; ++y)
        for (int x = 3; x < 47; ++x)
        {
            if (c.At(x, y).a < 0.5f)
                continue;
            bool bx = ((x - 3) / 6) % 2 == 0, by = ((y - 3) / 6) % 2 == 0;
            float red = (bx ? 0.5f : 0.0f) + (by ? 0.5f : 0.0f);
            c.At(x, y) = Mix(Hex(0xFFF8F0), Hex(0xC62828), red);
        }
    FillCircle(c, 25, 25, 6, Hex(0xFFFFFF));
    FillCircle(c, 25, 25, 3, Hex(0xE7C75A));
    SavePicture(root, "gfx/objects/table", c, Format::Png);
}

void PrepTable(const std::string& root)
{
    Canvas c(50, 50);
    FillBox(c, 0, 0, 50, 50, Hex(0x8F959C));
    FillBox(c, 2, 2, 46, 46, Hex(0xC3C8CE));
    for (int y = 2; y < 48; ++y)
        for (int x = 2; x < 48; ++x)
            c.At(x, y) = Shade(c.At(x, y), 0.94f + 0.1f * Noise(x * 0.05f, y * 1.5f, 21));
    // Wooden board with flour dust.
    FillRoundBox(c, 6, 6, 38, 38, 4, Hex(0x9B6A3C));
    FillRoundBox(c, 7, 7, 36, 36, 3, Hex(0xC8925A));
    for (int y = 7; y < 43; ++y)
        for (int x = 7; x < 43; ++x)
            c.At(x, y) = Shade(c.At(x, y), 0.9f + 0.18f * Noise(x * 0.1f, y * 0.9f, 22));
    Rng rng(23);
    for (int i = 0; i < 30; ++i)
        FillCircle(c, rng.Range(10, 40), rng.Range(10, 40), rng.Range(0.6f, 1.6f), Hex(0xFFFFFF, 0.55f));
    SavePicture(root, "gfx/objects/preptable", c, Format::Png);
}

void Fridge(const std::string& root)
{
    // A chest fridge seen from above: six bins of ingredients under glass.
    Canvas c(150, 50);
    FillBox(c, 0, 0, 150, 50, Hex(0xD9DEE3));
    FillRoundBox(c, 2, 2, 146, 46, 4, Hex(0xF2F4F6));
    const Ingredient bins[6] = {Ingredient::Basil,  Ingredient::Oregano,   Ingredient::Garlic,
                                Ingredient::Onions, Ingredient::Anchovies, Ingredient::Sausage};
    for (int i = 0; i < 6; ++i)
    {
        float x = 5 + i * 23.5f;
        FillRoundBox(c, x, 6, 22, 30, 2, Hex(0x8AA3B5));
        FillRoundBox(c, x + 1, 7, 20, 28, 2, Hex(0xDCE8F0));
        DrawIngredient(c, x + 1, 9, 20, bins[i]);
        DrawIngredient(c, x + 3, 15, 18, bins[i]);
    }
    // Glass sheen and the handle rail.
    FillPolygon(c, {{10, 6}, {30, 6}, {14, 36}, {0, 36}}, Hex(0xFFFFFF, 0.22f));
    FillPolygon(c, {{80, 6}, {92, 6}, {78, 36}, {66, 36}}, Hex(0xFFFFFF, 0.22f));
    FillRoundBox(c, 8, 39, 134, 6, 3, Hex(0x7E8A94));
    FillRoundBox(c, 9, 40, 132, 3, 2, Hex(0xB9C3CC));
    SavePicture(root, "gfx/objects/fridge", c, Format::Jpg);
}

void Trash(const std::string& root)
{
    Canvas c(50, 50);
    FillCircle(c, 26, 27, 21, Hex(0x000000, 0.3f));
    FillCircle(c, 25, 25, 21, Hex(0x4D5A52));
    FillCircle(c, 25, 25, 19, Hex(0x6F8276));
    for (int i = 0; i < 16; ++i)
    {
        float a = i * 0.3927f;
        Line(c, 25 + std::cos(a) * 12, 25 + std::sin(a) * 12, 25 + std::cos(a) * 18.5f,
             25 + std::sin(a) * 18.5f, 1.0f, Hex(0x56655B));
    }
    FillCircle(c, 25, 25, 11, Hex(0x8DA195));
    FillRoundBox(c, 17, 22, 16, 6, 3, Hex(0x2F3833));
    FillRoundBox(c, 18, 23, 14, 3, 2, Hex(0xA9B8AE));
    SavePicture(root, "gfx/objects/trashcan", c, Format::Png);
}

void Chairs(const std::string& root)
{
    // Side 0 stands above its table, 1 right of it, 2 below, 3 left: the back is away from the table.
    for (int side = 0; side < 4; ++side)
    {
        Canvas c(50, 50);
        Frame f;
        f.cx = 25;
        f.cy = 25;
        f.angle = side * 1.5708f; // the back towards -y for side 0
        c.Fill(f, RoundBox(-15, -13, 30, 30, 5), Hex(0x5B3A1E), 26);
        c.Fill(f, RoundBox(-13, -11, 26, 26, 4), Hex(0xA86F3C), 26);
        c.Fill(f, RoundBox(-17, -19, 34, 8, 3), Hex(0x5B3A1E), 26);
        c.Fill(f, RoundBox(-16, -18, 32, 5, 2), Hex(0x8A5A30), 26);
        c.Fill(f, RoundBox(-9, -6, 18, 18, 4), Hex(0xC0392B), 26);
        SavePicture(root, "gfx/objects/chair/chair" + std::to_string(side), c, Format::Gif);
    }
}

void Ingredients(const std::string& root)
{
    const char* names[6] = {"basil", "oregano", "garlic", "onions", "anchovies", "sausage"};
    const Ingredient kinds[6] = {Ingredient::Basil,  Ingredient::Oregano,   Ingredient::Garlic,
                                 Ingredient::Onions, Ingredient::Anchovies, Ingredient::Sausage};
    for (int i = 0; i < 6; ++i)
    {
        Canvas c(25, 25);
        DrawIngredient(c, 0, 0, 25, kinds[i]);
        SavePicture(root, std::string("gfx/ingredients/") + names[i], c, Format::Gif);
    }
    Canvas dough(30, 30);
    DrawPizza(dough, 15, 15, 14, Pizza::Dough);
    SavePicture(root, "gfx/ingredients/pizzadough", dough, Format::Gif);
}

void Pizzas(const std::string& root)
{
    const char* names[5] = {"Margherita", "Marinara", "Cipolla", "Napoletana", "Viennese"};
    for (int i = 0; i < 5; ++i)
    {
        Canvas c(30, 30);
        DrawPizza(c, 15, 15, 14, Pizza(i));
        SavePicture(root, std::string("gfx/pizza/pizza_") + names[i], c, Format::Png);
    }
}
} // namespace

void MakeKitchenPictures(const std::string& root)
{
    Tile(root);
    Oven(root);
    Table(root);
    PrepTable(root);
    Fridge(root);
    Trash(root);
    Chairs(root);
    Ingredients(root);
    Pizzas(root);
}

} // namespace AssetGen
