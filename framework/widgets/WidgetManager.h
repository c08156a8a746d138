// The root of the widget tree and the one place where input enters it: tracks
// the widget under the pointer, the one holding a pressed button, the keyboard
// focus and the stack of modal widgets, and drives update and drawing.
#pragma once

#include "widgets/WidgetContainer.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <list>
#include <utility>
#include <vector>

namespace Lumo
{

class Graphics;
class Image;
class Widget;
class LumoAppBase;

struct PreModalInfo
{
    Widget* mBaseModalWidget = nullptr;
    Widget* mPrevBaseModalWidget = nullptr;
    Widget* mPrevFocusWidget = nullptr;
    uint32_t mPrevBelowModalFlagsAdd = 0;
    uint32_t mPrevBelowModalFlagsRemove = 0;
};

class WidgetManager : public WidgetContainer
{
public:
    static constexpr uint32_t kDefaultWidgetFlags = WIDGETFLAGS_UPDATE | WIDGETFLAGS_DRAW | WIDGETFLAGS_CLIP |
                                                    WIDGETFLAGS_ALLOW_MOUSE | WIDGETFLAGS_ALLOW_FOCUS;

    Widget* mKeyboardTarget = nullptr; // gets the Tab typed while Ctrl is held
    Graphics* mCurrentGraphics = nullptr;
    LumoAppBase* mApp = nullptr;
    Image* mImage = nullptr;
    Widget* mPopupCommandWidget = nullptr;
    std::vector<std::pair<Widget*, int>> mDeferredOverlays;
    int mMinDeferredPriority = INT_MAX;
    bool mHasFocus = true;
    Widget* mFocusWidget = nullptr;
    Widget* mLastDownWidget = nullptr;
    Widget* mOverWidget = nullptr;
    Widget* mBaseModalWidget = nullptr;
    uint32_t mLostFocusFlagsAdd = 0;
    uint32_t mLostFocusFlagsRemove = 0;
    uint32_t mBelowModalFlagsAdd = 0;
    uint32_t mBelowModalFlagsRemove = 0;
    uint32_t mDefaultBelowModalFlagsAdd = 0;
    uint32_t mDefaultBelowModalFlagsRemove = WIDGETFLAGS_ALLOW_MOUSE | WIDGETFLAGS_ALLOW_FOCUS;
    std::list<PreModalInfo> mPreModalInfoList;
    bool mMouseIn = false;
    int mLastMouseX = 0;
    int mLastMouseY = 0;
    uint32_t mDownButtons = 0;       // buttons pressed on mLastDownWidget: 1 left, 2 right, 4 middle
    uint32_t mActualDownButtons = 0; // the physical buttons
    int mLastInputUpdateCount = 0;
    bool mKeyDown[255] = {};
    int mLastDownButtonId = 0;
    uint32_t mWidgetFlags = kDefaultWidgetFlags;

    // The input, update and draw entries are virtual so that a test can watch what reaches them.
    explicit WidgetManager(LumoAppBase* app);
    // Widgets that outlive the manager are left without it.
    ~WidgetManager() override;

    void SetSize(int width, int height);
    void InitModalFlags(ModalFlags& flags);
    uint32_t GetWidgetFlags();
    virtual bool UpdateFrame();
    virtual bool UpdateFrameF(float fraction);
    virtual bool DrawScreen();
    void FlushDeferredOverlays(int maxPriority);

    virtual bool MouseMove(int x, int y);
    bool MouseDrag(int x, int y);
    virtual bool MouseDown(int x, int y, int clickCount);
    virtual bool MouseUp(int x, int y, int clickCount);
    virtual bool MouseExit();
    virtual bool MouseWheel(int delta);
    virtual bool KeyChar(char c);
    virtual bool KeyDown(int key);
    virtual bool KeyUp(int key);
    virtual void GotFocus();
    virtual void LostFocus();

    void SetFocus(Widget* widget);
    void MousePosition(int x, int y);
    void RecheckMouse();
    void EnterWidget(Widget* widget);
    void LeaveWidget(Widget* widget);
    Widget* GetWidgetAt(int x, int y, int* localX, int* localY);
    void ReleaseDownWidget();
    void ForgetWidget(Widget* widget);
    // Forgets every widget of a subtree that has left the screen which the manager still names.
    void ForgetTree(Widget* root);
    void DropPopupCommandWidget();
    // Clears the widget from every saved modal record (previous base modal, previous focus).
    void ForgetModalRecords(Widget* widget);

    void AddBaseModal(Widget* widget);
    void AddBaseModal(Widget* widget, uint32_t belowFlagsAdd, uint32_t belowFlagsRemove);
    void SetBaseModal(Widget* widget, uint32_t belowFlagsAdd, uint32_t belowFlagsRemove);
    void RemoveBaseModal(Widget* widget);

private:
    // Kept between draws so that a frame allocates none of them once warm.
    std::vector<std::pair<Widget*, Rect>> mCovers;
    std::vector<Rect> mPieces, mCut;

    // The parts of the screen to paint again: the dirty top-level widgets' rectangles, those
    // that overlap merged into one.
    std::vector<Rect> DirtyArea();
    // Paints a part of the screen again, each widget only where none drawn after it that covers
    // its rectangle (Widget::CoversItsRect) lies, when `withCovers`; adds to `drawn` whether
    // any was drawn. False when the covers did not all draw as found: the part is then to be
    // painted again without them.
    bool DrawPart(Graphics& g, const Rect& part, bool is3D, bool withCovers, bool& drawn);
    // mCovers: the visible, drawn widgets that cover their rectangles, with what they cover of
    // the part, in drawing order (none unless `withCovers`).
    void FindCovers(const Rect& part, bool withCovers);
    // mPieces: the part less what the covers from `firstCover` on cover.
    void Uncovered(const Rect& part, std::size_t firstCover);
    static uint32_t EffectiveFlags(const ModalFlags& flags, const Widget* child);
    // Whether the widget's drawing stays inside its rectangle under these flags.
    bool ClipsToItself(const ModalFlags& flags, const Widget* child) const;
    static uint32_t ButtonBit(int clickCount);
    Widget* EnabledWidgetAt(int x, int y, int* localX, int* localY);
    void ReleaseHeldButtons(Widget* widget, uint32_t buttons);
    void LeaveOverWidget();
    // Whether the widget lies behind the base modal widget (or in its subtree).
    bool IsBehindModal(Widget* widget);
    bool NoteInput();
};

} // namespace Lumo
