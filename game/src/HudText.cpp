#include "game/src/HudText.h"

#include "graphics/Font.h"
#include "graphics/Graphics.h"

namespace Lumo
{

int HudTextWidth(Font* font, const std::string& text)
{
    return font != nullptr ? font->StringWidth(text) : 0;
}

void DrawHudText(Graphics* g, Font* font, const Color& color, const std::string& text, int x, int y,
                 TextAlign align)
{
    if (font == nullptr)
        return;
    const int width = font->StringWidth(text);
    if (align == TextAlign::Center)
        x -= width / 2;
    else if (align == TextAlign::Right)
        x -= width;
    g->SetFont(font);
    g->SetColor(color);
    g->DrawString(text, x, y);
}

} // namespace Lumo
