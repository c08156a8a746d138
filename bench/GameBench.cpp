// The whole game headless on the dummy drivers with its real assets: a recorded game replayed
// as fast as the application goes, one full redraw of the kitchen in play, and the peak
// resident memory of a play-through of a whole level.
#include "app/MersenneTwister.h"
#include "core/clock.h"
#include "core/desktop.h"
#include "test/direct3d.h"
#include "test/input.h"
#include "test/present.h"
#include "test/registry_test.h"

#include "d3d/d3d.h"
#include "display/D3DTester.h"
#include "display/DDInterface.h"
#include "game/src/GameApp.h"
#include "game/src/GameFrame.h"
#include "game/src/GameScreen.h"
#include "tests/gameapp/PlayBot.h"
#include "widgets/WidgetManager.h"
#include "win32/windows.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

// Updates of play recorded after the welcome board for the replays.
constexpr int kReplayPlayTicks = 3000;
// Of those, the replay that draws every frame runs the first ones.
constexpr int kReplayDrawnTicks = 1500;
// A level lasts 12000 updates; the play-through goes a little past its end.
constexpr int kLevelPlayTicks = 12300;
// A run that goes wrong still ends: updates after the loading.
constexpr int kUpdateLimit = 40000;
// The kitchen frames are drawn this many updates into the play.
constexpr int kKitchenPlayTicks = 1500;
// The random seed of every game that is not a replay.
constexpr uint32_t kSeed = 20261207;

// ---- the headless surroundings -----------------------------------------------------------

// A scratch working folder with the game's asset folders linked in, a registry file of its
// own, the manual clock (sleeps of the main thread move it at once, so nothing waits on real
// time) and a 1024x768 desktop of the given depth.
class Sandbox
{
public:
    explicit Sandbox(int depth)
    {
        mOld = fs::current_path();
        mDir = fs::temp_directory_path() / ("crustavia_bench_" + std::to_string(getpid()));
        fs::remove_all(mDir);
        fs::create_directories(mDir);
        fs::current_path(mDir);
        const fs::path assets = LUMO_ASSETS_DIR;
        for (const char* folder : {"gfx", "sfx", "music", "fonts"})
            fs::create_directory_symlink(assets / folder, folder);
        fs::create_symlink(assets / "vhwb.dat", "vhwb.dat");
        // Headless unless the caller names real drivers.
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        setenv("LUMO_REGISTRY_FILE", (mDir / "registry.txt").c_str(), 1);
        PlatformTest::ReloadRegistry();
        PlatformTest::UseManualClock(true);
        PlatformTest::SetDesktop(Platform::DesktopInfo{1024, 768, depth, 60, 16u << 20});
        PlatformTest::ResetInputState();
    }
    ~Sandbox()
    {
        PlatformTest::ResetDesktop();
        PlatformTest::UseManualClock(false);
        fs::current_path(mOld);
        std::error_code ignored;
        fs::remove_all(mDir, ignored);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

private:
    fs::path mDir;
    fs::path mOld;
};

// What a game has come to: equal between a recording and its replay.
struct GameState
{
    int mUpdate = -1;
    int mMoney = 0;
    int mHappiness = 0;
    int mCustomers = 0;
    double mClock = 0.0;
    bool operator==(const GameState&) const = default;
};

// The game's application with a hook after every update, a way out of the main loop that
// keeps the game alive, and the stamps of the timed part of a run: from the first update
// after the loading was handed over to the shutdown.
class BenchGameApp : public Lumo::GameApp
{
public:
    std::function<void(BenchGameApp&)> mOnUpdate;
    std::function<bool(BenchGameApp&)> mLeaveLoopWhen;
    std::vector<std::string> mFatal;
    int mFirstTimedUpdate = -1;
    SteadyClock::time_point mTimedStart;
    std::optional<SteadyClock::time_point> mTimedEnd;
    GameState mEndState;

