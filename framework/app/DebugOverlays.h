// The developer overlays' state: their pictures, font and frame-rate count.
#pragma once

#include "app/Stopwatch.h"
#include "win32/windows.h"

#include <string>

namespace Lumo
{
class DDImage;
class Font;

struct DebugOverlays
{
    // The narrowest picture; a longer text gets a picture as wide as it needs.
    static constexpr int kMinWidth = 50;
    enum Slot
    {
        kFps,
        kMouse,
        kDemoTime, // the time left in a played demo
        kSlots
    };

    DDImage* mImages[kSlots] = {};
    std::string mTexts[kSlots];
    Font* mFont = nullptr;
    Stopwatch mStopwatch;
    int mFrames = 0;
    int mFrameRate = 0;
    // The next frame-rate refresh shows 0 and starts a new count.
    bool mReset = true;
    DWORD mLastDemoTimeTick = 0;

    DebugOverlays() = default;
    DebugOverlays(const DebugOverlays&) = delete;
    DebugOverlays& operator=(const DebugOverlays&) = delete;
    ~DebugOverlays();
};

// The short system sound of a developer command.
void PlayCommandSound();
} // namespace Lumo
