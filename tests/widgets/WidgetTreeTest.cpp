#include "graphics/MemoryImage.h"
#include "tests/widgets/WidgetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Lumo;

namespace
{

struct TreeTest : WidgetFixture
{
    void CleanAll()
    {
        manager.mDirty = false;
        for (auto& w : owned)
            w->mDirty = false;
    }
    std::vector<std::string> Dirty()
    {
        std::vector<std::string> names;
        for (auto& w : owned)
            if (w->mDirty)
                names.push_back(w->mName);
        return names;
    }
    size_t Count(const std::string& line) { return std::count(log.begin(), log.end(), line); }
    // Gives the manager a screen to draw on.
    void UseScreen()
    {
        canvas.Create(200, 100);
        manager.mImage = &canvas;
    }
    MemoryImage canvas;
};

} // namespace

TEST_F(TreeTest, ChildRemovingItselfOrItsNextSiblingDuringUpdate)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* b = Make("b", 0, 0, 10, 10);
    LogWidget* c = Make("c", 0, 0, 10, 10);
    LogWidget* d = Make("d", 0, 0, 10, 10);
    a->mOnUpdate = [&] { manager.RemoveWidget(a); };
    b->mOnUpdate = [&] { manager.RemoveWidget(c); };
    manager.UpdateFrame();
    EXPECT_EQ(log, (Log{"a: update", "b: update", "d: update"}));
    EXPECT_EQ(manager.mChildren, (std::list<Widget*>{b, d}));
    EXPECT_EQ(a->mManager, nullptr);
    EXPECT_EQ(c->mParent, nullptr);
    log.clear();
    b->mOnUpdate = [&] { manager.BringToFront(b); };
    manager.UpdateFrame();
    EXPECT_EQ(log, (Log{"b: update", "d: update"})); // moved to the front, not updated twice
    EXPECT_EQ(manager.mChildren, (std::list<Widget*>{d, b}));
    // A widget that the last child adds is updated in the same tick.
    log.clear();
    b->mOnUpdate = [&] { Make("e", 0, 0, 10, 10); };
    manager.UpdateFrame();
    EXPECT_EQ(log, (Log{"d: update", "b: update", "e: update"}));
}

TEST_F(TreeTest, DetachingAndDrawingWalksLetAHookTakeWidgetsOut)
{
    // A focused child that leaves its container when the container's removal takes its focus.
    LogWidget* box = Make("box", 0, 0, 50, 50);
    LogWidget* focused = Make("f", 0, 0, 5, 5, box);
    LogWidget* other = Make("o", 5, 0, 5, 5, box);
    manager.SetFocus(focused);
    focused->mOnHook = [&](const std::string& hook)
    {
        if (hook == "lostfocus")
            box->RemoveWidget(focused);
    };
    manager.RemoveWidget(box);
    EXPECT_EQ(box->mChildren, (std::list<Widget*>{other}));
    EXPECT_EQ(focused->mParent, nullptr);
    EXPECT_EQ(other->mManager, nullptr);
    EXPECT_EQ(manager.mFocusWidget, nullptr);

    // Widgets that take themselves out while they draw; each walk goes on with the next one.
    MemoryImage screen;
    screen.Create(200, 100);
    manager.mImage = &screen;
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* x = Make("x", 0, 0, 5, 5, a);
    LogWidget* y = Make("y", 0, 0, 5, 5, a);
    LogWidget* b = Make("b", 0, 0, 10, 10);
    LogWidget* c = Make("c", 0, 0, 10, 10);
    auto leaveOnDraw = [](LogWidget* w)
    {
        w->mOnHook = [w](const std::string& hook)
        {
            if (hook == "draw")
                w->mParent->RemoveWidget(w);
        };
    };
    leaveOnDraw(x);
    leaveOnDraw(b);
    log.clear();
    manager.DrawScreen();
    EXPECT_EQ(log, (Log{"a: draw", "x: draw", "y: draw", "b: draw", "c: draw"}));
    EXPECT_EQ(a->mChildren, (std::list<Widget*>{y}));
    EXPECT_EQ(manager.mChildren, (std::list<Widget*>{a, c}));
}

