// Test interface: ShellExecuteA calls recorded instead of run.
#pragma once

#include <string>
#include <vector>

namespace PlatformTest
{
struct ShellCall
{
    std::string operation;
    std::string file;
    std::string parameters;
};

// While on, ShellExecuteA succeeds without starting anything and records the call.
void CaptureShellExecute(bool on);
std::vector<ShellCall> ShellCalls();
} // namespace PlatformTest
