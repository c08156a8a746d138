// Host error numbers as the Windows error codes callers test for.
#pragma once

#include "win32/types.h"

#include <string>

namespace Platform
{
DWORD ErrorFromErrno(int error);
// Sets the last error from errno and returns FALSE, the usual failure path. With the
// path, a missing parent folder reads ERROR_PATH_NOT_FOUND as Windows reports it.
BOOL FailFromErrno();
BOOL FailFromErrno(const std::string& hostPath);
// True (with the last error set) when a test asked the named call to fail.
bool InjectedFailure(const char* callName, DWORD error);
} // namespace Platform
