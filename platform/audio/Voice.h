// One playing sound of the shared mixer: sample memory it plays from (a DirectSound buffer, an
// effect) or a stream decoded ahead of it on the feeder thread (music).
#pragma once

#include "audio/Pcm.h"
#include "audio/StreamFeed.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace LumoAudio
{
class Mixer;

// Its controls may be used from any thread; each takes the mixer's lock, which the output
// holds only while it mixes.
class LUMO_AUDIO_API Voice
{
public:
    // Plays from shared sample memory (copies made with Share play the same bytes).
    static std::shared_ptr<Voice> FromPcm(const PcmFormat& format,
                                          std::shared_ptr<std::vector<uint8_t>> data);
    // Plays what a stream hands over; the format must be 16-bit. `pull` runs on the feeder thread
    // once the voice is in the mixer, until it is removed.
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
    // SetPosition and drops what was decoded ahead.
    uint64_t Position() const;
    void SetPosition(uint64_t frame);

    // A stream voice: SetPosition(frame), with `command` (the source's own seek) run on the feeder
    // thread before it pulls again.
    void Seek(uint64_t frame, SourceCommand command);
    // A stream voice: `command` runs on the feeder thread before it pulls again; what was decoded
    // ahead still plays.
    void Post(SourceCommand command);
    // A stream voice that played its source to the end (until it is sought again).
    bool HasEnded() const;

    ~Voice();

private:
    friend class Mixer;
    friend class StreamFeeder;
    explicit Voice(const PcmFormat& format);
    uint64_t FrameCount() const; // PCM length in frames
    void UpdateGains();
    // Adds `frames` frames to `out`; true when a stream gave slots back to the feeder.
    bool MixLocked(float* out, size_t frames);
    template <int Bits, int Channels> void MixPcm(float* out, size_t frames);
    template <int Channels> bool MixStream(float* out, size_t frames);

    PcmFormat mFormat;
    std::shared_ptr<std::vector<uint8_t>> mData;
    std::unique_ptr<StreamFeed> mStream;

    uint64_t mPosition = 0; // 32.32 fixed point, in source frames
    uint64_t mLoopStart = 0;
    uint64_t mLoopEnd = 0;
    uint32_t mFrequency;
    int mVolume = kFullVolume;
    int mPan = 0;
    float mGainLeft = 1.0f;
    float mGainRight = 1.0f;
    bool mPlaying = false;
    bool mLooping = false;
    bool mEnded = false;
};

// Takes `voice` out of `voices`; null when it is not there.
std::shared_ptr<Voice> TakeVoice(std::vector<std::shared_ptr<Voice>>& voices, const Voice* voice);
} // namespace LumoAudio
