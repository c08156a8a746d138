#include "widgets/Widget.h"

#include "graphics/Font.h"
#include "graphics/Graphics.h"
#include "graphics/Image.h"
#include "app/Cursors.h"
#include "app/LumoAppBase.h"
#include "text/SysFont.h"
#include "widgets/WidgetManager.h"

#include <algorithm>
#include <cstdlib>

namespace Lumo
{

namespace
{

const int kKeyTab = 0x09;
const int kKeyShift = 0x10;

} // namespace

Widget::~Widget()
{
    LeaveTree();
}

void Widget::LeaveTree()
{
    if (mParent == nullptr)
        return;
    WidgetManager* manager = mManager;
    mParent->RemoveWidget(this);
    if (manager != nullptr)
        manager->RemoveBaseModal(this);
}

void Widget::SetVisible(bool visible)
{
    if (mVisible == visible)
        return;
    mVisible = visible;
    if (visible)
        MarkDirty();
    else
        MarkDirtyAndBelow();
    if (mManager != nullptr)
        mManager->RecheckMouse();
}

void Widget::SetColorsRGBA(const int (*colors)[4], int count)
{
    mColors.clear();
    for (int i = 0; i < count; ++i)
        SetColor(i, Color(colors[i][0], colors[i][1], colors[i][2], colors[i][3]));
    MarkDirty();
}

void Widget::SetColorsRGB(const int (*colors)[3], int count)
{
    mColors.clear();
    for (int i = 0; i < count; ++i)
        SetColor(i, Color(colors[i][0], colors[i][1], colors[i][2], 255));
    MarkDirty();
}

void Widget::SetColor(int index, const Color& color)
{
    if (index < 0)
        return;
    if (static_cast<int>(mColors.size()) <= index)
        mColors.resize(index + 1);
    mColors[index] = color;
    MarkDirty();
}

Color Widget::GetColorOr(int index, const Color& defaultColor)
{
    if (index < 0 || index >= static_cast<int>(mColors.size()))
        return defaultColor;
    return mColors[index];
}

const Color& Widget::GetColor(int index)
{
    static const Color defaultColor;
    if (index < 0 || index >= static_cast<int>(mColors.size()))
        return defaultColor;
    return mColors[index];
}

void Widget::SetDisabled(bool disabled)
{
    if (mDisabled == disabled)
        return;
    mDisabled = disabled;
    if (disabled && mManager != nullptr)
        mManager->ForgetWidget(this);
    MarkDirty();
    if (!disabled && mManager != nullptr && Contains(mManager->mLastMouseX, mManager->mLastMouseY))
        mManager->MousePosition(mManager->mLastMouseX, mManager->mLastMouseY);
}

LumoAppBase* Widget::App() const
{
    if (mManager != nullptr && mManager->mApp != nullptr)
        return mManager->mApp;
    return gLumoAppBase;
}

Font* Widget::CreateDefaultFont(const std::string& face, int pointSize, int style) const
{
    if (LumoAppBase* app = App())
        return app->CreateSysFont(face, pointSize, style);
    return new SysFont(nullptr, face, pointSize, style);
}

void Widget::ShowHandCursor(bool show)
{
    if (mManager != nullptr && mManager->mApp != nullptr)
        mManager->mApp->SetCursorNum(show ? CURSOR_HAND : CURSOR_POINTER);
}

void Widget::ResizeRect(const Rect& rect)
{
    Resize(rect.mX, rect.mY, rect.mWidth, rect.mHeight);
}

void Widget::Resize(int x, int y, int width, int height)
{
    if (mX == x && mY == y && mWidth == width && mHeight == height)
        return;
    MarkDirtyAndBelow();
    mX = x;
    mY = y;
    mWidth = width;
    mHeight = height;
    MarkDirty();
    if (mManager != nullptr)
        mManager->RecheckMouse();
}

void Widget::Move(int x, int y)
{
    Resize(x, y, mWidth, mHeight);
}

bool Widget::WantsFocus()
{
    return mWantsFocus;
}

void Widget::GotFocus()
{
    mHasFocus = true;
}

void Widget::LostFocus()
{
    mHasFocus = false;
}

void Widget::KeyDown(int key)
{
    if (key != kKeyTab || mManager == nullptr)
        return;
    Widget* target = mManager->mKeyDown[kKeyShift] ? mTabPrev : mTabNext;
    if (target != nullptr)
        mManager->SetFocus(target);
}

void Widget::MapClickCount(int clickCount, int* button, int* count)
{
    if (clickCount == 3)
    {
        *button = 2;
        *count = 1;
    }
    else if (clickCount >= 0)
    {
        *button = 0;
        *count = clickCount;
    }
    else
    {
        *button = 1;
        *count = -clickCount;
    }
}

void Widget::MouseDown(int x, int y, int clickCount)
{
    int button = 0;
    int count = 0;
    MapClickCount(clickCount, &button, &count);
    MouseDownButton(x, y, button, count);
}

void Widget::MouseUp(int x, int y, int clickCount)
{
    MouseUpAt(x, y);
    int button = 0;
    int count = 0;
    MapClickCount(clickCount, &button, &count);
    MouseUpButton(x, y, button, count);
}

Rect Widget::DrawCenteredLine(Graphics* g, int y, const std::string& text)
{
    Font* font = g->GetFont();
    if (font == nullptr)
        return Rect();
    int width = font->StringWidth(text);
    int x = (mWidth - width) / 2;
    g->DrawString(text, x, y);
    return Rect(x, y - font->GetAscent(), width, font->GetHeight());
}

Rect Widget::DrawCenteredLineOutlined(Graphics* g, int y, const std::string& text, Color main, Color shadow,
                                      int offsetX, int offsetY)
{
    Font* font = g->GetFont();
    if (font == nullptr)
        return Rect();
    int width = font->StringWidth(text);
    int x = (mWidth - width) / 2;
    g->SetColor(shadow);
    g->DrawString(text, x + offsetX, y + offsetY);
    g->SetColor(main);
    g->DrawString(text, x, y);
    return Rect(x + std::min(offsetX, 0), y + std::min(offsetY, 0) - font->GetAscent(),
                width + std::abs(offsetX), font->GetHeight() + std::abs(offsetY));
}

int Widget::WriteString(Graphics* g, const std::string& text, int x, int y, int width, int justification,
                        bool draw, int offset, int length)
{
    bool saved = g->mWriteColoredString;
    g->mWriteColoredString = true;
    int result = g->DrawStringFormatted(text, x, y, width, justification, draw, offset, length);
    g->mWriteColoredString = saved;
    return result;
}

int Widget::WriteWordWrapped(Graphics* g, const Rect& rect, const std::string& text, int lineSpacing,
                             int justification)
{
    bool saved = g->mWriteColoredString;
    g->mWriteColoredString = true;
    int height = g->DrawWrappedText(text, rect, lineSpacing, justification);
    g->mWriteColoredString = saved;
    return height;
}

int Widget::WrappedTextHeight(Graphics* g, int width, const std::string& text, int lineSpacing)
{
    return Graphics::GetWrappedTextHeight(g, width, text, lineSpacing);
}

int Widget::CountDecimalDigits(int n)
{
    int digits = 1;
    while (n >= 10)
    {
        n /= 10;
        ++digits;
    }
    return digits;
}

void Widget::DrawNumberFromDigitStrip(Graphics* g, int number, int x, int y, Image* strip, int spacing)
{
    if (strip == nullptr)
        return;
    number = std::max(number, 0); // the strip has no minus sign
    const int cellWidth = strip->mWidth / 10;
    const int digits = CountDecimalDigits(number);
    int divisor = 1;
    for (int i = 1; i < digits; ++i)
        divisor *= 10;
    int offset = 0;
    for (; divisor > 0; divisor /= 10)
    {
        int digit = number / divisor % 10;
        Graphics cell(*g);
        cell.ClipRect(x + offset, y, cellWidth, strip->mHeight);
        cell.DrawImage(strip, x + offset - digit * cellWidth, y);
        offset += cellWidth + spacing;
    }
}

bool Widget::Contains(int x, int y)
{
    return x >= mX && x < mX + mWidth && y >= mY && y < mY + mHeight;
}

Rect Widget::GetMouseRect()
{
    return Rect(mX + mMouseInsets.mLeft, mY + mMouseInsets.mTop,
                mWidth - mMouseInsets.mLeft - mMouseInsets.mRight,
                mHeight - mMouseInsets.mTop - mMouseInsets.mBottom);
}

} // namespace Lumo
