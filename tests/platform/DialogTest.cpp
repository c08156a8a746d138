#include "test/dialogs.h"
#include "win32/dialog_view.h"
#include "win32/dialogs.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <memory>
#include <string>
#include <vector>

using PlatformTest::DialogAnswer;

namespace
{
const Platform::DialogFont& TestFont()
{
    static Platform::DialogFont font("Tahoma", 8);
    return font;
}

std::vector<std::string> Numbered(int count)
{
    std::vector<std::string> items;
    for (int i = 0; i < count; i++)
        items.push_back("Marker " + std::to_string(i) + " (00:00:0" + std::to_string(i % 10) + ")");
    return items;
}

SDL_Event Key(SDL_Keycode key, Uint16 mod = 0, SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN)
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    e.key.keysym.scancode = scancode;
    return e;
}

SDL_Event Text(const char* text)
{
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    SDL_strlcpy(e.text.text, text, sizeof e.text.text);
    return e;
}

SDL_Event Click(SDL_Point at, int clicks, bool down = true)
{
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.clicks = (Uint8)clicks;
    e.button.x = at.x;
    e.button.y = at.y;
    return e;
}

class Dialogs : public ::testing::Test
{
protected:
    void TearDown() override { PlatformTest::ResetDialogs(); }
};

// A software renderer drawing into a surface the size of the view.
struct Canvas
{
    SDL_Surface* surface = nullptr;
    SDL_Renderer* renderer = nullptr;

    explicit Canvas(const Platform::DialogView& view)
    {
        surface =
            SDL_CreateRGBSurfaceWithFormat(0, view.Width(), view.Height(), 32, SDL_PIXELFORMAT_ARGB8888);
        renderer = surface ? SDL_CreateSoftwareRenderer(surface) : nullptr;
        if (renderer)
        {
            view.Draw(renderer);
            SDL_RenderPresent(renderer);
        }
    }
    ~Canvas()
    {
        if (renderer)
            SDL_DestroyRenderer(renderer);
        if (surface)
            SDL_FreeSurface(surface);
    }
    uint32_t At(int x, int y) const
    {
        return ((const uint32_t*)((const uint8_t*)surface->pixels + y * surface->pitch))[x] & 0xFFFFFF;
    }
    // Pixels of the rectangle that are none of the given colours.
    int CountOther(SDL_Rect r, std::vector<uint32_t> colours) const
    {
        int n = 0;
        for (int y = r.y; y < r.y + r.h; y++)
            for (int x = r.x; x < r.x + r.w; x++)
                if (std::find(colours.begin(), colours.end(), At(x, y)) == colours.end())
                    n++;
        return n;
    }
};

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kHighlight = 0x0078D7;
constexpr uint32_t kFace = 0xF0F0F0;
} // namespace

TEST_F(Dialogs, ListAnswersTheItemDoubleClickedEvenFarDownALongList)
{
    auto items = Numbered(40);
    PlatformTest::ScriptDialogs({DialogAnswer{33}, DialogAnswer{-1}, DialogAnswer{40}});
    EXPECT_EQ(Platform::RunListDialog(nullptr, "Marker List", items), 33);
    // The input left over after the answer went with the dialog, not to another window.
    SDL_Event left[8];
    EXPECT_EQ(SDL_PeepEvents(left, 8, SDL_PEEKEVENT, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP), 0);
    EXPECT_EQ(Platform::RunListDialog(nullptr, "Marker List", items), -1); // closed
    EXPECT_EQ(Platform::RunListDialog(nullptr, "Marker List", items), -1); // no such row
    auto shown = PlatformTest::ShownDialogs();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].caption, "Marker List");
    EXPECT_EQ(shown[0].items, items);
    EXPECT_EQ(shown[0].result, 33);
}