    BenchGameApp() { mCommandLineParsed = true; }
    // Every run plays the same game: the random numbers are seeded alike (a played demo
    // brings its own seed).
    void PreSettingsHook() override
    {
        if (!mPlayingDemo)
        {
            mRandSeed = kSeed;
            Lumo::SRand(mRandSeed);
        }
    }
    bool KeepWorkingDirectory(const std::string&) override { return true; }
    void ShowFatalError(const std::string& text) override { mFatal.push_back(text); }
    void UpdateWidgets() override
    {
        if (mFirstTimedUpdate < 0 && mLoadingDoneHandled)
        {
            mFirstTimedUpdate = mUpdateCount;
            mTimedStart = SteadyClock::now();
        }
        GameApp::UpdateWidgets();
        if (mFirstTimedUpdate >= 0 && mUpdateCount - mFirstTimedUpdate > kUpdateLimit)
            Shutdown();
        if (mOnUpdate)
            mOnUpdate(*this);
    }
    void ShutdownHook() override
    {
        StopTiming();
        GameApp::ShutdownHook();
    }
    // The end stamp and the game's state then; the first call counts.
    void StopTiming()
    {
        if (!mTimedEnd)
        {
            mTimedEnd = SteadyClock::now();
            mEndState.mUpdate = mUpdateCount;
            if (Lumo::GameFrame* game = GetGameFrame())
            {
                const Lumo::GameProgress& progress = game->GetProgress();
                mEndState = GameState{mUpdateCount, progress.mMoney, progress.mHappiness,
                                      int(game->GetCustomers().size()), progress.mClock};
            }
        }
    }
    void MainLoop() override
    {
        while (!mShutdown && !(mLeaveLoopWhen && mLeaveLoopWhen(*this)))
        {
            if (mExitToTop)
                mExitToTop = false;
            PumpUntilUpdate();
        }
    }
    // A live game in a hurry: the loop at ten times the normal speed, and every frame drawn
    // taking a fifth of a second of the manual clock, so that the loop catches up at most 100
    // updates before it draws again. The game's own rules see the same ticks as ever.
    void Hurry()
    {
        mUpdateMultiplier = 10.0;
        mClockPerDraw = 200000;
    }
    bool DrawFrame() override
    {
        bool drawn = GameApp::DrawFrame();
        if (mClockPerDraw != 0)
            PlatformTest::AdvanceClock(mClockPerDraw);
        return drawn;
    }
    double TimedSeconds() const
    {
        return mTimedEnd ? std::chrono::duration<double>(*mTimedEnd - mTimedStart).count() : 0.0;
    }

private:
    uint64_t mClockPerDraw = 0; // microseconds
};

// ---- the player ----------------------------------------------------------------------------

// The test suite's player bot plays the game through the window's input queue, so that a
// recorded demo holds every step: Start, Skip, the boards, and the kitchen played to win.
class Player
{
public:
    // Called after every update; `PlayTicks` counts the updates since the welcome board went.
    void Step(BenchGameApp& app)
    {
        if (!mBot)
            mBot.emplace(app, app.mHWnd);
        mBot->Update();
        Lumo::GameFrame* game = app.GetGameFrame();
        if (mPlayStart < 0 && game != nullptr && !game->IsHalted())
            mPlayStart = app.mUpdateCount;
    }

