// Start and exit of the real game against the floor of a bare SDL program, in the same run.
//   startup_bench [rounds] [settle-ms] [game]
// Each round starts the floor (startup_floor) and the game (crustavia), alternating which goes
// first, each with first_present.so preloaded to report its first present. The game is then left
// running for settle-ms, asked to close (SIGINT, which reaches it as a quit request) and waited
// for. Its settings go to a file of its own in a temporary folder, whose replacements are counted.
// Prints every round and the medians.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

const char* kSettingsName = "registry.txt";

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

[[noreturn]] void Die(const std::string& text)
{
    std::fprintf(stderr, "startup_bench: %s\n", text.c_str());
    std::exit(1);
}

struct Run
{
    double startMs = 0;
    double exitMs = 0;
    int writesBeforeClose = 0;
    int writesAfterClose = 0;
};

// Counts the settings file's replacements (the atomic writer renames onto it).
class WriteCounter
{
public:
    explicit WriteCounter(const fs::path& folder)
    {
        mFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        // The temporary file's own event stands between two of the settings file's: the kernel
        // would fold identical events in a row into one.
        if (mFd < 0 || inotify_add_watch(mFd, folder.c_str(), IN_MOVED_FROM | IN_MOVED_TO) < 0)
            Die("inotify: " + std::string(std::strerror(errno)));
    }
    ~WriteCounter() { close(mFd); }

    int Take()
    {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        ssize_t got;
        while ((got = read(mFd, buffer, sizeof(buffer))) > 0)
        {
            for (char* at = buffer; at < buffer + got;)
            {
                auto* event = reinterpret_cast<inotify_event*>(at);
                if ((event->mask & IN_MOVED_TO) != 0 && event->len > 0 &&
                    std::strcmp(event->name, kSettingsName) == 0)
                    count++;
                at += sizeof(inotify_event) + event->len;
            }
        }
        return count;
    }

private:
    int mFd = -1;
};

std::vector<std::string> Environment(const std::string& preload, int fd, const fs::path& settings)
{
    std::vector<std::string> env;
    std::string oldPreload;
    for (char** e = environ; *e != nullptr; e++)
    {
        std::string entry = *e;
        if (entry.rfind("LD_PRELOAD=", 0) == 0)
            oldPreload = entry.substr(11);
        else if (entry.rfind("LUMO_FIRST_PRESENT_FD=", 0) != 0 && entry.rfind("LUMO_REGISTRY_FILE=", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("LD_PRELOAD=" + preload + (oldPreload.empty() ? "" : ":" + oldPreload));
    env.push_back("LUMO_FIRST_PRESENT_FD=" + std::to_string(fd));
    env.push_back("LUMO_REGISTRY_FILE=" + settings.string());
    return env;
}

// A program that does not end within 20 s is killed: the measurement must never hang.
void WaitForEnd(pid_t pid, const std::string& path)
{
    for (int waited = 0; waited < 20000; waited++)
    {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    Die(path + " did not end");
}

// Starts `program`, returns when it has presented its first frame; with `settleMs` >= 0 the
// program is then asked to close after that long and its exit is timed, else it ends by itself.
Run Measure(const fs::path& program, const std::string& preload, const fs::path& settings, int settleMs,
            WriteCounter& writes)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        Die("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The write end reaches the child under its own number; stdout and stderr are not measured.
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> env = Environment(preload, 3, settings);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string path = program.string();
    char* argv[] = {path.data(), nullptr};
    writes.Take();

    // A run started with SIGINT ignored (nohup, a background job) would pass that on to the
    // child, which could then never be asked to close.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    Run run;
    pid_t pid;
    Clock::time_point started = Clock::now();
    if (posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, envp.data()) != 0)
        Die("cannot start " + path);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(fds[1]);
    pollfd wait{fds[0], POLLIN, 0};
    char mark = 0;
    if (poll(&wait, 1, 20000) != 1 || read(fds[0], &mark, 1) != 1 || mark != 'p')
        Die(path + " presented nothing");
    run.startMs = Ms(Clock::now() - started);
    close(fds[0]);
    if (settleMs >= 0)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
        run.writesBeforeClose = writes.Take();
        Clock::time_point asked = Clock::now();
        kill(pid, SIGINT);
        WaitForEnd(pid, path);
        run.exitMs = Ms(Clock::now() - asked);
        run.writesAfterClose = writes.Take();
        return run;
    }
    WaitForEnd(pid, path);
    return run;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}
} // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::atoi(argv[1]) : 10;
    int settleMs = argc > 2 ? std::atoi(argv[2]) : 1500;
    fs::path here = fs::canonical("/proc/self/exe").parent_path();
    fs::path floor = here / "startup_floor";
    fs::path game = argc > 3 ? fs::path(argv[3]) : here.parent_path().parent_path() / "game" / "crustavia";
    fs::path hook = here / "first_present.so";
    for (const fs::path& p : {floor, game, hook})
        if (!fs::exists(p))
            Die(p.string() + " is missing (build the targets startup_bench and play)");
    char folderName[] = "/tmp/startup_bench-XXXXXX";
    if (mkdtemp(folderName) == nullptr)
        Die("mkdtemp");
    fs::path folder = folderName;
    // LD_PRELOAD splits its list at blanks, and the build's folder may have some in its path.
    std::string preload = (folder / hook.filename()).string();
    fs::copy_file(hook, preload);
    fs::path settings = folder / kSettingsName;
    WriteCounter writes(folder);

    // Warm the file cache, and let the game's first start store its self-test result.
    Measure(floor, preload, settings, -1, writes);
    Measure(game, preload, settings, settleMs, writes);

    std::vector<double> floorMs, gameMs, exitMs, startWrites, exitWrites;
    std::printf("%5s %10s %10s %7s %9s %13s\n", "round", "floor ms", "game ms", "ratio", "exit ms",
                "writes s/e");
    for (int round = 0; round < rounds; round++)
    {
        Run f, g;
        if (round % 2 == 0)
        {
            f = Measure(floor, preload, settings, -1, writes);
            g = Measure(game, preload, settings, settleMs, writes);
        }
        else
        {
            g = Measure(game, preload, settings, settleMs, writes);
            f = Measure(floor, preload, settings, -1, writes);
        }
        floorMs.push_back(f.startMs);
        gameMs.push_back(g.startMs);
        exitMs.push_back(g.exitMs);
        startWrites.push_back(g.writesBeforeClose);
        exitWrites.push_back(g.writesAfterClose);
        std::printf("%5d %10.1f %10.1f %7.2f %9.1f %6d/%d\n", round, f.startMs, g.startMs,
                    g.startMs / f.startMs, g.exitMs, g.writesBeforeClose, g.writesAfterClose);
    }
    double f = Median(floorMs), g = Median(gameMs);
    std::printf("median %9.1f %10.1f %7.2f %9.1f %6g/%g\n", f, g, g / f, Median(exitMs), Median(startWrites),
                Median(exitWrites));
    fs::remove_all(folder);
    return 0;
}
