// The font drawn by the system's own text functions: measured on the main window's device
// context and drawn into the device context of a surface-backed picture.
#pragma once

#include "graphics/Font.h"
#include "win32/windows.h"

#include <string>

namespace Lumo
{

class LumoAppBase;

class SysFont : public Font
{
public:
    HFONT mFontHandle = nullptr;
    LumoAppBase* mApp = nullptr;

    // charSet: ANSI_CHARSET or DEFAULT_CHARSET; the weight is always normal.
    SysFont(LumoAppBase* app, const std::string& face, int pointSize, int charSet);
    SysFont(const SysFont& other);
    ~SysFont() override;

    int StringWidth(const std::string& text) override;
    // y is the baseline. Draws only into a picture that has a display surface.
    void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                    const Rect& clip) override;
    Font* Duplicate() override;

private:
    // The main window's context, or the screen's when the window is gone.
    HWND MeasureWindow() const;
};

} // namespace Lumo
