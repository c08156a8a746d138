// Loading a sound by name: the converted-sound cache, then the WAV, MP3, Ogg and AU sources;
// the WAV reader and the cache writer.
#include "app/Common.h"
#include "media/DSoundManager.h"
#include "media/SoundFileReader.h"
#include "media/WavWriting.h"

#include "core/atomic_file.h"

#include <cstring>
#include <vector>

namespace Lumo
{

namespace
{
constexpr DWORD kBufferFlags = DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLFREQUENCY |
                               DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME | DSBCAPS_GLOBALFOCUS;
constexpr size_t kMaxDepNameLength = 255;

// Only a relative name has a cached copy: not "\x", "/x", "c:x" or a name of two characters.
bool IsRelativeName(const std::string& name)
{
    return name.size() > 2 && name[0] != '\\' && name[0] != '/' && name[1] != ':';
}

// Source stamp of a cached copy: stale unless the source's last-write time is the stored one
// (a missing source has time zero).
bool DependencyIsCurrent(SoundFileReader& file)
{
    uint16_t length = 0;
    if (!file.U16LE(length))
        return false;
    std::string source(length > kMaxDepNameLength ? kMaxDepNameLength : length, '\0');
    uint32_t low = 0;
    uint32_t high = 0;
    // The stored time follows the whole name, however much of it is compared.
    if (!file.Read(source.data(), source.size()) || !file.Seek(file.Position() + (length - source.size())) ||
        !file.U32LE(low) || !file.U32LE(high))
        return false;
    FILETIME time{};
    DSoundManager::GetFileWriteTime(source, time);
    return time.dwLowDateTime == low && time.dwHighDateTime == high;
}
} // namespace

bool DSoundManager::LoadSound(unsigned int id, const std::string& name)
{
    if (id >= kMaxSounds)
        return false;
    ReleaseSound(id);
    if (!mDirectSound)
        return true; // silent: nothing is stored
    mSourceFileNames[id] = name;

    std::string cacheName = IsRelativeName(name) ? "cached\\" + name + ".wav" : std::string();
    if (!cacheName.empty())
    {
        if (LoadWAVSound(id, cacheName))
            return true;
        MkDir(GetFileDir(cacheName));
    }
    if (LoadWAVSound(id, name + ".wav"))
        return true; // a WAV source needs no converted copy
    for (const char* extension : {".mp3", ".ogg", ".au"})
    {
        const std::string source = name + extension;
        // The time is taken before the source is read: one saved meanwhile leaves the copy stale,
        // where the time after reading would have stamped the old sound as the new file's.
        FILETIME sourceTime{};
        GetFileWriteTime(source, sourceTime);
        bool loaded = extension[1] == 'm'   ? mUseFMod && LoadFModSound(id, source)
                      : extension[1] == 'o' ? LoadOGGSound(id, source)
                                            : LoadAUSound(id, source);
        if (loaded)
        {
            WriteCache(cacheName, id, source, sourceTime);
            return true;
        }
    }
    // Nothing loaded: the name is forgotten, so that a later load of it tries again rather
    // than handing out an id without a sound.
    ReleaseSound(id);
    return false;
}

bool DSoundManager::CreateBuffer(unsigned int id, WORD channels, DWORD samplesPerSec, WORD bits, DWORD bytes)
{
    if (id >= kMaxSounds || !mDirectSound || channels < 1 || channels > 2 || (bits != 8 && bits != 16))
        return false;
    DropBuffer(id);
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = samplesPerSec;
    format.wBitsPerSample = bits;
    format.nBlockAlign = WORD(channels * bits / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * samplesPerSec;
    DSBUFFERDESC desc{};
    desc.dwSize = DSBUFFERDESC_SIZE_32BIT;
    desc.dwFlags = kBufferFlags;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(mDirectSound->CreateSoundBuffer(&desc, &buffer, nullptr)) || !buffer)
        return false;
    mSourceSounds[id] = buffer;
    mSourceDataSizes[id] = bytes;
    return true;
}

void DSoundManager::DropBuffer(unsigned int id)
{
    if (mSourceSounds[id])
        mSourceSounds[id]->Release();
    mSourceSounds[id] = nullptr;
    mSourceDataSizes[id] = 0;
}

bool DSoundManager::LoadWAVSound(unsigned int id, const std::string& fileName)
{
    if (id >= kMaxSounds)
        return false;
    SoundFileReader file(fileName);
    uint32_t riffSize = 0;
    if (!file.IsOpen() || !file.Tag("RIFF") || !file.U32LE(riffSize) || !file.Tag("WAVE"))
        return false;
    uint16_t bits = 16;
    uint16_t channels = 1;
    uint32_t samplesPerSec = 22050;
    uint32_t dataSize = 0;
    for (;;)
    {
        char chunk[4];
        uint32_t chunkSize = 0;
        if (!file.Read(chunk, 4) || !file.U32LE(chunkSize))
            return false;
        const uint64_t start = file.Position();
        if (std::memcmp(chunk, "fmt ", 4) == 0)
        {
            uint16_t tag = 0;
            uint16_t blockAlign = 0;
            uint32_t bytesPerSec = 0;
            if (chunkSize < 16 || !file.U16LE(tag) || !file.U16LE(channels) || !file.U32LE(samplesPerSec) ||
                !file.U32LE(bytesPerSec) || !file.U16LE(blockAlign) || !file.U16LE(bits) ||
                tag != WAVE_FORMAT_PCM)
                return false;
        }
        else if (std::memcmp(chunk, "dep ", 4) == 0)
        {
            if (!DependencyIsCurrent(file))
                return false;
        }
        else if (std::memcmp(chunk, "data", 4) == 0)
        {
            dataSize = chunkSize;
            break;
        }
        // Chunks of odd length are followed by a pad byte.
        if (!file.Seek(start + chunkSize + (chunkSize & 1)))
            return false;
    }
    if (dataSize > file.Remaining())
        return false;
    if (!CreateBuffer(id, channels, samplesPerSec, bits, dataSize))
        return false;
    void* data = nullptr;
    DWORD locked = 0;
    if (FAILED(mSourceSounds[id]->Lock(0, dataSize, &data, &locked, nullptr, nullptr, 0)))
    {
        DropBuffer(id);
        return false;
    }
    bool read = file.Read(data, locked) && locked == dataSize;
    bool unlocked = SUCCEEDED(mSourceSounds[id]->Unlock(data, locked, nullptr, 0));
    if (!read || !unlocked)
    {
        DropBuffer(id);
        return false;
    }
    return true;
}

bool DSoundManager::GetFileWriteTime(const std::string& fileName, FILETIME& time)
{
    time = FILETIME{};
    HANDLE file = CreateFileA(fileName.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = GetFileTime(file, nullptr, nullptr, &time) != FALSE;
    CloseHandle(file);
    if (!ok)
        time = FILETIME{};
    return ok;
}

bool DSoundManager::WriteCacheWAV(const std::string& cacheName, unsigned int id,
                                  const std::string& sourceName)
{
    FILETIME time{};
    GetFileWriteTime(sourceName, time);
    return WriteCache(cacheName, id, sourceName, time);
}

bool DSoundManager::WriteCache(const std::string& cacheName, unsigned int id, const std::string& sourceName,
                               const FILETIME& time)
{
    if (cacheName.empty() || id >= kMaxSounds || !mSourceSounds[id])
        return false;
    IDirectSoundBuffer* buffer = mSourceSounds[id];
    const DWORD dataSize = mSourceDataSizes[id];
    void* data = nullptr;
    DWORD locked = 0;
    if (FAILED(buffer->Lock(0, dataSize, &data, &locked, nullptr, nullptr, 0)))
        return false;
    DWORD formatSize = 0;
    WAVEFORMATEX format{};
    bool haveFormat = SUCCEEDED(buffer->GetFormat(nullptr, 0, &formatSize)) &&
                      SUCCEEDED(buffer->GetFormat(&format, sizeof(format), nullptr));
    if (!haveFormat)
    {
        buffer->Unlock(data, locked, nullptr, 0);
        return false;
    }
    const std::string source = sourceName.substr(0, 0xFFFF);
    const uint32_t depSize = uint32_t(source.size()) + 10;
    const uint32_t depPad = depSize & 1;
    const uint32_t dataPad = locked & 1;

    std::vector<uint8_t> out;
    WavOut::Header(out, 4 + 24 + 8 + depSize + depPad + 8 + locked + dataPad, format.nChannels,
                   format.nSamplesPerSec, format.wBitsPerSample);
    WavOut::Tag(out, "dep ");
    WavOut::U32(out, depSize);
    WavOut::U16(out, uint32_t(source.size()));
    out.insert(out.end(), source.begin(), source.end());
    WavOut::U32(out, time.dwLowDateTime);
    WavOut::U32(out, time.dwHighDateTime);
    if (depPad)
        out.push_back(0);
    WavOut::Tag(out, "data");
    WavOut::U32(out, locked);
    // The samples are written from the buffer itself: a copy beside them doubled the memory a
    // long sound took (250 MB more for 24 minutes of stereo).
    const uint8_t pad = 0;
    const Platform::FilePiece pieces[] = {{out.data(), out.size()}, {data, locked}, {&pad, dataPad}};
    // Whole or not at all; a copy that cannot be written leaves the sound loaded and uncached.
    std::string error;
    const bool written =
        Platform::WritePiecesAtomically(Platform::HostPath(cacheName.c_str()), pieces, error);
    const bool unlocked = SUCCEEDED(buffer->Unlock(data, locked, nullptr, 0));
    return written && unlocked;
}

} // namespace Lumo
