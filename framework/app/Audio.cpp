// The application's sound front: volumes and the counted mute.
#include "app/LumoAppBase.h"
#include "media/BassMusicInterface.h"
#include "media/FModMusicInterface.h"
#include "media/MusicInterface.h"
#include "media/SoundInstance.h"
#include "media/SoundManager.h"

#include <algorithm>
#include <new>

namespace Lumo
{
double LumoAppBase::GetMusicVolume()
{
    return mMusicVolume;
}

double LumoAppBase::GetSfxVolume()
{
    return mSfxVolume;
}

bool LumoAppBase::IsMuted()
{
    return mMuteCount > 0;
}

void LumoAppBase::SetMusicVolume(double volume)
{
    mMusicVolume = volume;
    if (mMusicInterface)
        mMusicInterface->SetVolume(IsMuted() ? 0.0 : volume);
}

void LumoAppBase::SetSfxVolume(double volume)
{
    mSfxVolume = volume;
    if (mSoundManager)
        mSoundManager->SetVolume(IsMuted() ? 0.0 : volume);
}

void LumoAppBase::Mute(bool autoMute)
{
    mMuteCount++;
    if (autoMute)
        mAutoMuteCount++;
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

void LumoAppBase::Unmute(bool autoMute)
{
    if (mMuteCount > 0)
    {
        mMuteCount--;
        // The automatic part never goes below 0 nor above the whole count.
        if (autoMute && mAutoMuteCount > 0)
            mAutoMuteCount--;
        mAutoMuteCount = std::min(mAutoMuteCount, mMuteCount);
    }
    SetMusicVolume(mMusicVolume);
    SetSfxVolume(mSfxVolume);
}

void LumoAppBase::PlaySampleWithPan(int id, int pan)
{
    if (mSoundManager == nullptr)
        return;
    if (SoundInstance* sound = mSoundManager->GetSoundInstance((unsigned int)id))
    {
        sound->SetPan(pan);
        sound->Play(false, true);
    }
}

void LumoAppBase::PlaySample(int id)
{
    if (mSoundManager == nullptr)
        return;
    if (SoundInstance* sound = mSoundManager->GetSoundInstance((unsigned int)id))
        sound->Play(false, true);
}

MusicInterface* LumoAppBase::CreateMusicInterface(HWND window)
{
    if (mAudioDisabled)
        return new (std::nothrow) MusicInterface();
    if (mUseFModMusic)
        return new (std::nothrow) FModMusicInterface();
    return new (std::nothrow) BassMusicInterface(window);
}

double LumoAppBase::GetMasterVolume()
{
    return mSoundManager ? mSoundManager->GetMasterVolume() : 0.0;
}

void LumoAppBase::SetMasterVolume(double volume)
{
    if (mSoundManager)
        mSoundManager->SetMasterVolume(volume);
}
} // namespace Lumo
