// Logos, icons, the level clock and the buttons of the bottom bar.
#include "tools/assetgen/Assets.h"
#include "tools/assetgen/Drawings.h"
#include "tools/assetgen/TextRender.h"
#include "tools/assetgen/Writers.h"

#include <cmath>

namespace AssetGen
{

namespace
{
void BigPizzaLogos(const std::string& root)
{
    // Button faces 100x100: the label is written over the darker middle.
    const Pizza kinds[2] = {Pizza::Margherita, Pizza::Viennese};
    const uint32_t middles[2] = {0x7A1A10, 0x3E2A14};
    for (int i = 0; i < 2; ++i)
    {
        Canvas c(100, 100);
        DrawPizza(c, 50, 50, 47, kinds[i]);
        FillEllipse(c, 50, 50, 40, 22, Hex(middles[i], 0.82f));
        FillRing(c, 50, 50, 46.5f, 48, Hex(0x5A3214));
        SavePicture(root, "gfx/UI/BigPizzaLogo" + std::to_string(i + 1), c, Format::Png);
    }
}

Inside HeartShape(float cx, float cy, float s)
{
    auto left = Circle(cx - s * 0.25f, cy - s * 0.12f, s * 0.27f);
    auto right = Circle(cx + s * 0.25f, cy - s * 0.12f, s * 0.27f);
    auto point =
        Polygon({{cx - s * 0.5f, cy - s * 0.04f}, {cx + s * 0.5f, cy - s * 0.04f}, {cx, cy + s * 0.5f}});
    return [=](float x, float y) { return left(x, y) || right(x, y) || point(x, y); };
}

void FillShape(Canvas& c, const Inside& shape, const RGBA& colour)
{
    Frame f;
    f.cx = c.Width() / 2.0f;
    f.cy = c.Height() / 2.0f;
    c.Fill(
        f, [shape, f](float x, float y) { return shape(x + f.cx, y + f.cy); }, colour,
        std::hypot(f.cx, f.cy) + 1);
}

void Heart(const std::string& root)
{
    // Light, so the bar's tint gives its colour.
    Canvas c(40, 40);
    FillShape(c, HeartShape(20, 21, 38), Hex(0x808080));
    FillShape(c, HeartShape(20, 21, 34), Hex(0xF4F4F4));
    FillEllipse(c, 13, 13, 4, 3, Hex(0xFFFFFF));
    SavePicture(root, "gfx/UI/Heart", c, Format::Png);
}

void Euro(const std::string& root)
{
    // Only an alpha picture: the game makes it a white coin, tinted where it is drawn.
    Canvas c(40, 40);
    FillCircle(c, 20, 20, 19, Hex(0xFFFFFF, 0.75f));
    FillCircle(c, 20, 20, 16.5f, Hex(0xFFFFFF, 1.0f));
    // The euro sign: an open ring with two bars, engraved as fainter alpha.
    Canvas e(40, 40);
    FillRing(e, 21, 20, 7.5f, 11, Hex(0xFFFFFF));
    FillPolygon(e, {{24, 20}, {36, 9}, {36, 31}}, Hex(0x000000, 1.0f));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if (e.At(x, y).r < 0.5f)
                e.At(x, y).a = 0;
    FillBox(e, 6, 16, 16, 2.6f, Hex(0xFFFFFF));
    FillBox(e, 6, 21.4f, 16, 2.6f, Hex(0xFFFFFF));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            c.At(x, y).a *= 1.0f - 0.6f * e.At(x, y).a;
    SavePicture(root, "gfx/UI/Euro", c, Format::AlphaOnly);
}

void MainLogo(const std::string& root, Face& chancery, Face& sans)
{
    Canvas c(600, 300);
    DrawPizza(c, 95, 150, 80, Pizza::Margherita);
    DrawPizza(c, 505, 150, 80, Pizza::Napoletana);
    FillRoundBox(c, 120, 70, 360, 160, 30, Hex(0x5A1008));
    FillRoundBox(c, 124, 74, 352, 152, 27, Hex(0xFFF5E1));
    chancery.SetSize(96);
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
            if (dx * dx + dy * dy <= 9)
                chancery.Draw(c, 300 + dx, 170 + dy, "Crustavia", Hex(0x5A1008), Face::Centre);
    chancery.Draw(c, 300, 170, "Crustavia", Hex(0xD62E1F), Face::Centre);
    sans.SetSize(22);
    sans.Draw(c, 300, 212, "P I Z Z A   K I T C H E N", Hex(0x2E7D32), Face::Centre);
    FillBox(c, 170, 190, 86, 4, Hex(0x2E7D32));
    FillBox(c, 257, 190, 86, 4, Hex(0xF4F4F4));
    FillBox(c, 344, 190, 86, 4, Hex(0xC62828));
    SavePicture(root, "gfx/UI/MainLogo", c, Format::JpgAlphaAfter);
}

void GrayLogo(const std::string& root)
{
    // A light pizza emblem, drawn faintly tinted behind the screens. It is half transparent
    // itself, so it stays a watermark where a stretched draw leaves the tint out.
    Canvas c(200, 200);
    const RGBA light = Hex(0xE8E8E8), mid = Hex(0xC8C8C8);
    FillRing(c, 100, 100, 80, 94, light);
    FillCircle(c, 100, 100, 74, mid);
    for (int i = 0; i < 6; ++i)
    {
        float a = i * 1.0472f + 0.26f;
        Line(c, 100, 100, 100 + std::cos(a) * 76, 100 + std::sin(a) * 76, 5, Hex(0xFFFFFF));
    }
    Rng rng(31);
    for (int i = 0; i < 14; ++i)
    {
        float a = rng.Range(0, 6.283f), d = rng.Range(15, 62);
        FillCircle(c, 100 + std::cos(a) * d, 100 + std::sin(a) * d, rng.Range(6, 10), light);
    }
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            c.At(x, y).a *= 0.55f;
    SavePicture(root, "gfx/UI/GrayLogo", c, Format::Png);
}

void PizzaTimer(const std::string& root)
{
    // One oval pizza of 200x100 cut into quarters; the clock's time is written over its middle.
    Canvas round(100, 100);
    DrawPizza(round, 50, 50, 48, Pizza::Viennese);
    Canvas c = Stretch(round, 200, 100);
    FillEllipse(c, 100, 50, 44, 22, Hex(0xFFF3D6, 0.92f));
    Line(c, 100, 1, 100, 99, 2.5f, Hex(0x5A3214, 0.9f));
    Line(c, 3, 50, 197, 50, 2.5f, Hex(0x5A3214, 0.9f));
    // Quarter 1 top right, 2 bottom right, 3 bottom left, 4 top left.
    const int at[4][2] = {{100, 0}, {100, 50}, {0, 50}, {0, 0}};
    for (int k = 0; k < 4; ++k)
        SavePicture(root, "gfx/UI/PizzaTimer" + std::to_string(k + 1), c.Crop(at[k][0], at[k][1], 100, 50),
                    Format::Png);
}

void BarButtons(const std::string& root)
{
    const RGBA ink = Hex(0x3A1010);
    auto face = [](Canvas& c)
    {
        FillCircle(c, 12.5f, 12.5f, 12.4f, Hex(0x5A1010));
        FillCircle(c, 12.5f, 12.5f, 11.2f, Hex(0xF3E3C3));
        FillEllipse(c, 12.5f, 9, 8, 5, Hex(0xFFFFFF, 0.5f));
    };
    auto speaker = [&](Canvas& c)
    {
        FillBox(c, 5, 10, 4, 5, ink);
        FillPolygon(c, {{8, 10}, {13, 6}, {13, 19}, {8, 15}}, ink);
    };
    auto save = [&](const char* name, Canvas& c)
    { SavePicture(root, std::string("gfx/UI/") + name, c, Format::Gif); };

    Canvas menu(25, 25);
    face(menu);
    FillPolygon(menu, {{12.5f, 5}, {20, 12}, {5, 12}}, ink);
    FillBox(menu, 7, 12, 11, 7, ink);
    FillBox(menu, 11, 14, 3, 5, Hex(0xF3E3C3));
    save("MainMenuBtnDown", menu);

    Canvas pause(25, 25);
    face(pause);
    FillBox(pause, 8, 7, 3.5f, 11, ink);
    FillBox(pause, 13.5f, 7, 3.5f, 11, ink);
    save("PauseBtnDown", pause);

    Canvas resume(25, 25);
    face(resume);
    FillPolygon(resume, {{9, 6.5f}, {18.5f, 12.5f}, {9, 18.5f}}, ink);
    save("ResumeBtnDown", resume);

    // Four corner arrows: pointing out for full screen, in for a window.
    auto corners = [&](const char* name, float tip, float base, float from, float to)
    {
        Canvas c(25, 25);
        face(c);
        for (int k = 0; k < 4; ++k)
        {
            float sx = k % 2 ? 1 : -1, sy = k / 2 ? 1 : -1;
            FillPolygon(c,
                        {{12.5f + sx * tip, 12.5f + sy * tip},
                         {12.5f + sx * base, 12.5f + sy * tip},
                         {12.5f + sx * tip, 12.5f + sy * base}},
                        ink);
            Line(c, 12.5f + sx * from, 12.5f + sy * from, 12.5f + sx * to, 12.5f + sy * to, 1.6f, ink);
        }
        save(name, c);
    };
    corners("FullscreenBtnDown", 8, 3, 2, 6.5f);
    corners("WindowedBtnDown", 2, 7, 4, 8.5f);

    Canvas mute(25, 25);
    face(mute);
    speaker(mute);
    FillRing(mute, 12, 12.5f, 3.5f, 5, Hex(0x3A1010));
    FillRing(mute, 12, 12.5f, 6.5f, 8, Hex(0x3A1010));
    FillBox(mute, 5, 3, 9.5f, 19, Hex(0xF3E3C3));
    speaker(mute);
    save("MuteBtnDown", mute);

    Canvas unmute(25, 25);
    face(unmute);
    speaker(unmute);
    Line(unmute, 15, 9, 20, 16, 2, Hex(0xC62828));
    Line(unmute, 20, 9, 15, 16, 2, Hex(0xC62828));
    save("UnmuteBtnDown", unmute);
}

// The program's icon, the window's picture on the desktop: not loaded at run time but built into
// the program as its icon resource.
void WindowIcon(const std::string& root)
{
    Canvas c(64, 64);
    DrawPizza(c, 32, 32, 30, Pizza::Margherita);
    FillRing(c, 32, 32, 29.5f, 31.5f, Hex(0x5A3214));
    WriteBMP(root + "/icon/main_icon.bmp", c);
}
} // namespace

void MakeInterfacePictures(const std::string& root, const FontFiles& fonts)
{
    Face chancery(fonts.chancery, 0.02f);
    Face sans(fonts.sans);
    BigPizzaLogos(root);
    Heart(root);
    Euro(root);
    MainLogo(root, chancery, sans);
    GrayLogo(root);
    PizzaTimer(root);
    BarButtons(root);
    WindowIcon(root);
}

} // namespace AssetGen
