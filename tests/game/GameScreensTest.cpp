#include "FakeGameApp.h"

#include "game/src/FrameFactory.h"
#include "game/src/GameAssets.h"
#include "game/src/GameFrame.h"
#include "game/src/GameScreen.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace Lumo;

namespace
{

// A file by its name, with one of the readers' extensions, or a picture given by its
// alpha companion alone ("_" before the file name).
bool AssetExists(const std::string& name)
{
    const std::filesystem::path base = std::filesystem::path(LUMO_ASSETS_DIR) / name;
    const std::filesystem::path alpha = base.parent_path() / ("_" + base.filename().string());
    for (const std::filesystem::path& path : {base, alpha})
    {
        if (std::filesystem::exists(path))
            return true;
        for (const char* ext : {".png", ".jpg", ".tga", ".gif", ".wav", ".ogg"})
        {
            if (std::filesystem::exists(path.string() + ext))
                return true;
        }
    }
    return false;
}

void Detach(FakeApp& app)
{
    app.mManager.RemoveAllChildren(false, false);
}

} // namespace

TEST(GameAssets, NamesOrderAndFiles)
{
    const auto& pictures = GameAssets::Pictures();
    ASSERT_EQ(pictures.size(), 78u);
    EXPECT_EQ(pictures[0], "gfx/ingredients/pizzadough");
    EXPECT_EQ(pictures[17], "gfx/tile/tile");
    EXPECT_EQ(pictures[25], "gfx/lorenzo/idle/lorenzo7");
    EXPECT_EQ(pictures[26], "gfx/objects/chair/chair0");
    EXPECT_EQ(pictures[28], "gfx/lorenzo/walk1/lorenzo0_walk1");
    EXPECT_EQ(pictures[33], "gfx/customer/5/cust0");
    EXPECT_EQ(pictures[34], "gfx/UI/PizzaTimer1");
    EXPECT_EQ(pictures[61], "gfx/UI/PizzaTimer4");
    EXPECT_EQ(pictures[62], "gfx/UI/BigPizzaLogo1");
    EXPECT_EQ(pictures[77], "gfx/tutorial/tut3");
    ASSERT_EQ(SOUND_COUNT, 13);
    EXPECT_EQ(SOUND_HURRYUP, 8);
    EXPECT_STREQ(GameAssets::kSoundFiles[SOUND_HURRYUP], "sfx/hurryup");
    ASSERT_EQ(GameAssets::MusicTracks().size(), 5u);
    EXPECT_EQ(GameAssets::MusicTracks()[2], "music/Peperocina_Polka.ogg");

    for (const auto& name : pictures)
        EXPECT_TRUE(AssetExists(name)) << name;
    for (const char* name : GameAssets::kSoundFiles)
        EXPECT_TRUE(AssetExists(name)) << name;
    for (const auto& name : GameAssets::MusicTracks())
        EXPECT_TRUE(AssetExists(name)) << name;
    for (const char* name : GameAssets::kFontFiles)
        EXPECT_TRUE(AssetExists(name)) << name;
}

TEST(FrameMainMenu, ButtonsMusicAndWindowedMode)
{
    FakeApp app;
    auto* menu = new FrameMainMenu(&app);
    app.mManager.AddWidget(menu);
    EXPECT_EQ(app.mWindowedCalls, (std::vector<bool>{true}));
    ButtonWidget* start = menu->GetButton(FrameMainMenu::BUTTON_START);
    ButtonWidget* quit = menu->GetButton(FrameMainMenu::BUTTON_QUIT);
    EXPECT_EQ(start->mParent, menu);
    EXPECT_EQ(start->mLabel, "Start");
    EXPECT_EQ(quit->mX, 350);
    EXPECT_EQ(quit->mY, 460);
    EXPECT_EQ(quit->mWidth, 100);
    EXPECT_EQ(app.mMusic, (std::vector<int>{0}));

    // The next track only when the current one has ended, checked every 100 updates.
    app.mPlaying = -1;
    app.mUpdateCount = 150;
    menu->Update();
    EXPECT_EQ(app.mMusic.size(), 1u);
    for (int i = 0; i < 5; i++)
    {
        app.mPlaying = -1;
        app.mUpdateCount = 200 + 100 * i;
        menu->Update();
    }
    EXPECT_EQ(app.mMusic, (std::vector<int>{0, 1, 2, 3, 4, 0}));
    app.mUpdateCount = 800;
    menu->Update(); // track 0 plays
    EXPECT_EQ(app.mMusic.size(), 6u);

    menu->ButtonReleased(FrameMainMenu::BUTTON_START);
    EXPECT_EQ(app.mFrames, (std::vector<int>{2}));
    menu->ButtonReleased(FrameMainMenu::BUTTON_QUIT);
    EXPECT_EQ(app.mShutdowns, 1);
    EXPECT_EQ(app.SoundCount(2), 2);

    Detach(app);
    EXPECT_EQ(start->mParent, nullptr);
    EXPECT_EQ(app.mFaded, (std::vector<int>{0}));
    delete menu;
}

