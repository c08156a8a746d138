// A character of the play screen: a tile-sized widget that walks the grid (CharWalk),
// takes a white veil on hover until it is selected, and becomes the frame's active
// character when clicked.
#pragma once

#include "game/src/CharWalk.h"
#include "graphics/Color.h"
#include "widgets/Widget.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Lumo
{

class GameHost;
class GameObject;

class GameChar : public Widget
{
public:
    explicit GameChar(GameHost* host);

    // Recomputes the tile from the pixel position, when standing exactly on a tile.
    virtual void UpdateTile();

    void Draw(Graphics* g) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseMove(int x, int y) override;

    uint16_t GetCode() const { return mCode; }
    const std::string& GetName() const { return mName; }
    const Color& GetTint() const { return mColor; }

    bool mSelectable = true;
    bool mHoverable = true;
    bool mSelected = false;
    GameObject* mTarget = nullptr;
    CharWalk mWalk; // tile, walking flag, step stamp, facing and path
    int16_t mAnimFrame = 0;

protected:
    GameHost* mHost;
    uint16_t mCode = 65535;
    std::string mName;
    Image* mPicture = nullptr;
    std::vector<Image*> mPictureSet;
    Color mColor = Color(0, 0, 0, 0);
    Color mHoverColor = Color(255, 255, 255, 127);
    Color mNormalColor = Color(0, 0, 0, 0);
};

// The cook.
class CharLorenzo : public GameChar
{
public:
    static constexpr int kFacings = 8;
    static constexpr int kWalkFacings = 4;
    static constexpr int kAnimTicks = 15;

    explicit CharLorenzo(GameHost* host);

    // The picture for the current state: walking frame by facing, or idle by facing.
    Image* CurrentPicture() const;

    void Draw(Graphics* g) override;
    void Update() override;

private:
    Image* mWalkPictures[2][kWalkFacings] = {};
};

class GameCharFactory
{
public:
    static constexpr int kLorenzo = 0;

    explicit GameCharFactory(GameHost* host) : mHost(host) {}
    virtual ~GameCharFactory() = default;

    // A new character owned by the caller; null for an unknown code.
    GameChar* Create(int code) const;

private:
    GameHost* mHost;
};

} // namespace Lumo
