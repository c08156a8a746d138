// The game's application on the dummy drivers with its real assets: fonts, every picture,
// sound and music track loaded, the main menu on show, the way to the play screen, and the
// fatal texts when a file is missing.
#include "tests/gameapp/GameAppSupport.h"

#include "game/src/GameApp.h"
#include "game/src/GameAssets.h"
#include "game/src/GameFrame.h"
#include "game/src/GameOverlay.h"
#include "game/src/GameScreen.h"
#include "test/present.h"

#include <cstdio>
#include <string>
#include <vector>

namespace
{
using GameAppSupport::TestGameApp;
using GameAppTest = GameAppSupport::GameAppFixture;

// Frees itself once off the screen, as the game's popups and boards do.
class SelfFreeingWidget : public Lumo::Widget
{
public:
    SelfFreeingWidget(Lumo::GameApp* app, bool* freed) : mApp(app), mFreed(freed) {}
    ~SelfFreeingWidget() override { *mFreed = true; }
    void DetachFromManager(Lumo::WidgetManager* manager) override
    {
        Lumo::Widget::DetachFromManager(manager);
        mApp->DeferWidgetDeletion(this);
    }

private:
    Lumo::GameApp* mApp;
    bool* mFreed;
};
} // namespace

TEST_F(GameAppTest, IdentityAndWindow)
{
    TestGameApp app;
    EXPECT_EQ(app.mTitle, "Crustavia - BETA 1.4");
    EXPECT_EQ(app.mRegistryKey, "Crustavia");
    EXPECT_EQ(app.mWidth, 800);
    EXPECT_EQ(app.mHeight, 600);
    EXPECT_TRUE(app.mSyncToRefresh);
    EXPECT_TRUE(app.mAutoEnable3D);
    EXPECT_EQ(app.GetCurrentFrame(), nullptr);
}

TEST_F(GameAppTest, LoadsEverythingAndGoesFromTheMenuToTheKitchen)
{
    LinkAssets();
    TestGameApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    ASSERT_NE(app.GetFont(20), nullptr);
    ASSERT_NE(app.GetFont(14), nullptr);
    ASSERT_NE(app.GetFont(10), nullptr);
    EXPECT_EQ(app.GetFont(12), nullptr);
    EXPECT_DOUBLE_EQ(app.mMusicVolume, 0.25);
    EXPECT_DOUBLE_EQ(app.mSfxVolume, 0.5);

    int step = 0;
    bool sawGame = false;
    app.mOnUpdate = [&](int)
    {
        Lumo::Widget* current = app.GetCurrentFrame();
        if (step == 0 && current != nullptr)
        {
            auto* menu = dynamic_cast<Lumo::FrameMainMenu*>(current);
            ASSERT_NE(menu, nullptr);
            EXPECT_EQ(menu->mParent, app.mWidgetManager);
            for (const std::string& name : Lumo::GameAssets::Pictures())
                EXPECT_NE(app.GetPicture(name), nullptr) << name;
            menu->ButtonReleased(Lumo::FrameMainMenu::BUTTON_START);
            step = 1;
        }
        else if (step == 1)
        {
            auto* tutorial = dynamic_cast<Lumo::FrameInstruction*>(current);
            ASSERT_NE(tutorial, nullptr);
            tutorial->ButtonReleased(Lumo::FrameInstruction::BUTTON_SKIP);
            step = 2;
        }
        else if (step == 2)
        {
            Lumo::GameFrame* game = app.GetGameFrame();
            ASSERT_NE(game, nullptr);
            EXPECT_EQ(current, static_cast<Lumo::Widget*>(game));
            EXPECT_TRUE(game->IsHalted()); // the welcome board
            EXPECT_NE(game->GetCook(), nullptr);
            app.LostFocus();
            EXPECT_TRUE(game->IsPaused());
            sawGame = true;
            step = 3;
        }
        else if (step == 3)
        {
            app.ShowFrame(0);
            app.Shutdown();
            step = 4;
        }
    };
    app.Start();
    EXPECT_TRUE(app.mFatal.empty()) << app.mFatal.front();
    EXPECT_TRUE(sawGame);
    EXPECT_NE(dynamic_cast<Lumo::FrameMainMenu*>(app.GetCurrentFrame()), nullptr);
}

