#include "game/src/GameOverlay.h"

#include "game/src/GameHost.h"
#include "game/src/HudText.h"
#include "graphics/Graphics.h"
#include "widgets/WidgetManager.h"
#include "win32/user32.h"

namespace Lumo
{

GameOverlay::GameOverlay(GameHost* host, int id) : mHost(host), mId(id)
{
    WidgetManager* manager = host->GetWidgetManager();
    const bool sized = manager != nullptr && manager->mWidth > 0;
    Resize(0, 0, sized ? manager->mWidth : 800, sized ? manager->mHeight : 600);
    for (Color& color : mColors)
        color = Color(255, 255, 255);
}

void GameOverlay::Draw(Graphics* g)
{
    g->SetColor(Color(0, 0, 0, 127));
    g->FillRect(0, 0, mWidth, mHeight);
    Font* font = mHost->GetFont(20);
    for (int i = 0; i < kLineCount; i++)
        DrawHudText(g, font, mColors[i], mLines[i], mWidth / 2, mHeight / 2 + (i - 2) * 50,
                    TextAlign::Center);
}

void GameOverlay::KeyUp(int key)
{
    if (mId != kMessageBoard || key != VK_SPACE)
        return;
    Widget* frame = mHost->GetFrame();
    if (frame != nullptr)
        frame->MarkDirty();
    if (mManager != nullptr && frame != nullptr)
        mManager->SetFocus(frame);
    if (mParent != nullptr)
        mParent->RemoveWidget(this);
}

void GameOverlay::Update()
{
    Widget::Update();
    if (!mHost->IsPaused() && mId > 0)
        mId--;
}

void GameOverlay::DetachFromManager(WidgetManager* manager)
{
    // Only a message board halts the game; taking the pause board away leaves a halt
    // that a message board set.
    if (mId != kPauseBoard)
        mHost->SetHalted(false);
    Widget::DetachFromManager(manager);
    mHost->DeferWidgetDeletion(this);
}

} // namespace Lumo
