#include "KitchenLayout.h"

#include "game/src/CharWalk.h"
#include "widgets/Widget.h"

#include <gtest/gtest.h>

using namespace Lumo;

namespace
{

// The cook on his starting tile in the furnished kitchen.
class KitchenWalk : public testing::Test
{
protected:
    GameGrid grid;
    Widget body;
    CharWalk walk;

    void SetUp() override
    {
        BlockKitchen(grid);
        walk.Place(body, {10, 4});
    }
};

} // namespace

TEST(CharWalk, PlacedOnATileItStandsThere)
{
    Widget body;
    CharWalk walk;
    walk.Place(body, {10, 4});
    EXPECT_EQ(body.mX, 525);
    EXPECT_EQ(body.mY, 225);
    EXPECT_EQ(body.mWidth, 50);
    EXPECT_EQ(body.mHeight, 50);
    EXPECT_EQ(walk.mTile, (GameSimpleNode{10, 4}));
}

TEST_F(KitchenWalk, TheFirstStepMovesAPixelSoTheCookStartsWalking)
{
    ASSERT_TRUE(walk.SetGoal(grid, {13, 3}));
    ASSERT_EQ(walk.mPath.back(), (GameSimpleNode{10, 4})); // the path holds his own tile

    // Dropping his own tile costs nothing: the one pixel still moves him.
    EXPECT_FALSE(walk.Step(body, 1, 7, {14, 3}));
    EXPECT_TRUE(walk.mWalking);
    EXPECT_EQ(walk.mStepStamp, 7);
    EXPECT_EQ(body.mY, 224);
    EXPECT_EQ(walk.mFacing, FACING_UP);
    EXPECT_EQ(walk.mTile, (GameSimpleNode{10, 4})); // between tiles: unchanged

    // Then 3 pixels per tick: 299 pixels left over six tiles.
    int ticks = 0;
    int update = 8;
    bool arrived = false;
    while (!arrived && ticks < 1000)
    {
        ASSERT_TRUE(walk.ShouldStep(update));
        arrived = walk.Step(body, 3, update, {14, 3});
        update++;
        ticks++;
    }
    EXPECT_TRUE(arrived);
    EXPECT_EQ(ticks, 100);
    EXPECT_EQ(body.mX, 675);
    EXPECT_EQ(body.mY, 175);
    EXPECT_EQ(walk.mTile, (GameSimpleNode{13, 3}));
    EXPECT_FALSE(walk.mWalking);
    EXPECT_EQ(walk.mFacing, FACING_RIGHT); // towards the oven
}

TEST(CharWalk, MovesAlongXFirstThenY)
{
    Widget body;
    CharWalk walk;
    walk.Place(body, {0, 0});
    walk.mPath = {{1, 1}};
    int update = 0;
    for (int i = 0; i < 50; i++)
        EXPECT_FALSE(walk.Step(body, 1, ++update, {2, 2}));
    EXPECT_EQ(body.mX, 75);
    EXPECT_EQ(body.mY, 25);
    EXPECT_EQ(walk.mFacing, FACING_RIGHT);
    EXPECT_EQ(walk.mTile, (GameSimpleNode{1, 0}));
    EXPECT_FALSE(walk.Step(body, 1, ++update, {2, 2}));
    EXPECT_EQ(body.mY, 26);
    EXPECT_EQ(walk.mFacing, FACING_DOWN);
    // 49 pixels reach the tile; the next round pops it and arrives.
    EXPECT_TRUE(walk.Step(body, 60, ++update, {2, 2}));
    EXPECT_EQ(body.mY, 75);
    EXPECT_EQ(walk.mFacing, FACING_DOWN_RIGHT);

    // Left and up.
    walk.mPath = {{0, 0}};
    walk.Step(body, 1, ++update, {0, 0});
    EXPECT_EQ(walk.mFacing, FACING_LEFT);
    walk.mPath = {{0, 0}};
    walk.Step(body, 49, ++update, {0, 0});
    walk.Step(body, 1, ++update, {0, 0});
    EXPECT_EQ(walk.mFacing, FACING_UP);
}

TEST_F(KitchenWalk, WithoutAPathTheClickIsCarriedOutWhereHeStands)
{
    walk.mFacing = FACING_LEFT;
    EXPECT_FALSE(walk.SetGoal(grid, {14, 4})); // an oven tile: blocked
    EXPECT_TRUE(walk.mPath.empty());
    EXPECT_FALSE(walk.Step(body, 0, 1, {14, 4})); // no pixels: nothing at all
    EXPECT_EQ(walk.mFacing, FACING_LEFT);
    EXPECT_TRUE(walk.Step(body, 1, 1, {14, 4}));
    EXPECT_EQ(walk.mFacing, FACING_RIGHT);
    EXPECT_EQ(body.mX, 525);
    EXPECT_FALSE(walk.mWalking);
}

TEST_F(KitchenWalk, AWalkingCookWithoutANewPathKeepsHisRoute)
{
    ASSERT_TRUE(walk.SetGoal(grid, {13, 3}));
    walk.Step(body, 10, 1, {14, 3});
    const GameGrid::Path before = walk.mPath;
    EXPECT_FALSE(walk.SetGoal(grid, {11, 5}));
    EXPECT_EQ(walk.mPath, before);
}

TEST(CharWalk, StepsResumeAfterAPause)
{
    CharWalk walk;
    walk.mStepStamp = 5;
    EXPECT_FALSE(walk.ShouldStep(6)); // not walking
    walk.mWalking = true;
    EXPECT_FALSE(walk.ShouldStep(5));
    EXPECT_TRUE(walk.ShouldStep(6));
    EXPECT_TRUE(walk.ShouldStep(500)); // many updates passed while paused
}

TEST(CharWalk, FacingTowardsTheTarget)
{
    EXPECT_EQ(CharWalk::FacingTowards(50, 0, 0), FACING_RIGHT);
    EXPECT_EQ(CharWalk::FacingTowards(-50, 0, 0), FACING_LEFT);
    EXPECT_EQ(CharWalk::FacingTowards(50, 50, 0), FACING_DOWN_RIGHT);
    EXPECT_EQ(CharWalk::FacingTowards(0, 50, 1), FACING_DOWN);
    EXPECT_EQ(CharWalk::FacingTowards(-50, 50, 0), FACING_DOWN_LEFT);
    EXPECT_EQ(CharWalk::FacingTowards(50, -50, 0), FACING_UP_RIGHT);
    EXPECT_EQ(CharWalk::FacingTowards(0, -50, 0), FACING_UP);
    EXPECT_EQ(CharWalk::FacingTowards(-50, -50, 0), FACING_UP_LEFT);
    EXPECT_EQ(CharWalk::FacingTowards(0, 0, FACING_UP_RIGHT), FACING_UP_RIGHT);
}
