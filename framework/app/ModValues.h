// Live-tweak values: a numeric literal written as M(5) or M1(0.25) in a source file reads as
// that literal until the file is edited, after which ReparseModValues picks up the new value
// while the program runs. Include this header only where the macros are wanted, after every
// other header: their short names would clash with names there.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Lumo
{

struct ModStorage
{
    bool mSet = false;
    int mInt = 0;
    double mDouble = 0.0;
};

// One source line: slot 0 is the plain M(), slots 1 to 9 the numbered macros.
struct ModLine
{
    static const int kSlots = 10;
    ModStorage mSlots[kSlots];
    bool mRegistered[kSlots] = {};
};

struct FileMods
{
    // Indexed by source line.
    std::vector<ModLine> mLines;
    int64_t mLastDate = 0;
};

// A use of the macro: registers its file on first use.
struct ModSite
{
    bool mFirstUse = true;
    FileMods* mFile = nullptr;
};

std::map<std::string, FileMods>& ModFileMap();

// Registers the site on its first use and returns the stored value, or the literal while the
// file has not been re-read.
int ModValue(ModSite& site, const char* file, int line, int slot, int literal);
double ModValue(ModSite& site, const char* file, int line, int slot, double literal);

// Re-reads every registered file changed since it was last read; false (after a message box)
// when none had changed or a file could not be read.
bool ReparseModValues();

} // namespace Lumo

#define LUMO_MODVAL(slot, value)                                                                             \
    (                                                                                                        \
        []()                                                                                                 \
        {                                                                                                    \
            static ::Lumo::ModSite sSite;                                                                    \
            return ::Lumo::ModValue(sSite, __FILE__, __LINE__, slot, value);                                 \
        }())
#define M(value) LUMO_MODVAL(0, value)
#define M1(value) LUMO_MODVAL(1, value)
#define M2(value) LUMO_MODVAL(2, value)
#define M3(value) LUMO_MODVAL(3, value)
#define M4(value) LUMO_MODVAL(4, value)
#define M5(value) LUMO_MODVAL(5, value)
#define M6(value) LUMO_MODVAL(6, value)
#define M7(value) LUMO_MODVAL(7, value)
#define M8(value) LUMO_MODVAL(8, value)
#define M9(value) LUMO_MODVAL(9, value)
