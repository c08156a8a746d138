// Reading outside files without waiting on them: settings and demos named by the user may be a
// pipe or a device, which has no end to read to.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace Platform
{
// Why something that is there under a file's name is no file to read or replace: empty for a
// file; a folder, a device (/dev/null) or a pipe is left alone, since reading a pipe waits for a
// writer and replacing a device takes it from everyone else.
std::string NotAFileReason(mode_t mode);

// Opens `path` to read, without waiting for a pipe's writer; -1 with errno set when it cannot.
int OpenToRead(const std::string& path);

// Reads up to `limit` more bytes of `fd` onto `bytes`, stopping at its end; false, with errno set,
// when a read fails.
template <typename Bytes> bool ReadMore(int fd, uint64_t limit, Bytes& bytes)
{
    char chunk[65536];
    while (limit > 0)
    {
        ssize_t got = read(fd, chunk, size_t(std::min<uint64_t>(limit, sizeof chunk)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        bytes.insert(bytes.end(), chunk, chunk + got);
        limit -= uint64_t(got);
    }
    return true;
}

// Reads up to `claimed` items into `out` (emptied first) through `read(at, room)`, which gives how
// many it put at `at` (0: no more). The room starts at `first` items and doubles as items really
// come, so that a length a file only claims takes no memory it does not fill. The count read.
template <typename T, typename Read>
size_t ReadGrowing(std::vector<T>& out, size_t claimed, size_t first, Read read)
{
    out.clear();
    size_t done = 0;
    while (done < claimed)
    {
        if (done == out.size())
            out.resize(std::min(claimed, std::max(done * 2, first)));
        const size_t got = read(out.data() + done, out.size() - done);
        if (got == 0)
            break;
        done += got;
    }
    out.resize(done);
    return done;
}
} // namespace Platform
