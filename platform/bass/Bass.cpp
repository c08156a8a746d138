#include "bass/bass.h"
#include "audio/Mixer.h"
#include "audio/decode/DecodedStream.h"
#include "audio/decode/ModulePlayer.h"
#include "audio/decode/StreamDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{
using LumoAudio::DecodedStream;
using LumoAudio::Mixer;
using LumoAudio::ModulePlayer;
using LumoAudio::OpenError;
using LumoAudio::StreamDecoder;
using LumoAudio::Voice;

thread_local int gError = BASS_OK;

// A file stream or module music: both are channels, told apart by the decoder.
struct Stream
{
    HSTREAM handle = 0;
    std::unique_ptr<DecodedStream> decoded;
    bool looping = false;
    bool paused = false;
    bool pausedByStop = false; // paused by BASS_Stop, resumed by BASS_Start
    int volume = 100;
    int pan = 0;

    bool IsModule() const { return decoded->IsModule(); }
    Voice& Output() const { return *decoded->Output(); }
};

// Everything below is guarded by the mixer's lock, which the output holds while it mixes. No
// decoder is used under it: the feeder thread reads them.
struct State
{
    bool initialized = false;
    bool ownsDevice = false;
    HSTREAM nextHandle = 0x10000;
    std::map<HSTREAM, std::unique_ptr<Stream>> streams;
    int streamVolume = 100;
    int musicVolume = 100;
    int sampleVolume = 100;
    int masterVolume = 100;
    DWORD bufferMs = 500;
};

// Made on first use and kept past static destruction (the output may still pull from a stream
// then); let go when the library is unloaded with nothing playing.
State* gState = nullptr;

State& Bass()
{
    if (!gState)
        gState = new State();
    return *gState;
}

__attribute__((destructor)) void FreeStateOnUnload()
{
    if (gState && gState->streams.empty())
    {
        delete gState;
        gState = nullptr;
    }
}

BOOL Fail(int error)
{
    gError = error;
    return FALSE;
}

BOOL Succeed()
{
    gError = BASS_OK;
    return TRUE;
}

void ApplyVolume(Stream& stream)
{
    const State& state = Bass();
    const int global = stream.IsModule() ? state.musicVolume : state.streamVolume;
    const double linear = stream.volume / 100.0 * global / 100.0 * state.masterVolume / 100.0;
    stream.Output().SetVolume(LumoAudio::HundredthsDbOf(linear));
    // The far side drops to (100 - |pan|) percent.
    const int far = LumoAudio::HundredthsDbOf((100 - std::abs(stream.pan)) / 100.0);
    stream.Output().SetPan(stream.pan >= 0 ? -far : far);
}

enum class Kind
{
    any,
    file,
    music,
};

Stream* Find(DWORD handle, Kind kind = Kind::any)
{
    auto& streams = Bass().streams;
    auto it = streams.find(handle);
    if (it == streams.end() || (kind == Kind::file && it->second->IsModule()) ||
        (kind == Kind::music && !it->second->IsModule()))
    {
        gError = BASS_ERROR_HANDLE;
        return nullptr;
    }
    return it->second.get();
}

// Runs `action` on the channel a handle names, under the mixer's lock; FALSE for an unknown
// handle or one of another kind.
template <typename Action> BOOL OnStream(DWORD handle, Action action, Kind kind = Kind::any)
{
    auto lock = Mixer::Instance().Lock();
    Stream* stream = Find(handle, kind);
    return stream ? action(*stream) : FALSE;
}

// Runs `action` under the mixer's lock once BASS_Init has succeeded.
template <typename Action> BOOL WhenInitialized(Action action)
{
    auto lock = Mixer::Instance().Lock();
    State& state = Bass();
    return state.initialized ? action(state) : Fail(BASS_ERROR_INIT);
}

void ApplyVolumes(State& state)
{
    for (auto& [handle, stream] : state.streams)
        ApplyVolume(*stream);
}

// Takes a channel out of the table, stopped. The caller lets go of it once it no longer holds
// the mixer's lock: freeing waits for the feeder thread to finish a read from it.
std::unique_ptr<Stream> TakeStream(State& state, HSTREAM handle)
{
    auto it = state.streams.find(handle);
    if (it == state.streams.end())
        return nullptr;
    std::unique_ptr<Stream> stream = std::move(it->second);
    state.streams.erase(it);
    stream->Output().Stop();
    return stream;
}

