#include "tremor/OggLinks.h"

#include <cstring>

namespace Platform
{
bool OggLinksWithin(FILE* file, int maxLinks)
{
    const long start = std::ftell(file);
    if (start < 0)
        return false;
    // A page header: "OggS", the version, then the flags, where 0x02 begins a stream.
    constexpr size_t kHead = 6;
    char block[64 * 1024];
    size_t kept = 0; // the end of the last block, which may hold the start of a header
    int links = 0;
    for (;;)
    {
        const size_t got = std::fread(block + kept, 1, sizeof block - kept, file);
        const size_t end = kept + got;
        // Only whole headers; one cut at the end is looked at with the next block.
        for (size_t at = 0; end >= kHead && at <= end - kHead; at++)
        {
            const void* found = memmem(block + at, end - 2 - at, "OggS", 4);
            if (!found)
                break;
            at = size_t(static_cast<const char*>(found) - block);
            if ((block[at + 5] & 0x02) && ++links > maxLinks)
                return false;
        }
        if (got == 0)
            break;
        kept = end < kHead - 1 ? end : kHead - 1;
        std::memmove(block, block + end - kept, kept);
    }
    return !std::ferror(file) && std::fseek(file, start, SEEK_SET) == 0;
}
} // namespace Platform
