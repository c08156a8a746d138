// Writing a file whole or not at all: settings and demos never end up half written.
#pragma once

#include <cstddef>
#include <string>

namespace Platform
{
// Writes the bytes to a temporary file beside `path` (its name followed by ".tmp"), checks every
// write, the flush to the disk and the close, then renames it over `path`. On failure `path` is
// untouched, the temporary file is gone, and `error` holds the reason of the step that failed.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size, std::string& error);
} // namespace Platform
