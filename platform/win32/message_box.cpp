// Message boxes: SDL's when there is a display, standard error otherwise.
#include "core/desktop.h"
#include "core/error_line.h"
#include "core/faults.h"
#include "test/answer_script.h"
#include "test/message_box.h"
#include "win32/user32_internal.h"
#include "win32/x11_window_loss.h"
#include "win32/video_thread.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <unistd.h>

namespace
{
using namespace Platform::User;

struct Button
{
    int id;
    const char* label;
};

PlatformTest::AnswerScript<int, PlatformTest::ShownMessageBox> gScript;

std::vector<Button> ButtonsOf(UINT type)
{
    switch (type & MB_TYPEMASK)
    {
    case MB_OKCANCEL:
        return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE:
        return {{IDABORT, "Abort"}, {IDRETRY, "Retry"}, {IDIGNORE, "Ignore"}};
    case MB_YESNOCANCEL:
        return {{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO:
        return {{IDYES, "Yes"}, {IDNO, "No"}};
    case MB_RETRYCANCEL:
        return {{IDRETRY, "Retry"}, {IDCANCEL, "Cancel"}};
    default:
        return {{IDOK, "OK"}};
    }
}

int DefaultAnswer(const std::vector<Button>& buttons, UINT type)
{
    size_t index = (type & MB_DEFMASK) >> 8;
    return buttons[index < buttons.size() ? index : 0].id;
}

// The answer when the box is closed without a button: Cancel where there is one.
int EscapeAnswer(const std::vector<Button>& buttons)
{
    for (const Button& b : buttons)
        if (b.id == IDCANCEL)
            return IDCANCEL;
    return buttons.size() == 1 ? buttons[0].id : 0;
}

// While a host box is up SDL sees no events, so a termination request it turns into a quit
// event would wait for the box: the request ends the process instead, and so does one that came
// before the box and is still waiting in SDL as a quit.
class TerminationEndsProcess
{
public:
    TerminationEndsProcess()
    {
        struct sigaction action = {};
        action.sa_handler = [](int) { _exit(EXIT_FAILURE); };
        sigemptyset(&action.sa_mask);
        for (int i = 0; i < 2; i++)
            sigaction(kSignals[i], &action, &mPrevious[i]);
        // SDL's own handler only notes a signal; pumping turns it into the quit event.
        SDL_PumpEvents();
        if (SDL_HasEvent(SDL_QUIT))
            _exit(EXIT_FAILURE);
    }
    ~TerminationEndsProcess()
    {
        for (int i = 0; i < 2; i++)
            sigaction(kSignals[i], &mPrevious[i], nullptr);
    }
    TerminationEndsProcess(const TerminationEndsProcess&) = delete;
    TerminationEndsProcess& operator=(const TerminationEndsProcess&) = delete;

private:
    static constexpr int kSignals[2] = {SIGTERM, SIGINT};
    struct sigaction mPrevious[2];
};

// A colour as the pixel value a screen with these channel masks has for it.
Uint32 PixelOf(const SDL_MessageBoxColor& colour, Uint32 red, Uint32 green, Uint32 blue)
{
    auto channel = [](Uint8 value, Uint32 mask)
    {
        if (mask == 0)
            return 0u;
        int shift = __builtin_ctz(mask);
        Uint32 top = mask >> shift;
        return ((value * top + 127) / 255) << shift;
    };
    return channel(colour.r, red) | channel(colour.g, green) | channel(colour.b, blue);
}

// SDL's X11 boxes take a colour's 0xRRGGBB for the screen's pixel value, which is that colour on
// 24- and 32-bit screens only: on a 16-bit screen its grey box came out green with yellow text.
// Its own colours are handed to it as the pixel values the screen has for them, as far as they
// fit in 24 bits (on a deep-colour screen red's upper bits do not).
const SDL_MessageBoxColorScheme* ScreenColours(SDL_MessageBoxColorScheme* scheme)
{
    static const SDL_MessageBoxColor kSdlColours[SDL_MESSAGEBOX_COLOR_MAX] = {
        {56, 54, 53}, {209, 207, 205}, {140, 135, 129}, {105, 102, 99}, {205, 202, 53}};
    const char* driver = SDL_GetCurrentVideoDriver();
    SDL_DisplayMode mode{};
    // A palette screen has no channels to give values for.
    if (!driver || std::strcmp(driver, "x11") != 0 || SDL_GetDesktopDisplayMode(0, &mode) != 0 ||
        SDL_ISPIXELFORMAT_INDEXED(mode.format) || Platform::Desktop().bitsPerPixel <= 8)
        return nullptr;
    int bits = 0;
    Uint32 red = 0x3FF00000, green = 0xFFC00, blue = 0x3FF, alpha = 0; // SDL names no deep format
    if (mode.format != SDL_PIXELFORMAT_UNKNOWN &&
        !SDL_PixelFormatEnumToMasks(mode.format, &bits, &red, &green, &blue, &alpha))
        return nullptr;
    if (red == 0xFF0000 && green == 0xFF00 && blue == 0xFF)
        return nullptr;
    for (int i = 0; i < SDL_MESSAGEBOX_COLOR_MAX; i++)
    {
        Uint32 pixel = PixelOf(kSdlColours[i], red, green, blue);
        scheme->colors[i] = SDL_MessageBoxColor{Uint8(pixel >> 16), Uint8(pixel >> 8), Uint8(pixel)};
    }
    return scheme;
}

int ShowHostBox(HWND hwnd, const char* text, const char* caption, UINT type,
                const std::vector<Button>& buttons)
{
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    UINT icon = type & MB_ICONMASK;
    if (icon == MB_ICONERROR)
        flags = SDL_MESSAGEBOX_ERROR;
    else if (icon == MB_ICONWARNING)
        flags = SDL_MESSAGEBOX_WARNING;
    int defaultId = DefaultAnswer(buttons, type);
    int escapeId = EscapeAnswer(buttons);
    std::vector<SDL_MessageBoxButtonData> data;
    for (const Button& b : buttons)
    {
        Uint32 bf = 0;
        if (b.id == defaultId)
            bf |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
        if (b.id == escapeId)
            bf |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        data.push_back(SDL_MessageBoxButtonData{bf, b.id, b.label});
    }
    auto owner = Find(hwnd);
    SDL_Window* parent = owner && owner->visible ? owner->sdl : nullptr;
    // SDL centres a box over a window that nothing framed at twice the window's place: with no
    // window manager, over a window right of the screen's middle it lands off the screen, where
    // nobody can answer it. Without a parent it is centred on the primary monitor.
    if (parent && Platform::User::Unmanaged(parent))
        parent = nullptr;
    SDL_MessageBoxColorScheme colours{};
    SDL_MessageBoxData box{
        flags, parent, caption, text, (int)data.size(), data.data(), ScreenColours(&colours)};
    int answer = -1;
    int shown;
    {
        TerminationEndsProcess whileShown;
        shown = SDL_ShowMessageBox(&box, &answer);
    }
    if (shown != 0)
        return -1;
    if (answer < 0)
        answer = escapeId ? escapeId : defaultId;
    return answer;
}
} // namespace

int WINAPI MessageBoxA(HWND hwnd, LPCSTR text, LPCSTR caption, UINT type)
{
    if (Platform::ShouldFail("MessageBoxA"))
        return 0;
    const char* const body = text ? text : "";
    const char* const title = caption ? caption : "Error";
    const bool error = (type & MB_ICONMASK) == MB_ICONERROR;
    bool said = false;
    int answer = -1;
    try
    {
        auto buttons = ButtonsOf(type);
        // Shown by the thread that owns the display, whichever thread asks; the asking one waits.
        Platform::CallOnVideoThread(
            [&]
            {
                // Errors reach standard error whether or not a box shows them, before it does;
                // other boxes only when none could be shown.
                if (error)
                {
                    Platform::WriteErrorLine({title, ": ", body});
                    said = true;
                }
                answer = gScript.Next().value_or(-1);
                if (answer < 0 && HasRealDisplay())
                    answer = ShowHostBox(hwnd, body, title, type, buttons);
                if (answer < 0 && !said)
                {
                    Platform::WriteErrorLine({title, ": ", body});
                    said = true;
                }
                if (answer < 0)
                    answer = DefaultAnswer(buttons, type);
                gScript.Record(PlatformTest::ShownMessageBox{title, body, type, answer, hwnd != nullptr,
                                                             std::this_thread::get_id()});
            });
    }
    catch (const std::bad_alloc&)
    {
        if (!said)
            Platform::WriteErrorLine({title, ": ", body});
        return answer < 0 ? 0 : answer;
    }
    return answer;
}

namespace PlatformTest
{
void ScriptMessageBoxes(const std::vector<int>& answers)
{
    gScript.Set(answers);
}

std::vector<ShownMessageBox> ShownMessageBoxes()
{
    return gScript.Recorded();
}

void ResetMessageBoxes()
{
    gScript.Reset();
}
} // namespace PlatformTest
