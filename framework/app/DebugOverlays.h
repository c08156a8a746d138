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
    static constexpr int kWidth = 50;
    // The frame-rate or mouse picture, and the demo's time left.
    enum Slot
    {
        kMain,
        kDemoTime,
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
