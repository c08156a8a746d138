// Draws a tray's items, top of the stack first, in 30-pixel cells one below the
// other or side by side.
#pragma once

#include "game/src/ItemStack.h"
#include "widgets/Widget.h"

#include <cstdint>
#include <vector>

namespace Lumo
{

class Image;
class TObject;
class Tray;

class TrayWidget : public Widget
{
public:
    static constexpr int kCellSize = 30;

    TrayWidget(Widget* frame, Tray* tray, int16_t capacity);

    void SetVertical(bool vertical);
    bool IsVertical() const { return mVertical; }
    // Kept in step with the tray; each change asks the frame to redraw.
    void AddItem(TObject* item);
    void RemoveItem(TObject* item);
    int GetCount() const { return mItems.Count(); }
    Tray* GetTray() const { return mTray; }

    void Draw(Graphics* g) override;
    void MouseMove(int x, int y) override;

    Image* mBackground = nullptr;

private:
    void FrameDirty();

    Widget* mFrame;
    Tray* mTray;
    ItemStack mItems;
    bool mVertical = true;
};

} // namespace Lumo