BOOL FailToOpen(OpenError error)
{
    return Fail(error == OpenError::noFile ? BASS_ERROR_FILEOPEN : BASS_ERROR_FILEFORM);
}

// Gives a decoder a channel with a voice in the mixer and a handle; 0 when the library was
// freed meanwhile.
DWORD Register(std::unique_ptr<StreamDecoder> decoder, bool looping)
{
    auto stream = std::make_unique<Stream>();
    stream->decoded = DecodedStream::Open(std::move(decoder), looping);
    if (!stream->decoded)
        return Fail(BASS_ERROR_FORMAT);
    stream->looping = looping;
    {
        auto lock = Mixer::Instance().Lock();
        State& state = Bass();
        if (!state.initialized)
            return Fail(BASS_ERROR_INIT);
        stream->handle = state.nextHandle++;
        ApplyVolume(*stream);
    }
    Mixer::Instance().Add(stream->decoded->Output());
    auto lock = Mixer::Instance().Lock();
    State& state = Bass();
    const DWORD handle = stream->handle;
    if (!state.initialized)
        return Fail(BASS_ERROR_INIT); // freed meanwhile: the stream goes with it here
    state.streams[handle] = std::move(stream);
    gError = BASS_OK;
    return handle;
}

// Frees a channel of the kind asked: taken out under the mixer's lock, let go of after it.
BOOL FreeChannel(DWORD handle, Kind kind)
{
    std::unique_ptr<Stream> freed;
    {
        auto lock = Mixer::Instance().Lock();
        if (!Find(handle, kind))
            return FALSE;
        freed = TakeStream(Bass(), handle);
    }
    freed.reset();
    return Succeed();
}

// Files are read from disk: not from memory, and whole.
BOOL CheckLoad(BOOL memory, const void* file, QWORD offset, QWORD length)
{
    {
        auto lock = Mixer::Instance().Lock();
        if (!Bass().initialized)
            return Fail(BASS_ERROR_INIT);
    }
    if (memory || !file || offset != 0 || length != 0)
        return Fail(BASS_ERROR_ILLPARAM);
    return TRUE;
}

// Starts module music from the start of an order (LOWORD) and row (HIWORD); (DWORD)-1 keeps
// the position.
BOOL PlayModule(Stream& stream, DWORD position)
{
    if (position != DWORD(-1))
    {
        if (!stream.decoded->SetOrder(int(position & 0xFFFF), int(position >> 16)))
            return Fail(BASS_ERROR_POSITION);
    }
    else if (stream.Output().HasEnded())
    {
        stream.decoded->SetOrder(0); // played to its end: from the start again
    }
    stream.decoded->SetLooping(stream.looping);
    stream.paused = false;
    stream.pausedByStop = false;
    stream.Output().Play(stream.looping);
    return Succeed();
}
} // namespace

LUMO_BASS_API BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND window, const GUID* clsid)
{
    auto lock = Mixer::Instance().Lock();
    State& state = Bass();
    if (state.initialized)
        return Fail(BASS_ERROR_ALREADY);
    if (device < -1 || device > 1)
        return Fail(BASS_ERROR_DEVICE);
    // Device 0 is "no sound": everything works, nothing is heard.
    if (device != 0)
    {
        lock.unlock(); // opening the device must not hold the mixing lock
        if (!Mixer::Instance().AcquireDevice())
            return Fail(BASS_ERROR_DRIVER);
        lock.lock();
        state.ownsDevice = true;
    }
    state.initialized = true;
    return Succeed();
}

LUMO_BASS_API BOOL BASS_Free()
{
    auto lock = Mixer::Instance().Lock();
    State& state = Bass();
    if (!state.initialized)
        return Fail(BASS_ERROR_INIT);
    std::vector<std::unique_ptr<Stream>> freed;
    while (!state.streams.empty())
        freed.push_back(TakeStream(state, state.streams.begin()->first));
    state.initialized = false;
    const bool ownsDevice = state.ownsDevice;
    state.ownsDevice = false;
    lock.unlock();
    freed.clear();
    if (ownsDevice)
        Mixer::Instance().ReleaseDevice();
    return Succeed();
}

LUMO_BASS_API BOOL BASS_Stop()
{
    return WhenInitialized(
        [](State& state)
        {
            for (auto& [handle, stream] : state.streams)
            {
                if (stream->Output().IsPlaying())
                {
                    stream->Output().Stop();
                    stream->pausedByStop = true;
                }
            }
            return Succeed();
        });
}

