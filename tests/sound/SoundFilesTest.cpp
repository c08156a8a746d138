// Sound files and the converted-sound cache: the readers' checks, the cache file's bytes and
// when a cached copy is stale. Sample bytes are read back through the cache writer.
#include "../BigClaims.h"
#include "ManagerFixture.h"
#include "tremor/OggLinks.h"
#include "tremor/TremorMemory.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <tremor/ivorbisfile.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <malloc.h>
#include <memory>

using namespace SoundTest;
using Lumo::DSoundManager;
namespace fs = std::filesystem;

namespace
{
const fs::path kLoopOgg = fs::path(LUMO_AUDIO_TEST_DATA) / "loop.ogg";
const fs::path kTwoPageOgg = fs::path(LUMO_ASSETS_DIR) / "sfx/cashregister.ogg";

class SoundFilesTest : public ManagerFixture
{
protected:
    // Loads a file with one reader into id 0 and gives the cache file written from it.
    std::string Decoded(bool (DSoundManager::*reader)(unsigned int, const std::string&), const Bytes& file)
    {
        mFolder.Write("input", file);
        if (!(mManager.get()->*reader)(0, "input"))
            return std::string();
        EXPECT_TRUE(mManager->WriteCacheWAV("out.wav", 0, "input"));
        return mFolder.Read("out.wav");
    }
    // Offset of the "data" chunk's bytes in a cache file whose source was "input".
    static constexpr size_t kDataAt = 62 + 5 + 1;

    static uint64_t FileTime(const std::string& path)
    {
        FILETIME time{};
        EXPECT_TRUE(DSoundManager::GetFileWriteTime(path, time));
        return uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime;
    }
};
} // namespace

TEST_F(SoundFilesTest, OggIsDecodedOnceAndCachedWithItsSource)
{
    fs::create_directory(mFolder.Path("snd"));
    fs::copy_file(kLoopOgg, mFolder.Path("snd/tones.ogg"));
    ASSERT_EQ(mManager->LoadSound("snd\\tones"), 255);

    const std::string cache = mFolder.Read("cached/snd/tones.wav");
    const std::string source = "snd\\tones.ogg"; // 13 bytes: the "dep " chunk is odd and padded
    const uint32_t dataSize = 10000 * 2;
    ASSERT_EQ(cache.size(), 62 + source.size() + 1 + dataSize);
    EXPECT_EQ(cache.substr(0, 4), "RIFF");
    EXPECT_EQ(Get32(cache, 4), cache.size() - 8);
    EXPECT_EQ(cache.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Get32(cache, 16), 16u);
    EXPECT_EQ(Get16(cache, 20), 1);
    EXPECT_EQ(Get16(cache, 22), 1);
    EXPECT_EQ(Get32(cache, 24), 44100u);
    EXPECT_EQ(Get32(cache, 28), 88200u);
    EXPECT_EQ(Get16(cache, 32), 2);
    EXPECT_EQ(Get16(cache, 34), 16);
    EXPECT_EQ(cache.substr(36, 4), "dep ");
    EXPECT_EQ(Get32(cache, 40), source.size() + 10);
    EXPECT_EQ(Get16(cache, 44), source.size());
    EXPECT_EQ(cache.substr(46, source.size()), source);
    const size_t timeAt = 46 + source.size();
    const uint64_t stored = uint64_t(Get32(cache, timeAt + 4)) << 32 | Get32(cache, timeAt);
    EXPECT_EQ(stored, FileTime(source));
    // FILETIME: 100 ns steps since 1601.
    struct stat info;
    ASSERT_EQ(stat(mFolder.Path("snd/tones.ogg").c_str(), &info), 0);
    EXPECT_EQ(stored,
              (uint64_t(info.st_mtim.tv_sec) + 11644473600ull) * 10000000ull + info.st_mtim.tv_nsec / 100);
    EXPECT_EQ(cache[timeAt + 8], '\0'); // the pad byte
    EXPECT_EQ(cache.substr(timeAt + 9, 4), "data");
    EXPECT_EQ(Get32(cache, timeAt + 13), dataSize);
    // A sine of amplitude 12000, 100 frames a period.
    int peak = 0;
    for (size_t i = 0; i < 100; i++)
        peak = std::max(peak, std::abs(int(Sample16(cache, timeAt + 17 + 2 * i))));
    EXPECT_NEAR(peak, 12000, 600);

    // The second load reads the cache: the source, spoilt but with its time kept, is not opened.
    const auto time = fs::last_write_time(mFolder.Path("snd/tones.ogg"));
    mFolder.Write("snd/tones.ogg", Bytes(64, 'x'));
    fs::last_write_time(mFolder.Path("snd/tones.ogg"), time);
    DSoundManager second(TestWindow(), false);
    EXPECT_EQ(second.LoadSound("snd\\tones"), 255);
}

