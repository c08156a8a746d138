// Files and folders: "\" separated paths mapped onto the host's file system.
#include "win32/host_errors.h"
#include "win32/host_files.h"
#include "win32/kernel32.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <dlfcn.h>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
// Seconds between 1601-01-01 and 1970-01-01, in 100-nanosecond units.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

bool Exists(const std::string& hostPath)
{
    struct stat info;
    return lstat(hostPath.c_str(), &info) == 0;
}

// A link to a folder is removed as a folder, and only the link goes, as on Windows.
int RemoveFolder(const std::string& hostPath)
{
    struct stat link, target;
    if (lstat(hostPath.c_str(), &link) == 0 && S_ISLNK(link.st_mode) &&
        stat(hostPath.c_str(), &target) == 0 && S_ISDIR(target.st_mode))
        return unlink(hostPath.c_str());
    return rmdir(hostPath.c_str());
}

BOOL CopyOrMove(const std::string& from, const std::string& to, bool remove)
{
    std::error_code error;
    fs::copy_file(from, to, fs::copy_options::none, error);
    if (!error && remove)
        fs::remove(from, error);
    if (error)
    {
        errno = error.value();
        return Platform::FailFromErrno(from);
    }
    return TRUE;
}
} // namespace

namespace Platform
{
DWORD AttributesFromStat(const struct stat& info, bool link)
{
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if ((info.st_mode & S_IWUSR) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (link)
        attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
}

bool StatThroughLink(const std::string& path, struct stat& info, bool& link)
{
    if (lstat(path.c_str(), &info) != 0)
        return false;
    link = S_ISLNK(info.st_mode);
    struct stat target;
    if (link && stat(path.c_str(), &target) == 0)
        info = target;
    return true;
}

FILETIME FileTimeFromTimespec(const struct timespec& time)
{
    // Times before 1601 cannot be expressed; they clamp to its start.
    int64_t units = (int64_t)time.tv_sec * 10000000 + time.tv_nsec / 100 + (int64_t)kUnixEpochAsFileTime;
    uint64_t value = units < 0 ? 0 : (uint64_t)units;
    FILETIME fileTime;
    fileTime.dwLowDateTime = (DWORD)value;
    fileTime.dwHighDateTime = (DWORD)(value >> 32);
    return fileTime;
}

struct timespec TimespecFromFileTime(const FILETIME& fileTime)
{
    const int64_t units = (int64_t)((uint64_t)fileTime.dwHighDateTime << 32 | fileTime.dwLowDateTime) -
                          (int64_t)kUnixEpochAsFileTime;
    struct timespec time;
    time.tv_sec = (time_t)(units / 10000000);
    time.tv_nsec = (long)(units % 10000000) * 100;
    if (time.tv_nsec < 0)
    {
        time.tv_sec--;
        time.tv_nsec += 1000000000;
    }
    return time;
}
} // namespace Platform

BOOL WINAPI DeleteFileA(LPCSTR fileName)
{
    if (Platform::InjectedFailure("DeleteFileA", ERROR_ACCESS_DENIED))
        return FALSE;
    std::string path = Platform::HostPath(fileName);
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return Platform::FailFromErrno(path);
    // A link is deleted itself, whatever it points at, unless that is a folder.
    if (S_ISLNK(info.st_mode) && stat(path.c_str(), &info) != 0)
        return unlink(path.c_str()) == 0 ? TRUE : Platform::FailFromErrno(path);
    // Windows refuses to delete folders and read-only files here.
    if (S_ISDIR(info.st_mode) || (info.st_mode & S_IWUSR) == 0)
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return unlink(path.c_str()) == 0 ? TRUE : Platform::FailFromErrno(path);
}

BOOL WINAPI CreateDirectoryA(LPCSTR pathName, void* securityAttributes)
{
    if (Platform::InjectedFailure("CreateDirectoryA", ERROR_ACCESS_DENIED))
        return FALSE;
    std::string path = Platform::HostPath(pathName);
    if (mkdir(path.c_str(), 0777) == 0)
        return TRUE;
    if (errno == ENOENT)
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    return Platform::FailFromErrno(path);
}

BOOL WINAPI RemoveDirectoryA(LPCSTR pathName)
{
    if (Platform::InjectedFailure("RemoveDirectoryA", ERROR_ACCESS_DENIED))
        return FALSE;
    std::string path = Platform::HostPath(pathName);
    if (RemoveFolder(path) == 0)
        return TRUE;
    if (errno == ENOTDIR)
        errno = EISDIR; // a file named as a folder: access denied, as on Windows
    return Platform::FailFromErrno(path);
}

DWORD WINAPI GetFileAttributesA(LPCSTR fileName)
{
    std::string path = Platform::HostPath(fileName);
    struct stat info;
    bool link = false;
    if (!Platform::StatThroughLink(path, info, link))
    {
        Platform::FailFromErrno(path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return Platform::AttributesFromStat(info, link);
}

BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes)
{
    if (Platform::InjectedFailure("SetFileAttributesA", ERROR_ACCESS_DENIED))
        return FALSE;
    std::string path = Platform::HostPath(fileName);
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return Platform::FailFromErrno(path);
    // On Windows a read-only folder still takes new files, so folders keep their bits.
    if (S_ISDIR(info.st_mode))
        return TRUE;
    mode_t mode = info.st_mode & 07777;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        mode &= ~kWriteBits;
    else
        mode |= S_IWUSR;
    return chmod(path.c_str(), mode) == 0 ? TRUE : Platform::FailFromErrno(path);
}

BOOL WINAPI SetCurrentDirectoryA(LPCSTR pathName)
{
    std::string path = Platform::HostPath(pathName);
    return chdir(path.c_str()) == 0 ? TRUE : Platform::FailFromErrno(path);
}

DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer)
{
    std::error_code error;
    std::string path = fs::current_path(error).string();
    if (error)
    {
        SetLastError(Platform::ErrorFromErrno(error.value()));
        return 0;
    }
    // Too small: the size needed, terminator included, and the buffer untouched.
    if (buffer == nullptr || path.size() + 1 > size)
        return (DWORD)path.size() + 1;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return (DWORD)path.size();
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size)
{
    // The folder the C library was loaded from: the system's own libraries live there.
    static const std::string folder = []
    {
        Dl_info info{};
        std::error_code error;
        if (dladdr(reinterpret_cast<void*>(&std::fclose), &info) == 0 || info.dli_fname == nullptr)
            return std::string("/usr/lib");
        fs::path library = fs::canonical(info.dli_fname, error);
        return error ? std::string("/usr/lib") : library.parent_path().string();
    }();
    if (buffer == nullptr || folder.size() + 1 > size)
        return (UINT)folder.size() + 1;
    std::memcpy(buffer, folder.c_str(), folder.size() + 1);
    return (UINT)folder.size();
}

BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime)
{
    if (fileTime == nullptr || systemTime == nullptr)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    uint64_t units = (uint64_t)fileTime->dwHighDateTime << 32 | fileTime->dwLowDateTime;
    int64_t seconds = (int64_t)(units / 10000000) - (int64_t)(kUnixEpochAsFileTime / 10000000);
    time_t when = (time_t)seconds;
    struct tm date;
    if (gmtime_r(&when, &date) == nullptr || date.tm_year + 1900 > 30827)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    systemTime->wYear = (WORD)(date.tm_year + 1900);
    systemTime->wMonth = (WORD)(date.tm_mon + 1);
    systemTime->wDayOfWeek = (WORD)date.tm_wday;
    systemTime->wDay = (WORD)date.tm_mday;
    systemTime->wHour = (WORD)date.tm_hour;
    systemTime->wMinute = (WORD)date.tm_min;
    systemTime->wSecond = (WORD)date.tm_sec;
    systemTime->wMilliseconds = (WORD)(units / 10000 % 1000);
    return TRUE;
}

