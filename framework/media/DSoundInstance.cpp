#include "media/DSoundInstance.h"
#include "media/AudioHost.h"
#include "media/DSoundManager.h"

#include <algorithm>
#include <cmath>

namespace Lumo
{

namespace
{
const char* DuplicateErrorName(HRESULT result)
{
    switch (result)
    {
    case DSERR_ALLOCATED:
        return "DSERR_ALLOCATED";
    case DSERR_INVALIDCALL:
        return "DSERR_INVALIDCALL";
    case DSERR_UNINITIALIZED:
        return "DSERR_UNINITIALIZED";
    case DSERR_OUTOFMEMORY:
        return "DSERR_OUTOFMEMORY";
    case DSERR_INVALIDPARAM:
        return "DSERR_INVALIDPARAM";
    default:
        return nullptr;
    }
}

double Unit(double value)
{
    return value > 0.0 ? std::min(value, 1.0) : 0.0; // NaN counts as silence
}
} // namespace

DSoundInstance::DSoundInstance(DSoundManager* manager, IDirectSoundBuffer* sourceSound)
    : mSoundManager(manager), mSourceSoundBuffer(sourceSound)
{
    if (mSourceSoundBuffer)
    {
        IDirectSound* directSound = manager->DirectSound();
        HRESULT result = directSound ? directSound->DuplicateSoundBuffer(mSourceSoundBuffer, &mSoundBuffer)
                                     : DSERR_UNINITIALIZED;
        if (FAILED(result))
        {
            mSoundBuffer = nullptr;
            // Ends the program; the text is shown only for the failures it names.
            AudioFatalError(DuplicateErrorName(result), "Hey", MB_OK);
        }
    }
    if (mSoundBuffer)
    {
        DWORD frequency = 0;
        if (SUCCEEDED(mSoundBuffer->GetFrequency(&frequency)))
            mDefaultFrequency = frequency;
    }
    ApplyVolume();
}

DSoundInstance::~DSoundInstance()
{
    if (mSoundBuffer)
        mSoundBuffer->Release();
}

void DSoundInstance::ApplyVolume()
{
    if (!mSoundBuffer)
        return;
    double volume = Unit(mVolume) * Unit(mBaseVolume) * Unit(mSoundManager->VolumeScale());
    mSoundBuffer->SetVolume(DSoundManager::VolumeToDB(volume));
}

void DSoundInstance::ApplyPan()
{
    if (!mSoundBuffer)
        return;
    long long pan = (long long)mPan + mBasePan;
    mSoundBuffer->SetPan(LONG(std::clamp<long long>(pan, DSBPAN_LEFT, DSBPAN_RIGHT)));
}

void DSoundInstance::Release()
{
    Stop();
    mReleased = true;
}

void DSoundInstance::SetBaseVolume(double volume)
{
    mBaseVolume = volume;
    ApplyVolume();
}

void DSoundInstance::SetBasePan(int pan)
{
    mBasePan = pan;
    ApplyPan();
}

void DSoundInstance::AdjustPitch(double semitones)
{
    if (!mSoundBuffer)
        return;
    double frequency = std::pow(1.0594630943592953, semitones) * double(mDefaultFrequency);
    frequency = std::fmin(std::fmax(frequency, 100.0), 100000.0); // fmax maps NaN to the floor
    mSoundBuffer->SetFrequency(DWORD(frequency));
}

void DSoundInstance::SetVolume(double volume)
{
    mVolume = volume;
    ApplyVolume();
}

void DSoundInstance::SetPan(int pan)
{
    mPan = pan;
    ApplyPan();
}

bool DSoundInstance::Play(bool looping, bool autoRelease)
{
    Stop();
    mHasPlayed = true;
    mAutoRelease = autoRelease;
    if (!mSoundBuffer)
        return false;
    return SUCCEEDED(mSoundBuffer->Play(0, 0, looping ? DSBPLAY_LOOPING : 0));
}

void DSoundInstance::Stop()
{
    if (!mSoundBuffer)
        return;
    mSoundBuffer->Stop();
    mSoundBuffer->SetCurrentPosition(0);
    mAutoRelease = false;
}

bool DSoundInstance::IsPlaying()
{
    if (!mHasPlayed || !mSoundBuffer)
        return false;
    DWORD status = 0;
    if (FAILED(mSoundBuffer->GetStatus(&status)))
        return false;
    return (status & DSBSTATUS_PLAYING) != 0;
}

bool DSoundInstance::IsReleased()
{
    if (!mReleased && mAutoRelease && mHasPlayed && !IsPlaying())
        Release();
    return mReleased;
}

double DSoundInstance::GetVolume()
{
    return mVolume;
}

} // namespace Lumo
