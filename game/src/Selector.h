// The pop-up choice list of the fridge and the prep tables: a row of picture cells
// over the object, with the hovered entry's name below. Picking an entry selects it on
// the object and then counts as a click on the object.
#pragma once

#include "graphics/Color.h"
#include "widgets/Widget.h"

#include <string>
#include <vector>

namespace Lumo
{

class GameHost;
class GameObject;
class Selector;

class SelectorItem : public Widget
{
public:
    static constexpr int kSize = 30;

    SelectorItem(GameHost* host, Selector* selector);

    void Draw(Graphics* g) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseMove(int x, int y) override;

    std::string mName;
    Image* mPicture = nullptr;
    int mCode = -1;
    Color mBoxColor = Color(255, 255, 255);
    Color mColor = Color(0, 0, 0, 0);
    Color mHoverColor = Color(255, 255, 255, 63);
    Color mNormalColor = Color(0, 0, 0, 0);
    bool mHoverable = true;
    bool mShown = false;

private:
    GameHost* mHost;
    Selector* mSelector;
};

class Selector : public Widget
{
public:
    static constexpr int kHeight = 55;
    static constexpr int kMinWidth = 75;

    Selector(GameHost* host, GameObject* owner);
    ~Selector() override;

    // A hidden selector of the given item codes for the owner, added to the manager.
    static Selector* MakeFor(GameHost* host, GameObject* owner, WidgetManager* manager,
                             const std::vector<int>& codes);
    // Placed over the owner again and shown or hidden.
    void ShowOverOwner(bool on);
    // Shown and with the mouse over it: the owner under it keeps its hover.
    bool HasMouse() const;
    // Out of the widget manager, with its entries, and back on again hidden.
    void TakeOff();
    void PutOn(WidgetManager* manager);

    virtual void AddItem(int code, Image* picture, const std::string& name, const Color& color);
    virtual void RemoveItem(int code);
    // Centres the selector on its owner and lines the entries up along its top.
    virtual void Arrange();
    virtual void SetShown(bool on);

    void Draw(Graphics* g) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseMove(int x, int y) override;
    void DetachFromManager(WidgetManager* manager) override;

    GameObject* GetOwner() const { return mOwner; }
    bool IsExpanded() const { return mExpanded; }
    const std::vector<SelectorItem*>& GetItems() const { return mItems; }
    const std::string& GetName() const { return mName; }
    void SetName(const std::string& name) { mName = name; }

    Color mColor = Color(0, 0, 0, 0);
    Color mHoverColor = Color(255, 255, 255, 63);
    Color mNormalColor = Color(0, 0, 0, 0);
    bool mHoverable = true;

private:
    void Unlist(SelectorItem* item);

    GameHost* mHost;
    GameObject* mOwner;
    std::string mName;
    bool mExpanded = false;
    std::vector<SelectorItem*> mItems; // owned
};

} // namespace Lumo
