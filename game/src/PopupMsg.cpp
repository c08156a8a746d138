#include "game/src/PopupMsg.h"

#include "game/src/GameHost.h"
#include "game/src/HudText.h"
#include "graphics/Graphics.h"

#include <algorithm>

namespace Lumo
{

PopupMsg::PopupMsg(GameHost* host, int life)
    : mHost(host), mLife(std::max(life, kMinLife)), mTotalLife(float(mLife))
{
    Resize(0, 0, 100, 40);
}

void PopupMsg::SetPos(int x, int y)
{
    Move(x - mWidth / 2, y - mHeight);
}

int PopupMsg::Alpha() const
{
    return std::min(255, int(mLife / mTotalLife * 510.0));
}

void PopupMsg::Update()
{
    Widget::Update();
    if (mHost->IsPaused() || mHost->IsHalted() || mLife <= 0)
        return;
    mLife--;
    const int step = int(mTotalLife / 10.0);
    if (int(mTotalLife - float(mLife)) % step == 0)
        Move(mX, mY - 1);
    if (mLife == 0)
    {
        if (mParent != nullptr)
            mParent->RemoveWidget(this);
        if (Widget* frame = mHost->GetFrame())
            frame->MarkDirty();
    }
}

void PopupMsg::DrawLine(Graphics* g, const Line& line, int textY, int iconY, int alpha)
{
    if (line.mText.empty() && line.mIcon == nullptr)
        return;
    Font* font = mHost->GetFont(14);
    Color color = line.mColor;
    color.mAlpha = alpha;
    DrawHudText(g, font, color, line.mText, mWidth / 2, textY, TextAlign::Center);
    if (line.mIcon == nullptr)
        return;
    const bool tinted = line.mIconTint.mAlpha != 0;
    Color tint = line.mIconTint;
    tint.mAlpha = alpha;
    g->SetTintImages(tinted);
    g->SetColor(tint);
    g->DrawImage(line.mIcon, mWidth / 2 - HudTextWidth(font, line.mText) / 2 - 22, iconY, 25, 25);
    g->SetTintImages(false);
}

void PopupMsg::Draw(Graphics* g)
{
    const int alpha = Alpha();
    DrawLine(g, mLines[0], mHeight - 5, mHeight - 25, alpha);
    DrawLine(g, mLines[1], mHeight - 25, mHeight - 45, alpha);
}

void PopupMsg::DetachFromManager(WidgetManager* manager)
{
    Widget::DetachFromManager(manager);
    mHost->DeferWidgetDeletion(this);
}

} // namespace Lumo
