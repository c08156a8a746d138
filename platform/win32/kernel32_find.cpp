// Folder listings with Windows wildcard patterns.
#include "win32/host_errors.h"
#include "win32/host_files.h"
#include "win32/kernel32.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <map>
#include <vector>

namespace
{
struct FindState
{
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

std::mutex gFindMutex;
// Owned here, so that a stale or foreign handle is refused, not followed.
std::map<const FindState*, std::unique_ptr<FindState>> gOpenFinds;

bool SameLetter(char a, char b)
{
    return std::tolower((unsigned char)a) == std::tolower((unsigned char)b);
}

// '*' any run of characters, '?' any one; letters compare without case, as Windows does.
bool MatchPlain(const char* name, const char* pattern)
{
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name != 0)
    {
        if (*pattern == '*')
        {
            starPattern = ++pattern;
            starName = name;
        }
        else if (*pattern == '?' || (*pattern != 0 && SameLetter(*pattern, *name)))
        {
            pattern++;
            name++;
        }
        else if (starPattern != nullptr)
        {
            pattern = starPattern;
            name = ++starName;
        }
        else
            return false;
    }
    while (*pattern == '*')
        pattern++;
    return *pattern == 0;
}

bool HasWildcard(const std::string& pattern)
{
    return pattern.find_first_of("*?") != std::string::npos;
}
} // namespace

namespace Platform
{
bool MatchesFilePattern(const char* name, const char* pattern)
{
    if (MatchPlain(name, pattern))
        return true;
    std::string p = pattern;
    bool nameHasDot = std::strchr(name, '.') != nullptr;
    // A trailing ".*" also matches a name with no extension ("*.*" matches "README").
    if (p.size() >= 2 && p.compare(p.size() - 2, 2, ".*") == 0 && !nameHasDot)
        return MatchPlain(name, p.substr(0, p.size() - 2).c_str());
    // A trailing "." asks for names with no extension ("*." matches "README" only).
    if (p.size() >= 2 && p.back() == '.' && HasWildcard(p) && !nameHasDot)
        return MatchPlain(name, p.substr(0, p.size() - 1).c_str());
    return false;
}
} // namespace Platform

namespace
{
WIN32_FIND_DATAA MakeFindData(const std::string& name, const struct stat& info, bool link)
{
    WIN32_FIND_DATAA data;
    std::memset(&data, 0, sizeof(data));
    data.dwFileAttributes = Platform::AttributesFromStat(info, link);
    data.ftCreationTime = Platform::FileTimeFromTimespec(info.st_mtim);
    data.ftLastAccessTime = Platform::FileTimeFromTimespec(info.st_atim);
    data.ftLastWriteTime = Platform::FileTimeFromTimespec(info.st_mtim);
    if (!S_ISDIR(info.st_mode))
    {
        uint64_t size = (uint64_t)info.st_size;
        data.nFileSizeHigh = (DWORD)(size >> 32);
        data.nFileSizeLow = (DWORD)size;
    }
    std::strncpy(data.cFileName, name.c_str(), sizeof(data.cFileName) - 1);
    return data;
}

// "." and ".." first, as Windows lists them, then the names in a stable order.
bool ListedBefore(const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b)
{
    auto rank = [](const char* name) {
        return std::strcmp(name, ".") == 0 ? 0 : std::strcmp(name, "..") == 0 ? 1 : 2;
    };
    int ra = rank(a.cFileName);
    int rb = rank(b.cFileName);
    if (ra != rb)
        return ra < rb;
    int folded = _stricmp(a.cFileName, b.cFileName);
    return folded != 0 ? folded < 0 : std::strcmp(a.cFileName, b.cFileName) < 0;
}

bool List(const std::string& folder, const std::string& pattern, std::vector<WIN32_FIND_DATAA>& entries)
{
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr)
        return false;
    std::string prefix = folder == "/" ? folder : folder + "/";
    while (dirent* entry = readdir(dir))
    {
        // Names longer than a Windows name cannot be handed out whole; they are left out.
        if (std::strlen(entry->d_name) >= MAX_PATH ||
            !Platform::MatchesFilePattern(entry->d_name, pattern.c_str()))
            continue;
        std::string path = prefix + entry->d_name;
        // A link is listed as what it points at, marked as a link; a dangling one as a file.
        struct stat info;
        bool link = false;
        if (!Platform::StatThroughLink(path, info, link))
            continue; // deleted meanwhile
        entries.push_back(MakeFindData(entry->d_name, info, link));
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end(), ListedBefore);
    return true;
}
} // namespace

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA findData)
{
    if (pattern == nullptr || findData == nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (Platform::InjectedFailure("FindFirstFileA", ERROR_FILE_NOT_FOUND))
        return INVALID_HANDLE_VALUE;
    std::string path = Platform::HostPath(pattern);
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    std::string namePattern = slash == std::string::npos ? path : path.substr(slash + 1);
    if (namePattern.empty())
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto state = std::make_unique<FindState>();
    if (!List(folder, namePattern, state->entries))
    {
        Platform::FailFromErrno(folder);
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (state->entries.empty())
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *findData = state->entries[0];
    state->next = 1;
    std::lock_guard<std::mutex> lock(gFindMutex);
    HANDLE handle = state.get();
    gOpenFinds[state.get()] = std::move(state);
    return handle;
}

BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData)
{
    std::lock_guard<std::mutex> lock(gFindMutex);
    auto it = gOpenFinds.find(static_cast<const FindState*>(find));
    if (it == gOpenFinds.end() || findData == nullptr)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    FindState* state = it->second.get();
    if (state->next >= state->entries.size())
    {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *findData = state->entries[state->next++];
    return TRUE;
}

BOOL WINAPI FindClose(HANDLE find)
{
    std::lock_guard<std::mutex> lock(gFindMutex);
    auto it = gOpenFinds.find(static_cast<const FindState*>(find));
    if (it == gOpenFinds.end())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    gOpenFinds.erase(it);
    return TRUE;
}
