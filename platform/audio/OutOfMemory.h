// The process's end when memory runs out where no caller can be told: inside a decoder that does
// not check its allocations, in the program or in a library it loaded. It lives in the shared
// sound library so that the process has one, which the application sets.
#pragma once

namespace Platform
{
// Must not return. By default: "Out of memory." on standard error, then EXIT_FAILURE.
using OutOfMemoryHandler = void (*)();
__attribute__((visibility("default"))) void SetOutOfMemoryHandler(OutOfMemoryHandler handler);
[[noreturn]] __attribute__((visibility("default"))) void OutOfMemory();
} // namespace Platform
