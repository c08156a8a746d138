// Shared body of the music stream harnesses: open from memory, decode, seek, decode again.
#pragma once

#include "audio/decode/StreamDecoder.h"

#include <cstdio>

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
    if (stream->Seek(0))
        stream->Read(frames, 2048);
}
