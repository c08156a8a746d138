// Shared state of the user32 modules. Not for the system's code.
#pragma once

#include "win32/user32.h"

#include <SDL.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace Platform::User
{
struct WindowClass
{
    std::string name;
    WNDCLASSA wc{};
    ATOM atom = 0;
};

struct Window
{
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string title;
    RECT rect{}; // frame rectangle in screen coordinates
    bool visible = false;
    bool minimized = false;
    bool needsPaint = false;
    bool needsErase = false;
    LONG_PTR userData = 0;
    SDL_Window* sdl = nullptr;
    uint32_t sdlId = 0;
    bool fullScreen = false; // the SDL window covers the screen; `rect` stays the program's
    // Another X client destroyed the SDL window: SDL would wait forever for it to be shown,
    // hidden or made full screen, so it is asked for none of these until it is closed.
    bool hostLost = false;
    // Just shown, or just out of full screen: a window manager that puts the window elsewhere
    // (its frame where the window was asked to be) is overruled until then (SDL ticks), a few
    // times at most.
    uint32_t placeUntil = 0;
    int placeTries = 0;
};

// Guards the window table and every window's fields; never held while a window
// procedure runs.
std::recursive_mutex& TableLock();
std::shared_ptr<Window> Find(HWND hwnd);
HWND FromSdlId(uint32_t sdlId);
std::vector<std::shared_ptr<Window>> AllWindows();
// Thickness of the frame on each side for a style.
RECT FrameInsets(DWORD style);
POINT ClientOrigin(const Window& window);
SIZE ClientSize(const Window& window);
// Sets the frame rectangle, sending WM_MOVE / WM_SIZE for the parts that changed.
void PlaceWindow(HWND hwnd, const RECT& rect, bool fromHost);
void SetMinimized(HWND hwnd, bool minimized, bool fromHost);
// Another X client destroyed the window's SDL window: it is closed as the window manager closes it.
void HostWindowLost(HWND hwnd);
// The host moved the window's inside to (x, y) right after it was shown, which is the window
// manager placing its frame where the window itself was asked to be: the window is put back
// where asked (true) instead of taking the new place, so that a window placed where it was saved
// comes back exactly there.
bool KeepAskedPlace(HWND hwnd, int clientX, int clientY);
// The window keyboard and wheel input go to: the focus window, else the first visible one.
HWND InputWindow();

// SDL video, opened once; the thread that opened it is the only one that calls SDL.
bool EnsureVideo();
bool OnVideoThread();
bool HasRealDisplay();
// Runs the calls other threads handed to this one (CallOnVideoThread); nothing elsewhere.
void RunVideoThreadCalls();
// The message clock: milliseconds of the layer's clock.
DWORD NowMillis();

// Queue entry points for the event translation.
void PostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, POINT screenPoint);
// Delivered straight to the window procedure (as Windows sends it) when a look at the
// queue reaches it, so that it keeps its place among the host's input.
void QueueSent(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void NoteInput();
void ForgetWindowMessages(HWND hwnd);
void TranslateHostEvent(const SDL_Event& event);
void PumpHostEvents();
// Held modifier keys as the translated key events report them.
bool ShiftHeld();
bool ControlHeld();

// The display's hooks (SetHostPresenter): present what changed; forget a window's
// drawing state before its SDL window goes; redraw everything.
void RunPresenter();
void PresenterWindowGone(HWND hwnd);
void PresenterInvalidate();

// Cursor bookkeeping.
void CacheCursorPos(int x, int y);
void ForgetCaptureOf(HWND hwnd);
void ApplyHostCursor();

// Gives a new SDL window its class's icon (on the video thread).
void ApplyHostIcon(SDL_Window* window, HICON icon);
} // namespace Platform::User
