// One full redraw of the kitchen in play, guests seated, as the game draws it at 16 bits
// (5-6-5 and 5-5-5) and at 32: every instruction-set level gives the same frame, and that
// frame is the one the plain per-pixel drawing gave (its checksums were taken before the
// rows were vectorised; a change to the game's pictures or layout changes them too).
#include "tests/gameapp/GameAppSupport.h"
#include "tests/gameapp/PlayBot.h"

#include "game/src/GameFrame.h"
#include "graphics/CpuDispatch.h"
#include "test/directdraw.h"

#include <cstdint>
#include <map>
#include <string>

namespace
{
using GameAppSupport::TestGameApp;
using PlayTest::PlayBot;

// FNV-1a over the visible bytes of every row of the screen picture's surface.
uint64_t ScreenChecksum(Lumo::DDImage* screen)
{
    uint64_t hash = 1469598103934665603ull;
    if (!screen->LockSurface())
        return 0;
    const DDSURFACEDESC& d = screen->mLockedSurfaceDesc;
    size_t rowBytes = size_t(d.dwWidth) * (d.ddpfPixelFormat.dwRGBBitCount / 8);
    for (DWORD y = 0; y < d.dwHeight; y++)
    {
        const auto* row = static_cast<const uint8_t*>(d.lpSurface) + size_t(y) * size_t(d.lPitch);
        for (size_t i = 0; i < rowBytes; i++)
            hash = (hash ^ row[i]) * 1099511628211ull;
    }
    screen->UnlockSurface();
    return hash;
}

// The game with its fixed seed, painted as on a slow machine: a frame costs a tenth of a second.
bool Launch(TestGameApp& app)
{
    app.mFixedSeed = 20261207;
    app.Init();
    app.mDrawMicros = 100000;
    return app.mInitialized;
}

struct Frame
{
    const char* name;
    int bits;
    bool green6;
    uint64_t checksum;
};

class KitchenFrame : public GameAppSupport::GameAppFixture, public ::testing::WithParamInterface<Frame>
{
protected:
    void TearDown() override
    {
        PlatformTest::SetDirectDraw565(true);
        GameAppFixture::TearDown();
    }
};

} // namespace

TEST_P(KitchenFrame, EveryLevelDrawsTheFrameOfThePlainDrawing)
{
    PlatformTest::SetDirectDraw565(GetParam().green6);
    PlatformTest::SetDesktop(Platform::DesktopInfo{1024, 768, GetParam().bits, 60, 16u << 20});
    LinkAssets();
    TestGameApp app;
    ASSERT_TRUE(Launch(app));
    PlayBot bot(app, app.mHWnd);
    int playStart = -1, customers = 0;
    uint32_t greenMask = 0;
    std::map<Lumo::Cpu::Level, uint64_t> frames;
    app.mOnUpdate = [&](int update)
    {
        Lumo::GameFrame* game = app.GetGameFrame();
        if (playStart < 0 && game != nullptr && !game->IsHalted())
            playStart = update;
        if (playStart < 0 || update - playStart < 1500)
        {
            bot.Update();
            return;
        }
        customers = int(game->GetCustomers().size());
        greenMask = uint32_t(app.mDDInterface->mGreenMask);
        for (Lumo::Cpu::Level level : Lumo::Cpu::Runnable())
        {
            Lumo::Cpu::LevelScope scope(level);
            app.mWidgetManager->MarkTreeDirty();
            app.mWidgetManager->DrawScreen();
            frames[level] = ScreenChecksum(app.mDDInterface->GetDrawSurfaceImage());
        }
        app.Shutdown();
    };
    app.Start();
    EXPECT_TRUE(app.mFatal.empty());
    ASSERT_FALSE(frames.empty()) << "the kitchen was not reached";
    EXPECT_EQ(customers, 3);
    EXPECT_EQ(greenMask, GetParam().bits == 32 ? 0xFF00u : GetParam().green6 ? 0x7E0u : 0x3E0u);
    for (auto [level, checksum] : frames)
        EXPECT_EQ(checksum, GetParam().checksum) << Lumo::Cpu::Name(level) << " " << std::hex << checksum;
}

INSTANTIATE_TEST_SUITE_P(Forms, KitchenFrame,
                         ::testing::Values(Frame{"Rgb565", 16, true, 0x5d913fab38d8804dull},
                                           Frame{"Rgb555", 16, false, 0xaae12fd4b5d3e8feull},
                                           Frame{"Rgb888", 32, true, 0xddf0026e51e8c13dull}),
                         [](const auto& info) { return std::string(info.param.name); });

namespace
{

// Draws every frame a second time from scratch and counts those that came out otherwise.
class FullRedrawCheck : public TestGameApp
{
public:
    int mFrames = 0;
    int mDiffering = 0;

    bool DrawFrame() override
    {
        const bool drew = TestGameApp::DrawFrame();
        if (drew && mWidgetManager != nullptr && mDDInterface != nullptr)
        {
            Lumo::DDImage* screen = mDDInterface->GetDrawSurfaceImage();
            const uint64_t shown = ScreenChecksum(screen);
            mWidgetManager->MarkTreeDirty();
            mWidgetManager->DrawScreen();
            mFrames++;
            mDiffering += ScreenChecksum(screen) != shown;
        }
        return drew;
    }
};

class KitchenRedraw : public GameAppSupport::GameAppFixture
{
};

} // namespace

// Whatever a draw repainted, the frame is the one a full redraw gives: a translucent picture
// (the clock's rim, a selector's panel) blends once over what lies under it.
TEST_F(KitchenRedraw, EveryFrameIsTheOneAFullRedrawGives)
{
    LinkAssets();
    FullRedrawCheck app;
    ASSERT_TRUE(Launch(app));
    PlayBot bot(app, app.mHWnd);
    app.mUpdateLimit = 3000;
    app.mOnUpdate = [&](int) { bot.Update(); };
    app.Start();
    EXPECT_TRUE(app.mFatal.empty());
    EXPECT_GT(app.mFrames, 100);
    EXPECT_EQ(app.mDiffering, 0) << "of " << app.mFrames << " frames";
}
