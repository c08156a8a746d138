#include "audio/OutOfMemory.h"

#include <atomic>
#include <cstdlib>
#include <unistd.h>

namespace
{
[[noreturn]] void SayOutOfMemory()
{
    static const char kText[] = "Out of memory.\n";
    if (write(STDERR_FILENO, kText, sizeof kText - 1) < 0)
    {
    }
    _exit(EXIT_FAILURE);
}

std::atomic<Platform::OutOfMemoryHandler> gHandler{&SayOutOfMemory};
} // namespace

namespace Platform
{
void SetOutOfMemoryHandler(OutOfMemoryHandler handler)
{
    gHandler = handler ? handler : &SayOutOfMemory;
}

void OutOfMemory()
{
    gHandler.load()();
    SayOutOfMemory(); // a handler that returned
}
} // namespace Platform
