// The process's one sound output: every voice of the DirectSound layer and of the
// music stand-ins is mixed here into a single SDL2 device at 44100 Hz, stereo, 16 bits.
// This library is shared so that every module of a process sees the same mixer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

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

// Fills `out` with up to `frames` interleaved 16-bit frames of the stream's format and returns how
// many it wrote; fewer than asked means the stream has ended. Runs under the mixer's lock.
using PullFn = std::function<size_t(int16_t* out, size_t frames)>;

class Mixer;

// One playing sound. Its controls may be used from any thread; each takes the mixer's lock.
class LUMO_AUDIO_API Voice
{
public:
    // Plays from shared sample memory (copies made with Share play the same bytes).
    static std::shared_ptr<Voice> FromPcm(const PcmFormat& format,
                                          std::shared_ptr<std::vector<uint8_t>> data);
    // Plays what a stream hands over; the format must be 16-bit.
    static std::shared_ptr<Voice> FromStream(const PcmFormat& format, PullFn pull);

    // A new voice over the same sample memory, with this one's controls, stopped at position 0;
    // null for a stream voice.
    std::shared_ptr<Voice> Share() const;

    const PcmFormat& Format() const { return mFormat; }
    const std::shared_ptr<std::vector<uint8_t>>& Data() const { return mData; }

    void Play(bool looping);
    void Stop();
    bool IsPlaying() const;
    bool IsLooping() const;

    void SetVolume(int hundredthsDb); // clamped to -10000..0
    int Volume() const;
    void SetPan(int pan); // clamped to -10000..10000
    int Pan() const;
    void SetFrequency(uint32_t hz); // 0 restores the source's own rate
    uint32_t Frequency() const;

    // The frames [start, end) a looping sample voice repeats after its first pass; end 0 (the
    // default) is the sample's end.
    void SetLoop(uint64_t start, uint64_t end);

    // Position in source frames. A stream voice counts the frames it has played since the last
    // SetPosition and drops what it had fetched ahead.
    uint64_t Position() const;
    void SetPosition(uint64_t frame);

private:
    friend class Mixer;
    Voice(const PcmFormat& format);
    uint64_t FrameCount() const; // PCM length in frames
    bool FetchStream(uint64_t frame);
    void SourceFrame(uint64_t frame, float& left, float& right);
    void MixLocked(float* out, size_t frames);

    PcmFormat mFormat;
    std::shared_ptr<std::vector<uint8_t>> mData;
    PullFn mPull;
    // Stream frames fetched ahead: mStreamBase is the frame number of the first of them.
    std::vector<int16_t> mStreamFrames;
    uint64_t mStreamBase = 0;
    bool mStreamEnded = false;

    uint64_t mPosition = 0; // 32.32 fixed point, in source frames
    uint64_t mLoopStart = 0;
    uint64_t mLoopEnd = 0;
    uint32_t mFrequency;
    int mVolume = kFullVolume;
    int mPan = 0;
    bool mPlaying = false;
    bool mLooping = false;
};

class LUMO_AUDIO_API Mixer
{
public:
    static Mixer& Instance();

    // Opens the SDL audio device on the first acquire, closes it on the last release.
    // False when no device can be opened.
    bool AcquireDevice();
    void ReleaseDevice();
    bool HasDevice() const;

    // Asked with the call's name right before the device is opened; true makes the open fail.
    void SetFaultHook(bool (*hook)(const char* callName));

    void Add(std::shared_ptr<Voice> voice);
    void Remove(const Voice* voice);
    size_t VoiceCount() const;

    // The lock the device's callback mixes under. Re-entrant.
    std::unique_lock<std::recursive_mutex> Lock() const;

    // Mixes `frames` stereo frames of every playing voice into `out` and advances them.
    void Render(int16_t* out, size_t frames);

    // Tests: while manual, the device plays silence and only Render advances the voices.
    void SetManual(bool manual);

    // The system's wave-output level: a factor 0..1 on everything mixed.
    void SetMasterGain(float gain);
    float MasterGain() const;

private:
    Mixer() = default;
    static void DeviceCallback(void* user, uint8_t* stream, int length);

    mutable std::recursive_mutex mLock;
    std::vector<std::shared_ptr<Voice>> mVoices;
    std::vector<float> mMix;
    uint32_t mDevice = 0;
    int mDeviceUsers = 0;
    bool mManual = false;
    float mMasterGain = 1.0f;
    bool (*mFaultHook)(const char*) = nullptr;
};
} // namespace LumoAudio
