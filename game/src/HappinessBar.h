// The happiness gauge of the bottom bar: H against the goal and danger lines, and a
// heartbeat once each time H falls below the danger line.
#pragma once

#include "widgets/Widget.h"

namespace Lumo
{

class GameHost;

class HappinessBar : public Widget
{
public:
    static constexpr int kGaugeWidth = 333;
    static constexpr int kCheckInterval = 100;

    explicit HappinessBar(GameHost* host);

    void Update() override;
    void Draw(Graphics* g) override;
    void MouseMove(int x, int y) override;

    bool IsWarned() const { return mWarned; }
    // Fill width of the gauge for H on a bar of the given maximum, within 0..333.
    static int FillWidth(int happiness, int barMax);
    // The x of a line for a value on the bar.
    static int LineX(int value, int barMax);

private:
    GameHost* mHost;
    bool mWarned = false;
};

} // namespace Lumo
