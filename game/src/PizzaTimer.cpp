#include "game/src/PizzaTimer.h"

#include "game/src/FrameLink.h"
#include "game/src/GameHost.h"
#include "game/src/HudText.h"
#include "graphics/Graphics.h"

namespace Lumo
{

PizzaTimer::PizzaTimer(GameHost* host) : mHost(host)
{
    Resize(0, 0, 200, 100);
}

std::string PizzaTimer::TimeLeftText(int clock, int length)
{
    const int seconds = int((length - clock) / 100.0);
    const int minutes = seconds / 60;
    const int rest = seconds % 60;
    return std::to_string(minutes) + ":" + (rest < 10 ? "0" : "") + std::to_string(rest);
}

void PizzaTimer::Update()
{
    Widget::Update();
    if (mHost->IsHalted() || mHost->IsPaused())
        return;
    if (mHost->GetUpdateCount() % 100 != 0)
        return;
    if (Widget* frame = mHost->GetFrame())
        frame->MarkDirty();
    const HudValues v = mHost->GetHudValues();
    if (!mTicked && v.mClock >= 3 * v.mLevelLength / 4)
    {
        mHost->PlaySample(SOUND_CLOCKTICK);
        mTicked = true;
    }
}

void PizzaTimer::Draw(Graphics* g)
{
    const HudValues v = mHost->GetHudValues();
    const int places[4][2] = {{mWidth / 2, 0}, {mWidth / 2, mHeight / 2}, {0, mHeight / 2}, {0, 0}};
    for (int k = 1; k <= 4; k++)
    {
        Image* quarter = mHost->GetPicture("gfx/UI/PizzaTimer" + std::to_string(k));
        if (quarter == nullptr)
            continue;
        const bool past = v.mClock > k * v.mLevelLength / 4;
        g->SetTintImages(past);
        g->SetColor(Color(127, 127, 127));
        g->DrawImage(quarter, places[k - 1][0], places[k - 1][1]);
    }
    g->SetTintImages(false);
    const bool late = v.mClock > 3 * v.mLevelLength / 4;
    DrawHudText(g, mHost->GetFont(20), late ? Color(255, 0, 0) : Color(0, 0, 0),
                TimeLeftText(v.mClock, v.mLevelLength), mWidth / 2, mHeight / 2 + 8, TextAlign::Center);
}

void PizzaTimer::MouseMove(int x, int y)
{
    ForwardMouseMove(mHost->GetFrame(), *this, x, y);
}

} // namespace Lumo
