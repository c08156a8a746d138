// One full redraw of the kitchen in play, guests seated, as the game draws it at 16 and
// at 32 bits: every instruction-set level gives the same frame, and that frame is the
// one the plain per-pixel drawing gave (its checksum was taken before the rows were
// vectorised; a change to the game's pictures or layout changes it too).
#include "tests/gameapp/GameAppSupport.h"
#include "tests/gameapp/PlayBot.h"

#include "game/src/GameFrame.h"
#include "graphics/CpuDispatch.h"

#include <cstdint>
#include <map>

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

class KitchenFrame : public GameAppSupport::GameAppFixture, public ::testing::WithParamInterface<int>
{
protected:
    void TearDown() override
    {
        Lumo::Cpu::SetActive(Lumo::Cpu::Supported());
        GameAppFixture::TearDown();
    }
};

} // namespace

TEST_P(KitchenFrame, EveryLevelDrawsTheFrameOfThePlainDrawing)
{
    const std::map<int, uint64_t> kRecorded = {{16, 0x5d913fab38d8804dull}, {32, 0xddf0026e51e8c13dull}};
    PlatformTest::SetDesktop(Platform::DesktopInfo{1024, 768, GetParam(), 60, 16u << 20});
    LinkAssets();
    TestGameApp app;
    app.mFixedSeed = 20261207;
    app.Init();
    ASSERT_TRUE(app.mInitialized);
    PlayBot bot(app, app.mHWnd);
    app.mDrawMicros = 100000;
    int playStart = -1, customers = 0;
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
        for (Lumo::Cpu::Level level : Lumo::Cpu::Runnable())
        {
            Lumo::Cpu::SetActive(level);
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
    for (auto [level, checksum] : frames)
        EXPECT_EQ(checksum, kRecorded.at(GetParam()))
            << Lumo::Cpu::Name(level) << " " << std::hex << checksum;
}

INSTANTIATE_TEST_SUITE_P(Depths, KitchenFrame, ::testing::Values(16, 32));