BOOL WINAPI CopyFileA(LPCSTR existing, LPCSTR target, BOOL failIfExists)
{
    if (Platform::InjectedFailure("CopyFileA", ERROR_ACCESS_DENIED))
        return FALSE;
    std::string from = Platform::HostPath(existing);
    std::string to = Platform::HostPath(target);
    if (Exists(to))
    {
        if (failIfExists)
        {
            SetLastError(ERROR_FILE_EXISTS);
            return FALSE;
        }
        // Replacing a read-only file is refused, as on Windows.
        struct stat info;
        if (stat(to.c_str(), &info) == 0 && (S_ISDIR(info.st_mode) || (info.st_mode & S_IWUSR) == 0))
        {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (unlink(to.c_str()) != 0)
            return Platform::FailFromErrno(to);
    }
    return CopyOrMove(from, to, false);
}

BOOL WINAPI MoveFileA(LPCSTR existing, LPCSTR target)
{
    if (Platform::InjectedFailure("MoveFileA", ERROR_ACCESS_DENIED))
        return FALSE;
    std::string from = Platform::HostPath(existing);
    std::string to = Platform::HostPath(target);
    if (!Exists(from))
    {
        errno = ENOENT;
        return Platform::FailFromErrno(from);
    }
    if (Exists(to))
    {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (rename(from.c_str(), to.c_str()) == 0)
        return TRUE;
    // Across file systems a file is copied and removed.
    if (errno == EXDEV)
        return CopyOrMove(from, to, true);
    return Platform::FailFromErrno(to);
}

int _mkdir(const char* path)
{
    return mkdir(Platform::HostPath(path).c_str(), 0777);
}

int _rmdir(const char* path)
{
    return RemoveFolder(Platform::HostPath(path));
}
