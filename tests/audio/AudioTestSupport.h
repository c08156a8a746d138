// Helpers for the sound tests: render the shared mixer by hand and build sample bytes.
#pragma once

#include "audio/Mixer.h"

#include <cstdint>
#include <vector>

namespace AudioTest
{
// Renders `frames` stereo frames of everything the mixer plays.
inline std::vector<int16_t> Render(size_t frames)
{
    std::vector<int16_t> out(frames * 2);
    LumoAudio::Mixer::Instance().Render(out.data(), frames);
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

// Tests render by hand; the device, when open, plays silence meanwhile.
struct ManualMixing
{
    ManualMixing() { LumoAudio::Mixer::Instance().SetManual(true); }
    ~ManualMixing() { LumoAudio::Mixer::Instance().SetManual(false); }
};
} // namespace AudioTest
