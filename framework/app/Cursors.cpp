#include "app/Cursors.h"

#include <cstring>

namespace Lumo
{
namespace
{
// 32 by 32 pictures: '.' transparent, '#' black outline, 'o' white fill.
const char* const HAND_PICTURE[32] = {"................................", "................................",
                                      "................................", "...........##...................",
                                      "..........#oo#..................", "..........#oo#..................",
                                      "..........#oo#..................", "..........#oo#..................",
                                      "..........#oo#..................", "..........#oo###................",
                                      "..........#oo#oo###.............", "..........#oo#oo#oo##...........",
                                      "..........#oo#oo#oo#o#..........", "......##..#oo#oo#oo#oo#.........",
                                      ".....#oo#.#oooooooooooo#........", ".....#ooo##ooooooooooo#.........",
                                      "......#ooo#ooooooooooo#.........", "......#oooooooooooooooo#........",
                                      ".......#ooooooooooooooo#........", ".......#oooooooooooooo#.........",
                                      "........#ooooooooooooo#.........", "........#oooooooooooo#..........",
                                      ".........#ooooooooooo#..........", ".........#ooooooooooo#..........",
                                      ".........#############..........", "................................",
                                      "................................", "................................",
                                      "................................", "................................",
                                      "................................", "................................"};

const char* const DRAG_PICTURE[32] = {"................................", "................................",
                                      "................................", "..............##................",
                                      "..........##.#oo###.............", ".........#oo##oo#oo#............",
                                      ".........#oo##oo#oo#.##.........", "..........#oo#oo#oo##oo#........",
                                      "..........#oo#oo#oo#oo#.........", "...........#oooooooooo#.........",
                                      "........##.#ooooooooooo#........", ".......#oo##ooooooooooo#........",
                                      ".......#ooo#ooooooooooo#........", "........#ooooooooooooo#.........",
                                      "........#ooooooooooooo#.........", ".........#ooooooooooo#..........",
                                      ".........#ooooooooooo#..........", "..........#oooooooooo#..........",
                                      "..........#oooooooooo#..........", "..........############..........",
                                      "................................", "................................",
                                      "................................", "................................",
                                      "................................", "................................",
                                      "................................", "................................",
                                      "................................", "................................",
                                      "................................", "................................"};

HCURSOR CursorFromPicture(const char* const picture[32], int hotX, int hotY)
{
    unsigned char andPlane[32 * 4];
    unsigned char xorPlane[32 * 4];
    std::memset(andPlane, 0xFF, sizeof andPlane);
    std::memset(xorPlane, 0, sizeof xorPlane);
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++)
        {
            char c = picture[y][x];
            if (c == '.')
                continue;
            unsigned char bit = (unsigned char)(0x80 >> (x & 7));
            andPlane[y * 4 + x / 8] &= (unsigned char)~bit;
            if (c == 'o')
                xorPlane[y * 4 + x / 8] |= bit;
        }
    return CreateCursor(nullptr, hotX, hotY, 32, 32, andPlane, xorPlane);
}
} // namespace

HCURSOR CreateHandCursor()
{
    return CursorFromPicture(HAND_PICTURE, 11, 4);
}

HCURSOR CreateDragCursor()
{
    return CursorFromPicture(DRAG_PICTURE, 15, 10);
}

LPCSTR SystemCursorName(int cursorNum)
{
    switch (cursorNum)
    {
    case 1:
    case 2:
    case 11:
    case 12:
        return nullptr;
    case 3:
        return IDC_IBEAM;
    case 4:
        return IDC_NO;
    case 5:
        return IDC_SIZEALL;
    case 6:
        return IDC_SIZENESW;
    case 7:
        return IDC_SIZENS;
    case 8:
        return IDC_SIZENWSE;
    case 9:
        return IDC_SIZEWE;
    case 10:
        return IDC_WAIT;
    default:
        return IDC_ARROW;
    }
}
} // namespace Lumo
