// Writing a file whole or not at all: settings and demos never end up half written.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <time.h>

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

// WriteFileAtomically of the pieces in order. With `modified`, the file comes into place with that
// last-write time already on it.
bool WritePiecesAtomically(const std::string& path, std::span<const FilePiece> pieces, std::string& error,
                           bool* taken = nullptr, const struct timespec* modified = nullptr);

// A name beside `target` that nobody can guess (target + ".tmp-" and 16 hexadecimal digits, the
// name cut to fit a folder entry): other writers, and links planted beforehand, never meet it.
std::string TemporaryName(const std::string& target);

// Puts the folder `built` where `folder` is in one step, so that a reader finds either the old
// folder or the new one whole; what was at `folder` is then left under the name `built`, and
// nothing is there when `folder` was free. 0, or the reason (EINVAL: the file system cannot swap).
int PutFolderInPlace(const std::string& built, const std::string& folder);
} // namespace Platform
