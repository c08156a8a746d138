// The virtual desktop the layer reports: the real screen's size by default at 32
// bits (8 on a palette screen, which cannot be drawn on), or what a test sets. Full-screen
// mode changes are kept here too.
#pragma once

#include <cstdint>

namespace Platform
{
struct DesktopInfo
{
    int width = 0;
    int height = 0;
    int bitsPerPixel = 32;
    int refreshRate = 0;      // as the host reports it (0 when unknown); callers clamp
    uint64_t videoMemory = 0; // bytes of display memory the DirectDraw layer offers
};

// The desktop's own mode.
DesktopInfo Desktop();
// The mode in effect: the desktop's, or the full-screen mode last set.
DesktopInfo CurrentDisplayMode();
bool FullScreenModeActive();
} // namespace Platform

namespace PlatformTest
{
// Replaces the desktop the layer reports (and drops any full-screen mode).
void SetDesktop(const Platform::DesktopInfo& desktop);
// Back to the real screen.
void ResetDesktop();
} // namespace PlatformTest
