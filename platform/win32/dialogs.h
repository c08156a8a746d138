// The layer's own modal dialogs: a window of their own drawn with SDL, run by their own event
// loop on the main thread until they are answered. Without a display they are answered by the
// test script (test/dialogs.h), or closed at once.
#pragma once

#include "win32/types.h"

#include <string>
#include <vector>

namespace Platform
{
// A list to choose from: the index of the item double-clicked, or -1 when the window was closed.
int RunListDialog(HWND owner, const std::string& caption, const std::vector<std::string>& items);
// A text field, given text all selected, and a row of buttons: the index of the button pressed
// (Return presses the first) with the text as it was left, or -1 when the window was closed.
int RunEditDialog(HWND owner, const std::string& caption, std::string& text,
                  const std::vector<std::string>& buttons);
} // namespace Platform
