// Layout, input and drawing of the layer's dialogs.
#include "win32/dialog_view.h"
#include "win32/keymap.h"

#include <algorithm>

namespace
{
constexpr int kMargin = 8;
constexpr int kScrollBarWidth = 14;
constexpr SDL_Color kFace{240, 240, 240, 255};
constexpr SDL_Color kWhite{255, 255, 255, 255};
constexpr SDL_Color kBorder{122, 122, 122, 255};
constexpr SDL_Color kText{0, 0, 0, 255};
constexpr SDL_Color kHighlight{0, 120, 215, 255};
constexpr SDL_Color kTrack{225, 225, 225, 255};
constexpr SDL_Color kThumb{170, 170, 170, 255};

void Fill(SDL_Renderer* r, const SDL_Rect& rect, SDL_Color c)
{
    SDL_SetRenderDrawColor(r, c.r, c.g, c.b, c.a);
    SDL_RenderFillRect(r, &rect);
}

void Frame(SDL_Renderer* r, const SDL_Rect& rect, SDL_Color c)
{
    SDL_SetRenderDrawColor(r, c.r, c.g, c.b, c.a);
    SDL_RenderDrawRect(r, &rect);
}

bool Inside(const SDL_Rect& rect, int x, int y)
{
    SDL_Point p{x, y};
    return SDL_PointInRect(&p, &rect);
}

// Drops the last UTF-8 character.
void PopCharacter(std::string& text)
{
    while (!text.empty() && ((unsigned char)text.back() & 0xC0) == 0x80)
        text.pop_back();
    if (!text.empty())
        text.pop_back();
}
} // namespace