namespace
{
// Counts its detaches; on attach it may take its own parent off the screen.
struct HookedWidget : LogWidget
{
    using LogWidget::LogWidget;
    int mDetaches = 0;
    bool mRemoveParentOnAttach = false;
    void AttachToManager(WidgetManager* manager) override
    {
        LogWidget::AttachToManager(manager);
        if (mRemoveParentOnAttach)
            mParent->mParent->RemoveWidget(static_cast<Widget*>(mParent));
    }
    void DetachFromManager(WidgetManager* manager) override
    {
        ++mDetaches;
        LogWidget::DetachFromManager(manager);
    }
};
} // namespace

TEST_F(TreeTest, RemovalAndAttachHooksThatTakeWidgetsOutFirst)
{
    // Taken out by its own focus loss while being removed: detached once.
    HookedWidget a("a", &log, 0, 0, 10, 10);
    manager.AddWidget(&a);
    manager.SetFocus(&a);
    a.mOnHook = [&](const std::string& hook)
    {
        if (hook == "lostfocus")
            manager.RemoveWidget(&a);
    };
    manager.RemoveWidget(&a);
    EXPECT_EQ(a.mDetaches, 1);
    EXPECT_TRUE(manager.mChildren.empty());

    // A widget whose attach takes its new parent off the screen.
    LogWidget* box = Make("box", 0, 0, 50, 50);
    HookedWidget b("b", &log, 0, 0, 10, 10);
    b.mRemoveParentOnAttach = true;
    box->AddWidget(&b);
    EXPECT_EQ(box->mManager, nullptr);
    EXPECT_EQ(b.mManager, nullptr);
    EXPECT_EQ(b.mDetaches, 1);
    box->RemoveWidget(&b);
}

TEST_F(TreeTest, ReorderingHooksVisitNoChildTwiceInOneWalk)
{
    UseScreen();
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* b = Make("b", 50, 0, 10, 10);
    LogWidget* c = Make("c", 100, 0, 10, 10);
    // a brings itself to the front as it is drawn, b as it is smoothly updated.
    a->mOnHook = [&](const std::string& hook)
    {
        if (hook == "draw")
            manager.BringToFront(a);
    };
    b->mOnHook = [&](const std::string& hook)
    {
        if (hook == "smooth")
            manager.MoveInFrontOf(b, nullptr);
    };
    manager.DrawScreen();
    EXPECT_EQ(Take(), (Log{"a: draw", "b: draw", "c: draw"}));
    manager.UpdateFrameF(0.5f);
    EXPECT_EQ(Take(), (Log{"b: smooth", "c: smooth", "a: smooth"}));
    EXPECT_EQ(manager.mChildren, (std::list<Widget*>{c, a, b}));
}

TEST_F(TreeTest, WhatDrawHooksTakeOffOrPutUpIsPaintedInTheNextFrame)
{
    UseScreen();
    Make("back", 0, 0, 200, 100);
    LogWidget* gone = Make("gone", 100, 0, 10, 10);
    LogWidget* b = Make("b", 0, 0, 10, 10);
    manager.DrawScreen();
    LogWidget* added = nullptr;
    b->mOnHook = [&](const std::string& hook)
    {
        if (hook != "draw" || added != nullptr)
            return;
        manager.RemoveWidget(gone);
        added = Make("added", 150, 50, 10, 10);
    };
    b->MarkDirty();
    Take();
    manager.DrawScreen(); // only b's part of the screen
    EXPECT_EQ(Take(), (Log{"back: draw", "b: draw"}));
    // Where the removed widget was is painted over, and the new one is drawn.
    manager.DrawScreen();
    EXPECT_EQ(Take(), (Log{"back: draw", "b: draw", "added: draw"}));
}

