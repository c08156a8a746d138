#include "dsound/SoundBuffer.h"
#include "dsound/Device.h"

#include <cstring>
#include <new>

namespace DSound
{
namespace
{
// How far ahead of the play cursor a playing buffer is no longer safe to write.
constexpr DWORD kWriteLeadMs = 10;

WAVEFORMATEX MixFormat()
{
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = LumoAudio::kMixChannels;
    format.nSamplesPerSec = LumoAudio::kMixRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = LumoAudio::kMixRate * 4;
    return format;
}
} // namespace

SoundBuffer::SoundBuffer(Device* device, DWORD flags, const WAVEFORMATEX& format)
    : mDevice(device), mFlags(flags), mFormat(format)
{
    mFormat.cbSize = 0;
    mDevice->AddRef();
}

SoundBuffer::~SoundBuffer()
{
    if (mVoice)
    {
        mVoice->Stop();
        LumoAudio::Mixer::Instance().Remove(mVoice.get());
    }
    mDevice->Release();
}

SoundBuffer* SoundBuffer::CreatePrimary(Device* device, DWORD flags)
{
    return new SoundBuffer(device, flags, MixFormat());
}

SoundBuffer* SoundBuffer::CreateSecondary(Device* device, const DSBUFFERDESC& desc)
{
    const WAVEFORMATEX& format = *desc.lpwfxFormat;
    std::shared_ptr<std::vector<uint8_t>> data;
    try
    {
        // Silence: unsigned 8-bit samples rest at 128.
        data =
            std::make_shared<std::vector<uint8_t>>(desc.dwBufferBytes, format.wBitsPerSample == 8 ? 0x80 : 0);
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
    LumoAudio::PcmFormat pcm;
    pcm.rate = format.nSamplesPerSec;
    pcm.channels = format.nChannels;
    pcm.bits = format.wBitsPerSample;
    SoundBuffer* buffer = new SoundBuffer(device, desc.dwFlags, format);
    buffer->mFormat.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    buffer->mVoice = LumoAudio::Voice::FromPcm(pcm, std::move(data));
    LumoAudio::Mixer::Instance().Add(buffer->mVoice);
    return buffer;
}

SoundBuffer* SoundBuffer::Duplicate() const
{
    SoundBuffer* copy = new SoundBuffer(mDevice, mFlags, mFormat);
    copy->mVoice = mVoice->Share();
    LumoAudio::Mixer::Instance().Add(copy->mVoice);
    return copy;
}

DWORD SoundBuffer::Size() const
{
    return mVoice ? DWORD(mVoice->Data()->size()) : 0;
}

bool SoundBuffer::Holds(const void* pointer, DWORD bytes) const
{
    const uint8_t* begin = mVoice->Data()->data();
    const uint8_t* p = static_cast<const uint8_t*>(pointer);
    return p >= begin && p <= begin + Size() && bytes <= Size() - DWORD(p - begin);
}

HRESULT WINAPI SoundBuffer::GetCurrentPosition(LPDWORD playCursor, LPDWORD writeCursor)
{
    if (!playCursor && !writeCursor)
        return DSERR_INVALIDPARAM;
    DWORD play = 0;
    DWORD write = 0;
    if (mVoice)
    {
        auto lock = LumoAudio::Mixer::Instance().Lock();
        play = DWORD(mVoice->Position()) * mFormat.nBlockAlign;
        write = play;
        if (mVoice->IsPlaying() && Size() > 0)
        {
            DWORD lead = mVoice->Frequency() * kWriteLeadMs / 1000 * mFormat.nBlockAlign;
            write = DWORD((uint64_t(play) + lead) % Size());
        }
    }
    if (playCursor)
        *playCursor = play;
    if (writeCursor)
        *writeCursor = write;
    return DS_OK;
}

HRESULT WINAPI SoundBuffer::GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, LPDWORD sizeWritten)
{
    if (!format && !sizeWritten)
        return DSERR_INVALIDPARAM;
    if (!format)
    {
        *sizeWritten = sizeof(WAVEFORMATEX);
        return DS_OK;
    }
    DWORD size = sizeAllocated < sizeof(WAVEFORMATEX) ? sizeAllocated : DWORD(sizeof(WAVEFORMATEX));
    if (size < sizeof(WAVEFORMATEX) - sizeof(WORD)) // too small for the PCM fields
        return DSERR_INVALIDPARAM;
    std::memcpy(format, &mFormat, size);
    if (sizeWritten)
        *sizeWritten = size;
    return DS_OK;
}

HRESULT WINAPI SoundBuffer::GetVolume(LPLONG volume)
{
    return ReadControl(volume, DSBCAPS_CTRLVOLUME,
                       [](const LumoAudio::Voice& voice) { return voice.Volume(); });
}

HRESULT WINAPI SoundBuffer::GetPan(LPLONG pan)
{
    return ReadControl(pan, DSBCAPS_CTRLPAN, [](const LumoAudio::Voice& voice) { return voice.Pan(); });
}

HRESULT WINAPI SoundBuffer::GetFrequency(LPDWORD frequency)
{
    return ReadControl(frequency, DSBCAPS_CTRLFREQUENCY,
                       [](const LumoAudio::Voice& voice) { return voice.Frequency(); });
}

HRESULT WINAPI SoundBuffer::GetStatus(LPDWORD status)
{
    if (!status)
        return DSERR_INVALIDPARAM;
    if (!mVoice)
    {
        *status = mPrimaryPlaying ? DSBSTATUS_PLAYING | DSBSTATUS_LOOPING : 0;
        return DS_OK;
    }
    auto lock = LumoAudio::Mixer::Instance().Lock();
    *status = 0;
    if (mVoice->IsPlaying())
        *status = DSBSTATUS_PLAYING | (mVoice->IsLooping() ? DSBSTATUS_LOOPING : 0);
    return DS_OK;
}

HRESULT WINAPI SoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, LPDWORD audioBytes1,
                                 LPVOID* audioPtr2, LPDWORD audioBytes2, DWORD flags)
{
    if (!audioPtr1 || !audioBytes1)
        return DSERR_INVALIDPARAM;
    *audioPtr1 = nullptr;
    *audioBytes1 = 0;
    if (audioPtr2)
        *audioPtr2 = nullptr;
    if (audioBytes2)
        *audioBytes2 = 0;
    if (!mVoice)
        return DSERR_PRIOLEVELNEEDED; // writing the primary buffer is not offered
    const DWORD size = Size();
    if (flags & DSBLOCK_FROMWRITECURSOR)
        GetCurrentPosition(nullptr, &offset);
    if (flags & DSBLOCK_ENTIREBUFFER)
        bytes = size;
    if (offset >= size || bytes == 0 || bytes > size)
        return DSERR_INVALIDPARAM;
    uint8_t* data = mVoice->Data()->data();
    const DWORD first = bytes < size - offset ? bytes : size - offset;
    const DWORD second = bytes - first;
    // A region that runs past the end continues at the start of the buffer.
    if (second > 0 && (!audioPtr2 || !audioBytes2))
        return DSERR_INVALIDPARAM;
    *audioPtr1 = data + offset;
    *audioBytes1 = first;
    if (second > 0)
    {
        *audioPtr2 = data;
        *audioBytes2 = second;
    }
    mLocks++;
    return DS_OK;
}