TEST_F(GameAppTest, TheKitchenLooksTheSameThroughTheRenderer)
{
    LinkAssets();
    TestGameApp app;
    app.RegistryWriteBoolean("Is3D", false);
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    auto frameNow = [&app]
    {
        app.mWidgetManager->MarkTreeDirty();
        app.mWidgetManager->DrawScreen();
        app.Redraw(nullptr);
        std::vector<uint32_t> frame;
        int width = 0, height = 0;
        EXPECT_TRUE(PlatformTest::ReadPresentedFrame(app.mHWnd, &width, &height, &frame));
        return frame;
    };
    int kitchenSince = -1;
    IntegrationTest::FrameDifference apart{0.0, 1.0};
    app.mOnUpdate = [&](int update)
    {
        Lumo::Widget* current = app.GetCurrentFrame();
        if (auto* menu = dynamic_cast<Lumo::FrameMainMenu*>(current))
            menu->ButtonReleased(Lumo::FrameMainMenu::BUTTON_START);
        else if (auto* tutorial = dynamic_cast<Lumo::FrameInstruction*>(current))
            tutorial->ButtonReleased(Lumo::FrameInstruction::BUTTON_SKIP);
        else if (app.GetGameFrame() != nullptr && kitchenSince < 0)
            kitchenSince = update;
        // The kitchen under its welcome board, drawn in 2-D and then through the renderer.
        if (kitchenSince >= 0 && update == kitchenSince + 50)
        {
            const std::vector<uint32_t> twoD = frameNow();
            app.Set3D(true, true);
            ASSERT_TRUE(app.Is3DEnabled());
            apart = IntegrationTest::CompareFrames(twoD, frameNow(), IntegrationTest::kRendererTolerance,
                                                   IntegrationTest::kRendererFar);
            app.Shutdown();
        }
    };
    app.Start();
    std::printf(
        "kitchen 3-D against 2-D on the software renderer: %.3f%% of the pixels within %d, %.3f%% off by "
        "more than %d\n",
        100.0 * apart.mWithin, IntegrationTest::kRendererTolerance, 100.0 * apart.mFar,
        IntegrationTest::kRendererFar);
    EXPECT_GT(apart.mWithin, 0.995);
    EXPECT_LT(apart.mFar, 0.0005);
}

TEST_F(GameAppTest, WidgetsStillOnTheScreenAtTheEndAreFreed)
{
    bool freed = false;
    {
        TestGameApp app;
        app.mWidgetManager->AddWidget(new SelfFreeingWidget(&app, &freed));
    }
    EXPECT_TRUE(freed);
}

TEST_F(GameAppTest, AMissingPictureStopsTheLoadingWithItsName)
{
    LinkAssets("tile");
    TestGameApp app;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    app.Start();
    ASSERT_EQ(app.mFatal.size(), 1u);
    EXPECT_EQ(app.mFatal[0], "There was an error loading the file: gfx/tile/tile");
    EXPECT_TRUE(app.mCloseRequested);
    EXPECT_EQ(app.GetCurrentFrame(), nullptr);
    EXPECT_NE(app.GetPicture("gfx/objects/trashcan"), nullptr); // loaded before it
    EXPECT_EQ(app.GetPicture("gfx/lorenzo/idle/lorenzo0"), nullptr);
}

TEST_F(GameAppTest, AMissingFontEndsTheStart)
{
    LinkAssets("", false);
    TestGameApp app;
    app.Init();
    ASSERT_EQ(app.mFatal.size(), 1u);
    EXPECT_EQ(app.mFatal[0], "There was an error loading fonts/MonotypeCorsiva20Bold.txt");
    EXPECT_TRUE(app.mCloseRequested);
    EXPECT_EQ(app.GetFont(20), nullptr);
    // Nothing is loaded after it: no second error follows the first.
    app.Start();
    EXPECT_EQ(app.mFatal.size(), 1u);
    EXPECT_FALSE(app.mLoadingThreadStarted);
    EXPECT_EQ(app.GetPicture("gfx/ingredients/pizzadough"), nullptr);
}
