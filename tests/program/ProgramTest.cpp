// The real program, started as a player starts it: from its own folder with a copy of the game's
// files, in a real X11 window under Xvfb, and without any display at all.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace
{
namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The game's folder: the program, its audio and music libraries, and the assets it loads.
class ProgramFolder
{
public:
    // The game's files go into `below` inside the new folder, when it is given.
    explicit ProgramFolder(const fs::path& below = {})
    {
        std::string pattern = (fs::temp_directory_path() / "lumo-program-XXXXXX").string();
        mTop = mkdtemp(pattern.data());
        mPath = mTop / below;
        fs::create_directories(mPath);
        fs::copy_file(LUMO_PROGRAM, mPath / "crustavia");
        fs::copy_file(LUMO_BASS, mPath / "bass.so");
        fs::copy_file(LUMO_AUDIO_LIBRARY, mPath / "liblumo_audio.so");
        // LD_PRELOAD splits its list at blanks, and the build's folder may have some in its path.
        fs::copy_file(LUMO_BOX_SHIM, mTop / "box_shim.so");
        // Folders of its own, the files linked to the committed ones: a test may take one away.
        const fs::path assets = LUMO_ASSETS_DIR;
        for (const auto& entry : fs::recursive_directory_iterator(assets))
        {
            fs::path target = mPath / fs::relative(entry.path(), assets);
            if (entry.is_directory())
                fs::create_directories(target);
            else
                fs::create_symlink(entry.path(), target);
        }
    }
    ~ProgramFolder()
    {
        std::error_code ignored;
        fs::remove_all(mTop, ignored);
    }
    const fs::path& Path() const { return mPath; }
    std::string BoxShim() const { return (mTop / "box_shim.so").string(); }

    struct Result
    {
        int exitCode = -1;       // -1: did not exit by itself
        bool askedToEnd = false; // it ran until `terminateWhen` held
        std::string errors;
    };

    // Runs the program with these variables changed (an empty value removes one) and these
    // arguments, started from `from` (else from where the tests run); once `terminateWhen` holds
    // it is asked to end (SIGTERM); a run that does not end within the limit is killed.
    Result Run(const std::vector<std::pair<std::string, std::string>>& changes,
               const std::vector<std::string>& arguments = {}, const fs::path& from = {},
               const std::function<bool()>& terminateWhen = nullptr) const
    {
        std::vector<std::string> variables;
        for (char** v = environ; *v; v++)
        {
            std::string entry = *v;
            std::string name = entry.substr(0, entry.find('='));
            bool changed = false;
            for (const auto& change : changes)
                changed = changed || change.first == name;
            if (!changed)
                variables.push_back(entry);
        }
        for (const auto& [name, value] : changes)
            if (!value.empty())
                variables.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& v : variables)
            envp.push_back(v.data());
        envp.push_back(nullptr);

        const fs::path errors = mPath / "stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        if (!from.empty())
            posix_spawn_file_actions_addchdir_np(&actions, from.c_str());
        std::string program = (mPath / "crustavia").string();
        std::vector<std::string> words = {program};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        Result result;
        // Started from elsewhere: the program finds its files beside itself.
        if (int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()))
        {
            // A temporary folder mounted noexec, say.
            ADD_FAILURE() << program << " did not start: " << std::strerror(failed);
            return result;
        }
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        bool terminated = false;
        while (waitpid(pid, &status, WNOHANG) == 0)
        {
            if (terminateWhen && !terminated && terminateWhen())
                terminated = kill(pid, SIGTERM) == 0;
            if (std::chrono::steady_clock::now() > deadline)
            {
                kill(pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (WIFEXITED(status))
            result.exitCode = WEXITSTATUS(status);
        result.askedToEnd = terminated;
        result.errors = ReadAll(errors);
        return result;
    }

    // In a real window with the stand-in box, which notes every box in Boxes(); with `waits`
    // no box is answered and the program is asked to end once one is noted; with `termEarly`
    // it is asked to end as it writes its fatal error, before the box shows.
    Result RunWithBoxes(bool waits, bool termEarly = false) const
    {
        const fs::path boxes = mPath / "boxes.txt";
        return Run({{"LD_PRELOAD", BoxShim()},
                    {"LUMO_BOX_LOG", boxes.string()},
                    {"LUMO_BOX_WAIT", waits ? "1" : ""},
                    {"LUMO_TERM_BEFORE_BOX", termEarly ? "1" : ""},
                    {"LUMO_REGISTRY_FILE", (mPath / "registry.txt").string()},
                    {"SDL_VIDEODRIVER", "x11"},
                    {"SDL_AUDIODRIVER", "dummy"}},
                   {}, {},
                   [&]
                   {
                       std::string noted = waits ? ReadAll(boxes) : std::string();
                       return !noted.empty() && noted.back() == '\n';
                   });
    }
    std::string Boxes() const { return ReadAll(mPath / "boxes.txt"); }

private:
    fs::path mTop;
    fs::path mPath;
};

// A picture that does not load ends the start with the fatal-error box, asked for by the loading
// thread and shown by the main thread in the game's window, and with the fatal exit code: when
// the player answers the box, when the program is asked to end while the box waits (its text
// is on standard error already), and when it was asked just before the box (none shows then).
TEST(Program, AMissingPictureEndsWithTheFatalBoxOnTheMainThread)
{
    if (std::getenv("DISPLAY") == nullptr)
        GTEST_SKIP() << "needs an X11 display (run under xvfb-run)";
    enum Ending
    {
        kAnswered,
        kAskedToEnd,
        kAskedBefore
    };
    for (Ending ending : {kAnswered, kAskedToEnd, kAskedBefore})
    {
        SCOPED_TRACE(ending == kAnswered     ? "answered"
                     : ending == kAskedToEnd ? "asked to end"
                                             : "asked before");
        ProgramFolder folder;
        for (const char* extension : {".png", ".tga", ".jpg", ".gif"})
            fs::remove(folder.Path() / "gfx" / "objects" / (std::string("oven") + extension));
        auto run = folder.RunWithBoxes(ending != kAnswered, ending == kAskedBefore);
        EXPECT_EQ(folder.Boxes(),
                  ending == kAskedBefore
                      ? ""
                      : "main|FATAL ERROR|There was an error loading the file: gfx/objects/oven\n");
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.errors.find("FATAL ERROR: There was an error loading the file: gfx/objects/oven\n"),
                  std::string::npos)
            << run.errors;
    }
}

// On a desktop it cannot draw on (8 bits, a palette) the program asks for another colour depth and
// ends, instead of running unseen. Run by its own test on such a screen.
TEST(Program, OnAPaletteDesktopItAsksForAnotherDepthAndEnds)
{
    if (std::getenv("DISPLAY") == nullptr || std::getenv("LUMO_PALETTE_DESKTOP") == nullptr)
        GTEST_SKIP() << "needs an 8-bit X11 display (ctest program_xvfb_palette)";
    ProgramFolder folder;
    auto run = folder.RunWithBoxes(false);
    EXPECT_EQ(folder.Boxes(), "main|FATAL ERROR|Please set your desktop color depth to 16 bit.\n");
    EXPECT_EQ(run.exitCode, 1);
}

// Desktops the program draws on although they are unusual: deep colour (30 bits: SDL names no
// format for it, as for a palette), larger than the display memory a card is assumed to have (8K),
// wider than any surface the program may ask for (screens side by side), an X server without
// OpenGL (SDL makes the window anew for each renderer it tries) and one refusing the indirect
// OpenGL asked for. It starts, shows no box, runs until asked to end and then ends cleanly. Run by
// their own tests on such screens.
TEST(Program, OnAnOddDesktopItPlays)
{
    if (std::getenv("DISPLAY") == nullptr || std::getenv("LUMO_ODD_DESKTOP") == nullptr)
        GTEST_SKIP() << "needs an odd X11 display (ctest program_xvfb_deep, _8k, _wide, _noglx, _indirectgl)";
    ProgramFolder folder;
    const fs::path settings = folder.Path() / "registry.txt";
    // Once the display has started, its self test's record is written; the program is given a
    // moment in its main loop before it is asked to end.
    std::chrono::steady_clock::time_point started{};
    auto playing = [&]
    {
        auto now = std::chrono::steady_clock::now();
        if (started == std::chrono::steady_clock::time_point{} &&
            ReadAll(settings).find("\"Test3D\"") != std::string::npos)
            started = now;
        return started != std::chrono::steady_clock::time_point{} && now - started > std::chrono::seconds(1);
    };
    auto run = folder.Run({{"LD_PRELOAD", folder.BoxShim()},
                           {"LUMO_BOX_LOG", (folder.Path() / "boxes.txt").string()},
                           {"LUMO_REGISTRY_FILE", settings.string()},
                           {"SDL_VIDEODRIVER", "x11"},
                           {"SDL_AUDIODRIVER", "dummy"}},
                          {}, {}, playing);
    EXPECT_EQ(folder.Boxes(), "");
    EXPECT_TRUE(run.askedToEnd) << "it ended by itself";
    EXPECT_EQ(run.exitCode, 0) << run.errors;
}

// Started where no display can be reached, the program says so and ends at once with the fatal
// exit code instead of running unseen.
TEST(Program, WithoutADisplayItSaysSoAndEnds)
{
    ProgramFolder folder;
    // Without a runtime folder no Wayland socket is found under its default name either.
    auto run = folder.Run({{"DISPLAY", ""},
                           {"WAYLAND_DISPLAY", ""},
                           {"XDG_RUNTIME_DIR", ""},
                           {"SDL_VIDEODRIVER", ""},
                           {"SDL_AUDIODRIVER", "dummy"},
                           {"LUMO_REGISTRY_FILE", (folder.Path() / "registry.txt").string()}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find("No display found"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("Set SDL_VIDEODRIVER=dummy to run it without one."), std::string::npos);
}

// Installed where the path to the program is long, with blanks and letters beyond ASCII, the
// program still finds its folder and starts.
TEST(Program, StartsFromAFolderWithALongPath)
{
    std::string name;
    for (int i = 0; i < 6; i++)
        name += "Pizzeria \u00fcber alles ";
    ProgramFolder folder(fs::path(name) / name);
    const fs::path settings = folder.Path() / "registry.txt";
    auto run = folder.Run({{"SDL_VIDEODRIVER", "dummy"},
                           {"SDL_AUDIODRIVER", "dummy"},
                           {"LUMO_REGISTRY_FILE", settings.string()}},
                          {}, "/",
                          [&] { return ReadAll(settings).find("\"InProgress\" 1\n") != std::string::npos; });
    EXPECT_GT(folder.Path().string().size(), 256u);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
}

// Settings or a demo named by a pipe or a device (as /dev/null) are neither waited for nor
// replaced: the program says so and plays on.
TEST(Program, APipeOrADeviceIsNoSettingsOrDemoFile)
{
    ProgramFolder folder;
    const fs::path pipe = folder.Path() / "pipe", device = folder.Path() / "null";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::vector<fs::path> specials = {pipe};
    // Only root may make a device: its own null device, here.
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        specials.push_back(device);
    for (const fs::path& special : specials)
    {
        SCOPED_TRACE(special.string());
        const std::string said =
            "registry: cannot read " + special.string() + " (not a regular file); settings are not saved\n";
        auto run =
            folder.Run({{"SDL_VIDEODRIVER", "dummy"},
                        {"SDL_AUDIODRIVER", "dummy"},
                        {"LUMO_DEBUG_OUTPUT", "1"},
                        {"LUMO_REGISTRY_FILE", special.string()}},
                       {"-record", "-demofile=" + special.string()}, {},
                       [&] {
                           return ReadAll(folder.Path() / "stderr.txt").find("Resource Loading Time") !=
                                  std::string::npos;
                       });
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_NE(run.errors.find(said), std::string::npos) << run.errors;
        EXPECT_NE(
            run.errors.find("The demo could not be saved as " + special.string() + ": not a regular file\n"),
            std::string::npos);
        EXPECT_EQ(fs::symlink_status(special).type(),
                  special == pipe ? fs::file_type::fifo : fs::file_type::character);
    }
}

// Numbered demos are counted, deleted and read in the game's folder, where they are written, never
// in the folder the program was started from; what is not a demo file ends the start with the
// fatal error, not a crash.
TEST(Program, NumberedDemosLiveInTheGameFolder)
{
    ProgramFolder folder;
    const fs::path launch = folder.Path() / "launch";
    fs::create_directory(launch);
    std::ofstream(launch / "lumoapp1.dmo") << "not the program's";
    for (const char* name : {"lumoapp4.dmo", "lumoapp5.dmo"})
        std::ofstream(folder.Path() / name) << "no demo";
    const std::vector<std::pair<std::string, std::string>> headless = {
        {"SDL_VIDEODRIVER", "dummy"},
        {"SDL_AUDIODRIVER", "dummy"},
        {"LUMO_REGISTRY_FILE", (folder.Path() / "registry.txt").string()}};

    auto newest = folder.Run(headless, {"-playnum=1"}, launch);
    EXPECT_EQ(newest.exitCode, 1);
    EXPECT_NE(newest.errors.find("FATAL ERROR: Invalid demo file."), std::string::npos) << newest.errors;

    auto endless = folder.Run(headless, {"-recnum=1", "-play", "-demofile=/dev/zero"}, launch);
    EXPECT_EQ(endless.exitCode, 1);
    EXPECT_NE(endless.errors.find("FATAL ERROR: Invalid demo file."), std::string::npos) << endless.errors;
    EXPECT_TRUE(fs::exists(launch / "lumoapp1.dmo"));
    EXPECT_FALSE(fs::exists(folder.Path() / "lumoapp4.dmo"));
    EXPECT_TRUE(fs::exists(folder.Path() / "lumoapp5.dmo"));
}
} // namespace
