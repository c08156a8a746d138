#include "audio/Mixer.h"
#include "audio/SdlHints.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace LumoAudio
{
namespace
{
constexpr size_t kStreamChunkFrames = 1024;
constexpr uint16_t kDeviceFrames = 1024;

std::mutex gDeviceLock; // guards opening and closing; never held while mixing

std::unique_lock<std::recursive_mutex> LockMixer()
{
    return Mixer::Instance().Lock();
}
} // namespace

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

// ---- Voice ---------------------------------------------------------------------------------

Voice::Voice(const PcmFormat& format) : mFormat(format), mFrequency(format.rate) {}

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
    voice->mPull = std::move(pull);
    return voice;
}

std::shared_ptr<Voice> Voice::Share() const
{
    if (mPull)
        return nullptr; // a stream has one reader
    auto lock = LockMixer();
    std::shared_ptr<Voice> copy(new Voice(mFormat));
    copy->mData = mData;
    copy->mFrequency = mFrequency;
    copy->mVolume = mVolume;
    copy->mPan = mPan;
    copy->mLoopStart = mLoopStart;
    copy->mLoopEnd = mLoopEnd;
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
}

int Voice::Pan() const
{
    auto lock = LockMixer();
    return mPan;
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
    auto lock = LockMixer();
    if (mPull)
    {
        mStreamFrames.clear();
        mStreamBase = frame;
        mStreamEnded = false;
    }
    else
    {
        frame = std::min(frame, FrameCount());
    }
    mPosition = frame << 32;
}

uint64_t Voice::FrameCount() const
{
    return mData ? mData->size() / mFormat.BlockAlign() : 0;
}

bool Voice::FetchStream(uint64_t frame)
{
    if (frame < mStreamBase)
        return false;
    const size_t channels = mFormat.channels;
    // Frames before the one just played are no longer needed; they are dropped a block at a
    // time, not one by one as the position moves.
    if (frame > mStreamBase + kStreamChunkFrames)
    {
        uint64_t drop = std::min<uint64_t>(frame - 1 - mStreamBase, mStreamFrames.size() / channels);
        mStreamFrames.erase(mStreamFrames.begin(), mStreamFrames.begin() + ptrdiff_t(drop * channels));
        mStreamBase += drop;
    }
    while (frame >= mStreamBase + mStreamFrames.size() / channels)
    {
        if (mStreamEnded)
            return false;
        size_t have = mStreamFrames.size();
        mStreamFrames.resize(have + kStreamChunkFrames * channels);
        size_t got = std::min(mPull(mStreamFrames.data() + have, kStreamChunkFrames), kStreamChunkFrames);
        mStreamFrames.resize(have + got * channels);
        if (got < kStreamChunkFrames)
            mStreamEnded = true;
    }
    return true;
}

void Voice::SourceFrame(uint64_t frame, float& left, float& right)
{
    if (mPull)
    {
        const int16_t* p = mStreamFrames.data() + (frame - mStreamBase) * mFormat.channels;
        left = p[0];
        right = mFormat.channels == 2 ? p[1] : left;
        return;
    }
    const uint8_t* p = mData->data() + frame * mFormat.BlockAlign();
    if (mFormat.bits == 8)
    {
        left = float((int(p[0]) - 128) * 256);
        right = mFormat.channels == 2 ? float((int(p[1]) - 128) * 256) : left;
    }
    else
    {
        left = float(int16_t(uint16_t(p[0] | (p[1] << 8))));
        right = mFormat.channels == 2 ? float(int16_t(uint16_t(p[2] | (p[3] << 8)))) : left;
    }
}

void Voice::MixLocked(float* out, size_t frames)
{
    if (!mPlaying)
        return;
    // Pan attenuates the far side only, as DirectSound does.
    const float gainLeft = GainOf(mVolume - std::max(mPan, 0));
    const float gainRight = GainOf(mVolume + std::min(mPan, 0));
    const uint64_t step = (uint64_t(mFrequency) << 32) / kMixRate;
    const bool stream = bool(mPull);
    const uint64_t length = stream ? 0 : FrameCount();
    if (!stream && length == 0)
    {
        mPlaying = false;
        return;
    }
    // A looping sample goes round its loop region, which is the whole sample unless set.
    const uint64_t loopEnd = mLoopEnd == 0 ? length : std::min(mLoopEnd, length);
    const uint64_t loopStart = std::min(mLoopStart, loopEnd - 1);
    for (size_t i = 0; i < frames; i++)
    {
        uint64_t index = mPosition >> 32;
        if (stream)
        {
            if (!FetchStream(index))
            {
                mPlaying = false;
                return;
            }
        }
        else if (index >= (mLooping ? loopEnd : length))
        {
            if (!mLooping)
            {
                mPlaying = false;
                mPosition = 0;
                return;
            }
            index = loopStart + (index - loopStart) % (loopEnd - loopStart);
            mPosition = (index << 32) | uint32_t(mPosition);
        }
        float left, right;
        SourceFrame(index, left, right);
        const uint32_t fraction = uint32_t(mPosition);
        if (fraction != 0)
        {
            uint64_t next = index + 1;
            if (stream)
                next = FetchStream(next) ? next : index;
            else if (next >= (mLooping ? loopEnd : length))
                next = mLooping ? loopStart : index;
            float nextLeft, nextRight;
            SourceFrame(next, nextLeft, nextRight);
            const float t = float(fraction) * (1.0f / 4294967296.0f);
            left += (nextLeft - left) * t;
            right += (nextRight - right) * t;
        }
        out[2 * i] += left * gainLeft;
        out[2 * i + 1] += right * gainRight;
        mPosition += step;
    }
    if (!stream && !mLooping && (mPosition >> 32) >= length)
    {
        mPlaying = false;
        mPosition = 0;
    }
}

