// What the main menu and the tutorial share: big pizza buttons with a label, music
// that moves on to the next track when one ends, and the wall of faint logos.
#pragma once

#include "graphics/Color.h"
#include "widgets/ButtonListener.h"
#include "widgets/ButtonWidget.h"
#include "widgets/Widget.h"

#include <memory>
#include <string>
#include <vector>

namespace Lumo
{

class GameAppLink;

class GameScreen : public Widget, public ButtonListener
{
public:
    static constexpr int kMusicTracks = 5;

    explicit GameScreen(GameAppLink* app);
    ~GameScreen() override;

    void Update() override;
    void DetachFromManager(WidgetManager* manager) override;

    int GetTrack() const { return mTrack; }

protected:
    // A new button owned by the screen, placed when the screen is shown.
    ButtonWidget* AddButton(int id);
    // Places a 100x100 button with its label and picture and puts it on the screen.
    void ShowButton(ButtonWidget* button, int x, int y, const std::string& label, const std::string& picture);
    void StartMusic(int track);
    // The 13 logos, 200x200, tinted.
    void DrawLogoWall(Graphics* g, const Color& tint);
    // The text font for the screen's own writing.
    Font* ScreenFont(int size);

    GameAppLink* mApp;
    int mTrack = 0;

private:
    std::vector<std::unique_ptr<ButtonWidget>> mButtons;
};

class FrameMainMenu : public GameScreen
{
public:
    enum
    {
        BUTTON_START = 0,
        BUTTON_QUIT = 1,
    };

    explicit FrameMainMenu(GameAppLink* app);

    void AttachToManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void ButtonReleased(int id) override;

    ButtonWidget* GetButton(int id) const { return id == BUTTON_START ? mStart : mQuit; }

private:
    ButtonWidget* mStart;
    ButtonWidget* mQuit;
};

class FrameInstruction : public GameScreen
{
public:
    enum
    {
        BUTTON_BACK = 0,
        BUTTON_NEXT = 1,
        BUTTON_SKIP = 2,
        BUTTON_MENU = 3,
    };
    static constexpr int kPages = 3;

    explicit FrameInstruction(GameAppLink* app);

    void AttachToManager(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    void ButtonReleased(int id) override;

    int GetPage() const { return mPage; }
    ButtonWidget* GetButton(int id) const { return mButtonsById[id]; }

private:
    ButtonWidget* mButtonsById[4];
    int mPage = 1;
};

} // namespace Lumo
