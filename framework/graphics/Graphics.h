#pragma once

#include "graphics/Color.h"
#include "graphics/Image.h"
#include "graphics/Rect.h"

#include <list>
#include <string>

namespace Lumo
{

class Font;

// One drawing state: destination, translation, clip, colour, font, mode and flags.
struct GraphicsState
{
    Image* mDestImage = nullptr;
    float mTransX = 0;
    float mTransY = 0;
    Rect mClipRect;
    Color mColor = Color(0, 0, 0, 255);
    Font* mFont = nullptr;
    int mDrawMode = DRAWMODE_NORMAL;
    bool mColorizeImages = false;
    bool mFastStretch = false;
    bool mWriteColoredString = true;
    bool mFourthFlag = false;
};

// The drawing context: translates and clips requests and hands them to the
// destination picture; lays out single-line and wrapped text.
class Graphics : public GraphicsState
{
public:
    explicit Graphics(Image* dest = nullptr);
    Graphics(const Graphics& other);
    Graphics& operator=(const Graphics&) = delete;
    virtual ~Graphics() = default;

    Graphics* Clone() const { return new Graphics(*this); }
    void PushState();
    void PopState();

    void SetFont(Font* font) { mFont = font; }
    Font* GetFont() const { return mFont; }
    void SetColor(const Color& color) { mColor = color; }
    const Color& GetColor() const { return mColor; }
    void SetDrawMode(int mode) { mDrawMode = mode; }
    int GetDrawMode() const { return mDrawMode; }
    void SetTintImages(bool on) { mColorizeImages = on; }
    bool GetTintImages() const { return mColorizeImages; }
    void SetFastStretch(bool on) { mFastStretch = on; }
    void SetFourthFlag(bool on) { mFourthFlag = on; }

    void Translate(int x, int y);
    void ClipRect(int x, int y, int w, int h);

    void FillRect(int x, int y, int w, int h);
    void DrawRect(int x, int y, int w, int h);
    void DrawLine(int x1, int y1, int x2, int y2);
    void DrawString(const std::string& text, int x, int y);
    void DrawImage(Image* image, int x, int y);
    void DrawImage(Image* image, int x, int y, const Rect& src);
    void DrawImage(Image* image, int x, int y, int w, int h);
    void DrawImage(Image* image, const Rect& dest, const Rect& src);
    void DrawImageFrame(Image* image, const Rect& dest);
    void DrawImageFrame(Image* image, const Rect& dest, const Rect& src);
    int DrawStringFormatted(const std::string& text, int x, int y, int width, int justification,
                            bool draw = true, int offset = 0, int length = -1);
    int DrawWrappedText(const std::string& text, const Rect& rect, int lineSpacing = -1,
                        int justification = -1);
    static int GetWrappedTextHeight(Graphics* g, int width, const std::string& text, int lineSpacing = -1);

private:
    std::list<GraphicsState> mStateStack;

    int TX(int x) const { return int(float(x) + mTransX); }
    int TY(int y) const { return int(float(y) + mTransY); }
    const Color& ImageColor() const { return mColorizeImages ? mColor : Color::White; }
};

} // namespace Lumo
