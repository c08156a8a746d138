#include "audio/Voice.h"
#include "audio/Mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace LumoAudio
{
namespace
{
std::unique_lock<std::recursive_mutex> LockMixer()
{
    return Mixer::Instance().Lock();
}

template <int Bits> float SampleAt(const uint8_t* p)
{
    if constexpr (Bits == 8)
    {
        return float((int(p[0]) - 128) * 256);
    }
    else
    {
        int16_t sample;
        std::memcpy(&sample, p, sizeof sample);
        return float(sample);
    }
}

// Source frames in memory, mixed with linear interpolation between a frame and the next at the
// position's fraction (a fraction of 0 gives the frame itself, bit for bit).
template <int Bits, int Channels> struct Frames
{
    static constexpr size_t kAlign = size_t(Bits / 8 * Channels);

    const uint8_t* data;
    float gainLeft;
    float gainRight;

    void MixOne(float* out, uint64_t index, uint64_t next, uint32_t fraction) const
    {
        const float t = float(fraction) * (1.0f / 4294967296.0f);
        const uint8_t* p = data + index * kAlign;
        const uint8_t* q = data + next * kAlign;
        float left = SampleAt<Bits>(p);
        left += (SampleAt<Bits>(q) - left) * t;
        float right = left;
        if constexpr (Channels == 2)
        {
            right = SampleAt<Bits>(p + Bits / 8);
            right += (SampleAt<Bits>(q + Bits / 8) - right) * t;
        }
        out[0] += left * gainLeft;
        out[1] += right * gainRight;
    }

    // `frames` output frames from `position` on, every one of whose next source frames lies
    // before `end`; returns the position after them.
    uint64_t MixRun(float* out, size_t frames, uint64_t position, uint64_t step) const
    {
        for (size_t i = 0; i < frames; i++, position += step)
            MixOne(out + 2 * i, position >> 32, (position >> 32) + 1, uint32_t(position));
        return position;
    }
};

// How many output frames from `position` keep the next source frame before `end` (which is
// past the position's frame + 1).
uint64_t FramesBefore(uint64_t end, uint64_t position, uint64_t step)
{
    return (((end - 1) << 32) - position + step - 1) / step;
}
} // namespace

std::shared_ptr<Voice> TakeVoice(std::vector<std::shared_ptr<Voice>>& voices, const Voice* voice)
{
    auto it = std::find_if(voices.begin(), voices.end(),
                           [voice](const std::shared_ptr<Voice>& v) { return v.get() == voice; });
    if (it == voices.end())
        return nullptr;
    std::shared_ptr<Voice> taken = std::move(*it);
    voices.erase(it);
    return taken;
}

bool PcmFormat::IsValid() const
{
    return (channels == 1 || channels == 2) && (bits == 8 || bits == 16) && rate > 0;
}

float GainOf(int hundredthsDb)
{
    if (hundredthsDb <= kSilentVolume)
        return 0.0f;
    if (hundredthsDb >= 0)
        return 1.0f;
    return float(std::pow(10.0, hundredthsDb / 2000.0));
}

int HundredthsDbOf(double gain)
{
    if (gain <= 0.0)
        return kSilentVolume;
    return std::max(kSilentVolume, int(std::lround(2000.0 * std::log10(std::min(gain, 1.0)))));
}

Voice::Voice(const PcmFormat& format) : mFormat(format), mFrequency(format.rate) {}

Voice::~Voice() = default;

std::shared_ptr<Voice> Voice::FromPcm(const PcmFormat& format, std::shared_ptr<std::vector<uint8_t>> data)
{
    if (!format.IsValid() || !data)
        return nullptr;
    std::shared_ptr<Voice> voice(new Voice(format));
    voice->mData = std::move(data);
    return voice;
}

std::shared_ptr<Voice> Voice::FromStream(const PcmFormat& format, PullFn pull)
{
    if (!format.IsValid() || format.bits != 16 || !pull)
        return nullptr;
    std::shared_ptr<Voice> voice(new Voice(format));
    voice->mStream = std::make_unique<StreamFeed>(format.channels, std::move(pull));
    return voice;
}

std::shared_ptr<Voice> Voice::Share() const
{
    if (mStream)
        return nullptr; // a stream has one reader
    auto lock = LockMixer();
    std::shared_ptr<Voice> copy(new Voice(mFormat));
    copy->mData = mData;
    copy->mFrequency = mFrequency;
    copy->mVolume = mVolume;
    copy->mPan = mPan;
    copy->mLoopStart = mLoopStart;
    copy->mLoopEnd = mLoopEnd;
    copy->UpdateGains();
    return copy;
}

void Voice::Play(bool looping)
{
    auto lock = LockMixer();
    mPlaying = true;
    mLooping = looping;
}

void Voice::Stop()
{
    auto lock = LockMixer();
    mPlaying = false;
}

bool Voice::IsPlaying() const
{
    auto lock = LockMixer();
    return mPlaying;
}

bool Voice::IsLooping() const
{
    auto lock = LockMixer();
    return mPlaying && mLooping;
}

void Voice::SetVolume(int hundredthsDb)
{
    auto lock = LockMixer();
    mVolume = std::clamp(hundredthsDb, kSilentVolume, kFullVolume);
    UpdateGains();
}

int Voice::Volume() const
{
    auto lock = LockMixer();
    return mVolume;
}

void Voice::SetPan(int pan)
{
    auto lock = LockMixer();
    mPan = std::clamp(pan, kPanLeft, kPanRight);
    UpdateGains();
}

int Voice::Pan() const
{
    auto lock = LockMixer();
    return mPan;
}

void Voice::UpdateGains()
{
    // Pan attenuates the far side only, as DirectSound does.
    mGainLeft = GainOf(mVolume - std::max(mPan, 0));
    mGainRight = GainOf(mVolume + std::min(mPan, 0));
}

void Voice::SetFrequency(uint32_t hz)
{
    auto lock = LockMixer();
    mFrequency = hz == 0 ? mFormat.rate : hz;
}

uint32_t Voice::Frequency() const
{
    auto lock = LockMixer();
    return mFrequency;
}

void Voice::SetLoop(uint64_t start, uint64_t end)
{
    auto lock = LockMixer();
    mLoopStart = start;
    mLoopEnd = end;
}

uint64_t Voice::Position() const
{
    auto lock = LockMixer();
    return mPosition >> 32;
}

void Voice::SetPosition(uint64_t frame)
{
    Seek(frame, nullptr);
}

void Voice::Seek(uint64_t frame, SourceCommand command)
{
    auto lock = LockMixer();
    if (mStream)
    {
        mStream->Restart(frame, std::move(command));
        mEnded = false;
        Mixer::Instance().WakeFeeder();
    }
    else
    {
        frame = std::min(frame, FrameCount());
    }
    mPosition = frame << 32;
}

void Voice::Post(SourceCommand command)
{
    auto lock = LockMixer();
    if (!mStream)
        return;
    mStream->Post(std::move(command));
    Mixer::Instance().WakeFeeder();
}

bool Voice::HasEnded() const
{
    auto lock = LockMixer();
    return mEnded;
}

uint64_t Voice::FrameCount() const
{
    return mData ? mData->size() / mFormat.BlockAlign() : 0;
}

bool Voice::MixLocked(float* out, size_t frames)
{
    if (!mPlaying)
        return false;
    const int layout = mFormat.bits * 10 + mFormat.channels;
    if (mStream)
        return layout == 162 ? MixStream<2>(out, frames) : MixStream<1>(out, frames);
    switch (layout)
    {
    case 81:
        MixPcm<8, 1>(out, frames);
        break;
    case 82:
        MixPcm<8, 2>(out, frames);
        break;
    case 161:
        MixPcm<16, 1>(out, frames);
        break;
    default:
        MixPcm<16, 2>(out, frames);
        break;
    }
    return false;
}

template <int Bits, int Channels> void Voice::MixPcm(float* out, size_t frames)
{
    const uint64_t length = FrameCount();
    if (length == 0)
    {
        mPlaying = false;
        return;
    }
    const Frames<Bits, Channels> source{mData->data(), mGainLeft, mGainRight};
    const uint64_t step = (uint64_t(mFrequency) << 32) / kMixRate;
    // A looping sample goes round its loop region, which is the whole sample unless set.
    const uint64_t loopEnd = mLoopEnd == 0 ? length : std::min(mLoopEnd, length);
    const uint64_t loopStart = std::min(mLoopStart, loopEnd - 1);
    const uint64_t end = mLooping ? loopEnd : length;
    size_t done = 0;
    while (done < frames)
    {
        uint64_t index = mPosition >> 32;
        if (index + 1 < end)
        {
            // The frames up to the last one before the end go without a check each.
            const size_t run = size_t(std::min<uint64_t>(frames - done, FramesBefore(end, mPosition, step)));
            mPosition = source.MixRun(out + 2 * done, run, mPosition, step);
            done += run;
            continue;
        }
        if (index >= end)
        {
            if (!mLooping)
            {
                mPlaying = false;
                mPosition = 0;
                return;
            }
            index = loopStart + (index - loopStart) % (loopEnd - loopStart);
            mPosition = (index << 32) | uint32_t(mPosition);
            continue;
        }
        // The last frame: it leads back to the loop's start, or holds at the end.
        source.MixOne(out + 2 * done, index, mLooping ? loopStart : index, uint32_t(mPosition));
        mPosition += step;
        done++;
    }
    if (!mLooping && (mPosition >> 32) >= length)
    {
        mPlaying = false;
        mPosition = 0;
    }
}

template <int Channels> bool Voice::MixStream(float* out, size_t frames)
{
    const uint64_t step = (uint64_t(mFrequency) << 32) / kMixRate;
    bool gaveBack = false;
    size_t done = 0;
    while (done < frames)
    {
        const uint64_t index = mPosition >> 32;
        const uint64_t start = mStream->WindowStart();
        const uint64_t end = start + mStream->WindowFrames();
        const Frames<16, Channels> window{reinterpret_cast<const uint8_t*>(mStream->Window()), mGainLeft,
                                          mGainRight};
        if (index >= start && index + 1 < end)
        {
            const size_t run = size_t(std::min<uint64_t>(frames - done, FramesBefore(end, mPosition, step)));
            mPosition = window.MixRun(out + 2 * done, run, mPosition - (start << 32), step) + (start << 32);
            done += run;
            continue;
        }
        if (index >= start && index < end && mStream->Finished())
        {
            // The stream's last frame holds instead of leading anywhere.
            window.MixOne(out + 2 * done, index - start, index - start, uint32_t(mPosition));
            mPosition += step;
            done++;
            continue;
        }
        gaveBack = mStream->Fill(index) || gaveBack;
        if (mStream->WindowFrames() == 0 && mStream->Finished())
        {
            mPlaying = false;
            mEnded = true;
            break;
        }
        // Data that is late plays as silence; the stream goes on where it was once it comes.
        const uint64_t have = mStream->WindowStart() + mStream->WindowFrames();
        if (index < mStream->WindowStart() || have < index + (mStream->Finished() ? 1 : 2))
            break;
    }
    return gaveBack;
}
} // namespace LumoAudio