namespace Platform
{
bool DialogView::HandleClose(const SDL_Event& event)
{
    bool close = (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) ||
                 (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE);
    if (close)
        Finish(-1);
    return close;
}

void DialogView::DrawText(SDL_Renderer* renderer, int x, int y, const std::string& text, bool inverted) const
{
    mFont.Draw(renderer, x, y, text, inverted ? kWhite : kText);
}

// ---- list ----

ListDialogView::ListDialogView(const DialogFont& font, const std::vector<std::string>& items)
    : DialogView(font), mItems(items)
{
    int widest = 0;
    for (const std::string& item : mItems)
        widest = std::max(widest, mFont.TextWidth(item));
    // Wide enough for the widest item, within reason.
    int listWidth = std::clamp(widest + 8 + (HasScrollBar() ? kScrollBarWidth : 0), 180, 640);
    mList = SDL_Rect{kMargin, kMargin, listWidth, Rows() * RowHeight() + 4};
    mWidth = listWidth + 2 * kMargin;
    mHeight = mList.h + 2 * kMargin;
}

int ListDialogView::Rows() const
{
    return std::clamp((int)mItems.size(), 4, kVisibleRows);
}

void ListDialogView::ScrollTo(int top)
{
    mTop = std::clamp(top, 0, std::max(0, (int)mItems.size() - Rows()));
}

void ListDialogView::Select(int index)
{
    if (mItems.empty())
        return;
    mSelected = std::clamp(index, 0, (int)mItems.size() - 1);
    if (mSelected < mTop)
        ScrollTo(mSelected);
    else if (mSelected >= mTop + Rows())
        ScrollTo(mSelected - Rows() + 1);
}

SDL_Point ListDialogView::ShowItem(int index)
{
    if (index < mTop || index >= mTop + Rows())
        ScrollTo(index);
    return SDL_Point{mList.x + 4, mList.y + 2 + (index - mTop) * RowHeight() + RowHeight() / 2};
}

void ListDialogView::Handle(const SDL_Event& event)
{
    if (HandleClose(event))
        return;
    switch (event.type)
    {
    case SDL_MOUSEBUTTONDOWN:
    {
        if (event.button.button != SDL_BUTTON_LEFT || !Inside(mList, event.button.x, event.button.y))
            return;
        int x = event.button.x, y = event.button.y;
        if (HasScrollBar() && x >= mList.x + mList.w - kScrollBarWidth)
        {
            // The track pages towards the click.
            int thumbTop = mList.y + (mList.h * mTop) / (int)mItems.size();
            ScrollTo(mTop + (y < thumbTop ? -Rows() : Rows()));
            return;
        }
        int index = mTop + (y - mList.y - 2) / RowHeight();
        if (y < mList.y + 2 || index >= std::min((int)mItems.size(), mTop + Rows()))
            return;
        mSelected = index;
        if (event.button.clicks >= 2)
            Finish(index);
        return;
    }
    case SDL_MOUSEWHEEL:
        ScrollTo(mTop - event.wheel.y * 3);
        return;
    case SDL_KEYDOWN:
        switch (event.key.keysym.sym)
        {
        case SDLK_UP:
            Select(mSelected - 1);
            break;
        case SDLK_DOWN:
            Select(mSelected + 1);
            break;
        case SDLK_PAGEUP:
            Select(mSelected - Rows());
            break;
        case SDLK_PAGEDOWN:
            Select(mSelected + Rows());
            break;
        case SDLK_HOME:
            Select(0);
            break;
        case SDLK_END:
            Select((int)mItems.size() - 1);
            break;
        default:
            break;
        }
        return;
    default:
        return;
    }
}

void ListDialogView::Draw(SDL_Renderer* renderer) const
{
    Fill(renderer, SDL_Rect{0, 0, mWidth, mHeight}, kFace);
    Fill(renderer, mList, kWhite);
    int textWidth = mList.w - 4 - (HasScrollBar() ? kScrollBarWidth : 0);
    SDL_Rect clip{mList.x + 2, mList.y + 2, textWidth, mList.h - 4};
    SDL_RenderSetClipRect(renderer, &clip);
    for (int row = 0; row < Rows() && mTop + row < (int)mItems.size(); row++)
    {
        int index = mTop + row;
        SDL_Rect line{clip.x, clip.y + row * RowHeight(), textWidth, RowHeight()};
        if (index == mSelected)
            Fill(renderer, line, kHighlight);
        DrawText(renderer, line.x + 2, line.y + 1, mItems[index], index == mSelected);
    }
    SDL_RenderSetClipRect(renderer, nullptr);
    if (HasScrollBar())
    {
        SDL_Rect track{mList.x + mList.w - kScrollBarWidth, mList.y, kScrollBarWidth, mList.h};
        Fill(renderer, track, kTrack);
        int count = (int)mItems.size();
        SDL_Rect thumb{track.x + 2, track.y + track.h * mTop / count, track.w - 4,
                       std::max(8, track.h * Rows() / count)};
        Fill(renderer, thumb, kThumb);
    }
    Frame(renderer, mList, kBorder);
}

// ---- text field ----

EditDialogView::EditDialogView(const DialogFont& font, const std::string& text,
                               const std::vector<std::string>& buttons)
    : DialogView(font), mText(text.substr(0, kMaxText)), mButtons(buttons)
{
    int line = mFont.LineHeight();
    int buttonWidth = 64;
    for (const std::string& label : mButtons)
        buttonWidth = std::max(buttonWidth, mFont.TextWidth(label) + 16);
    int rowWidth = (int)mButtons.size() * (buttonWidth + kMargin) - kMargin;
    int fieldWidth = std::max(200, rowWidth);
    mField = SDL_Rect{kMargin, kMargin, fieldWidth, line + 8};
    int buttonTop = mField.y + mField.h + kMargin;
    int x = kMargin + fieldWidth - rowWidth;
    for (size_t i = 0; i < mButtons.size(); i++, x += buttonWidth + kMargin)
        mButtonRects.push_back(SDL_Rect{x, buttonTop, buttonWidth, line + 10});
    mWidth = fieldWidth + 2 * kMargin;
    mHeight = buttonTop + line + 10 + kMargin;
}

int EditDialogView::ButtonAt(int x, int y) const
{
    for (size_t i = 0; i < mButtonRects.size(); i++)
        if (Inside(mButtonRects[i], x, y))
            return (int)i;
    return -1;
}

SDL_Point EditDialogView::ButtonCentre(int index) const
{
    const SDL_Rect& r = mButtonRects.at(index);
    return SDL_Point{r.x + r.w / 2, r.y + r.h / 2};
}

void EditDialogView::Handle(const SDL_Event& event)
{
    if (HandleClose(event))
        return;
    switch (event.type)
    {
    case SDL_TEXTINPUT:
    {
        if (mControlHeld)
            return;
        if (mAllSelected)
            mText.clear();
        mAllSelected = false;
        std::string typed = event.text.text;
        if (mText.size() + typed.size() <= kMaxText)
            mText += typed;
        return;
    }
    case SDL_KEYUP:
        mControlHeld = false;
        return;
    case SDL_KEYDOWN:
        // Control with a letter is a command; non-Latin layouts give the letter as text too.
        mControlHeld = (event.key.keysym.mod & KMOD_CTRL) != 0;
        if (mControlHeld && User::MapKey(event.key.keysym).vk == 'A')
            mAllSelected = true;
        switch (event.key.keysym.sym)
        {
        case SDLK_BACKSPACE:
            if (mAllSelected)
                mText.clear();
            else
                PopCharacter(mText);
            mAllSelected = false;
            break;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            if (!mButtons.empty())
                Finish(0);
            break;
        case SDLK_LEFT:
        case SDLK_RIGHT:
        case SDLK_END:
            mAllSelected = false;
            break;
        default:
            break;
        }
        return;
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.button != SDL_BUTTON_LEFT)
            return;
        mPressed = ButtonAt(event.button.x, event.button.y);
        if (Inside(mField, event.button.x, event.button.y))
            mAllSelected = false;
        return;
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT && mPressed >= 0 &&
            ButtonAt(event.button.x, event.button.y) == mPressed)
            Finish(mPressed);
        mPressed = -1;
        return;
    default:
        return;
    }
}

void EditDialogView::Draw(SDL_Renderer* renderer) const
{
    Fill(renderer, SDL_Rect{0, 0, mWidth, mHeight}, kFace);
    Fill(renderer, mField, kWhite);
    Frame(renderer, mField, kBorder);
    int textX = mField.x + 4, textY = mField.y + 4;
    int textWidth = std::min(mFont.TextWidth(mText), mField.w - 8);
    SDL_Rect clip{mField.x + 2, mField.y + 2, mField.w - 4, mField.h - 4};
    SDL_RenderSetClipRect(renderer, &clip);
    if (mAllSelected && !mText.empty())
        Fill(renderer, SDL_Rect{textX, textY, textWidth, mFont.LineHeight()}, kHighlight);
    DrawText(renderer, textX, textY, mText, mAllSelected);
    if (!mAllSelected)
        Fill(renderer, SDL_Rect{textX + textWidth, textY, 1, mFont.LineHeight()}, kText);
    SDL_RenderSetClipRect(renderer, nullptr);
    for (size_t i = 0; i < mButtons.size(); i++)
    {
        const SDL_Rect& r = mButtonRects[i];
        Fill(renderer, r, (int)i == mPressed ? kTrack : kFace);
        Frame(renderer, r, i == 0 ? kHighlight : kBorder);
        int labelWidth = mFont.TextWidth(mButtons[i]);
        DrawText(renderer, r.x + (r.w - labelWidth) / 2, r.y + (r.h - mFont.LineHeight()) / 2, mButtons[i],
                 false);
    }
}
} // namespace Platform
