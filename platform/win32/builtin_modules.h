#pragma once

namespace Platform
{
// Registers every module built into the layer (called once, before the first look-up).
void RegisterLayerModules();
} // namespace Platform
