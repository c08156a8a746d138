// The process's one sound output: every voice of the DirectSound layer and of the music
// stand-ins is mixed here into a single SDL2 device at 44100 Hz, stereo, 16 bits.
// This library is shared so that every module of a process sees the same mixer.
#pragma once

#include "audio/Pcm.h"
#include "audio/StreamFeeder.h"
#include "audio/Voice.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace LumoAudio
{
// The output mixes under the mixer's lock and never waits for anything else: stream voices are
// decoded ahead on the feeder thread, which never takes that lock.
class LUMO_AUDIO_API Mixer
{
public:
    static Mixer& Instance();

    // Opens the SDL audio device on the first acquire, closes it on the last release. SDL's audio
    // subsystem, once started, stays until the process ends.
    // False when no device can be opened.
    bool AcquireDevice();
    void ReleaseDevice();
    bool HasDevice() const;

    // Asked with the call's name right before the device is opened or the feeder thread is
    // started; true makes that fail.
    void SetFaultHook(bool (*hook)(const char* callName));

    // The first stream voice starts the feeder thread: when it cannot start, this throws
    // std::system_error and the voice is not added.
    void Add(std::shared_ptr<Voice> voice);
    // A stream voice is waited for if the feeder is pulling from it: call this without holding
    // the mixer's lock, or the output waits too.
    void Remove(const Voice* voice);
    size_t VoiceCount() const;

    // The lock the device's callback mixes under. Re-entrant.
    std::unique_lock<std::recursive_mutex> Lock() const;

    // Mixes `frames` stereo frames of every playing voice into `out` and advances them: the
    // device's callback. It allocates nothing and waits for no stream: one whose data is late
    // is silent meanwhile.
    void Render(int16_t* out, size_t frames);

    // Tests: while manual, the device plays silence and only Render advances the voices.
    void SetManual(bool manual);
    // Tests: returns once every stream voice has as much decoded ahead as it can hold.
    void WaitForStreams();

    // The system's wave-output level: a factor 0..1 on everything mixed.
    void SetMasterGain(float gain);
    float MasterGain() const;

private:
    friend class Voice;
    static constexpr size_t kChunkFrames = 1024;

    Mixer() = default;
    static void DeviceCallback(void* user, uint8_t* stream, int length);
    void WakeFeeder() { mFeeder.Wake(); }

    mutable std::recursive_mutex mLock;
    std::vector<std::shared_ptr<Voice>> mVoices;
    std::array<float, kChunkFrames * kMixChannels> mMix{};
    StreamFeeder mFeeder;
    uint32_t mDevice = 0;
    int mDeviceUsers = 0;
    bool mManual = false;
    float mMasterGain = 1.0f;
    bool (*mFaultHook)(const char*) = nullptr;
};
} // namespace LumoAudio
