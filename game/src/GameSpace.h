// The restaurant floor under everything else: tiles and the kitchen walls. Making it
// blocks the wall cells of the grid.
#pragma once

#include "widgets/Widget.h"

#include <memory>

namespace Lumo
{

class GameGrid;
class Image;
class MemoryImage;

class GameSpace : public Widget
{
public:
    // frame: the play screen that clicks and mouse moves go on to; tile: the floor picture.
    GameSpace(Widget* frame, GameGrid* grid, Image* tile);
    ~GameSpace() override;

    void Draw(Graphics* g) override;
    // The floor or its grey paints every pixel of it.
    bool CoversItsRect() const override { return true; }
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseMove(int x, int y) override;

private:
    // The floor of an opaque tile of a cell's size a row of the floor at a time, from a picture
    // of a whole row of tiles made once: the copies then run along memory rather than across it.
    // False when the tile is not of that size.
    bool DrawFloorRows(Graphics* g, MemoryImage& tile);

    Widget* mFrame;
    Image* mTile;
    std::unique_ptr<MemoryImage> mFloorRow;
};

} // namespace Lumo
