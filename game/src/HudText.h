// Text drawing shared by the head-up display: a game font, a colour, and a line
// placed left, centred or right of a point. Nothing is drawn without the font.
#pragma once

#include "graphics/Color.h"

#include <string>

namespace Lumo
{

class Font;
class Graphics;

enum class TextAlign
{
    Left,   // starts at x
    Center, // centred on x
    Right,  // ends at x
};

int HudTextWidth(Font* font, const std::string& text);
void DrawHudText(Graphics* g, Font* font, const Color& color, const std::string& text, int x, int y,
                 TextAlign align);

} // namespace Lumo
