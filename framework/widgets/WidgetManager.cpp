#include "widgets/WidgetManager.h"

#include "graphics/Graphics.h"
#include "widgets/Widget.h"
#include "app/LumoAppBase.h"

#include <algorithm>

namespace Lumo
{

namespace
{

const int kKeyTab = 0x09;
const int kKeyControl = 0x11;
const int kKeyCount = 255;

} // namespace

WidgetManager::WidgetManager(LumoAppBase* app) : mApp(app)
{
    mManager = this;
}

namespace
{

// The smallest rectangle holding both.
Rect Bounds(const Rect& a, const Rect& b)
{
    const int left = std::min(a.mX, b.mX);
    const int top = std::min(a.mY, b.mY);
    const int right = std::max(a.mX + a.mWidth, b.mX + b.mWidth);
    const int bottom = std::max(a.mY + a.mHeight, b.mY + b.mHeight);
    return Rect(left, top, right - left, bottom - top);
}

void ForgetManager(WidgetContainer* container)
{
    for (Widget* child : container->mChildren)
    {
        child->mManager = nullptr;
        ForgetManager(child);
    }
}

} // namespace

WidgetManager::~WidgetManager()
{
    ForgetManager(this);
}

void WidgetManager::SetSize(int width, int height)
{
    if (width != mWidth || height != mHeight)
    {
        mWidth = width;
        mHeight = height;
    }
}

uint32_t WidgetManager::GetWidgetFlags()
{
    if (mHasFocus)
        return mWidgetFlags;
    return (mWidgetFlags | mLostFocusFlagsAdd) & ~mLostFocusFlagsRemove;
}

void WidgetManager::InitModalFlags(ModalFlags& flags)
{
    flags.mIsOver = mBaseModalWidget == nullptr;
    flags.mOverFlags = GetWidgetFlags();
    flags.mUnderFlags = (flags.mOverFlags | mBelowModalFlagsAdd) & ~mBelowModalFlagsRemove;
}

bool WidgetManager::UpdateFrame()
{
    ModalFlags flags;
    InitModalFlags(flags);
    ++mUpdateCount;
    mLastUpdateCount = mUpdateCount; // the manager's own Update is not run
    UpdateAll(flags);
    return mDirty;
}

bool WidgetManager::UpdateFrameF(float fraction)
{
    ModalFlags flags;
    InitModalFlags(flags);
    UpdateSmoothAll(flags, fraction);
    return mDirty;
}

bool WidgetManager::DrawScreen()
{
    mMinDeferredPriority = INT_MAX;
    mDeferredOverlays.clear();
    if (mImage == nullptr)
        return false;
    const std::vector<Rect> area = DirtyArea();
    // Cleared before the draw hooks run: what they mark (a widget taken off, one put up
    // outside the parts) is painted in the next frame.
    for (Widget* child : mChildren)
        child->mDirty = false;

    Graphics g(mImage);
    mCurrentGraphics = &g;
    bool locked = mApp != nullptr && mApp->BeginScreenDraw(mImage);
    bool is3D = mApp != nullptr && mApp->Is3DEnabled();
    bool drawn = false;
    // Each part is painted again from the back to the front by every widget that reaches
    // into it, clipped to it: a translucent widget then blends over what lies under it
    // once, whichever of them had changed. Under a modal widget the flags change along the
    // walk: every widget is drawn over the whole part.
    for (const Rect& part : area)
    {
        if (!DrawPart(g, part, is3D, mBaseModalWidget == nullptr, drawn))
            DrawPart(g, part, is3D, false, drawn);
    }
    FlushDeferredOverlays(INT_MAX);
    if (locked)
        mApp->EndScreenDraw(mImage);
    mCurrentGraphics = nullptr;
    return drawn;
}

bool WidgetManager::DrawPart(Graphics& g, const Rect& part, bool is3D, bool withCovers, bool& drawn)
{
    FindCovers(part, withCovers);
    size_t next = 0; // the first cover the walk has not reached
    bool held = true;
    ModalFlags flags;
    InitModalFlags(flags);
    ChildWalk walk(*this);
    while (Widget* child = walk.Next())
    {
        if (child == mBaseModalWidget)
            flags.mIsOver = true;
        bool cover = next < mCovers.size() && mCovers[next].first == child;
        next += cover ? 1 : 0;
        bool clipped = ClipsToItself(flags, child);
        if (!child->mVisible || (clipped && child->GetRect().Intersection(part).IsEmpty()))
        {
            held = held && !cover;
            continue;
        }
        held = held && (!cover || (EffectiveFlags(flags, child) & WIDGETFLAGS_DRAW) != 0);
        Uncovered(part, next);
        for (const Rect& piece : mPieces)
        {
            if (clipped && child->GetRect().Intersection(piece).IsEmpty())
                continue;
            Graphics moved(g);
            moved.SetFastStretch(!is3D);
            moved.SetFourthFlag(is3D);
            moved.ClipRect(piece.mX, piece.mY, piece.mWidth, piece.mHeight);
            moved.Translate(child->mX, child->mY);
            child->DrawAll(flags, &moved);
        }
        drawn = true;
    }
    // A cover that went or stopped drawing during the walk left what it hid unpainted.
    return held && next == mCovers.size();
}

void WidgetManager::FindCovers(const Rect& part, bool withCovers)
{
    mCovers.clear();
    if (!withCovers)
        return;
    ModalFlags flags;
    InitModalFlags(flags);
    for (Widget* child : mChildren)
    {
        if (!child->mVisible || !child->CoversItsRect() ||
            (EffectiveFlags(flags, child) & WIDGETFLAGS_DRAW) == 0)
            continue;
        Rect covered = child->GetRect().Intersection(part);
        if (!covered.IsEmpty())
            mCovers.emplace_back(child, covered);
    }
}

void WidgetManager::Uncovered(const Rect& part, size_t firstCover)
{
    mPieces.assign(1, part);
    for (size_t c = firstCover; c < mCovers.size() && !mPieces.empty(); c++)
    {
        const Rect& cover = mCovers[c].second;
        mCut.clear();
        for (const Rect& piece : mPieces)
        {
            Rect inside = piece.Intersection(cover);
            if (inside.IsEmpty())
            {
                mCut.push_back(piece);
                continue;
            }
            // The bands above and below the cover, then what lies left and right of it between them.
            const int pieceBottom = piece.mY + piece.mHeight, insideBottom = inside.mY + inside.mHeight;
            const Rect around[] = {Rect(piece.mX, piece.mY, piece.mWidth, inside.mY - piece.mY),
                                   Rect(piece.mX, insideBottom, piece.mWidth, pieceBottom - insideBottom),
                                   Rect(piece.mX, inside.mY, inside.mX - piece.mX, inside.mHeight),
                                   Rect(inside.mX + inside.mWidth, inside.mY,
                                        piece.mX + piece.mWidth - inside.mX - inside.mWidth, inside.mHeight)};
            for (const Rect& r : around)
                if (!r.IsEmpty())
                    mCut.push_back(r);
        }
        mPieces.swap(mCut);
    }
}

uint32_t WidgetManager::EffectiveFlags(const ModalFlags& flags, const Widget* child)
{
    return (flags.GetFlags() | child->mWidgetFlagsAdd) & ~child->mWidgetFlagsRemove;
}

bool WidgetManager::ClipsToItself(const ModalFlags& flags, const Widget* child) const
{
    return child->mClip && (EffectiveFlags(flags, child) & WIDGETFLAGS_CLIP);
}

std::vector<Rect> WidgetManager::DirtyArea()
{
    const Rect screen(0, 0, mImage->mWidth, mImage->mHeight);
    std::vector<Rect> area;
    ModalFlags flags;
    InitModalFlags(flags);
    for (Widget* child : mChildren)
    {
        if (child == mBaseModalWidget)
            flags.mIsOver = true;
        if (!child->mDirty || !child->mVisible)
            continue;
        // A widget that does not clip to itself may have painted anywhere.
        Rect part = ClipsToItself(flags, child) ? child->GetRect().Intersection(screen) : screen;
        if (part.IsEmpty())
            continue;
        // Parts that overlap merge, so that no pixel is painted twice in one draw.
        for (size_t i = 0; i < area.size();)
        {
            if (area[i].Intersection(part).IsEmpty())
            {
                ++i;
                continue;
            }
            part = Bounds(part, area[i]);
            area.erase(area.begin() + long(i));
            i = 0;
        }
        area.push_back(part);
    }
    return area;
}

void WidgetManager::FlushDeferredOverlays(int maxPriority)
{
    for (;;)
    {
        int lowest = INT_MAX;
        // By index: an overlay may queue another one.
        for (size_t i = 0; i < mDeferredOverlays.size(); i++)
        {
            Widget* widget = mDeferredOverlays[i].first;
            const int priority = mDeferredOverlays[i].second;
            if (widget == nullptr)
                continue;
            if (priority == mMinDeferredPriority)
            {
                mDeferredOverlays[i].first = nullptr;
                if (mCurrentGraphics != nullptr)
                {
                    Graphics moved(*mCurrentGraphics);
                    moved.Translate(widget->mX, widget->mY);
                    widget->DrawOverlay(&moved);
                }
            }
            else if (priority < lowest)
            {
                lowest = priority;
            }
        }
        mMinDeferredPriority = lowest;
        if (lowest == INT_MAX)
        {
            mDeferredOverlays.clear();
            return;
        }
        if (maxPriority <= lowest)
            return;
    }
}

bool WidgetManager::NoteInput()
{
    mLastInputUpdateCount = mUpdateCount;
    return true;
}

uint32_t WidgetManager::ButtonBit(int clickCount)
{
    if (clickCount < 0)
        return 2;
    return clickCount == 3 ? 4 : 1;
}

bool WidgetManager::MouseMove(int x, int y)
{
    NoteInput();
    if (mDownButtons != 0)
        return MouseDrag(x, y);
    mMouseIn = true;
    MousePosition(x, y);
    return true;
}

bool WidgetManager::MouseDrag(int x, int y)
{
    NoteInput();
    mMouseIn = true;
    mLastMouseX = x;
    mLastMouseY = y;
    if (mOverWidget != nullptr && mOverWidget != mLastDownWidget)
        LeaveOverWidget();
    if (mLastDownWidget != nullptr)
    {
        int absX = 0;
        int absY = 0;
        mLastDownWidget->GetAbsolutePosition(&absX, &absY);
        mLastDownWidget->MouseDrag(x - absX, y - absY);
        if (mLastDownWidget == nullptr) // the drag removed it
            return true;
        Widget* under = GetWidgetAt(x, y, nullptr, nullptr);
        if (under == mLastDownWidget)
        {
            if (mOverWidget == nullptr)
            {
                mOverWidget = under;
                EnterWidget(under);
            }
        }
        else if (mOverWidget != nullptr)
        {
            LeaveOverWidget();
        }
    }
    return true;
}

bool WidgetManager::MouseDown(int x, int y, int clickCount)
{
    NoteInput();
    const uint32_t bit = ButtonBit(clickCount);
    mActualDownButtons |= bit;
    MousePosition(x, y);
    if (mPopupCommandWidget != nullptr && !mPopupCommandWidget->Contains(x, y))
        DropPopupCommandWidget();
    int localX = 0;
    int localY = 0;
    Widget* target = EnabledWidgetAt(x, y, &localX, &localY);
    if (mLastDownWidget != nullptr)
    {
        // Another button is already held on a widget: it keeps the capture and
        // gets the press in its own coordinates.
        target = mLastDownWidget;
        int absX = 0;
        int absY = 0;
        target->GetAbsolutePosition(&absX, &absY);
        localX = x - absX;
        localY = y - absY;
    }
    mLastDownButtonId = clickCount < 0 ? -1 : (clickCount == 3 ? 2 : 1);
    mLastDownWidget = target;
    if (target != nullptr && target->WantsFocus())
        SetFocus(target);
    // Counted after the focus hooks: a target they took out is released of the buttons held
    // before, not of this press, which then reaches no widget.
    mDownButtons |= bit;
    if (target == nullptr || mLastDownWidget != target)
        return true;
    target->mIsDown = true;
    target->MouseDown(localX, localY, clickCount);
    return true;
}

bool WidgetManager::MouseUp(int x, int y, int clickCount)
{
    NoteInput();
    const uint32_t bit = ButtonBit(clickCount);
    mActualDownButtons &= ~bit;
    if (mLastDownWidget != nullptr && (mDownButtons & bit))
    {
        Widget* widget = mLastDownWidget;
        mDownButtons &= ~bit;
        if (mDownButtons == 0)
            mLastDownWidget = nullptr;
        widget->mIsDown = false;
        int absX = 0;
        int absY = 0;
        widget->GetAbsolutePosition(&absX, &absY);
        widget->MouseUp(x - absX, y - absY, clickCount);
    }
    else
    {
        mDownButtons &= ~bit;
    }
    MousePosition(x, y);
    return true;
}

bool WidgetManager::MouseExit()
{
    NoteInput();
    mMouseIn = false;
    if (mOverWidget != nullptr)
        LeaveOverWidget();
    return true;
}

bool WidgetManager::MouseWheel(int delta)
{
    NoteInput();
    if (mFocusWidget != nullptr)
        mFocusWidget->MouseWheel(delta);
    return true;
}

bool WidgetManager::KeyChar(char c)
{
    NoteInput();
    if (c == kKeyTab && mKeyDown[kKeyControl])
    {
        if (mKeyboardTarget != nullptr)
            mKeyboardTarget->KeyChar(c);
        return true;
    }
    if (mFocusWidget != nullptr)
        mFocusWidget->KeyChar(c);
    return true;
}

bool WidgetManager::KeyDown(int key)
{
    NoteInput();
    if (key >= 0 && key < kKeyCount)
        mKeyDown[key] = true;
    if (mFocusWidget != nullptr)
        mFocusWidget->KeyDown(key);
    return true;
}

bool WidgetManager::KeyUp(int key)
{
    NoteInput();
    if (key >= 0 && key < kKeyCount)
        mKeyDown[key] = false;
    if (key == kKeyTab && mKeyDown[kKeyControl])
        return true;
    if (mFocusWidget != nullptr)
        mFocusWidget->KeyUp(key);
    return true;
}

void WidgetManager::GotFocus()
{
    if (mHasFocus)
        return;
    mHasFocus = true;
    if (mFocusWidget != nullptr)
        mFocusWidget->GotFocus();
}

void WidgetManager::LostFocus()
{
    if (!mHasFocus)
        return;
    mActualDownButtons = 0;
    for (int key = 0; key < kKeyCount; ++key)
        if (mKeyDown[key])
            KeyUp(key);
    mHasFocus = false;
    if (mFocusWidget != nullptr)
        mFocusWidget->LostFocus();
}

void WidgetManager::SetFocus(Widget* widget)
{
    if (widget == mFocusWidget)
        return;
    Widget* old = mFocusWidget;
    mFocusWidget = nullptr;
    if (old != nullptr)
        old->LostFocus();
    // A focus that the hook chose itself stands.
    if (mFocusWidget != nullptr)
        return;
    if (widget == nullptr || widget->mManager != this)
        return;
    mFocusWidget = widget;
    if (mHasFocus)
        widget->GotFocus();
}

Widget* WidgetManager::GetWidgetAt(int x, int y, int* localX, int* localY)
{
    bool found = false;
    return HitTestChildren(x, y, GetWidgetFlags(), &found, localX, localY);
}

Widget* WidgetManager::EnabledWidgetAt(int x, int y, int* localX, int* localY)
{
    Widget* widget = GetWidgetAt(x, y, localX, localY);
    return widget != nullptr && widget->mDisabled ? nullptr : widget;
}

void WidgetManager::MousePosition(int x, int y)
{
    const int oldX = mLastMouseX;
    const int oldY = mLastMouseY;
    mLastMouseX = x;
    mLastMouseY = y;
    int localX = 0;
    int localY = 0;
    Widget* widget = EnabledWidgetAt(x, y, &localX, &localY);
    if (widget == mOverWidget)
    {
        if ((x == oldX && y == oldY) || widget == nullptr)
            return;
    }
    else
    {
        if (mOverWidget != nullptr)
        {
            LeaveOverWidget();
            // The leave hook may have changed the tree, or moved the pointer on itself.
            if (mOverWidget != nullptr)
                return;
            widget = EnabledWidgetAt(x, y, &localX, &localY);
        }
        mOverWidget = widget;
        if (widget != nullptr)
            EnterWidget(widget);
    }
    // Only while still under the pointer: the enter hook may have taken it out or hidden it.
    if (widget != nullptr && widget == mOverWidget)
        widget->MouseMove(localX, localY);
}

void WidgetManager::RecheckMouse()
{
    if (mLastDownWidget == nullptr)
    {
        if (mMouseIn)
            MousePosition(mLastMouseX, mLastMouseY);
    }
    else if (mOverWidget != nullptr &&
             GetWidgetAt(mLastMouseX, mLastMouseY, nullptr, nullptr) != mLastDownWidget)
    {
        LeaveOverWidget();
    }
}

void WidgetManager::EnterWidget(Widget* widget)
{
    widget->mIsOver = true;
    widget->MouseEnter();
    if (widget->mDoHandCursor && widget == mOverWidget)
        widget->ShowHandCursor(true);
}

void WidgetManager::LeaveWidget(Widget* widget)
{
    widget->mIsOver = false;
    widget->MouseLeave();
    if (widget->mDoHandCursor)
        widget->ShowHandCursor(false);
}

void WidgetManager::LeaveOverWidget()
{
    Widget* widget = mOverWidget;
    mOverWidget = nullptr;
    LeaveWidget(widget);
}

void WidgetManager::ReleaseHeldButtons(Widget* widget, uint32_t buttons)
{
    static const int kClickCounts[3] = {1, -1, 3};
    for (int i = 0; i < 3; ++i)
    {
        if (!(buttons & (1u << i)))
            continue;
        widget->mIsDown = false;
        int absX = 0;
        int absY = 0;
        widget->GetAbsolutePosition(&absX, &absY);
        widget->MouseUp(mLastMouseX - absX, mLastMouseY - absY, kClickCounts[i]);
    }
}

void WidgetManager::ReleaseDownWidget()
{
    if (mLastDownWidget == nullptr || mDownButtons == 0)
        return;
    Widget* widget = mLastDownWidget;
    uint32_t buttons = mDownButtons;
    mDownButtons = 0;
    mLastDownWidget = nullptr;
    ReleaseHeldButtons(widget, buttons);
}

void WidgetManager::ForgetWidget(Widget* widget)
{
    if (mOverWidget == widget)
        LeaveOverWidget();
    if (mLastDownWidget == widget)
    {
        mLastDownWidget = nullptr;
        uint32_t buttons = mDownButtons;
        mDownButtons = 0;
        ReleaseHeldButtons(widget, buttons);
    }
    if (mFocusWidget == widget)
    {
        mFocusWidget = nullptr;
        widget->LostFocus();
    }
    if (mBaseModalWidget == widget)
        mBaseModalWidget = nullptr;
    // No pointer to a removed widget may stay behind.
    if (mKeyboardTarget == widget)
        mKeyboardTarget = nullptr;
    if (mPopupCommandWidget == widget)
        mPopupCommandWidget = nullptr;
}

void WidgetManager::ForgetTree(Widget* root)
{
    // Off the screen: put back by a hook, it is named rightly.
    auto offScreen = [this, root](Widget* widget) {
        return widget != nullptr && (widget == root || root->HasDescendant(widget)) &&
               widget->mManager != this;
    };
    // No hit test finds the subtree any more and SetFocus refuses it: the hooks ForgetWidget
    // runs cannot point at it again, so this ends.
    for (;;)
    {
        Widget* named = nullptr;
        for (Widget* widget : {mOverWidget, mLastDownWidget, mFocusWidget, mBaseModalWidget, mKeyboardTarget,
                               mPopupCommandWidget})
        {
            if (offScreen(widget))
            {
                named = widget;
                break;
            }
        }
        if (named == nullptr)
            return;
        ForgetWidget(named);
    }
}

void WidgetManager::ForgetModalRecords(Widget* widget)
{
    for (PreModalInfo& info : mPreModalInfoList)
    {
        if (info.mPrevBaseModalWidget == widget)
            info.mPrevBaseModalWidget = nullptr;
        if (info.mPrevFocusWidget == widget)
            info.mPrevFocusWidget = nullptr;
    }
}

void WidgetManager::DropPopupCommandWidget()
{
    Widget* popup = mPopupCommandWidget;
    mPopupCommandWidget = nullptr;
    RemoveWidget(popup);
}

void WidgetManager::AddBaseModal(Widget* widget)
{
    AddBaseModal(widget, mDefaultBelowModalFlagsAdd, mDefaultBelowModalFlagsRemove);
}

void WidgetManager::AddBaseModal(Widget* widget, uint32_t belowFlagsAdd, uint32_t belowFlagsRemove)
{
    PreModalInfo info;
    info.mBaseModalWidget = widget;
    info.mPrevBaseModalWidget = mBaseModalWidget;
    info.mPrevFocusWidget = mFocusWidget;
    info.mPrevBelowModalFlagsAdd = mBelowModalFlagsAdd;
    info.mPrevBelowModalFlagsRemove = mBelowModalFlagsRemove;
    mPreModalInfoList.push_back(info);
    SetBaseModal(widget, belowFlagsAdd, belowFlagsRemove);
}

namespace
{

// Depth-first in list order, a widget before its children. True once the answer is known.
bool FindBehind(WidgetContainer* container, Widget* widget, Widget* modal, bool& passedModal, bool& behind)
{
    for (Widget* child : container->mChildren)
    {
        if (child == modal)
        {
            if (child == widget || child->HasDescendant(widget))
            {
                behind = true;
                return true;
            }
            passedModal = true;
            continue;
        }
        if (child == widget)
        {
            behind = !passedModal;
            return true;
        }
        if (FindBehind(child, widget, modal, passedModal, behind))
            return true;
    }
    return false;
}

} // namespace

bool WidgetManager::IsBehindModal(Widget* widget)
{
    if (mBaseModalWidget == nullptr)
        return false;
    bool passedModal = false;
    bool behind = false;
    FindBehind(this, widget, mBaseModalWidget, passedModal, behind);
    return behind;
}

void WidgetManager::SetBaseModal(Widget* widget, uint32_t belowFlagsAdd, uint32_t belowFlagsRemove)
{
    mBaseModalWidget = widget;
    mBelowModalFlagsAdd = belowFlagsAdd;
    mBelowModalFlagsRemove = belowFlagsRemove;
    if (belowFlagsRemove & WIDGETFLAGS_ALLOW_MOUSE)
    {
        if (mOverWidget != nullptr && IsBehindModal(mOverWidget))
            LeaveOverWidget();
        if (mLastDownWidget != nullptr && IsBehindModal(mLastDownWidget))
            ReleaseDownWidget();
    }
    if ((belowFlagsRemove & WIDGETFLAGS_ALLOW_FOCUS) && mFocusWidget != nullptr &&
        IsBehindModal(mFocusWidget))
    {
        Widget* focus = mFocusWidget;
        mFocusWidget = nullptr;
        focus->LostFocus();
    }
}

void WidgetManager::RemoveBaseModal(Widget* widget)
{
    if (mPreModalInfoList.empty() || mPreModalInfoList.back().mBaseModalWidget != widget)
        return;
    while (!mPreModalInfoList.empty())
    {
        PreModalInfo info = mPreModalInfoList.back();
        mPreModalInfoList.pop_back();
        const size_t left = mPreModalInfoList.size();
        SetBaseModal(info.mPrevBaseModalWidget, info.mPrevBelowModalFlagsAdd,
                     info.mPrevBelowModalFlagsRemove);
        // The hooks SetBaseModal ran may have taken the saved focus out of the tree.
        if (mFocusWidget == nullptr && info.mPrevFocusWidget != nullptr &&
            HasDescendant(info.mPrevFocusWidget))
        {
            mFocusWidget = info.mPrevFocusWidget;
            mFocusWidget->GotFocus();
        }
        // A modal that the hooks opened or ended meanwhile owns the records from here.
        if (info.mPrevBaseModalWidget != nullptr || mPreModalInfoList.size() != left)
            break;
    }
}

} // namespace Lumo
