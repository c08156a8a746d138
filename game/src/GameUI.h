// The play screen's bottom bar: main menu, pause, full screen and mute buttons, the
// money box and the happiness gauge; it also owns the pizza clock, which stands on
// the screen above the bar as a widget of its own.
#pragma once

#include "widgets/ButtonListener.h"
#include "widgets/Widget.h"

#include <string>

namespace Lumo
{

class ButtonWidget;
class GameAppLink;
class GameFrame;
class HappinessBar;
class PizzaTimer;

class GameUI : public Widget, public ButtonListener
{
public:
    enum ButtonId
    {
        BUTTON_MAIN_MENU = 0,
        BUTTON_PAUSE = 1,
        BUTTON_SCREEN_MODE = 2,
        BUTTON_MUTE = 3,
        BUTTON_COUNT = 4,
    };

    GameUI(GameAppLink* app, GameFrame* frame);
    ~GameUI() override;

    void AttachToManager(WidgetManager* manager) override;
    void DetachFromManager(WidgetManager* manager) override;
    void Update() override;
    void Draw(Graphics* g) override;
    // Its background colour fills it first.
    bool CoversItsRect() const override { return true; }
    void MouseMove(int x, int y) override;
    void ButtonReleased(int id) override;

    // The pause button shows resume while the game is paused.
    virtual void SetPaused(bool on);

    ButtonWidget* GetButton(int id) const { return mButtons[id]; }
    HappinessBar* GetHappinessBar() const { return mHappinessBar; }
    PizzaTimer* GetTimer() const { return mTimer; }

private:
    void SetButtonPicture(int id, const std::string& name);
    // The screen-mode button offers the mode the game is not in.
    void ShowScreenMode();

    GameAppLink* mApp;
    GameFrame* mFrame;
    ButtonWidget* mButtons[BUTTON_COUNT] = {};
    HappinessBar* mHappinessBar;
    PizzaTimer* mTimer;
    bool mShowsWindowed = true;
};

} // namespace Lumo
