// The cook's tray: a stack of at most four carried items, shown by a vertical
// TrayWidget that follows the mouse and a horizontal one kept in step with it.
#pragma once

#include "game/src/ItemStack.h"

#include <cstdint>

namespace Lumo
{

class TObject;
class TrayWidget;
class Widget;

class Tray
{
public:
    static constexpr int16_t kCapacity = 4;

    // frame: the play screen, told to redraw when the tray changes.
    explicit Tray(Widget* frame, int16_t capacity = kCapacity);
    // Frees the items still on the tray and both widgets; the frame takes the vertical
    // widget out of the widget manager first.
    virtual ~Tray();
    Tray(const Tray&) = delete;
    Tray& operator=(const Tray&) = delete;

    // False for null or a full tray.
    bool Push(TObject* item);
    // Searched from the top; the items above move down. The item is not deleted.
    bool Remove(TObject* item);
    bool HasRoom() const { return mItems.Count() < mItems.Capacity(); }
    bool IsEmpty() const { return mItems.Count() == 0; }
    TObject* Top() const;
    TObject* LastOfCode(int code) const;
    int CountOfCode(int code) const;
    int GetCount() const { return mItems.Count(); }
    int GetCapacity() const { return mItems.Capacity(); }
    TObject* GetItem(int index) const { return mItems.At(index); }

    TrayWidget* GetWidget() const { return mWidget; }
    TrayWidget* GetHorizontalWidget() const { return mHorizontalWidget; }

private:
    ItemStack mItems;
    TrayWidget* mWidget;
    TrayWidget* mHorizontalWidget;
};

} // namespace Lumo
