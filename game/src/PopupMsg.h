// A short feedback text that rises and fades out over its life, then takes itself
// off the screen and is deleted after the update.
#pragma once

#include "graphics/Color.h"
#include "widgets/Widget.h"

#include <string>

namespace Lumo
{

class GameHost;

class PopupMsg : public Widget
{
public:
    // The rise step is a tenth of the life, so shorter lives are raised to this.
    static constexpr int kMinLife = 10;

    struct Line
    {
        std::string mText;
        Color mColor = Color(255, 255, 255);
        Image* mIcon = nullptr;
        Color mIconTint = Color(255, 255, 255); // alpha 0: drawn untinted
    };

    PopupMsg(GameHost* host, int life);

    // Puts the bottom centre at (x, y).
    virtual void SetPos(int x, int y);

    void Update() override;
    void Draw(Graphics* g) override;
    void DetachFromManager(WidgetManager* manager) override;

    int GetLife() const { return mLife; }
    // Opacity of the text: full over the first half of the life, fading to nothing.
    int Alpha() const;

    Line mLines[2];

private:
    void DrawLine(Graphics* g, const Line& line, int textY, int iconY, int alpha);

    GameHost* mHost;
    int mLife;
    float mTotalLife;
};

} // namespace Lumo
