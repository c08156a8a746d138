// Source files re-read for their tweak values: every line of the input may hold the plain and
// numbered macros with any text between the brackets.
#include "app/Common.h"
#include "FuzzFile.h"

#include <sys/stat.h>
#include <utime.h>

#include <cstddef>
#include <cstdint>

// Last: the macros' short names would clash with names in other headers.
#include "app/ModValues.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static FuzzFolder folder;
    static const std::string path = folder / "tweak.cpp";
    static Lumo::ModSite sites[16][Lumo::ModLine::kSlots];
    static bool registered = false;
    static long stamp = 2000000000;
    FuzzFolder::Write(path, data, size);
    if (!registered)
    {
        for (int line = 0; line < 16; ++line)
            for (int slot = 0; slot < Lumo::ModLine::kSlots; ++slot)
                Lumo::ModValue(sites[line][slot], path.c_str(), line, slot, (line & 1) ? 1 : 0.5);
        registered = true;
    }
    // Each input is a new edit of the file.
    utimbuf times{};
    times.actime = times.modtime = ++stamp;
    utime(path.c_str(), &times);
    Lumo::ReparseModValues();
    for (int line = 0; line < 16; ++line)
        for (int slot = 0; slot < Lumo::ModLine::kSlots; ++slot)
            (void)Lumo::ModValue(sites[line][slot], path.c_str(), line, slot, 0);
    return 0;
}
