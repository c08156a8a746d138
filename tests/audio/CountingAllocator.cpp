// Every allocation of the audio tests is counted on the thread that makes it, so that a test
// can tell that the output allocates nothing.
#include "AudioTestSupport.h"

#include <cstdlib>
#include <new>

namespace
{
thread_local int tAllocations = 0;
} // namespace

int AudioTest::AllocationsOnThisThread()
{
    return tAllocations;
}

// Every form of new and delete but the aligned ones, so that no allocation is made by one
// allocator and freed by another.
namespace
{
void* Allocate(std::size_t size) noexcept
{
    tAllocations++;
    return std::malloc(size ? size : 1);
}

void* AllocateOrThrow(std::size_t size)
{
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new[](std::size_t size)
{
    return AllocateOrThrow(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
