// The restaurant floor under everything else: tiles and the kitchen walls. Making it
// blocks the wall cells of the grid.
#pragma once

#include "widgets/Widget.h"

namespace Lumo
{

class GameGrid;
class Image;

class GameSpace : public Widget
{
public:
    // frame: the play screen that clicks and mouse moves go on to; tile: the floor picture.
    GameSpace(Widget* frame, GameGrid* grid, Image* tile);

    void Draw(Graphics* g) override;
    // The floor or its grey paints every pixel of it.
    bool CoversItsRect() const override { return true; }
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseMove(int x, int y) override;

private:
    Widget* mFrame;
    Image* mTile;
};

} // namespace Lumo
