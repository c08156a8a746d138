#include "media/FModMusicInterface.h"
#include "media/DSoundManager.h"
#include "media/FModInstance.h"
#include "media/SoundFileReader.h"
#include "media/WavWriting.h"

#include "core/atomic_file.h"
#include "win32/host_files.h"

#include <cstring>
#include <vector>

namespace Lumo
{

namespace
{
// FMUSIC_SetLooping takes the loop modes of a channel: "play once" or "loop".
unsigned int LoopMode(bool loop)
{
    return loop ? FSOUND_LOOP_NORMAL : FSOUND_LOOP_OFF;
}

constexpr uint32_t kCacheHeaderBytes = 44;
} // namespace

FModMusicInterface::FModMusicInterface() : mFMod(AcquireFModInstance()) {}

FModMusicInterface::~FModMusicInterface()
{
    if (!mFMod)
        return;
    // What this back end started stops with it, even while the library stays open for effects.
    AutoCrit lock(mMapLock);
    for (auto& [id, info] : mMusicMap)
    {
        Stop(id, info);
        if (info.mHSample)
            mFMod->FSOUND_Sample_Free(info.mHSample);
    }
    mMusicMap.clear();
    ReleaseFModInstance();
}

FModMusicInfo* FModMusicInterface::Find(int songId)
{
    if (!mFMod)
        return nullptr;
    auto it = mMusicMap.find(songId);
    return it == mMusicMap.end() ? nullptr : &it->second;
}

bool FModMusicInterface::IsLoaded(int songId)
{
    AutoCrit lock(mMapLock);
    return mMusicMap.count(songId) != 0;
}

bool FModMusicInterface::Insert(int songId, const FModMusicInfo& info)
{
    AutoCrit lock(mMapLock);
    return mMusicMap.emplace(songId, info).second;
}

// Passed as it is: the library keeps what it is handed within its own range.
void FModMusicInterface::ApplyVolume(int songId, const FModMusicInfo& info)
{
    if (info.mHSample)
        mFMod->FSOUND_SetVolume(songId, int(mMasterVolume * info.mVolume * mSampleVolumeScale));
    else
        mFMod->FMUSIC_SetMasterVolume(info.mHMusic, int(info.mVolume * mMasterVolume * mMusicVolumeScale));
}

void FModMusicInterface::Stop(int songId, FModMusicInfo& info)
{
    info.mVolume = 0.0;
    if (info.mHSample)
        mFMod->FSOUND_StopSound(songId);
    else
        mFMod->FMUSIC_StopSong(info.mHMusic);
}

// An id already loaded keeps its song: it is checked before anything is loaded, so nothing is
// loaded only to be thrown away.
bool FModMusicInterface::LoadMusic(int songId, const std::string& fileName)
{
    AutoCrit load(mLoadLock);
    if (!mFMod || IsLoaded(songId))
        return false;
    FModMusicInfo info;
    info.mHMusic = mFMod->FMUSIC_LoadSong(fileName.c_str());
    return info.mHMusic && Insert(songId, info);
}

bool FModMusicInterface::LoadMusic(int songId, const std::string& fileName, bool loop)
{
    AutoCrit load(mLoadLock);
    if (!mFMod || IsLoaded(songId))
        return false;
    FModMusicInfo info;
    info.mHSample = LoadSampleCached(fileName);
    info.mLoop = loop;
    return info.mHSample && Insert(songId, info);
}

bool FModMusicInterface::LoadMusic(int songId, const std::string& introFile, const std::string& loopFile,
                                   bool loop)
{
    AutoCrit load(mLoadLock);
    if (!mFMod || IsLoaded(songId))
        return false;
    FSOUND_SAMPLE* intro = LoadSampleCached(introFile);
    FSOUND_SAMPLE* body = LoadSampleCached(loopFile);
    FModMusicInfo info;
    info.mHSample = intro && body ? JoinSamples(intro, body) : nullptr;
    info.mLoop = loop;
    // The two halves are freed whether or not they could be joined.
    for (FSOUND_SAMPLE* half : {intro, body})
        if (half)
            mFMod->FSOUND_Sample_Free(half);
    return info.mHSample && Insert(songId, info);
}

FSOUND_SAMPLE* FModMusicInterface::JoinSamples(FSOUND_SAMPLE* intro, FSOUND_SAMPLE* body)
{
    const FModSampleFormat introFormat = SampleFormatOf(*mFMod, intro);
    const FModSampleFormat bodyFormat = SampleFormatOf(*mFMod, body);
    if (introFormat.frequency != bodyFormat.frequency || introFormat.mode != bodyFormat.mode)
        return nullptr;
    const unsigned int introLength = introFormat.frames;
    const unsigned int bodyLength = bodyFormat.frames;
    const unsigned int frameBytes = introFormat.BlockAlign();
    if (introLength == 0 || bodyLength == 0 || uint64_t(introLength) + bodyLength > 0x7FFFFFFF / frameBytes)
        return nullptr;
    const unsigned int length = introLength + bodyLength;
    FSOUND_SAMPLE* joined = mFMod->FSOUND_Sample_Alloc(-1, int(length), introFormat.mode | FSOUND_LOOP_NORMAL,
                                                       introFormat.frequency, 255, 128, 0);
    if (!joined)
        return nullptr;
    void* target = nullptr;
    unsigned int targetBytes = 0;
    bool copied = false;
    if (mFMod->FSOUND_Sample_Lock(joined, 0, int(length * frameBytes), &target, nullptr, &targetBytes,
                                  nullptr))
    {
        copied = targetBytes == length * frameBytes;
        unsigned int offset = 0;
        for (auto [half, frames] : {std::pair{intro, introLength}, std::pair{body, bodyLength}})
        {
            void* source = nullptr;
            unsigned int sourceBytes = 0;
            const unsigned int bytes = frames * frameBytes;
            if (copied &&
                mFMod->FSOUND_Sample_Lock(half, 0, int(bytes), &source, nullptr, &sourceBytes, nullptr))
            {
                copied = sourceBytes == bytes;
                if (copied)
                    std::memcpy(static_cast<uint8_t*>(target) + offset, source, bytes);
                mFMod->FSOUND_Sample_Unlock(half, source, nullptr, sourceBytes, 0);
            }
            else
                copied = false;
            offset += bytes;
        }
        mFMod->FSOUND_Sample_Unlock(joined, target, nullptr, targetBytes, 0);
    }
    if (!copied)
    {
        mFMod->FSOUND_Sample_Free(joined);
        return nullptr;
    }
    // The intro plays once, then the body repeats.
    mFMod->FSOUND_Sample_SetLoopPoints(joined, int(introLength), int(length - 1));
    return joined;
}

FSOUND_SAMPLE* FModMusicInterface::LoadSampleCached(const std::string& fileName)
{
    if (!mFMod)
        return nullptr;
    const size_t slash = fileName.find_last_of("\\/");
    const size_t baseStart = slash == std::string::npos ? 0 : slash + 1;
    std::string base = fileName.substr(baseStart);
    base = base.substr(0, base.rfind('.'));
    const std::string cacheName = fileName.substr(0, baseStart) + "cached_" + base + ".wav";
    const std::string sourceName = fileName + ".ogg";

    // The copy is used while it is whole and bears the last-write time its source had when it was
    // decoded: a source changed since, to an older time as well as a newer one, or changed while
    // it was being decoded, is decoded again.
    FILETIME cacheTime{};
    FILETIME sourceTime{};
    const bool haveCache = DSoundManager::GetFileWriteTime(cacheName, cacheTime);
    const bool haveSource = DSoundManager::GetFileWriteTime(sourceName, sourceTime);
    if (haveCache && CacheIsWhole(cacheName) &&
        (!haveSource || (cacheTime.dwLowDateTime == sourceTime.dwLowDateTime &&
                         cacheTime.dwHighDateTime == sourceTime.dwHighDateTime)))
    {
        if (FSOUND_SAMPLE* cached = mFMod->FSOUND_Sample_Load(-1, cacheName.c_str(), 0, 0))
            return cached;
    }
    FSOUND_SAMPLE* sample = mFMod->FSOUND_Sample_Load(-1, sourceName.c_str(), 0, 0);
    if (sample)
        WriteCache(sample, cacheName, haveSource ? &sourceTime : nullptr);
    return sample;
}

bool FModMusicInterface::CacheIsWhole(const std::string& cacheName)
{
    SoundFileReader file(cacheName);
    const uint64_t size = file.Remaining();
    uint32_t riffSize = 0;
    uint32_t formatSize = 0;
    uint32_t dataSize = 0;
    return file.IsOpen() && file.Tag("RIFF") && file.U32LE(riffSize) && file.Tag("WAVE") &&
           file.Tag("fmt ") && file.U32LE(formatSize) && formatSize == 16 &&
           file.Seek(kCacheHeaderBytes - 8) && file.Tag("data") && file.U32LE(dataSize) &&
           uint64_t(riffSize) + 8 == size && uint64_t(dataSize) + kCacheHeaderBytes == size;
}

bool FModMusicInterface::WriteCache(FSOUND_SAMPLE* sample, const std::string& cacheName,
                                    const FILETIME* sourceTime)
{
    const FModSampleFormat format = SampleFormatOf(*mFMod, sample);
    const uint64_t dataLength = format.Bytes();
    if (dataLength == 0 || dataLength > 0x7FFFFFFF - 36)
        return false;
    void* data = nullptr;
    unsigned int locked = 0;
    if (!mFMod->FSOUND_Sample_Lock(sample, 0, int(dataLength), &data, nullptr, &locked, nullptr))
        return false;
    bool written = false;
    if (locked == dataLength)
    {
        std::vector<uint8_t> header;
        WavOut::Header(header, uint32_t(dataLength) + 36, format.channels, uint32_t(format.frequency),
                       format.bits);
        WavOut::Tag(header, "data");
        WavOut::U32(header, uint32_t(dataLength));
        // Whole or not at all, so that a crash or a full disk leaves no truncated copy; the samples
        // are written from the sample itself (a copy beside them took as much memory again).
        const Platform::FilePiece pieces[] = {{header.data(), header.size()}, {data, locked}};
        const timespec stamp = sourceTime ? Platform::TimespecFromFileTime(*sourceTime) : timespec{};
        std::string error;
        written = Platform::WritePiecesAtomically(Platform::HostPath(cacheName.c_str()), pieces, error,
                                                  nullptr, sourceTime ? &stamp : nullptr);
    }
    mFMod->FSOUND_Sample_Unlock(sample, data, nullptr, locked, 0);
    return written;
}

void FModMusicInterface::PlayMusic(int songId, int offset, bool noLoop)
{
    AutoCrit lock(mMapLock);
    FModMusicInfo* info = Find(songId);
    if (!info)
        return;
    info->mVolume = info->mVolumeCap;
    info->mVolumeAdd = 0.0;
    if (info->mHSample)
    {
        StartSample(songId, *info);
        ApplyVolume(songId, *info);
    }
    else
    {
        ApplyVolume(songId, *info);
        mFMod->FMUSIC_SetLooping(info->mHMusic, LoopMode(!noLoop));
        mFMod->FMUSIC_PlaySong(info->mHMusic);
        mFMod->FMUSIC_SetOrder(info->mHMusic, offset);
    }
}

void FModMusicInterface::StartSample(int songId, const FModMusicInfo& info)
{
    mFMod->FSOUND_PlaySound(songId, info.mHSample);
    mFMod->FSOUND_SetLoopMode(songId, LoopMode(info.mLoop));
}

void FModMusicInterface::FadeIn(int songId, int offset, double speed, bool noLoop)
{
    AutoCrit lock(mMapLock);
    FModMusicInfo* info = Find(songId);
    if (!info)
        return;
    info->mVolumeAdd = speed;
    if (info->mHSample)
    {
        if (!mFMod->FSOUND_IsPlaying(songId))
            StartSample(songId, *info);
        ApplyVolume(songId, *info);
    }
    else
    {
        ApplyVolume(songId, *info);
        mFMod->FMUSIC_SetLooping(info->mHMusic, LoopMode(!noLoop));
        if (!mFMod->FMUSIC_IsPlaying(info->mHMusic))
            mFMod->FMUSIC_PlaySong(info->mHMusic);
        mFMod->FMUSIC_SetOrder(info->mHMusic, offset);
    }
}

void FModMusicInterface::FadeOut(int songId, bool stopSong, double speed)
{
    AutoCrit lock(mMapLock);
    if (FModMusicInfo* info = Find(songId))
        info->StartFadeOut(stopSong, speed);
}

void FModMusicInterface::FadeOutAll(bool stopSongs, double speed)
{
    AutoCrit lock(mMapLock);
    for (auto& [id, info] : mMusicMap)
        info.StartFadeOut(stopSongs, speed);
}

void FModMusicInterface::StopMusic(int songId)
{
    AutoCrit lock(mMapLock);
    if (FModMusicInfo* info = Find(songId))
        Stop(songId, *info);
}

void FModMusicInterface::StopAllMusic()
{
    AutoCrit lock(mMapLock);
    for (auto& [id, info] : mMusicMap)
        Stop(id, info);
}

void FModMusicInterface::SetPaused(int songId, bool paused)
{
    AutoCrit lock(mMapLock);
    if (FModMusicInfo* info = Find(songId))
    {
        if (info->mHSample)
            mFMod->FSOUND_SetPaused(songId, paused);
        else
            mFMod->FMUSIC_SetPaused(info->mHMusic, paused);
    }
}

void FModMusicInterface::PauseMusic(int songId)
{
    SetPaused(songId, true);
}

void FModMusicInterface::ResumeMusic(int songId)
{
    SetPaused(songId, false);
}

void FModMusicInterface::SetSongVolume(int songId, double volume)
{
    AutoCrit lock(mMapLock);
    if (FModMusicInfo* info = Find(songId))
    {
        info->mVolume = volume;
        ApplyVolume(songId, *info);
    }
}

// A sampled song is asked of its channel: it has no module for the module player to know.
bool FModMusicInterface::IsPlaying(int songId)
{
    AutoCrit lock(mMapLock);
    FModMusicInfo* info = Find(songId);
    if (!info)
        return false;
    return info->mHSample ? mFMod->FSOUND_IsPlaying(songId) != 0
                          : mFMod->FMUSIC_IsPlaying(info->mHMusic) != 0;
}

void FModMusicInterface::SetVolume(double volume)
{
    AutoCrit lock(mMapLock);
    mMasterVolume = volume;
    if (!mFMod)
        return;
    for (auto& [id, info] : mMusicMap)
        ApplyVolume(id, info);
}

void FModMusicInterface::Update()
{
    AutoCrit lock(mMapLock);
    for (auto& [id, info] : mMusicMap)
    {
        const SongVolume::Step step = info.Advance();
        if (step == SongVolume::Step::none)
            continue;
        if (step == SongVolume::Step::stop)
            Stop(id, info);
        ApplyVolume(id, info);
    }
}

} // namespace Lumo
