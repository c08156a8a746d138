// The modal loop of the layer's dialogs, and their test script.
#include "audio/SdlHints.h"
#include "test/answer_script.h"
#include "test/dialogs.h"
#include "win32/dialog_view.h"
#include "win32/dialogs.h"
#include "win32/user32_internal.h"
#include "win32/x11_window_loss.h"

#include <cstdio>
#include <optional>

namespace
{
using namespace Platform;
using namespace Platform::User;

PlatformTest::AnswerScript<PlatformTest::DialogAnswer, PlatformTest::ShownDialog> gScript;

const DialogFont& Font()
{
    // One face for every dialog of the process, opened on first use.
    static DialogFont font("Tahoma", 8);
    return font;
}

SDL_Event MouseButton(bool down, SDL_Point at, int clicks)
{
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = (Uint8)clicks;
    e.button.x = at.x;
    e.button.y = at.y;
    return e;
}

SDL_Event CloseEvent()
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    return e;
}

// The input that gives a scripted answer, ending with a close in case the answer does not end it.
std::vector<SDL_Event> ListAnswerInput(ListDialogView& view, int item, int count)
{
    std::vector<SDL_Event> input;
    if (item >= 0 && item < count)
    {
        SDL_Point at = view.ShowItem(item);
        input.push_back(MouseButton(true, at, 1));
        input.push_back(MouseButton(false, at, 1));
        input.push_back(MouseButton(true, at, 2));
        input.push_back(MouseButton(false, at, 2));
    }
    input.push_back(CloseEvent());
    return input;
}

std::vector<SDL_Event> EditAnswerInput(const EditDialogView& view, const PlatformTest::DialogAnswer& answer,
                                       int buttons)
{
    std::vector<SDL_Event> input;
    for (char c : answer.typed)
    {
        SDL_Event e{};
        if (c == '\b')
        {
            e.type = SDL_KEYDOWN;
            e.key.state = SDL_PRESSED;
            e.key.keysym.sym = SDLK_BACKSPACE;
            e.key.keysym.scancode = SDL_SCANCODE_BACKSPACE;
        }
        else
        {
            e.type = SDL_TEXTINPUT;
            e.text.text[0] = c;
        }
        input.push_back(e);
    }
    if (answer.button >= 0 && answer.button < buttons)
    {
        SDL_Point at = view.ButtonCentre(answer.button);
        input.push_back(MouseButton(true, at, 1));
        input.push_back(MouseButton(false, at, 1));
    }
    input.push_back(CloseEvent());
    return input;
}

// The event's window, for the events a dialog takes; null for the others.
Uint32* WindowIdOf(SDL_Event& e)
{
    switch (e.type)
    {
    case SDL_WINDOWEVENT:
        return &e.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return &e.key.windowID;
    case SDL_TEXTINPUT:
        return &e.text.windowID;
    case SDL_TEXTEDITING:
        return &e.edit.windowID;
    case SDL_MOUSEMOTION:
        return &e.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return &e.button.windowID;
    case SDL_MOUSEWHEEL:
        return &e.wheel.windowID;
    default:
        return nullptr;
    }
}

// Without a window the input goes straight to the view.
void Feed(DialogView& view, const std::vector<SDL_Event>& input)
{
    for (const SDL_Event& e : input)
        if (!view.Done())
            view.Handle(e);
}

SDL_Window* OpenDialogWindow(HWND owner, const std::string& caption, const DialogView& view)
{
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
    auto parent = Find(owner);
    if (parent && parent->sdl)
    {
        int px = 0, py = 0, pw = 0, ph = 0;
        SDL_GetWindowPosition(parent->sdl, &px, &py);
        SDL_GetWindowSize(parent->sdl, &pw, &ph);
        x = px + (pw - view.Width()) / 2;
        y = py + (ph - view.Height()) / 2;
    }
    SDL_Window* window =
        SDL_CreateWindow(caption.c_str(), x, y, view.Width(), view.Height(), SDL_WINDOW_SHOWN);
    if (window && parent && parent->sdl)
        SDL_SetWindowModalFor(window, parent->sdl); // not every video driver has it
    if (window)
        SDL_RaiseWindow(window); // the keyboard goes to the dialog
    return window;
}

