// The common base of every node of the widget tree: an ordered, non-owning list
// of children (list order is drawing order: the last child lies in front), the
// rectangle, dirty marking, and the update and draw walks under modal flags.
#pragma once

#include "graphics/Rect.h"

#include <cstdint>
#include <list>
#include <vector>

namespace Lumo
{

class ChildWalk;
class Graphics;
class Widget;
class WidgetManager;

enum WidgetFlags : uint32_t
{
    WIDGETFLAGS_UPDATE = 0x01,
    WIDGETFLAGS_MARK_DIRTY = 0x02,
    WIDGETFLAGS_DRAW = 0x04,
    WIDGETFLAGS_CLIP = 0x08,
    WIDGETFLAGS_ALLOW_MOUSE = 0x10,
    WIDGETFLAGS_ALLOW_FOCUS = 0x20,
};

// Passed down the walks: the flags in force over the base modal widget and under it.
struct ModalFlags
{
    uint32_t mOverFlags = 0;
    uint32_t mUnderFlags = 0;
    bool mIsOver = false;

    uint32_t GetFlags() const { return mIsOver ? mOverFlags : mUnderFlags; }
};

struct Insets
{
    int mLeft = 0;
    int mTop = 0;
    int mRight = 0;
    int mBottom = 0;

    Insets() = default;
    Insets(int left, int top, int right, int bottom) : mLeft(left), mTop(top), mRight(right), mBottom(bottom)
    {
    }
};

class WidgetContainer
{
public:
    std::list<Widget*> mChildren; // not owned
    WidgetManager* mManager = nullptr;
    WidgetContainer* mParent = nullptr;
    int mLastUpdateCount = 0;
    int mUpdateCount = 0;
    bool mDirty = false;
    int mX = 0;
    int mY = 0;
    int mWidth = 0;
    int mHeight = 0;
    // Not opaque: repainting it repaints what lies behind.
    bool mHasAlpha = false;
    bool mClip = true;
    uint32_t mWidgetFlagsAdd = 0;
    uint32_t mWidgetFlagsRemove = 0;
    int mPriority = 0;

    WidgetContainer() = default;
    WidgetContainer(const WidgetContainer&) = delete;
    WidgetContainer& operator=(const WidgetContainer&) = delete;

    // The children are left without a parent; they are not deleted.
    virtual ~WidgetContainer();
    virtual Rect GetRect();
    virtual bool Intersects(WidgetContainer* other);
    virtual void MarkChildDirty(WidgetContainer* child);
    virtual void MarkDirty();
    virtual void MarkChildDirtyAndBelow(WidgetContainer* child);
    virtual void MarkDirtyAndBelow();
    virtual void AttachToManager(WidgetManager* manager);
    virtual void DetachFromManager(WidgetManager* manager);
    virtual void Update();
    virtual void UpdateAll(ModalFlags& flags);
    virtual void UpdateSmooth(float fraction) {}
    virtual void UpdateSmoothAll(ModalFlags& flags, float fraction);
    virtual void Draw(Graphics* g) {}
    virtual void DrawAll(ModalFlags& flags, Graphics* g);

    void AddWidget(Widget* widget);
    void RemoveWidget(Widget* widget);
    void RemoveAllChildren(bool doDelete, bool recursive);
    void BringToFront(Widget* widget);
    void MoveInFrontOf(Widget* widget, Widget* reference);
    void MarkTreeDirty();
    Widget* HitTestChildren(int x, int y, uint32_t flags, bool* found, int* localX, int* localY);
    bool HasDescendant(Widget* widget);
    void GetAbsolutePosition(int* x, int* y);

private:
    friend class ChildWalk;
    // The walks over the children under way, innermost first.
    ChildWalk* mWalks = nullptr;

    // MarkChildDirty on every visible sibling in front of the child that it overlaps.
    void MarkInFront(WidgetContainer* child);
    // Takes the child out of the list, moving every walk that was to visit it on; `moving` when
    // it is put back elsewhere in the list.
    void Unlink(std::list<Widget*>::iterator it, bool moving);
    void ApplyFlagMasks(ModalFlags& flags);
    template <typename Visit> void WalkChildren(ModalFlags& flags, Visit visit);
};

// A walk over a container's children that any hook it calls may change: a child taken out
// before its turn is skipped, one added at the far end is still visited, and one it has
// visited is not visited again when moved ahead. Every walk that calls out of the tree goes
// through one.
class ChildWalk
{
public:
    enum Direction
    {
        FORWARD,  // from the first child (the back) to the last
        BACKWARD, // from the last child (the front) to the first
    };

    // From the end the direction starts at or, with `from`, from its neighbour in that
    // direction (nothing when `from` is not a child).
    explicit ChildWalk(WidgetContainer& container, Direction direction = FORWARD,
                       const WidgetContainer* from = nullptr);
    ~ChildWalk();
    ChildWalk(const ChildWalk&) = delete;
    ChildWalk& operator=(const ChildWalk&) = delete;

    // The next child, or null when the walk is over.
    Widget* Next();
    // Whether the child that Next gave last has left the list since.
    bool CurrentGone() const { return mCurrentGone; }

private:
    friend class WidgetContainer;
    using Position = std::list<Widget*>::iterator;

    void Erasing(Position it, bool moving);
    Position Step(Position it) const;
    bool Visited(Position it) const;

    WidgetContainer& mContainer;
    ChildWalk* mOuter;
    Direction mDirection;
    Position mNext; // where to go on while there is no current child (at the start, or it left)
    Position mCurrent;
    bool mCurrentGone = true;
    // Visited children that were moved during the walk: passed over when met again.
    std::vector<Widget*> mMovedOn;
};

} // namespace Lumo
