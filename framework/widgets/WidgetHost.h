// What the widget toolkit needs from the application object: cursors, the 3-D
// flag, the screen picture's drawing lock and the system font for plain buttons.
// The application implements it.
#pragma once

#include <string>

namespace Lumo
{

class Font;
class Image;

enum CursorNumber
{
    CURSOR_POINTER = 0,
    CURSOR_HAND = 1,
};

class WidgetHost
{
public:
    virtual ~WidgetHost() = default;
    virtual void SetCursorNum(int cursorNum) = 0;
    virtual bool Is3DEnabled() = 0;
    // Locks a surface-backed screen picture for drawing; false when nothing was locked.
    virtual bool BeginScreenDraw(Image* screen) = 0;
    virtual void EndScreenDraw(Image* screen) = 0;
    // A new system font owned by the caller.
    virtual Font* CreateSysFont(const std::string& face, int pointSize, int style) = 0;
};

} // namespace Lumo
