#include "fmod/fmod.h"
#include "audio/Mixer.h"
#include "audio/decode/DecodedStream.h"
#include "audio/decode/ModulePlayer.h"
#include "audio/decode/StreamDecoder.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

struct FSOUND_SAMPLE
{
    LumoAudio::PcmFormat format;
    std::shared_ptr<std::vector<uint8_t>> data;
    unsigned int mode = 0;
    uint32_t loopStart = 0;
    uint32_t loopEnd = 0; // included
    int frequency = 0;
    int volume = 255;
    int pan = 128;
    int priority = 255;

    uint32_t Frames() const { return uint32_t(data->size() / format.BlockAlign()); }
};

struct FSOUND_STREAM
{
    std::unique_ptr<LumoAudio::DecodedStream> decoded;
    std::shared_ptr<LumoAudio::Voice> voice;
};

struct FMUSIC_MODULE
{
    std::unique_ptr<LumoAudio::DecodedStream> decoded;
    std::shared_ptr<LumoAudio::Voice> voice;
    bool paused = false;
};

namespace
{
using LumoAudio::Mixer;
using LumoAudio::OpenError;
using LumoAudio::Voice;

// Samples larger than this are refused rather than decoded.
constexpr uint64_t kMaxSampleBytes = 1u << 30;

// What plays on one channel: a sample's voice or a stream's.
struct Channel
{
    std::shared_ptr<Voice> voice;
    FSOUND_STREAM* stream = nullptr;
    bool looping = false;
    bool paused = false;
};

// Everything below is guarded by the mixer's lock, which the output holds while it mixes. No
// decoder is used under it: the feeder thread reads them.
struct State
{
    bool initialized = false;
    int bufferMs = 200;
    void* window = nullptr;
    std::vector<Channel> channels;
    std::map<int, std::unique_ptr<FSOUND_SAMPLE>> samples; // by index
    std::map<FSOUND_STREAM*, std::unique_ptr<FSOUND_STREAM>> streams;
    std::map<FMUSIC_MODULE*, std::unique_ptr<FMUSIC_MODULE>> songs;
};

// Made on first use and kept past static destruction (the output may still pull from a stream
// then); let go when the library is unloaded with nothing playing.
State* gState = nullptr;

State& Fmod()
{
    if (!gState)
        gState = new State();
    return *gState;
}

__attribute__((destructor)) void FreeStateOnUnload()
{
    if (gState && !gState->initialized)
    {
        delete gState;
        gState = nullptr;
    }
}

std::unique_lock<std::recursive_mutex> Lock()
{
    return Mixer::Instance().Lock();
}

bool Initialized()
{
    auto lock = Lock();
    return Fmod().initialized;
}

bool Looping(unsigned int mode)
{
    return (mode & (FSOUND_LOOP_NORMAL | FSOUND_LOOP_BIDI)) != 0;
}

// Handles are checked against the tables before use, so a freed or foreign one is refused.
FSOUND_SAMPLE* FindSample(FSOUND_SAMPLE* sample)
{
    for (auto& [index, known] : Fmod().samples)
        if (known.get() == sample)
            return sample;
    return nullptr;
}

template <typename T> T* FindIn(std::map<T*, std::unique_ptr<T>>& table, T* handle)
{
    return table.count(handle) ? handle : nullptr;
}

Channel* FindChannel(int channel)
{
    auto& channels = Fmod().channels;
    return channel >= 0 && size_t(channel) < channels.size() ? &channels[size_t(channel)] : nullptr;
}

void Silence(Channel& channel)
{
    if (channel.voice)
    {
        channel.voice->Stop();
        // A stream keeps its voice in the mixer; a sample's was made for this play.
        if (!channel.stream)
            Mixer::Instance().Remove(channel.voice.get());
    }
    channel = Channel();
}

// The channel asked for, or with FSOUND_FREE the first one idle; -1 when there is none.
int PickChannel(int channel)
{
    auto& channels = Fmod().channels;
    if (channel == FSOUND_FREE)
    {
        for (size_t i = 0; i < channels.size(); i++)
            if (!channels[i].voice || (!channels[i].voice->IsPlaying() && !channels[i].paused))
                return int(i);
        return -1;
    }
    return FindChannel(channel) ? channel : -1;
}

void ForgetChannelsOf(const std::shared_ptr<std::vector<uint8_t>>& data, FSOUND_STREAM* stream)
{
    for (Channel& channel : Fmod().channels)
        if (channel.voice &&
            ((data && channel.voice->Data() == data) || (stream && channel.stream == stream)))
            Silence(channel);
}

int VolumeDb(int volume, int full)
{
    return LumoAudio::HundredthsDbOf(double(std::clamp(volume, 0, full)) / full);
}

// 0 left, 128 middle, 255 right: the far side drops as the pan moves away from it.
int PanDb(int pan)
{
    pan = std::clamp(pan, 0, 255);
    if (pan == 128)
        return 0;
    const double far = pan < 128 ? pan / 128.0 : (255 - pan) / 127.0;
    const int db = LumoAudio::HundredthsDbOf(far);
    return pan < 128 ? db : -db; // the mixer's positive pan lowers the left side
}

FSOUND_SAMPLE* Store(int index, std::unique_ptr<FSOUND_SAMPLE> sample)
{
    State& state = Fmod();
    if (index == FSOUND_FREE)
    {
        index = 0;
        while (state.samples.count(index))
            index++;
    }
    else if (index < 0)
        return nullptr;
    auto& slot = state.samples[index];
    if (slot)
        ForgetChannelsOf(slot->data, nullptr);
    slot = std::move(sample);
    return slot.get();
}

// Puts a stream or song over a decoder, opened without the lock, into the mixer and its table;
// null when there is no decoder or the library was closed meanwhile.
template <class T>
T* Register(std::map<T*, std::unique_ptr<T>> State::*table, std::unique_ptr<LumoAudio::StreamDecoder> decoder,
            bool looping)
{
    if (!decoder)
        return nullptr;
    auto item = std::make_unique<T>();
    item->decoded = LumoAudio::DecodedStream::Open(std::move(decoder), looping);
    if (!item->decoded)
        return nullptr;
    item->voice = item->decoded->Output();
    Mixer::Instance().Add(item->voice);
    auto lock = Lock();
    State& state = Fmod();
    if (!state.initialized)
        return nullptr; // the item is freed once the lock is let go of
    T* raw = item.get();
    (state.*table)[raw] = std::move(item);
    return raw;
}

// What the library let go of under the mixer's lock, freed after it: freeing a stream waits for
// the feeder thread to finish a read from it.
struct Freed
{
    std::map<FSOUND_STREAM*, std::unique_ptr<FSOUND_STREAM>> streams;
    std::map<FMUSIC_MODULE*, std::unique_ptr<FMUSIC_MODULE>> songs;
};

Freed FreeEverything(State& state)
{
    for (Channel& channel : state.channels)
        Silence(channel);
    Freed freed;
    freed.streams.swap(state.streams);
    freed.songs.swap(state.songs);
    state.channels.clear();
    state.samples.clear();
    return freed;
}
} // namespace

