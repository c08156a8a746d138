// The sample layouts and levels the sound output works in: 44100 Hz, stereo, 16 bits out;
// volumes in hundredths of a decibel, pans from -10000 (left) to 10000 (right).
#pragma once

#include <cstdint>

#define LUMO_AUDIO_API __attribute__((visibility("default")))

namespace LumoAudio
{
constexpr uint32_t kMixRate = 44100;
constexpr int kMixChannels = 2;
constexpr int kSilentVolume = -10000; // hundredths of a decibel
constexpr int kFullVolume = 0;
constexpr int kPanLeft = -10000;
constexpr int kPanRight = 10000;

// Sample layout of a voice's source: 8-bit unsigned or 16-bit signed, mono or stereo, any rate.
struct LUMO_AUDIO_API PcmFormat
{
    uint32_t rate = kMixRate;
    uint16_t channels = 2;
    uint16_t bits = 16;

    uint32_t BlockAlign() const { return uint32_t(channels) * bits / 8; }
    bool IsValid() const;
};

// Linear factor of an attenuation in hundredths of a decibel; -10000 and below is silence.
LUMO_AUDIO_API float GainOf(int hundredthsDb);
// The other way: a linear factor 0..1 (above 1 counts as 1) as hundredths of a decibel.
LUMO_AUDIO_API int HundredthsDbOf(double gain);
} // namespace LumoAudio
