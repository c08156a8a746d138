// What the display needs from the application object. The application
// implements it; tests give a stand-in.
#pragma once

#include "win32/types.h"

namespace Lumo
{

class MemoryImageRegistry;

class DisplayHost
{
public:
    virtual ~DisplayHost() = default;

    // The application as the keeper of live pictures (surface pictures register there too).
    virtual MemoryImageRegistry* GetImageRegistry() = 0;
    // The drawing size and the depth asked for full screen.
    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
    virtual int GetFullScreenBits() = 0;
    // A system message box or demo dialog is open: full screen blits instead of flipping.
    virtual bool IsPopupActive() = 0;
    // The monitor's refresh rate was out of range and is not to be used for timing.
    virtual void SetRefreshRateUnusable(bool unusable) = 0;
    // The ddraw.dll module loaded at start-up (null: none).
    virtual HMODULE GetDDrawModule() = 0;
};

} // namespace Lumo
