#pragma once

#include <vector>

// Run-time choice of vector code. Code with vector versions keeps one table of
// function pointers per instruction-set level; the level is chosen once, on
// first use, from what the processor runs (and the environment variable
// LUMO_CPU: "scalar", "sse2", "avx2" or "avx512" lowers it), and every level
// gives the same bits as the scalar reference. No ifunc resolvers: those run
// before a sanitizer's run time is ready.
//
// Adding a row: give its table (Blitters::Rows, say: the X list in
// graphics/Blitters.h) a member; write the scalar reference (Blitters.cpp);
// write the vector version once as a template over the level's vector type
// (graphics/VectorSse2.h and its siblings, which give the same operations at
// every level) in graphics/VectorRows.h, which each level's file instantiates
// in RowsOf. A level's file compiles for its instruction set between
// LUMO_TARGET_BEGIN("avx2") and LUMO_TARGET_END, after its includes, so that
// nothing shared with other files is built for a processor that may lack it.
// Test the row at every level of Cpu::Runnable() against the reference
// (Blitters::RowsFor(level), or Cpu::SetActive for whole drawing operations).
namespace Lumo::Cpu
{

// Each level includes the ones before it.
enum class Level
{
    Scalar,
    Sse2,
    Avx2,
    Avx512, // F, BW and VL
};
inline constexpr int kLevels = 4;

// The highest level this processor and its operating system run.
Level Supported();
// The level in use: Supported(), or lower when LUMO_CPU asks for it.
Level Active();
// For tests: use `level` from now on (never above Supported()).
void SetActive(Level level);
// For tests: SetActive(level) while it lives, then the level that was active before.
class LevelScope
{
public:
    explicit LevelScope(Level level) : mBefore(Active()) { SetActive(level); }
    LevelScope(const LevelScope&) = delete;
    LevelScope& operator=(const LevelScope&) = delete;
    ~LevelScope() { SetActive(mBefore); }

private:
    Level mBefore;
};
// Every level from Scalar to Supported().
std::vector<Level> Runnable();
// The level's name as LUMO_CPU spells it.
const char* Name(Level level);

// Of the tables given per level (null where a level has none), the one of
// `level` or of the nearest level below it that has one; the scalar table
// must be there.
template <typename Table> const Table& Pick(const Table* const (&tables)[kLevels], Level level)
{
    for (int l = int(level); l > 0; l--)
        if (tables[l] != nullptr)
            return *tables[l];
    return *tables[0];
}

} // namespace Lumo::Cpu

// Whether the vector levels exist in this build (x86-64 only).
#if defined(__x86_64__)
#define LUMO_CPU_X86 1
#else
#define LUMO_CPU_X86 0
#endif

#define LUMO_PRAGMA(text) _Pragma(#text)
#if defined(__clang__)
#define LUMO_TARGET_BEGIN(isa)                                                                               \
    LUMO_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define LUMO_TARGET_END LUMO_PRAGMA(clang attribute pop)
#else
#define LUMO_TARGET_BEGIN(isa) LUMO_PRAGMA(GCC push_options) LUMO_PRAGMA(GCC target(isa))
#define LUMO_TARGET_END LUMO_PRAGMA(GCC pop_options)
#endif
