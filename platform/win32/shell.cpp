// ShellExecuteA over the desktop's opener.
#include "core/faults.h"
#include "test/shell.h"
#include "win32/shell32.h"

#include <cstring>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace
{
std::mutex gLock;
bool gCapture = false;
std::vector<PlatformTest::ShellCall> gCalls;

HINSTANCE Result(intptr_t code)
{
    return (HINSTANCE)code;
}
} // namespace

HINSTANCE WINAPI ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR, int)
{
    if (!file || !*file)
        return Result(SE_ERR_FNF);
    if (operation && *operation && std::strcmp(operation, "open") != 0)
        return Result(SE_ERR_NOASSOC);
    if (Platform::ShouldFail("ShellExecuteA"))
        return Result(SE_ERR_OOM);
    {
        std::lock_guard<std::mutex> lock(gLock);
        if (gCapture)
        {
            gCalls.push_back(
                PlatformTest::ShellCall{operation ? operation : "", file, parameters ? parameters : ""});
            return Result(42);
        }
    }
    // Arguments go to the opener as they are, never through a shell.
    std::string target = file;
    char* argv[] = {(char*)"xdg-open", target.data(), nullptr};
    pid_t pid;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0)
        return Result(SE_ERR_FNF);
    std::thread(
        [pid]
        {
            int status;
            waitpid(pid, &status, 0);
        })
        .detach();
    return Result(42);
}

namespace PlatformTest
{
void CaptureShellExecute(bool on)
{
    std::lock_guard<std::mutex> lock(gLock);
    gCapture = on;
    gCalls.clear();
}

std::vector<ShellCall> ShellCalls()
{
    std::lock_guard<std::mutex> lock(gLock);
    return gCalls;
}
} // namespace PlatformTest
