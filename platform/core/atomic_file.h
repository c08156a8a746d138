// Writing a file whole or not at all: settings and demos never end up half written.
#pragma once

#include <cstddef>
#include <span>
#include <string>

namespace Platform
{
// Writes the bytes to a temporary file of its own beside `path` (a fresh name, created
// exclusively, never through a link), syncs it, renames it over `path` and syncs the folder.
// Readers and other writers of `path` see the old file or a new one, never a mix. When `path`
// is a link of the writer's own the file it points at is replaced and the link stays. The new
// file keeps the mode of the one it replaces (0644 less the umask when there was none); what is
// not a file is not replaced. On failure `path` is untouched, the temporary file is gone, and
// `error` holds the reason of the step that failed. With `taken`, a file already at `path` is
// never replaced: the write fails and *taken tells that this was why.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size, std::string& error,
                         bool* taken = nullptr);

// Bytes that are written one after another, so that a large file need not be copied into one
// block first.
struct FilePiece
{
    const void* data;
    size_t size;
};

// WriteFileAtomically of the pieces in order.
bool WritePiecesAtomically(const std::string& path, std::span<const FilePiece> pieces, std::string& error,
                           bool* taken = nullptr);
} // namespace Platform
