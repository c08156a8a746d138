#include "graphics/MemoryImageRegistry.h"

#include <atomic>

namespace Lumo
{

namespace
{
std::atomic<MemoryImageRegistry*> gRegistry{nullptr};
}

MemoryImageRegistry* GetImageRegistry()
{
    return gRegistry.load();
}

void SetImageRegistry(MemoryImageRegistry* registry)
{
    gRegistry.store(registry);
}

} // namespace Lumo
