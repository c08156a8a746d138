// Any byte string as the application's command line, each option acted on as the program does
// (in a scratch folder with numbered demos): a refused option ends in the fatal error's words,
// never a crash or an overflow, and a numbered demo's name is the prefix, a number and ".dmo".
#include "FuzzFile.h"
#include "app/LumoAppBase.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{
struct Refused
{
};

class OptionApp : public Lumo::LumoAppBase
{
public:
    bool KeepWorkingDirectory(const std::string&) override { return true; }
    // The refusal is caught here instead of ending the process.
    void ShowFatalError(const std::string& text) override
    {
        if (text.rfind("Invalid Command Line Param: ", 0) != 0)
            std::abort();
        throw Refused();
    }
    void HandleCommandLineOption(const std::string& name, const std::string& value) override
    {
        if (name == "-crash") // the test hook that ends the process on purpose
            return;
        LumoAppBase::HandleCommandLineOption(name, value);
        if (mPlayingDemo && mRecordingDemo)
            std::abort();
        if (name == "-recnum" || name == "-playnum")
        {
            const std::string& file = mDemoFileName;
            const size_t fixed = mDemoFilePrefix.size() + 4;
            if (file.size() <= fixed || file.size() > fixed + 11 || file.rfind(mDemoFilePrefix, 0) != 0 ||
                file.compare(file.size() - 4, 4, ".dmo") != 0)
                std::abort();
        }
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzFolder folder;
    static OptionApp* app = new OptionApp();
    static const std::string home = std::filesystem::current_path().string();
    for (const char* name : {"lumoapp1.dmo", "lumoapp7.dmo", "lumoapp999999999.dmo"})
        std::ofstream(folder / name) << "x";
    // Demos are numbered in the working folder; the fuzzer's own paths are relative to its folder.
    if (chdir((folder / "").c_str()) != 0)
        std::abort();
    try
    {
        app->SplitCommandLine(std::string(reinterpret_cast<const char*>(data), size));
    }
    catch (const Refused&)
    {
    }
    if (chdir(home.c_str()) != 0)
        std::abort();
    return 0;
}