// Runs the view in a window of its own until it is done. Events of other windows wait: their
// input is dropped (the dialog is modal), everything else is handed back when it ends.
void RunModal(HWND owner, const std::string& caption, DialogView& view, std::vector<SDL_Event> scripted)
{
    SDL_Window* window = OpenDialogWindow(owner, caption, view);
    if (!window)
    {
        std::fprintf(stderr, "dialogs: no window for \"%s\": %s\n", caption.c_str(), SDL_GetError());
        Feed(view, scripted);
        return;
    }
    Uint32 id = SDL_GetWindowID(window);
    SDL_Renderer* renderer =
        SDL_CreateRenderer(window, -1, Platform::AddressSpaceLimited() ? SDL_RENDERER_SOFTWARE : 0);
    if (!renderer)
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    for (SDL_Event& e : scripted)
    {
        if (Uint32* window = WindowIdOf(e))
            *window = id;
        SDL_PushEvent(&e);
    }
    std::vector<SDL_Event> kept;
    // Sorts one event: the dialog's go to the view (while it runs), others' input is dropped.
    auto take = [&](SDL_Event& e)
    {
        Uint32* eventWindow = WindowIdOf(e);
        if (eventWindow && *eventWindow == id)
        {
            if (!view.Done())
                view.Handle(e);
            return true;
        }
        if (!eventWindow || e.type == SDL_WINDOWEVENT)
            kept.push_back(e);
        // A termination request (kept for the program) closes the dialog unanswered.
        if (e.type == SDL_QUIT && !view.Done())
        {
            SDL_Event close{};
            close.type = SDL_WINDOWEVENT;
            close.window.event = SDL_WINDOWEVENT_CLOSE;
            close.window.windowID = id;
            view.Handle(close);
        }
        return false;
    };
    bool dirty = true;
    SDL_Event e;
    while (!view.Done())
    {
        if (dirty && renderer)
        {
            view.Draw(renderer);
            SDL_RenderPresent(renderer);
        }
        dirty = SDL_WaitEventTimeout(&e, 100) && take(e);
    }
    // What is left for the dialog's window must not reach another window once it is gone.
    while (SDL_PollEvent(&e))
        take(e);
    if (renderer)
        SDL_DestroyRenderer(renderer);
    Platform::User::DestroyHostWindow(window);
    for (SDL_Event& k : kept)
        SDL_PushEvent(&k);
}

// Shows the view: in a window when there is a display or a scripted answer, else closed at once.
void Show(HWND owner, const std::string& caption, DialogView& view,
          std::optional<std::vector<SDL_Event>> scripted)
{
    bool video = EnsureVideo() && OnVideoThread();
    if (video && (scripted || HasRealDisplay()))
        RunModal(owner, caption, view, scripted ? *scripted : std::vector<SDL_Event>());
    else if (scripted)
        Feed(view, *scripted);
    else
        std::fprintf(stderr, "dialogs: \"%s\" needs a display; closed\n", caption.c_str());
}
} // namespace

namespace Platform
{
int RunListDialog(HWND owner, const std::string& caption, const std::vector<std::string>& items)
{
    ListDialogView view(Font(), items);
    std::optional<std::vector<SDL_Event>> scripted;
    if (auto answer = gScript.Next())
        scripted = ListAnswerInput(view, answer->item, (int)items.size());
    Show(owner, caption, view, scripted);
    gScript.Record(
        PlatformTest::ShownDialog{caption, items, std::string(), {}, view.Result(), std::string()});
    return view.Result();
}

int RunEditDialog(HWND owner, const std::string& caption, std::string& text,
                  const std::vector<std::string>& buttons)
{
    EditDialogView view(Font(), text, buttons);
    std::optional<std::vector<SDL_Event>> scripted;
    if (auto answer = gScript.Next())
        scripted = EditAnswerInput(view, *answer, (int)buttons.size());
    Show(owner, caption, view, scripted);
    gScript.Record(PlatformTest::ShownDialog{caption, {}, text, buttons, view.Result(), view.Text()});
    text = view.Text();
    return view.Result();
}
} // namespace Platform

namespace PlatformTest
{
void ScriptDialogs(const std::vector<DialogAnswer>& answers)
{
    gScript.Set(answers);
}

std::vector<ShownDialog> ShownDialogs()
{
    return gScript.Recorded();
}

void ResetDialogs()
{
    gScript.Reset();
}
} // namespace PlatformTest
