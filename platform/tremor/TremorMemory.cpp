// Tremor's malloc, calloc and realloc are renamed to these in the copy of its library that is
// linked (see the platform's CMakeLists.txt), and this file joins that copy.
#include "tremor/TremorMemory.h"

#include <atomic>
#include <cstdlib>
#include <unistd.h>

namespace
{
[[noreturn]] void SayOutOfMemory()
{
    static const char kText[] = "Out of memory while decoding Ogg Vorbis.\n";
    if (write(STDERR_FILENO, kText, sizeof kText - 1) < 0)
    {
    }
    _exit(EXIT_FAILURE);
}

std::atomic<Platform::TremorOutOfMemoryHandler> gHandler{&SayOutOfMemory};

void* Checked(void* memory, bool asked)
{
    if (memory == nullptr && asked)
    {
        gHandler.load()();
        SayOutOfMemory(); // a handler that returned
    }
    return memory;
}
} // namespace

namespace Platform
{
void SetTremorOutOfMemoryHandler(TremorOutOfMemoryHandler handler)
{
    gHandler = handler ? handler : &SayOutOfMemory;
}
} // namespace Platform

extern "C"
{
    [[gnu::visibility("hidden")]] void* lumo_tremor_malloc(size_t size)
    {
        return Checked(std::malloc(size), size != 0);
    }

    [[gnu::visibility("hidden")]] void* lumo_tremor_calloc(size_t count, size_t size)
    {
        return Checked(std::calloc(count, size), count != 0 && size != 0);
    }

    [[gnu::visibility("hidden")]] void* lumo_tremor_realloc(void* memory, size_t size)
    {
        return Checked(std::realloc(memory, size), size != 0);
    }
}
