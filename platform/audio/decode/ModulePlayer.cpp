#include "audio/decode/ModulePlayer.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <vector>

namespace LumoAudio
{
namespace
{
// libopenmpt reports through these; a refused file is reported by a null module instead.
void Quiet(const char*, void*) {}

int IgnoreErrors(int, void*)
{
    return OPENMPT_ERROR_FUNC_RESULT_NONE;
}
} // namespace

ModulePlayer::ModulePlayer(openmpt_module* module) : mModule(module)
{
    mFormat.rate = kMixRate;
    mFormat.channels = 2;
    mFormat.bits = 16;
    const double seconds = openmpt_module_get_duration_seconds(mModule);
    mLength = seconds > 0.0 && seconds < 86400.0 ? uint64_t(seconds * kMixRate) : 0;
    SetLooping(false);
}

ModulePlayer::~ModulePlayer()
{
    openmpt_module_destroy(mModule);
}

std::unique_ptr<ModulePlayer> ModulePlayer::FromMemory(const void* data, size_t size)
{
    if (!data || size == 0 || size > kMaxFileBytes)
        return nullptr;
    openmpt_module* module = openmpt_module_create_from_memory2(data, size, &Quiet, nullptr, &IgnoreErrors,
                                                                nullptr, nullptr, nullptr, nullptr);
    if (!module)
        return nullptr;
    return std::unique_ptr<ModulePlayer>(new ModulePlayer(module));
}

std::unique_ptr<ModulePlayer> ModulePlayer::Open(const char* name, OpenError& error)
{
    FILE* file = OpenFile(name);
    error = OpenError::noFile;
    if (!file)
        return nullptr;
    error = OpenError::badFormat;
    // The size is asked first: a larger file is refused unread, and a smaller one read into room of
    // its size (grown as it came, a file over the limit took twice the limit before it was refused).
    const long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    if (size < 0 || uint64_t(size) > kMaxFileBytes || std::fseek(file, 0, SEEK_SET) != 0)
    {
        std::fclose(file);
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(size_t(size));
    uint8_t block[65536];
    size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0 && bytes.size() <= kMaxFileBytes)
        bytes.insert(bytes.end(), block, block + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        return nullptr;
    std::unique_ptr<ModulePlayer> player = FromMemory(bytes.data(), bytes.size());
    if (player)
        error = OpenError::none;
    return player;
}

size_t ModulePlayer::Read(int16_t* out, size_t frames)
{
    return openmpt_module_read_interleaved_stereo(mModule, int32_t(kMixRate), frames, out);
}

bool ModulePlayer::Seek(uint64_t frame)
{
    if (frame > mLength)
        return false;
    openmpt_module_set_position_seconds(mModule, double(frame) / kMixRate);
    return true;
}

void ModulePlayer::SetLooping(bool looping)
{
    openmpt_module_set_repeat_count(mModule, looping ? -1 : 0);
}

bool ModulePlayer::SetOrder(int order, int row)
{
    if (order < 0 || order >= OrderCount() || row < 0)
        return false;
    openmpt_module_set_position_order_row(mModule, order, row);
    return true;
}

int ModulePlayer::Order() const
{
    return openmpt_module_get_current_order(mModule);
}

int ModulePlayer::OrderCount() const
{
    return openmpt_module_get_num_orders(mModule);
}

void ModulePlayer::SetGain(int hundredthsDb)
{
    // Hundredths of a decibel are libopenmpt's millibels.
    openmpt_module_set_render_param(mModule, OPENMPT_MODULE_RENDER_MASTERGAIN_MILLIBEL,
                                    std::clamp(hundredthsDb, kSilentVolume, 1200));
}
} // namespace LumoAudio