    int PlayTicks(const BenchGameApp& app) const
    {
        return mPlayStart < 0 ? 0 : app.mUpdateCount - mPlayStart;
    }

private:
    std::optional<PlayTest::PlayBot> mBot;
    int mPlayStart = -1;
};

// ---- runs ----------------------------------------------------------------------------------

// Starts the game, drawing in 2-D unless `threeD` (the player's setting, so that the self test
// and the shipped card lists do not decide); what went wrong, or nothing when it started.
std::string StartGame(BenchGameApp& app, bool threeD = false)
{
    app.RegistryWriteBoolean("Is3D", threeD);
    app.Init();
    if (app.mInitialized && app.mFatal.empty())
        return std::string();
    return app.mFatal.empty() ? "the game did not start" : app.mFatal.front();
}

bool Started(BenchGameApp& app, benchmark::State& state, bool threeD = false)
{
    const std::string error = StartGame(app, threeD);
    if (!error.empty())
        state.SkipWithError(error.c_str());
    return error.empty();
}

// Records a game of `playTicks` updates of play to `path` (once per program); false, with the
// reason in `error`, when the game did not start or did not get to the kitchen.
bool RecordGame(const fs::path& path, int playTicks, GameState& end, std::string& error)
{
    Sandbox sandbox(32);
    {
        BenchGameApp app;
        app.mRecordingDemo = true;
        app.mDemoFileName = "bench.dmo";
        error = StartGame(app);
        if (!error.empty())
            return false;
        app.Hurry();
        Player player;
        bool closing = false;
        app.mOnUpdate = [&](BenchGameApp& a)
        {
            player.Step(a);
            if (!closing && player.PlayTicks(a) >= playTicks)
            {
                closing = true;
                PlatformTest::InjectCloseRequest(a.mHWnd);
            }
        };
        app.Start();
        if (player.PlayTicks(app) < playTicks)
        {
            error = "the recorded game ended before its play was done";
            return false;
        }
        end = app.mEndState;
    } // the destructor writes the demo
    fs::copy_file("bench.dmo", path, fs::copy_options::overwrite_existing);
    return true;
}

struct Recording
{
    fs::path mPath;
    GameState mEnd;
};

const Recording& RecordedGame(benchmark::State& state)
{
    static Recording recording{
        fs::temp_directory_path() / ("crustavia_bench_" + std::to_string(getpid()) + ".dmo"), GameState{}};
    static std::string error;
    static const bool recorded = []
    {
        bool ok = RecordGame(recording.mPath, kReplayPlayTicks, recording.mEnd, error);
        std::atexit([] { fs::remove(recording.mPath); });
        return ok;
    }();
    if (!recorded)
        state.SkipWithError(error.c_str());
    return recording;
}

// Plays the recorded game back. `fastForward` runs it as the playback key for "to the end"
// does: updates only (a frame is drawn once a second of a clock that never moves here); the
// whole recording is played and must end where the recorded game did. Otherwise the playback
// runs the normal loop, updates and draws, with the clock moved on at once wherever it would
// wait, for its first `tickLimit` updates after the loading.
void ReplayRecordedGame(benchmark::State& state, bool fastForward, int tickLimit)
{
    const Recording& demo = RecordedGame(state);
    if (state.error_occurred())
        return;
    long long ticks = 0;
    int draws = 0;
    for (auto _ : state)
    {
        Sandbox sandbox(32);
        BenchGameApp app;
        app.mPlayingDemo = true;
        app.mDemoFileName = demo.mPath.string();
        if (!Started(app, state))
            break;
        app.mFastForwardToEnd = fastForward;
        if (tickLimit > 0)
            app.mLeaveLoopWhen = [tickLimit](BenchGameApp& a)
            {
                const bool done =
                    a.mFirstTimedUpdate >= 0 && a.mUpdateCount - a.mFirstTimedUpdate >= tickLimit;
                if (done)
                    a.StopTiming();
                return done;
            };
        app.Start();
        const bool whole = app.mUpdateCount == app.mDemoLength && app.mEndState == demo.mEnd;
        if (!app.mTimedEnd || (tickLimit == 0 && !whole) || (tickLimit > 0 && app.mShutdown))
        {
            state.SkipWithError("the replay did not follow the recorded game");
            break;
        }
        state.SetIterationTime(app.TimedSeconds());
        ticks += app.mUpdateCount - app.mFirstTimedUpdate;
        draws += app.mDrawCount;
        app.Shutdown();
    }
    state.counters["ticks_per_s"] = benchmark::Counter(double(ticks), benchmark::Counter::kIsRate);
    state.counters["ticks"] = benchmark::Counter(double(ticks), benchmark::Counter::kAvgIterations);
    state.counters["draws"] = benchmark::Counter(double(draws), benchmark::Counter::kAvgIterations);
}

void BM_ReplayFastForward(benchmark::State& state)
{
    ReplayRecordedGame(state, true, 0);
}

void BM_ReplayWithDraws(benchmark::State& state)
{
    ReplayRecordedGame(state, false, kReplayDrawnTicks);
}

// The kitchen with seated customers, reached by the player bot at the same update of the same
// game every run; false when it was not.
bool ReachKitchen(BenchGameApp& app, Player& player)
{
    app.Hurry();
    app.mOnUpdate = [&](BenchGameApp& a) { player.Step(a); };
    app.mLeaveLoopWhen = [&](BenchGameApp& a) { return player.PlayTicks(a) >= kKitchenPlayTicks; };
    app.Start();
    app.mLeaveLoopWhen = nullptr;
    Lumo::GameFrame* game = app.GetGameFrame();
    return game != nullptr && player.PlayTicks(app) == kKitchenPlayTicks && !game->GetCustomers().empty() &&
           app.mWidgetManager != nullptr && app.mWidgetManager->mImage != nullptr;
}

// Every widget marked dirty and drawn again; a function of its own, so that an instruction
// count can be taken of it alone (callgrind's --toggle-collect names it).
[[gnu::noinline]] bool FullRedraw(Lumo::WidgetManager& widgets)
{
    widgets.MarkTreeDirty();
    return widgets.DrawScreen();
}

// The kitchen mid-level: customers seated, the bottom bar up; every widget marked dirty and
// the widget manager's draw of the screen picture, as the application's frame does it.
void BM_KitchenFullRedraw(benchmark::State& state)
{
    const int depth = int(state.range(0));
    Sandbox sandbox(depth);
    BenchGameApp app;
    if (!Started(app, state))
        return;
    Player player;
    Lumo::WidgetManager* widgets = app.mWidgetManager;
    const char* problem = nullptr;
    if (!ReachKitchen(app, player))
        problem = "the kitchen with seated customers was not reached";
    else
    {
        widgets->MarkTreeDirty();
        if (!widgets->DrawScreen())
            problem = "the widgets drew nothing";
    }
    if (problem != nullptr)
    {
        state.SkipWithError(problem);
        app.Shutdown();
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(FullRedraw(*widgets));
    state.counters["bits"] = double(app.mDDInterface->mRGBBits);
    state.counters["customers"] = double(app.GetGameFrame()->GetCustomers().size());
    app.Shutdown();
}

// Who draws: the video driver and, in 3-D, the renderer the self test's card lists judge.
std::string DrawnBy(bool threeD)
{
    const char* driver = SDL_GetCurrentVideoDriver();
    std::string label = driver ? driver : "?";
    if (threeD)
    {
        GUID guid{};
        std::string file, description;
        if (Lumo::D3DTester::GetD3D8AdapterInfo(guid, file, description))
            label += " / " + description;
    }
    return label;
}

// One frame of the kitchen as the player sees it: every widget drawn onto the screen picture
// and the frame presented, in 2-D (0) or through the renderer (1). The texture uploads and
// read-backs are counted per frame: over these repeated frames, and over frames of live play.
void BM_KitchenFrame(benchmark::State& state)
{
    const bool threeD = state.range(0) != 0;
    Sandbox sandbox(32);
    BenchGameApp app;
    if (!Started(app, state, threeD))
        return;
    Player player;
    if (!ReachKitchen(app, player))
    {
        state.SkipWithError("the kitchen with seated customers was not reached");
        app.Shutdown();
        return;
    }
    // Listed cards start in 2-D from a first start's self test: switched on as the player would.
    if (threeD && !app.Is3DEnabled())
        app.Set3D(true, true);
    if (app.Is3DEnabled() != threeD)
    {
        state.SkipWithError("no renderer to draw with");
        app.Shutdown();
        return;
    }
    Lumo::WidgetManager* widgets = app.mWidgetManager;
    auto frame = [&]
    {
        widgets->MarkTreeDirty();
        widgets->DrawScreen();
        app.Redraw(nullptr);
        // The window shows the frame at the next look at the message queue.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    };
    frame(); // textures made once
    PlatformTest::ResetDirect3DStatistics();
    const uint64_t presentsBefore = PlatformTest::HostPresentCount();
    int64_t frames = 0;
    for (auto _ : state)
    {
        frame();
        frames++;
    }
    const Platform::Direct3DStatistics repeated = Platform::GetDirect3DStatistics();
    state.counters["uploads"] = double(repeated.uploads) / double(std::max<int64_t>(frames, 1));
    state.counters["readbacks"] = double(repeated.readBacks) / double(std::max<int64_t>(frames, 1));
    state.counters["primitives"] = double(repeated.primitives) / double(std::max<int64_t>(frames, 1));
    state.counters["presents"] =
        double(PlatformTest::HostPresentCount() - presentsBefore) / double(std::max<int64_t>(frames, 1));
    state.counters["twin_presents"] = double(repeated.twinPresents) / double(std::max<int64_t>(frames, 1));

    // Live play: the game's own updates and frames.
    app.mDrawCount = 0;
    PlatformTest::ResetDirect3DStatistics();
    const int start = app.mUpdateCount;
    app.mLeaveLoopWhen = [start](BenchGameApp& a) { return a.mUpdateCount - start >= 500; };
    app.MainLoop();
    const Platform::Direct3DStatistics played = Platform::GetDirect3DStatistics();
    const double drawn = double(std::max(app.mDrawCount, 1));
    state.counters["play_uploads"] = double(played.uploads) / drawn;
    state.counters["play_readbacks"] = double(played.readBacks) / drawn;
    state.counters["still_3d"] = app.Is3DEnabled() ? 1 : 0;
    state.SetLabel(DrawnBy(threeD));
    app.Shutdown();
    // Nobody is there to answer the exit's question about keeping hardware acceleration.
    app.m3DSettingChanged = false;
}

// The self test as the first start runs it: card, memory, formats and the five draw tests.
void BM_SelfTest(benchmark::State& state)
{
    Sandbox sandbox(32);
    BenchGameApp app;
    if (!Started(app, state))
        return;
    for (auto _ : state)
    {
        // A DirectDraw object of its own, as at the start, before the display makes its primary.
        IDirectDraw7* dd = nullptr;
        if (DirectDrawCreateEx(nullptr, (void**)&dd, IID_IDirectDraw7, nullptr) != DD_OK)
        {
            state.SkipWithError("no DirectDraw");
            break;
        }
        Lumo::D3DTester tester(&app);
        tester.mUseRegistry = false;
        tester.SetVidMemoryConstraints(app.m3DTestMinVidMemory, app.m3DTestRecVidMemory);
        tester.Test(app.mHWnd, dd);
        dd->Release();
        if (!tester.mFailureReason.empty())
        {
            state.SkipWithError(tester.mFailureReason.c_str());
            break;
        }
    }
    state.SetLabel(DrawnBy(true));
    app.Shutdown();
}

// ---- memory --------------------------------------------------------------------------------

// A "Vm...:" line of /proc/self/status in kB; -1 when it cannot be read.
long StatusKilobytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind(field + ":", 0) == 0)
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    }
    return -1;
}

