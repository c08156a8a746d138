#include "FakeGameApp.h"
#include "RecordingImage.h"

#include "game/src/GameFrame.h"
#include "game/src/GameOverlay.h"
#include "game/src/GameUI.h"
#include "game/src/HappinessBar.h"
#include "game/src/PizzaTimer.h"
#include "game/src/TrayWidget.h"
#include "graphics/Graphics.h"
#include "widgets/ButtonWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

using namespace Lumo;

namespace
{

constexpr const char* kPictureNames[] = {
    "gfx/UI/MainMenuBtnDown",   "gfx/UI/PauseBtnDown",    "gfx/UI/ResumeBtnDown",
    "gfx/UI/FullscreenBtnDown", "gfx/UI/WindowedBtnDown", "gfx/UI/MuteBtnDown",
    "gfx/UI/UnmuteBtnDown",     "gfx/UI/GrayLogo",        "gfx/UI/Euro",
};

class GameUITest : public ::testing::Test
{
protected:
    GameUITest()
    {
        for (int i = 0; i < int(std::size(kPictureNames)); i++)
        {
            pictures[i].mName = kPictureNames[i];
            app.mPictures[kPictureNames[i]] = &pictures[i];
        }
        app.mRandom = {0};
        frame = new GameFrame(&app);
        app.mManager.AddWidget(frame);
        ui = frame->GetUI();
    }
    ~GameUITest() override
    {
        app.mManager.RemoveAllChildren(false, false);
        app.DeferWidgetDeletion(frame);
        app.RunDeferred();
    }
    void CloseBoard() { app.Boards().back()->KeyUp(32); }
    // A press and release over the middle of a bar button, as the mouse gives them.
    void Click(int id)
    {
        const ButtonWidget* button = ui->GetButton(id);
        const int x = ui->mX + button->mX + 12;
        const int y = ui->mY + button->mY + 12;
        app.mManager.MouseMove(x, y);
        app.mManager.MouseDown(x, y, 1);
        app.mManager.MouseUp(x, y, 1);
    }
    std::string Picture(int id) { return RecordingImage::N(ui->GetButton(id)->mButtonImage); }
    int IndexOf(Widget* widget)
    {
        auto& children = app.mManager.mChildren;
        return int(std::distance(children.begin(), std::find(children.begin(), children.end(), widget)));
    }

