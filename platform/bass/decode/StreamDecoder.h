// Music file readers for the bass stand-in: they decode a little at a time while the
// music plays, so a long track never sits decoded in memory.
#pragma once

#include "audio/Mixer.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace LumoBass
{
class StreamDecoder
{
public:
    virtual ~StreamDecoder() = default;
    // Always 16-bit; 1 or 2 channels.
    const LumoAudio::PcmFormat& Format() const { return mFormat; }
    // Length in frames.
    uint64_t Length() const { return mLength; }
    // Decodes up to `frames` interleaved frames; fewer at the end, 0 once there.
    virtual size_t Read(int16_t* out, size_t frames) = 0;
    // Next Read starts at `frame` (0..Length()); false when that cannot be done.
    virtual bool Seek(uint64_t frame) = 0;

protected:
    LumoAudio::PcmFormat mFormat;
    uint64_t mLength = 0;
};

// A reader of type R over `file`, or null when `start` (which reads the headers) fails; the
// reader owns the file from the start, so it is closed on failure too.
template <class R> std::unique_ptr<StreamDecoder> OpenReader(FILE* file, bool (R::*start)())
{
    if (!file)
        return nullptr;
    auto reader = std::make_unique<R>(file);
    if (!((*reader).*start)())
        return nullptr;
    return reader;
}

// Each takes the file over (it is closed on failure too); null when the data is not
// something the reader can play.
std::unique_ptr<StreamDecoder> OpenWavStream(FILE* file);
std::unique_ptr<StreamDecoder> OpenOggStream(FILE* file);
} // namespace LumoBass