TEST_F(Dialogs, EditTypingReplacesTheSelectedTextAndButtonsAnswer)
{
    PlatformTest::ScriptDialogs({DialogAnswer{-1, "", 0}, DialogAnswer{-1, "1:5\b3", 0},
                                 DialogAnswer{-1, "9", 1}, DialogAnswer{-1, "9", -1},
                                 DialogAnswer{-1, "\b\b", 0}});
    std::string text = "0:10";
    EXPECT_EQ(Platform::RunEditDialog(nullptr, "Jump To Time", text, {"Ok", "Cancel"}), 0);
    EXPECT_EQ(text, "0:10");
    EXPECT_EQ(Platform::RunEditDialog(nullptr, "Jump To Time", text, {"Ok", "Cancel"}), 0);
    EXPECT_EQ(text, "1:3");
    EXPECT_EQ(Platform::RunEditDialog(nullptr, "Jump To Time", text, {"Ok", "Cancel"}), 1);
    EXPECT_EQ(Platform::RunEditDialog(nullptr, "Jump To Time", text, {"Ok", "Cancel"}), -1);
    text = "2:30";
    EXPECT_EQ(Platform::RunEditDialog(nullptr, "Jump To Time", text, {"Ok", "Cancel"}), 0);
    EXPECT_EQ(text, ""); // the first Backspace takes the whole selection
    auto shown = PlatformTest::ShownDialogs();
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[1].initialText, "0:10");
    EXPECT_EQ(shown[1].finalText, "1:3");
    EXPECT_EQ(shown[1].buttons, (std::vector<std::string>{"Ok", "Cancel"}));
    EXPECT_EQ(shown[2].initialText, "1:3");
    EXPECT_EQ(shown[2].result, 1);
}

TEST_F(Dialogs, UnscriptedWithoutADisplayTheDialogIsClosed)
{
    std::string text = "0:10";
    EXPECT_EQ(Platform::RunEditDialog(nullptr, "Jump To Time", text, {"Ok", "Cancel"}), -1);
    EXPECT_EQ(text, "0:10");
    EXPECT_EQ(Platform::RunListDialog(nullptr, "Marker List", Numbered(3)), -1);
}

