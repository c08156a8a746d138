// Background music, songs addressed by ids the caller chooses. This base plays nothing: it is
// the back end when audio is disabled.
#pragma once

#include <string>

namespace Lumo
{

// A song's volume and its fade, as both music back ends keep them.
struct SongVolume
{
    double mVolume = 0.0;
    double mVolumeAdd = 0.0; // fade step per Update; 0: no fade
    double mVolumeCap = 1.0;
    bool mStopOnFade = false;

    enum class Step
    {
        none,    // no fade
        changed, // the volume moved
        stop,    // it reached 0 and the song is to stop
    };
    // One Update's step: a fade ends at the cap or at 0.
    Step Advance();
    void StartFadeOut(bool stopSong, double speed)
    {
        mVolumeAdd = -speed;
        mStopOnFade = stopSong;
    }
};

class MusicInterface
{
public:
    virtual ~MusicInterface() = default;
    virtual bool LoadMusic(int songId, const std::string& fileName);
    virtual void PlayMusic(int songId, int offset, bool noLoop);
    virtual void StopMusic(int songId);
    virtual void PauseMusic(int songId);
    virtual void ResumeMusic(int songId);
    virtual void StopAllMusic();
    virtual void UnloadMusic(int songId);
    virtual void UnloadAllMusic();
    virtual void PauseAllMusic();
    virtual void ResumeAllMusic();
    // Speeds are volume steps per Update.
    virtual void FadeIn(int songId, int offset, double speed, bool noLoop);
    virtual void FadeOut(int songId, bool stopSong, double speed);
    virtual void FadeOutAll(bool stopSongs, double speed);
    virtual void SetSongVolume(int songId, double volume);
    virtual void SetSongMaxVolume(int songId, double maxVolume);
    virtual bool IsPlaying(int songId);
    virtual void SetVolume(double volume);
    virtual void SetMusicAmplify(int songId, double amplify);
    // Once per logic tick: advances the fades.
    virtual void Update();
};

} // namespace Lumo