TEST_F(TreeTest, UpdateRunsOncePerManagerTick)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    manager.UpdateFrame();
    ModalFlags flags;
    manager.InitModalFlags(flags);
    a->UpdateAll(flags);
    EXPECT_EQ(Count("a: update"), 1u);
    EXPECT_EQ(a->mUpdateCount, 1);
    manager.UpdateFrame();
    EXPECT_EQ(Count("a: update"), 2u);
}

TEST_F(TreeTest, DetachedWidgetsAreNotUpdatedAndNestedOnesAre)
{
    LogWidget* parent = Make("p", 10, 10, 50, 50);
    Make("child", 5, 5, 10, 10, parent);
    LogWidget loose("loose", &log, 0, 0, 5, 5);
    ModalFlags flags;
    manager.InitModalFlags(flags);
    loose.UpdateAll(flags);
    manager.UpdateFrame();
    EXPECT_EQ(log, (Log{"p: update", "child: update"}));
    EXPECT_EQ(owned[1]->mManager, &manager);
}

TEST_F(TreeTest, IntersectsAndContainsExcludeEdges)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* touching = Make("t", 10, 0, 10, 10);
    LogWidget* overlapping = Make("o", 9, 9, 10, 10);
    EXPECT_FALSE(a->Intersects(touching));
    EXPECT_TRUE(a->Intersects(overlapping));
    EXPECT_TRUE(a->Contains(0, 0));
    EXPECT_TRUE(a->Contains(9, 9));
    EXPECT_FALSE(a->Contains(10, 5));
    EXPECT_FALSE(a->Contains(5, 10));
}

TEST_F(TreeTest, DirtyOpaqueWidgetMarksTheOverlappingOnesInFront)
{
    LogWidget* back = Make("back", 0, 0, 100, 100);
    Make("behind", 0, 0, 20, 20);
    LogWidget* mid = Make("mid", 40, 40, 20, 20);
    Make("front", 50, 50, 20, 20);
    Make("apart", 150, 0, 10, 10);
    Make("hidden", 45, 45, 5, 5)->mVisible = false;
    CleanAll();
    mid->MarkDirty();
    EXPECT_EQ(Dirty(), (std::vector<std::string>{"mid", "front"}));
    EXPECT_TRUE(manager.mDirty);
    (void)back;
}

TEST_F(TreeTest, DirtyAlphaWidgetMarksBehindDownToAnOpaqueCover)
{
    Make("bottom", 0, 0, 200, 100);
    Make("cover", 20, 20, 60, 60);
    Make("glass", 30, 30, 10, 10)->mHasTransparencies = true;
    LogWidget* alpha = Make("alpha", 30, 30, 20, 20);
    alpha->mHasAlpha = true;
    Make("front", 45, 45, 10, 10);
    CleanAll();
    alpha->MarkDirty();
    // cover holds the whole rectangle: nothing behind it is repainted.
    EXPECT_EQ(Dirty(), (std::vector<std::string>{"cover", "glass", "alpha", "front"}));
}

TEST_F(TreeTest, NestedMarksPassUpward)
{
    LogWidget* parent = Make("p", 0, 0, 50, 50);
    LogWidget* child = Make("c", 0, 0, 10, 10, parent);
    Make("front", 40, 40, 20, 20);
    CleanAll();
    child->MarkDirty();
    EXPECT_EQ(Dirty(), (std::vector<std::string>{"p", "c", "front"}));
}

TEST_F(TreeTest, HitTestingFindsFrontMostAndDescendantsFirst)
{
    LogWidget* back = Make("back", 0, 0, 100, 100);
    LogWidget* inner = Make("inner", 10, 10, 20, 20, back);
    LogWidget* front = Make("front", 50, 50, 30, 30);
    int lx = 0, ly = 0;
    EXPECT_EQ(manager.GetWidgetAt(15, 12, &lx, &ly), inner);
    EXPECT_EQ(LogWidget::Pos(lx, ly), "5,2");
    EXPECT_EQ(manager.GetWidgetAt(60, 60, &lx, &ly), front);
    EXPECT_EQ(manager.GetWidgetAt(5, 5, &lx, &ly), back);
    EXPECT_EQ(manager.GetWidgetAt(150, 5, &lx, &ly), nullptr);
    front->mMouseInsets = Insets(5, 5, 5, 5);
    EXPECT_EQ(manager.GetWidgetAt(52, 52, &lx, &ly), back);
    front->mMouseVisible = false;
    EXPECT_EQ(manager.GetWidgetAt(60, 60, nullptr, nullptr), back);
    back->SetVisible(false);
    EXPECT_EQ(manager.GetWidgetAt(15, 12, nullptr, nullptr), nullptr);
}

