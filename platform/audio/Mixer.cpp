#include "audio/Mixer.h"
#include "audio/SdlHints.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace LumoAudio
{
namespace
{
constexpr uint16_t kDeviceFrames = 1024;

std::mutex gDeviceLock; // guards opening and closing; never held while mixing

// The mix as 16-bit samples, at the output level, rounded to nearest and clipped.
void ToPcm16(const float* mix, float gain, int16_t* out, size_t samples)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128 factor = _mm_set1_ps(gain);
    const __m128 low = _mm_set1_ps(-32768.0f);
    const __m128 high = _mm_set1_ps(32767.0f);
    for (; i + 8 <= samples; i += 8)
    {
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(mix + i), factor), low), high);
        const __m128 b = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(mix + i + 4), factor), low), high);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b)));
    }
#endif
    for (; i < samples; i++)
        out[i] = int16_t(std::lrint(std::clamp(mix[i] * gain, -32768.0f, 32767.0f)));
}
} // namespace

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
    // Started once and kept for the process: stopping SDL's audio joins its device-watch thread,
    // which sleeps in 100 ms steps, and a failed open would pay that at every start.
    if (SDL_WasInit(SDL_INIT_AUDIO) == 0)
    {
        Platform::SetSdlHints();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
    }
    if (mFaultHook && mFaultHook("SDL_OpenAudioDevice"))
        return false;
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
        return false;
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
    {
        auto lock = Lock();
        if (std::find(mVoices.begin(), mVoices.end(), voice) != mVoices.end())
            return;
        mVoices.push_back(voice);
    }
    if (!voice->mStream)
        return;
    bool (*faultHook)(const char*) = nullptr;
    {
        std::lock_guard<std::mutex> device(gDeviceLock);
        faultHook = mFaultHook;
    }
    // Not under the lock: starting the thread, or waiting for a removal to finish, must not
    // hold up the output. A stream that cannot be fed is not kept.
    try
    {
        mFeeder.Add(voice, faultHook);
    }
    catch (...)
    {
        auto lock = Lock();
        TakeVoice(mVoices, voice.get());
        throw;
    }
}

void Mixer::Remove(const Voice* voice)
{
    std::shared_ptr<Voice> removed;
    {
        auto lock = Lock();
        removed = TakeVoice(mVoices, voice);
    }
    if (removed && removed->mStream)
        mFeeder.Remove(voice);
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

void Mixer::WaitForStreams()
{
    mFeeder.WaitUntilIdle();
}

void Mixer::Render(int16_t* out, size_t frames)
{
    auto lock = Lock();
    bool gaveBack = false;
    for (size_t done = 0; done < frames;)
    {
        const size_t chunk = std::min(frames - done, kChunkFrames);
        std::fill(mMix.begin(), mMix.begin() + ptrdiff_t(chunk * kMixChannels), 0.0f);
        for (const auto& voice : mVoices)
            gaveBack = voice->MixLocked(mMix.data(), chunk) || gaveBack;
        ToPcm16(mMix.data(), mMasterGain, out + done * kMixChannels, chunk * kMixChannels);
        done += chunk;
    }
    if (gaveBack)
        mFeeder.Wake();
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
