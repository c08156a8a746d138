#include "FakeGameHost.h"
#include "RecordingImage.h"

#include "game/src/GameChar.h"

#include <gtest/gtest.h>

#include <memory>

using namespace Lumo;

namespace
{

class Cook : public testing::Test
{
protected:
    FakeGameHost host;
    RecordingImage idle[8];
    RecordingImage walk[2][4];

    void SetUp() override
    {
        for (int n = 0; n < 8; n++)
        {
            idle[n].mName = "idle" + std::to_string(n);
            host.mPictures["gfx/lorenzo/idle/lorenzo" + std::to_string(n)] = &idle[n];
        }
        for (int f = 0; f < 2; f++)
        {
            for (int i = 0; i < 4; i++)
            {
                const std::string fs = std::to_string(f);
                walk[f][i].mName = "walk" + fs + "_" + std::to_string(i);
                host.mPictures["gfx/lorenzo/walk" + fs + "/lorenzo" + std::to_string(i) + "_walk" + fs] =
                    &walk[f][i];
            }
        }
    }
    std::string Drawn(CharLorenzo& cook)
    {
        RecordingImage image;
        Graphics g(&image);
        cook.Draw(&g);
        return image.mCalls.front();
    }
};

} // namespace

TEST_F(Cook, FactoryMakesTheCookForCodeZeroOnly)
{
    GameCharFactory factory(&host);
    std::unique_ptr<GameChar> cook(factory.Create(GameCharFactory::kLorenzo));
    ASSERT_NE(dynamic_cast<CharLorenzo*>(cook.get()), nullptr);
    EXPECT_EQ(cook->GetCode(), 65535);
    EXPECT_EQ(cook->GetName(), "");
    EXPECT_EQ(cook->mWidth, 50);
    EXPECT_EQ(cook->mHeight, 50);
    EXPECT_EQ(factory.Create(1), nullptr);
    EXPECT_EQ(factory.Create(-1), nullptr);
}

TEST_F(Cook, HoverVeilUntilSelected)
{
    CharLorenzo cook(&host);
    cook.MouseEnter();
    EXPECT_EQ(cook.GetTint(), Color(255, 255, 255, 127));
    cook.MouseLeave();
    EXPECT_EQ(cook.GetTint(), Color(0, 0, 0, 0));
    cook.MouseEnter();
    cook.MouseUpButton(10, 10, 0, 1);
    EXPECT_TRUE(cook.mSelected);
    EXPECT_EQ(host.mActive, &cook);
    EXPECT_EQ(cook.GetTint(), Color(0, 0, 0, 0));
    cook.MouseEnter();
    EXPECT_EQ(cook.GetTint(), Color(0, 0, 0, 0));
    host.mActive = nullptr;
    cook.MouseUpButton(10, 10, 0, 1); // already selected
    EXPECT_EQ(host.mActive, nullptr);
}

TEST_F(Cook, PicturesByFacingAndWalkFrame)
{
    CharLorenzo cook(&host);
    cook.mWalk.mFacing = FACING_UP_LEFT;
    EXPECT_EQ(Drawn(cook), "stretch 0,0,50,50 255,255,255,255 idle5");
    cook.mWalk.mWalking = true;
    cook.mWalk.mFacing = FACING_RIGHT;
    EXPECT_EQ(Drawn(cook), "stretch 0,0,50,50 255,255,255,255 walk0_3");
    cook.mAnimFrame = 1;
    cook.mWalk.mFacing = FACING_DOWN;
    EXPECT_EQ(Drawn(cook), "stretch 0,0,50,50 255,255,255,255 walk1_0");
}

TEST_F(Cook, WalkFrameAlternatesEvery15thUpdateWhileWalking)
{
    CharLorenzo cook(&host);
    for (host.mUpdateCount = 1; host.mUpdateCount <= 14; host.mUpdateCount++)
    {
        cook.mWalk.mWalking = true;
        cook.Update();
    }
    EXPECT_EQ(cook.mAnimFrame, 0);
    cook.Update(); // update 15
    EXPECT_EQ(cook.mAnimFrame, 1);
    host.mUpdateCount = 30;
    cook.Update();
    EXPECT_EQ(cook.mAnimFrame, 0);
    host.mUpdateCount = 45;
    cook.Update();
    EXPECT_EQ(cook.mAnimFrame, 1);
    cook.mWalk.mWalking = false; // stopped: keeps the frame for the next walk
    host.mUpdateCount = 60;
    cook.Update();
    EXPECT_EQ(cook.mAnimFrame, 1);
}

TEST_F(Cook, TileChangesOnlyWhenStandingExactlyOnATile)
{
    CharLorenzo cook(&host);
    cook.Move(525, 225); // tile (10, 4)
    cook.UpdateTile();
    EXPECT_EQ(cook.mWalk.mTile, (GameSimpleNode{10, 4}));
    cook.Move(522, 225);
    cook.UpdateTile();
    EXPECT_EQ(cook.mWalk.mTile, (GameSimpleNode{10, 4}));
    cook.Move(475, 226);
    cook.UpdateTile();
    EXPECT_EQ(cook.mWalk.mTile, (GameSimpleNode{9, 4}));
}

TEST(GameCharBase, DrawsABlueTile)
{
    FakeGameHost host;
    GameChar body(&host);
    RecordingImage image;
    Graphics g(&image);
    body.Draw(&g);
    EXPECT_EQ(image.mCalls.front(), "fill 0,0,50,50 0,0,255,255");
}
