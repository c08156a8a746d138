#include "game/src/GameUI.h"

#include "game/src/GameAppLink.h"
#include "game/src/GameFrame.h"
#include "game/src/HappinessBar.h"
#include "game/src/HudText.h"
#include "game/src/PizzaTimer.h"
#include "graphics/Graphics.h"
#include "widgets/ButtonWidget.h"
#include "widgets/WidgetManager.h"

#include <string>

namespace Lumo
{

namespace
{
constexpr int kBarY = 550;
constexpr int kButtonSize = 25;
constexpr int kButtonY = 22;
constexpr int kButtonX[GameUI::BUTTON_COUNT] = {730, 695, 660, 625};
} // namespace

GameUI::GameUI(GameAppLink* app, GameFrame* frame)
    : mApp(app), mFrame(frame), mHappinessBar(new HappinessBar(frame)), mTimer(new PizzaTimer(frame))
{
    Resize(0, kBarY, 800, 50);
    for (int id = 0; id < BUTTON_COUNT; id++)
        mButtons[id] = new ButtonWidget(id, this);
}

GameUI::~GameUI()
{
    if (mTimer->mParent != nullptr)
        mTimer->mParent->RemoveWidget(mTimer);
    RemoveAllChildren(false, false);
    for (ButtonWidget* button : mButtons)
        delete button;
    delete mHappinessBar;
    delete mTimer;
}

void GameUI::SetButtonPicture(int id, const std::string& name)
{
    // The normal picture only: held down, the button draws it one pixel down and right.
    ButtonWidget* button = mButtons[id];
    button->mButtonImage = mApp->GetPicture(name);
    button->MarkDirty();
}

void GameUI::AttachToManager(WidgetManager* manager)
{
    Widget::AttachToManager(manager);
    for (int id = 0; id < BUTTON_COUNT; id++)
    {
        ButtonWidget* button = mButtons[id];
        button->Resize(kButtonX[id], kButtonY, kButtonSize, kButtonSize);
        button->SetColor(ButtonWidget::COLOR_LABEL, Color(0, 0, 0));
        button->SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color(255, 0, 0));
    }
    SetButtonPicture(BUTTON_MAIN_MENU, "gfx/UI/MainMenuBtnDown");
    SetButtonPicture(BUTTON_PAUSE, mFrame->IsPaused() ? "gfx/UI/ResumeBtnDown" : "gfx/UI/PauseBtnDown");
    ShowScreenMode();
    SetButtonPicture(BUTTON_MUTE,
                     mApp->GetSfxVolume() == 0.0 ? "gfx/UI/UnmuteBtnDown" : "gfx/UI/MuteBtnDown");
    for (ButtonWidget* button : mButtons)
        AddWidget(button);
    mHappinessBar->Move(5, 5);
    AddWidget(mHappinessBar);
    mTimer->Move(mX + 590, mY - 75);
    manager->AddWidget(mTimer);
    manager->BringToFront(mTimer);
}

void GameUI::DetachFromManager(WidgetManager* manager)
{
    // The clock is a screen widget of its own and leaves with the bar.
    if (mTimer->mParent != nullptr)
        mTimer->mParent->RemoveWidget(mTimer);
    RemoveAllChildren(false, false);
    Widget::DetachFromManager(manager);
}

void GameUI::ButtonReleased(int id)
{
    mApp->PlaySample(SOUND_CLICK);
    switch (id)
    {
    case BUTTON_MAIN_MENU:
        mApp->ShowFrame(0);
        break;
    case BUTTON_PAUSE:
        mFrame->TogglePause();
        break;
    case BUTTON_SCREEN_MODE:
        mApp->SetWindowed(!mApp->IsWindowed());
        ShowScreenMode();
        break;
    case BUTTON_MUTE:
    {
        const bool muted = mApp->GetSfxVolume() == 0.0;
        mApp->SetSfxVolume(muted ? GameAppLink::kSfxVolume : 0.0);
        mApp->SetMusicVolume(muted ? GameAppLink::kMusicVolume : 0.0);
        SetButtonPicture(BUTTON_MUTE, muted ? "gfx/UI/MuteBtnDown" : "gfx/UI/UnmuteBtnDown");
        break;
    }
    default:
        break;
    }
}

void GameUI::ShowScreenMode()
{
    mShowsWindowed = mApp->IsWindowed();
    SetButtonPicture(BUTTON_SCREEN_MODE,
                     mShowsWindowed ? "gfx/UI/FullscreenBtnDown" : "gfx/UI/WindowedBtnDown");
}

void GameUI::Update()
{
    Widget::Update();
    // The mode also changes without the button (Alt+Enter, a failed switch back).
    if (mApp->IsWindowed() != mShowsWindowed)
        ShowScreenMode();
}

void GameUI::SetPaused(bool on)
{
    SetButtonPicture(BUTTON_PAUSE, on ? "gfx/UI/ResumeBtnDown" : "gfx/UI/PauseBtnDown");
}

void GameUI::Draw(Graphics* g)
{
    g->SetColor(Color(127, 0, 0));
    g->FillRect(0, 0, mWidth, mHeight);
    if (Image* logo = mApp->GetPicture("gfx/UI/GrayLogo"))
    {
        g->SetTintImages(true);
        g->SetColor(Color(127, 190, 190, 95));
        for (int x = -50; x <= 750; x += 100)
            g->DrawImage(logo, x, -25, 100, 100);
        g->SetTintImages(false);
    }
    g->SetColor(Color(127, 127, 127));
    g->FillRect(445, 5, 120, 40);
    g->SetColor(Color(0, 0, 0));
    g->DrawRect(445, 5, 119, 39);
    if (Image* euro = mApp->GetPicture("gfx/UI/Euro"))
    {
        g->SetTintImages(true);
        g->SetColor(Color(255, 255, 0));
        g->DrawImage(euro, 400, 5);
        g->SetTintImages(false);
    }
    Font* font = mApp->GetFont(20);
    DrawHudText(g, font, Color(255, 255, 255), std::to_string(mFrame->GetMoney()), 455 + 100, 33,
                TextAlign::Right);
}

void GameUI::MouseMove(int x, int y)
{
    mFrame->MouseMove(x + mX, y + mY);
}

} // namespace Lumo
