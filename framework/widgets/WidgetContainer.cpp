#include "widgets/WidgetContainer.h"

#include "graphics/Graphics.h"
#include "widgets/Widget.h"
#include "widgets/WidgetManager.h"

#include <algorithm>

namespace Lumo
{

namespace
{

// A child compared with a container pointer without casting the container down.
bool IsSame(const Widget* child, const WidgetContainer* container)
{
    return static_cast<const WidgetContainer*>(child) == container;
}

bool InsideRect(const Rect& r, int x, int y)
{
    return x >= r.mX && x < r.mX + r.mWidth && y >= r.mY && y < r.mY + r.mHeight;
}

} // namespace

ChildWalk::ChildWalk(WidgetContainer& container, Direction direction, const WidgetContainer* from)
    : mContainer(container), mOuter(container.mWalks), mDirection(direction), mNext(container.mChildren.end())
{
    container.mWalks = this;
    std::list<Widget*>& children = container.mChildren;
    if (from != nullptr)
    {
        auto it = std::find_if(children.begin(), children.end(),
                               [from](const Widget* child) { return IsSame(child, from); });
        if (it != children.end())
            mNext = Step(it);
    }
    else if (!children.empty())
    {
        mNext = direction == FORWARD ? children.begin() : std::prev(children.end());
    }
}

ChildWalk::~ChildWalk()
{
    // Walks end in the reverse order of their start: they live on the stack.
    mContainer.mWalks = mOuter;
}

ChildWalk::Position ChildWalk::Step(Position it) const
{
    std::list<Widget*>& children = mContainer.mChildren;
    if (mDirection == FORWARD)
        return std::next(it);
    return it == children.begin() ? children.end() : std::prev(it);
}

Widget* ChildWalk::Next()
{
    for (;;)
    {
        // Stepped now, not before the visit: a child the last one added is still met.
        if (!mCurrentGone)
            mNext = Step(mCurrent);
        if (mNext == mContainer.mChildren.end())
            return nullptr;
        mCurrent = mNext;
        mCurrentGone = false;
        auto seen = std::find(mMovedOn.begin(), mMovedOn.end(), *mCurrent);
        if (seen == mMovedOn.end())
            return *mCurrent;
        mMovedOn.erase(seen);
    }
}

bool ChildWalk::Visited(Position it) const
{
    if (mCurrentGone && it == mNext)
        return false;
    // Visited when the walk's position lies ahead of it.
    const Position at = mCurrentGone ? mNext : mCurrent;
    for (Position p = it;; p = Step(p))
    {
        if (p == at)
            return true;
        if (p == mContainer.mChildren.end())
            return false;
    }
}

void ChildWalk::Erasing(Position it, bool moving)
{
    if (moving && Visited(it))
        mMovedOn.push_back(*it);
    if (!mCurrentGone && it == mCurrent)
    {
        mCurrentGone = true;
        mNext = Step(it);
    }
    else if (mCurrentGone && it == mNext)
    {
        mNext = Step(it);
    }
}

WidgetContainer::~WidgetContainer()
{
    for (Widget* child : mChildren)
        child->mParent = nullptr;
}

Rect WidgetContainer::GetRect()
{
    return Rect(mX, mY, mWidth, mHeight);
}

bool WidgetContainer::Intersects(WidgetContainer* other)
{
    return mX < other->mX + other->mWidth && other->mX < mX + mWidth && mY < other->mY + other->mHeight &&
           other->mY < mY + mHeight;
}

void WidgetContainer::MarkDirty()
{
    if (mParent != nullptr)
        mParent->MarkChildDirty(this);
    else
        mDirty = true;
}

void WidgetContainer::MarkDirtyAndBelow()
{
    if (mParent != nullptr)
        mParent->MarkChildDirtyAndBelow(this);
    else
        mDirty = true;
}

void WidgetContainer::MarkChildDirty(WidgetContainer* child)
{
    if (child->mDirty)
        return;
    MarkDirty();
    child->mDirty = true;
    if (mParent != nullptr)
        return; // only the top level looks at siblings
    if (child->mHasAlpha)
    {
        MarkChildDirtyAndBelow(child);
        return;
    }
    MarkInFront(child);
}

void WidgetContainer::MarkInFront(WidgetContainer* child)
{
    ChildWalk walk(*this, ChildWalk::FORWARD, child);
    while (Widget* sibling = walk.Next())
        if (sibling->mVisible && sibling->Intersects(child))
            MarkChildDirty(sibling);
}

void WidgetContainer::MarkChildDirtyAndBelow(WidgetContainer* child)
{
    MarkDirtyAndBelow();
    child->mDirty = true;
    if (mParent != nullptr)
        return;
    Rect area = child->GetRect().Intersection(Rect(0, 0, mWidth, mHeight));
    ChildWalk behind(*this, ChildWalk::BACKWARD, child);
    while (Widget* sibling = behind.Next())
    {
        if (!sibling->mVisible)
            continue;
        bool opaque = !sibling->mHasTransparencies && !sibling->mHasAlpha;
        if (opaque && sibling->Contains(area.mX, area.mY) &&
            sibling->Contains(area.mX + area.mWidth - 1, area.mY + area.mHeight - 1))
        {
            sibling->MarkDirty(); // nothing behind an opaque cover needs repainting
            break;
        }
        if (sibling->Intersects(child))
            MarkChildDirty(sibling);
    }
    MarkInFront(child);
}

void WidgetContainer::AttachToManager(WidgetManager* manager)
{
    ChildWalk walk(*this);
    while (Widget* child = walk.Next())
    {
        child->mManager = manager;
        child->AttachToManager(manager);
    }
    MarkDirty();
}

void WidgetContainer::DetachFromManager(WidgetManager* manager)
{
    ChildWalk walk(*this);
    while (Widget* child = walk.Next())
    {
        // Its hooks may take it out (then it was detached on the way) or others with it.
        manager->ForgetWidget(child);
        if (walk.CurrentGone())
            continue;
        // The saved modal records must not keep a widget that leaves the tree.
        manager->ForgetModalRecords(child);
        child->DetachFromManager(manager);
        if (!walk.CurrentGone())
            child->mManager = nullptr;
    }
}

void WidgetContainer::Update()
{
    ++mUpdateCount;
}

void WidgetContainer::ApplyFlagMasks(ModalFlags& flags)
{
    flags.mOverFlags = (flags.mOverFlags | mWidgetFlagsAdd) & ~mWidgetFlagsRemove;
    flags.mUnderFlags = (flags.mUnderFlags | mWidgetFlagsAdd) & ~mWidgetFlagsRemove;
}

// The child walk of the update passes.
template <typename Visit> void WidgetContainer::WalkChildren(ModalFlags& flags, Visit visit)
{
    ChildWalk walk(*this);
    while (Widget* child = walk.Next())
    {
        if (mManager != nullptr && child == mManager->mBaseModalWidget)
            flags.mIsOver = true;
        visit(child);
    }
}

void WidgetContainer::UpdateAll(ModalFlags& flags)
{
    const uint32_t savedOver = flags.mOverFlags;
    const uint32_t savedUnder = flags.mUnderFlags;
    ApplyFlagMasks(flags);
    const uint32_t effective = flags.GetFlags();
    if (effective & WIDGETFLAGS_MARK_DIRTY)
        MarkDirty();
    if (mManager != nullptr)
    {
        if ((effective & WIDGETFLAGS_UPDATE) && mLastUpdateCount != mManager->mUpdateCount)
        {
            mLastUpdateCount = mManager->mUpdateCount;
            Update();
        }
        WalkChildren(flags, [&](Widget* child) { child->UpdateAll(flags); });
    }
    flags.mOverFlags = savedOver;
    flags.mUnderFlags = savedUnder;
}

void WidgetContainer::UpdateSmoothAll(ModalFlags& flags, float fraction)
{
    const uint32_t savedOver = flags.mOverFlags;
    const uint32_t savedUnder = flags.mUnderFlags;
    ApplyFlagMasks(flags);
    if (mManager != nullptr)
    {
        if (flags.GetFlags() & WIDGETFLAGS_UPDATE)
            UpdateSmooth(fraction);
        WalkChildren(flags, [&](Widget* child) { child->UpdateSmoothAll(flags, fraction); });
    }
    flags.mOverFlags = savedOver;
    flags.mUnderFlags = savedUnder;
}

void WidgetContainer::DrawAll(ModalFlags& flags, Graphics* g)
{
    if (mManager != nullptr && mManager->mMinDeferredPriority < mPriority)
        mManager->FlushDeferredOverlays(mPriority);
    const uint32_t savedOver = flags.mOverFlags;
    const uint32_t savedUnder = flags.mUnderFlags;
    ApplyFlagMasks(flags);
    const uint32_t effective = flags.GetFlags();
    if (mClip && (effective & WIDGETFLAGS_CLIP))
        g->ClipRect(0, 0, mWidth, mHeight);
    if (mChildren.empty())
    {
        if (effective & WIDGETFLAGS_DRAW)
            Draw(g);
    }
    else
    {
        if (effective & WIDGETFLAGS_DRAW)
        {
            g->PushState();
            Draw(g);
            g->PopState();
        }
        ChildWalk walk(*this);
        while (Widget* child = walk.Next())
        {
            if (!child->mVisible)
                continue;
            if (mManager != nullptr && child == mManager->mBaseModalWidget)
                flags.mIsOver = true;
            Graphics moved(*g);
            moved.Translate(child->mX, child->mY);
            child->DrawAll(flags, &moved);
            if (!walk.CurrentGone())
                child->mDirty = false;
        }
    }
    flags.mOverFlags = savedOver;
    flags.mUnderFlags = savedUnder;
}

void WidgetContainer::AddWidget(Widget* widget)
{
    if (std::find(mChildren.begin(), mChildren.end(), widget) != mChildren.end())
        return;
    mChildren.push_back(widget);
    widget->mManager = mManager;
    widget->mParent = this;
    // Kept: the widget's attach hooks may take this container off the screen.
    if (WidgetManager* manager = mManager)
    {
        widget->AttachToManager(manager);
        widget->MarkDirtyAndBelow();
        manager->RecheckMouse();
    }
    MarkDirty();
}

void WidgetContainer::Unlink(std::list<Widget*>::iterator it, bool moving)
{
    for (ChildWalk* walk = mWalks; walk != nullptr; walk = walk->mOuter)
        walk->Erasing(it, moving);
    mChildren.erase(it);
}

void WidgetContainer::RemoveWidget(Widget* widget)
{
    auto it = std::find(mChildren.begin(), mChildren.end(), widget);
    if (it == mChildren.end())
        return;
    WidgetManager* manager = mManager;
    if (manager != nullptr)
    {
        manager->ForgetWidget(widget);
        // Its hooks may have taken it out already (then it was detached on the way) or moved it.
        if (widget->mParent != this)
            return;
        manager->ForgetModalRecords(widget);
        widget->DetachFromManager(manager);
        MarkChildDirtyAndBelow(widget);
    }
    widget->mManager = nullptr;
    widget->mParent = nullptr;
    // The hooks above may have reordered the list.
    it = std::find(mChildren.begin(), mChildren.end(), widget);
    if (it != mChildren.end())
        Unlink(it, false);
    // Hooks run while it was still on the screen may have pointed the manager at it again.
    if (manager != nullptr)
        manager->ForgetTree(widget);
}

void WidgetContainer::RemoveAllChildren(bool doDelete, bool recursive)
{
    while (!mChildren.empty())
    {
        Widget* child = mChildren.front();
        RemoveWidget(child);
        if (recursive)
            child->RemoveAllChildren(doDelete, recursive);
        if (doDelete)
            delete child;
    }
}

void WidgetContainer::BringToFront(Widget* widget)
{
    auto it = std::find(mChildren.begin(), mChildren.end(), widget);
    if (it == mChildren.end())
        return;
    Unlink(it, true);
    mChildren.push_back(widget);
    widget->OrderInManagerChanged();
}

void WidgetContainer::MoveInFrontOf(Widget* widget, Widget* reference)
{
    auto it = std::find(mChildren.begin(), mChildren.end(), widget);
    if (it == mChildren.end())
        return;
    Unlink(it, true);
    auto ref = std::find(mChildren.begin(), mChildren.end(), reference);
    mChildren.insert(ref == mChildren.end() ? ref : std::next(ref), widget);
    widget->OrderInManagerChanged();
}

void WidgetContainer::MarkTreeDirty()
{
    MarkDirty();
    ChildWalk walk(*this);
    while (Widget* child = walk.Next())
        child->MarkTreeDirty();
}

Widget* WidgetContainer::HitTestChildren(int x, int y, uint32_t flags, bool* found, int* localX, int* localY)
{
    ChildWalk walk(*this, ChildWalk::BACKWARD);
    while (Widget* child = walk.Next())
    {
        const bool baseModal = mManager != nullptr && child == mManager->mBaseModalWidget;
        if ((flags & WIDGETFLAGS_ALLOW_MOUSE) && child->mVisible)
        {
            bool inner = false;
            if (Widget* hit =
                    child->HitTestChildren(x - child->mX, y - child->mY, flags, &inner, localX, localY))
            {
                if (found != nullptr)
                    *found = true;
                return hit;
            }
            if (!walk.CurrentGone() && child->mMouseVisible && InsideRect(child->GetMouseRect(), x, y))
            {
                if (found != nullptr)
                    *found = true;
                if (child->HitTestPoint(x - child->mX, y - child->mY) && !walk.CurrentGone())
                {
                    if (localX != nullptr)
                        *localX = x - child->mX;
                    if (localY != nullptr)
                        *localY = y - child->mY;
                    return child;
                }
            }
        }
        if (baseModal && mManager != nullptr)
            flags = (flags | mManager->mBelowModalFlagsAdd) & ~mManager->mBelowModalFlagsRemove;
    }
    if (found != nullptr)
        *found = false;
    return nullptr;
}

bool WidgetContainer::HasDescendant(Widget* widget)
{
    for (Widget* child : mChildren)
        if (child == widget || child->HasDescendant(widget))
            return true;
    return false;
}

void WidgetContainer::GetAbsolutePosition(int* x, int* y)
{
    *x = 0;
    *y = 0;
    for (WidgetContainer* c = this; c != nullptr; c = c->mParent)
    {
        *x += c->mX;
        *y += c->mY;
    }
}

} // namespace Lumo
