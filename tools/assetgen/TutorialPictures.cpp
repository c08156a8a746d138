// The three tutorial pages: a parchment panel with words and pictures over
// the upper part of the screen; the rest is transparent for the buttons.
#include "tools/assetgen/Assets.h"
#include "tools/assetgen/Drawings.h"
#include "tools/assetgen/TextRender.h"
#include "tools/assetgen/Writers.h"

namespace AssetGen
{

namespace
{
const RGBA kInk = Hex(0x2B1B0E), kTitle = Hex(0xA3231A);

struct Page
{
    Canvas canvas{800, 600};
    Face& chancery;
    Face& sans;
    const std::string& root;

    Page(Face& ch, Face& sa, const std::string& r, const std::string& title) : chancery(ch), sans(sa), root(r)
    {
        FillRoundBox(canvas, 20, 12, 760, 478, 24, Hex(0x6B4B2A));
        FillRoundBox(canvas, 24, 16, 752, 470, 21, Hex(0xF7EBCF));
        for (int y = 16; y < 486; ++y)
            for (int x = 24; x < 776; ++x)
                if (canvas.At(x, y).a > 0.99f)
                    canvas.At(x, y) = Shade(canvas.At(x, y), 0.95f + 0.07f * Noise(x * 0.02f, y * 0.02f, 41));
        chancery.SetSize(54);
        chancery.Draw(canvas, 400, 68, title, kTitle, Face::Centre);
        Line(canvas, 200, 84, 600, 84, 2, Hex(0xA3231A, 0.6f));
    }
    float Text(float x, float y, float width, const std::string& text, float size = 18)
    {
        sans.SetSize(size);
        return sans.Paragraph(canvas, x, y, width, size * 1.3f, text, kInk);
    }
    void Label(float x, float y, const std::string& text, float size = 16, Face::Align align = Face::Centre)
    {
        sans.SetSize(size);
        sans.Draw(canvas, x, y, text, kInk, align);
    }
    // `tint` multiplies the colours, as the game tints its light icons.
    void Picture(const std::string& name, float x, float y, float scale = 1, RGBA tint = {1, 1, 1, 1})
    {
        Canvas p = LoadPicture(root, name);
        if (scale != 1)
            p = Stretch(p, int(p.Width() * scale), int(p.Height() * scale));
        for (int j = 0; j < p.Height(); ++j)
            for (int i = 0; i < p.Width(); ++i)
            {
                RGBA& q = p.At(i, j);
                q = {q.r * tint.r, q.g * tint.g, q.b * tint.b, q.a};
            }
        canvas.Draw(p, int(x), int(y));
    }
};

void PageOne(const std::string& root, Face& chancery, Face& sans)
{
    Page p(chancery, sans, root, "Welcome to Crustavia!");
    // A table with its guests, drawn from the game's own pictures.
    float tx = 70, ty = 110;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            p.Picture("gfx/tile/tile", tx + c * 50, ty + r * 50);
    p.Picture("gfx/objects/table", tx + 50, ty + 50);
    const int chairAt[4][2] = {{1, 0}, {2, 1}, {1, 2}, {0, 1}};
    for (int side = 0; side < 4; ++side)
    {
        p.Picture("gfx/objects/chair/chair" + std::to_string(side), tx + chairAt[side][0] * 50,
                  ty + chairAt[side][1] * 50);
        if (side != 2)
            p.Picture("gfx/customer/" + std::to_string(side + 2) + "/cust" + std::to_string(side),
                      tx + chairAt[side][0] * 50, ty + chairAt[side][1] * 50);
    }
    p.Label(tx + 75, ty + 172, "Guests at a table");
    p.Text(260, 125, 490,
           "You are the cook of a busy little pizzeria. Guests come in groups of one to four and sit down at "
           "one of the four tables. They choose, order pizzas, eat, and ask for the check.");
    p.Text(260, 225, 490,
           "Click a kitchen object or a table and the cook walks there; the job is done when he arrives. "
           "A right click on a prep table throws away the pizza it is still making.");
    p.Picture("gfx/lorenzo/idle/lorenzo0", 95, 320, 2);
    p.Label(145, 440, "Your cook");
    p.Picture("gfx/UI/Heart", 262, 318, 1, Hex(0xFFBEBE));
    p.Text(312, 335, 440,
           "Good and fast service makes the guests happy. Each level lasts two minutes: fill the happiness "
           "bar up to the GOAL, never let it fall below DANGER, and keep some money.");
    p.Text(312, 440, 440, "Pass 10 levels to win the Pizza Serving Competition!", 20);
    SavePicture(root, "gfx/tutorial/tut1", p.canvas, Format::JpgAlphaBefore);
}

void PageTwo(const std::string& root, Face& chancery, Face& sans)
{
    Page p(chancery, sans, root, "Making Pizzas");
    p.Picture("gfx/objects/fridge", 50, 110);
    p.Text(220, 125, 540,
           "1. Point at the fridge and pick an ingredient. Each one costs 1 Euro. The cook's tray holds four "
           "things; the trash can takes the top one away.");
    p.Picture("gfx/objects/preptable", 100, 195);
    p.Text(220, 212, 540,
           "2. Point at a prep table and choose a pizza. The table shows the ingredients it still needs: "
           "bring them and it makes a raw pizza.");
    p.Picture("gfx/objects/oven", 100, 262);
    p.Text(220, 282, 540,
           "3. Put the raw pizza in an oven. When the bell rings two seconds later, take the baked pizza.");

    const char* names[5] = {"Margherita", "Marinara", "Cipolla", "Napoletana", "Viennese"};
    const std::vector<std::vector<std::string>> recipes = {{"basil"},
                                                           {"garlic", "oregano", "basil"},
                                                           {"onions"},
                                                           {"anchovies", "oregano"},
                                                           {"sausage", "oregano"}};
    for (int i = 0; i < 5; ++i)
    {
        float x = 45 + i * 146, y = 330;
        FillRoundBox(p.canvas, x, y, 136, 140, 10, Hex(0xFFFFFF, 0.55f));
        p.Picture(std::string("gfx/pizza/pizza_") + names[i], x + 38, y + 6, 2);
        p.Label(x + 68, y + 88, names[i], 17);
        float w = recipes[size_t(i)].size() * 28.0f;
        for (size_t k = 0; k < recipes[size_t(i)].size(); ++k)
            p.Picture("gfx/ingredients/" + recipes[size_t(i)][k], x + 68 - w / 2 + k * 28 + 1, y + 100);
    }
    SavePicture(root, "gfx/tutorial/tut2", p.canvas, Format::JpgAlphaBefore);
}

void PageThree(const std::string& root, Face& chancery, Face& sans)
{
    Page p(chancery, sans, root, "Serving and the Check");
    p.Picture("gfx/customer/1/cust0", 60, 110, 1.6f);
    FillBox(p.canvas, 76, 126, 48, 48, Hex(0x00FF00, 0.6f));
    p.Picture("gfx/pizza/pizza_Margherita", 76, 126, 1.6f);
    p.Text(170, 128, 590,
           "Guests think for a moment, then bubbles show what they want. Bring the baked pizzas to their "
           "table: serving several at once earns a combo.");
    p.Text(
        170, 208, 590,
        "A waiting table turns red. Wait too long and the guests walk out, and happiness drops. An unbaked "
        "pizza served by mistake also costs happiness.");
    p.Picture("gfx/UI/Euro", 80, 280, 1.5f, Hex(0xE0B000));
    p.Text(
        170, 300, 590,
        "When they have eaten they call \"Check Please!\": click the table to collect the money. The faster "
        "they were served, the more they pay.");
    p.Text(70, 390, 680,
           "The bottom bar shows happiness with its GOAL and DANGER lines, your money and the level's clock. "
           "Its buttons: main menu, pause (or the space bar), full screen, sound.",
           17);
    const char* buttons[4] = {"MainMenuBtnDown", "PauseBtnDown", "FullscreenBtnDown", "MuteBtnDown"};
    for (int i = 0; i < 4; ++i)
        p.Picture(std::string("gfx/UI/") + buttons[i], 300 + i * 50, 445, 1.4f);
    SavePicture(root, "gfx/tutorial/tut3", p.canvas, Format::JpgAlphaBefore);
}
} // namespace

void MakeTutorialPictures(const std::string& root, const FontFiles& fonts)
{
    Face chancery(fonts.chancery, 0.02f);
    Face sans(fonts.sans);
    PageOne(root, chancery, sans);
    PageTwo(root, chancery, sans);
    PageThree(root, chancery, sans);
}

} // namespace AssetGen
