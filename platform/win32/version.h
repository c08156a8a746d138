// version services of the layer: the version block of the program's own executable,
// filled from what the program declares with Platform::SetProductVersion.
#pragma once

#include "win32/types.h"

#include <string>

DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);
BOOL WINAPI GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data);
// Answers "\StringFileInfo\040904B0\ProductVersion" (and "\VarFileInfo\Translation").
BOOL WINAPI VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length);

namespace Platform
{
// The executable's product version; empty (the default) means it has no version block.
void SetProductVersion(const std::string& version);
} // namespace Platform