TEST_F(TreeTest, ClickCountsMapToButtons)
{
    LogWidget* w = Make("w", 0, 0, 10, 10);
    w->MouseDown(1, 2, 2);
    w->MouseDown(1, 2, -2);
    w->MouseDown(1, 2, 3);
    w->MouseUp(1, 2, -1);
    EXPECT_EQ(log, (Log{"w: down 1,2 b0 n2", "w: down 1,2 b1 n2", "w: down 1,2 b2 n1", "w: up 1,2 b1 n1"}));
}

TEST_F(TreeTest, Colours)
{
    LogWidget* w = Make("w", 0, 0, 10, 10);
    w->SetColor(5, Color(1, 2, 3));
    EXPECT_EQ(w->mColors.size(), 6u);
    EXPECT_EQ(w->GetColor(5), Color(1, 2, 3));
    EXPECT_EQ(&w->GetColor(9), &w->GetColor(-1));
    EXPECT_EQ(w->GetColor(9), Color());
    EXPECT_EQ(w->GetColorOr(9, Color(7, 7, 7)), Color(7, 7, 7));
    const int rgb[2][3] = {{10, 20, 30}, {40, 50, 60}};
    w->SetColorsRGB(rgb, 2);
    EXPECT_EQ(w->mColors.size(), 2u);
    EXPECT_EQ(w->GetColor(1), Color(40, 50, 60, 255));
    const int rgba[1][4] = {{1, 2, 3, 4}};
    w->SetColorsRGBA(rgba, 1);
    EXPECT_EQ(w->GetColor(0), Color(1, 2, 3, 4));
}

TEST_F(TreeTest, OrderOperations)
{
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* b = Make("b", 0, 0, 10, 10);
    LogWidget* c = Make("c", 0, 0, 10, 10);
    manager.MoveInFrontOf(a, b);
    EXPECT_EQ(manager.mChildren, (std::list<Widget*>{b, a, c}));
    manager.MoveInFrontOf(b, nullptr);
    EXPECT_EQ(manager.mChildren, (std::list<Widget*>{a, c, b}));
    manager.BringToFront(a);
    EXPECT_EQ(manager.mChildren, (std::list<Widget*>{c, b, a}));
    manager.AddWidget(a);
    EXPECT_EQ(manager.mChildren.size(), 3u);
    LogWidget* inner = Make("inner", 1, 2, 3, 3, c);
    EXPECT_TRUE(manager.HasDescendant(inner));
    EXPECT_FALSE(a->HasDescendant(inner));
    int x = 0, y = 0;
    c->Move(10, 20);
    inner->GetAbsolutePosition(&x, &y);
    EXPECT_EQ(LogWidget::Pos(x, y), "11,22");
}

TEST_F(TreeTest, RemoveAllChildrenDeletesWhenAsked)
{
    auto* parent = new LogWidget("p", &log, 0, 0, 10, 10);
    manager.AddWidget(parent);
    parent->AddWidget(new LogWidget("x", &log, 0, 0, 5, 5));
    parent->AddWidget(new LogWidget("y", &log, 0, 0, 5, 5));
    manager.RemoveAllChildren(true, true); // ASan checks that each was deleted once
    EXPECT_TRUE(manager.mChildren.empty());
}