// ---- Mixer ---------------------------------------------------------------------------------

Mixer& Mixer::Instance()
{
    static Mixer* mixer = new Mixer(); // never destroyed: voices may outlive static destruction
    return *mixer;
}

std::unique_lock<std::recursive_mutex> Mixer::Lock() const
{
    return std::unique_lock<std::recursive_mutex>(mLock);
}

void Mixer::SetFaultHook(bool (*hook)(const char*))
{
    std::lock_guard<std::mutex> device(gDeviceLock);
    mFaultHook = hook;
}

bool Mixer::AcquireDevice()
{
    std::lock_guard<std::mutex> device(gDeviceLock);
    if (mDeviceUsers > 0)
    {
        mDeviceUsers++;
        return true;
    }
    Platform::SetSdlHints();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    if (mFaultHook && mFaultHook("SDL_OpenAudioDevice"))
    {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = int(kMixRate);
    want.format = AUDIO_S16SYS;
    want.channels = kMixChannels;
    want.samples = kDeviceFrames;
    want.callback = &Mixer::DeviceCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the hardware wants.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0)
    {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    mDevice = id;
    mDeviceUsers = 1;
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void Mixer::ReleaseDevice()
{
    std::lock_guard<std::mutex> device(gDeviceLock);
    if (mDeviceUsers == 0 || --mDeviceUsers > 0)
        return;
    // Closing waits for the callback, so the mixing lock must not be held here.
    SDL_CloseAudioDevice(mDevice);
    mDevice = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool Mixer::HasDevice() const
{
    std::lock_guard<std::mutex> device(gDeviceLock);
    return mDeviceUsers > 0;
}

void Mixer::Add(std::shared_ptr<Voice> voice)
{
    if (!voice)
        return;
    auto lock = Lock();
    if (std::find(mVoices.begin(), mVoices.end(), voice) == mVoices.end())
        mVoices.push_back(std::move(voice));
}

void Mixer::Remove(const Voice* voice)
{
    auto lock = Lock();
    mVoices.erase(std::remove_if(mVoices.begin(), mVoices.end(),
                                 [voice](const std::shared_ptr<Voice>& v) { return v.get() == voice; }),
                  mVoices.end());
}

size_t Mixer::VoiceCount() const
{
    auto lock = Lock();
    return mVoices.size();
}

void Mixer::SetManual(bool manual)
{
    auto lock = Lock();
    mManual = manual;
}

void Mixer::SetMasterGain(float gain)
{
    auto lock = Lock();
    mMasterGain = std::clamp(gain, 0.0f, 1.0f);
}

float Mixer::MasterGain() const
{
    auto lock = Lock();
    return mMasterGain;
}

void Mixer::Render(int16_t* out, size_t frames)
{
    auto lock = Lock();
    mMix.assign(frames * kMixChannels, 0.0f);
    // A pull callback may remove voices; iterate over a snapshot.
    std::vector<std::shared_ptr<Voice>> voices = mVoices;
    for (auto& voice : voices)
        voice->MixLocked(mMix.data(), frames);
    for (size_t i = 0; i < mMix.size(); i++)
        out[i] = int16_t(std::lrint(std::clamp(mMix[i] * mMasterGain, -32768.0f, 32767.0f)));
}

void Mixer::DeviceCallback(void* user, uint8_t* stream, int length)
{
    Mixer* mixer = static_cast<Mixer*>(user);
    auto lock = mixer->Lock();
    if (mixer->mManual)
    {
        std::fill(stream, stream + length, uint8_t(0));
        return;
    }
    mixer->Render(reinterpret_cast<int16_t*>(stream), size_t(length) / (kMixChannels * sizeof(int16_t)));
}
} // namespace LumoAudio