TEST_F(Dialogs, TerminationClosesTheDialogUnansweredAndStaysForTheProgram)
{
    PlatformTest::ScriptDialogs({DialogAnswer{-1, "9", 0}});
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    std::string text = "0:10";
    EXPECT_EQ(Platform::RunEditDialog(nullptr, "Jump To Time", text, {"Ok", "Cancel"}), -1);
    EXPECT_EQ(text, "0:10");
    EXPECT_TRUE(SDL_HasEvent(SDL_QUIT));
    SDL_FlushEvent(SDL_QUIT);
    SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

TEST_F(Dialogs, ListScrollsAndSelectsWithWheelKeysAndScrollBar)
{
    Platform::ListDialogView view(TestFont(), Numbered(30));
    const int rows = Platform::ListDialogView::kVisibleRows;
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -2;
    view.Handle(wheel);
    EXPECT_EQ(view.Top(), 6);
    wheel.wheel.y = -100;
    view.Handle(wheel);
    EXPECT_EQ(view.Top(), 30 - rows);
    view.Handle(Key(SDLK_HOME));
    EXPECT_EQ(view.Selected(), 0);
    EXPECT_EQ(view.Top(), 0);
    view.Handle(Key(SDLK_PAGEDOWN));
    view.Handle(Key(SDLK_DOWN));
    EXPECT_EQ(view.Selected(), rows + 1);
    EXPECT_EQ(view.Top(), 2);
    // The scroll bar's track below the thumb pages down.
    SDL_Rect list = view.ListRect();
    view.Handle(Click(SDL_Point{list.x + list.w - 3, list.y + list.h - 3}, 1));
    EXPECT_EQ(view.Top(), 2 + rows);
    // A single click selects, only a double click chooses.
    SDL_Point row = view.ShowItem(20);
    view.Handle(Click(row, 1));
    EXPECT_EQ(view.Selected(), 20);
    EXPECT_FALSE(view.Done());
    view.Handle(Click(row, 2));
    EXPECT_TRUE(view.Done());
    EXPECT_EQ(view.Result(), 20);

    // A double click under the last of a short list's items chooses nothing.
    Platform::ListDialogView shortList(TestFont(), Numbered(2));
    SDL_Point third = shortList.ShowItem(0);
    third.y += 2 * (shortList.ShowItem(1).y - third.y);
    shortList.Handle(Click(third, 2));
    EXPECT_FALSE(shortList.Done());
    shortList.Handle(Key(SDLK_ESCAPE));
    EXPECT_TRUE(shortList.Done());
    EXPECT_EQ(shortList.Result(), -1);
}

TEST_F(Dialogs, EditFieldKeys)
{
    Platform::EditDialogView view(TestFont(), "0:10", {"Ok", "Cancel"});
    EXPECT_TRUE(view.AllSelected());
    view.Handle(Key(SDLK_END));
    view.Handle(Text("5"));
    EXPECT_EQ(view.Text(), "0:105");
    view.Handle(Key(SDLK_BACKSPACE));
    view.Handle(Key(SDLK_BACKSPACE));
    EXPECT_EQ(view.Text(), "0:1");
    view.Handle(Key(SDLK_a, KMOD_LCTRL));
    view.Handle(Key(SDLK_7));
    view.Handle(Text("7"));
    EXPECT_EQ(view.Text(), "7");
    // A Russian layout: Control+A selects all and its letter is not typed.
    view.Handle(Key(0x444, KMOD_LCTRL, SDL_SCANCODE_A));
    view.Handle(Text("\xD1\x84"));
    EXPECT_TRUE(view.AllSelected());
    EXPECT_EQ(view.Text(), "7");
    view.Handle(Key(0x444, 0, SDL_SCANCODE_A));
    view.Handle(Text("\xD1\x84"));
    EXPECT_EQ(view.Text(), "\xD1\x84");
    for (int i = 0; i < 300; i++)
        view.Handle(Text("1"));
    EXPECT_EQ(view.Text().size(), Platform::EditDialogView::kMaxText);
    // A button answers only when released over itself.
    view.Handle(Click(view.ButtonCentre(1), 1));
    view.Handle(Click(view.ButtonCentre(0), 1, false));
    EXPECT_FALSE(view.Done());
    view.Handle(Key(SDLK_RETURN));
    EXPECT_TRUE(view.Done());
    EXPECT_EQ(view.Result(), 0);
}

TEST_F(Dialogs, HeadlessRenderShowsTheText)
{
    if (!TestFont().IsOpen())
        GTEST_SKIP() << "no font found through fontconfig; the dialogs draw no text";

    Platform::ListDialogView list(TestFont(), Numbered(3));
    Canvas listCanvas(list);
    ASSERT_NE(listCanvas.renderer, nullptr) << SDL_GetError();
    SDL_Point first = list.ShowItem(0);
    SDL_Point second = list.ShowItem(1);
    int rowHeight = second.y - first.y;
    SDL_Rect box = list.ListRect();
    SDL_Rect firstRow{box.x + 2, first.y - rowHeight / 2, box.w - 4, rowHeight};
    EXPECT_GT(listCanvas.CountOther(firstRow, {kWhite}), 20);
    // The fourth row is empty.
    SDL_Rect emptyRow{firstRow.x, firstRow.y + 3 * rowHeight, firstRow.w, rowHeight};
    EXPECT_EQ(listCanvas.CountOther(emptyRow, {kWhite}), 0);

    Platform::EditDialogView edit(TestFont(), "0:10", {"Ok", "Cancel"});
    Canvas editCanvas(edit);
    ASSERT_NE(editCanvas.renderer, nullptr) << SDL_GetError();
    SDL_Rect field = edit.FieldRect();
    SDL_Rect inside{field.x + 1, field.y + 1, field.w - 2, field.h - 2};
    // The selected text: white glyphs blended onto the highlight.
    EXPECT_GT(editCanvas.CountOther(inside, {kWhite, kHighlight}), 10);
    SDL_Point ok = edit.ButtonCentre(0);
    SDL_Rect label{ok.x - 15, ok.y - 6, 30, 12};
    EXPECT_GT(editCanvas.CountOther(label, {kFace}), 10);
}
