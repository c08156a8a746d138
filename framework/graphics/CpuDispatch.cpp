#include "graphics/CpuDispatch.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Lumo::Cpu
{

namespace
{

constexpr const char* kNames[kLevels] = {"scalar", "sse2", "avx2", "avx512"};

Level Detect()
{
#if defined(__x86_64__) || defined(__i386__)
    // The checks also ask the operating system whether it keeps the wide registers.
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl"))
        return Level::Avx512;
    if (__builtin_cpu_supports("avx2"))
        return Level::Avx2;
    if (__builtin_cpu_supports("sse2"))
        return Level::Sse2;
#endif
    return Level::Scalar;
}

Level Choose()
{
    Level level = Supported();
    const char* asked = std::getenv("LUMO_CPU");
    if (asked == nullptr || *asked == '\0')
        return level;
    for (int l = 0; l < kLevels; l++)
        if (std::strcmp(asked, kNames[l]) == 0)
            return Level(l) < level ? Level(l) : level;
    std::fprintf(stderr, "LUMO_CPU=%s is not one of scalar, sse2, avx2, avx512: using %s\n", asked,
                 kNames[int(level)]);
    return level;
}

// -1 until the first use; every thread that races there computes the same value.
std::atomic<int> gActive{-1};

} // namespace

Level Supported()
{
    static const Level supported = Detect();
    return supported;
}

Level Active()
{
    int level = gActive.load(std::memory_order_relaxed);
    if (level < 0)
    {
        level = int(Choose());
        gActive.store(level, std::memory_order_relaxed);
    }
    return Level(level);
}

void SetActive(Level level)
{
    gActive.store(int(level < Supported() ? level : Supported()), std::memory_order_relaxed);
}

std::vector<Level> Runnable()
{
    std::vector<Level> levels;
    for (int l = 0; l <= int(Supported()); l++)
        levels.push_back(Level(l));
    return levels;
}

const char* Name(Level level)
{
    return kNames[int(level)];
}

} // namespace Lumo::Cpu