LUMO_BASS_API BOOL BASS_Start()
{
    return WhenInitialized(
        [](State& state)
        {
            for (auto& [handle, stream] : state.streams)
            {
                if (stream->pausedByStop)
                    stream->Output().Play(stream->looping);
                stream->pausedByStop = false;
            }
            return Succeed();
        });
}

LUMO_BASS_API int BASS_ErrorGetCode()
{
    return gError;
}

LUMO_BASS_API BOOL BASS_SetGlobalVolumes(int musicVolume, int sampleVolume, int streamVolume)
{
    return WhenInitialized(
        [&](State& state)
        {
            // -1 keeps a value as it is.
            for (int value : {musicVolume, sampleVolume, streamVolume})
                if (value < -1 || value > 100)
                    return Fail(BASS_ERROR_ILLPARAM);
            if (musicVolume >= 0)
                state.musicVolume = musicVolume;
            if (sampleVolume >= 0)
                state.sampleVolume = sampleVolume;
            if (streamVolume >= 0)
                state.streamVolume = streamVolume;
            ApplyVolumes(state);
            return Succeed();
        });
}

LUMO_BASS_API BOOL BASS_SetVolume(DWORD volume)
{
    return WhenInitialized(
        [&](State& state)
        {
            if (volume > 100)
                return Fail(BASS_ERROR_ILLPARAM);
            state.masterVolume = int(volume);
            ApplyVolumes(state);
            return Succeed();
        });
}

LUMO_BASS_API DWORD BASS_SetConfig(DWORD option, DWORD value)
{
    auto lock = Mixer::Instance().Lock();
    State& state = Bass();
    switch (option)
    {
    case BASS_CONFIG_BUFFER:
        // The mixer pulls a block at a time; the length is kept for the caller to read back.
        state.bufferMs = std::clamp<DWORD>(value, 10, 5000);
        gError = BASS_OK;
        return state.bufferMs;
    case BASS_CONFIG_GVOL_SAMPLE:
    case BASS_CONFIG_GVOL_STREAM:
    case BASS_CONFIG_GVOL_MUSIC:
        if (value > 100)
        {
            gError = BASS_ERROR_ILLPARAM;
            return DWORD(-1);
        }
        (option == BASS_CONFIG_GVOL_SAMPLE   ? state.sampleVolume
         : option == BASS_CONFIG_GVOL_STREAM ? state.streamVolume
                                             : state.musicVolume) = int(value);
        ApplyVolumes(state);
        gError = BASS_OK;
        return value;
    default:
        gError = BASS_ERROR_ILLTYPE;
        return DWORD(-1);
    }
}

LUMO_BASS_API BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan)
{
    return OnStream(handle,
                    [&](Stream& stream)
                    {
                        if ((freq != -1 && freq != 0 && (freq < 100 || freq > 100000)) || volume < -1 ||
                            volume > 100 || pan < -101 || pan > 100)
                            return Fail(BASS_ERROR_ILLPARAM);
                        if (freq != -1)
                            stream.Output().SetFrequency(DWORD(freq));
                        if (volume != -1)
                            stream.volume = volume;
                        if (pan != -101)
                            stream.pan = pan;
                        ApplyVolume(stream);
                        return Succeed();
                    });
}

LUMO_BASS_API BOOL BASS_ChannelStop(DWORD handle)
{
    return OnStream(handle,
                    [&](Stream& stream)
                    {
                        stream.Output().Stop();
                        stream.paused = false;
                        stream.pausedByStop = false;
                        return Succeed();
                    });
}

LUMO_BASS_API BOOL BASS_ChannelPause(DWORD handle)
{
    return OnStream(handle,
                    [&](Stream& stream)
                    {
                        if (!stream.Output().IsPlaying() && !stream.pausedByStop)
                            return Fail(BASS_ERROR_NOPLAY);
                        stream.Output().Stop();
                        stream.paused = true;
                        stream.pausedByStop = false;
                        return Succeed();
                    });
}

LUMO_BASS_API BOOL BASS_ChannelResume(DWORD handle)
{
    return OnStream(handle,
                    [&](Stream& stream)
                    {
                        if (!stream.paused)
                            return Fail(BASS_ERROR_NOPAUSE);
                        stream.paused = false;
                        stream.Output().Play(stream.looping);
                        return Succeed();
                    });
}