LUMO_FMOD_API BOOL FSOUND_SetBufferSize(int milliseconds)
{
    auto lock = Lock();
    State& state = Fmod();
    if (state.initialized || milliseconds < 1 || milliseconds > 2000)
        return FALSE;
    // The mixer pulls a block at a time; the length is kept as the library's setting.
    state.bufferMs = milliseconds;
    return TRUE;
}

LUMO_FMOD_API BOOL FSOUND_SetHWND(void* window)
{
    auto lock = Lock();
    State& state = Fmod();
    if (state.initialized)
        return FALSE;
    state.window = window;
    return TRUE;
}

#ifndef LUMO_FMOD_INCOMPLETE
LUMO_FMOD_API BOOL FSOUND_Init(int mixRate, int maxChannels, unsigned int flags)
{
    constexpr int kMaxChannels = 1024;
    {
        auto lock = Lock();
        if (Fmod().initialized || mixRate != int(LumoAudio::kMixRate) || maxChannels < 1 ||
            maxChannels > kMaxChannels)
            return FALSE;
    }
    // Opening the device must not hold the mixing lock.
    if (!Mixer::Instance().AcquireDevice())
        return FALSE;
    auto lock = Lock();
    State& state = Fmod();
    state.initialized = true;
    state.channels.assign(size_t(maxChannels), Channel());
    return TRUE;
}
#endif

