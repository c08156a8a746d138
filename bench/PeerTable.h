#pragma once

// A console reporter that also prints, at the end, one line per case and
// instruction-set level with the time of each peer doing the same job and how
// many times faster ours is at that level. Benchmarks are named
// <Peer>_<Case>/<arguments>: Ours@<level>, Sdl, Pixman, Memcpy. Ours runs at
// every vector level from SSE2 up to the active one (LUMO_CPU lowers it), or
// scalar alone when that is the active level.
// Times are processor time, steadier than wall time on a shared machine. With
// --benchmark_repetitions each is the median of the repetitions, and the noise
// column is the largest spread (median absolute deviation over the median)
// among the peers of the line. A case whose peers cannot do the same job (see
// Differs) is marked so.
#include "graphics/CpuDispatch.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace PeerTable
{

inline const std::vector<std::string>& Peers()
{
    // Ours is first, its name followed by the level.
    static const std::vector<std::string> peers = {"Ours", "Sdl", "Pixman", "Memcpy"};
    return peers;
}

// The cases whose peers do another job than ours (PEER_CASE_DIFFERS).
inline std::set<std::string>& Differs()
{
    static std::set<std::string> cases;
    return cases;
}

// The levels ours runs at.
inline std::vector<Lumo::Cpu::Level> Levels()
{
    using Lumo::Cpu::Level;
    Level top = Lumo::Cpu::Active();
    if (top == Level::Scalar)
        return {Level::Scalar};
    std::vector<Level> levels;
    for (int l = int(Level::Sse2); l <= int(top); l++)
        levels.push_back(Level(l));
    return levels;
}

// Registers ours for a case at every level of Levels(), each run at its level.
template <typename Args> void RegisterOurs(const char* name, void (*run)(benchmark::State&), Args args)
{
    for (Lumo::Cpu::Level level : Levels())
        benchmark::RegisterBenchmark((std::string("Ours@") + Lumo::Cpu::Name(level) + "_" + name).c_str(),
                                     [run, level](benchmark::State& state)
                                     {
                                         Lumo::Cpu::LevelScope scope(level);
                                         run(state);
                                     })
            ->Apply(args);
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 != 0 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

class Reporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const std::string& function = run.run_name.function_name;
            size_t cut = function.find('_');
            if (cut == std::string::npos)
                continue;
            std::string key = function.substr(cut + 1) + "/" + run.run_name.args;
            // Cases in the order they were registered, whatever order they ran in.
            auto place = std::make_pair(run.family_index, run.per_family_instance_index);
            auto known = mPlace.find(key);
            if (known == mPlace.end() || place < known->second)
                mPlace[key] = place;
            mTimes[key][function.substr(0, cut)].push_back(run.GetAdjustedCPUTime() *
                                                           UnitToNanoseconds(run.time_unit));
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-28s %-7s %10s %10s %10s %10s %8s %8s %8s %6s\n", "case (ns per call)", "level",
                    "ours", "SDL2", "pixman", "memcpy", "xSDL2", "xpixman", "xmemcpy", "noise");
        std::vector<std::string> order;
        for (const auto& entry : mPlace)
            order.push_back(entry.first);
        std::sort(order.begin(), order.end(),
                  [this](const std::string& a, const std::string& b) { return mPlace[a] < mPlace[b]; });
        for (const std::string& key : order)
            for (Lumo::Cpu::Level level : Levels())
                PrintLine(key, level);
        std::fflush(stdout);
    }

private:
    using Samples = std::map<std::string, std::vector<double>>;

    void PrintLine(const std::string& key, Lumo::Cpu::Level level)
    {
        const Samples& peers = mTimes[key];
        std::string oursAt = std::string("Ours@") + Lumo::Cpu::Name(level);
        double ours = Time(peers, oursAt), noise = Spread(peers, oursAt);
        if (ours <= 0)
            return;
        std::printf("%-28s %-7s %10.0f", key.c_str(), Lumo::Cpu::Name(level), ours);
        for (size_t p = 1; p < Peers().size(); p++)
        {
            double t = Time(peers, Peers()[p]);
            if (t > 0)
                std::printf(" %10.0f", t);
            else
                std::printf(" %10s", "-");
            noise = std::max(noise, Spread(peers, Peers()[p]));
        }
        // Speed of ours against each peer: above 1 ours is faster.
        for (size_t p = 1; p < Peers().size(); p++)
        {
            double t = Time(peers, Peers()[p]);
            if (t > 0)
                std::printf(" %8.2f", t / ours);
            else
                std::printf(" %8s", "-");
        }
        std::printf(" %5.1f%%%s\n", noise * 100,
                    Differs().count(key.substr(0, key.find('/'))) != 0 ? "  not the same job" : "");
    }

    static double UnitToNanoseconds(benchmark::TimeUnit unit)
    {
        switch (unit)
        {
        case benchmark::kSecond:
            return 1e9;
        case benchmark::kMillisecond:
            return 1e6;
        case benchmark::kMicrosecond:
            return 1e3;
        default:
            return 1;
        }
    }

    static double Time(const Samples& peers, const std::string& peer)
    {
        auto found = peers.find(peer);
        return found == peers.end() ? 0 : Median(found->second);
    }

    static double Spread(const Samples& peers, const std::string& peer)
    {
        auto found = peers.find(peer);
        if (found == peers.end() || found->second.size() < 2)
            return 0;
        double median = Median(found->second);
        std::vector<double> deviations;
        for (double t : found->second)
            deviations.push_back(std::fabs(t - median));
        return Median(deviations) / median;
    }

    std::map<std::string, std::pair<int64_t, int64_t>> mPlace;
    std::map<std::string, Samples> mTimes;
};

inline int Main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace PeerTable

// Registers a case's peers one after the other, so that their ratios are measured close in
// time, with `memory`, the plain copy of the same bytes (a fill for the fills); each peer
// applies `args`. A file defines PEERS(name, memory) as PEER_CASE(name, memory, its args).
#define PEER_CASE(name, memory, args)                                                                        \
    static const bool name##Registered = (PeerTable::RegisterOurs(#name, Ours_##name, args), true);          \
    BENCHMARK(Sdl_##name)->Apply(args);                                                                      \
    BENCHMARK(Pixman_##name)->Apply(args);                                                                   \
    BENCHMARK(memory)->Name("Memcpy_" #name)->Apply(args)

// Marks a case whose peers cannot do the same job as ours (the file says why).
#define PEER_CASE_DIFFERS(name) static const bool name##Differs = (PeerTable::Differs().insert(#name), true)
