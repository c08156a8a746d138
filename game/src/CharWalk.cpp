#include "game/src/CharWalk.h"

#include "widgets/Widget.h"

namespace Lumo
{

void CharWalk::UpdateTile(const Widget& body)
{
    GameGrid::UpdateTileFromPixel(body.mX, body.mY, &mTile);
}

void CharWalk::Place(Widget& body, GameSimpleNode tile)
{
    const GamePoint pixel = GameGrid::TileToPixel(tile);
    body.Resize(pixel.mX, pixel.mY, GameGrid::kTileSize, GameGrid::kTileSize);
    UpdateTile(body);
}

bool CharWalk::SetGoal(const GameGrid& grid, GameSimpleNode goal)
{
    GameGrid::Path path;
    if (!grid.FindPath(mTile, goal, &path) || path.empty())
        return false;
    mPath = std::move(path);
    return true;
}

bool CharWalk::ShouldStep(int updateCount) const
{
    return mWalking && updateCount - mStepStamp >= 1;
}

int16_t CharWalk::FacingTowards(int dx, int dy, int16_t oldFacing)
{
    int16_t facing = oldFacing;
    if (dx > 0)
        facing = FACING_RIGHT;
    else if (dx < 0)
        facing = FACING_LEFT;
    if (dy > 0)
        facing = dx > 0 ? FACING_DOWN_RIGHT : dx == 0 ? FACING_DOWN : FACING_DOWN_LEFT;
    else if (dy < 0)
        facing = dx > 0 ? FACING_UP_RIGHT : dx == 0 ? FACING_UP : FACING_UP_LEFT;
    return facing;
}

bool CharWalk::Step(Widget& body, int pixels, int updateCount, GameSimpleNode targetTile)
{
    while (pixels > 0)
    {
        if (mPath.empty())
        {
            const GamePoint target = GameGrid::TileToPixel(targetTile);
            mFacing = FacingTowards(target.mX - body.mX, target.mY - body.mY, mFacing);
            mWalking = false;
            return true;
        }
        const GamePoint next = GameGrid::TileToPixel(mPath.back());
        if (body.mX == next.mX && body.mY == next.mY)
        {
            mPath.pop_back();
            continue;
        }
        int x = body.mX;
        int y = body.mY;
        if (x != next.mX)
        {
            mFacing = x < next.mX ? FACING_RIGHT : FACING_LEFT;
            x += x < next.mX ? 1 : -1;
        }
        else
        {
            mFacing = y < next.mY ? FACING_DOWN : FACING_UP;
            y += y < next.mY ? 1 : -1;
        }
        body.Move(x, y);
        UpdateTile(body);
        mWalking = true;
        mStepStamp = updateCount;
        pixels--;
    }
    return false;
}

} // namespace Lumo