TEST_F(TreeTest, DrawScreenDrawsOnlyDirtyTopLevelWidgets)
{
    MemoryImage screen;
    screen.Create(200, 100);
    manager.mImage = &screen;
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* b = Make("b", 50, 0, 10, 10);
    Make("bc", 1, 1, 3, 3, b);
    EXPECT_TRUE(manager.DrawScreen());
    EXPECT_EQ(log, (Log{"a: draw", "b: draw", "bc: draw"}));
    log.clear();
    host.mLog.clear();
    EXPECT_FALSE(manager.DrawScreen());
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(host.mLog, (Log{"lock", "unlock"}));
    a->MarkDirty();
    EXPECT_TRUE(manager.DrawScreen());
    EXPECT_EQ(log, (Log{"a: draw"}));
    EXPECT_FALSE(a->mDirty);
}

TEST_F(TreeTest, DeferredOverlaysDrawInPriorityOrder)
{
    MemoryImage screen;
    screen.Create(200, 100);
    Graphics g(&screen);
    LogWidget* a = Make("a", 0, 0, 10, 10);
    LogWidget* b = Make("b", 0, 0, 10, 10);
    manager.mCurrentGraphics = &g;
    manager.mDeferredOverlays = {{a, 5}, {b, 2}};
    manager.mMinDeferredPriority = 2;
    manager.FlushDeferredOverlays(3);
    EXPECT_EQ(log, (Log{"b: overlay"}));
    EXPECT_EQ(manager.mMinDeferredPriority, 5);
    manager.FlushDeferredOverlays(INT_MAX);
    EXPECT_EQ(log, (Log{"b: overlay", "a: overlay"}));
    EXPECT_TRUE(manager.mDeferredOverlays.empty());
    // An overlay that queues others as it draws: they are drawn in the same flush.
    b->mOnHook = [&](const std::string& hook)
    {
        if (hook == "overlay" && manager.mDeferredOverlays.size() < 8)
            manager.mDeferredOverlays.insert(manager.mDeferredOverlays.end(), 4, {a, 1});
    };
    log.clear();
    manager.mDeferredOverlays = {{b, 1}, {a, 2}};
    manager.mMinDeferredPriority = 1;
    manager.FlushDeferredOverlays(INT_MAX);
    EXPECT_EQ(log, (Log{"b: overlay", "a: overlay", "a: overlay", "a: overlay", "a: overlay", "a: overlay"}));
    manager.mCurrentGraphics = nullptr;
}

TEST_F(TreeTest, CentredLinesAndDigitStrips)
{
    MemoryImage screen;
    screen.Create(100, 20);
    Graphics g(&screen);
    LogWidget* w = Make("w", 0, 0, 100, 20);
    EXPECT_EQ(w->DrawCenteredLine(&g, 10, "abc"), Rect()); // no font: nothing drawn
    FakeFont font(&log);
    g.SetFont(&font);
    EXPECT_EQ(w->DrawCenteredLine(&g, 10, "abcd"), Rect(38, 2, 24, 10));
    EXPECT_EQ(w->DrawCenteredLineOutlined(&g, 10, "ab", Color(200, 0, 0), Color(9, 0, 0), -2, 3),
              Rect(42, 2, 14, 13));
    EXPECT_EQ(log, (Log{"text abcd 38,10 0", "text ab 42,13 9", "text ab 44,10 200"}));

    EXPECT_EQ(w->CountDecimalDigits(0), 1);
    EXPECT_EQ(w->CountDecimalDigits(-55), 1);
    EXPECT_EQ(w->CountDecimalDigits(10), 2);
    EXPECT_EQ(w->CountDecimalDigits(2147483647), 10);

    // Strip of ten 2x1 cells; digit d is blue 20 * d (blits may round a step down).
    MemoryImage strip;
    std::vector<uint32_t> bits(20);
    for (int i = 0; i < 20; ++i)
        bits[i] = 0xFF000000u | uint32_t(i / 2 * 20);
    strip.SetBits(bits.data(), 20, 1, true);
    w->DrawNumberFromDigitStrip(&g, 907, 10, 5, &strip, 1);
    const uint32_t* px = screen.GetBits() + 5 * 100;
    auto digit = [](uint32_t p) { return ((p & 0xFF) + 10) / 20; };
    EXPECT_EQ(digit(px[10]), 9u);
    EXPECT_EQ(digit(px[11]), 9u);
    EXPECT_EQ(px[12], 0u); // spacing
    EXPECT_EQ(digit(px[13]), 0u);
    EXPECT_EQ(px[13] >> 24, 0xFFu);
    EXPECT_EQ(digit(px[16]), 7u);
    EXPECT_EQ(px[18], 0u);
}

