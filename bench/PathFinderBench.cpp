// How far the kitchen's path searches stay below their 200 ms budget.
#include "game/src/GameGrid.h"
#include "tests/game/KitchenLayout.h"

#include <benchmark/benchmark.h>

using namespace Lumo;

namespace
{

GameGrid Kitchen()
{
    GameGrid grid;
    BlockKitchen(grid);
    return grid;
}

// From the corner of the dining room to the oven row: one of the longest walks.
void BM_FindPathAcrossTheRestaurant(benchmark::State& state)
{
    GameGrid grid = Kitchen();
    GameGrid::Path path;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(grid.FindPath({0, 9}, {13, 6}, &path));
        benchmark::DoNotOptimize(path.data());
    }
}
BENCHMARK(BM_FindPathAcrossTheRestaurant);

// Every pair of free cells, one search each.
void BM_FindPathEveryPair(benchmark::State& state)
{
    GameGrid grid = Kitchen();
    GameGrid::Path path;
    const int cells = GameGrid::kColumns * GameGrid::kRows;
    for (auto _ : state)
    {
        int found = 0;
        for (int i = 0; i < cells * cells; i++)
        {
            const GameSimpleNode a{int16_t(i / cells / GameGrid::kRows),
                                   int16_t(i / cells % GameGrid::kRows)};
            const GameSimpleNode b{int16_t(i % cells / GameGrid::kRows),
                                   int16_t(i % cells % GameGrid::kRows)};
            if (!grid.IsBlocked(a))
                found += grid.FindPath(a, b, &path);
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_FindPathEveryPair)->Unit(benchmark::kMillisecond);

} // namespace
