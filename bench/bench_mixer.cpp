// The sound output: the cost of mixing a full house of effects against a plain loop doing the
// same arithmetic, the cost of a music stream, and how the output and the main thread's calls
// hold up when the disk is slow.
#include "audio/Mixer.h"
#include "audio/ReadHook.h"
#include "audio/decode/ModulePlayer.h"
#include "bass/bass.h"

#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;
constexpr size_t kBlock = 1024; // frames per period of the device, 23 ms

double Micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// A second of a 22050 Hz mono sine, the sample every effect voice plays.
std::shared_ptr<std::vector<uint8_t>> EffectSample()
{
    auto data = std::make_shared<std::vector<uint8_t>>();
    for (int i = 0; i < 22050; i++)
    {
        int16_t s = int16_t(8000 * std::sin(i * 0.05));
        data->push_back(uint8_t(s & 0xFF));
        data->push_back(uint8_t((s >> 8) & 0xFF));
    }
    return data;
}

// The settings of effect voice i of 32: resampled, at volume and pan.
int EffectVolume(int i)
{
    return -300 * (i % 5);
}
int EffectPan(int i)
{
    return -5000 + 300 * i;
}
uint32_t EffectFrequency(int i)
{
    return uint32_t(11025 + 997 * i);
}

// A full house of effects: 32 looping voices in the mixer.
std::vector<std::shared_ptr<LumoAudio::Voice>> AddThirtyTwoVoices(std::shared_ptr<std::vector<uint8_t>> data)
{
    using namespace LumoAudio;
    PcmFormat format;
    format.rate = 22050;
    format.channels = 1;
    std::vector<std::shared_ptr<Voice>> voices;
    for (int i = 0; i < 32; i++)
    {
        auto voice = Voice::FromPcm(format, data);
        voice->SetVolume(EffectVolume(i));
        voice->SetPan(EffectPan(i));
        voice->SetFrequency(EffectFrequency(i));
        voice->Play(true);
        Mixer::Instance().Add(voice);
        voices.push_back(voice);
    }
    return voices;
}

void RemoveAll(const std::vector<std::shared_ptr<LumoAudio::Voice>>& voices)
{
    for (auto& voice : voices)
        LumoAudio::Mixer::Instance().Remove(voice.get());
}

// The peer: the same voices mixed by a plain scalar loop with the mixer's arithmetic (linear
// interpolation in 32.32 fixed point, gains per side, rounding and clipping to 16 bits).
struct PlainVoice
{
    const int16_t* samples;
    uint64_t length;
    uint64_t position;
    uint64_t step;
    float gainLeft;
    float gainRight;
};

std::vector<PlainVoice> PlainVoices(const std::vector<uint8_t>& data)
{
    std::vector<PlainVoice> voices;
    for (int i = 0; i < 32; i++)
    {
        const int pan = EffectPan(i);
        voices.push_back({reinterpret_cast<const int16_t*>(data.data()), data.size() / 2, 0,
                          (uint64_t(EffectFrequency(i)) << 32) / LumoAudio::kMixRate,
                          LumoAudio::GainOf(EffectVolume(i) - std::max(pan, 0)),
                          LumoAudio::GainOf(EffectVolume(i) + std::min(pan, 0))});
    }
    return voices;
}

void PlainMix(std::vector<PlainVoice>& voices, float masterGain, std::vector<float>& mix, int16_t* out)
{
    std::fill(mix.begin(), mix.end(), 0.0f);
    for (PlainVoice& v : voices)
    {
        for (size_t i = 0; i < kBlock; i++)
        {
            uint64_t index = v.position >> 32;
            if (index >= v.length)
            {
                index %= v.length;
                v.position = (index << 32) | uint32_t(v.position);
            }
            const uint64_t next = index + 1 < v.length ? index + 1 : 0;
            const float t = float(uint32_t(v.position)) * (1.0f / 4294967296.0f);
            float s = v.samples[index];
            s += (v.samples[next] - s) * t;
            mix[2 * i] += s * v.gainLeft;
            mix[2 * i + 1] += s * v.gainRight;
            v.position += v.step;
        }
    }
    for (size_t i = 0; i < mix.size(); i++)
        out[i] = int16_t(std::lrint(std::clamp(mix[i] * masterGain, -32768.0f, 32767.0f)));
}