namespace
{

// Paints far beyond its own rectangle and records the fraction of smooth updates.
class FillWidget : public LogWidget
{
public:
    using LogWidget::LogWidget;
    float mFraction = -1;
    void Draw(Graphics* g) override
    {
        g->SetColor(Color(255, 0, 0));
        g->FillRect(-50, -50, 500, 500);
    }
    void UpdateSmooth(float fraction) override { mFraction = fraction; }
};

} // namespace

namespace
{

// Fills its rectangle with one colour; covers it when told so.
struct Fill : LogWidget
{
    Color mColor;
    bool mCover = false;
    Fill(const std::string& name, Log* log, int x, int y, int w, int h, Color color)
        : LogWidget(name, log, x, y, w, h), mColor(color)
    {
    }
    void Draw(Graphics* g) override
    {
        g->SetColor(mColor);
        g->FillRect(0, 0, mWidth, mHeight);
        Add("draw");
    }
    bool CoversItsRect() const override { return mCover; }
};

// The widgets, in this order, on a screen picture of 200x100.
void Show(WidgetManager& manager, MemoryImage& screen, std::initializer_list<Fill*> widgets)
{
    screen.Create(200, 100);
    manager.mImage = &screen;
    for (Fill* w : widgets)
        manager.AddWidget(w);
}

// The widgets drawn one after the other, each over the whole of its rectangle.
std::vector<uint32_t> EachDrawnWhole(const std::vector<Fill*>& widgets)
{
    MemoryImage picture;
    picture.Create(200, 100);
    Graphics g(&picture);
    for (Fill* w : widgets)
    {
        Graphics moved(g);
        moved.ClipRect(w->mX, w->mY, w->mWidth, w->mHeight);
        moved.Translate(w->mX, w->mY);
        w->Draw(&moved);
    }
    return std::vector<uint32_t>(picture.GetBits(), picture.GetBits() + 200 * 100);
}

} // namespace

TEST_F(TreeTest, ATranslucentWidgetBlendsOnceWhateverWasRedrawn)
{
    MemoryImage screen;
    Fill back("", &log, 0, 0, 200, 100, Color(200, 200, 200));
    Fill neighbour("", &log, 0, 0, 50, 50, Color(0, 0, 255));
    Fill veil("", &log, 40, 40, 40, 40, Color(0, 0, 0, 128)); // no flag says it is translucent
    Show(manager, screen, {&back, &neighbour, &veil});
    manager.DrawScreen();
    const uint32_t* over = screen.GetBits() + 70 * 200 + 70;
    const uint32_t once = *over;
    EXPECT_EQ(once & 0xFF, 100u); // grey 200 under half black
    for (Fill* dirty : {&neighbour, &veil, &back})
    {
        dirty->MarkDirty();
        EXPECT_TRUE(manager.DrawScreen());
        EXPECT_EQ(*over, once);
    }
    manager.RemoveAllChildren(false, false);
}

