// Files and folders: "\" separated paths mapped onto the host's file system.
#include "win32/host_errors.h"
#include "win32/host_files.h"
#include "win32/kernel32.h"

#include <cerrno>
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
DWORD AttributesFromStat(const struct stat& info)
{
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if ((info.st_mode & S_IWUSR) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
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
} // namespace Platform

BOOL WINAPI DeleteFileA(LPCSTR fileName)
{
    if (Platform::InjectedFailure("DeleteFileA", ERROR_ACCESS_DENIED))
        return FALSE;
    std::string path = Platform::HostPath(fileName);
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return Platform::FailFromErrno(path);
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
    if (rmdir(path.c_str()) == 0)
        return TRUE;
    if (errno == ENOTDIR)
        errno = EISDIR; // a file named as a folder: access denied, as on Windows
    return Platform::FailFromErrno(path);
}

DWORD WINAPI GetFileAttributesA(LPCSTR fileName)
{
    std::string path = Platform::HostPath(fileName);
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
    {
        Platform::FailFromErrno(path);
        return INVALID_FILE_ATTRIBUTES;
    }
    return Platform::AttributesFromStat(info);
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
    return rmdir(Platform::HostPath(path).c_str());
}
