// One seated guest: a look (one of five), how much it likes each pizza, its picture
// by the side of the table it sits on, and the bubble that shows what it waits for.
// Clicks go on to its table; it is a child of its chair.
#pragma once

#include "graphics/Color.h"
#include "widgets/Widget.h"

#include <cstdint>

namespace Lumo
{

class GameHost;
class Image;

class Customer : public Widget
{
public:
    static constexpr int kSize = 50;

    // Pictures "gfx/customer/<look + 1>/cust<side>"; a look outside 0-4 is taken modulo 5.
    Customer(GameHost* host, int look);

    // Index 0-4 of the pizza it orders (codes 7-11) for a random value.
    int ChooseOrder(uint32_t random) const;
    // Shows its picture for the side of the table it sits on.
    void SetSide(int side);
    // A null picture takes the bubble away.
    void SetBubble(Image* picture, const Color& color);

    void Draw(Graphics* g) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseMove(int x, int y) override;

    int GetLook() const { return mLook; }
    Image* GetBubble() const { return mBubble; }
    Image* GetPicture() const { return mPicture; }

    int16_t mWeights[5];
    Widget* mTable = nullptr;

private:
    GameHost* mHost;
    Image* mBubble = nullptr;
    Color mBubbleColor;
    Image* mPicture = nullptr;
    Image* mPictures[4] = {};
    int mLook;
};

} // namespace Lumo