TEST_F(SoundFilesTest, ANewerSourceOrAMissingOneMakesTheCacheStale)
{
    fs::copy_file(kLoopOgg, mFolder.Path("music.ogg"));
    ASSERT_EQ(mManager->LoadSound("music"), 255);
    const std::string first = mFolder.Read("cached/music.wav");

    auto path = mFolder.Path("music.ogg");
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(90));
    DSoundManager again(TestWindow(), false);
    ASSERT_EQ(again.LoadSound("music"), 255);
    const std::string rewritten = mFolder.Read("cached/music.wav");
    ASSERT_EQ(rewritten.size(), first.size());
    EXPECT_NE(rewritten.substr(55, 8), first.substr(55, 8)); // the new time
    EXPECT_EQ(rewritten.substr(55, 8).size(), 8u);

    // A copy that cannot be written whole leaves the sound loaded and the old copy untouched.
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(90));
    {
        FileSizeLimit full(64);
        DSoundManager unwritable(TestWindow(), false);
        EXPECT_EQ(unwritable.LoadSound("music"), 255);
        EXPECT_FALSE(unwritable.WriteCacheWAV("cached\\music.wav", 255, "music.ogg"));
    }
    EXPECT_EQ(mFolder.Read("cached/music.wav"), rewritten);
    EXPECT_EQ(std::distance(fs::directory_iterator(mFolder.Path("cached")), fs::directory_iterator()), 1);

    fs::remove(path);
    DSoundManager gone(TestWindow(), false);
    EXPECT_EQ(gone.LoadSound("music"), -1);
}

TEST_F(SoundFilesTest, OnlyRelativeNamesAreCached)
{
    for (const char* name : {"ab", "c:drive"})
    {
        fs::copy_file(kLoopOgg, mFolder.Path(std::string(name) + ".ogg"));
        EXPECT_EQ(mManager->LoadSound(name), mManager->LoadSound(name));
        EXPECT_GE(mManager->LoadSound(name), 0) << name;
    }
    fs::copy_file(kLoopOgg, mFolder.Path("abs.ogg"));
    EXPECT_GE(mManager->LoadSound(mFolder.Path("abs")), 0);
    EXPECT_FALSE(fs::exists(mFolder.Path("cached")));
    EXPECT_FALSE(mManager->WriteCacheWAV("", 255, "ab.ogg"));
    EXPECT_FALSE(mManager->WriteCacheWAV("x.wav", 256, "ab.ogg"));
}

