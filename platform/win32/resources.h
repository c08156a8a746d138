// The program's own resources, as a Windows program's resource script links them into it: the
// build embeds each file (lumo_resources, cmake/Lumo.cmake) and adds it here before main runs.
#pragma once

#include <cstddef>

namespace Platform
{
struct Resource
{
    const unsigned char* data;
    size_t size;
};

// Adds a resource under its name (a later one of the same name replaces it); returns true, so
// that a static of the embedding source can hold the call.
bool AddResource(const char* name, const unsigned char* data, size_t size);
// The resource of that name, compared without case as Windows does; null when there is none.
const Resource* FindResourceNamed(const char* name);
} // namespace Platform
