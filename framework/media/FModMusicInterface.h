// Music through fmod.dll: tracker modules through its module player, and long sampled tracks
// as whole samples on the channel numbered by the song id, kept decoded as "cached_" WAV files
// beside their source.
#pragma once

#include "app/CriticalSection.h"
#include "media/MusicInterface.h"

#include <map>

namespace Lumo
{

struct FMOD_INSTANCE;
struct FSOUND_SAMPLE;
struct FMUSIC_MODULE;

struct FModMusicInfo : SongVolume
{
    FSOUND_SAMPLE* mHSample = nullptr; // null for a module
    FMUSIC_MODULE* mHMusic = nullptr;  // null for a sample
    bool mLoop = false;                // samples only
};

// Songs are loaded on the loading thread while the main thread plays and fades others: the
// song table is shared under a lock, held only around the table and never while a file loads.
class FModMusicInterface : public MusicInterface
{
public:
    FModMusicInterface();
    ~FModMusicInterface() override;

    // A module.
    bool LoadMusic(int songId, const std::string& fileName) override;
    void PlayMusic(int songId, int offset, bool noLoop) override;
    void StopMusic(int songId) override;
    void PauseMusic(int songId) override;
    void ResumeMusic(int songId) override;
    void StopAllMusic() override;
    void FadeIn(int songId, int offset, double speed, bool noLoop) override;
    void FadeOut(int songId, bool stopSong, double speed) override;
    void FadeOutAll(bool stopSongs, double speed) override;
    void SetSongVolume(int songId, double volume) override;
    bool IsPlaying(int songId) override;
    void SetVolume(double volume) override;
    void Update() override;
    // An intro played once, then the loop file (both names without extension, as for
    // LoadSampleCached), joined into one sample.
    virtual bool LoadMusic(int songId, const std::string& introFile, const std::string& loopFile, bool loop);
    // A sampled track: fileName without extension.
    virtual bool LoadMusic(int songId, const std::string& fileName, bool loop);

    // fileName + ".ogg" decoded, or its "cached_" WAV copy beside it when that is current.
    FSOUND_SAMPLE* LoadSampleCached(const std::string& fileName);
    // Whether the file is a copy as the cache writes it, its header's sizes those of the file: a
    // copy cut short or run on by anyone else is no copy of its whole track.
    static bool CacheIsWhole(const std::string& cacheName);

private:
    FModMusicInfo* Find(int songId);
    bool IsLoaded(int songId);
    bool Insert(int songId, const FModMusicInfo& info);
    void ApplyVolume(int songId, const FModMusicInfo& info);
    void Stop(int songId, FModMusicInfo& info);
    void SetPaused(int songId, bool paused);
    // Plays a sampled song from its start on its channel, looping as loaded.
    void StartSample(int songId, const FModMusicInfo& info);
    // Writes the decoded sample as the cache file, under a temporary name until it is whole, with
    // the last-write time its source had before it was decoded (when it had one).
    bool WriteCache(FSOUND_SAMPLE* sample, const std::string& cacheName, const FILETIME* sourceTime);
    FSOUND_SAMPLE* JoinSamples(FSOUND_SAMPLE* intro, FSOUND_SAMPLE* body);

    FMOD_INSTANCE* mFMod;      // null: the library could not be had, nothing plays
    CriticalSection mMapLock;  // the song table
    CriticalSection mLoadLock; // one load at a time, so an id is checked and filled at once
    std::map<int, FModMusicInfo> mMusicMap;
    double mMasterVolume = 1.0;
    int mMusicVolumeScale = 100;
    int mSampleVolumeScale = 100;
};

} // namespace Lumo