// The library as the game opens it, beside this program.
struct Bass
{
    Bass()
    {
        const auto folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
        library = dlopen((folder / "bass.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return;
        Init = reinterpret_cast<decltype(Init)>(dlsym(library, "BASS_Init"));
        Free = reinterpret_cast<decltype(Free)>(dlsym(library, "BASS_Free"));
        StreamCreateFile =
            reinterpret_cast<decltype(StreamCreateFile)>(dlsym(library, "BASS_StreamCreateFile"));
        StreamPlay = reinterpret_cast<decltype(StreamPlay)>(dlsym(library, "BASS_StreamPlay"));
        MusicLoad = reinterpret_cast<decltype(MusicLoad)>(dlsym(library, "BASS_MusicLoad"));
        MusicPlay = reinterpret_cast<decltype(MusicPlay)>(dlsym(library, "BASS_MusicPlay"));
        SetAttributes =
            reinterpret_cast<decltype(SetAttributes)>(dlsym(library, "BASS_ChannelSetAttributes"));
        IsActive = reinterpret_cast<decltype(IsActive)>(dlsym(library, "BASS_ChannelIsActive"));
        Pause = reinterpret_cast<decltype(Pause)>(dlsym(library, "BASS_ChannelPause"));
        Resume = reinterpret_cast<decltype(Resume)>(dlsym(library, "BASS_ChannelResume"));
        SetPosition = reinterpret_cast<decltype(SetPosition)>(dlsym(library, "BASS_ChannelSetPosition"));
    }
    ~Bass()
    {
        if (library)
            dlclose(library);
    }

    void* library = nullptr;
    decltype(&::BASS_Init) Init = nullptr;
    decltype(&::BASS_Free) Free = nullptr;
    decltype(&::BASS_StreamCreateFile) StreamCreateFile = nullptr;
    decltype(&::BASS_StreamPlay) StreamPlay = nullptr;
    decltype(&::BASS_MusicLoad) MusicLoad = nullptr;
    decltype(&::BASS_MusicPlay) MusicPlay = nullptr;
    decltype(&::BASS_ChannelSetAttributes) SetAttributes = nullptr;
    decltype(&::BASS_ChannelIsActive) IsActive = nullptr;
    decltype(&::BASS_ChannelPause) Pause = nullptr;
    decltype(&::BASS_ChannelResume) Resume = nullptr;
    decltype(&::BASS_ChannelSetPosition) SetPosition = nullptr;
};

constexpr int16_t kMarkerLevel = 3000;

// Ten seconds of 44100 Hz stereo WAV, silent on the left and kMarkerLevel on the right: a
// period whose right side is not all kMarkerLevel had the stream's data late.
std::string WriteMarkerWav()
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("lumo_bench_" + std::to_string(getpid()) + ".wav"))
            .string();
    const uint32_t frames = 441000;
    const uint32_t bytes = frames * 4;
    std::vector<uint8_t> file;
    auto put = [&file](uint32_t v, int size)
    {
        for (int i = 0; i < size; i++)
            file.push_back(uint8_t(v >> (8 * i)));
    };
    file.insert(file.end(), {'R', 'I', 'F', 'F'});
    put(36 + bytes, 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(16, 4);
    put(1, 2);
    put(2, 2);
    put(44100, 4);
    put(44100 * 4, 4);
    put(4, 2);
    put(16, 2);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    put(bytes, 4);
    for (uint32_t i = 0; i < frames; i++)
    {
        put(0, 2);
        put(uint16_t(kMarkerLevel), 2);
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return {};
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
    return path;
}

std::atomic<int> gReadDelayMs{0};

void SlowRead()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(gReadDelayMs.load()));
}
} // namespace

