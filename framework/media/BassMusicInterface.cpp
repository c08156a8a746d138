#include "media/BassMusicInterface.h"
#include "app/Common.h"
#include "media/BassInstance.h"
#include "media/WaveOutVolume.h"

#include <cmath>

namespace Lumo
{

namespace
{
constexpr DWORD kLoop = 4;     // BASS_SAMPLE_LOOP
constexpr DWORD kRamp = 0x200; // BASS_MUSIC_RAMP
constexpr DWORD kModuleFlagsV1 = 4;
constexpr DWORD kModuleFlagsV2 = 0x204;
constexpr DWORD kGlobalMusicVolume = 6;  // BASS_CONFIG_GVOL_MUSIC
constexpr DWORD kGlobalStreamVolume = 5; // BASS_CONFIG_GVOL_STREAM
constexpr int kKeepFrequency = -1;
constexpr int kKeepPan = -101;

double Unit(double value)
{
    return value > 0.0 ? std::fmin(value, 1.0) : 0.0;
}

int Percent(double volume)
{
    return int(Unit(volume) * 100.0);
}
} // namespace

BassMusicInterface::BassMusicInterface(HWND window) : mBass(AcquireBassInstance())
{
    if (!mBass)
        return;
    // The library's start-up must not change the user's wave-output volume.
    WaveOutVolume mixer;
    DWORD saved = mixer.Get();
    if (mBass->isVersion2)
    {
        mBass->BASS_InitV2(1, 44100, 0, window, nullptr);
        mBass->BASS_SetConfig(0, 2000);
    }
    else
        mBass->BASS_InitV1(-1, 44100, 0, window);
    mixer.Set(saved);
    mBass->BASS_Start();
    mMusicVolumeScale = 40;
}

BassMusicInterface::~BassMusicInterface()
{
    if (!mBass)
        return;
    mBass->BASS_Stop();
    mBass->BASS_Free();
    ReleaseBassInstance();
}

BassMusicInfo* BassMusicInterface::Find(int songId)
{
    if (!mBass)
        return nullptr;
    auto it = mMusicMap.find(songId);
    return it == mMusicMap.end() ? nullptr : &it->second;
}

void BassMusicInterface::ApplyVolume(const BassMusicInfo& info)
{
    mBass->BASS_ChannelSetAttributes(info.GetHandle(), kKeepFrequency, Percent(info.mVolume), kKeepPan);
}

void BassMusicInterface::Free(const BassMusicInfo& info)
{
    if (info.mHStream)
        mBass->BASS_StreamFree(info.mHStream);
    else
        mBass->BASS_MusicFree(info.mHMusic);
}

bool BassMusicInterface::LoadMusic(int songId, const std::string& fileName)
{
    if (!mBass)
        return false;
    size_t dot = fileName.rfind('.');
    std::string extension =
        dot == std::string::npos ? std::string() : StringToLower(fileName.substr(dot + 1));
    BassMusicInfo info;
    if (extension == "wav" || extension == "ogg" || extension == "mp3")
        info.mHStream = mBass->BASS_StreamCreateFile(FALSE, fileName.c_str(), 0, 0, 0);
    else if (mBass->isVersion2)
        info.mHMusic = mBass->BASS_MusicLoadV2(FALSE, fileName.c_str(), 0, 0, kModuleFlagsV2, 0);
    else
        info.mHMusic = mBass->BASS_MusicLoadV1(FALSE, fileName.c_str(), 0, 0, kModuleFlagsV1);
    if (info.GetHandle() == 0)
        return false;
    bool added = false;
    {
        AutoCrit lock(mMapLock);
        added = mMusicMap.emplace(songId, info).second;
    }
    if (!added)
    {
        // The id is taken: the song loaded under it stays, the new one is not kept.
        Free(info);
        return false;
    }
    return true;
}

void BassMusicInterface::Start(const BassMusicInfo& info, int offset, bool noLoop, bool fadeIn)
{
    const DWORD loop = noLoop ? 0 : kLoop;
    if (info.mHStream)
    {
        mBass->BASS_StreamPlay(info.mHStream, offset != -1, loop);
        if (offset > 0)
            mBass->BASS_ChannelSetPosition(info.mHStream, BASS_QWORD(offset));
    }
    else if (fadeIn && offset == -1)
        mBass->BASS_MusicPlay(info.mHMusic);
    else if (mBass->isVersion2)
        mBass->BASS_MusicPlayEx(info.mHMusic, DWORD(offset), int(loop | kRamp), FALSE);
    else
        mBass->BASS_MusicPlayEx(info.mHMusic, DWORD(offset), int(loop), TRUE);
}

void BassMusicInterface::PlayMusic(int songId, int offset, bool noLoop)
{
    AutoCrit lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    if (!info)
        return;
    info->mVolume = info->mVolumeCap;
    info->mVolumeAdd = 0.0;
    ApplyVolume(*info);
    mBass->BASS_ChannelStop(info->GetHandle());
    Start(*info, offset, noLoop, false);
}

void BassMusicInterface::FadeIn(int songId, int offset, double speed, bool noLoop)
{
    AutoCrit lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    if (!info)
        return;
    info->mVolumeAdd = speed;
    mBass->BASS_ChannelStop(info->GetHandle());
    ApplyVolume(*info);
    Start(*info, offset, noLoop, true);
}

void BassMusicInterface::FadeOut(int songId, bool stopSong, double speed)
{
    AutoCrit lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    if (!info)
        return;
    if (info->mVolume != 0.0)
        info->StartFadeOut(stopSong, speed);
}

void BassMusicInterface::FadeOutAll(bool stopSongs, double speed)
{
    AutoCrit lock(mMapLock);
    for (auto& [id, info] : mMusicMap)
        info.StartFadeOut(stopSongs, speed);
}

void BassMusicInterface::Stop(BassMusicInfo& info)
{
    info.mVolume = 0.0;
    mBass->BASS_ChannelStop(info.GetHandle());
}

void BassMusicInterface::StopMusic(int songId)
{
    AutoCrit lock(mMapLock);
    if (BassMusicInfo* info = Find(songId))
        Stop(*info);
}

void BassMusicInterface::StopAllMusic()
{
    AutoCrit lock(mMapLock);
    for (auto& [id, info] : mMusicMap)
        Stop(info);
}

void BassMusicInterface::PauseMusic(int songId)
{
    AutoCrit lock(mMapLock);
    if (BassMusicInfo* info = Find(songId))
        mBass->BASS_ChannelPause(info->GetHandle());
}

void BassMusicInterface::ResumeMusic(int songId)
{
    AutoCrit lock(mMapLock);
    if (BassMusicInfo* info = Find(songId))
        mBass->BASS_ChannelResume(info->GetHandle());
}

void BassMusicInterface::PauseAllMusic()
{
    AutoCrit lock(mMapLock);
    for (auto& [id, info] : mMusicMap)
        mBass->BASS_ChannelPause(info.GetHandle());
}

void BassMusicInterface::ResumeAllMusic()
{
    AutoCrit lock(mMapLock);
    for (auto& [id, info] : mMusicMap)
        mBass->BASS_ChannelResume(info.GetHandle());
}

void BassMusicInterface::UnloadMusic(int songId)
{
    AutoCrit lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    if (!info)
        return;
    Stop(*info);
    Free(*info);
    mMusicMap.erase(songId);
}

void BassMusicInterface::UnloadAllMusic()
{
    AutoCrit lock(mMapLock);
    StopAllMusic();
    for (auto& [id, info] : mMusicMap)
        Free(info);
    mMusicMap.clear();
}

void BassMusicInterface::SetSongVolume(int songId, double volume)
{
    AutoCrit lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    if (!info)
        return;
    info->mVolume = volume;
    ApplyVolume(*info);
}

void BassMusicInterface::SetSongMaxVolume(int songId, double maxVolume)
{
    AutoCrit lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    if (!info)
        return;
    info->mVolumeCap = maxVolume;
    info->mVolume = std::fmin(info->mVolume, maxVolume);
    ApplyVolume(*info);
}

bool BassMusicInterface::IsPlaying(int songId)
{
    AutoCrit lock(mMapLock);
    BassMusicInfo* info = Find(songId);
    return info && mBass->BASS_ChannelIsActive(info->GetHandle()) == 1;
}

void BassMusicInterface::SetVolume(double volume)
{
    if (!mBass)
        return;
    volume = Unit(volume);
    if (mBass->isVersion2)
    {
        const DWORD percent = DWORD(Percent(volume));
        mBass->BASS_SetConfig(kGlobalMusicVolume, percent);
        mBass->BASS_SetConfig(kGlobalStreamVolume, percent);
    }
    else if (mBass->BASS_SetGlobalVolumes)
    {
        const int level = int(mMusicVolumeScale * volume);
        mBass->BASS_SetGlobalVolumes(level, level, level);
    }
    else // a library with only the output volume
        mBass->BASS_SetVolume(DWORD(Percent(volume)));
}

void BassMusicInterface::SetMusicAmplify(int songId, double amplify)
{
    AutoCrit lock(mMapLock);
    if (BassMusicInfo* info = Find(songId))
        mBass->BASS_MusicSetAmplify(info->GetHandle(), DWORD(std::lround(amplify * 100.0)));
}

void BassMusicInterface::Update()
{
    AutoCrit lock(mMapLock);
    for (auto& [id, info] : mMusicMap)
    {
        const SongVolume::Step step = info.Advance();
        if (step == SongVolume::Step::none)
            continue;
        if (step == SongVolume::Step::stop)
            mBass->BASS_ChannelStop(info.GetHandle());
        ApplyVolume(info);
    }
}

} // namespace Lumo
