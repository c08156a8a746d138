// What the play screen needs of the game's application: sounds, music, pictures and
// fonts by name, the update count, the widget manager, deferred deletion, random
// numbers, the switch between screens, the window mode and the end of the program. The application implements
// it; tests fake it.
#pragma once

#include <cstdint>
#include <string>

namespace Lumo
{

class Font;
class Image;
class Widget;
class WidgetManager;

class GameAppLink
{
public:
    // The game's own volumes, also what unmuting restores.
    static constexpr double kMusicVolume = 0.25;
    static constexpr double kSfxVolume = 0.5;

    virtual ~GameAppLink() = default;

    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
    // Shown on the main menu.
    virtual std::string GetVersionText() = 0;
    virtual void PlaySample(int id) = 0;
    // A loaded picture by file name without extension; null when there is none.
    virtual Image* GetPicture(const std::string& name) = 0;
    // The bitmap fonts by size: 20, 14 or 10.
    virtual Font* GetFont(int size) = 0;
    virtual int GetUpdateCount() = 0;
    virtual WidgetManager* GetWidgetManager() = 0;
    // Deletes the widget once the current input and update are over.
    virtual void DeferWidgetDeletion(Widget* widget) = 0;
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
