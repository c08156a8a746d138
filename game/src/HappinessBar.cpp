#include "game/src/HappinessBar.h"

#include "game/src/FrameLink.h"
#include "game/src/GameHost.h"
#include "game/src/HudText.h"
#include "graphics/Graphics.h"

#include <algorithm>

namespace Lumo
{

HappinessBar::HappinessBar(GameHost* host) : mHost(host)
{
    Resize(0, 0, 390, 40);
}

int HappinessBar::FillWidth(int happiness, int barMax)
{
    const int w = int(double(kGaugeWidth) * happiness / double(barMax));
    return std::clamp(w, 0, kGaugeWidth);
}

int HappinessBar::LineX(int value, int barMax)
{
    return int(value * double(kGaugeWidth) / double(barMax) + 46.0);
}

void HappinessBar::Update()
{
    Widget::Update();
    if (mHost->IsHalted() || mHost->IsPaused())
        return;
    if (mHost->GetUpdateCount() % kCheckInterval != 0)
        return;
    const HudValues v = mHost->GetHudValues();
    if (v.mHappiness < v.mDanger)
    {
        if (!mWarned)
        {
            mHost->PlaySample(SOUND_HEARTBEAT);
            mWarned = true;
        }
    }
    else
        mWarned = false;
}

void HappinessBar::Draw(Graphics* g)
{
    const HudValues v = mHost->GetHudValues();
    g->SetTintImages(true);
    g->SetColor(Color(255, 190, 190));
    if (Image* heart = mHost->GetPicture("gfx/UI/Heart"))
        g->DrawImage(heart, 0, 0);
    g->SetTintImages(false);
    g->SetColor(Color(127, 127, 127));
    g->FillRect(45, 4, 335, 22);
    g->SetColor(Color(0, 0, 0));
    g->DrawRect(45, 4, 334, 21);

    const bool good = v.mHappiness >= v.mGoal;
    const bool bad = v.mHappiness < v.mDanger;
    g->SetColor(good ? Color(0, 255, 0) : bad ? Color(255, 0, 0) : Color(63, 223, 63));
    g->FillRect(46, 5, FillWidth(v.mHappiness, v.mBarMax), 20);

    Font* font = mHost->GetFont(10);
    const int goalX = LineX(v.mGoal, v.mBarMax);
    g->SetColor(Color(0, 255, 0));
    g->DrawLine(goalX, 0, goalX, 30);
    DrawHudText(g, font, Color(0, 255, 0), "GOAL", goalX + 3, 35, TextAlign::Left);
    const int dangerX = LineX(v.mDanger, v.mBarMax);
    g->SetColor(Color(255, 0, 0));
    g->DrawLine(dangerX, 0, dangerX, 30);
    DrawHudText(g, font, Color(255, 0, 0), "DANGER", dangerX - 3, 35, TextAlign::Right);

    if (good || bad)
    {
        g->SetColor(good ? Color(0, 255, 0, 127) : Color(255, 0, 0, 127));
        g->FillRect(46, 5, kGaugeWidth, 20);
    }
}

void HappinessBar::MouseMove(int x, int y)
{
    ForwardMouseMove(mHost->GetFrame(), *this, x, y);
}

} // namespace Lumo
