#include "app/MessageLog.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace Lumo
{
namespace
{
// A line that cannot be written is lost, as one whose file cannot be opened. Appended in one write,
// it never lands inside a line of another copy.
void Append(int fd, const std::string& line)
{
    [[maybe_unused]] const ssize_t wrote = write(fd, line.data(), line.size());
}

int OpenToAppend(const std::string& fileName)
{
    return open(fileName.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
}
} // namespace

MessageLog::MessageLog(std::string fileName) : mFileName(std::move(fileName)) {}

MessageLog::~MessageLog()
{
    if (mHeld >= 0)
        close(mHeld);
}

void MessageLog::Add(const std::string& line)
{
    std::lock_guard<std::mutex> guard(mMutex);
    if (mFirst)
    {
        mFirst = false;
        AddFirst(line);
        return;
    }
    const int fd = OpenToAppend(mFileName);
    if (fd < 0)
        return;
    Append(fd, line);
    close(fd);
}

void MessageLog::AddFirst(const std::string& line)
{
    const int fd = OpenToAppend(mFileName);
    if (fd < 0)
        return;
    struct flock whole = {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    // Nobody else holds it: what is there is an earlier run's log, and goes. On a file system
    // without locks it goes too, as it always did.
    const bool replaces = fcntl(fd, F_OFD_SETLK, &whole) == 0 || (errno != EAGAIN && errno != EACCES);
    if (replaces)
    {
        [[maybe_unused]] const int emptied = ftruncate(fd, 0);
        Append(fd, line);
    }
    // Held to the end: a copy started later adds to this log. Another copy's log is added to
    // once that copy has written its own first line.
    whole.l_type = F_RDLCK;
    while (fcntl(fd, F_OFD_SETLKW, &whole) != 0 && errno == EINTR)
    {
    }
    if (!replaces)
        Append(fd, line);
    mHeld = fd;
}
} // namespace Lumo
