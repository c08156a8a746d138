// Who draws: the renderer's identity as d3d8.dll and DirectDraw report it.
#pragma once

#include "win32/types.h"

#include <string>

namespace D3D
{
struct Identity
{
    std::string description; // the OpenGL renderer string, or SDL's renderer name
    std::string driver;      // a file under GetSystemDirectoryA's folder, "\" between folders
    GUID deviceId{};         // a hash of the two and the vendor: stable while they are
};
// Found once on the main thread (a hidden window when no window has a renderer yet). False off
// the main thread before that, or when SDL's video cannot start.
bool RendererIdentity(Identity* identity);
// What a test set instead, until it resets it.
void SetIdentity(const Identity* identity);
} // namespace D3D
