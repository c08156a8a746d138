// The kitchen floor: 15 columns by 10 rows of 50-pixel tiles, free or blocked, the
// path finder over the free cells and the tiles from which objects are used.
#pragma once

#include "game/src/GameSimpleNode.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace Lumo
{

class GameGrid
{
public:
    static constexpr int16_t kColumns = 15;
    static constexpr int16_t kRows = 10;
    static constexpr int kTileSize = 50;
    static constexpr int kOriginX = 25;
    static constexpr int kOriginY = 25;
    // Cost of a blocked candidate tile, and the bound below which a candidate counts.
    static constexpr int kBlockedCost = 100;
    // A search running longer than this finds no path.
    static constexpr uint32_t kSearchBudgetMs = 200;

    using Path = std::vector<GameSimpleNode>; // goal first, start last
    using Clock = std::function<uint32_t()>;  // milliseconds

    GameGrid();

    static bool IsInside(GameSimpleNode cell);
    // Cells outside the grid count as blocked.
    bool IsBlocked(GameSimpleNode cell) const;
    void SetBlocked(GameSimpleNode cell, bool blocked);
    // The kitchen walls, with the two doors in column 11 at rows 2 and 7.
    void BlockWalls();

    static GamePoint TileToPixel(GameSimpleNode cell);
    // Each of column and row is stored only when the pixel lies exactly on a tile edge.
    static void UpdateTileFromPixel(int x, int y, GameSimpleNode* tile);
    static int Manhattan(GameSimpleNode a, GameSimpleNode b);

    // False with no path (outside, blocked goal, no way through, or over the time budget).
    bool FindPath(GameSimpleNode start, GameSimpleNode goal, Path* path) const;
    // The clock the search budget is read from; the platform's tick count by default.
    void SetClock(Clock clock);

    // Where the cook stands to use an object. With the access tile equal to the object
    // tile the candidates are its neighbours up, right, down, left; else the access tile.
    GameSimpleNode ObjectApproachTile(GameSimpleNode objectTile, GameSimpleNode accessTile,
                                      GameSimpleNode charTile) const;
    // Tables hold their chairs on the orthogonal neighbours: the diagonals are used,
    // up-left, up-right, down-right, down-left.
    GameSimpleNode TableApproachTile(GameSimpleNode tableTile, GameSimpleNode accessTile,
                                     GameSimpleNode charTile) const;
    // The fridge spans the object tile and its left and right neighbours.
    GameSimpleNode FridgeApproachTile(GameSimpleNode objectTile, GameSimpleNode accessTile,
                                      GameSimpleNode charTile) const;

private:
    // The cheapest free candidate (first among equals) nearest the character; none gives the fallback.
    GameSimpleNode PickApproach(const std::vector<GameSimpleNode>& candidates, GameSimpleNode charTile,
                                GameSimpleNode fallback) const;

    uint8_t mCells[kColumns][kRows] = {}; // [column][row], 0 free, 1 blocked
    Clock mClock;
};

} // namespace Lumo