    RecordingImage pictures[std::size(kPictureNames)];
    FakeApp app;
    GameFrame* frame = nullptr;
    GameUI* ui = nullptr;
};

TEST_F(GameUITest, TheBarIsLaidOutAndOnTopOfTheWelcomeBoard)
{
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(ui->mParent, &app.mManager);
    EXPECT_EQ(ui->mX, 0);
    EXPECT_EQ(ui->mY, 550);
    EXPECT_EQ(ui->mWidth, 800);
    EXPECT_EQ(ui->mHeight, 50);
    const int xs[] = {730, 695, 660, 625};
    for (int id = 0; id < GameUI::BUTTON_COUNT; id++)
    {
        ButtonWidget* button = ui->GetButton(id);
        EXPECT_EQ(button->mParent, ui);
        EXPECT_EQ(button->mX, xs[id]);
        EXPECT_EQ(button->mY, 22);
        EXPECT_EQ(button->mWidth, 25);
        EXPECT_EQ(button->mHeight, 25);
        EXPECT_EQ(button->GetColor(ButtonWidget::COLOR_LABEL_HILITE), Color(255, 0, 0));
    }
    EXPECT_EQ(Picture(0), " gfx/UI/MainMenuBtnDown");
    EXPECT_EQ(Picture(1), " gfx/UI/PauseBtnDown");
    EXPECT_EQ(Picture(2), " gfx/UI/FullscreenBtnDown");
    EXPECT_EQ(Picture(3), " gfx/UI/MuteBtnDown");
    EXPECT_EQ(ui->GetHappinessBar()->mParent, ui);
    EXPECT_EQ(ui->GetHappinessBar()->mX, 5);
    EXPECT_EQ(ui->GetHappinessBar()->mY, 5);
    PizzaTimer* timer = ui->GetTimer();
    EXPECT_EQ(timer->mParent, &app.mManager);
    EXPECT_EQ(timer->mX, 590);
    EXPECT_EQ(timer->mY, 475);

    // Bar, clock and tray stand over the welcome board, in that order.
    const int board = IndexOf(app.Boards().back());
    EXPECT_GT(IndexOf(ui), board);
    EXPECT_GT(IndexOf(timer), IndexOf(ui));
    EXPECT_GT(IndexOf(frame->GetMouseTray()), IndexOf(timer));
}

TEST_F(GameUITest, TheBarFollowsTheWindowModeAndVolumeItFindsOnAttach)
{
    app.mManager.RemoveWidget(frame);
    app.mWindowed = false;
    app.mSfxVolume = 0.0;
    app.mManager.AddWidget(frame);
    EXPECT_EQ(Picture(2), " gfx/UI/WindowedBtnDown");
    EXPECT_EQ(Picture(3), " gfx/UI/UnmuteBtnDown");
    EXPECT_EQ(ui->GetTimer()->mParent, &app.mManager);
    EXPECT_EQ(std::count(ui->mChildren.begin(), ui->mChildren.end(), ui->GetButton(0)), 1);
}

TEST_F(GameUITest, PauseButtonTogglesThePauseAndItsPicture)
{
    CloseBoard();
    Click(GameUI::BUTTON_PAUSE);
    EXPECT_EQ(app.SoundCount(SOUND_CLICK), 1);
    EXPECT_TRUE(frame->IsPaused());
    ASSERT_NE(frame->GetPauseBoard(), nullptr);
    EXPECT_EQ(Picture(1), " gfx/UI/ResumeBtnDown");
    // The bar and its clock stay over the pause board, so the button can resume.
    EXPECT_GT(IndexOf(ui), IndexOf(frame->GetPauseBoard()));
    EXPECT_GT(IndexOf(ui->GetTimer()), IndexOf(ui));

    Click(GameUI::BUTTON_PAUSE);
    EXPECT_EQ(app.SoundCount(SOUND_CLICK), 2);
    EXPECT_FALSE(frame->IsPaused());
    EXPECT_EQ(frame->GetPauseBoard(), nullptr);
    EXPECT_EQ(Picture(1), " gfx/UI/PauseBtnDown");

    // The space bar goes through the same switch.
    frame->KeyUp(32);
    EXPECT_EQ(Picture(1), " gfx/UI/ResumeBtnDown");
    frame->KeyUp(32);
    EXPECT_EQ(Picture(1), " gfx/UI/PauseBtnDown");
}

TEST_F(GameUITest, AHeldBarButtonShowsItsPictureOnePixelDownAndRight)
{
    CloseBoard();
    const ButtonWidget* button = ui->GetButton(GameUI::BUTTON_PAUSE);
    const int x = ui->mX + button->mX + 12;
    const int y = ui->mY + button->mY + 12;
    app.mManager.MouseMove(x, y);
    app.mManager.MouseDown(x, y, 1);
    RecordingImage image;
    Graphics g(&image);
    ui->GetButton(GameUI::BUTTON_PAUSE)->Draw(&g);
    EXPECT_EQ(image.mCalls, (std::vector<std::string>{"blt 1,1 255,255,255,255 gfx/UI/PauseBtnDown"}));
    app.mManager.MouseUp(x, y, 1);
}

TEST_F(GameUITest, MuteButtonSilencesAndRestoresTheFixedVolumes)
{
    CloseBoard();
    app.mSfxVolume = 0.8;
    app.mMusicVolume = 0.9;
    Click(GameUI::BUTTON_MUTE);
    EXPECT_EQ(app.mSfxVolume, 0.0);
    EXPECT_EQ(app.mMusicVolume, 0.0);
    EXPECT_EQ(Picture(3), " gfx/UI/UnmuteBtnDown");
    // Unmuting gives 0.5 and 0.25 whatever the volumes were before.
    Click(GameUI::BUTTON_MUTE);
    EXPECT_EQ(app.mSfxVolume, 0.5);
    EXPECT_EQ(app.mMusicVolume, 0.25);
    EXPECT_EQ(Picture(3), " gfx/UI/MuteBtnDown");
    EXPECT_EQ(app.SoundCount(SOUND_CLICK), 2);
}

TEST_F(GameUITest, ScreenModeAndMainMenuButtons)
{
    CloseBoard();
    Click(GameUI::BUTTON_SCREEN_MODE);
    EXPECT_EQ(app.mWindowedCalls, (std::vector<bool>{false}));
    EXPECT_EQ(Picture(2), " gfx/UI/WindowedBtnDown");
    Click(GameUI::BUTTON_SCREEN_MODE);
    EXPECT_EQ(app.mWindowedCalls, (std::vector<bool>{false, true}));
    EXPECT_EQ(Picture(2), " gfx/UI/FullscreenBtnDown");
    EXPECT_TRUE(app.mFrames.empty());
    // Switched without the button (Alt+Enter), the button shows it on the next update.
    app.mWindowed = false;
    ui->Update();
    EXPECT_EQ(Picture(2), " gfx/UI/WindowedBtnDown");

    Click(GameUI::BUTTON_MAIN_MENU);
    EXPECT_EQ(app.mFrames, (std::vector<int>{0}));
    EXPECT_EQ(app.SoundCount(SOUND_CLICK), 3);
}

TEST_F(GameUITest, TheBarDrawsItsLogosMoneyBoxAndMoney)
{
    frame->SetMoney(1234);
    RecordingImage image;
    Graphics g(&image);
    g.Translate(ui->mX, ui->mY);
    ui->Draw(&g);
    ASSERT_FALSE(image.mCalls.empty());
    EXPECT_EQ(image.mCalls.front(), "fill 0,550,800,50 127,0,0,255");
    EXPECT_EQ(image.Count("stretch"), 9); // logos at x = -50 .. 750
    const auto has = [&](const std::string& call)
    { return std::find(image.mCalls.begin(), image.mCalls.end(), call) != image.mCalls.end(); };
    EXPECT_TRUE(has("stretch -50,525,100,100 127,190,190,95 gfx/UI/GrayLogo"));
    EXPECT_TRUE(has("stretch 750,525,100,100 127,190,190,95 gfx/UI/GrayLogo"));
    EXPECT_TRUE(has("fill 445,555,120,40 127,127,127,255"));
    EXPECT_EQ(image.Count("blt 400,555 255,255,0,255 gfx/UI/Euro"), 1);
    // Right-justified in the 100-wide box from x 455: ten pixels a character.
    ASSERT_FALSE(app.mText.empty());
    EXPECT_EQ(app.mText.back().substr(0, 18), "text 1234 515,583 ");
    EXPECT_EQ(app.mText.back().substr(app.mText.back().size() - 15), "255,255,255,255");
}

TEST_F(GameUITest, MouseOverTheBarMovesTheTrayInScreenCoordinates)
{
    ui->MouseMove(10, 20);
    EXPECT_EQ(frame->GetMouseX(), 10);
    EXPECT_EQ(frame->GetMouseTray()->mX, 12);
    EXPECT_EQ(frame->GetMouseTray()->mY, 572);
    // The gauge inside the bar adds the bar's position to its own.
    ui->GetHappinessBar()->MouseMove(10, 20);
    EXPECT_EQ(frame->GetMouseTray()->mX, 17);
    EXPECT_EQ(frame->GetMouseTray()->mY, 577);
}

} // namespace
