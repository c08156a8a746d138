// Errors, debugger output, the process's command line and the C-runtime names.
#include "win32/kernel32.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace
{
thread_local DWORD tLastError = ERROR_SUCCESS;

std::mutex gCommandLineMutex;
std::vector<std::string> gArguments; // argv, program name first
bool gHaveArguments = false;
std::string gCommandLine; // what GetCommandLineA hands out; stays put until SetCommandLine
bool gCommandLineBuilt = false;

// Quotes one argument so that Windows' own splitting rules give it back unchanged.
std::string QuoteArgument(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg)
    {
        if (c == '\\')
        {
            backslashes++;
            continue;
        }
        // Backslashes are literal unless they come before a quote.
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

// Without SetCommandLine the kernel's record of the arguments is used.
std::vector<std::string> ProcessArguments()
{
    std::vector<std::string> args;
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string arg;
    while (std::getline(in, arg, '\0'))
        args.push_back(arg);
    return args;
}

const std::vector<std::string>& Arguments()
{
    if (!gHaveArguments)
    {
        gArguments = ProcessArguments();
        gHaveArguments = true;
    }
    return gArguments;
}

std::string JoinArguments(size_t first)
{
    const auto& args = Arguments();
    std::string joined;
    for (size_t i = first; i < args.size(); i++)
    {
        if (i > first)
            joined += ' ';
        joined += QuoteArgument(args[i]);
    }
    return joined;
}

int FoldCase(char c)
{
    return std::tolower((unsigned char)c);
}

struct ModuleInstanceTag
{
    char unused;
} gModuleInstance;
} // namespace

int WINAPI MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    int64_t product = (int64_t)a * b;
    uint64_t magnitude = product < 0 ? 0 - (uint64_t)product : (uint64_t)product;
    uint64_t divisor = c < 0 ? 0 - (uint64_t)(int64_t)c : (uint64_t)c;
    // Halves round away from zero.
    uint64_t quotient = (magnitude + divisor / 2) / divisor;
    bool negative = (product < 0) != (c < 0) && quotient != 0;
    if (quotient > (negative ? (uint64_t)INT32_MAX + 1 : (uint64_t)INT32_MAX))
        return -1;
    return negative ? (int)(0 - (int64_t)quotient) : (int)quotient;
}

DWORD WINAPI GetLastError()
{
    return tLastError;
}

void WINAPI SetLastError(DWORD error)
{
    tLastError = error;
}

void WINAPI OutputDebugStringA(LPCSTR text)
{
    if (text == nullptr || std::getenv("LUMO_DEBUG_OUTPUT") == nullptr)
        return;
    std::fputs(text, stderr);
    std::fflush(stderr);
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info)
{
    if (info == nullptr || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA))
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    info->dwMajorVersion = 5;
    info->dwMinorVersion = 1;
    info->dwBuildNumber = 2600;
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
    return TRUE;
}

LPSTR WINAPI GetCommandLineA()
{
    std::lock_guard<std::mutex> lock(gCommandLineMutex);
    if (!gCommandLineBuilt)
    {
        gCommandLine = JoinArguments(0);
        gCommandLineBuilt = true;
    }
    return gCommandLine.data();
}

int _stricmp(const char* a, const char* b)
{
    return _strnicmp(a, b, (size_t)-1);
}

int _strnicmp(const char* a, const char* b, size_t count)
{
    for (size_t i = 0; i < count; i++)
    {
        int ca = FoldCase(a[i]);
        int cb = FoldCase(b[i]);
        if (ca != cb || ca == 0)
            return ca - cb;
    }
    return 0;
}

int _vsnprintf(char* buffer, size_t count, const char* format, va_list args)
{
    va_list measure;
    va_copy(measure, args);
    int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0)
        return -1;
    if ((size_t)length < count)
        return std::vsnprintf(buffer, count, format, args);
    // Too long for a terminator: Windows fills the buffer and leaves it unterminated.
    std::vector<char> whole((size_t)length + 1);
    std::vsnprintf(whole.data(), whole.size(), format, args);
    if (count > 0)
        std::memcpy(buffer, whole.data(), count);
    return (size_t)length == count ? length : -1;
}

int _snprintf(char* buffer, size_t count, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int result = _vsnprintf(buffer, count, format, args);
    va_end(args);
    return result;
}

namespace Platform
{
std::string HostPath(const char* path)
{
    std::string host = path != nullptr ? path : "";
    for (char& c : host)
        if (c == '\\')
            c = '/';
    return host;
}

void SetCommandLine(int argc, char** argv)
{
    std::lock_guard<std::mutex> lock(gCommandLineMutex);
    gArguments.assign(argv, argv + argc);
    gHaveArguments = true;
    gCommandLineBuilt = false;
}

std::string CommandLineArguments()
{
    std::lock_guard<std::mutex> lock(gCommandLineMutex);
    return JoinArguments(1);
}

HINSTANCE ModuleInstance()
{
    return reinterpret_cast<HINSTANCE>(&gModuleInstance);
}
} // namespace Platform
