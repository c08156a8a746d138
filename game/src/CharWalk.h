// How a character walks the kitchen grid: its tile, path, facing and step stamp, and
// the pixel-by-pixel stepping along the path. The character's widget is the body.
#pragma once

#include "game/src/GameGrid.h"

#include <cstdint>
#include <vector>

namespace Lumo
{

class Widget;

enum Facing : int16_t
{
    FACING_DOWN = 0,
    FACING_LEFT = 1,
    FACING_UP = 2,
    FACING_RIGHT = 3,
    FACING_DOWN_LEFT = 4,
    FACING_UP_LEFT = 5,
    FACING_UP_RIGHT = 6,
    FACING_DOWN_RIGHT = 7,
};

struct CharWalk
{
    GameSimpleNode mTile;
    bool mWalking = false;
    int mStepStamp = 0;
    int16_t mFacing = FACING_DOWN;
    GameGrid::Path mPath; // consumed from the back (the start end)

    // Recomputes the tile from the body's pixel position; see GameGrid::UpdateTileFromPixel.
    void UpdateTile(const Widget& body);
    // Sizes the body to a tile, puts it on the tile and takes that tile.
    void Place(Widget& body, GameSimpleNode tile);
    // A path to the goal replaces the current one; without one the old route is kept.
    bool SetGoal(const GameGrid& grid, GameSimpleNode goal);
    // Due for its next step: walking, and at least one update since the last step, so a
    // pause of any length does not leave the cook frozen.
    bool ShouldStep(int updateCount) const;
    // Moves the body up to `pixels` pixels along the path. Popping a tile the body already
    // stands on costs no pixel. Returns true on arrival (path empty): the body faces the
    // target tile and stops walking; the caller then carries out the click that sent it.
    bool Step(Widget& body, int pixels, int updateCount, GameSimpleNode targetTile);

    // Facing towards a target dx, dy pixels away; the old facing when both are 0.
    static int16_t FacingTowards(int dx, int dy, int16_t oldFacing);
};

} // namespace Lumo
