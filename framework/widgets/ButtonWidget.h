// The push button: a bevelled frame with a label or a set of state images, an
// over-image that fades in and out, and presses reported to a listener.
#pragma once

#include "graphics/Rect.h"
#include "widgets/Widget.h"

#include <string>

namespace Lumo
{

class ButtonListener;
class Font;
class Image;

class ButtonWidget : public Widget
{
public:
    enum
    {
        COLOR_LABEL = 0,
        COLOR_LABEL_HILITE = 1,
    };

    int mId;
    std::string mLabel;
    int mLabelJustify = 0; // 0 centred, 1 right-aligned, else at x 0
    Font* mFont = nullptr; // owned
    Image* mButtonImage = nullptr;
    Image* mOverImage = nullptr;
    Image* mDownImage = nullptr;
    Image* mDisabledImage = nullptr;
    // A state rect with a width selects that part of mButtonImage for the state.
    Rect mNormalRect;
    Rect mOverRect;
    Rect mDownRect;
    Rect mDisabledRect;
    bool mInverted = false;
    bool mBtnNoDraw = false;
    bool mFrameNoDraw = false;
    ButtonListener* mListener;
    double mOverAlpha = 0;
    double mOverAlphaSpeed = 0;
    double mOverAlphaFadeInSpeed = 0;

    ButtonWidget(int id, ButtonListener* listener);
    ~ButtonWidget() override;

    void Update() override;
    void Draw(Graphics* g) override;
    void SetDisabled(bool disabled) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void MouseMove(int x, int y) override;
    void MouseDown(int x, int y, int clickCount) override;
    void MouseUpAt(int x, int y) override;

    virtual void DrawStateImage(Graphics* g, Image* image, const Rect& rect, int x, int y);
    // Keeps a copy of the font; null clears it.
    virtual void SetFont(Font* font);
    virtual bool IsPressedVisual();

    bool HasStateImage(Image* image, const Rect& rect) const { return image != nullptr || rect.mWidth != 0; }

private:
    void MarkDirtyOnHoverChange();
    void DrawPlainFrame(Graphics* g, bool pressed);
};

} // namespace Lumo
