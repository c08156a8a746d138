#include "win32/host_errors.h"

#include "core/faults.h"
#include "win32/kernel32.h"

#include <cerrno>
#include <sys/stat.h>

namespace Platform
{
DWORD ErrorFromErrno(int error)
{
    switch (error)
    {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG:
        return ERROR_BAD_PATHNAME;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

BOOL FailFromErrno()
{
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
}

BOOL FailFromErrno(const std::string& hostPath)
{
    int error = errno;
    if (error == ENOENT)
    {
        size_t slash = hostPath.find_last_of('/');
        struct stat info;
        if (slash != std::string::npos && slash > 0 && stat(hostPath.substr(0, slash).c_str(), &info) != 0)
        {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return FALSE;
        }
    }
    SetLastError(ErrorFromErrno(error));
    return FALSE;
}

bool InjectedFailure(const char* callName, DWORD error)
{
    if (!ShouldFail(callName))
        return false;
    SetLastError(error);
    return true;
}
} // namespace Platform