LUMO_FMOD_API void FSOUND_Close()
{
    auto lock = Lock();
    State& state = Fmod();
    if (!state.initialized)
        return;
    Freed freed = FreeEverything(state);
    state.initialized = false;
    lock.unlock();
    freed = Freed();
    Mixer::Instance().ReleaseDevice();
}

LUMO_FMOD_API FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int length)
{
    if (!Initialized())
        return nullptr;
    // Decoded without holding up the output.
    OpenError error = OpenError::none;
    std::unique_ptr<LumoAudio::StreamDecoder> decoder = LumoAudio::OpenSoundFile(name, error);
    auto bytes = std::make_shared<std::vector<uint8_t>>();
    if (!decoder || !LumoAudio::DecodeWhole(*decoder, *bytes, kMaxSampleBytes) || bytes->empty())
        return nullptr;
    auto sample = std::make_unique<FSOUND_SAMPLE>();
    sample->format = decoder->Format();
    sample->data = std::move(bytes);
    sample->mode = FSOUND_16BITS | (sample->format.channels == 1 ? FSOUND_MONO : FSOUND_STEREO) |
                   (Looping(mode) ? mode & (FSOUND_LOOP_NORMAL | FSOUND_LOOP_BIDI) : FSOUND_LOOP_OFF);
    sample->frequency = int(sample->format.rate);
    sample->loopEnd = sample->Frames() - 1;
    auto lock = Lock();
    return Fmod().initialized ? Store(index, std::move(sample)) : nullptr;
}

LUMO_FMOD_API FSOUND_SAMPLE* FSOUND_Sample_Alloc(int index, int length, unsigned int mode, int frequency,
                                                 int volume, int pan, int priority)
{
    LumoAudio::PcmFormat format;
    format.bits = mode & FSOUND_8BITS ? 8 : 16;
    format.channels = mode & FSOUND_STEREO ? 2 : 1;
    format.rate = uint32_t(std::max(frequency, 0));
    if (length < 1 || uint64_t(length) * format.BlockAlign() > kMaxSampleBytes || frequency < 100 ||
        frequency > 705600)
        return nullptr;
    auto sample = std::make_unique<FSOUND_SAMPLE>();
    sample->format = format;
    // Silence: 8-bit samples are unsigned.
    sample->data = std::make_shared<std::vector<uint8_t>>(size_t(length) * format.BlockAlign(),
                                                          uint8_t(format.bits == 8 ? 0x80 : 0));
    sample->mode = (format.bits == 8 ? FSOUND_8BITS : FSOUND_16BITS) |
                   (format.channels == 1 ? FSOUND_MONO : FSOUND_STEREO) |
                   (Looping(mode) ? mode & (FSOUND_LOOP_NORMAL | FSOUND_LOOP_BIDI) : FSOUND_LOOP_OFF);
    sample->frequency = frequency;
    sample->volume = std::clamp(volume, 0, 255);
    sample->pan = std::clamp(pan, 0, 255);
    sample->priority = std::clamp(priority, 0, 255);
    sample->loopEnd = uint32_t(length) - 1;
    auto lock = Lock();
    return Fmod().initialized ? Store(index, std::move(sample)) : nullptr;
}