TEST_F(SoundFilesTest, WavChunks)
{
    const Bytes data = Pcm16({100, -100, 200, -200});
    // A "LIST" chunk of odd length before "fmt ": skipped with its pad byte.
    Bytes chunks;
    PutChunk(chunks, "LIST", Bytes(5, 'L'));
    PutChunk(chunks, "fmt ", FmtBody(1, 2, 11025, 16));
    PutChunk(chunks, "data", data);
    std::string out = Decoded(&DSoundManager::LoadWAVSound, Riff(chunks));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(Get16(out, 22), 2);
    EXPECT_EQ(Get32(out, 24), 11025u);
    EXPECT_EQ(out.substr(kDataAt, data.size()), AsString(data));

    // Without "fmt ": 22050 Hz, 16-bit mono.
    Bytes bare;
    PutChunk(bare, "data", data);
    out = Decoded(&DSoundManager::LoadWAVSound, Riff(bare));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(Get16(out, 22), 1);
    EXPECT_EQ(Get32(out, 24), 22050u);
    EXPECT_EQ(Get16(out, 34), 16);

    // Refused: a float format, zero channels or bits, three channels, a truncated data chunk,
    // a short "fmt ", no "data" at all, no RIFF header.
    auto refused = [&](const Bytes& fmt, const Bytes& body)
    {
        Bytes file;
        PutChunk(file, "fmt ", fmt);
        PutChunk(file, "data", body);
        mFolder.Write("bad.wav", Riff(file));
        return !mManager->LoadWAVSound(1, "bad.wav");
    };
    EXPECT_TRUE(refused(FmtBody(3, 1, 22050, 32), data));
    EXPECT_TRUE(refused(FmtBody(1, 0, 22050, 16), data));
    EXPECT_TRUE(refused(FmtBody(1, 1, 22050, 0), data));
    EXPECT_TRUE(refused(FmtBody(1, 3, 22050, 16), Bytes(12)));
    EXPECT_TRUE(refused(Bytes(10, 1), data));
    Bytes truncated = Wav(1, 22050, 16, Bytes(64));
    truncated.resize(truncated.size() - 10);
    mFolder.Write("cut.wav", truncated);
    EXPECT_FALSE(mManager->LoadWAVSound(1, "cut.wav"));
    Bytes noData;
    PutChunk(noData, "fmt ", FmtBody(1, 1, 22050, 16));
    mFolder.Write("nodata.wav", Riff(noData));
    EXPECT_FALSE(mManager->LoadWAVSound(1, "nodata.wav"));
    mFolder.Write("junk.wav", Bytes(40, 'j'));
    EXPECT_FALSE(mManager->LoadWAVSound(1, "junk.wav"));
    EXPECT_FALSE(mManager->WriteCacheWAV("none.wav", 1, "x")); // nothing left behind
}

TEST_F(SoundFilesTest, LongDependencyNamesAreComparedByTheirFirst255Bytes)
{
    const std::string shortName(255, 'n');
    mFolder.Write(shortName, Bytes(3, 1));
    const uint64_t time = FileTime(shortName);
    Bytes dep;
    const std::string longName = shortName + std::string(45, 'z'); // no such file
    Put16(dep, uint16_t(longName.size()));
    dep.insert(dep.end(), longName.begin(), longName.end());
    Put32(dep, uint32_t(time));
    Put32(dep, uint32_t(time >> 32));
    Bytes chunks;
    PutChunk(chunks, "fmt ", FmtBody(1, 1, 22050, 8));
    PutChunk(chunks, "dep ", dep);
    PutChunk(chunks, "data", Bytes(8, 0x80));
    mFolder.Write("long.wav", Riff(chunks));
    EXPECT_TRUE(mManager->LoadWAVSound(0, "long.wav"));
}

TEST_F(SoundFilesTest, MuLawValues)
{
    std::string out =
        Decoded(&DSoundManager::LoadAUSound, Au(1, 1, 8000, {0xFF, 0x7F, 0x81, 0x01, 0x80, 0x00}));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(Get16(out, 34), 16);
    EXPECT_EQ(Get32(out, 24), 8000u);
    EXPECT_EQ(Sample16(out, kDataAt + 0), 0);
    EXPECT_EQ(Sample16(out, kDataAt + 2), 0);
    EXPECT_EQ(Sample16(out, kDataAt + 4), 30592);
    EXPECT_EQ(Sample16(out, kDataAt + 6), -30592);
    EXPECT_EQ(Sample16(out, kDataAt + 8), 31616);
    EXPECT_EQ(Sample16(out, kDataAt + 10), -31616);
}

