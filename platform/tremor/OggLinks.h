// Tremor's open reads and keeps the headers of every link of a chained Ogg file: 2000 tiny
// links (7.6 MB) took 248 MB and more than a second before the file was refused. The links are
// counted first, and a file with more than any real one has is not given to Tremor.
#pragma once

#include <cstdio>

namespace Platform
{
// A real file has one link; a recorded broadcast one per track.
constexpr int kMaxOggLinks = 256;

// Whether the file, from where it is now to its end, holds at most `maxLinks` page headers that
// begin a logical stream. Every such header is counted wherever it lies and whatever its
// checksum, so never fewer than the decoder can find. On true the file is back where it was;
// false as well when it cannot be read or put back.
bool OggLinksWithin(FILE* file, int maxLinks = kMaxOggLinks);
} // namespace Platform