TEST(FrameInstruction, PagesAndButtons)
{
    FakeApp app;
    auto* tutorial = new FrameInstruction(&app);
    app.mManager.AddWidget(tutorial);
    ButtonWidget* back = tutorial->GetButton(FrameInstruction::BUTTON_BACK);
    ButtonWidget* next = tutorial->GetButton(FrameInstruction::BUTTON_NEXT);
    EXPECT_EQ(next->mX, 700);
    EXPECT_EQ(tutorial->GetButton(FrameInstruction::BUTTON_MENU)->mX, 275);
    EXPECT_FALSE(back->mVisible);
    EXPECT_EQ(app.mMusic, (std::vector<int>{2}));

    tutorial->ButtonReleased(FrameInstruction::BUTTON_BACK); // page 1: nothing
    EXPECT_EQ(tutorial->GetPage(), 1);
    EXPECT_TRUE(app.mSounds.empty());

    tutorial->ButtonReleased(FrameInstruction::BUTTON_NEXT);
    EXPECT_EQ(tutorial->GetPage(), 2);
    EXPECT_TRUE(back->mVisible);
    EXPECT_EQ(next->mLabel, "Next");
    tutorial->ButtonReleased(FrameInstruction::BUTTON_NEXT);
    EXPECT_EQ(tutorial->GetPage(), 3);
    EXPECT_EQ(next->mLabel, "Start");
    EXPECT_EQ(app.SoundCount(9), 2);
    tutorial->ButtonReleased(FrameInstruction::BUTTON_BACK);
    EXPECT_EQ(next->mLabel, "Next");
    tutorial->ButtonReleased(FrameInstruction::BUTTON_BACK);
    EXPECT_FALSE(back->mVisible);
    EXPECT_TRUE(app.mFrames.empty());

    tutorial->ButtonReleased(FrameInstruction::BUTTON_NEXT);
    tutorial->ButtonReleased(FrameInstruction::BUTTON_NEXT);
    tutorial->ButtonReleased(FrameInstruction::BUTTON_NEXT); // "Start"
    tutorial->ButtonReleased(FrameInstruction::BUTTON_SKIP);
    tutorial->ButtonReleased(FrameInstruction::BUTTON_MENU);
    EXPECT_EQ(app.mFrames, (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(app.SoundCount(2), 3);

    Detach(app);
    EXPECT_EQ(app.mFaded, (std::vector<int>{2}));
    delete tutorial;
}

TEST(ScreenSwitch, OneScreenAtATime)
{
    FakeApp app;
    FrameFactory factory(&app);
    EXPECT_EQ(factory.Create(5), nullptr);
    {
        std::unique_ptr<Widget> made(factory.Create(FRAME_INSTRUCTION));
        EXPECT_NE(dynamic_cast<FrameInstruction*>(made.get()), nullptr);
    }

    ScreenSwitch screens;
    ASSERT_TRUE(screens.Show(FRAME_MAIN_MENU, &app, factory));
    Widget* menu = screens.GetCurrent();
    EXPECT_NE(dynamic_cast<FrameMainMenu*>(menu), nullptr);
    EXPECT_EQ(menu->mParent, &app.mManager);
    EXPECT_EQ(screens.GetGame(), nullptr);

    // The play screen: the menu waits for the deferred deletion, off the screen.
    ASSERT_TRUE(screens.Show(FRAME_GAME, &app, factory));
    EXPECT_EQ(menu->mParent, nullptr);
    EXPECT_EQ(std::count(app.mDeferred.begin(), app.mDeferred.end(), menu), 1);
    ASSERT_NE(screens.GetGame(), nullptr);
    EXPECT_EQ(screens.GetCurrent(), static_cast<Widget*>(screens.GetGame()));
    EXPECT_GT(app.mManager.mChildren.size(), 10u); // the restaurant and its welcome board
    app.RunDeferred();

    Widget* game = screens.GetCurrent();
    EXPECT_FALSE(screens.Show(9, &app, factory));
    EXPECT_EQ(screens.GetCurrent(), nullptr);
    EXPECT_EQ(screens.GetGame(), nullptr);
    EXPECT_TRUE(app.mManager.mChildren.empty());
    EXPECT_EQ(std::count(app.mDeferred.begin(), app.mDeferred.end(), game), 1);
    EXPECT_EQ(ScreenSwitch::UnknownCodeText(9),
              "There was an error in FrameFactory. Check frame code. (Code 9)");

    ASSERT_TRUE(screens.Show(FRAME_INSTRUCTION, &app, factory));
    screens.Release();
    EXPECT_TRUE(app.mManager.mChildren.empty());
}
