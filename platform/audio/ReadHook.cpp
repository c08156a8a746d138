#include "audio/ReadHook.h"

#include <atomic>

namespace LumoAudio
{
namespace
{
std::atomic<ReadHook> gReadHook{nullptr};
} // namespace

void SetReadHook(ReadHook hook)
{
    gReadHook.store(hook);
}

ReadHook CurrentReadHook()
{
    return gReadHook.load();
}
} // namespace LumoAudio
