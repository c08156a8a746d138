#include "FakeGameHost.h"
#include "RecordingImage.h"

#include "game/src/GameOverlay.h"
#include "game/src/HappinessBar.h"
#include "game/src/PizzaTimer.h"
#include "game/src/PopupMsg.h"

#include <gtest/gtest.h>

using namespace Lumo;

namespace
{

bool Has(const std::vector<std::string>& calls, const std::string& call)
{
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

} // namespace

TEST(HappinessBar, GaugeWidthIsClampedToTheBar)
{
    EXPECT_EQ(HappinessBar::FillWidth(50, 100), 166);
    EXPECT_EQ(HappinessBar::FillWidth(100, 100), 333);
    EXPECT_EQ(HappinessBar::FillWidth(250, 100), 333);
    EXPECT_EQ(HappinessBar::FillWidth(-20, 100), 0);
    EXPECT_EQ(HappinessBar::LineX(60, 100), 245); // trunc(60 * 333 / 100 + 46)
}

TEST(HappinessBar, DrawsColourByGoalAndDanger)
{
    FakeGameHost host;
    HappinessBar bar(&host);
    EXPECT_EQ(bar.mWidth, 390);
    EXPECT_EQ(bar.mHeight, 40);
    host.mHud = {70, 60, 30, 100, 0, 12000};
    RecordingImage image;
    Graphics g(&image);
    bar.Draw(&g);
    EXPECT_TRUE(Has(image.mCalls, "fill 45,4,335,22 127,127,127,255"));
    EXPECT_TRUE(Has(image.mCalls, "rect 45,4,334,21 0,0,0,255"));
    EXPECT_TRUE(Has(image.mCalls, "fill 46,5,233,20 0,255,0,255"));
    EXPECT_TRUE(Has(image.mCalls, "fill 46,5,333,20 0,255,0,127"));
    EXPECT_TRUE(Has(host.mText, "text GOAL 248,35 0,255,0,255"));
    EXPECT_TRUE(Has(host.mText, "text DANGER 82,35 255,0,0,255")); // ends at 145 - 3

    image.mCalls.clear();
    host.mHud.mHappiness = 40; // between the lines: no veil
    bar.Draw(&g);
    EXPECT_TRUE(Has(image.mCalls, "fill 46,5,133,20 63,223,63,255"));
    EXPECT_EQ(image.Count("fill 46,5,333,20"), 0);

    image.mCalls.clear();
    host.mHud.mHappiness = 10;
    bar.Draw(&g);
    EXPECT_TRUE(Has(image.mCalls, "fill 46,5,33,20 255,0,0,255"));
    EXPECT_TRUE(Has(image.mCalls, "fill 46,5,333,20 255,0,0,127"));
}

TEST(HappinessBar, HeartbeatOncePerFallBelowDanger)
{
    FakeGameHost host;
    HappinessBar bar(&host);
    host.mHud = {10, 60, 30, 100, 0, 12000};
    for (host.mUpdateCount = 1; host.mUpdateCount <= 500; host.mUpdateCount++)
        bar.Update();
    EXPECT_EQ(host.SoundCount(SOUND_HEARTBEAT), 1);
    host.mHud.mHappiness = 30; // back at the line re-arms it
    host.mUpdateCount = 600;
    bar.Update();
    EXPECT_FALSE(bar.IsWarned());
    host.mHud.mHappiness = 29;
    host.mUpdateCount = 650; // not a check tick
    bar.Update();
    EXPECT_EQ(host.SoundCount(SOUND_HEARTBEAT), 1);
    host.mHalted = true;
    host.mUpdateCount = 700;
    bar.Update();
    EXPECT_EQ(host.SoundCount(SOUND_HEARTBEAT), 1);
    host.mHalted = false;
    host.mUpdateCount = 800;
    bar.Update();
    EXPECT_EQ(host.SoundCount(SOUND_HEARTBEAT), 2);
}

TEST(PizzaTimer, TimeLeftAsMinutesAndSeconds)
{
    EXPECT_EQ(PizzaTimer::TimeLeftText(0, 12000), "2:00");
    EXPECT_EQ(PizzaTimer::TimeLeftText(5500, 12000), "1:05");
    EXPECT_EQ(PizzaTimer::TimeLeftText(11950, 12000), "0:00");
    EXPECT_EQ(PizzaTimer::TimeLeftText(11000, 12000), "0:10");
}

TEST(PizzaTimer, ClockTickSoundsOncePerGame)
{
    FakeGameHost host;
    PizzaTimer timer(&host);
    EXPECT_EQ(timer.mWidth, 200);
    EXPECT_EQ(timer.mHeight, 100);
    host.mHud = {0, 0, 0, 100, 8999, 12000};
    host.mUpdateCount = 100;
    timer.Update();
    EXPECT_EQ(host.SoundCount(SOUND_CLOCKTICK), 0);
    EXPECT_EQ(host.mFrame.mDirty, 1);
    host.mHud.mClock = 9000; // trunc(3 * 12000 / 4)
    host.mUpdateCount = 150;
    timer.Update();
    EXPECT_EQ(host.SoundCount(SOUND_CLOCKTICK), 0);
    host.mUpdateCount = 200;
    timer.Update();
    EXPECT_EQ(host.SoundCount(SOUND_CLOCKTICK), 1);
    host.mHud.mClock = 9100; // the next level's late quarter stays silent
    host.mUpdateCount = 300;
    timer.Update();
    EXPECT_EQ(host.SoundCount(SOUND_CLOCKTICK), 1);
    EXPECT_TRUE(timer.HasTicked());
}

TEST(PizzaTimer, QuartersGreyOutAndTextTurnsRed)
{
    FakeGameHost host;
    RecordingImage q[4];
    for (int k = 0; k < 4; k++)
    {
        q[k].mName = "q" + std::to_string(k + 1);
        host.mPictures["gfx/UI/PizzaTimer" + std::to_string(k + 1)] = &q[k];
    }
    PizzaTimer timer(&host);
    host.mHud = {0, 0, 0, 100, 6001, 12000}; // past two quarters
    RecordingImage image;
    Graphics g(&image);
    timer.Draw(&g);
    EXPECT_TRUE(Has(image.mCalls, "blt 100,0 127,127,127,255 q1"));
    EXPECT_TRUE(Has(image.mCalls, "blt 100,50 127,127,127,255 q2"));
    EXPECT_TRUE(Has(image.mCalls, "blt 0,50 255,255,255,255 q3"));
    EXPECT_TRUE(Has(image.mCalls, "blt 0,0 255,255,255,255 q4"));
    EXPECT_EQ(host.mText.back().substr(0, 9), "text 0:59");
    EXPECT_NE(host.mText.back().find(" 0,0,0,255"), std::string::npos);
    host.mHud.mClock = 9001;
    timer.Draw(&g);
    EXPECT_NE(host.mText.back().find(" 255,0,0,255"), std::string::npos);
}

TEST(PopupMsg, RisesTenPixelsAndFadesOverItsLife)
{
    FakeGameHost host;
    auto* popup = new PopupMsg(&host, 250);
    popup->SetPos(300, 200);
    EXPECT_EQ(popup->mX, 250);
    EXPECT_EQ(popup->mY, 160);
    host.mManager.AddWidget(popup);
    EXPECT_EQ(popup->Alpha(), 255);
    for (int tick = 1; tick <= 24; tick++)
        popup->Update();
    EXPECT_EQ(popup->mY, 160);
    popup->Update();
    EXPECT_EQ(popup->mY, 159);
    for (int tick = 26; tick <= 125; tick++)
        popup->Update();
    EXPECT_EQ(popup->Alpha(), 255); // half its life left
    popup->Update();
    EXPECT_EQ(popup->Alpha(), 252); // trunc(124 / 250 * 510)
    host.mPaused = true;
    popup->Update();
    EXPECT_EQ(popup->GetLife(), 124);
    host.mPaused = false;
    for (int tick = 127; tick <= 249; tick++)
        popup->Update();
    EXPECT_EQ(popup->mY, 151);
    EXPECT_TRUE(host.mDeferred.empty());
    popup->Update();
    EXPECT_EQ(popup->GetLife(), 0);
    EXPECT_EQ(popup->Alpha(), 0);
    EXPECT_EQ(popup->mY, 150);
    EXPECT_EQ(popup->mManager, nullptr);
    ASSERT_EQ(host.mDeferred.size(), 1u);
    EXPECT_EQ(host.mDeferred[0], popup);
}

TEST(PopupMsg, ShortLifeIsRaisedSoTheRiseStepIsNotZero)
{
    FakeGameHost host;
    PopupMsg popup(&host, 3);
    EXPECT_EQ(popup.GetLife(), PopupMsg::kMinLife);
    popup.Update();
    EXPECT_EQ(popup.GetLife(), 9);
}

TEST(PopupMsg, LinesAndIconPlacement)
{
    FakeGameHost host;
    RecordingImage euro;
    euro.mName = "euro";
    PopupMsg popup(&host, 250);
    popup.mLines[0].mText = "- 1";
    popup.mLines[0].mColor = Color(191, 0, 191);
    popup.mLines[0].mIcon = &euro;
    popup.mLines[0].mIconTint = Color(191, 0, 0);
    RecordingImage image;
    Graphics g(&image);
    popup.Draw(&g);
    EXPECT_TRUE(Has(host.mText, "text - 1 35,35 191,0,191,255")); // centred on 50, width 30
    EXPECT_TRUE(Has(image.mCalls, "stretch 13,15,25,25 191,0,0,255 euro"));
}

TEST(GameOverlay, MessageBoardClosesOnSpaceAndClearsHalt)
{
    FakeGameHost host;
    host.mManager.AddWidget(&host.mFrame);
    auto* board = new GameOverlay(&host, GameOverlay::kMessageBoard);
    EXPECT_EQ(board->mWidth, 800);
    EXPECT_EQ(board->mHeight, 600);
    board->mLines[0] = "Welcome to the Crustavia!";
    host.mManager.AddWidget(board);
    host.mHalted = true;
    board->KeyUp('a');
    EXPECT_EQ(board->mManager, &host.mManager);
    board->KeyUp(VK_SPACE);
    EXPECT_EQ(board->mManager, nullptr);
    EXPECT_FALSE(host.mHalted);
    EXPECT_EQ(host.mManager.mFocusWidget, &host.mFrame);
    ASSERT_EQ(host.mDeferred.size(), 1u);
    host.mManager.RemoveWidget(&host.mFrame);
}

TEST(GameOverlay, PauseBoardIgnoresSpaceAndKeepsAnEarlierHalt)
{
    FakeGameHost host;
    auto* board = new GameOverlay(&host, GameOverlay::kPauseBoard);
    board->mLines[4] = "PAUSED";
    host.mManager.AddWidget(board);
    host.mHalted = true;
    board->KeyUp(VK_SPACE);
    EXPECT_EQ(board->mManager, &host.mManager);
    host.mManager.RemoveWidget(board);
    EXPECT_TRUE(host.mHalted);
    EXPECT_EQ(host.mDeferred.size(), 1u);
}

TEST(GameOverlay, DrawsVeilAndCentredLines)
{
    FakeGameHost host;
    GameOverlay board(&host, GameOverlay::kMessageBoard);
    board.mLines[0] = "Level Up!";
    board.mLines[4] = "PAUSED";
    board.mColors[4] = Color(255, 0, 0);
    RecordingImage image;
    Graphics g(&image);
    board.Draw(&g);
    EXPECT_TRUE(Has(image.mCalls, "fill 0,0,800,600 0,0,0,127"));
    EXPECT_TRUE(Has(host.mText, "text Level Up! 355,200 255,255,255,255"));
    EXPECT_TRUE(Has(host.mText, "text PAUSED 370,400 255,0,0,255"));
}
