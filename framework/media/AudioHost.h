// What the sound and music code needs from the application object: the dsound.dll module
// it loaded at start-up and its way of ending the program on a fatal audio error.
#pragma once

#include "win32/windows.h"

namespace Lumo
{

// Loaded by the application at start-up with LoadLibraryA("dsound.dll"); null: no DirectSound.
extern HMODULE gDSoundDLL;

// Shows `text` (when not null) in a message box without owner, then ends the process with
// the fatal exit code (LumoAppBase::FATAL_EXIT_CODE). The application may put its own handler in place; when
// a handler returns (tests), the caller carries on silently.
using AudioFatalHandler = void (*)(const char* text, const char* caption, UINT boxType);
void SetAudioFatalHandler(AudioFatalHandler handler); // null restores the default
void AudioFatalError(const char* text, const char* caption, UINT boxType);

} // namespace Lumo
