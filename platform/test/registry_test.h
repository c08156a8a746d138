// Test interface of the registry.
#pragma once

#include <string>

namespace PlatformTest
{
// Forgets the registry held in memory; the next call reads the file again, from the path
// LUMO_REGISTRY_FILE names then. Open keys stay valid while their key exists.
void ReloadRegistry();
// The file the registry is kept in.
std::string RegistryFilePath();
} // namespace PlatformTest
