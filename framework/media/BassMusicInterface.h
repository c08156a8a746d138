// Music through bass.dll: streams (WAV, Ogg, MP3) and modules, with fades advanced per tick.
#pragma once

#include "media/MusicInterface.h"
#include "win32/windows.h"

#include <cstdint>
#include <map>

namespace Lumo
{

struct BASS_INSTANCE;

struct BassMusicInfo
{
    uint32_t mHMusic = 0;  // 0 when the song is a stream
    uint32_t mHStream = 0; // 0 when the song is a module
    double mVolume = 0.0;
    double mVolumeAdd = 0.0; // fade step per Update; 0: no fade
    double mVolumeCap = 1.0;
    bool mStopOnFade = false;

    uint32_t GetHandle() const { return mHMusic ? mHMusic : mHStream; }
};

class BassMusicInterface : public MusicInterface
{
public:
    explicit BassMusicInterface(HWND window);
    ~BassMusicInterface() override;

    bool LoadMusic(int songId, const std::string& fileName) override;
    void PlayMusic(int songId, int offset, bool noLoop) override;
    void StopMusic(int songId) override;
    void PauseMusic(int songId) override;
    void ResumeMusic(int songId) override;
    void StopAllMusic() override;
    void UnloadMusic(int songId) override;
    void UnloadAllMusic() override;
    void PauseAllMusic() override;
    void ResumeAllMusic() override;
    void FadeIn(int songId, int offset, double speed, bool noLoop) override;
    void FadeOut(int songId, bool stopSong, double speed) override;
    void FadeOutAll(bool stopSongs, double speed) override;
    void SetSongVolume(int songId, double volume) override;
    void SetSongMaxVolume(int songId, double maxVolume) override;
    bool IsPlaying(int songId) override;
    void SetVolume(double volume) override;
    void SetMusicAmplify(int songId, double amplify) override;
    void Update() override;

private:
    BassMusicInfo* Find(int songId);
    void ApplyVolume(const BassMusicInfo& info);
    // Starts the song's channel from `offset` (-1: where it stopped).
    void Start(const BassMusicInfo& info, int offset, bool noLoop, bool fadeIn);
    void Stop(BassMusicInfo& info);
    void Free(const BassMusicInfo& info);

    BASS_INSTANCE* mBass; // null: the library could not be had, nothing plays
    std::map<int, BassMusicInfo> mMusicMap;
    int mMusicVolumeScale = 40;
};

} // namespace Lumo
