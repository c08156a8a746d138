#include "KitchenLayout.h"

#include "core/clock.h"
#include "game/src/GameGrid.h"
#include "game/src/GameNode.h"
#include "win32/kernel32.h"

#include <gtest/gtest.h>

using namespace Lumo;
using Path = GameGrid::Path;

namespace
{

void ExpectWalkable(const GameGrid& grid, const Path& path)
{
    for (size_t i = 0; i < path.size(); i++)
    {
        EXPECT_FALSE(grid.IsBlocked(path[i])) << i;
        if (i > 0)
        {
            EXPECT_EQ(GameGrid::Manhattan(path[i - 1], path[i]), 1) << i;
        }
    }
}

// Breadth-first distance in steps, or -1.
int ShortestSteps(const GameGrid& grid, GameSimpleNode start, GameSimpleNode goal)
{
    std::vector<int> dist(GameGrid::kColumns * GameGrid::kRows, -1);
    std::vector<GameSimpleNode> queue{start};
    dist[start.mColumn * GameGrid::kRows + start.mRow] = 0;
    for (size_t i = 0; i < queue.size(); i++)
    {
        GameSimpleNode cell = queue[i];
        const int d = dist[cell.mColumn * GameGrid::kRows + cell.mRow];
        if (cell == goal)
            return d;
        const GameSimpleNode next[] = {{int16_t(cell.mColumn - 1), cell.mRow},
                                       {cell.mColumn, int16_t(cell.mRow - 1)},
                                       {int16_t(cell.mColumn + 1), cell.mRow},
                                       {cell.mColumn, int16_t(cell.mRow + 1)}};
        for (GameSimpleNode n : next)
        {
            if (grid.IsBlocked(n) || dist[n.mColumn * GameGrid::kRows + n.mRow] >= 0)
                continue;
            dist[n.mColumn * GameGrid::kRows + n.mRow] = d + 1;
            queue.push_back(n);
        }
    }
    return -1;
}

} // namespace

TEST(GameSimpleNode, OneWordWithTheColumnInTheLowHalf)
{
    EXPECT_EQ((GameSimpleNode{3, 7}.ToValue()), 0x00070003u);
    EXPECT_EQ((GameSimpleNode{-1, 2}.ToValue()), 0x0002FFFFu);
    EXPECT_EQ(GameSimpleNode::FromValue(0xFFFE0001u), (GameSimpleNode{1, -2}));
    EXPECT_EQ(GameSimpleNode::FromValue(GameSimpleNode{14, 9}.ToValue()), (GameSimpleNode{14, 9}));
}

TEST(GameNodeList, KeepsTheSmallestLastAndNewNodesBehindEqualOnes)
{
    GameNode a, b, c, d;
    a.mF = 3;
    b.mF = 3;
    c.mF = 5;
    d.mF = 1;
    GameNodeList list;
    list.Push(&a);
    list.Push(&b);
    EXPECT_EQ(list.Get(0), &a);
    EXPECT_EQ(list.Get(1), &b);
    list.Push(&c); // larger f moves to the front
    EXPECT_EQ(list.Get(0), &c);
    EXPECT_EQ(list.Get(2), &b);
    list.Push(&d);
    EXPECT_EQ(list.Get(3), &d);
    EXPECT_EQ(list.Pop(), &d);
    // Among equal f the front-most is swapped to the back.
    list.MoveMinToBack();
    EXPECT_EQ(list.Get(2), &a);
    EXPECT_EQ(list.Get(1), &b);
    EXPECT_TRUE(list.Contains(&c));
    EXPECT_FALSE(list.Contains(&d));
    EXPECT_EQ(list.Pop(), &a);
    EXPECT_EQ(list.Pop(), &b);
    EXPECT_EQ(list.Pop(), &c);
    EXPECT_EQ(list.Pop(), nullptr);
    list.MoveMinToBack(); // empty: nothing
}

TEST(GameNodeList, WithEveryFOfAHundredOrMoreTheFirstIsTaken)
{
    GameNode a, b, c;
    a.mF = 120;
    b.mF = 100;
    c.mF = 150;
    GameNodeList list;
    list.Push(&a);
    list.Push(&b);
    list.Push(&c); // order now c, a, b
    ASSERT_EQ(list.Get(0), &c);
    list.MoveMinToBack();
    EXPECT_EQ(list.Get(2), &c);
    EXPECT_EQ(list.Get(0), &b);
}

TEST(GameNodeList, GrowsByFiveSlots)
{
    std::vector<GameNode> nodes(16);
    GameNodeList list;
    EXPECT_EQ(list.GetCapacity(), 10);
    for (int i = 0; i < 11; i++)
        list.Push(&nodes[i]);
    EXPECT_EQ(list.GetCapacity(), 15);
    for (int i = 11; i < 16; i++)
        list.Push(&nodes[i]);
    EXPECT_EQ(list.GetCapacity(), 20);
    EXPECT_EQ(list.GetCount(), 16);
}

