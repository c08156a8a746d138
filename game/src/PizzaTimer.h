// The level clock drawn as a pizza of four quarters that grey out as the level runs,
// with the time left; one tick sound per game once three quarters have passed.
#pragma once

#include "widgets/Widget.h"

#include <string>

namespace Lumo
{

class GameHost;

class PizzaTimer : public Widget
{
public:
    explicit PizzaTimer(GameHost* host);

    void Update() override;
    void Draw(Graphics* g) override;
    void MouseMove(int x, int y) override;

    bool HasTicked() const { return mTicked; }
    // The time left as minutes and seconds, e.g. "1:05".
    static std::string TimeLeftText(int clock, int length);

private:
    GameHost* mHost;
    bool mTicked = false;
};

} // namespace Lumo
