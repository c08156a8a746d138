// The modules the layer itself provides, made known to LoadLibraryA on its first use.
// Registering here rather than from each module's own static initialiser matters: the
// layer is a static library, and an object file nothing refers to is never linked in.
#include "win32/builtin_modules.h"

#include "d3d/d3d8.h"
#include "ddraw/ddraw.h"
#include "dsound/dsound.h"
#include "win32/kernel32.h"
#include "win32/user32.h"
#include "win32/version.h"

namespace
{
template <typename Function> FARPROC Proc(Function* function)
{
    return reinterpret_cast<FARPROC>(function);
}
} // namespace

namespace Platform
{
void RegisterLayerModules()
{
    RegisterBuiltinModule("version.dll", "GetFileVersionInfoSizeA", Proc(&GetFileVersionInfoSizeA));
    RegisterBuiltinModule("version.dll", "GetFileVersionInfoA", Proc(&GetFileVersionInfoA));
    RegisterBuiltinModule("version.dll", "VerQueryValueA", Proc(&VerQueryValueA));
    RegisterBuiltinModule("user32.dll", "GetLastInputInfo", Proc(&GetLastInputInfo));
    RegisterDSoundModule();
    RegisterDDrawModule();
    RegisterD3D8Module();
}
} // namespace Platform
