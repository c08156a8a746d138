// Tracker modules (MOD, S3M, XM, IT and the other kinds libopenmpt reads), rendered at the
// mixer's rate in stereo while they play.
#pragma once

#include "audio/decode/StreamDecoder.h"

#include <cstdint>
#include <cstdio>
#include <memory>

struct openmpt_module;

namespace LumoAudio
{
class ModulePlayer final : public StreamDecoder
{
public:
    // Larger files are refused: no module comes near this.
    static constexpr size_t kMaxFileBytes = 64u << 20;

    // Reads the whole file (named the Windows way); null when it is missing or not a module.
    static std::unique_ptr<ModulePlayer> Open(const char* name, OpenError& error);
    static std::unique_ptr<ModulePlayer> FromMemory(const void* data, size_t size);
    ~ModulePlayer() override;

    // Length() is one pass through the orders, without repeats.
    size_t Read(int16_t* out, size_t frames) override;
    bool Seek(uint64_t frame) override;

    // Looping goes back to the module's restart position at its end; otherwise Read ends there.
    void SetLooping(bool looping);
    // Jumps to a row of an order; false for an order the module does not have.
    bool SetOrder(int order, int row = 0);
    int Order() const;
    int OrderCount() const;
    // Output level in hundredths of a decibel (0: the module's own).
    void SetGain(int hundredthsDb);

private:
    explicit ModulePlayer(openmpt_module* module);
    openmpt_module* mModule;
};
} // namespace LumoAudio
