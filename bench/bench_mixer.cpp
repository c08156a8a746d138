// Cost of mixing a full house of sound effects: 32 looping voices, resampled, at volume and pan.
#include "audio/Mixer.h"

#include <benchmark/benchmark.h>

#include <cmath>

static void MixThirtyTwoVoices(benchmark::State& state)
{
    using namespace LumoAudio;
    Mixer& mixer = Mixer::Instance();
    mixer.SetManual(true);
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
        mixer.Add(voice);
        voices.push_back(voice);
    }
    std::vector<int16_t> out(1024 * 2);
    for (auto _ : state)
    {
        mixer.Render(out.data(), 1024);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * 1024);
    for (auto& voice : voices)
        mixer.Remove(voice.get());
}
BENCHMARK(MixThirtyTwoVoices);

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