TEST(GameGrid, TilesPixelsAndWalls)
{
    EXPECT_EQ(GameGrid::TileToPixel({0, 0}), (GamePoint{25, 25}));
    EXPECT_EQ(GameGrid::TileToPixel({10, 4}), (GamePoint{525, 225}));
    EXPECT_EQ(GameGrid::Manhattan({1, 9}, {4, 2}), 10);

    GameSimpleNode tile{3, 3};
    GameGrid::UpdateTileFromPixel(525, 224, &tile); // on a column, between rows
    EXPECT_EQ(tile, (GameSimpleNode{10, 3}));
    GameGrid::UpdateTileFromPixel(526, 175, &tile);
    EXPECT_EQ(tile, (GameSimpleNode{10, 3}));
    GameGrid::UpdateTileFromPixel(25, 75, &tile);
    EXPECT_EQ(tile, (GameSimpleNode{0, 1}));

    GameGrid grid;
    grid.BlockWalls();
    int blocked = 0;
    for (int16_t c = 0; c < GameGrid::kColumns; c++)
    {
        for (int16_t r = 0; r < GameGrid::kRows; r++)
            blocked += grid.IsBlocked({c, r});
    }
    EXPECT_EQ(blocked, 8 + 9);
    EXPECT_FALSE(grid.IsBlocked({11, 2}));
    EXPECT_FALSE(grid.IsBlocked({11, 7}));
    EXPECT_TRUE(grid.IsBlocked({11, 6}));
    EXPECT_TRUE(grid.IsBlocked({13, 8}));
    EXPECT_FALSE(grid.IsBlocked({12, 1}));
    EXPECT_TRUE(grid.IsBlocked({15, 0}));
    EXPECT_TRUE(grid.IsBlocked({0, -1}));
    grid.SetBlocked({-1, 3}, true); // outside: ignored
}

TEST(FindPath, RefusesOutsideCellsAndBlockedGoals)
{
    GameGrid grid;
    grid.BlockWalls();
    Path path{{9, 9}};
    EXPECT_FALSE(grid.FindPath({-1, 0}, {3, 3}, &path));
    EXPECT_FALSE(grid.FindPath({0, 0}, {15, 3}, &path));
    EXPECT_FALSE(grid.FindPath({0, 0}, {3, 10}, &path));
    EXPECT_FALSE(grid.FindPath({0, 0}, {11, 0}, &path));
    EXPECT_EQ(path, (Path{{9, 9}})); // untouched

    // A goal walled in on every side has no way to it.
    grid.SetBlocked({4, 3}, true);
    grid.SetBlocked({6, 3}, true);
    grid.SetBlocked({5, 2}, true);
    grid.SetBlocked({5, 4}, true);
    EXPECT_FALSE(grid.FindPath({0, 0}, {5, 3}, &path));

    ASSERT_TRUE(grid.FindPath({2, 2}, {2, 2}, &path));
    EXPECT_EQ(path, (Path{{2, 2}}));
}

TEST(FindPath, TieBreakingPicksTheOldestOfEqualNodes)
{
    // Both L-shaped routes are shortest; the list order sends the search down first.
    GameGrid grid;
    Path path;
    ASSERT_TRUE(grid.FindPath({0, 0}, {2, 1}, &path));
    EXPECT_EQ(path, (Path{{2, 1}, {1, 1}, {0, 1}, {0, 0}}));

    ASSERT_TRUE(grid.FindPath({0, 0}, {2, 0}, &path));
    EXPECT_EQ(path, (Path{{2, 0}, {1, 0}, {0, 0}}));

    ASSERT_TRUE(grid.FindPath({1, 1}, {0, 0}, &path));
    EXPECT_EQ(path, (Path{{0, 0}, {0, 1}, {1, 1}}));
}

TEST(FindPath, KitchenRoutesGoThroughTheDoors)
{
    GameGrid grid;
    BlockKitchen(grid);
    Path path;
    // From the cook's starting tile to the first oven's access tile: the upper door.
    ASSERT_TRUE(grid.FindPath({10, 4}, {13, 3}, &path));
    EXPECT_EQ(path, (Path{{13, 3}, {13, 2}, {12, 2}, {11, 2}, {10, 2}, {10, 3}, {10, 4}}));
    // To the last oven: the lower door.
    ASSERT_TRUE(grid.FindPath({10, 4}, {13, 6}, &path));
    EXPECT_EQ(path.size(), 8u);
    EXPECT_EQ(path.front(), (GameSimpleNode{13, 6}));
    EXPECT_EQ(path.back(), (GameSimpleNode{10, 4}));
    EXPECT_NE(std::find(path.begin(), path.end(), GameSimpleNode{11, 7}), path.end());
    ExpectWalkable(grid, path);
    // Across the dining room, round the tables and chairs.
    ASSERT_TRUE(grid.FindPath({13, 7}, {0, 0}, &path));
    ExpectWalkable(grid, path);
    EXPECT_EQ(path.size(), size_t(13 + 7 + 1));
    for (GameSimpleNode cell : path)
    {
        if (cell.mColumn == 11)
        {
            EXPECT_TRUE(cell.mRow == 2 || cell.mRow == 7);
        }
    }
}