// Ours against the plain loop, one block each in turn; the counters are the medians (us).
static void MixThirtyTwoVoicesAgainstPlainLoop(benchmark::State& state)
{
    LumoAudio::Mixer& mixer = LumoAudio::Mixer::Instance();
    mixer.SetManual(true);
    auto data = EffectSample();
    auto voices = AddThirtyTwoVoices(data);
    auto plain = PlainVoices(*data);
    std::vector<float> mix(kBlock * 2);
    std::vector<int16_t> ours(kBlock * 2), theirs(kBlock * 2);
    // The same job: the same samples out, block after block.
    for (int i = 0; i < 8; i++)
    {
        mixer.Render(ours.data(), kBlock);
        PlainMix(plain, mixer.MasterGain(), mix, theirs.data());
        if (ours != theirs)
        {
            state.SkipWithError("the plain loop's output differs from the mixer's");
            RemoveAll(voices);
            return;
        }
    }
    std::vector<double> oursTimes, plainTimes;
    for (auto _ : state)
    {
        Clock::time_point start = Clock::now();
        mixer.Render(ours.data(), kBlock);
        Clock::time_point middle = Clock::now();
        PlainMix(plain, mixer.MasterGain(), mix, theirs.data());
        Clock::time_point end = Clock::now();
        benchmark::DoNotOptimize(ours.data());
        benchmark::DoNotOptimize(theirs.data());
        oursTimes.push_back(Micros(middle - start));
        plainTimes.push_back(Micros(end - middle));
    }
    const double oursMedian = Median(oursTimes), plainMedian = Median(plainTimes);
    state.counters["ours_us"] = oursMedian;
    state.counters["plain_us"] = plainMedian;
    state.counters["ours_per_plain"] = oursMedian / plainMedian;
    RemoveAll(voices);
}
BENCHMARK(MixThirtyTwoVoicesAgainstPlainLoop);

