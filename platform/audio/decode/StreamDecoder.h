// The file readers of the music stand-ins (bass.so and fmod.so share them): WAV, Ogg Vorbis
// and MP3 decode a little at a time while the music plays, so a long track never sits decoded
// in memory; samples are decoded whole through the same readers.
#pragma once

#include "audio/Mixer.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace LumoAudio
{
class StreamDecoder
{
public:
    virtual ~StreamDecoder() = default;
    // Always 16-bit; 1 or 2 channels.
    const PcmFormat& Format() const { return mFormat; }
    // Length in frames.
    uint64_t Length() const { return mLength; }
    // Decodes up to `frames` interleaved frames; fewer at the end, 0 once there.
    virtual size_t Read(int16_t* out, size_t frames) = 0;
    // Next Read starts at `frame` (0..Length()); false when that cannot be done.
    virtual bool Seek(uint64_t frame) = 0;

protected:
    PcmFormat mFormat;
    uint64_t mLength = 0;
};

// A reader of type R over `file`, or null when `start` (which reads the headers) fails; the
// reader owns the file from the start, so it is closed on failure too.
template <class R> std::unique_ptr<R> OpenReader(FILE* file, bool (R::*start)())
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
std::unique_ptr<StreamDecoder> OpenMp3Stream(FILE* file);

// Opens a file named the Windows way ("\" between folders) for binary reading.
FILE* OpenFile(const char* name);

enum class OpenError
{
    none,
    noFile,
    badFormat,
};
// A WAV, Ogg or MP3 file, the reader chosen by the file's first bytes.
std::unique_ptr<StreamDecoder> OpenSoundFile(const char* name, OpenError& error);

// Fills a voice from the decoder (a PullFn's work); a looping decoder goes on from its start in
// the same call, so the loop point has no gap.
size_t PullFrames(StreamDecoder& decoder, bool looping, int16_t* out, size_t frames);

// Every frame from the decoder's position on, as little-endian 16-bit bytes; false when the data
// ends before its stated length or holds more than `maxBytes` of samples.
bool DecodeWhole(StreamDecoder& decoder, std::vector<uint8_t>& out, uint64_t maxBytes);
} // namespace LumoAudio
