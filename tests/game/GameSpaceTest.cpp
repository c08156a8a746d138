#include "RecordingImage.h"

#include "game/src/GameGrid.h"
#include "game/src/GameSpace.h"
#include "graphics/Graphics.h"

#include <gtest/gtest.h>

using namespace Lumo;

namespace
{

class FrameSpy : public Widget
{
public:
    std::vector<std::string> mEvents;
    void MouseMove(int x, int y) override
    {
        mEvents.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void MouseUpButton(int x, int y, int button, int count) override
    {
        mEvents.push_back("up " + std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(button) +
                          " " + std::to_string(count));
    }
};

} // namespace

TEST(GameSpace, CoversTheGridAndBlocksTheWalls)
{
    GameGrid grid;
    FrameSpy frame;
    RecordingImage tile(50, 50);
    GameSpace space(&frame, &grid, &tile);
    EXPECT_EQ(space.mX, 25);
    EXPECT_EQ(space.mY, 25);
    EXPECT_EQ(space.mWidth, 750);
    EXPECT_EQ(space.mHeight, 500);
    EXPECT_TRUE(grid.IsBlocked({11, 0}));
    EXPECT_TRUE(grid.IsBlocked({14, 9}));
    EXPECT_FALSE(grid.IsBlocked({11, 2}));

    space.MouseMove(10, 20);
    space.MouseUpButton(3, 4, 0, 1);
    EXPECT_EQ(frame.mEvents, (std::vector<std::string>{"move 35,45", "up 3,4 0 1"}));
}

TEST(GameSpace, DrawsFloorTilesAndBlackWallsOverBlockedCells)
{
    GameGrid grid;
    RecordingImage tile(50, 50);
    GameSpace space(nullptr, &grid, &tile);
    RecordingImage screen(750, 500);
    Graphics g(&screen);
    space.Draw(&g);
    ASSERT_EQ(screen.mCalls.front(), "fill 0,0,750,500 171,171,171,255");
    EXPECT_EQ(screen.Count("stretch "), 150);
    EXPECT_EQ(screen.mCalls[1], "stretch 0,0,50,50 255,255,255,255");
    EXPECT_EQ(screen.mCalls[150], "stretch 700,450,50,50 255,255,255,255");
    const std::vector<std::string> walls(screen.mCalls.end() - 5, screen.mCalls.end());
    EXPECT_EQ(walls,
              (std::vector<std::string>{"fill 550,0,200,50 0,0,0,255", "fill 550,50,50,50 0,0,0,255",
                                        "fill 550,150,50,200 0,0,0,255", "fill 550,400,50,50 0,0,0,255",
                                        "fill 550,450,200,50 0,0,0,255"}));
    // Every cell drawn as wall is blocked.
    const int rects[][4] = {
        {550, 0, 200, 50}, {550, 50, 50, 50}, {550, 150, 50, 200}, {550, 400, 50, 50}, {550, 450, 200, 50}};
    for (const auto& r : rects)
    {
        for (int x = r[0]; x < r[0] + r[2]; x += 50)
        {
            for (int y = r[1]; y < r[1] + r[3]; y += 50)
                EXPECT_TRUE(grid.IsBlocked({int16_t(x / 50), int16_t(y / 50)})) << x << "," << y;
        }
    }
}
