// Stand-ins for the application, a measurable font and a widget that logs its calls.
#pragma once

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "widgets/Widget.h"
#include "app/LumoAppBase.h"
#include "widgets/WidgetManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using Log = std::vector<std::string>;

// Every glyph 6 wide, ascent 8, height 10; drawing is logged, not painted.
class FakeFont : public Lumo::Font
{
public:
    Log* mLog;
    explicit FakeFont(Log* log) : mLog(log)
    {
        mAscent = 8;
        mHeight = 10;
    }
    int StringWidth(const std::string& text) override { return 6 * int(text.size()); }
    void DrawString(Lumo::Graphics* g, int x, int y, const std::string& text, const Lumo::Color& color,
                    const Lumo::Rect&) override
    {
        mLog->push_back("text " + text + " " + std::to_string(x + int(g->mTransX)) + "," +
                        std::to_string(y + int(g->mTransY)) + " " + std::to_string(color.mRed));
    }
    Lumo::Font* Duplicate() override { return new FakeFont(*this); }
};

class TestHost : public Lumo::LumoAppBase
{
public:
    Log mLog;
    bool m3D = false;
    int mFontsMade = 0;
    void SetCursorNum(int n) override { mLog.push_back("cursor " + std::to_string(n)); }
    bool Is3DEnabled() override { return m3D; }
    bool BeginScreenDraw(Lumo::Image*) override
    {
        mLog.push_back("lock");
        return true;
    }
    void EndScreenDraw(Lumo::Image*) override { mLog.push_back("unlock"); }
    Lumo::Font* CreateSysFont(const std::string& face, int size, int style) override
    {
        ++mFontsMade;
        mLog.push_back("font " + face + " " + std::to_string(size) + " " + std::to_string(style));
        return new FakeFont(&mLog);
    }
};

// Logs every hook as "name: call args".
class LogWidget : public Lumo::Widget
{
public:
    std::string mName;
    Log* mLog;
    std::function<void()> mOnUpdate;
    // Called after each logged hook with its text ("draw", "lostfocus", ...).
    std::function<void(const std::string&)> mOnHook;

    LogWidget(const std::string& name, Log* log, int x, int y, int w, int h) : mName(name), mLog(log)
    {
        mX = x;
        mY = y;
        mWidth = w;
        mHeight = h;
    }
    void Add(const std::string& text)
    {
        mLog->push_back(mName + ": " + text);
        if (mOnHook)
            mOnHook(text);
    }
    static std::string Pos(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

    void Update() override
    {
        Widget::Update();
        Add("update");
        if (mOnUpdate)
            mOnUpdate();
    }
    void UpdateSmooth(float) override { Add("smooth"); }
    void Draw(Lumo::Graphics*) override { Add("draw"); }
    void DrawOverlay(Lumo::Graphics*) override { Add("overlay"); }
    void GotFocus() override
    {
        Widget::GotFocus();
        Add("gotfocus");
    }
    void LostFocus() override
    {
        Widget::LostFocus();
        Add("lostfocus");
    }
    void KeyChar(char c) override { Add("char " + std::to_string(int(c))); }
    void KeyDown(int key) override
    {
        Widget::KeyDown(key);
        Add("keydown " + std::to_string(key));
    }
    void KeyUp(int key) override { Add("keyup " + std::to_string(key)); }
    void MouseEnter() override { Add("enter"); }
    void MouseLeave() override { Add("leave"); }
    void MouseMove(int x, int y) override { Add("move " + Pos(x, y)); }
    void MouseDownButton(int x, int y, int button, int count) override
    {
        Add("down " + Pos(x, y) + " b" + std::to_string(button) + " n" + std::to_string(count));
    }
    void MouseUpButton(int x, int y, int button, int count) override
    {
        Add("up " + Pos(x, y) + " b" + std::to_string(button) + " n" + std::to_string(count));
    }
    void MouseDrag(int x, int y) override { Add("drag " + Pos(x, y)); }
    void MouseWheel(int delta) override { Add("wheel " + std::to_string(delta)); }
};

// A manager on a test host and widgets that log into one list.
struct WidgetFixture : ::testing::Test
{
    TestHost host;
    Lumo::WidgetManager manager{&host};
    Log log;
    std::vector<std::unique_ptr<LogWidget>> owned;

    WidgetFixture() { manager.SetSize(200, 100); }
    LogWidget* Make(const std::string& name, int x, int y, int w, int h,
                    Lumo::WidgetContainer* parent = nullptr)
    {
        owned.push_back(std::make_unique<LogWidget>(name, &log, x, y, w, h));
        (parent ? parent : &manager)->AddWidget(owned.back().get());
        return owned.back().get();
    }
    Log Take()
    {
        Log taken;
        taken.swap(log);
        return taken;
    }
};
