// The kitchen as the play screen lays it out: walls, ovens, prep tables, fridge,
// trash can, the four tables and their chairs.
#pragma once

#include "game/src/GameGrid.h"

inline void BlockKitchen(Lumo::GameGrid& grid)
{
    grid.BlockWalls();
    for (int16_t row = 3; row <= 6; row++)
    {
        grid.SetBlocked({14, row}, true); // ovens
        grid.SetBlocked({12, row}, true); // prep tables
    }
    for (int16_t column = 12; column <= 14; column++)
        grid.SetBlocked({column, 1}, true); // fridge
    grid.SetBlocked({14, 8}, true);         // trash can
    const Lumo::GameSimpleNode tables[] = {{2, 2}, {7, 2}, {2, 7}, {7, 7}};
    for (Lumo::GameSimpleNode t : tables)
    {
        grid.SetBlocked(t, true);
        grid.SetBlocked({t.mColumn, int16_t(t.mRow - 1)}, true);
        grid.SetBlocked({int16_t(t.mColumn + 1), t.mRow}, true);
        grid.SetBlocked({t.mColumn, int16_t(t.mRow + 1)}, true);
        grid.SetBlocked({int16_t(t.mColumn - 1), t.mRow}, true);
    }
}