LUMO_FMOD_API BOOL FSOUND_Sample_Free(FSOUND_SAMPLE* sample)
{
    auto lock = Lock();
    auto& samples = Fmod().samples;
    for (auto it = samples.begin(); it != samples.end(); ++it)
    {
        if (it->second.get() == sample)
        {
            ForgetChannelsOf(sample->data, nullptr);
            samples.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

LUMO_FMOD_API BOOL FSOUND_Sample_Lock(FSOUND_SAMPLE* sample, int offset, int length, void** data1,
                                      void** data2, unsigned int* length1, unsigned int* length2)
{
    auto lock = Lock();
    if (!FindSample(sample) || !data1 || !length1 || offset < 0 || length < 0 ||
        size_t(offset) >= sample->data->size())
        return FALSE;
    *data1 = sample->data->data() + offset;
    *length1 = unsigned(std::min<size_t>(size_t(length), sample->data->size() - size_t(offset)));
    if (data2)
        *data2 = nullptr;
    if (length2)
        *length2 = 0;
    return TRUE;
}

LUMO_FMOD_API BOOL FSOUND_Sample_Unlock(FSOUND_SAMPLE* sample, void* data1, void* data2, unsigned int length1,
                                        unsigned int length2)
{
    // The locked bytes are the sample's own: nothing to copy back.
    auto lock = Lock();
    return FindSample(sample) ? TRUE : FALSE;
}

LUMO_FMOD_API BOOL FSOUND_Sample_SetLoopPoints(FSOUND_SAMPLE* sample, int loopStart, int loopEnd)
{
    auto lock = Lock();
    if (!FindSample(sample) || loopStart < 0 || loopEnd < loopStart || uint32_t(loopEnd) >= sample->Frames())
        return FALSE;
    sample->loopStart = uint32_t(loopStart);
    sample->loopEnd = uint32_t(loopEnd);
    return TRUE;
}

LUMO_FMOD_API unsigned int FSOUND_Sample_GetLength(FSOUND_SAMPLE* sample)
{
    auto lock = Lock();
    return FindSample(sample) ? sample->Frames() : 0;
}

LUMO_FMOD_API BOOL FSOUND_Sample_GetDefaults(FSOUND_SAMPLE* sample, int* frequency, int* volume, int* pan,
                                             int* priority)
{
    auto lock = Lock();
    if (!FindSample(sample))
        return FALSE;
    for (auto [out, value] : {std::pair{frequency, sample->frequency}, std::pair{volume, sample->volume},
                              std::pair{pan, sample->pan}, std::pair{priority, sample->priority}})
        if (out)
            *out = value;
    return TRUE;
}

LUMO_FMOD_API unsigned int FSOUND_Sample_GetMode(FSOUND_SAMPLE* sample)
{
    auto lock = Lock();
    return FindSample(sample) ? sample->mode : 0;
}

LUMO_FMOD_API int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample)
{
    auto lock = Lock();
    if (!FindSample(sample))
        return -1;
    const int number = PickChannel(channel);
    if (number < 0)
        return -1;
    Channel& target = Fmod().channels[size_t(number)];
    Silence(target);
    target.voice = Voice::FromPcm(sample->format, sample->data);
    if (!target.voice)
        return -1;
    target.voice->SetFrequency(uint32_t(sample->frequency));
    target.voice->SetVolume(VolumeDb(sample->volume, 255));
    target.voice->SetPan(PanDb(sample->pan));
    target.voice->SetLoop(sample->loopStart, uint64_t(sample->loopEnd) + 1);
    target.looping = Looping(sample->mode);
    Mixer::Instance().Add(target.voice);
    target.voice->Play(target.looping);
    return number;
}

LUMO_FMOD_API BOOL FSOUND_StopSound(int channel)
{
    auto lock = Lock();
    Channel* target = FindChannel(channel);
    if (!target)
        return FALSE;
    Silence(*target);
    return TRUE;
}

LUMO_FMOD_API BOOL FSOUND_SetVolume(int channel, int volume)
{
    auto lock = Lock();
    Channel* target = FindChannel(channel);
    if (!target || !target->voice)
        return FALSE;
    target->voice->SetVolume(VolumeDb(volume, 255));
    return TRUE;
}

LUMO_FMOD_API BOOL FSOUND_SetPaused(int channel, BOOL paused)
{
    auto lock = Lock();
    Channel* target = FindChannel(channel);
    if (!target || !target->voice)
        return FALSE;
    if (paused && target->voice->IsPlaying())
    {
        target->voice->Stop();
        target->paused = true;
    }
    else if (!paused && target->paused)
    {
        target->voice->Play(target->looping);
        target->paused = false;
    }
    return TRUE;
}

LUMO_FMOD_API BOOL FSOUND_SetLoopMode(int channel, unsigned int loopMode)
{
    auto lock = Lock();
    Channel* target = FindChannel(channel);
    if (!target || !target->voice)
        return FALSE;
    target->looping = Looping(loopMode);
    if (target->stream)
        target->stream->decoded->SetLooping(target->looping);
    if (target->voice->IsPlaying())
        target->voice->Play(target->looping);
    return TRUE;
}

LUMO_FMOD_API BOOL FSOUND_IsPlaying(int channel)
{
    auto lock = Lock();
    Channel* target = FindChannel(channel);
    return target && target->voice && (target->paused || target->voice->IsPlaying());
}

LUMO_FMOD_API FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* name, unsigned int mode, int length)
{
    if (!Initialized())
        return nullptr;
    OpenError error = OpenError::none;
    return Register(&State::streams, LumoAudio::OpenSoundFile(name, error), Looping(mode));
}

LUMO_FMOD_API BOOL FSOUND_Stream_Close(FSOUND_STREAM* stream)
{
    std::unique_ptr<FSOUND_STREAM> freed;
    auto lock = Lock();
    State& state = Fmod();
    if (!FindIn(state.streams, stream))
        return FALSE;
    ForgetChannelsOf(nullptr, stream);
    stream->voice->Stop();
    freed = std::move(state.streams[stream]);
    state.streams.erase(stream);
    lock.unlock();
    return TRUE;
}

// Plays the stream on the channel from where it is (from its start the first time).
LUMO_FMOD_API int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream)
{
    auto lock = Lock();
    if (!FindIn(Fmod().streams, stream))
        return -1;
    ForgetChannelsOf(nullptr, stream);
    const int number = PickChannel(channel);
    if (number < 0)
        return -1;
    Channel& target = Fmod().channels[size_t(number)];
    Silence(target);
    target.voice = stream->voice;
    target.stream = stream;
    target.looping = stream->decoded->Looping();
    if (stream->voice->HasEnded())
        stream->decoded->Seek(0);
    stream->voice->Play(target.looping);
    return number;
}

