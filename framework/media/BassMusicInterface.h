// Music through bass.dll: streams (WAV, Ogg, MP3) and modules, with fades advanced per tick.
#pragma once

#include "app/CriticalSection.h"
#include "media/MusicInterface.h"
#include "win32/windows.h"

#include <cstdint>
#include <map>

namespace Lumo
{

struct BASS_INSTANCE;

struct BassMusicInfo : SongVolume
{
    uint32_t mHMusic = 0;  // 0 when the song is a stream
    uint32_t mHStream = 0; // 0 when the song is a module

    uint32_t GetHandle() const { return mHMusic ? mHMusic : mHStream; }
};

// Songs are loaded on the loading thread while the main thread plays and fades others: the
// song table is shared under a lock, held only around the table and never while a file loads.
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
    CriticalSection mMapLock;
    std::map<int, BassMusicInfo> mMusicMap;
    int mMusicVolumeScale = 40;
};

} // namespace Lumo
