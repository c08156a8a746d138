// Test interface: scripted answers to MessageBoxA and the record of the boxes shown.
#pragma once

#include <string>
#include <thread>
#include <vector>

namespace PlatformTest
{
struct ShownMessageBox
{
    std::string caption;
    std::string text;
    unsigned flags = 0;
    int answer = 0;
    bool owned = false; // shown with an owner window
    std::thread::id thread; // the thread the box ran on
};

// From now on every box is recorded, and answered from this queue (IDOK, IDYES, ...)
// while it lasts; afterwards boxes take their usual path.
void ScriptMessageBoxes(const std::vector<int>& answers);
std::vector<ShownMessageBox> ShownMessageBoxes();
// Forget the script and the record, and stop recording.
void ResetMessageBoxes();
} // namespace PlatformTest
