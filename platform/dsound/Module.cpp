#include "dsound/dsound.h"
#include "win32/kernel32.h"

namespace Platform
{
void RegisterDSoundModule()
{
    // Through void*: the entry point is handed over untyped, as GetProcAddress gives it back.
    void* entry = reinterpret_cast<void*>(&DirectSoundCreate);
    RegisterBuiltinModule("dsound.dll", "DirectSoundCreate", reinterpret_cast<FARPROC>(entry));
}
} // namespace Platform
