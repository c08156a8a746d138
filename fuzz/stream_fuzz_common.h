// Shared body of the music stream harnesses: open from memory, decode, seek, decode again,
// then decode whole as a sample.
#pragma once

#include "audio/decode/StreamDecoder.h"

#include <cstdio>
#include <vector>

inline void FuzzStream(const uint8_t* data, size_t size,
                       std::unique_ptr<LumoAudio::StreamDecoder> (*open)(FILE*))
{
    if (size == 0)
        return;
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!file)
        return;
    std::unique_ptr<LumoAudio::StreamDecoder> stream = open(file);
    if (!stream)
        return;
    int16_t frames[2 * 2048];
    size_t total = 0;
    // Bounded: a header may claim far more than the input holds.
    while (total < (1u << 20))
    {
        size_t got = stream->Read(frames, 2048);
        if (got == 0)
            break;
        total += got;
    }
    if (stream->Seek(stream->Length() / 2))
        stream->Read(frames, 2048);
    // From the start and whole, as the stand-ins load a sample (under their limit): the
    // stated length must not make more room than the data fills.
    std::vector<uint8_t> whole;
    if (stream->Seek(0))
        LumoAudio::DecodeWhole(*stream, whole, 1u << 30);
}
