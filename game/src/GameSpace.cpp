#include "game/src/GameSpace.h"

#include "game/src/FrameLink.h"
#include "game/src/GameGrid.h"
#include "display/DDImage.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

#include <cstring>
#include <vector>

namespace Lumo
{

GameSpace::GameSpace(Widget* frame, GameGrid* grid, Image* tile) : mFrame(frame), mTile(tile)
{
    Resize(GameGrid::kOriginX, GameGrid::kOriginY, GameGrid::kColumns * GameGrid::kTileSize,
           GameGrid::kRows * GameGrid::kTileSize);
    grid->BlockWalls();
}

GameSpace::~GameSpace() = default;

namespace
{
// The kitchen walls, painted over the floor.
constexpr int kWalls[][4] = {
    {550, 0, 200, 50}, {550, 50, 50, 50}, {550, 150, 50, 200}, {550, 400, 50, 50}, {550, 450, 200, 50}};

bool UnderAWall(const Rect& r)
{
    for (const auto& wall : kWalls)
        if (Rect(wall[0], wall[1], wall[2], wall[3]).Intersection(r) == r)
            return true;
    return false;
}
} // namespace

void GameSpace::Draw(Graphics* g)
{
    // Opaque tiles leave nothing of the grey under them to see, nor the walls of the tiles
    // under them.
    auto* tile = MemoryImageOf(mTile);
    bool opaque = tile != nullptr && !tile->mHasTrans && !tile->mHasAlpha;
    if (!opaque)
    {
        g->SetColor(Color(171, 171, 171));
        g->FillRect(0, 0, mWidth, mHeight);
    }
    if (!opaque || !DrawFloorRows(g, *tile))
        for (int c = 0; c < GameGrid::kColumns; c++)
        {
            for (int r = 0; r < GameGrid::kRows; r++)
            {
                Rect cell(c * GameGrid::kTileSize, r * GameGrid::kTileSize, GameGrid::kTileSize,
                          GameGrid::kTileSize);
                if (mTile != nullptr && !(opaque && UnderAWall(cell)))
                    g->DrawImage(mTile, cell.mX, cell.mY, cell.mWidth, cell.mHeight);
            }
        }
    g->SetColor(Color(0, 0, 0));
    for (const auto& wall : kWalls)
        g->FillRect(wall[0], wall[1], wall[2], wall[3]);
}

bool GameSpace::DrawFloorRows(Graphics* g, MemoryImage& tile)
{
    constexpr int kSize = GameGrid::kTileSize, kAcross = GameGrid::kColumns * kSize;
    if (tile.mWidth != kSize || tile.mHeight != kSize)
        return false;
    if (mFloorRow == nullptr)
    {
        const uint32_t* bits = tile.GetBits();
        if (bits == nullptr)
            return false;
        std::vector<uint32_t> row(size_t(kAcross) * kSize);
        for (int y = 0; y < kSize; y++)
            for (int x = 0; x < kAcross; x += kSize)
                std::memcpy(&row[size_t(y) * kAcross + size_t(x)], bits + size_t(y) * kSize,
                            kSize * sizeof(uint32_t));
        // A surface picture as the tile is, so that the rows are copied as the tiles were.
        auto* surfaceTile = SurfaceImageOf(&tile);
        mFloorRow = surfaceTile != nullptr ? std::make_unique<DDImage>(surfaceTile->mDDInterface)
                                           : std::make_unique<MemoryImage>();
        mFloorRow->SetBits(row.data(), kAcross, kSize, true);
        if (auto* surfaceRow = SurfaceImageOf(mFloorRow.get()))
            surfaceRow->GetSurface();
    }
    // Each run of cells that no wall covers in one copy.
    for (int r = 0; r < GameGrid::kRows; r++)
        for (int c = 0; c < GameGrid::kColumns;)
        {
            auto cell = [&](int column) { return Rect(column * kSize, r * kSize, kSize, kSize); };
            int end = c;
            while (end < GameGrid::kColumns && !UnderAWall(cell(end)))
                end++;
            if (end > c)
                g->DrawImage(mFloorRow.get(), c * kSize, r * kSize,
                             Rect(c * kSize, 0, (end - c) * kSize, kSize));
            c = end + 1;
        }
    return true;
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