HRESULT WINAPI SoundBuffer::Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2, DWORD audioBytes2)
{
    if (!mVoice || !audioPtr1 || !Holds(audioPtr1, audioBytes1) ||
        (audioPtr2 && !Holds(audioPtr2, audioBytes2)))
        return DSERR_INVALIDPARAM;
    int locks = mLocks.load();
    while (locks > 0 && !mLocks.compare_exchange_weak(locks, locks - 1))
    {
    }
    return locks > 0 ? DS_OK : DSERR_INVALIDCALL;
}

HRESULT WINAPI SoundBuffer::Play(DWORD reserved, DWORD priority, DWORD flags)
{
    if (reserved != 0)
        return DSERR_INVALIDPARAM;
    if (!mVoice)
    {
        // The primary buffer always runs while the device is open; this only reports it.
        mPrimaryPlaying = true;
        return DS_OK;
    }
    mVoice->Play((flags & DSBPLAY_LOOPING) != 0);
    return DS_OK;
}

HRESULT WINAPI SoundBuffer::Stop()
{
    if (mVoice)
        mVoice->Stop();
    else
        mPrimaryPlaying = false;
    return DS_OK;
}

HRESULT WINAPI SoundBuffer::SetCurrentPosition(DWORD newPosition)
{
    if (!mVoice)
        return DSERR_INVALIDCALL;
    if (newPosition >= Size())
        return DSERR_INVALIDPARAM;
    mVoice->SetPosition(newPosition / mFormat.nBlockAlign);
    return DS_OK;
}

HRESULT WINAPI SoundBuffer::SetFormat(LPCWAVEFORMATEX format)
{
    if (mVoice)
        return DSERR_INVALIDCALL; // only the primary buffer changes format
    if (mDevice->CooperativeLevel() < DSSCL_PRIORITY)
        return DSERR_PRIOLEVELNEEDED;
    if (!format || format->wFormatTag != WAVE_FORMAT_PCM ||
        (format->nChannels != 1 && format->nChannels != 2) ||
        (format->wBitsPerSample != 8 && format->wBitsPerSample != 16) || format->nSamplesPerSec == 0)
        return DSERR_BADFORMAT;
    // The mixer keeps 44100 Hz stereo 16-bit; the asked format is recorded and reported back.
    mFormat = *format;
    mFormat.nBlockAlign = WORD(format->nChannels * format->wBitsPerSample / 8);
    mFormat.nAvgBytesPerSec = format->nSamplesPerSec * mFormat.nBlockAlign;
    mFormat.cbSize = 0;
    return DS_OK;
}

HRESULT WINAPI SoundBuffer::SetVolume(LONG volume)
{
    return WriteControl(DSBCAPS_CTRLVOLUME, volume >= DSBVOLUME_MIN && volume <= DSBVOLUME_MAX,
                        [&](LumoAudio::Voice& voice) { voice.SetVolume(volume); });
}

HRESULT WINAPI SoundBuffer::SetPan(LONG pan)
{
    return WriteControl(DSBCAPS_CTRLPAN, pan >= DSBPAN_LEFT && pan <= DSBPAN_RIGHT,
                        [&](LumoAudio::Voice& voice) { voice.SetPan(pan); });
}

HRESULT WINAPI SoundBuffer::SetFrequency(DWORD frequency)
{
    bool valid = frequency == DSBFREQUENCY_ORIGINAL ||
                 (frequency >= DSBFREQUENCY_MIN && frequency <= DSBFREQUENCY_MAX);
    return WriteControl(DSBCAPS_CTRLFREQUENCY, valid,
                        [&](LumoAudio::Voice& voice) { voice.SetFrequency(frequency); });
}
} // namespace DSound
