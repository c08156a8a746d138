#include "core/file_read.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace Platform
{
std::string NotAFileReason(mode_t mode)
{
    if (S_ISREG(mode))
        return std::string();
    return S_ISDIR(mode) ? std::strerror(EISDIR) : "not a regular file";
}

int OpenToRead(const std::string& path)
{
    return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}
} // namespace Platform
