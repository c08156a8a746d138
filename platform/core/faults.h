// Failure injection: a test names a platform call, and that call then fails
// as the real system would report it.
#pragma once

namespace Platform
{
// True when the named call should fail now (uses up one of its counted failures).
bool ShouldFail(const char* callName);
} // namespace Platform

namespace PlatformTest
{
// The named call fails `times` times from now on (-1: until cleared).
void FailCall(const char* callName, int times = -1);
void ClearFailures();
} // namespace PlatformTest