TEST(FindPath, NeighboursAreTriedLeftUpRightDown)
{
    // Among the equally short kitchen routes the neighbour order picks these; any other order
    // picks others for at least one of them.
    GameGrid grid;
    BlockKitchen(grid);
    Path path;
    ASSERT_TRUE(grid.FindPath({5, 5}, {4, 4}, &path));
    EXPECT_EQ(path, (Path{{4, 4}, {4, 5}, {5, 5}}));
    ASSERT_TRUE(grid.FindPath({5, 5}, {6, 4}, &path));
    EXPECT_EQ(path, (Path{{6, 4}, {5, 4}, {5, 5}}));
    ASSERT_TRUE(grid.FindPath({5, 5}, {3, 6}, &path));
    EXPECT_EQ(path, (Path{{3, 6}, {4, 6}, {5, 6}, {5, 5}}));
    ASSERT_TRUE(grid.FindPath({5, 5}, {7, 4}, &path));
    EXPECT_EQ(path, (Path{{7, 4}, {7, 5}, {6, 5}, {5, 5}}));
    ASSERT_TRUE(grid.FindPath({10, 4}, {8, 5}, &path));
    EXPECT_EQ(path, (Path{{8, 5}, {9, 5}, {10, 5}, {10, 4}}));
}

TEST(FindPath, GivesUpAfterTwoHundredMilliseconds)
{
    PlatformTest::UseManualClock(true);
    GameGrid grid;
    // Every reading of the clock finds 100 ms more gone.
    grid.SetClock(
        []
        {
            PlatformTest::AdvanceClock(100000);
            return uint32_t(GetTickCount());
        });
    Path path;
    // Two rounds: 200 ms have passed at the last check, which is not more than the budget.
    EXPECT_TRUE(grid.FindPath({0, 0}, {2, 0}, &path));
    // Three rounds: 300 ms.
    EXPECT_FALSE(grid.FindPath({0, 0}, {3, 0}, &path));
    PlatformTest::UseManualClock(false);
}

TEST(FindPath, BudgetSurvivesTheTickCounterWrapping)
{
    GameGrid grid;
    uint32_t now = 0xFFFFFFF0u;
    grid.SetClock([&now] { return now += 1; });
    Path path;
    EXPECT_TRUE(grid.FindPath({0, 0}, {14, 9}, &path));
    EXPECT_EQ(path.size(), 24u);
}

TEST(ApproachTile, ObjectsUseTheNearestFreeNeighbourOrTheirAccessTile)
{
    GameGrid grid;
    // Right (cost 3) and down (cost 3) tie: the first candidate in order wins.
    EXPECT_EQ(grid.ObjectApproachTile({5, 5}, {5, 5}, {7, 7}), (GameSimpleNode{6, 5}));
    grid.SetBlocked({6, 5}, true);
    EXPECT_EQ(grid.ObjectApproachTile({5, 5}, {5, 5}, {7, 7}), (GameSimpleNode{5, 6}));
    grid.SetBlocked({5, 4}, true);
    grid.SetBlocked({5, 6}, true);
    grid.SetBlocked({4, 5}, true);
    EXPECT_EQ(grid.ObjectApproachTile({5, 5}, {5, 5}, {7, 7}), (GameSimpleNode{5, 5}));
    // A corner object has only two neighbours inside.
    EXPECT_EQ(grid.ObjectApproachTile({0, 0}, {0, 0}, {0, 5}), (GameSimpleNode{0, 1}));

    GameGrid kitchen;
    BlockKitchen(kitchen);
    // Prep table: up and right cost 4 each, down and left are blocked.
    EXPECT_EQ(kitchen.ObjectApproachTile({12, 3}, {12, 3}, {10, 4}), (GameSimpleNode{12, 2}));
    EXPECT_EQ(kitchen.ObjectApproachTile({14, 3}, {13, 3}, {10, 4}), (GameSimpleNode{13, 3}));
    EXPECT_EQ(kitchen.ObjectApproachTile({14, 8}, {14, 7}, {0, 0}), (GameSimpleNode{14, 7}));
    // A blocked access tile leaves the object tile.
    EXPECT_EQ(kitchen.ObjectApproachTile({14, 4}, {14, 3}, {10, 4}), (GameSimpleNode{14, 4}));
    EXPECT_EQ(kitchen.ObjectApproachTile({14, 4}, {15, 4}, {10, 4}), (GameSimpleNode{14, 4}));
}

