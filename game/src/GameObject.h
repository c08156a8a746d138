// A fixed thing of the restaurant on a grid tile: a left click sends the cook there
// and, on arrival, trades items between the object and the cook's tray; a right click
// cancels. Ovens, prep tables, the fridge, the trash can, tables and chairs derive from it.
#pragma once

#include "game/src/GameSimpleNode.h"
#include "graphics/Color.h"
#include "widgets/Widget.h"

#include <cstdint>
#include <string>

namespace Lumo
{

class GameHost;
class TObject;
class Tray;

enum GameObjectCode : uint16_t
{
    OBJECT_OVEN = 1,
    OBJECT_PREP_TABLE = 2,
    OBJECT_CHAIR = 3,
    OBJECT_TABLE = 4,
    OBJECT_FRIDGE = 5,
    OBJECT_TRASH = 6,
    OBJECT_NONE = 65535,
};

class GameObject : public Widget
{
public:
    static constexpr uint16_t kNoSelection = 65535;

    explicit GameObject(GameHost* host);

    // An item for the tray, owned by the caller; null when there is none.
    virtual TObject* GiveItem() { return nullptr; }
    // Takes items from the tray; a null tray is the right button.
    virtual bool Interact(Tray* tray) { return false; }
    virtual void AddChair(int side) {}
    virtual void SetSelection(int code) {}
    // Stores both tiles and blocks the object's own cell.
    virtual void SetTiles(GameSimpleNode objectTile, GameSimpleNode accessTile);
    // Where the cook stands to use the object; the object tile when nowhere will do.
    virtual GameSimpleNode GetApproachTile(GameSimpleNode charTile);

    void Draw(Graphics* g) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseMove(int x, int y) override;

    uint16_t GetCode() const { return mCode; }
    const std::string& GetName() const { return mName; }
    GameSimpleNode GetObjectTile() const { return mObjectTile; }
    GameSimpleNode GetAccessTile() const { return mAccessTile; }
    bool TakesFromTray() const { return mTakesFromTray; }
    bool GivesToTray() const { return mGivesToTray; }
    const Color& GetCurrentColor() const { return mColor; }

    // Set by the frame when the cook stands here, cleared when he leaves.
    bool mArrived = false;
    bool mAcceptsClicks = true;
    bool mHoverable = true;

protected:
    void FillCurrentColor(Graphics* g);
    void FrameDirty();
    // The picture stretched to the widget; false without one.
    bool DrawPicture(Graphics* g);

    GameHost* mHost;
    uint16_t mCode = OBJECT_NONE;
    std::string mName;
    Image* mPicture = nullptr;
    Color mColor = Color(0, 0, 0, 0);
    Color mHoverColor = Color(255, 255, 255, 63);
    Color mNormalColor = Color(0, 0, 0, 0);
    GameSimpleNode mObjectTile;
    GameSimpleNode mAccessTile;
    bool mTakesFromTray = false;
    bool mGivesToTray = false;
};

} // namespace Lumo
