// One SDL renderer per window, shared by the presentation and the Direct3D device.
// Main thread only, like every SDL call of the layer.
#pragma once

#include "win32/types.h"

struct SDL_Renderer;

namespace DDraw::Renderers
{
// The window's renderer, made on first use (the window's SDL window too); null when none can be
// made, which is said once on standard error.
SDL_Renderer* ForWindow(HWND hwnd);
// The window's renderer if it has one.
SDL_Renderer* Existing(HWND hwnd);
// Any window's renderer, or null when no window has one yet.
SDL_Renderer* Any();
// The window goes: whoever keeps textures in its renderer is told, then the renderer is destroyed.
void Drop(HWND hwnd);
// Called on the main thread just before a renderer is destroyed (its textures go with it).
void OnDrop(void (*hook)(SDL_Renderer* renderer));
// The driver's name ("opengl", "software", ...).
const char* Name(SDL_Renderer* renderer);
} // namespace DDraw::Renderers
