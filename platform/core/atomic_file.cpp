#include "core/atomic_file.h"
#include "core/file_read.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform
{
namespace
{
// The kernel's own limit on links followed in one lookup.
constexpr int kMaxLinks = 40;
// A planted name is skipped; this many taken in a row is no accident.
constexpr int kMaxNameTries = 100;

// Where the bytes really go: `path`, or the file its link (and theirs, in turn) points at. Only
// the writer's own links are followed: one that another user planted in a shared folder is
// replaced, so that it cannot steer the write onto a file of the writer's. 0, or the reason it
// cannot be found.
int ResolveLinks(const std::string& path, std::string& target)
{
    target = path;
    for (int links = 0; links < kMaxLinks; links++)
    {
        // The link itself, held open: its owner and its text are read from the same one.
        const int fd = open(target.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            // Nothing there yet: the file is made under this name.
            return errno == ENOENT ? 0 : errno;
        struct stat info;
        const bool ours = fstat(fd, &info) == 0 && S_ISLNK(info.st_mode) && info.st_uid == geteuid();
        char link[PATH_MAX];
        const ssize_t length = ours ? readlinkat(fd, "", link, sizeof link) : 0;
        const int reason = errno;
        close(fd);
        // Not a link, or not one of ours: the file is made under this name.
        if (!ours)
            return 0;
        if (length < 0)
            return reason;
        if (size_t(length) == sizeof link)
            return ENAMETOOLONG;
        std::string next(link, size_t(length));
        size_t slash = target.rfind('/');
        target = (!next.empty() && next[0] == '/') || slash == std::string::npos
                     ? next
                     : target.substr(0, slash + 1) + next;
    }
    return ELOOP;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

std::string TemporaryName(const std::string& target)
{
    static std::atomic<uint32_t> counter{0};
    uint64_t bits = 0;
    if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits)
        bits = uint64_t(getpid()) << 32 ^ uint64_t(time(nullptr));
    bits ^= counter.fetch_add(1, std::memory_order_relaxed);
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".tmp-%016llx", (unsigned long long)bits);
    // Within what a folder entry holds, however long the file's own name: a long name is cut, and
    // never inside a UTF-8 letter.
    const size_t slash = target.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t room = NAME_MAX - std::strlen(suffix);
    size_t end = target.size();
    if (end - nameStart > room)
        for (end = nameStart + room; end > nameStart && (target[end] & 0xC0) == 0x80;)
            end--;
    return target.substr(0, end) + suffix;
}

namespace
{
// Opens a new temporary file beside `target`; -1 with errno set when none can be made.
int CreateTemporary(const std::string& target, mode_t mode, std::string& temporary)
{
    for (int tries = 0; tries < kMaxNameTries; tries++)
    {
        temporary = TemporaryName(target);
        int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

int WriteAll(int fd, const void* data, size_t size)
{
    const char* at = static_cast<const char*>(data);
    while (size > 0)
    {
        ssize_t wrote = write(fd, at, size);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return wrote < 0 ? errno : EIO;
        at += wrote;
        size -= size_t(wrote);
    }
    return 0;
}

// The rename is only durable once the folder's entry is on the disk. Some file systems refuse to
// sync a folder; the file is in place all the same, so that is no failure.
void SyncFolder(const std::string& folder)
{
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

// Moves the temporary file to `target` unless a file is there; 0, or the reason it was not moved.
int MoveIntoFreeName(const std::string& temporary, const std::string& target)
{
    if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system that cannot rename without replacing: a link is made only where nothing is.
    if (link(temporary.c_str(), target.c_str()) != 0)
        return errno;
    unlink(temporary.c_str());
    return 0;
}
} // namespace

bool WriteFileAtomically(const std::string& path, const void* data, size_t size, std::string& error,
                         bool* taken)
{
    const FilePiece whole{data, size};
    return WritePiecesAtomically(path, {&whole, 1}, error, taken);
}

bool WritePiecesAtomically(const std::string& path, std::span<const FilePiece> pieces, std::string& error,
                           bool* taken, const struct timespec* modified)
{
    if (taken != nullptr)
        *taken = false;
    std::string target;
    if (int reason = ResolveLinks(path, target); reason != 0)
    {
        error = std::strerror(reason);
        return false;
    }
    struct stat old;
    const bool exists = stat(target.c_str(), &old) == 0;
    // Without `taken` what is there is replaced, so it must be a file; with it nothing is.
    if (exists && taken == nullptr && !(error = NotAFileReason(old.st_mode)).empty())
        return false;
    const bool replaces = exists && S_ISREG(old.st_mode);
    // Private until it is whole; then the mode of the file it replaces, exactly.
    std::string temporary;
    int fd = CreateTemporary(target, replaces ? 0600 : 0644, temporary);
    if (fd < 0)
    {
        error = std::strerror(errno);
        return false;
    }
    // The reason is taken where the step fails: the clean-up below may change errno.
    int reason = 0;
    for (size_t i = 0; i < pieces.size() && reason == 0; i++)
        reason = WriteAll(fd, pieces[i].data, pieces[i].size);
    if (reason == 0 && replaces && fchmod(fd, old.st_mode & 07777) != 0)
        reason = errno;
    if (modified != nullptr && reason == 0)
    {
        const struct timespec times[2] = {{0, UTIME_OMIT}, *modified};
        if (futimens(fd, times) != 0)
            reason = errno;
    }
    if (reason == 0 && fsync(fd) != 0)
        reason = errno;
    if (close(fd) != 0 && reason == 0)
        reason = errno;
    if (reason == 0 && taken != nullptr)
        reason = MoveIntoFreeName(temporary, target);
    else if (reason == 0 && std::rename(temporary.c_str(), target.c_str()) != 0)
        reason = errno;
    if (reason == 0)
    {
        SyncFolder(FolderOf(target));
        return true;
    }
    unlink(temporary.c_str());
    error = std::strerror(reason);
    if (taken != nullptr)
        *taken = reason == EEXIST;
    return false;
}

int PutFolderInPlace(const std::string& built, const std::string& folder)
{
    for (int tries = 0; tries < kMaxNameTries; tries++)
    {
        if (renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, folder.c_str(), RENAME_EXCHANGE) == 0)
            return 0;
        if (errno != ENOENT)
            return errno;
        // Nothing there to swap with: moved, unless another writer put its folder there meanwhile.
        if (renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, folder.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}
} // namespace Platform
