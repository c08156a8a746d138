// Loading a sound effect: decoding its Ogg or MP3 source against reading the converted copy.
#include "media/AudioHost.h"
#include "app/Common.h"
#include "media/DSoundManager.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{
namespace fs = std::filesystem;

// A working folder holding the test loop as "effect.ogg" (10000 frames, mono, 44100 Hz).
struct Workspace
{
    Workspace()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        std::string pattern = (fs::temp_directory_path() / "lumo-bench-XXXXXX").string();
        folder = mkdtemp(pattern.data()) ? pattern : std::string();
        fs::copy_file(fs::path(LUMO_SOURCE_ROOT) / "tests/audio/data/loop.ogg",
                      fs::path(folder) / "effect.ogg");
        fs::copy_file(fs::path(LUMO_SOURCE_ROOT) / "tests/audio/data/ding.mp3",
                      fs::path(folder) / "ding.mp3");
        previous = fs::current_path();
        fs::current_path(folder);
        Lumo::gDSoundDLL = LoadLibraryA("dsound.dll");
    }
    ~Workspace()
    {
        fs::current_path(previous);
        fs::remove_all(folder);
    }
    std::string folder;
    fs::path previous;
};

void BM_LoadOggDecoded(benchmark::State& state)
{
    Workspace workspace;
    Lumo::DSoundManager manager(reinterpret_cast<HWND>(uintptr_t(1)), false);
    for (auto _ : state)
        benchmark::DoNotOptimize(manager.LoadOGGSound(0, "effect.ogg"));
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_LoadOggDecoded);

void BM_LoadCachedCopy(benchmark::State& state)
{
    Workspace workspace;
    Lumo::DSoundManager manager(reinterpret_cast<HWND>(uintptr_t(1)), false);
    if (manager.LoadSound("effect") < 0)
        state.SkipWithError("no sound output");
    for (auto _ : state)
        benchmark::DoNotOptimize(manager.LoadWAVSound(0, "cached\\effect.wav"));
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_LoadCachedCopy);

// The MP3 effect (2.2 s, 22050 Hz mono) through fmod.dll, decoded and written to the cache, against
// reading that copy back.
void BM_LoadMp3DecodedAndCached(benchmark::State& state)
{
    Workspace workspace;
    Lumo::DSoundManager manager(reinterpret_cast<HWND>(uintptr_t(1)), true);
    Lumo::MkDir("cached");
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(manager.LoadFModSound(0, "ding.mp3"));
        benchmark::DoNotOptimize(manager.WriteCacheWAV("cached\\ding.wav", 0, "ding.mp3"));
    }
    state.SetItemsProcessed(state.iterations() * 50112);
}
BENCHMARK(BM_LoadMp3DecodedAndCached);

void BM_LoadMp3CachedCopy(benchmark::State& state)
{
    Workspace workspace;
    Lumo::DSoundManager manager(reinterpret_cast<HWND>(uintptr_t(1)), true);
    if (manager.LoadSound("ding") < 0)
        state.SkipWithError("no sound output or no fmod.so");
    for (auto _ : state)
        benchmark::DoNotOptimize(manager.LoadWAVSound(0, "cached\\ding.wav"));
    state.SetItemsProcessed(state.iterations() * 50112);
}
BENCHMARK(BM_LoadMp3CachedCopy);
} // namespace
