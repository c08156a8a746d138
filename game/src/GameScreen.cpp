#include "game/src/GameScreen.h"

#include "game/src/GameAppLink.h"
#include "game/src/GameAssets.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"

namespace Lumo
{

namespace
{
constexpr int kButtonSize = 100;
constexpr int kLogoSize = 200;
constexpr int kLogoWall[13][2] = {{0, 0},     {200, 0},   {400, 0},   {600, 0},   {-100, 200},
                                  {100, 200}, {300, 200}, {500, 200}, {700, 200}, {0, 400},
                                  {200, 400}, {400, 400}, {600, 400}};
} // namespace

GameScreen::GameScreen(GameAppLink* app) : mApp(app)
{
    Resize(0, 0, app->GetWidth(), app->GetHeight());
}

GameScreen::~GameScreen() = default;

ButtonWidget* GameScreen::AddButton(int id)
{
    mButtons.push_back(std::make_unique<ButtonWidget>(id, this));
    return mButtons.back().get();
}

void GameScreen::ShowButton(ButtonWidget* button, int x, int y, const std::string& label,
                            const std::string& picture)
{
    button->Resize(x, y, kButtonSize, kButtonSize);
    button->SetFont(mApp->GetFont(20));
    button->mLabel = label;
    button->SetColor(ButtonWidget::COLOR_LABEL, Color(255, 255, 255));
    button->SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color(255, 0, 0));
    button->mButtonImage = mApp->GetPicture(picture);
    button->ShowHandCursor(true);
    AddWidget(button);
}

void GameScreen::StartMusic(int track)
{
    mTrack = track;
    mApp->PlayMusic(track);
}

void GameScreen::Update()
{
    Widget::Update();
    if (mApp->GetUpdateCount() % 100 != 0 || mApp->IsMusicPlaying(mTrack))
        return;
    StartMusic((mTrack + 1) % kMusicTracks);
}

void GameScreen::DetachFromManager(WidgetManager* manager)
{
    Widget::DetachFromManager(manager);
    for (const auto& button : mButtons)
    {
        if (button->mParent == this)
            RemoveWidget(button.get());
    }
    mApp->FadeOutMusic(mTrack);
}

void GameScreen::DrawLogoWall(Graphics* g, const Color& tint)
{
    Image* logo = mApp->GetPicture("gfx/UI/GrayLogo");
    if (logo == nullptr)
        return;
    g->SetTintImages(true);
    g->SetColor(tint);
    for (const auto& point : kLogoWall)
        g->DrawImage(logo, point[0], point[1], kLogoSize, kLogoSize);
    g->SetTintImages(false);
}

Font* GameScreen::ScreenFont(int size)
{
    return mApp->GetFont(size);
}

// ---- main menu ----

FrameMainMenu::FrameMainMenu(GameAppLink* app)
    : GameScreen(app), mStart(AddButton(BUTTON_START)), mQuit(AddButton(BUTTON_QUIT))
{
}

void FrameMainMenu::AttachToManager(WidgetManager* manager)
{
    Widget::AttachToManager(manager);
    mApp->SetWindowed(true);
    ShowButton(mStart, 350, 350, "Start", "gfx/UI/BigPizzaLogo1");
    ShowButton(mQuit, 350, 460, "Quit", "gfx/UI/BigPizzaLogo2");
    StartMusic(0);
}

void FrameMainMenu::Draw(Graphics* g)
{
    g->SetColor(Color(255, 190, 190));
    g->FillRect(0, 0, mWidth, mHeight);
    DrawLogoWall(g, Color(255, 190, 190, 95));
    if (Image* logo = mApp->GetPicture("gfx/UI/MainLogo"))
        g->DrawImage(logo, 100, 20);
    Font* font = ScreenFont(14);
    if (font == nullptr)
        return;
    g->SetFont(font);
    g->SetColor(Color(255, 0, 0));
    WriteString(g, "Developed using Ovalnut Games Framework 1.22 Beta", 0, 595, mWidth, -1);
    WriteString(g, mApp->GetVersionText(), 0, 595, mWidth - 5, 1);
}

void FrameMainMenu::ButtonReleased(int id)
{
    mApp->PlaySample(SOUND_CLICK);
    if (id == BUTTON_START)
        mApp->ShowFrame(2);
    else if (id == BUTTON_QUIT)
        mApp->Shutdown();
}

// ---- tutorial ----

FrameInstruction::FrameInstruction(GameAppLink* app) : GameScreen(app)
{
    for (int id = 0; id < 4; id++)
        mButtonsById[id] = AddButton(id);
}

void FrameInstruction::AttachToManager(WidgetManager* manager)
{
    Widget::AttachToManager(manager);
    ShowButton(mButtonsById[BUTTON_BACK], 0, 500, "Back", "gfx/UI/BigPizzaLogo1");
    ShowButton(mButtonsById[BUTTON_MENU], 275, 500, "Menu", "gfx/UI/BigPizzaLogo2");
    ShowButton(mButtonsById[BUTTON_SKIP], 425, 500, "Skip", "gfx/UI/BigPizzaLogo2");
    ShowButton(mButtonsById[BUTTON_NEXT], 700, 500, "Next", "gfx/UI/BigPizzaLogo1");
    mButtonsById[BUTTON_BACK]->SetVisible(mPage > 1);
    StartMusic(2);
}

void FrameInstruction::Draw(Graphics* g)
{
    g->SetColor(Color(159, 159, 127));
    g->FillRect(0, 0, mWidth, mHeight);
    DrawLogoWall(g, Color(159, 159, 127, 95));
    g->SetColor(Color(0, 0, 0));
    g->SetFont(ScreenFont(20));
    if (Image* page = mApp->GetPicture("gfx/tutorial/tut" + std::to_string(mPage)))
        g->DrawImage(page, 0, 0);
}

void FrameInstruction::ButtonReleased(int id)
{
    ButtonWidget* back = mButtonsById[BUTTON_BACK];
    ButtonWidget* next = mButtonsById[BUTTON_NEXT];
    switch (id)
    {
    case BUTTON_BACK:
        if (mPage <= 1)
            return;
        mApp->PlaySample(SOUND_PAGETURN);
        mPage--;
        next->SetVisible(true);
        next->mLabel = "Next";
        if (mPage == 1)
            back->SetVisible(false);
        break;
    case BUTTON_NEXT:
        if (mPage >= kPages)
        {
            mApp->PlaySample(SOUND_CLICK);
            mApp->ShowFrame(1);
            return;
        }
        mApp->PlaySample(SOUND_PAGETURN);
        mPage++;
        back->SetVisible(true);
        if (mPage == kPages)
            next->mLabel = "Start";
        break;
    case BUTTON_SKIP:
        mApp->PlaySample(SOUND_CLICK);
        mApp->ShowFrame(1);
        return;
    case BUTTON_MENU:
        mApp->PlaySample(SOUND_CLICK);
        mApp->ShowFrame(0);
        return;
    default:
        return;
    }
    MarkDirty();
}

} // namespace Lumo
