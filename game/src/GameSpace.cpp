#include "game/src/GameSpace.h"

#include "game/src/FrameLink.h"
#include "game/src/GameGrid.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

namespace Lumo
{

GameSpace::GameSpace(Widget* frame, GameGrid* grid, Image* tile) : mFrame(frame), mTile(tile)
{
    Resize(GameGrid::kOriginX, GameGrid::kOriginY, GameGrid::kColumns * GameGrid::kTileSize,
           GameGrid::kRows * GameGrid::kTileSize);
    grid->BlockWalls();
}

void GameSpace::Draw(Graphics* g)
{
    // Opaque tiles leave nothing of the grey under them to see.
    auto* tile = dynamic_cast<MemoryImage*>(mTile);
    if (tile == nullptr || tile->mHasTrans || tile->mHasAlpha)
    {
        g->SetColor(Color(171, 171, 171));
        g->FillRect(0, 0, mWidth, mHeight);
    }
    for (int c = 0; c < GameGrid::kColumns; c++)
    {
        for (int r = 0; r < GameGrid::kRows; r++)
        {
            if (mTile != nullptr)
                g->DrawImage(mTile, c * GameGrid::kTileSize, r * GameGrid::kTileSize, GameGrid::kTileSize,
                             GameGrid::kTileSize);
        }
    }
    static constexpr int kWalls[][4] = {
        {550, 0, 200, 50}, {550, 50, 50, 50}, {550, 150, 50, 200}, {550, 400, 50, 50}, {550, 450, 200, 50}};
    g->SetColor(Color(0, 0, 0));
    for (const auto& wall : kWalls)
        g->FillRect(wall[0], wall[1], wall[2], wall[3]);
}

void GameSpace::MouseUpButton(int x, int y, int button, int clickCount)
{
    if (mFrame != nullptr)
        mFrame->MouseUpButton(x, y, button, clickCount);
}

void GameSpace::MouseMove(int x, int y)
{
    ForwardMouseMove(mFrame, *this, x, y);
}

} // namespace Lumo
