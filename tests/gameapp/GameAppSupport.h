// The game's application on the dummy drivers, as the game-app tests start it: its real
// assets linked into the working folder, a fatal-error log instead of boxes, a log of
// the sounds it plays, an optional fixed random seed and a bound on the run's length.
#pragma once

#include "tests/integration/IntegrationSupport.h"

#include "app/MersenneTwister.h"
#include "core/clock.h"
#include "game/src/GameApp.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace GameAppSupport
{

class TestGameApp : public Lumo::GameApp
{
public:
    std::function<void(int update)> mOnUpdate;
    std::vector<std::string> mFatal;
    std::vector<int> mSamples; // every sound id played, in order
    // A run that goes wrong still ends: at most this many updates once loading is done. The
    // updates during loading are not counted, since how many run depends on the machine's load.
    int mUpdateLimit = 5000;
    int mUpdatesLoaded = 0;
    // Seeds the random numbers instead of the tick count (a played demo brings its own).
    std::optional<uint32_t> mFixedSeed;
    // Manual-clock time every painted frame takes, as on a slow machine: the main loop then
    // runs the updates it fell behind by between two frames (at most ten) instead of painting
    // after every pass. Long runs spend most of their time painting.
    uint64_t mDrawMicros = 0;

    TestGameApp() { mCommandLineParsed = true; }
    bool KeepWorkingDirectory(const std::string&) override { return true; }
    void ShowFatalError(const std::string& text) override { mFatal.push_back(text); }
    void PlaySample(int id) override
    {
        mSamples.push_back(id);
        GameApp::PlaySample(id);
    }
    void PreSettingsHook() override
    {
        if (mFixedSeed && !mPlayingDemo)
        {
            mRandSeed = *mFixedSeed;
            Lumo::SRand(mRandSeed);
        }
    }
    bool DrawFrame() override
    {
        const bool drew = GameApp::DrawFrame();
        if (drew && mDrawMicros > 0)
            PlatformTest::AdvanceClock(mDrawMicros);
        return drew;
    }
    void UpdateWidgets() override
    {
        GameApp::UpdateWidgets();
        if (mLoadingDoneHandled && ++mUpdatesLoaded > mUpdateLimit)
            Shutdown();
        if (mOnUpdate)
            mOnUpdate(mUpdateCount);
    }
};

class GameAppFixture : public IntegrationTest::AppIntegration
{
protected:
    // The asset folders beside the program, as the build lays them out; `skip` leaves out
    // one folder below gfx.
    static void LinkAssets(const std::string& skip = "", bool fonts = true)
    {
        namespace fs = std::filesystem;
        const fs::path assets = LUMO_ASSETS_DIR;
        for (const char* folder : {"sfx", "music"})
            fs::create_directory_symlink(assets / folder, folder);
        // The game's list of refused video cards, which the self test reads.
        fs::create_symlink(assets / "vhwb.dat", "vhwb.dat");
        if (fonts)
            fs::create_directory_symlink(assets / "fonts", "fonts");
        fs::create_directory("gfx");
        for (const auto& entry : fs::directory_iterator(assets / "gfx"))
        {
            if (entry.path().filename() != skip)
                fs::create_directory_symlink(entry.path(), fs::path("gfx") / entry.path().filename());
        }
    }
};

} // namespace GameAppSupport
