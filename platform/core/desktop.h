// The virtual desktop the layer reports: the real screen's size by default at 32
// bits (8 on a palette screen, which cannot be drawn on), or what a test sets. Full-screen
// mode changes are kept here too.
#pragma once

#include <cstdint>
#include <vector>

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

// One monitor of the desktop in screen coordinates, and the part of it that windows may take.
struct MonitorArea
{
    int left = 0, top = 0, right = 0, bottom = 0;
    int workLeft = 0, workTop = 0, workRight = 0, workBottom = 0;
};

// The desktop's own mode: its primary monitor's.
DesktopInfo Desktop();
// Every monitor, the primary first: the real screen's, or the one desktop a test set at (0, 0).
std::vector<MonitorArea> Monitors();
// What a windowed primary covers, from (0, 0): every monitor, so that a window shows on any of
// them; in a full-screen mode, the mode.
void ScreenSpan(int* width, int* height);
// The mode in effect: the desktop's, or the full-screen mode last set.
DesktopInfo CurrentDisplayMode();
bool FullScreenModeActive();
} // namespace Platform

namespace PlatformTest
{
// Replaces the desktop the layer reports (and drops any full-screen mode); with `monitors`, the
// desktop is the first of them and the others lie beside it.
void SetDesktop(const Platform::DesktopInfo& desktop,
                const std::vector<Platform::MonitorArea>& monitors = {});
// Back to the real screen.
void ResetDesktop();
} // namespace PlatformTest
