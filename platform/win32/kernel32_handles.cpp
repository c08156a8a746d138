// Open files behind Windows handles. Handles are checked against the open set, so a
// stale or foreign one is refused rather than followed.
#include "win32/host_errors.h"
#include "win32/host_files.h"
#include "win32/kernel32.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
struct OpenFile
{
    int fd;
};

std::mutex gMutex;
std::map<const OpenFile*, std::unique_ptr<OpenFile>> gFiles;

int OpenFlags(DWORD access, DWORD disposition, bool& valid)
{
    valid = true;
    int flags = (access & GENERIC_WRITE) ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (disposition)
    {
    case CREATE_NEW:
        return flags | O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
        return flags | O_CREAT | O_TRUNC;
    case OPEN_EXISTING:
        return flags;
    case OPEN_ALWAYS:
        return flags | O_CREAT;
    case TRUNCATE_EXISTING:
        return flags | O_TRUNC;
    default:
        valid = false;
        return 0;
    }
}

// The descriptor of an open file handle, or -1 with the last error set.
int DescriptorOf(HANDLE file)
{
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gFiles.find(static_cast<const OpenFile*>(file));
    if (it == gFiles.end())
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    return it->second->fd;
}
} // namespace

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, void* securityAttributes,
                          DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile)
{
    bool valid;
    int flags = OpenFlags(access, creationDisposition, valid);
    if (fileName == nullptr || !valid)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (Platform::InjectedFailure("CreateFileA", ERROR_ACCESS_DENIED))
        return INVALID_HANDLE_VALUE;
    std::string path = Platform::HostPath(fileName);
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    int fd = open(path.c_str(), flags | O_CLOEXEC, mode);
    if (fd < 0)
    {
        if (errno == EEXIST)
            SetLastError(ERROR_FILE_EXISTS);
        else
            Platform::FailFromErrno(path);
        return INVALID_HANDLE_VALUE;
    }
    auto file = std::make_unique<OpenFile>(OpenFile{fd});
    HANDLE handle = file.get();
    std::lock_guard<std::mutex> lock(gMutex);
    gFiles[file.get()] = std::move(file);
    return handle;
}

BOOL WINAPI GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime,
                        LPFILETIME lastWriteTime)
{
    int fd = DescriptorOf(file);
    struct stat info;
    if (fd < 0)
        return FALSE;
    if (fstat(fd, &info) != 0)
        return Platform::FailFromErrno();
    if (creationTime != nullptr)
        *creationTime = Platform::FileTimeFromTimespec(info.st_mtim);
    if (lastAccessTime != nullptr)
        *lastAccessTime = Platform::FileTimeFromTimespec(info.st_atim);
    if (lastWriteTime != nullptr)
        *lastWriteTime = Platform::FileTimeFromTimespec(info.st_mtim);
    return TRUE;
}




BOOL WINAPI CloseHandle(HANDLE object)
{
    std::unique_ptr<OpenFile> file;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        auto it = gFiles.find(static_cast<const OpenFile*>(object));
        if (it == gFiles.end())
        {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        file = std::move(it->second);
        gFiles.erase(it);
    }
    return close(file->fd) == 0 ? TRUE : Platform::FailFromErrno();
}
