// What the layer's modal dialogs show and how they answer input: a list to choose from, and a
// text field with buttons. A view knows nothing of windows; it lays itself out for its font,
// takes SDL events in its own coordinates and draws with any SDL renderer.
#pragma once

#include "win32/dialog_font.h"

#include <SDL.h>

#include <string>
#include <vector>

namespace Platform
{
class DialogView
{
public:
    explicit DialogView(const DialogFont& font) : mFont(font) {}
    virtual ~DialogView() = default;
    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    bool Done() const { return mDone; }
    // The view's answer once done; -1 when it was closed without one.
    int Result() const { return mResult; }
    virtual void Handle(const SDL_Event& event) = 0;
    virtual void Draw(SDL_Renderer* renderer) const = 0;

protected:
    void Finish(int result)
    {
        mDone = true;
        mResult = result;
    }
    // Closing the window or Escape ends the dialog with no answer.
    bool HandleClose(const SDL_Event& event);
    void DrawText(SDL_Renderer* renderer, int x, int y, const std::string& text, bool inverted) const;

    const DialogFont& mFont;
    int mWidth = 0;
    int mHeight = 0;

private:
    bool mDone = false;
    int mResult = -1;
};

// A list box: a click selects, a double click chooses (the answer is the item's index); the
// wheel, the scroll bar and the arrow keys scroll a long list.
class ListDialogView : public DialogView
{
public:
    static constexpr int kVisibleRows = 12;

    ListDialogView(const DialogFont& font, const std::vector<std::string>& items);
    void Handle(const SDL_Event& event) override;
    void Draw(SDL_Renderer* renderer) const override;
    int Top() const { return mTop; }
    int Selected() const { return mSelected; }
    // Scrolls the item into view and gives the middle of its row.
    SDL_Point ShowItem(int index);
    SDL_Rect ListRect() const { return mList; }

private:
    int RowHeight() const { return mFont.LineHeight() + 2; }
    int Rows() const;
    bool HasScrollBar() const { return (int)mItems.size() > Rows(); }
    void ScrollTo(int top);
    void Select(int index);

    std::vector<std::string> mItems;
    SDL_Rect mList{};
    int mTop = 0;
    int mSelected = -1;
};

// A text field and a row of buttons. The text starts all selected, so typing replaces it;
// Return presses the first button, a click on a button presses it (the answer is its index).
class EditDialogView : public DialogView
{
public:
    static constexpr size_t kMaxText = 255;

    EditDialogView(const DialogFont& font, const std::string& text, const std::vector<std::string>& buttons);
    void Handle(const SDL_Event& event) override;
    void Draw(SDL_Renderer* renderer) const override;
    const std::string& Text() const { return mText; }
    bool AllSelected() const { return mAllSelected; }
    SDL_Point ButtonCentre(int index) const;
    SDL_Rect FieldRect() const { return mField; }

private:
    int ButtonAt(int x, int y) const;

    std::string mText;
    bool mAllSelected = true;
    std::vector<std::string> mButtons;
    std::vector<SDL_Rect> mButtonRects;
    SDL_Rect mField{};
    int mPressed = -1;
    bool mControlHeld = false; // at the last key down, which the key's text follows
};
} // namespace Platform
