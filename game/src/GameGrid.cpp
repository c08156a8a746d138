#include "game/src/GameGrid.h"

#include "game/src/GameNode.h"
#include "win32/kernel32.h"

#include <cstdlib>

namespace Lumo
{

GameGrid::GameGrid() : mClock([] { return uint32_t(GetTickCount()); }) {}

bool GameGrid::IsInside(GameSimpleNode cell)
{
    return cell.mColumn >= 0 && cell.mColumn < kColumns && cell.mRow >= 0 && cell.mRow < kRows;
}

bool GameGrid::IsBlocked(GameSimpleNode cell) const
{
    return !IsInside(cell) || mCells[cell.mColumn][cell.mRow] != 0;
}

void GameGrid::SetBlocked(GameSimpleNode cell, bool blocked)
{
    if (IsInside(cell))
        mCells[cell.mColumn][cell.mRow] = blocked ? 1 : 0;
}

void GameGrid::BlockWalls()
{
    for (int16_t row : {0, 1, 3, 4, 5, 6, 8, 9})
        SetBlocked({11, row}, true);
    for (int16_t column = 12; column <= 14; column++)
    {
        for (int16_t row : {0, 8, 9})
            SetBlocked({column, row}, true);
    }
}

GamePoint GameGrid::TileToPixel(GameSimpleNode cell)
{
    return GamePoint{cell.mColumn * kTileSize + kOriginX, cell.mRow * kTileSize + kOriginY};
}

void GameGrid::UpdateTileFromPixel(int x, int y, GameSimpleNode* tile)
{
    if ((x - kOriginX) % kTileSize == 0)
        tile->mColumn = int16_t((x - kOriginX) / kTileSize);
    if ((y - kOriginY) % kTileSize == 0)
        tile->mRow = int16_t((y - kOriginY) / kTileSize);
}

int GameGrid::Manhattan(GameSimpleNode a, GameSimpleNode b)
{
    return std::abs(a.mColumn - b.mColumn) + std::abs(a.mRow - b.mRow);
}

void GameGrid::SetClock(Clock clock)
{
    mClock = std::move(clock);
}

bool GameGrid::FindPath(GameSimpleNode start, GameSimpleNode goal, Path* path) const
{
    if (!IsInside(start) || !IsInside(goal) || IsBlocked(goal))
        return false;

    GameNode nodes[kColumns][kRows];
    for (int16_t c = 0; c < kColumns; c++)
    {
        for (int16_t r = 0; r < kRows; r++)
            nodes[c][r].mCell = {c, r};
    }
    // Unsigned difference: correct across the tick counter's wrap.
    const uint32_t startTime = mClock();

    GameNodeList open;
    GameNodeList closed;
    GameNode* first = &nodes[start.mColumn][start.mRow];
    first->mH = int16_t(Manhattan(start, goal));
    first->mG = 0;
    first->mF = first->mH;
    open.Push(first);

    static constexpr int kSteps[4][2] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}}; // left, up, right, down
    for (;;)
    {
        GameNode* current = open.Pop();
        if (!current)
            return false;
        if (current->mCell == goal)
        {
            Path found;
            for (GameNode* node = current; node; node = node->mParent)
                found.push_back(node->mCell);
            *path = std::move(found);
            return true;
        }
        for (const auto& step : kSteps)
        {
            GameSimpleNode cell{int16_t(current->mCell.mColumn + step[0]),
                                int16_t(current->mCell.mRow + step[1])};
            if (IsBlocked(cell))
                continue;
            GameNode* next = &nodes[cell.mColumn][cell.mRow];
            const int16_t g = int16_t(current->mG + 1);
            if (closed.Contains(next))
            {
                // A closed node is never reopened, only given the shorter way back.
                if (g < next->mG)
                {
                    next->mParent = current;
                    next->mG = g;
                    next->mF = int16_t(next->mH + g);
                    open.MoveMinToBack();
                }
                continue;
            }
            next->mG = g;
            next->mH = int16_t(Manhattan(cell, goal));
            next->mF = int16_t(next->mG + next->mH);
            next->mParent = current;
            open.Push(next);
            open.MoveMinToBack();
        }
        closed.Push(current);
        if (mClock() - startTime > kSearchBudgetMs)
            return false;
    }
}

GameSimpleNode GameGrid::PickApproach(const std::vector<GameSimpleNode>& candidates, GameSimpleNode charTile,
                                      GameSimpleNode fallback) const
{
    int best = kBlockedCost;
    GameSimpleNode chosen = fallback;
    for (GameSimpleNode candidate : candidates)
    {
        const int cost = IsBlocked(candidate) ? kBlockedCost : Manhattan(candidate, charTile);
        if (cost < best)
        {
            best = cost;
            chosen = candidate;
        }
    }
    return chosen;
}

namespace
{

std::vector<GameSimpleNode> InsideOnly(std::initializer_list<GameSimpleNode> cells)
{
    std::vector<GameSimpleNode> inside;
    for (GameSimpleNode cell : cells)
    {
        if (GameGrid::IsInside(cell))
            inside.push_back(cell);
    }
    return inside;
}

GameSimpleNode Offset(GameSimpleNode cell, int columns, int rows)
{
    return GameSimpleNode{int16_t(cell.mColumn + columns), int16_t(cell.mRow + rows)};
}

} // namespace

GameSimpleNode GameGrid::ObjectApproachTile(GameSimpleNode objectTile, GameSimpleNode accessTile,
                                            GameSimpleNode charTile) const
{
    if (accessTile != objectTile)
        return PickApproach({accessTile}, charTile, objectTile);
    return PickApproach(InsideOnly({Offset(objectTile, 0, -1), Offset(objectTile, 1, 0),
                                    Offset(objectTile, 0, 1), Offset(objectTile, -1, 0)}),
                        charTile, objectTile);
}

GameSimpleNode GameGrid::TableApproachTile(GameSimpleNode tableTile, GameSimpleNode accessTile,
                                           GameSimpleNode charTile) const
{
    if (accessTile != tableTile)
        return PickApproach({accessTile}, charTile, tableTile);
    return PickApproach(InsideOnly({Offset(tableTile, -1, -1), Offset(tableTile, 1, -1),
                                    Offset(tableTile, 1, 1), Offset(tableTile, -1, 1)}),
                        charTile, tableTile);
}

GameSimpleNode GameGrid::FridgeApproachTile(GameSimpleNode objectTile, GameSimpleNode accessTile,
                                            GameSimpleNode charTile) const
{
    auto row = [&](int rows)
    {
        return InsideOnly(
            {Offset(objectTile, -1, rows), Offset(objectTile, 0, rows), Offset(objectTile, 1, rows)});
    };
    std::vector<GameSimpleNode> candidates;
    if (accessTile.mRow == objectTile.mRow)
    {
        candidates = row(-1);
        for (GameSimpleNode cell : row(1))
            candidates.push_back(cell);
    }
    else
    {
        candidates = row(accessTile.mRow < objectTile.mRow ? -1 : 1);
    }
    return PickApproach(candidates, charTile, objectTile);
}

} // namespace Lumo
