// The readers of sounds that are decoded on loading: Ogg Vorbis (Tremor), Sun AU, and MP3
// (through fmod.dll).
#include "media/DSoundManager.h"
#include "media/FModInstance.h"
#include "media/SoundFileReader.h"
#include "audio/decode/StreamDecoder.h"
#include "core/file_read.h"
#include "tremor/OggLinks.h"

#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace Lumo
{

namespace
{
constexpr uint32_t kAUUnknownSize = 0xFFFFFFFF;
constexpr uint32_t kAUMuLaw = 1;
constexpr uint32_t kAULinear8 = 2;

int16_t MuLawSample(uint8_t b)
{
    const int x = b | 0x80;
    const int sign = b >= 0x80 ? 1 : -1;
    int m;
    if (x >= 0xF0)
        m = (0xFF - x) * 2;
    else if (x >= 0xE0)
        m = (0xF7 - x) * 4;
    else if (x >= 0xD0)
        m = (0xEB - x) * 8;
    else if (x >= 0xC0)
        m = (0xDD - x) * 16;
    else if (x >= 0xB0)
        m = (0xCE - x) * 32;
    else if (x >= 0xA0)
        m = 12192 - 64 * x;
    else if (x >= 0x90)
        m = 22368 - 128 * x;
    else
        m = 40672 - 256 * x;
    return int16_t(m * sign * 4);
}
} // namespace

bool DSoundManager::LoadFModSound(unsigned int id, const std::string& fileName)
{
    if (id >= kMaxSounds || !mUseFMod || !mFMod)
        return false;
    // The library decodes a file whole before its size can be asked: a sound larger than any buffer
    // (a 27 MB MP3 took 580 MB) is refused from its headers, read as the library reads them.
    LumoAudio::OpenError error = LumoAudio::OpenError::none;
    if (auto decoder = LumoAudio::OpenSoundFile(fileName.c_str(), error);
        decoder && decoder->Length() > DSBSIZE_MAX / decoder->Format().BlockAlign())
        return false;
    FSOUND_SAMPLE* sample = mFMod->FSOUND_Sample_Load(-1, fileName.c_str(), 0, 0);
    if (!sample)
        return false;
    const FModSampleFormat format = SampleFormatOf(*mFMod, sample);
    const uint64_t bytes = format.Bytes();
    if (format.frequency <= 0 || bytes == 0 || bytes > DSBSIZE_MAX ||
        !CreateBuffer(id, format.channels, DWORD(format.frequency), format.bits, DWORD(bytes)))
    {
        mFMod->FSOUND_Sample_Free(sample);
        return false;
    }
    void* data = nullptr;
    DWORD locked = 0;
    if (SUCCEEDED(mSourceSounds[id]->Lock(0, DWORD(bytes), &data, &locked, nullptr, nullptr, 0)))
    {
        void* decoded = nullptr;
        unsigned int decodedBytes = 0;
        if (mFMod->FSOUND_Sample_Lock(sample, 0, int(bytes), &decoded, nullptr, &decodedBytes, nullptr))
        {
            std::memcpy(data, decoded, std::min<size_t>(locked, decodedBytes));
            mFMod->FSOUND_Sample_Unlock(sample, decoded, nullptr, decodedBytes, 0);
        }
        mSourceSounds[id]->Unlock(data, locked, nullptr, 0);
    }
    mFMod->FSOUND_Sample_Free(sample);
    return true;
}

bool DSoundManager::LoadOGGSound(unsigned int id, const std::string& fileName)
{
    if (id >= kMaxSounds)
        return false;
    SoundFileReader reader(fileName);
    if (!reader.IsOpen())
        return false;
    FILE* file = reader.Detach();
    OggVorbis_File vorbis;
    if (!Platform::OggLinksWithin(file) || ov_open(file, &vorbis, nullptr, 0) < 0)
    {
        std::fclose(file);
        return false;
    }
    // From here ov_clear closes the file.
    vorbis_info* info = ov_info(&vorbis, -1);
    const ogg_int64_t frames = ov_pcm_total(&vorbis, -1);
    const int channels = info ? info->channels : 0;
    const long rate = info ? info->rate : 0;
    const uint64_t bytes = frames > 0 ? uint64_t(frames) * uint64_t(channels) * 2 : 0;
    if (channels < 1 || channels > 2 || rate < 1 || rate > 0xFFFFFFFFL || frames <= 0 || bytes > DSBSIZE_MAX)
    {
        ov_clear(&vorbis);
        return false;
    }
    // The length is only what the last page claims: decoded first, so that a small file claiming
    // hundreds of megabytes fails without them.
    std::vector<char> pcm;
    int bitstream = 0;
    const size_t filled = Platform::ReadGrowing(pcm, size_t(bytes), 1 << 16,
                                                [&](char* at, size_t room)
                                                {
                                                    long got = ov_read(&vorbis, at, int(room), &bitstream);
                                                    return got < 1 ? size_t(0) : size_t(got);
                                                });
    ov_clear(&vorbis);
    if (filled < bytes)
    {
        DropBuffer(id); // as making the buffer first would have
        return false;
    }
    if (!CreateBuffer(id, WORD(channels), DWORD(rate), 16, DWORD(bytes)))
        return false;
    void* data = nullptr;
    DWORD locked = 0;
    if (FAILED(mSourceSounds[id]->Lock(0, DWORD(bytes), &data, &locked, nullptr, nullptr, 0)))
    {
        DropBuffer(id);
        return false;
    }
    std::memcpy(data, pcm.data(), std::min<size_t>(locked, bytes));
    if (FAILED(mSourceSounds[id]->Unlock(data, locked, nullptr, 0)))
    {
        DropBuffer(id);
        return false;
    }
    return true;
}

bool DSoundManager::LoadAUSound(unsigned int id, const std::string& fileName)
{
    if (id >= kMaxSounds)
        return false;
    SoundFileReader file(fileName);
    uint32_t offset = 0;
    uint32_t size = 0;
    uint32_t encoding = 0;
    uint32_t samplesPerSec = 0;
    uint32_t channels = 0;
    if (!file.IsOpen() || !file.Tag(".snd") || !file.U32BE(offset) || !file.U32BE(size) ||
        !file.U32BE(encoding) || !file.U32BE(samplesPerSec) || !file.U32BE(channels) || !file.Seek(offset))
        return false;
    if ((encoding != kAUMuLaw && encoding != kAULinear8) || channels < 1 || channels > 2)
        return false;
    // An unknown size means the data runs to the end of the file.
    if (size == kAUUnknownSize)
        size = uint32_t(std::min<uint64_t>(file.Remaining(), kAUUnknownSize - 1));
    if (size > file.Remaining())
        return false;
    const WORD bits = encoding == kAUMuLaw ? 16 : 8;
    const uint64_t bytes = uint64_t(bits) * size / 8;
    if (bytes > DSBSIZE_MAX || !CreateBuffer(id, WORD(channels), samplesPerSec, bits, DWORD(bytes)))
        return false;
    void* data = nullptr;
    DWORD locked = 0;
    if (FAILED(mSourceSounds[id]->Lock(0, DWORD(bytes), &data, &locked, nullptr, nullptr, 0)))
    {
        DropBuffer(id);
        return false;
    }
    // Read and converted a piece at a time: the whole file beside its buffer took half as much
    // memory again.
    std::vector<uint8_t> encoded(std::min<uint32_t>(size, 1u << 16));
    bool read = true;
    uint8_t* out = static_cast<uint8_t*>(data);
    for (uint32_t done = 0; done < size && read;)
    {
        const uint32_t count = std::min<uint32_t>(size - done, uint32_t(encoded.size()));
        read = file.Read(encoded.data(), count);
        for (uint32_t i = 0; i < count; i++, done++)
        {
            if (encoding == kAULinear8)
            {
                // Signed in the file, unsigned in the buffer.
                out[done] = uint8_t(encoded[i] ^ 0x80);
                continue;
            }
            const uint16_t sample = uint16_t(MuLawSample(encoded[i]));
            out[2 * done] = uint8_t(sample);
            out[2 * done + 1] = uint8_t(sample >> 8);
        }
    }
    bool unlocked = SUCCEEDED(mSourceSounds[id]->Unlock(data, locked, nullptr, 0));
    if (!read || !unlocked)
    {
        DropBuffer(id);
        return false;
    }
    return true;
}

} // namespace Lumo
