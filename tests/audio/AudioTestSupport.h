// Helpers for the sound tests: render the shared mixer by hand and build sample bytes.
#pragma once

#include "audio/Mixer.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace AudioTest
{
// Renders `frames` stereo frames of everything the mixer plays, a device period at a time, each
// once the streams have decoded all they can ahead of it.
inline std::vector<int16_t> Render(size_t frames)
{
    std::vector<int16_t> out(frames * 2);
    for (size_t done = 0; done < frames; done += 1024)
    {
        LumoAudio::Mixer::Instance().WaitForStreams();
        LumoAudio::Mixer::Instance().Render(out.data() + 2 * done, std::min<size_t>(frames - done, 1024));
    }
    return out;
}

inline std::vector<uint8_t> Pcm16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    for (int16_t s : samples)
    {
        bytes.push_back(uint8_t(uint16_t(s) & 0xFF));
        bytes.push_back(uint8_t(uint16_t(s) >> 8));
    }
    return bytes;
}

inline void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out.push_back(uint8_t(v >> (8 * i)));
}

inline void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

inline void PutChunk(std::vector<uint8_t>& out, const char* id, const std::vector<uint8_t>& body)
{
    out.insert(out.end(), id, id + 4);
    Put32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() & 1)
        out.push_back(0);
}

// A PCM WAV file: an optional LIST chunk (odd sizes padded), then fmt and data.
inline std::vector<uint8_t> Wav(uint16_t channels, uint32_t rate, uint16_t bits,
                                const std::vector<uint8_t>& data, const std::vector<uint8_t>& oddChunk = {})
{
    std::vector<uint8_t> body = {'W', 'A', 'V', 'E'};
    if (!oddChunk.empty())
        PutChunk(body, "LIST", oddChunk);
    std::vector<uint8_t> fmt;
    Put16(fmt, 1);
    Put16(fmt, channels);
    Put32(fmt, rate);
    Put32(fmt, rate * channels * bits / 8);
    Put16(fmt, uint16_t(channels * bits / 8));
    Put16(fmt, bits);
    PutChunk(body, "fmt ", fmt);
    PutChunk(body, "data", data);
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    Put32(file, uint32_t(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

inline std::vector<int16_t> Left(const std::vector<int16_t>& stereo)
{
    std::vector<int16_t> out;
    for (size_t i = 0; i < stereo.size(); i += 2)
        out.push_back(stereo[i]);
    return out;
}

inline std::vector<int16_t> Right(const std::vector<int16_t>& stereo)
{
    std::vector<int16_t> out;
    for (size_t i = 1; i < stereo.size(); i += 2)
        out.push_back(stereo[i]);
    return out;
}

inline std::filesystem::path ProgramFolder()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
}

// A library beside the test program, opened as a program opens it at run time.
inline void* OpenLibrary(const char* name)
{
    return dlopen((ProgramFolder() / name).c_str(), RTLD_NOW | RTLD_LOCAL);
}

// Left and right summed, as a listener in the middle hears them.
inline std::vector<int> Mono(const std::vector<int16_t>& stereo)
{
    std::vector<int> out;
    for (size_t i = 0; i + 1 < stereo.size(); i += 2)
        out.push_back(stereo[i] + stereo[i + 1]);
    return out;
}

// The pitch of a tone, in Hz at the mixer's rate, from its upward zero crossings.
inline double PitchOf(const std::vector<int>& samples, size_t from, size_t count)
{
    int crossings = 0;
    size_t first = 0;
    size_t last = 0;
    for (size_t i = from + 1; i < from + count && i < samples.size(); i++)
    {
        if (samples[i - 1] < 0 && samples[i] >= 0)
        {
            if (crossings++ == 0)
                first = i;
            last = i;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * double(LumoAudio::kMixRate) / double(last - first);
}

inline int PeakOf(const std::vector<int>& samples, size_t from, size_t count)
{
    int peak = 0;
    for (size_t i = from; i < from + count && i < samples.size(); i++)
        peak = std::max(peak, std::abs(samples[i]));
    return peak;
}

// Allocations made so far on the calling thread (this program counts every operator new).
int AllocationsOnThisThread();

// Tests render by hand; the device, when open, plays silence meanwhile.
struct ManualMixing
{
    ManualMixing() { LumoAudio::Mixer::Instance().SetManual(true); }
    ~ManualMixing() { LumoAudio::Mixer::Instance().SetManual(false); }
};
} // namespace AudioTest
