#include "tools/assetgen/Drawings.h"

#include <cmath>

namespace AssetGen
{

namespace
{
const RGBA kCrust = Hex(0xD9A05B), kCrustDark = Hex(0xB5763A), kSauce = Hex(0xC8321E);
const RGBA kCheese = Hex(0xF6E3A1), kBasil = Hex(0x2E8B2E), kOregano = Hex(0x4B5E23);

void Leaf(Canvas& c, float cx, float cy, float len, float angle, const RGBA& colour)
{
    Frame f;
    f.cx = cx;
    f.cy = cy;
    f.angle = angle;
    c.Fill(f, Ellipse(0, 0, len * 0.28f, len * 0.5f), colour, len);
    c.Fill(f, Segment(0, -len * 0.42f, 0, len * 0.42f, std::max(0.35f, len * 0.03f)), Shade(colour, 0.6f),
           len);
}

void Specks(Canvas& c, float cx, float cy, float r, int count, const RGBA& colour, float size, uint32_t seed)
{
    Rng rng(seed);
    for (int i = 0; i < count; ++i)
    {
        float a = rng.Range(0, 6.2832f), d = std::sqrt(rng.Unit()) * r;
        FillCircle(c, cx + std::cos(a) * d, cy + std::sin(a) * d, size, colour);
    }
}

// Points spread evenly around the centre (a sunflower pattern), scaled to radius r.
Point Spread(int i, int n, float r)
{
    float a = i * 2.39996f + 0.4f, d = r * std::sqrt((i + 0.5f) / n);
    return {std::cos(a) * d, std::sin(a) * d};
}
} // namespace

void DrawPizza(Canvas& c, float cx, float cy, float r, Pizza kind)
{
    FillCircle(c, cx + r * 0.04f, cy + r * 0.06f, r, Hex(0x000000, 0.25f));
    FillCircle(c, cx, cy, r, kCrustDark);
    FillCircle(c, cx, cy, r * 0.95f, kCrust);
    if (kind == Pizza::Dough)
    {
        FillCircle(c, cx, cy, r * 0.95f, Hex(0xEAD9B4));
        FillCircle(c, cx, cy, r * 0.8f, Hex(0xF3E7CB));
        Specks(c, cx, cy, r * 0.75f, 14, Hex(0xFFFFFF, 0.8f), r * 0.05f, 7);
        return;
    }
    FillCircle(c, cx, cy, r * 0.8f, kSauce);
    const float ir = r * 0.68f;
    switch (kind)
    {
    case Pizza::Margherita:
        for (int i = 0; i < 6; ++i)
        {
            Point p = Spread(i, 6, ir);
            FillCircle(c, cx + p.x, cy + p.y, r * 0.2f, Hex(0xFBF6E6));
        }
        for (int i = 0; i < 4; ++i)
        {
            Point p = Spread(i + 7, 11, ir);
            Leaf(c, cx + p.x, cy + p.y, r * 0.3f, i * 1.7f, kBasil);
        }
        break;
    case Pizza::Marinara:
        for (int i = 0; i < 7; ++i)
        {
            Point p = Spread(i, 7, ir);
            FillEllipse(c, cx + p.x, cy + p.y, r * 0.1f, r * 0.07f, Hex(0xF7F0DC));
        }
        Specks(c, cx, cy, ir, 16, kOregano, r * 0.04f, 11);
        Leaf(c, cx, cy, r * 0.3f, 0.6f, kBasil);
        break;
    case Pizza::Cipolla:
        FillCircle(c, cx, cy, r * 0.74f, kCheese);
        for (int i = 0; i < 6; ++i)
        {
            Point p = Spread(i, 6, ir * 0.9f);
            FillRing(c, cx + p.x, cy + p.y, r * 0.11f, r * 0.19f, Hex(0xB45AA8));
            FillRing(c, cx + p.x, cy + p.y, r * 0.05f, r * 0.09f, Hex(0xE8C6E0));
        }
        break;
    case Pizza::Napoletana:
        FillCircle(c, cx, cy, r * 0.74f, kCheese);
        for (int i = 0; i < 5; ++i)
        {
            Point p = Spread(i, 5, ir * 0.85f);
            Frame f;
            f.cx = cx + p.x;
            f.cy = cy + p.y;
            f.angle = i * 1.3f;
            c.Fill(f, Ellipse(0, 0, r * 0.06f, r * 0.22f), Hex(0x7C8A99), r);
            c.Fill(f, Ellipse(0, 0, r * 0.025f, r * 0.18f), Hex(0x9E5B4A), r);
        }
        Specks(c, cx, cy, ir, 12, kOregano, r * 0.04f, 13);
        break;
    case Pizza::Viennese:
        FillCircle(c, cx, cy, r * 0.74f, kCheese);
        for (int i = 0; i < 6; ++i)
        {
            Point p = Spread(i, 6, ir * 0.9f);
            FillCircle(c, cx + p.x, cy + p.y, r * 0.17f, Hex(0x8E3B2C));
            FillCircle(c, cx + p.x, cy + p.y, r * 0.13f, Hex(0xC46A5A));
            FillCircle(c, cx + p.x - r * 0.04f, cy + p.y - r * 0.03f, r * 0.03f, Hex(0xF0D0C0));
        }
        Specks(c, cx, cy, ir, 12, kOregano, r * 0.04f, 17);
        break;
    default:
        break;
    }
}

void DrawIngredient(Canvas& c, float x, float y, float s, Ingredient kind)
{
    float cx = x + s / 2, cy = y + s / 2;
    switch (kind)
    {
    case Ingredient::Basil:
        Leaf(c, cx - s * 0.14f, cy + s * 0.02f, s * 0.62f, -0.5f, Hex(0x2F9A35));
        Leaf(c, cx + s * 0.16f, cy - s * 0.04f, s * 0.56f, 0.55f, Hex(0x3FB548));
        Line(c, cx, cy + s * 0.22f, cx, cy + s * 0.45f, s * 0.07f, Hex(0x2A6B1F));
        break;
    case Ingredient::Oregano:
        Line(c, cx - s * 0.3f, cy + s * 0.38f, cx + s * 0.25f, cy - s * 0.38f, s * 0.06f, Hex(0x5A4A2A));
        for (int i = 0; i < 5; ++i)
        {
            float t = 0.15f + i * 0.17f;
            float px = cx - s * 0.3f + s * 0.55f * t, py = cy + s * 0.38f - s * 0.76f * t;
            FillEllipse(c, px - s * 0.12f, py, s * 0.1f, s * 0.07f, Hex(0x55702B));
            FillEllipse(c, px + s * 0.12f, py + s * 0.02f, s * 0.1f, s * 0.07f, Hex(0x66843A));
        }
        break;
    case Ingredient::Garlic:
        FillEllipse(c, cx, cy + s * 0.06f, s * 0.38f, s * 0.34f, Hex(0xF4EEE4));
        for (float dx : {-0.18f, 0.0f, 0.18f})
            Line(c, cx + s * dx, cy - s * 0.18f, cx + s * dx * 1.3f, cy + s * 0.34f, s * 0.035f,
                 Hex(0xC9B8C8));
        FillEllipse(c, cx, cy - s * 0.3f, s * 0.08f, s * 0.14f, Hex(0xE6DCCF));
        FillEllipse(c, cx + s * 0.1f, cy + s * 0.1f, s * 0.08f, s * 0.12f, Hex(0xFFFFFF, 0.6f));
        break;
    case Ingredient::Onions:
        FillCircle(c, cx, cy, s * 0.42f, Hex(0x7A2660));
        for (int i = 0; i < 4; ++i)
        {
            float r = s * (0.36f - i * 0.085f);
            FillCircle(c, cx, cy, r, Hex(0xF0DCEB));
            FillCircle(c, cx, cy, r - s * 0.035f, Hex(0xB45AA8));
        }
        FillCircle(c, cx, cy, s * 0.05f, Hex(0xF0DCEB));
        break;
    case Ingredient::Anchovies:
        for (int i = 0; i < 2; ++i)
        {
            Frame f;
            f.cx = cx + (i ? s * 0.05f : -s * 0.05f);
            f.cy = cy + (i ? s * 0.16f : -s * 0.16f);
            f.angle = 1.571f + (i ? 0.2f : -0.15f);
            float L = s * 0.4f;
            c.Fill(f, Ellipse(0, 0, s * 0.1f, L * 0.85f), Hex(0x6F8597), s);
            c.Fill(f, Polygon({{0, L * 0.75f}, {-s * 0.12f, L * 1.05f}, {s * 0.12f, L * 1.05f}}),
                   Hex(0x5B6E80), s);
            c.Fill(f, Ellipse(s * 0.03f, 0, s * 0.03f, L * 0.7f), Hex(0xC7D3DD), s);
            c.Fill(f, Circle(0, -L * 0.6f, s * 0.025f), Hex(0x101820), s);
        }
        break;
    case Ingredient::Sausage:
    {
        Frame f;
        f.cx = cx;
        f.cy = cy;
        f.angle = 0.6f;
        c.Fill(f, Segment(0, -s * 0.3f, 0, s * 0.3f, s * 0.17f), Hex(0x8E3B2C), s);
        c.Fill(f, Segment(-s * 0.06f, -s * 0.25f, -s * 0.06f, s * 0.22f, s * 0.04f), Hex(0xC9806D), s);
        FillCircle(c, cx + s * 0.3f, cy + s * 0.28f, s * 0.13f, Hex(0x8E3B2C));
        FillCircle(c, cx + s * 0.3f, cy + s * 0.28f, s * 0.1f, Hex(0xD9897A));
        break;
    }
    }
}

void DrawPerson(Canvas& c, float cx, float cy, float fx, float fy, const Look& look, int step, bool seated,
                float scale)
{
    Frame f;
    f.cx = cx;
    f.cy = cy;
    f.angle = std::atan2(-fx, fy);
    f.scale = scale;
    const float R = 26;
    const RGBA shirtDark = Shade(look.shirt, 0.7f);
    const RGBA outline = Hex(0x000000, 0.35f);
    // Feet and legs: forward is +y.
    if (!seated)
    {
        float l = step * 7.0f;
        c.Fill(f, Ellipse(-6, l, 4, 6), Hex(0x2B2B2B), R);
        c.Fill(f, Ellipse(6, -l, 4, 6), Hex(0x2B2B2B), R);
    }
    // Arms: seated people rest them forward on the table; walkers swing them.
    float swingL = seated ? 8 : -step * 6.0f, swingR = seated ? 8 : step * 6.0f;
    c.Fill(f, Segment(-15, 0, -15 + (seated ? 4 : 0), 6 + swingL, 4.2f), outline, R);
    c.Fill(f, Segment(15, 0, 15 - (seated ? 4 : 0), 6 + swingR, 4.2f), outline, R);
    c.Fill(f, Segment(-15, 0, -15 + (seated ? 4 : 0), 6 + swingL, 3.4f), shirtDark, R);
    c.Fill(f, Segment(15, 0, 15 - (seated ? 4 : 0), 6 + swingR, 3.4f), shirtDark, R);
    c.Fill(f, Circle(-15 + (seated ? 4 : 0), 7 + swingL + 2, 3.2f), look.skin, R);
    c.Fill(f, Circle(15 - (seated ? 4 : 0), 7 + swingR + 2, 3.2f), look.skin, R);
    // Shoulders.
    c.Fill(f, Ellipse(0, 0, 17.5f, 10.5f), outline, R);
    c.Fill(f, Ellipse(0, 0, 16.5f, 9.5f), look.shirt, R);
    c.Fill(f, Ellipse(0, -2, 12, 5.5f), Shade(look.shirt, 1.15f), R);
    if (look.chefHat)
    {
        // Buttons of the white jacket.
        c.Fill(f, Circle(-4, 6, 1.2f), Hex(0x9A9A9A), R);
        c.Fill(f, Circle(4, 6, 1.2f), Hex(0x9A9A9A), R);
    }
    // Head, with the nose and face towards +y.
    if (look.longHair)
        c.Fill(f, Ellipse(0, -5, 10.5f, 9.5f), look.hair, R);
    c.Fill(f, Circle(0, 0, 9.5f), outline, R);
    c.Fill(f, Circle(0, 0, 8.8f), look.skin, R);
    c.Fill(f, Circle(0, 8.2f, 2.2f), Shade(look.skin, 0.85f), R);
    if (look.mustache)
    {
        c.Fill(f, Ellipse(-3, 7.2f, 3.4f, 1.6f), Hex(0x3A2314), R);
        c.Fill(f, Ellipse(3, 7.2f, 3.4f, 1.6f), Hex(0x3A2314), R);
    }
    if (look.chefHat)
    {
        // The hat sits back on the head so the face and moustache show in front.
        c.Fill(f, Both(Circle(0, 0, 8.9f), [](float, float y) { return y < 2.0f; }), look.hair, R);
        c.Fill(f, Circle(0, -3.5f, 8.6f), Hex(0xB8B8B8), R);
        c.Fill(f, Circle(0, -3.5f, 8.0f), Hex(0xFFFFFF), R);
        c.Fill(f, Circle(-3.2f, -5.5f, 3.2f), Hex(0xEDEDED), R);
        c.Fill(f, Circle(3.2f, -5.5f, 3.2f), Hex(0xEDEDED), R);
        c.Fill(f, Circle(0, -1.5f, 3.2f), Hex(0xF4F4F4), R);
    }
    else if (look.cap)
    {
        c.Fill(f, Circle(0, -1, 8.6f), shirtDark, R);
        c.Fill(f, Ellipse(0, 6.5f, 6.5f, 3.5f), Shade(shirtDark, 0.8f), R);
    }
    else
    {
        // Hair covers the back and crown of the head.
        c.Fill(f, Both(Circle(0, 0, 8.9f), [](float, float y) { return y < 3.0f; }), look.hair, R);
        c.Fill(f, Ellipse(0, -3, 5, 3), Shade(look.hair, 1.25f), R);
    }
}

} // namespace AssetGen
