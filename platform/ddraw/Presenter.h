// Showing primaries in their windows. Any thread marks a primary changed; the main thread
// converts it into the window's streaming texture in one pass (or, when the renderer drew the
// frame, shows the primary's twin as it is) from the message pump.
#pragma once

#include "ddraw/PixelFormat.h"
#include "win32/types.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace DDraw
{
// What a DirectDraw object tells its primary about the screen.
struct DisplayState
{
    std::atomic<HWND> window{nullptr};   // the cooperative level's window
    std::atomic<bool> fullScreen{false}; // exclusive full screen
    std::atomic<bool> modeSet{false};    // the object changed the display mode
};

// A primary as the presenter sees it. Read under the layer lock.
class Surface;
struct ShownSurface
{
    const uint8_t* pixels;
    LONG pitch;
    DWORD width, height;
    PixelFormat format;
    HWND window;      // where it is shown; null: nowhere
    bool fullScreen;  // the whole surface fills the window; else the window shows its client area's part
    Surface* surface; // for its renderer twin
};

namespace Presenter
{
// Joins the message pump: presents, releases what other threads let go, follows windows going.
void Hook();
// Called with the layer lock held.
void AddPrimary(Surface* primary);
void RemovePrimary(Surface* primary);
// A DirectDraw object's display: when its exclusive window is destroyed, the object leaves full
// screen and gives the desktop its own mode back, as DirectDraw does.
void AddDisplay(const std::shared_ptr<DisplayState>& display);
// The screen changed; any thread, never blocks.
void MarkDirty();
// The window goes full screen or back; applied by the main thread at its next look at the queue.
void WantFullScreen(HWND window, bool fullScreen);
} // namespace Presenter
} // namespace DDraw