// Starts the peak of resident memory again from what is resident now (false: not offered).
bool ResetPeakResident()
{
    std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
    if (file == nullptr)
        return false;
    bool ok = std::fputs("5", file) >= 0;
    return std::fclose(file) == 0 && ok;
}

// One live game from the menu through a whole level (its end board closed with the space
// bar, and on a little): every update of it, and frames drawn as a hurried loop draws them.
void BM_PlayThroughPeakMemory(benchmark::State& state)
{
    for (auto _ : state)
    {
        malloc_trim(0);
        const long before = StatusKilobytes("VmRSS");
        const bool reset = ResetPeakResident();
        long long ticks = 0;
        int draws = 0;
        {
            Sandbox sandbox(32);
            BenchGameApp app;
            if (!Started(app, state))
                break;
            app.Hurry();
            Player player;
            app.mOnUpdate = [&](BenchGameApp& a)
            {
                player.Step(a);
                if (player.PlayTicks(a) >= kLevelPlayTicks)
                    a.Shutdown();
            };
            app.Start();
            ticks = player.PlayTicks(app);
            draws = app.mDrawCount;
            if (ticks < kLevelPlayTicks)
            {
                state.SkipWithError("the play-through ended before the level did");
                break;
            }
        }
        const long peak = StatusKilobytes("VmHWM");
        state.counters["peak_rss_MB"] = peak / 1024.0;
        state.counters["rss_before_MB"] = before / 1024.0;
        state.counters["peak_since_reset"] = reset ? 1 : 0;
        state.counters["play_ticks"] = double(ticks);
        state.counters["draws"] = double(draws);
    }
}

} // namespace

// The memory run goes first, before the other runs have grown the process.
BENCHMARK(BM_PlayThroughPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayFastForward)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayWithDraws)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KitchenFullRedraw)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KitchenFrame)->ArgName("3d")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SelfTest)->Unit(benchmark::kMillisecond);
