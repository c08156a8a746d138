#include "media/MusicInterface.h"

namespace Lumo
{

SongVolume::Step SongVolume::Advance()
{
    if (mVolumeAdd == 0.0)
        return Step::none;
    mVolume += mVolumeAdd;
    if (mVolume > mVolumeCap)
    {
        mVolume = mVolumeCap;
        mVolumeAdd = 0.0;
    }
    else if (mVolume < 0.0)
    {
        mVolume = 0.0;
        mVolumeAdd = 0.0;
        return mStopOnFade ? Step::stop : Step::changed;
    }
    return Step::changed;
}

bool MusicInterface::LoadMusic(int songId, const std::string& fileName)
{
    return false;
}

void MusicInterface::PlayMusic(int songId, int offset, bool noLoop) {}

void MusicInterface::StopMusic(int songId) {}

void MusicInterface::PauseMusic(int songId) {}

void MusicInterface::ResumeMusic(int songId) {}

void MusicInterface::StopAllMusic() {}

void MusicInterface::UnloadMusic(int songId) {}

void MusicInterface::UnloadAllMusic() {}

void MusicInterface::PauseAllMusic() {}

void MusicInterface::ResumeAllMusic() {}

void MusicInterface::FadeIn(int songId, int offset, double speed, bool noLoop) {}

void MusicInterface::FadeOut(int songId, bool stopSong, double speed) {}

void MusicInterface::FadeOutAll(bool stopSongs, double speed) {}

void MusicInterface::SetSongVolume(int songId, double volume) {}

void MusicInterface::SetSongMaxVolume(int songId, double maxVolume) {}

bool MusicInterface::IsPlaying(int songId)
{
    return false;
}

void MusicInterface::SetVolume(double volume) {}

void MusicInterface::SetMusicAmplify(int songId, double amplify) {}

void MusicInterface::Update() {}

} // namespace Lumo