TEST_F(TreeTest, NothingIsDrawnUnderAWidgetThatCoversItsRectangle)
{
    MemoryImage screen;
    Fill back("back", &log, 0, 0, 200, 100, Color(200, 200, 200));
    Fill hidden("hidden", &log, 60, 30, 20, 20, Color(255, 0, 0));
    Fill cover("cover", &log, 50, 20, 100, 60, Color(0, 0, 255));
    Fill veil("veil", &log, 140, 10, 40, 40, Color(0, 0, 0, 128)); // over the cover's edge
    cover.mCover = true;
    Show(manager, screen, {&back, &hidden, &cover, &veil});
    manager.DrawScreen();
    EXPECT_EQ(Count("hidden: draw"), 0u);
    EXPECT_EQ(std::vector<uint32_t>(screen.GetBits(), screen.GetBits() + 200 * 100),
              EachDrawnWhole({&back, &hidden, &cover, &veil}));

    // A cover that goes while the widgets under it draw: they are drawn whole after all.
    back.mOnHook = [&](const std::string& hook)
    {
        if (hook == "draw" && cover.mParent != nullptr)
            manager.RemoveWidget(&cover);
    };
    manager.MarkTreeDirty();
    log.clear();
    manager.DrawScreen();
    EXPECT_EQ(Count("hidden: draw"), 1u);
    back.mOnHook = nullptr;
    EXPECT_EQ(std::vector<uint32_t>(screen.GetBits(), screen.GetBits() + 200 * 100),
              EachDrawnWhole({&back, &hidden, &veil}));
    manager.RemoveAllChildren(false, false);
}

TEST_F(TreeTest, DrawClipsToTheWidgetUnlessToldNot)
{
    MemoryImage screen;
    screen.Create(200, 100);
    manager.mImage = &screen;
    FillWidget fill("f", &log, 20, 10, 10, 10);
    manager.AddWidget(&fill);
    manager.DrawScreen();
    const uint32_t* px = screen.GetBits();
    EXPECT_EQ(px[10 * 200 + 20], 0xFFFF0000u);
    EXPECT_EQ(px[19 * 200 + 29], 0xFFFF0000u);
    EXPECT_EQ(px[10 * 200 + 30], 0u);
    EXPECT_EQ(px[9 * 200 + 20], 0u);
    fill.mClip = false;
    fill.MarkDirty();
    manager.DrawScreen();
    EXPECT_EQ(px[0], 0xFFFF0000u);
    manager.RemoveWidget(&fill);
}

TEST_F(TreeTest, FlagMasksReachTheWholeSubtree)
{
    LogWidget* parent = Make("p", 0, 0, 50, 50);
    Make("c", 0, 0, 10, 10, parent);
    Make("other", 60, 0, 10, 10);
    parent->mWidgetFlagsRemove = WIDGETFLAGS_UPDATE;
    manager.UpdateFrame();
    EXPECT_EQ(Take(), (Log{"other: update"}));
    parent->mWidgetFlagsRemove = 0;
    manager.mWidgetFlags |= WIDGETFLAGS_MARK_DIRTY;
    CleanAll();
    manager.UpdateFrame();
    EXPECT_EQ(Dirty(), (std::vector<std::string>{"p", "c", "other"}));
}

TEST_F(TreeTest, SmoothUpdatesCarryTheFraction)
{
    FillWidget fill("f", &log, 0, 0, 10, 10);
    manager.AddWidget(&fill);
    manager.UpdateFrameF(0.25f);
    EXPECT_EQ(fill.mFraction, 0.25f);
    EXPECT_TRUE(Take().empty()); // no logic update
    manager.RemoveWidget(&fill);
}

TEST_F(TreeTest, WrittenTextSwitchesColourCodesOnForTheCall)
{
    MemoryImage screen;
    screen.Create(100, 40);
    Graphics g(&screen);
    FakeFont font(&log);
    g.SetFont(&font);
    g.mWriteColoredString = false;
    LogWidget* w = Make("w", 0, 0, 100, 40);
    EXPECT_EQ(w->WriteString(&g, "abc", 0, 10, 100, -1), 18);
    EXPECT_FALSE(g.mWriteColoredString);
    EXPECT_GT(w->WriteWordWrapped(&g, Rect(0, 0, 13, 40), "aa bb", -1, -1), 0);
    EXPECT_FALSE(g.mWriteColoredString);
    EXPECT_EQ(w->WrappedTextHeight(&g, 13, "aa bb", 12), w->WrappedTextHeight(&g, 1000, "aa bb", 12) + 12);
}
