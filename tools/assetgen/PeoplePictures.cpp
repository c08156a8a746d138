// The cook in eight facings and two walking frames, and five kinds of customer by chair side.
#include "tools/assetgen/Assets.h"
#include "tools/assetgen/Drawings.h"
#include "tools/assetgen/Writers.h"

#include <cmath>

namespace AssetGen
{

namespace
{
// Facing 0 down, 1 left, 2 up, 3 right, 4 down-left, 5 up-left, 6 up-right, 7 down-right.
const float kFacing[8][2] = {{0, 1},
                             {-1, 0},
                             {0, -1},
                             {1, 0},
                             {-0.7071f, 0.7071f},
                             {-0.7071f, -0.7071f},
                             {0.7071f, -0.7071f},
                             {0.7071f, 0.7071f}};

Look CookLook()
{
    Look l;
    l.shirt = Hex(0xF7F7F2);
    l.skin = Hex(0xE8B58E);
    l.hair = Hex(0x3A2314);
    l.chefHat = true;
    l.mustache = true;
    return l;
}

Look CustomerLook(int look)
{
    Look l;
    switch (look)
    {
    case 0:
        l.shirt = Hex(0xD64541);
        l.skin = Hex(0xF1C8A5);
        l.hair = Hex(0x6B3E1F);
        break;
    case 1:
        l.shirt = Hex(0x3D6FC4);
        l.skin = Hex(0xE9B994);
        l.hair = Hex(0xE8C75A);
        l.longHair = true;
        break;
    case 2:
        l.shirt = Hex(0x2E9E5B);
        l.skin = Hex(0x8D5A3B);
        l.hair = Hex(0x1C1C1C);
        l.cap = true;
        break;
    case 3:
        l.shirt = Hex(0x8E44AD);
        l.skin = Hex(0xF4D2B8);
        l.hair = Hex(0xB5381E);
        l.longHair = true;
        break;
    default:
        l.shirt = Hex(0x5F6A72);
        l.skin = Hex(0xD9A57E);
        l.hair = Hex(0xC9C9C9);
        l.mustache = true;
        break;
    }
    return l;
}
} // namespace

void MakePeoplePictures(const std::string& root)
{
    const Look cook = CookLook();
    for (int n = 0; n < 8; ++n)
    {
        Canvas c(50, 50);
        DrawPerson(c, 25, 25, kFacing[n][0], kFacing[n][1], cook, 0, false);
        SavePicture(root, "gfx/lorenzo/idle/lorenzo" + std::to_string(n), c, Format::Tga);
    }
    for (int i = 0; i < 4; ++i)
        for (int frame = 0; frame < 2; ++frame)
        {
            Canvas c(50, 50);
            DrawPerson(c, 25, 25, kFacing[i][0], kFacing[i][1], cook, frame == 0 ? 1 : -1, false);
            std::string walk = "walk" + std::to_string(frame);
            SavePicture(root, "gfx/lorenzo/" + walk + "/lorenzo" + std::to_string(i) + "_" + walk, c,
                        Format::Tga);
        }
    // A customer on the chair of side s faces the table: down, left, up, right.
    const float towardTable[4][2] = {{0, 1}, {-1, 0}, {0, -1}, {1, 0}};
    for (int look = 0; look < 5; ++look)
        for (int side = 0; side < 4; ++side)
        {
            Canvas c(50, 50);
            DrawPerson(c, 25 - towardTable[side][0] * 2, 25 - towardTable[side][1] * 2, towardTable[side][0],
                       towardTable[side][1], CustomerLook(look), 0, true, 0.92f);
            SavePicture(root, "gfx/customer/" + std::to_string(look + 1) + "/cust" + std::to_string(side), c,
                        Format::Png);
        }
}

} // namespace AssetGen
