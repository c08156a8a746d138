#include "game/src/TrayWidget.h"

#include "game/src/FrameLink.h"
#include "game/src/TObject.h"
#include "graphics/Graphics.h"

namespace Lumo
{

TrayWidget::TrayWidget(Widget* frame, Tray* tray, int16_t capacity)
    : mFrame(frame), mTray(tray), mItems(capacity)
{
    Resize(0, 0, kCellSize, capacity * kCellSize);
}

void TrayWidget::SetVertical(bool vertical)
{
    if (vertical == mVertical)
        return;
    mVertical = vertical;
    Resize(mX, mY, mHeight, mWidth);
}

void TrayWidget::FrameDirty()
{
    if (mFrame != nullptr)
        mFrame->MarkDirty();
}

void TrayWidget::AddItem(TObject* item)
{
    if (mItems.Push(item))
        FrameDirty();
}

void TrayWidget::RemoveItem(TObject* item)
{
    if (mItems.Remove(item))
        FrameDirty();
}

void TrayWidget::Draw(Graphics* g)
{
    if (mBackground != nullptr)
        g->DrawImage(mBackground, 0, 0);
    for (int cell = 0; cell < mItems.Count(); cell++)
    {
        const TObject* item = mItems.At(mItems.Count() - 1 - cell);
        const int x = mVertical ? 0 : cell * kCellSize;
        const int y = mVertical ? cell * kCellSize : 0;
        // A raw pizza shows its colour fainter, over the dough.
        const bool raw = !item->mNonPizza && !item->mCooked;
        if (!item->mColor.IsWhite())
        {
            Color veil = item->mColor;
            veil.mAlpha = raw ? 95 : 159;
            g->SetColor(veil);
            g->FillRect(x, y, kCellSize, kCellSize);
        }
        if (Image* picture = item->GetImage())
            g->DrawImage(picture, x, y, kCellSize, kCellSize);
    }
}

void TrayWidget::MouseMove(int x, int y)
{
    ForwardMouseMove(mFrame, *this, x, y);
}

} // namespace Lumo