LUMO_BASS_API BOOL BASS_ChannelSetPosition(DWORD handle, QWORD position)
{
    return OnStream(handle,
                    [&](Stream& stream)
                    {
                        const uint64_t frame = position / stream.Output().Format().BlockAlign();
                        if (frame >= stream.decoded->Length())
                            return Fail(BASS_ERROR_POSITION);
                        stream.decoded->Seek(frame);
                        return Succeed();
                    });
}

LUMO_BASS_API DWORD BASS_ChannelIsActive(DWORD handle)
{
    auto lock = Mixer::Instance().Lock();
    Stream* stream = Find(handle);
    if (!stream)
        return BASS_ACTIVE_STOPPED;
    gError = BASS_OK;
    if (stream->paused || stream->pausedByStop)
        return BASS_ACTIVE_PAUSED;
    return stream->Output().IsPlaying() ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

LUMO_BASS_API HMUSIC BASS_MusicLoad(BOOL memory, const void* file, QWORD offset, DWORD length, DWORD flags,
                                    DWORD freq)
{
    if (!CheckLoad(memory, file, offset, length))
        return FALSE;
    OpenError error = OpenError::none;
    std::unique_ptr<ModulePlayer> module = ModulePlayer::Open(static_cast<const char*>(file), error);
    if (!module)
        return FailToOpen(error);
    return Register(std::move(module), (flags & BASS_SAMPLE_LOOP) != 0);
}

LUMO_BASS_API BOOL BASS_MusicPlay(HMUSIC handle)
{
    return OnStream(
        handle, [](Stream& stream) { return PlayModule(stream, DWORD(-1)); }, Kind::music);
}

// flags -1 keeps the looping as it was; reset has nothing to reset here (effects and tempo go
// with the position).
LUMO_BASS_API BOOL BASS_MusicPlayEx(HMUSIC handle, DWORD position, int flags, BOOL reset)
{
    return OnStream(
        handle,
        [&](Stream& stream)
        {
            if (flags != -1)
                stream.looping = (flags & BASS_SAMPLE_LOOP) != 0;
            return PlayModule(stream, position);
        },
        Kind::music);
}

LUMO_BASS_API BOOL BASS_MusicFree(HMUSIC handle)
{
    return FreeChannel(handle, Kind::music);
}

// 0..100; 50 plays the module at its own level, each halving or doubling is 6 dB.
LUMO_BASS_API BOOL BASS_MusicSetAmplify(HMUSIC handle, DWORD amplify)
{
    return OnStream(
        handle,
        [&](Stream& stream)
        {
            if (amplify > 100)
                return Fail(BASS_ERROR_ILLPARAM);
            stream.decoded->SetGain(amplify == 0 ? LumoAudio::kSilentVolume
                                                 : int(std::lround(2000.0 * std::log10(amplify / 50.0))));
            return Succeed();
        },
        Kind::music);
}

LUMO_BASS_API HSTREAM BASS_StreamCreateFile(BOOL memory, const void* file, QWORD offset, QWORD length,
                                            DWORD flags)
{
    if (!CheckLoad(memory, file, offset, length))
        return FALSE;
    // The file is opened and its header read without holding up the output.
    OpenError error = OpenError::none;
    std::unique_ptr<StreamDecoder> decoder = LumoAudio::OpenSoundFile(static_cast<const char*>(file), error);
    if (!decoder)
        return FailToOpen(error);
    return Register(std::move(decoder), (flags & BASS_SAMPLE_LOOP) != 0);
}

LUMO_BASS_API BOOL BASS_StreamFree(HSTREAM handle)
{
    return FreeChannel(handle, Kind::file);
}

#ifndef LUMO_BASS_INCOMPLETE
LUMO_BASS_API BOOL BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD flags)
{
    return OnStream(
        handle,
        [&](Stream& stream)
        {
            stream.looping = (flags & BASS_SAMPLE_LOOP) != 0;
            stream.decoded->SetLooping(stream.looping);
            // Go on where it stopped; a stream that ran to its end starts again.
            if (flush || stream.decoded->Length() == 0 || stream.Output().HasEnded())
                stream.decoded->Seek(0);
            stream.paused = false;
            stream.pausedByStop = false;
            stream.Output().Play(stream.looping);
            return Succeed();
        },
        Kind::file);
}
#endif