TEST_F(SoundFilesTest, AuLinearAndSizes)
{
    // Signed 8-bit in the file, unsigned in the buffer.
    std::string out = Decoded(&DSoundManager::LoadAUSound, Au(2, 2, 11025, {0x00, 0x7F, 0x80, 0xFF}));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(Get16(out, 34), 8);
    EXPECT_EQ(Get16(out, 22), 2);
    EXPECT_EQ(out.substr(kDataAt, 4), std::string("\x80\xFF\x00\x7F", 4));

    // An unknown size: the data runs to the end of the file.
    out = Decoded(&DSoundManager::LoadAUSound, Au(2, 1, 8000, Bytes(6, 0x10), 0xFFFFFFFF));
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(Get32(out, kDataAt - 4), 6u);
    // Data of odd length are followed by a pad byte, counted in the RIFF size only.
    out = Decoded(&DSoundManager::LoadAUSound, Au(2, 1, 8000, Bytes(5, 0x10), 0xFFFFFFFF));
    ASSERT_EQ(out.size(), kDataAt + 6);
    EXPECT_EQ(Get32(out, kDataAt - 4), 5u);
    EXPECT_EQ(Get32(out, 4), out.size() - 8);
    EXPECT_EQ(out.substr(kDataAt + 4), std::string("\x90\0", 2));

    // A long sound is read a piece at a time into its buffer, not whole beside it, and its copy
    // is written from that buffer. Blocks of 1 MB and more come new from the system, so that what
    // each step takes shows in the peak.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    const uint32_t length = 4u << 20;
    mFolder.Write("long.au", Au(2, 1, 8000, Bytes(length, 0x10)));
    PeakMemory loading;
    ASSERT_TRUE(mManager->LoadAUSound(4, "long.au"));
    EXPECT_LT(loading.RiseKb(), length * 3 / 2 / 1024);
    PeakMemory writing;
    EXPECT_TRUE(mManager->WriteCacheWAV("long.wav", 4, "long.au"));
    EXPECT_LT(writing.RiseKb(), length / 2 / 1024);
    EXPECT_EQ(fs::file_size(mFolder.Path("long.wav")), 62 + std::string("long.au").size() + 1 + length);
    mManager->ReleaseSound(4);

    mFolder.Write("a.au", Au(2, 1, 8000, Bytes(8, 1), 4000)); // more than the file holds
    EXPECT_FALSE(mManager->LoadAUSound(1, "a.au"));
    mFolder.Write("a.au", Au(2, 0, 8000, Bytes(8, 1)));
    EXPECT_FALSE(mManager->LoadAUSound(1, "a.au"));
    mFolder.Write("a.au", Au(2, 3, 8000, Bytes(9, 1)));
    EXPECT_FALSE(mManager->LoadAUSound(1, "a.au"));
    mFolder.Write("a.au", Au(3, 1, 8000, Bytes(8, 1))); // 16-bit linear: not read
    EXPECT_FALSE(mManager->LoadAUSound(1, "a.au"));
    mFolder.Write("a.au", Bytes(30, 's'));
    EXPECT_FALSE(mManager->LoadAUSound(1, "a.au"));
}

