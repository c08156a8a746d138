// The game's application: its identity and window, the three bitmap fonts, every
// picture, sound and music track loaded on the loading thread, and the switch between
// the main menu, the tutorial and the play screen.
#pragma once

#include "app/LumoAppBase.h"
#include "game/src/FrameFactory.h"
#include "game/src/GameAppLink.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Lumo
{

class ImageFont;

class GameApp : public LumoAppBase, public GameAppLink
{
public:
    GameApp();
    ~GameApp() override;

    void Init() override;
    void RunLoading() override;
    void OnLoadingDone() override;
    void LostFocus() override;

    // GameAppLink.
    int GetWidth() override { return mWidth; }
    int GetHeight() override { return mHeight; }
    std::string GetVersionText() override { return mProductVersion; }
    void PlaySample(int id) override { LumoAppBase::PlaySample(id); }
    Image* GetPicture(const std::string& name) override;
    Font* GetFont(int size) override;
    int GetUpdateCount() override { return mUpdateCount; }
    WidgetManager* GetWidgetManager() override { return mWidgetManager; }
    void DeferWidgetDeletion(Widget* widget) override { LumoAppBase::DeferWidgetDeletion(widget); }
    uint32_t Random() override;
    bool IsMusicPlaying(int track) override;
    void PlayMusic(int track) override;
    void StopAllMusic() override;
    void FadeOutMusic(int track) override;
    void ShowFrame(int code) override;
    bool IsWindowed() override { return mIsWindowed; }
    void SetWindowed(bool windowed) override { LumoAppBase::SetWindowed(windowed); }
    double GetSfxVolume() override { return LumoAppBase::GetSfxVolume(); }
    void SetSfxVolume(double volume) override { LumoAppBase::SetSfxVolume(volume); }
    void SetMusicVolume(double volume) override { LumoAppBase::SetMusicVolume(volume); }
    void Shutdown() override { LumoAppBase::Shutdown(); }

    Widget* GetCurrentFrame() const { return mScreens.GetCurrent(); }
    GameFrame* GetGameFrame() const { return mScreens.GetGame(); }

private:
    // False, with the close request set and the error shown, when a picture did not load.
    bool LoadPictures();
    bool LoadSounds();
    void FailLoading(const std::string& text);

    ImageFont* mFonts[3] = {}; // sizes 20, 14, 10
    FrameFactory mFrameFactory;
    ScreenSwitch mScreens;
    // Filled by the loading thread, read by the main thread once loading is done.
    std::map<std::string, Image*> mPictures;
};

} // namespace Lumo
