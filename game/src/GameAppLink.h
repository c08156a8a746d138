// What the play screen needs of the game's application: sounds, music, pictures and
// fonts by name, the update count, the widget manager, deferred deletion, random
// numbers, the switch between screens, the window mode and the end of the program. The application implements
// it; tests fake it.
#pragma once

#include "game/src/GameServices.h"

#include <cstdint>
#include <string>

namespace Lumo
{

class GameAppLink : public GameServices
{
public:
    // The game's own volumes, also what unmuting restores.
    static constexpr double kMusicVolume = 0.25;
    static constexpr double kSfxVolume = 0.5;

    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
    // Shown on the main menu.
    virtual std::string GetVersionText() = 0;
    virtual uint32_t Random() = 0;

    virtual bool IsMusicPlaying(int track) = 0;
    // Plays a track from its start, once.
    virtual void PlayMusic(int track) = 0;
    virtual void StopAllMusic() = 0;
    virtual void FadeOutMusic(int track) = 0;

    // 0 the main menu, 1 the game, 2 the tutorial.
    virtual void ShowFrame(int code) = 0;
    virtual bool IsWindowed() = 0;
    virtual void SetWindowed(bool windowed) = 0;
    // Volumes 0..1, stored in the application and given to the players.
    virtual double GetSfxVolume() = 0;
    virtual void SetSfxVolume(double volume) = 0;
    virtual void SetMusicVolume(double volume) = 0;
    // Ends the program.
    virtual void Shutdown() = 0;
};

} // namespace Lumo
