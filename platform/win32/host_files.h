// What the host's file status means in Windows terms.
#pragma once

#include "win32/types.h"

#include <sys/stat.h>

namespace Platform
{
// Folder, read-only (no write permission for the owner), else normal.
DWORD AttributesFromStat(const struct stat& info);
// 100-nanosecond intervals since 1601-01-01.
FILETIME FileTimeFromTimespec(const struct timespec& time);
} // namespace Platform

namespace Platform
{
// A Windows wildcard pattern against one name: "*", "?", "*.*" matches names without
// a dot too, and a trailing "." asks for names without one.
bool MatchesFilePattern(const char* name, const char* pattern);
} // namespace Platform
