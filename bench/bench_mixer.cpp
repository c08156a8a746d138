// Cost of mixing a full house of sound effects: 32 looping voices, resampled, at volume and pan.
#include "audio/Mixer.h"
#include "audio/decode/ModulePlayer.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{
// A full house of effects: 32 looping voices, resampled, at volume and pan, in the mixer.
std::vector<std::shared_ptr<LumoAudio::Voice>> AddThirtyTwoVoices()
{
    using namespace LumoAudio;
    auto data = std::make_shared<std::vector<uint8_t>>();
    for (int i = 0; i < 22050; i++)
    {
        int16_t s = int16_t(8000 * std::sin(i * 0.05));
        data->push_back(uint8_t(s & 0xFF));
        data->push_back(uint8_t((s >> 8) & 0xFF));
    }
    PcmFormat format;
    format.rate = 22050;
    format.channels = 1;
    std::vector<std::shared_ptr<Voice>> voices;
    for (int i = 0; i < 32; i++)
    {
        auto voice = Voice::FromPcm(format, data);
        voice->SetVolume(-300 * (i % 5));
        voice->SetPan(-5000 + 300 * i);
        voice->SetFrequency(11025 + 997 * i);
        voice->Play(true);
        Mixer::Instance().Add(voice);
        voices.push_back(voice);
    }
    return voices;
}

// Renders blocks of 1024 frames (23 ms of sound) for as long as the benchmark asks.
void RenderBlocks(benchmark::State& state)
{
    LumoAudio::Mixer& mixer = LumoAudio::Mixer::Instance();
    mixer.SetManual(true);
    std::vector<int16_t> out(1024 * 2);
    for (auto _ : state)
    {
        mixer.Render(out.data(), 1024);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}

void RemoveAll(const std::vector<std::shared_ptr<LumoAudio::Voice>>& voices)
{
    for (auto& voice : voices)
        LumoAudio::Mixer::Instance().Remove(voice.get());
}
} // namespace

static void MixThirtyTwoVoices(benchmark::State& state)
{
    auto voices = AddThirtyTwoVoices();
    RenderBlocks(state);
    RemoveAll(voices);
}
BENCHMARK(MixThirtyTwoVoices);

// The same with a tracker module playing as well (the tests' 4-channel tune, looping): the
// difference is the module's cost.
static void MixModuleAndThirtyTwoVoices(benchmark::State& state)
{
    using namespace LumoAudio;
    auto voices = AddThirtyTwoVoices();
    OpenError error = OpenError::none;
    std::shared_ptr<ModulePlayer> module =
        ModulePlayer::Open(LUMO_SOURCE_ROOT "/tests/audio/data/tune.mod", error);
    if (!module)
    {
        state.SkipWithError("tune.mod not read");
        RemoveAll(voices);
        return;
    }
    module->SetLooping(true);
    auto music = Voice::FromStream(module->Format(), [module](int16_t* out, size_t frames)
                                   { return PullFrames(*module, true, out, frames); });
    music->Play(true);
    Mixer::Instance().Add(music);
    voices.push_back(music);
    RenderBlocks(state);
    RemoveAll(voices);
}
BENCHMARK(MixModuleAndThirtyTwoVoices);

// Cost of one music stream: a stereo source pulled a block at a time, as the music stand-ins feed it.
static void MixOneStream(benchmark::State& state)
{
    using namespace LumoAudio;
    Mixer& mixer = Mixer::Instance();
    mixer.SetManual(true);
    PcmFormat format;
    format.rate = 44100;
    format.channels = 2;
    uint64_t produced = 0;
    auto voice = Voice::FromStream(format,
                                   [&produced](int16_t* out, size_t frames)
                                   {
                                       for (size_t i = 0; i < frames; i++, produced++)
                                           out[2 * i] = out[2 * i + 1] = int16_t(produced * 37);
                                       return frames;
                                   });
    voice->Play(true);
    mixer.Add(voice);
    std::vector<int16_t> out(1024 * 2);
    for (auto _ : state)
    {
        mixer.Render(out.data(), 1024);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024);
    mixer.Remove(voice.get());
}
BENCHMARK(MixOneStream);
