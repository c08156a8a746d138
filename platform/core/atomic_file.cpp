#include "core/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace Platform
{
bool WriteFileAtomically(const std::string& path, const void* data, size_t size, std::string& error)
{
    const std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr)
    {
        error = std::strerror(errno);
        return false;
    }
    // The reason is taken where the step fails: the clean-up below may change errno.
    int reason = 0;
    errno = 0;
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        reason = errno ? errno : EIO;
    if (reason == 0 && std::fflush(file) != 0)
        reason = errno;
    if (reason == 0 && fsync(fileno(file)) != 0)
        reason = errno;
    if (std::fclose(file) != 0 && reason == 0)
        reason = errno;
    if (reason == 0 && std::rename(temporary.c_str(), path.c_str()) != 0)
        reason = errno;
    if (reason == 0)
        return true;
    std::remove(temporary.c_str());
    error = std::strerror(reason);
    return false;
}
} // namespace Platform
