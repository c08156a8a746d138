#include "game/src/Tray.h"

#include "game/src/TObject.h"
#include "game/src/TrayWidget.h"

namespace Lumo
{

Tray::Tray(Widget* frame, int16_t capacity)
    : mItems(capacity), mWidget(new TrayWidget(frame, this, mItems.Capacity())),
      mHorizontalWidget(new TrayWidget(frame, this, mItems.Capacity()))
{
    mHorizontalWidget->SetVertical(false);
}

Tray::~Tray()
{
    delete mWidget;
    delete mHorizontalWidget;
    for (int i = 0; i < mItems.Count(); i++)
        delete mItems.At(i);
}

bool Tray::Push(TObject* item)
{
    if (!mItems.Push(item))
        return false;
    mWidget->AddItem(item);
    mHorizontalWidget->AddItem(item);
    return true;
}

bool Tray::Remove(TObject* item)
{
    if (!mItems.Remove(item))
        return false;
    mWidget->RemoveItem(item);
    mHorizontalWidget->RemoveItem(item);
    return true;
}

TObject* Tray::Top() const
{
    return mItems.At(mItems.Count() - 1);
}

TObject* Tray::LastOfCode(int code) const
{
    for (int i = mItems.Count() - 1; i >= 0; i--)
    {
        if (mItems.At(i)->mCode == code)
            return mItems.At(i);
    }
    return nullptr;
}

int Tray::CountOfCode(int code) const
{
    int n = 0;
    for (int i = 0; i < mItems.Count(); i++)
        n += mItems.At(i)->mCode == code;
    return n;
}

} // namespace Lumo