TEST_F(SoundFilesTest, LoadingOrderAndBrokenOggs)
{
    // ".wav" wins over ".ogg" and is never cached; ".au" is the last resort and is cached.
    mFolder.Write("both.wav", Wav(1, 22050, 8, Bytes(8, 0x80)));
    fs::copy_file(kLoopOgg, mFolder.Path("both.ogg"));
    EXPECT_EQ(mManager->LoadSound("both"), 255);
    EXPECT_FALSE(fs::exists(mFolder.Path("cached/both.wav")));
    mFolder.Write("mulaw.au", Au(1, 1, 8000, Bytes(8, 0xFF)));
    mFolder.Write("mulaw.mp3", Bytes(100, 'm')); // skipped without the fmod back end
    EXPECT_EQ(mManager->LoadSound("mulaw"), 254);
    EXPECT_TRUE(fs::exists(mFolder.Path("cached/mulaw.wav")));

    // A cut Ogg fails after its buffer was made: nothing is left under the id.
    Bytes ogg = FileBytes(kLoopOgg);
    ASSERT_FALSE(ogg.empty());
    Bytes cut(ogg.begin(), ogg.begin() + long(ogg.size() / 2));
    mFolder.Write("cut.ogg", cut);
    EXPECT_FALSE(mManager->LoadOGGSound(3, "cut.ogg"));
    EXPECT_EQ(mManager->GetSoundInstance(3), nullptr);
    EXPECT_EQ(mManager->LoadSound("cut"), -1);
    mFolder.Write("junk.ogg", Bytes(200, 'o'));
    EXPECT_FALSE(mManager->LoadOGGSound(3, "junk.ogg"));

    // The last page claiming 60 M frames (up to 240 MB): refused without taking that memory.
    ogg = OggClaimingFrames(kTwoPageOgg, 60'000'000);
    ASSERT_FALSE(ogg.empty());
    mFolder.Write("claims.ogg", ogg);
    PeakMemory peak;
    EXPECT_FALSE(mManager->LoadOGGSound(3, "claims.ogg"));
    EXPECT_EQ(mManager->GetSoundInstance(3), nullptr);
    EXPECT_LT(peak.RiseKb(), 64 * 1024);

    // Twice as many chained links as a file may have: refused before Tremor reads and keeps the
    // headers of every link (some 120 KB each).
    mFolder.Write("chain.ogg", OggChain(kLoopOgg, 2 * Platform::kMaxOggLinks));
    PeakMemory chained;
    EXPECT_FALSE(mManager->LoadOGGSound(3, "chain.ogg"));
    EXPECT_LT(chained.RiseKb(), 16 * 1024);

    // One damaged page in the first of two links: Tremor then seeks on a stream it had cleared,
    // which was taken for memory running out and ended the process.
    Bytes damaged = OggChain(kLoopOgg, 2);
    damaged[damaged.size() / 2 - 64] ^= 0x02;
    mFolder.Write("damaged.ogg", damaged);
    const bool loaded = mManager->LoadOGGSound(3, "damaged.ogg");
    EXPECT_EQ(loaded, mManager->GetSoundInstance(3) != nullptr);
}

namespace
{
// Takes every byte the process may still have: the address space is limited to what it uses now.
void UseUpMemory()
{
    long pages = 0;
    std::fscanf(std::fopen("/proc/self/statm", "r"), "%ld", &pages);
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE));
    setrlimit(RLIMIT_AS, &limit);
    for (size_t block = size_t(1) << 20; block >= 16; block /= 2)
        for (;;)
        {
            void* volatile taken = std::malloc(block);
            if (taken == nullptr)
                break;
        }
}
} // namespace

// Tremor uses what its allocations (and libogg's calls that allocate) return without looking:
// with the memory used up, the first that fails ends the program with its message and the fatal
// exit code, not a crash in the decoder.
TEST(TremorMemory, RunningOutInsideTheDecoderEndsTheProgram)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' allocators do not run under an address-space limit";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::function<void()> calls[] = {
        []
        {
            FILE* file = std::fopen(kLoopOgg.c_str(), "rb");
            UseUpMemory();
            OggVorbis_File vorbis;
            ov_open(file, &vorbis, nullptr, 0);
        },
        []
        {
            ogg_sync_state sync;
            ogg_sync_init(&sync);
            UseUpMemory();
            lumo_tremor_ogg_sync_buffer(&sync, 4096);
        },
        []
        {
            ogg_stream_state stream;
            UseUpMemory();
            lumo_tremor_ogg_stream_init(&stream, 1);
        },
    };
    for (const auto& call : calls)
        EXPECT_EXIT(
            {
                call();
                std::_Exit(0);
            },
            testing::ExitedWithCode(EXIT_FAILURE), "Out of memory.");
}

// Seeking in a chained file with a damaged link, Tremor hands libogg a stream that has given out
// more than it holds (found by the Ogg harnesses): the page is refused, where libogg moved a
// negative length.
TEST(TremorMemory, APageForAStreamThatGaveOutMoreThanItHoldsIsRefused)
{
    const Bytes ogg = FileBytes(kLoopOgg);
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    std::memcpy(ogg_sync_buffer(&sync, long(ogg.size())), ogg.data(), ogg.size());
    ogg_sync_wrote(&sync, long(ogg.size()));
    ogg_page page;
    ASSERT_EQ(ogg_sync_pageout(&sync, &page), 1);
    ogg_stream_state stream;
    ogg_stream_init(&stream, ogg_page_serialno(&page));
    stream.body_fill = 30;
    stream.body_returned = 2658;
    EXPECT_EQ(lumo_tremor_ogg_stream_pagein(&stream, &page), -1);
    ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
}
