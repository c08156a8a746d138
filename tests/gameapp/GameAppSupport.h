// The game's application run by a test: its real assets linked into the test's working
// folder and a script called after every update.
#pragma once

#include "tests/integration/IntegrationSupport.h"

#include "game/src/GameApp.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace GameAppSupport
{
class TestGameApp : public Lumo::GameApp
{
public:
    std::function<void(int update)> mOnUpdate;
    std::vector<std::string> mFatal;
    // A run that goes wrong still ends: at most this many updates once loading is done. The
    // updates during loading are not counted, since how many run depends on the machine's load.
    int mUpdateLimit = 5000;
    int mUpdatesLoaded = 0;

    TestGameApp() { mCommandLineParsed = true; }
    bool KeepWorkingDirectory(const std::string&) override { return true; }
    void ShowFatalError(const std::string& text) override { mFatal.push_back(text); }
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
    void LinkAssets(const std::string& skip = "", bool fonts = true)
    {
        namespace fs = std::filesystem;
        const fs::path assets = LUMO_ASSETS_DIR;
        for (const char* folder : {"sfx", "music"})
            fs::create_directory_symlink(assets / folder, folder);
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
