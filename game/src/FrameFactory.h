// The game's three screens by code, and the switch that keeps one on the screen at a time.
#pragma once

#include <string>

namespace Lumo
{

class GameAppLink;
class GameFrame;
class Widget;

enum FrameCode
{
    FRAME_MAIN_MENU = 0,
    FRAME_GAME = 1,
    FRAME_INSTRUCTION = 2,
};

class FrameFactory
{
public:
    explicit FrameFactory(GameAppLink* app) : mApp(app) {}
    virtual ~FrameFactory() = default;

    // A new screen owned by the caller; null for an unknown code.
    Widget* Create(int code) const;

private:
    GameAppLink* mApp;
};

// The screen on show and, when it is the play screen, that screen as a GameFrame.
class ScreenSwitch
{
public:
    // Takes every top-level widget off the screen (the screens' own widgets too) and
    // hands the old screen to the deferred deletion, then puts up a new one. False, with
    // nothing on the screen, for an unknown code.
    bool Show(int code, GameAppLink* app, const FrameFactory& factory);
    // Frees the screen still attached at the end of the program.
    void Release();

    Widget* GetCurrent() const { return mCurrent; }
    GameFrame* GetGame() const { return mGame; }

    static std::string UnknownCodeText(int code);

private:
    Widget* mCurrent = nullptr;
    GameFrame* mGame = nullptr;
};

} // namespace Lumo