// A tracker module playing besides the effects (the tests' 4-channel tune, looping): each block
// waits for the feeder thread to render the module's part.
static void MixModuleAndThirtyTwoVoices(benchmark::State& state)
{
    using namespace LumoAudio;
    auto voices = AddThirtyTwoVoices(EffectSample());
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
    Mixer::Instance().SetManual(true);
    std::vector<int16_t> out(kBlock * 2);
    for (auto _ : state)
    {
        Mixer::Instance().WaitForStreams();
        Mixer::Instance().Render(out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    RemoveAll(voices);
}
BENCHMARK(MixModuleAndThirtyTwoVoices);

// Cost of one music stream: a stereo source decoded a block at a time on the feeder thread, as
// the music stand-ins feed it, and mixed.
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
    std::vector<int16_t> out(kBlock * 2);
    for (auto _ : state)
    {
        mixer.WaitForStreams();
        mixer.Render(out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    mixer.Remove(voice.get());
}
BENCHMARK(MixOneStream);

// The game's sound while every read of a sound file takes the argument's milliseconds: a WAV
// and an Ogg stream, a module and 32 effects play through bass.so, a thread renders a period
// every 23 ms as SDL's audio thread does, and the main thread changes volumes, pauses and seeks
// about every millisecond. Counters: the longest period's rendering and the longest call of
// the main thread (us), the longest wait for the mixer's lock, the longest delay of a few
// microseconds of work that waits for nothing (the machine's own noise), the periods that took
// over 2 ms, and the periods in which the WAV stream's data was late (heard as silence).
static void OutputWithSlowReads(benchmark::State& state)
{
    using namespace LumoAudio;
    Bass bass;
    if (!bass.library || !bass.SetPosition)
    {
        state.SkipWithError("bass.so not found beside the program");
        return;
    }
    const std::string wavPath = WriteMarkerWav();
    gReadDelayMs = int(state.range(0));
    SetReadHook(state.range(0) > 0 ? &SlowRead : nullptr);
    Mixer& mixer = Mixer::Instance();
    mixer.SetManual(false);
    // No device: the thread below is the output.
    bass.Init(0, 44100, 0, nullptr, nullptr);
    const HSTREAM wav = bass.StreamCreateFile(FALSE, wavPath.c_str(), 0, 0, 0);
    const HSTREAM ogg = bass.StreamCreateFile(FALSE, LUMO_ASSETS_DIR "/music/Andromeda_Polka.ogg", 0, 0, 0);
    const HMUSIC module =
        bass.MusicLoad(FALSE, LUMO_SOURCE_ROOT "/tests/audio/data/tune.mod", 0, 0, BASS_SAMPLE_LOOP, 0);
    if (!wav || !ogg || !module)
        state.SkipWithError("a stream did not open");
    // Everything but the WAV stream plays on the left only.
    bass.SetAttributes(ogg, -1, 80, -100);
    bass.SetAttributes(module, -1, 80, -100);
    auto voices = AddThirtyTwoVoices(EffectSample());
    for (auto& voice : voices)
        voice->SetPan(kPanLeft);
    constexpr int kPeriods = 200;
    const auto period = std::chrono::microseconds(kBlock * 1000000 / kMixRate);
    double longestRender = 0, longestCall = 0, longestWait = 0, longestNoise = 0;
    int slowPeriods = 0, latePeriods = 0;
    for (auto _ : state)
    {
        bass.StreamPlay(wav, TRUE, BASS_SAMPLE_LOOP);
        bass.StreamPlay(ogg, TRUE, BASS_SAMPLE_LOOP);
        bass.MusicPlay(module);
        std::atomic<bool> done{false};
        std::thread output(
            [&]
            {
                std::vector<int16_t> out(kBlock * 2);
                const Clock::time_point start = Clock::now();
                for (int p = 0; p < kPeriods; p++)
                {
                    const Clock::time_point begin = Clock::now();
                    mixer.Render(out.data(), kBlock);
                    const double took = Micros(Clock::now() - begin);
                    longestRender = std::max(longestRender, took);
                    slowPeriods += took > 2000 ? 1 : 0;
                    for (size_t i = 1; i < out.size(); i += 2)
                    {
                        if (out[i] != kMarkerLevel)
                        {
                            latePeriods++;
                            break;
                        }
                    }
                    std::this_thread::sleep_until(start + (p + 1) * period);
                }
                done = true;
            });
        for (int k = 0; !done; k++)
        {
            const auto& voice = voices[size_t(k) % voices.size()];
            const Clock::time_point begin = Clock::now();
            switch (k % 8)
            {
            case 0:
                bass.SetAttributes(ogg, -1, 50 + k % 50, -100);
                break;
            case 1:
                benchmark::DoNotOptimize(bass.IsActive(ogg));
                break;
            case 2:
                voice->SetVolume(EffectVolume(k));
                break;
            case 3:
                benchmark::DoNotOptimize(voice->IsPlaying());
                break;
            case 4:
                bass.SetAttributes(module, -1, 60 + k % 40, -100);
                break;
            case 5:
                benchmark::DoNotOptimize(voice->Position());
                break;
            case 6:
                if (k % 400 == 6)
                    bass.SetPosition(ogg, QWORD(k % 100000) * 4);
                else
                    voice->Play(true);
                break;
            default:
                if (k % 200 == 7)
                    bass.Pause(ogg);
                else if (k % 200 == 47)
                    bass.Resume(ogg);
                else
                    voice->SetPan(kPanLeft);
                break;
            }
            longestCall = std::max(longestCall, Micros(Clock::now() - begin));
            // The wait behind the output's work alone, and the same thread's delay on work that
            // waits for nothing (how late the machine itself makes a call).
            const Clock::time_point locking = Clock::now();
            mixer.Lock().unlock();
            const Clock::time_point working = Clock::now();
            longestWait = std::max(longestWait, Micros(working - locking));
            double sum = 0;
            for (int j = 0; j < 1000; j++)
                benchmark::DoNotOptimize(sum += std::sqrt(double(j)));
            longestNoise = std::max(longestNoise, Micros(Clock::now() - working));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        output.join();
    }
    state.counters["render_max_us"] = longestRender;
    state.counters["renders_over_2ms"] = slowPeriods;
    state.counters["call_max_us"] = longestCall;
    state.counters["lock_wait_max_us"] = longestWait;
    state.counters["noise_max_us"] = longestNoise;
    state.counters["late_periods"] = latePeriods;
    state.counters["periods"] = kPeriods;
    RemoveAll(voices);
    bass.Free();
    SetReadHook(nullptr);
    std::remove(wavPath.c_str());
}
BENCHMARK(OutputWithSlowReads)
    ->Arg(0)
    ->Arg(10)
    ->Arg(50)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
