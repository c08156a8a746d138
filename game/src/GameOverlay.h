// A full-screen message board over the kitchen: up to five centred lines on a dark
// veil. Boards of id -1 close on the space bar; id -2 is the pause board.
#pragma once

#include "graphics/Color.h"
#include "widgets/Widget.h"

#include <string>

namespace Lumo
{

class GameHost;

class GameOverlay : public Widget
{
public:
    static constexpr int kMessageBoard = -1;
    static constexpr int kPauseBoard = -2;
    static constexpr int kLineCount = 5;

    GameOverlay(GameHost* host, int id);

    void Draw(Graphics* g) override;
    void KeyUp(int key) override;
    void Update() override;
    void DetachFromManager(WidgetManager* manager) override;

    int GetId() const { return mId; }

    std::string mLines[kLineCount];
    Color mColors[kLineCount];

private:
    GameHost* mHost;
    int mId;
};

} // namespace Lumo