TEST(ApproachTile, TablesUseTheirDiagonals)
{
    GameGrid kitchen;
    BlockKitchen(kitchen);
    EXPECT_EQ(kitchen.TableApproachTile({2, 2}, {2, 2}, {10, 4}), (GameSimpleNode{3, 3}));
    EXPECT_EQ(kitchen.TableApproachTile({2, 2}, {2, 2}, {0, 0}), (GameSimpleNode{1, 1}));
    // Up-right and down-right tie at cost 2: up-right comes first.
    EXPECT_EQ(kitchen.TableApproachTile({7, 7}, {7, 7}, {9, 7}), (GameSimpleNode{8, 6}));
    GameGrid open;
    // The other ties fix the rest of the order up-left, up-right, down-right, down-left.
    EXPECT_EQ(open.TableApproachTile({5, 5}, {5, 5}, {5, 3}), (GameSimpleNode{4, 4}));
    EXPECT_EQ(open.TableApproachTile({5, 5}, {5, 5}, {5, 7}), (GameSimpleNode{6, 6}));
    EXPECT_EQ(open.TableApproachTile({5, 5}, {5, 5}, {3, 5}), (GameSimpleNode{4, 4}));
    EXPECT_EQ(open.TableApproachTile({0, 0}, {0, 0}, {5, 5}), (GameSimpleNode{1, 1}));
    EXPECT_EQ(open.TableApproachTile({0, 0}, {3, 3}, {5, 5}), (GameSimpleNode{3, 3}));
    open.SetBlocked({1, 1}, true);
    EXPECT_EQ(open.TableApproachTile({0, 0}, {0, 0}, {5, 5}), (GameSimpleNode{0, 0}));
}

TEST(ApproachTile, TheFridgeIsUsedFromAlongItsWidth)
{
    GameGrid kitchen;
    BlockKitchen(kitchen);
    // Access below: the row below, left first.
    EXPECT_EQ(kitchen.FridgeApproachTile({13, 1}, {13, 2}, {10, 4}), (GameSimpleNode{12, 2}));
    EXPECT_EQ(kitchen.FridgeApproachTile({13, 1}, {13, 2}, {14, 7}), (GameSimpleNode{14, 2}));
    // Access in its own row: the row above (walls here) and then the row below.
    EXPECT_EQ(kitchen.FridgeApproachTile({13, 1}, {13, 1}, {10, 4}), (GameSimpleNode{12, 2}));
    // Access above: only the row above, all wall: the object tile.
    EXPECT_EQ(kitchen.FridgeApproachTile({13, 1}, {13, 0}, {10, 4}), (GameSimpleNode{13, 1}));

    GameGrid open;
    // Row -1 and column 15 are dropped.
    EXPECT_EQ(open.FridgeApproachTile({14, 0}, {14, 0}, {0, 9}), (GameSimpleNode{13, 1}));
    EXPECT_EQ(open.FridgeApproachTile({14, 0}, {14, 0}, {14, 9}), (GameSimpleNode{14, 1}));
}

// An open node reached again takes the later, possibly longer, way: routes are not always
// shortest, but every reachable goal is found along free cells.
TEST(FindPath, EveryReachableKitchenCellIsFound)
{
    GameGrid grid;
    BlockKitchen(grid);
    // Thousands of searches: on a loaded machine one could run past the 200 ms budget.
    grid.SetClock([] { return 0u; });
    const int cells = GameGrid::kColumns * GameGrid::kRows;
    int routes = 0;
    for (int i = 0; i < cells * cells; i++)
    {
        const GameSimpleNode a{int16_t(i / cells / GameGrid::kRows), int16_t(i / cells % GameGrid::kRows)};
        const GameSimpleNode b{int16_t(i % cells / GameGrid::kRows), int16_t(i % cells % GameGrid::kRows)};
        if (grid.IsBlocked(a) || grid.IsBlocked(b))
            continue;
        Path path;
        const int shortest = ShortestSteps(grid, a, b);
        ASSERT_EQ(grid.FindPath(a, b, &path), shortest >= 0);
        if (shortest < 0)
            continue;
        ASSERT_GE(int(path.size()) - 1, shortest);
        ASSERT_EQ(path.front(), b);
        ASSERT_EQ(path.back(), a);
        ExpectWalkable(grid, path);
        routes++;
    }
    EXPECT_GT(routes, 5000);
}