LUMO_FMOD_API FMUSIC_MODULE* FMUSIC_LoadSong(const char* name)
{
    if (!Initialized())
        return nullptr;
    OpenError error = OpenError::none;
    return Register(&State::songs, LumoAudio::ModulePlayer::Open(name, error), true);
}

LUMO_FMOD_API BOOL FMUSIC_PlaySong(FMUSIC_MODULE* module)
{
    auto lock = Lock();
    if (!FindIn(Fmod().songs, module))
        return FALSE;
    module->decoded->SetOrder(0);
    module->paused = false;
    module->voice->Play(module->decoded->Looping());
    return TRUE;
}

LUMO_FMOD_API BOOL FMUSIC_StopSong(FMUSIC_MODULE* module)
{
    auto lock = Lock();
    if (!FindIn(Fmod().songs, module))
        return FALSE;
    module->voice->Stop();
    module->paused = false;
    return TRUE;
}

LUMO_FMOD_API BOOL FMUSIC_SetLooping(FMUSIC_MODULE* module, unsigned int looping)
{
    auto lock = Lock();
    if (!FindIn(Fmod().songs, module))
        return FALSE;
    module->decoded->SetLooping((looping & FSOUND_LOOP_NORMAL) != 0);
    return TRUE;
}

LUMO_FMOD_API BOOL FMUSIC_SetOrder(FMUSIC_MODULE* module, int order)
{
    auto lock = Lock();
    return FindIn(Fmod().songs, module) && module->decoded->SetOrder(order);
}

LUMO_FMOD_API BOOL FMUSIC_SetPaused(FMUSIC_MODULE* module, BOOL paused)
{
    auto lock = Lock();
    if (!FindIn(Fmod().songs, module))
        return FALSE;
    if (paused && module->voice->IsPlaying())
    {
        module->voice->Stop();
        module->paused = true;
    }
    else if (!paused && module->paused)
    {
        module->voice->Play(module->decoded->Looping());
        module->paused = false;
    }
    return TRUE;
}

LUMO_FMOD_API BOOL FMUSIC_SetMasterVolume(FMUSIC_MODULE* module, int volume)
{
    auto lock = Lock();
    if (!FindIn(Fmod().songs, module))
        return FALSE;
    module->voice->SetVolume(VolumeDb(volume, 256)); // kept within 0..256, as a channel's is
    return TRUE;
}

LUMO_FMOD_API BOOL FMUSIC_IsPlaying(FMUSIC_MODULE* module)
{
    auto lock = Lock();
    return FindIn(Fmod().songs, module) && (module->paused || module->voice->IsPlaying());
}
