// The playback dialogs: choose a marker ahead, or a time counted back from the end.
#include "app/LumoAppBase.h"
#include "win32/dialogs.h"

namespace Lumo
{
void LumoAppBase::ShowMarkerListDialog()
{
    std::vector<std::pair<std::string, int>> markers = MarkerListItems();
    std::vector<std::string> texts;
    for (const auto& marker : markers)
        texts.push_back(marker.first);
    EnterPopupState();
    int chosen = Platform::RunListDialog(mHWnd, "Marker List", texts);
    LeavePopupState();
    if (chosen >= 0 && chosen < (int)markers.size())
        JumpToMarker(markers[chosen].second);
    // The time spent in the dialog is not caught up.
    mLastAccumulateTime = timeGetTime();
}

void LumoAppBase::ShowJumpToTimeDialog()
{
    std::string text = GetDemoJumpTime();
    EnterPopupState();
    int button = Platform::RunEditDialog(mHWnd, "Jump To Time", text, {"Ok", "Cancel"});
    LeavePopupState();
    if (button == 0)
        JumpToTime(text);
    mLastAccumulateTime = timeGetTime();
}
} // namespace Lumo
