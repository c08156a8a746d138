#include "media/DSoundManager.h"
#include "media/AudioHost.h"
#include "media/DSoundInstance.h"
#include "media/FModInstance.h"
#include "media/WaveOutVolume.h"

#include <cmath>

namespace Lumo
{

DSoundManager::DSoundManager(HWND window, bool useFMod) : mUseFMod(useFMod)
{
    for (double& volume : mBaseVolumes)
        volume = 1.0;
    if (!window || !gDSoundDLL)
        return;
    auto create = reinterpret_cast<LPDIRECTSOUNDCREATE>(
        reinterpret_cast<void*>(GetProcAddress(gDSoundDLL, "DirectSoundCreate")));
    if (!create)
        return;
    IDirectSound* directSound = nullptr;
    if (FAILED(create(nullptr, &directSound, nullptr)) || !directSound)
        return;
    mDirectSound = directSound;
    if (mUseFMod && (mFMod = AcquireFModInstance()) != nullptr)
    {
        mFMod->FSOUND_SetHWND(window);
        mFMod->FSOUND_SetBufferSize(200);
        mFMod->FSOUND_Init(44100, 64, 2);
    }
    if (FAILED(mDirectSound->SetCooperativeLevel(window, DSSCL_PRIORITY)))
    {
        mDirectSound->SetCooperativeLevel(window, DSSCL_NORMAL);
        return;
    }
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE_32BIT;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (FAILED(mDirectSound->CreateSoundBuffer(&desc, &mPrimaryBuffer, nullptr)))
    {
        mPrimaryBuffer = nullptr;
        return;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    format.cbSize = 18;
    mPrimaryBuffer->SetFormat(&format);
}

DSoundManager::~DSoundManager()
{
    ReleaseChannels();
    ReleaseSounds();
    if (mPrimaryBuffer)
        mPrimaryBuffer->Release();
    if (mDirectSound)
    {
        if (mFMod)
            mFMod->FSOUND_Close();
        mDirectSound->Release();
        if (mFMod)
            ReleaseFModInstance();
        mFMod = nullptr;
    }
}

bool DSoundManager::Initialized()
{
    return mDirectSound != nullptr;
}

int DSoundManager::LoadSound(const std::string& name)
{
    for (unsigned int id = 0; id < kMaxSounds; id++)
        if (mSourceFileNames[id] == name)
            return int(id);
    for (int id = kMaxSounds - 1; id >= 0; id--)
    {
        if (mSourceSounds[id] == nullptr)
            return LoadSound(unsigned(id), name) ? id : -1;
    }
    return -1;
}

void DSoundManager::ReleaseSound(unsigned int id)
{
    if (id >= kMaxSounds)
        return;
    if (mSourceSounds[id])
        mSourceSounds[id]->Release();
    mSourceSounds[id] = nullptr;
    mSourceFileNames[id].clear();
}

void DSoundManager::SetVolume(double volume)
{
    mVolumeScale = volume;
    for (SoundInstance* channel : mPlayingSounds)
        if (channel)
            static_cast<DSoundInstance*>(channel)->ApplyVolume();
}

bool DSoundManager::SetBaseVolume(unsigned int id, double volume)
{
    if (id >= kMaxSounds)
        return false;
    mBaseVolumes[id] = volume;
    return true;
}

bool DSoundManager::SetBasePan(unsigned int id, int pan)
{
    if (id >= kMaxSounds)
        return false;
    mBasePans[id] = pan;
    return true;
}

void DSoundManager::DeleteReleasedChannels()
{
    for (SoundInstance*& channel : mPlayingSounds)
    {
        if (channel && channel->IsReleased())
        {
            delete channel;
            channel = nullptr;
        }
    }
}

int DSoundManager::FindFreeChannel()
{
    DWORD now = GetTickCount();
    if (uint32_t(now - mLastReleaseTick) > 1000)
    {
        DeleteReleasedChannels();
        mLastReleaseTick = now;
    }
    for (int i = 0; i < kMaxChannels; i++)
    {
        if (mPlayingSounds[i] == nullptr)
            return i;
        if (mPlayingSounds[i]->IsReleased())
        {
            delete mPlayingSounds[i];
            mPlayingSounds[i] = nullptr;
            return i;
        }
    }
    return -1;
}

SoundInstance* DSoundManager::GetSoundInstance(unsigned int id)
{
    if (id >= kMaxSounds)
        return nullptr;
    int channel = FindFreeChannel();
    if (channel < 0)
        return nullptr;
    DSoundInstance* instance = nullptr;
    if (mDirectSound)
    {
        if (mSourceSounds[id] == nullptr)
            return nullptr;
        instance = new DSoundInstance(this, mSourceSounds[id]);
    }
    else
        instance = new DSoundInstance(this, nullptr);
    mPlayingSounds[channel] = instance;
    instance->SetBasePan(mBasePans[id]);
    instance->SetBaseVolume(mBaseVolumes[id]);
    return instance;
}

void DSoundManager::ReleaseSounds()
{
    for (IDirectSoundBuffer*& sound : mSourceSounds)
    {
        if (sound)
            sound->Release();
        sound = nullptr;
    }
}

void DSoundManager::ReleaseChannels()
{
    for (SoundInstance*& channel : mPlayingSounds)
    {
        delete channel;
        channel = nullptr;
    }
}

double DSoundManager::GetMasterVolume()
{
    WaveOutVolume mixer;
    return mixer.Get() / 65535.0;
}

void DSoundManager::SetMasterVolume(double volume)
{
    WaveOutVolume mixer;
    double value = volume * 65535.0;
    mixer.Set(value > 0.0 ? DWORD(std::fmin(value, 65535.0)) : 0);
}

void DSoundManager::Idle() {}

void DSoundManager::SetCooperativeWindow(HWND window, bool windowed)
{
    if (mDirectSound)
        mDirectSound->SetCooperativeLevel(window, DSSCL_NORMAL);
}

void DSoundManager::StopAllSounds()
{
    for (SoundInstance* channel : mPlayingSounds)
    {
        if (!channel)
            continue;
        // Stop clears auto-release; kept, so that a stopped auto-release instance is still swept.
        DSoundInstance* instance = static_cast<DSoundInstance*>(channel);
        bool autoRelease = instance->AutoRelease();
        instance->Stop();
        instance->SetAutoRelease(autoRelease);
    }
}

int DSoundManager::VolumeToDB(double volume)
{
    volume = volume > 0.0 ? std::fmin(volume, 1.0) : 0.0;
    int db = int((std::log10(9.0 * volume + 1.0) - 1.0) * 2333.0);
    return db < -2000 ? DSBVOLUME_MIN : db;
}

} // namespace Lumo
