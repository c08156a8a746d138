// An on-screen element: position, size, visibility, focus, colours and the
// input, update and drawing hooks that buttons, dialogs and the game override.
#pragma once

#include "graphics/Color.h"
#include "widgets/WidgetContainer.h"

#include <string>
#include <vector>

namespace Lumo
{

class Font;
class Image;
class LumoAppBase;

class Widget : public WidgetContainer
{
public:
    bool mVisible = true;
    bool mMouseVisible = true;
    bool mDisabled = false;
    bool mHasFocus = false;
    bool mIsDown = false;
    bool mIsOver = false;
    bool mHasTransparencies = false;
    std::vector<Color> mColors;
    Insets mMouseInsets;
    bool mDoHandCursor = false;
    bool mWantsFocus = false;
    Widget* mTabPrev = nullptr;
    Widget* mTabNext = nullptr;

    Widget() = default;
    // A widget deleted while in the tree leaves it first, so that nothing keeps it.
    ~Widget() override;

    virtual void OrderInManagerChanged() {}
    virtual void SetVisible(bool visible);
    virtual void SetColorsRGBA(const int (*colors)[4], int count);
    virtual void SetColorsRGB(const int (*colors)[3], int count);
    virtual void SetColor(int index, const Color& color);
    virtual Color GetColorOr(int index, const Color& defaultColor);
    virtual const Color& GetColor(int index);
    virtual void SetDisabled(bool disabled);
    virtual void ShowHandCursor(bool show);
    virtual void ResizeRect(const Rect& rect);
    virtual void Resize(int x, int y, int width, int height);
    virtual void Move(int x, int y);
    virtual bool WantsFocus();
    virtual void DrawOverlay(Graphics* g) {}
    virtual void GotFocus();
    virtual void LostFocus();
    virtual void KeyChar(char c) {}
    virtual void KeyDown(int key);
    virtual void KeyUp(int key) {}
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void MouseMove(int x, int y) {}
    virtual void MouseDownButton(int x, int y, int button, int clickCount) {}
    virtual void MouseDown(int x, int y, int clickCount);
    virtual void MouseUpButton(int x, int y, int button, int clickCount) {}
    virtual void MouseUp(int x, int y, int clickCount);
    virtual void MouseUpAt(int x, int y) {}
    virtual void MouseDrag(int x, int y) {}
    virtual void MouseWheel(int delta) {}
    virtual bool HitTestPoint(int x, int y) { return true; }
    // Whether every draw paints the whole rectangle without reading what lies under it: the
    // manager then draws nothing under it.
    virtual bool CoversItsRect() const { return false; }
    virtual Rect DrawCenteredLineOutlined(Graphics* g, int y, const std::string& text, Color main,
                                          Color shadow, int offsetX, int offsetY);
    virtual Rect DrawCenteredLine(Graphics* g, int y, const std::string& text);
    virtual int WriteString(Graphics* g, const std::string& text, int x, int y, int width, int justification,
                            bool draw = true, int offset = 0, int length = -1);
    virtual int WriteWordWrapped(Graphics* g, const Rect& rect, const std::string& text, int lineSpacing,
                                 int justification);
    virtual int WrappedTextHeight(Graphics* g, int width, const std::string& text, int lineSpacing);
    virtual int CountDecimalDigits(int n);
    virtual void DrawNumberFromDigitStrip(Graphics* g, int number, int x, int y, Image* strip, int spacing);
    virtual bool Contains(int x, int y);
    virtual Rect GetMouseRect();

protected:
    // Out of its parent and, when it is the topmost modal widget, off the modal stack.
    void LeaveTree();
    // The manager's application, or the running one while the widget is in no manager.
    LumoAppBase* App() const;
    // A system font for default texts, owned by the caller: the application's, or one made
    // directly when there is no application at all.
    Font* CreateDefaultFont(const std::string& face, int pointSize, int style) const;

private:
    // Button and click count as MouseDownButton and MouseUpButton take them.
    static void MapClickCount(int clickCount, int* button, int* count);
};

} // namespace Lumo
