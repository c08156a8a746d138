// Test interface: scripted answers to the layer's dialogs and the record of those shown.
#pragma once

#include <string>
#include <vector>

namespace PlatformTest
{
// One answer, played as input into the dialog: a list item double-clicked, or keystrokes typed
// into the text field ('\b' is Backspace) followed by a click on a button. -1 closes the window.
struct DialogAnswer
{
    int item = -1;
    std::string typed;
    int button = -1;
};

struct ShownDialog
{
    std::string caption;
    std::vector<std::string> items;   // list dialogs
    std::string initialText;          // text dialogs
    std::vector<std::string> buttons; // text dialogs
    int result = -1;
    std::string finalText;
};

// From now on every dialog is recorded, and answered from this queue while it lasts;
// afterwards dialogs take their usual path.
void ScriptDialogs(const std::vector<DialogAnswer>& answers);
std::vector<ShownDialog> ShownDialogs();
// Forget the script and the record, and stop recording.
void ResetDialogs();
} // namespace PlatformTest
