// A stand-in for the application and the play screen behind the game's widgets:
// records sounds, deferred deletions and walks, and holds the figures they read.
#pragma once

#include "game/src/GameGrid.h"
#include "game/src/GameHost.h"
#include "game/src/TObjectFactory.h"
#include "game/src/Tray.h"
#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/Widget.h"
#include "widgets/WidgetHost.h"
#include "widgets/WidgetManager.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Ten pixels per character; draws record the text and its colour.
class FakeGameFont : public Lumo::Font
{
public:
    std::vector<std::string>* mLog;
    explicit FakeGameFont(std::vector<std::string>* log) : mLog(log) { mHeight = 10; }
    int StringWidth(const std::string& text) override { return 10 * int(text.size()); }
    void DrawString(Lumo::Graphics* g, int x, int y, const std::string& text, const Lumo::Color& color,
                    const Lumo::Rect&) override
    {
        mLog->push_back("text " + text + " " + std::to_string(x + int(g->mTransX)) + "," +
                        std::to_string(y + int(g->mTransY)) + " " + std::to_string(color.mRed) + "," +
                        std::to_string(color.mGreen) + "," + std::to_string(color.mBlue) + "," +
                        std::to_string(color.mAlpha));
    }
    Lumo::Font* Duplicate() override { return new FakeGameFont(*this); }
};

class NullWidgetHost : public Lumo::WidgetHost
{
public:
    void SetCursorNum(int) override {}
    bool Is3DEnabled() override { return false; }
    bool BeginScreenDraw(Lumo::Image*) override { return false; }
    void EndScreenDraw(Lumo::Image*) override {}
    Lumo::Font* CreateSysFont(const std::string&, int, int) override { return nullptr; }
};

class FrameCounter : public Lumo::Widget
{
public:
    int mDirty = 0;
    void MarkDirty() override { mDirty++; }
};

class FakeGameHost : public Lumo::GameHost
{
public:
    std::vector<int> mSounds;
    std::vector<std::string> mText;
    std::map<std::string, Lumo::Image*> mPictures;
    std::vector<Lumo::Widget*> mDeferred;
    std::vector<Lumo::GameObject*> mWalks;
    Lumo::GameChar* mActive = nullptr;
    int mUpdateCount = 0;
    bool mHalted = false;
    bool mPaused = false;
    int mMoney = 10;
    int mMouseX = 0;
    Lumo::HudValues mHud;
    NullWidgetHost mWidgetHost;
    Lumo::WidgetManager mManager{&mWidgetHost};
    FrameCounter mFrame;
    Lumo::GameGrid mGrid;
    Lumo::Tray mTray{&mFrame};
    Lumo::TObjectFactory mItems{[this](const std::string& name) { return GetPicture(name); }};
    FakeGameFont mFont{&mText};

    FakeGameHost() { mManager.SetSize(800, 600); }
    ~FakeGameHost() override
    {
        for (Lumo::Widget* widget : mDeferred)
            delete widget;
    }

    int SoundCount(int id) const { return int(std::count(mSounds.begin(), mSounds.end(), id)); }

    void PlaySample(int id) override { mSounds.push_back(id); }
    Lumo::Image* GetPicture(const std::string& name) override
    {
        auto it = mPictures.find(name);
        return it != mPictures.end() ? it->second : nullptr;
    }
    Lumo::Font* GetFont(int) override { return &mFont; }
    int GetUpdateCount() override { return mUpdateCount; }
    Lumo::WidgetManager* GetWidgetManager() override { return &mManager; }
    void DeferWidgetDeletion(Lumo::Widget* widget) override
    {
        if (std::find(mDeferred.begin(), mDeferred.end(), widget) == mDeferred.end())
            mDeferred.push_back(widget);
    }
    Lumo::TObjectFactory* GetItemFactory() override { return &mItems; }
    Lumo::Widget* GetFrame() override { return &mFrame; }
    bool IsHalted() override { return mHalted; }
    void SetHalted(bool halted) override { mHalted = halted; }
    bool IsPaused() override { return mPaused; }
    int GetMoney() override { return mMoney; }
    void SetMoney(int money) override { mMoney = money; }
    Lumo::HudValues GetHudValues() override { return mHud; }
    Lumo::Tray* GetTray() override { return &mTray; }
    Lumo::GameGrid* GetGrid() override { return &mGrid; }
    int GetMouseX() override { return mMouseX; }
    void WalkTo(Lumo::GameObject* object) override { mWalks.push_back(object); }
    void SetActiveChar(Lumo::GameChar* character) override { mActive = character; }
};
