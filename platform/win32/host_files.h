// What the host's file status means in Windows terms.
#pragma once

#include "win32/types.h"

#include <string>
#include <sys/stat.h>

namespace Platform
{
// Folder, read-only (no write permission for the owner), else normal; a link is a reparse point
// besides, as Windows shows links.
DWORD AttributesFromStat(const struct stat& info, bool link = false);
// The status of what `path` names, a link's target in its place (a dangling link's own), with
// `link` telling whether it was one. False when nothing is there.
bool StatThroughLink(const std::string& path, struct stat& info, bool& link);
// 100-nanosecond intervals since 1601-01-01.
FILETIME FileTimeFromTimespec(const struct timespec& time);
// And back, to the 100 nanoseconds a FILETIME holds.
struct timespec TimespecFromFileTime(const FILETIME& fileTime);
} // namespace Platform

namespace Platform
{
// A Windows wildcard pattern against one name: "*", "?", "*.*" matches names without
// a dot too, and a trailing "." asks for names without one.
bool MatchesFilePattern(const char* name, const char* pattern);
} // namespace Platform
