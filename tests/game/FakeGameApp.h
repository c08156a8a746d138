// A stand-in for the game's application behind its screens: a real widget manager,
// scripted random values, recorded sounds, music, screen switches and window changes,
// and the deferred deletions, run when asked and at the end.
#pragma once

#include "FakeGameHost.h"
#include "ScriptedRandom.h"

#include "game/src/GameAppLink.h"
#include "game/src/GameOverlay.h"
#include "game/src/PopupMsg.h"

#include <deque>
#include <map>

class FakeApp : public Lumo::GameAppLink
{
public:
    FakeApp() { mManager.SetSize(800, 600); }
    ~FakeApp() override { RunDeferred(); }

    void DeferWidgetDeletion(Lumo::Widget* widget) override
    {
        // Asked once per widget; a second request must not free it twice.
        if (std::count(mDeferred.begin(), mDeferred.end(), widget) == 0)
            mDeferred.push_back(widget);
    }
    int GetWidth() override { return 800; }
    int GetHeight() override { return 600; }
    Lumo::Image* GetPicture(const std::string& name) override
    {
        auto it = mPictures.find(name);
        return it != mPictures.end() ? it->second : nullptr;
    }
    Lumo::Font* GetFont(int) override { return &mFont; }
    void PlaySample(int id) override { mSounds.push_back(id); }
    int GetUpdateCount() override { return mUpdateCount; }
    Lumo::WidgetManager* GetWidgetManager() override { return &mManager; }
    uint32_t Random() override { return NextScripted(mRandom); }
    bool IsMusicPlaying(int track) override { return track == mPlaying; }
    void PlayMusic(int track) override
    {
        mPlaying = track;
        mMusic.push_back(track);
    }
    void StopAllMusic() override { mPlaying = -1; }
    void FadeOutMusic(int track) override { mFaded.push_back(track); }
    void ShowFrame(int code) override { mFrames.push_back(code); }
    bool IsWindowed() override { return mWindowed; }
    void SetWindowed(bool windowed) override
    {
        mWindowedCalls.push_back(windowed);
        mWindowed = windowed;
    }
    double GetSfxVolume() override { return mSfxVolume; }
    void SetSfxVolume(double volume) override { mSfxVolume = volume; }
    void SetMusicVolume(double volume) override { mMusicVolume = volume; }
    void Shutdown() override { mShutdowns++; }
    std::string GetVersionText() override { return "BETA 1.4"; }

    void RunDeferred()
    {
        std::vector<Lumo::Widget*> deferred;
        deferred.swap(mDeferred);
        for (Lumo::Widget* widget : deferred)
            delete widget;
    }
    int SoundCount(int id) const { return int(std::count(mSounds.begin(), mSounds.end(), id)); }
    std::vector<Lumo::GameOverlay*> Boards()
    {
        std::vector<Lumo::GameOverlay*> boards;
        for (Lumo::Widget* widget : mManager.mChildren)
            if (auto* board = dynamic_cast<Lumo::GameOverlay*>(widget))
                boards.push_back(board);
        return boards;
    }
    Lumo::PopupMsg* LastPopup()
    {
        Lumo::PopupMsg* last = nullptr;
        for (Lumo::Widget* widget : mManager.mChildren)
            if (auto* popup = dynamic_cast<Lumo::PopupMsg*>(widget))
                last = popup;
        return last;
    }

    std::vector<std::string> mText;
    FakeGameFont mFont{&mText};
    NullWidgetHost mWidgetHost;
    Lumo::WidgetManager mManager{&mWidgetHost};
    std::deque<uint32_t> mRandom;
    std::vector<int> mSounds;
    std::vector<int> mMusic;
    std::vector<int> mFaded;
    std::vector<int> mFrames;
    std::vector<bool> mWindowedCalls;
    int mShutdowns = 0;
    std::map<std::string, Lumo::Image*> mPictures;
    bool mWindowed = true;
    double mSfxVolume = 0.5;
    double mMusicVolume = 0.25;
    std::vector<Lumo::Widget*> mDeferred;
    int mPlaying = -1;
    int mUpdateCount = 1;
};
