// The music interface over fmod.dll: the exact calls against a recording function table, the
// music cache on disk, the fatal paths with the incomplete stand-in, the real stand-in heard
// through the mixer, and songs loaded on one thread while another plays.
#include "../BigClaims.h"
#include "SoundTestSupport.h"
#include "app/LumoAppBase.h"
#include "media/BassInstance.h"
#include "media/BassMusicInterface.h"
#include "media/FModInstance.h"
#include "media/FModMusicInterface.h"
#include "tests/audio/AudioTestSupport.h"

#include <malloc.h>
#include <sys/stat.h>
#include <utime.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

using namespace SoundTest;
using Lumo::FMOD_INSTANCE;
using Lumo::FModMusicInterface;
using Calls = std::vector<std::string>;

namespace
{
std::vector<std::string> gCalls;
// What the recorded library hands out: every sample 16-bit stereo 44100 Hz of 3 frames (or
// mono 22050 Hz when its name holds "mono"), with these bytes; null for names holding "missing".
std::vector<uint8_t> gSampleBytes;
std::vector<std::string> gSampleNames; // index = handle - 1
unsigned int gNextSong = 0x100;
int gPlaying = 1;

template <typename... Args> void Record(const char* name, Args... args)
{
    std::ostringstream text;
    text << name << "(";
    [[maybe_unused]] const char* separator = "";
    ((text << separator << args, separator = ","), ...);
    text << ")";
    gCalls.push_back(text.str());
}

Lumo::FSOUND_SAMPLE* AsSample(size_t n)
{
    return reinterpret_cast<Lumo::FSOUND_SAMPLE*>(n);
}

size_t Id(Lumo::FSOUND_SAMPLE* s)
{
    return reinterpret_cast<size_t>(s);
}

size_t Id(Lumo::FMUSIC_MODULE* m)
{
    return reinterpret_cast<size_t>(m);
}

bool Mono(Lumo::FSOUND_SAMPLE* s)
{
    return Id(s) <= gSampleNames.size() && gSampleNames[Id(s) - 1].find("mono") != std::string::npos;
}

FMOD_INSTANCE* RecordingTable()
{
    auto* t = new FMOD_INSTANCE();
    t->FSOUND_SetBufferSize = [](int ms) -> BOOL { return Record("SetBufferSize", ms), 1; };
    t->FSOUND_SetHWND = [](void* w) -> BOOL { return Record("SetHWND", w != nullptr), 1; };
    t->FSOUND_Init = [](int r, int c, unsigned f) -> BOOL { return Record("Init", r, c, f), 1; };
    t->FSOUND_Close = []() { Record("Close"); };
    t->FSOUND_Sample_Load = [](int i, const char* name, unsigned m, int l) -> Lumo::FSOUND_SAMPLE*
    {
        Record("Sample_Load", i, name, m, l);
        if (std::string(name).find("missing") != std::string::npos)
            return nullptr;
        gSampleNames.push_back(name);
        return AsSample(gSampleNames.size());
    };
    t->FSOUND_Sample_Alloc = [](int i, int l, unsigned m, int f, int v, int p, int pr) -> Lumo::FSOUND_SAMPLE*
    {
        Record("Sample_Alloc", i, l, m, f, v, p, pr);
        gSampleNames.push_back("joined");
        return AsSample(gSampleNames.size());
    };
    t->FSOUND_Sample_Free = [](Lumo::FSOUND_SAMPLE* s) -> BOOL { return Record("Sample_Free", Id(s)), 1; };
    t->FSOUND_Sample_Lock = [](Lumo::FSOUND_SAMPLE* s, int o, int l, void** d1, void** d2, unsigned* l1,
                               unsigned* l2) -> BOOL
    {
        Record("Sample_Lock", Id(s), o, l);
        static std::vector<uint8_t> joined(1 << 16);
        std::vector<uint8_t>& bytes = gSampleNames[Id(s) - 1] == "joined" ? joined : gSampleBytes;
        *d1 = bytes.data();
        *l1 = unsigned(std::min<size_t>(size_t(l), bytes.size()));
        return 1;
    };
    t->FSOUND_Sample_Unlock = [](Lumo::FSOUND_SAMPLE* s, void*, void*, unsigned l1, unsigned) -> BOOL
    { return Record("Sample_Unlock", Id(s), l1), 1; };
    t->FSOUND_Sample_SetLoopPoints = [](Lumo::FSOUND_SAMPLE* s, int a, int b) -> BOOL
    { return Record("Sample_SetLoopPoints", Id(s), a, b), 1; };
    t->FSOUND_Sample_GetLength = [](Lumo::FSOUND_SAMPLE* s) -> unsigned
    { return unsigned(gSampleBytes.size() / (Mono(s) ? 2 : 4)); };
    t->FSOUND_Sample_GetDefaults = [](Lumo::FSOUND_SAMPLE* s, int* f, int* v, int* p, int* pr) -> BOOL
    {
        *f = Mono(s) ? 22050 : 44100;
        return 1;
    };
    t->FSOUND_Sample_GetMode = [](Lumo::FSOUND_SAMPLE* s) -> unsigned { return Mono(s) ? 0x31u : 0x51u; };
    t->FSOUND_PlaySound = [](int c, Lumo::FSOUND_SAMPLE* s) -> int
    { return Record("PlaySound", c, Id(s)), c; };
    t->FSOUND_StopSound = [](int c) -> BOOL { return Record("StopSound", c), 1; };
    t->FSOUND_SetVolume = [](int c, int v) -> BOOL { return Record("SetVolume", c, v), 1; };
    t->FSOUND_SetPaused = [](int c, int p) -> BOOL { return Record("SetPaused", c, p), 1; };
    t->FSOUND_SetLoopMode = [](int c, unsigned m) -> BOOL { return Record("SetLoopMode", c, m), 1; };
    t->FSOUND_IsPlaying = [](int c) -> BOOL { return Record("IsPlaying", c), gPlaying; };
    t->FMUSIC_LoadSong = [](const char* name) -> Lumo::FMUSIC_MODULE*
    {
        Record("LoadSong", name);
        return reinterpret_cast<Lumo::FMUSIC_MODULE*>(uintptr_t(gNextSong++));
    };
    t->FMUSIC_PlaySong = [](Lumo::FMUSIC_MODULE* m) -> BOOL { return Record("PlaySong", Id(m)), 1; };
    t->FMUSIC_StopSong = [](Lumo::FMUSIC_MODULE* m) -> BOOL { return Record("StopSong", Id(m)), 1; };
    t->FMUSIC_SetLooping = [](Lumo::FMUSIC_MODULE* m, unsigned l) -> BOOL
    { return Record("SetLooping", Id(m), l), 1; };
    t->FMUSIC_SetOrder = [](Lumo::FMUSIC_MODULE* m, int o) -> BOOL
    { return Record("SetOrder", Id(m), o), 1; };
    t->FMUSIC_SetPaused = [](Lumo::FMUSIC_MODULE* m, int p) -> BOOL
    { return Record("SetSongPaused", Id(m), p), 1; };
    t->FMUSIC_SetMasterVolume = [](Lumo::FMUSIC_MODULE* m, int v) -> BOOL
    { return Record("SetMasterVolume", Id(m), v), 1; };
    t->FMUSIC_IsPlaying = [](Lumo::FMUSIC_MODULE* m) -> BOOL
    { return Record("SongIsPlaying", Id(m)), gPlaying; };
    return t;
}

class RecordedFMod : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gCalls.clear();
        gSampleNames.clear();
        gSampleBytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        gNextSong = 0x100;
        gPlaying = 1;
        Lumo::SetFModInstance(RecordingTable());
        mMusic = std::make_unique<FModMusicInterface>();
    }
    void TearDown() override
    {
        mMusic.reset();
        Lumo::SetFModInstance(nullptr);
    }
    Calls Take()
    {
        Calls calls = gCalls;
        gCalls.clear();
        return calls;
    }
    WorkingFolder mFolder;
    std::unique_ptr<FModMusicInterface> mMusic;
};

void SetModified(const std::string& path, time_t when)
{
    utimbuf times{when, when};
    ASSERT_EQ(utime(path.c_str(), &times), 0);
}
} // namespace

TEST_F(RecordedFMod, CachedCopyIsReadAloneWhileCurrent)
{
    mkdir("music", 0755);
    mFolder.Write("music/cached_Theme.wav", Wav(2, 44100, 16, {0, 0, 0, 0}));
    EXPECT_TRUE(mMusic->LoadMusic(1, "music\\Theme", true));
    EXPECT_EQ(Take(), (Calls{"Sample_Load(-1,music\\cached_Theme.wav,0,0)"}));

    // Older than its source, the copy is made again from the source.
    mFolder.Write("music/Theme.ogg", {});
    SetModified(mFolder.Path("music/cached_Theme.wav"), 1000000);
    EXPECT_TRUE(mMusic->LoadMusic(2, "music\\Theme", true));
    Calls calls = Take();
    ASSERT_GE(calls.size(), 1u);
    EXPECT_EQ(calls[0], "Sample_Load(-1,music\\Theme.ogg,0,0)");
    EXPECT_EQ(mFolder.Read("music/cached_Theme.wav").size(), 44u + 12u);
    // The new copy bears its source's time: read alone.
    EXPECT_TRUE(mMusic->LoadMusic(3, "music\\Theme", true));
    EXPECT_EQ(Take(), (Calls{"Sample_Load(-1,music\\cached_Theme.wav,0,0)"}));

    // A source put back with an older time than the copy's (as an archive unpacks it), and a
    // copy cut short that has its source's time: each is decoded again.
    auto decodedAgain = [&](int id)
    {
        EXPECT_TRUE(mMusic->LoadMusic(id, "music\\Theme", true));
        const Calls made = Take();
        return !made.empty() && made[0] == "Sample_Load(-1,music\\Theme.ogg,0,0)";
    };
    SetModified(mFolder.Path("music/Theme.ogg"), 500000);
    EXPECT_TRUE(decodedAgain(4));
    const std::string whole = mFolder.Read("music/cached_Theme.wav");
    mFolder.Write("music/cached_Theme.wav", Bytes(whole.begin(), whole.end() - 2));
    SetModified(mFolder.Path("music/cached_Theme.wav"), 500000);
    EXPECT_TRUE(decodedAgain(5));
    EXPECT_EQ(mFolder.Read("music/cached_Theme.wav"), whole);
}

TEST_F(RecordedFMod, DecodedSourceIsCachedWithA44ByteHeader)
{
    EXPECT_TRUE(mMusic->LoadMusic(3, "Theme", false));
    EXPECT_EQ(Take(), (Calls{"Sample_Load(-1,Theme.ogg,0,0)", "Sample_Lock(1,0,12)", "Sample_Unlock(1,12)"}));
    const std::string cache = mFolder.Read("cached_Theme.wav");
    ASSERT_EQ(cache.size(), 44u + 12u);
    EXPECT_EQ(cache.substr(0, 4), "RIFF");
    EXPECT_EQ(Get32(cache, 4), 12u + 36u);
    EXPECT_EQ(cache.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(Get32(cache, 16), 16u);
    EXPECT_EQ(Get16(cache, 20), 1u);      // PCM
    EXPECT_EQ(Get16(cache, 22), 2u);      // stereo
    EXPECT_EQ(Get32(cache, 24), 44100u);  // samples per second
    EXPECT_EQ(Get32(cache, 28), 176400u); // bytes per second
    EXPECT_EQ(Get16(cache, 32), 4u);      // block alignment
    EXPECT_EQ(Get16(cache, 34), 16u);
    EXPECT_EQ(cache.substr(36, 4), "data");
    EXPECT_EQ(Get32(cache, 40), 12u);
    EXPECT_EQ(cache.substr(44), AsString(gSampleBytes));

    // A long track's copy is written from the sample itself: a copy of it beside the sample took
    // as much memory again. Blocks of 1 MB and more come new from the system, so that it shows.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    gSampleBytes.assign(16u << 20, 7);
    PeakMemory writing;
    EXPECT_TRUE(mMusic->LoadMusic(5, "Long", false));
    EXPECT_LT(writing.RiseKb(), long(gSampleBytes.size() / 2 / 1024));
    EXPECT_EQ(std::filesystem::file_size(mFolder.Path("cached_Long.wav")), 44u + gSampleBytes.size());
    std::filesystem::remove(mFolder.Path("cached_Long.wav"));

    // A copy that cannot be written whole leaves none behind, and the song still loads.
    const auto files = std::distance(std::filesystem::directory_iterator(mFolder.Folder().Path()),
                                     std::filesystem::directory_iterator());
    {
        FileSizeLimit full(32);
        EXPECT_TRUE(mMusic->LoadMusic(4, "Other", false));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mFolder.Folder().Path()),
                            std::filesystem::directory_iterator()),
              files);
}

TEST_F(RecordedFMod, IntroAndLoopAreJoinedOrBothFreed)
{
    EXPECT_TRUE(mMusic->LoadMusic(5, "intro", "body", true));
    EXPECT_EQ(Take(), (Calls{"Sample_Load(-1,intro.ogg,0,0)", "Sample_Lock(1,0,12)", "Sample_Unlock(1,12)",
                             "Sample_Load(-1,body.ogg,0,0)", "Sample_Lock(2,0,12)", "Sample_Unlock(2,12)",
                             "Sample_Alloc(-1,6,83,44100,255,128,0)", "Sample_Lock(3,0,24)",
                             "Sample_Lock(1,0,12)", "Sample_Unlock(1,12)", "Sample_Lock(2,0,12)",
                             "Sample_Unlock(2,12)", "Sample_Unlock(3,24)", "Sample_SetLoopPoints(3,3,5)",
                             "Sample_Free(1)", "Sample_Free(2)"}));
    // Another layout: refused, and both halves freed.
    EXPECT_FALSE(mMusic->LoadMusic(6, "intro", "body_mono", true));
    Calls calls = Take();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Sample_Free(4)"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "Sample_Free(5)"), 1);
    EXPECT_EQ(
        std::count_if(calls.begin(), calls.end(), [](auto& c) { return c.rfind("Sample_Alloc", 0) == 0; }),
        0);
    // One half missing: the other is freed.
    EXPECT_FALSE(mMusic->LoadMusic(6, "intro", "missing", true));
    calls = Take();
    EXPECT_EQ(calls.back(), "Sample_Free(6)");
    mMusic->PlayMusic(6, 0, false); // nothing was stored
    EXPECT_TRUE(Take().empty());
}

TEST_F(RecordedFMod, AnIdAlreadyLoadedKeepsItsSongAndLoadsNothing)
{
    EXPECT_TRUE(mMusic->LoadMusic(1, "tune.it"));
    EXPECT_EQ(Take(), (Calls{"LoadSong(tune.it)"}));
    EXPECT_FALSE(mMusic->LoadMusic(1, "other.xm"));
    EXPECT_FALSE(mMusic->LoadMusic(1, "Theme", true));
    EXPECT_FALSE(mMusic->LoadMusic(1, "intro", "body", true));
    EXPECT_TRUE(Take().empty());
    mMusic->PlayMusic(1, 0, false);
    EXPECT_EQ(Take()[1], "SetLooping(256,2)"); // still the first song
}

TEST_F(RecordedFMod, PlayFadeAndVolumeCalls)
{
    ASSERT_TRUE(mMusic->LoadMusic(1, "tune.it"));
    ASSERT_TRUE(mMusic->LoadMusic(2, "Theme", true));
    Take();
    mMusic->PlayMusic(1, 4, true);
    EXPECT_EQ(Take(),
              (Calls{"SetMasterVolume(256,100)", "SetLooping(256,1)", "PlaySong(256)", "SetOrder(256,4)"}));
    mMusic->PlayMusic(2, 0, false);
    EXPECT_EQ(Take(), (Calls{"PlaySound(2,1)", "SetLoopMode(2,2)", "SetVolume(2,100)"}));
    mMusic->SetVolume(0.5);
    EXPECT_EQ(Take(), (Calls{"SetMasterVolume(256,50)", "SetVolume(2,50)"}));
    mMusic->SetSongVolume(1, 3.0); // handed on as it is: the library keeps its own range
    EXPECT_EQ(Take(), (Calls{"SetMasterVolume(256,150)"}));
    mMusic->SetSongVolume(1, 1.0);
    Take();

    // A sampled song is asked of its channel, a module of the module player.
    gPlaying = 0;
    EXPECT_FALSE(mMusic->IsPlaying(2));
    EXPECT_FALSE(mMusic->IsPlaying(1));
    EXPECT_EQ(Take(), (Calls{"IsPlaying(2)", "SongIsPlaying(256)"}));
    EXPECT_FALSE(mMusic->IsPlaying(9));
    EXPECT_TRUE(Take().empty());

    // A fade in starts what is not playing and steps up to the cap.
    mMusic->StopMusic(2);
    Take();
    mMusic->FadeIn(2, 0, 0.5, false);
    EXPECT_EQ(Take(), (Calls{"IsPlaying(2)", "PlaySound(2,1)", "SetLoopMode(2,2)", "SetVolume(2,0)"}));
    for (int tick = 0; tick < 4; tick++)
        mMusic->Update();
    // The step ends on the update that passes the cap.
    EXPECT_EQ(Take(), (Calls{"SetVolume(2,25)", "SetVolume(2,50)", "SetVolume(2,50)"}));
    gPlaying = 1;
    mMusic->FadeIn(1, -1, 0.5, false); // playing already: not restarted
    EXPECT_EQ(Take(), (Calls{"SetMasterVolume(256,50)", "SetLooping(256,2)", "SongIsPlaying(256)",
                             "SetOrder(256,-1)"}));

    mMusic->PauseMusic(1);
    mMusic->ResumeMusic(2);
    EXPECT_EQ(Take(), (Calls{"SetSongPaused(256,1)", "SetPaused(2,0)"}));
}

TEST_F(RecordedFMod, FadeOutStopsEvenASilentSongAndTheBaseSlotsDoNothing)
{
    ASSERT_TRUE(mMusic->LoadMusic(2, "Theme", true));
    Take();
    mMusic->FadeOut(2, true, 0.25); // its volume is 0 already
    mMusic->Update();
    EXPECT_EQ(Take(), (Calls{"StopSound(2)", "SetVolume(2,0)"}));
    mMusic->Update(); // the fade is over
    EXPECT_TRUE(Take().empty());

    mMusic->PlayMusic(2, 0, false);
    Take();
    mMusic->PauseAllMusic();
    mMusic->ResumeAllMusic();
    mMusic->UnloadMusic(2);
    mMusic->UnloadAllMusic();
    mMusic->SetSongMaxVolume(2, 0.1);
    mMusic->SetMusicAmplify(2, 0.5);
    EXPECT_TRUE(Take().empty());
    mMusic->SetSongVolume(2, 0.5); // the cap was not lowered, nor the song unloaded
    EXPECT_EQ(Take(), (Calls{"SetVolume(2,50)"}));
}

TEST(FModLibrary, MissingEntryPointOrLibraryTakesTheFatalPath)
{
    ExpectLibraryFatal<FMOD_INSTANCE>("fmod_incomplete.dll",
                                      "\"_FSOUND_Init@12\" function not found in fmod.dll");
    ExpectLibraryFatal<FMOD_INSTANCE>("no_such_fmod.dll", "Can't find fmod.dll.");
    // Without the application, the box is shown and the process ends with the one fatal exit code.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            FMOD_INSTANCE incomplete("fmod_incomplete.dll");
            std::exit(3);
        },
        ::testing::ExitedWithCode(Lumo::LumoAppBase::FATAL_EXIT_CODE),
        "Error: \"_FSOUND_Init@12\" function not found in fmod.dll");
    EXPECT_EXIT(
        {
            FMOD_INSTANCE missing("no_such_fmod.dll");
            std::exit(3);
        },
        ::testing::ExitedWithCode(Lumo::LumoAppBase::FATAL_EXIT_CODE), "Error: Can't find fmod.dll.");
}

TEST(FModLibrary, StandInPlaysAModuleAndACachedTrackThroughTheMixer)
{
    AudioTest::ManualMixing manual;
    WorkingFolder folder;
    std::filesystem::copy_file(std::string(LUMO_AUDIO_TEST_DATA) + "/loop.ogg", folder.Path("loop.ogg"));
    FMOD_INSTANCE* fmod = Lumo::AcquireFModInstance(); // as the sound manager does
    ASSERT_TRUE(fmod);
    ASSERT_TRUE(fmod->FSOUND_Init(44100, 64, 2));
    {
        FModMusicInterface music;
        ASSERT_TRUE(music.LoadMusic(1, std::string(LUMO_AUDIO_TEST_DATA) + "/tune.mod"));
        ASSERT_TRUE(music.LoadMusic(2, "loop", true));
        EXPECT_EQ(folder.Read("cached_loop.wav").size(), 44u + 20000u);

        // The module once from its last order: 1036 Hz for 0.48 s, then it ends.
        music.PlayMusic(1, 2, true);
        EXPECT_TRUE(music.IsPlaying(1));
        auto heard = AudioTest::Mono(AudioTest::Render(2 * 21168));
        EXPECT_NEAR(AudioTest::PitchOf(heard, 2000, 17000), 1036, 26);
        EXPECT_LT(AudioTest::PeakOf(heard, 21168 + 6000, 15000), 50);
        EXPECT_FALSE(music.IsPlaying(1));

        // The sampled track loops on its channel: 441 Hz, at 100 of 255.
        music.PlayMusic(2, 0, false);
        heard = AudioTest::Mono(AudioTest::Render(25000));
        EXPECT_NEAR(AudioTest::PitchOf(heard, 0, 25000), 441, 3);
        EXPECT_NEAR(AudioTest::PeakOf(heard, 0, 25000), 2 * 12000 * 100 / 255, 600);
        EXPECT_TRUE(music.IsPlaying(2));
        music.StopMusic(2);
        EXPECT_FALSE(music.IsPlaying(2));
    }
    // The second start reads the copy even with the source gone.
    std::filesystem::remove(folder.Path("loop.ogg"));
    {
        FModMusicInterface music;
        ASSERT_TRUE(music.LoadMusic(2, "loop", true));
    }
    fmod->FSOUND_Close();
    Lumo::ReleaseFModInstance();
    EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
}

namespace
{
// Loads `count` songs on a thread of their own while this one updates, plays and asks about them,
// as the loading thread and the main thread do.
template <class Music> void LoadWhilePlaying(Music& music, int count)
{
    std::atomic<bool> done{false};
    std::thread loader(
        [&]
        {
            for (int id = 0; id < count; id++)
                EXPECT_TRUE(music.LoadMusic(id, "song" + std::to_string(id) + ".xm"));
            done = true;
        });
    while (!done)
    {
        music.Update();
        music.FadeOutAll(false, 0.01);
        music.PlayMusic(count / 2, 0, false);
        music.IsPlaying(1);
    }
    loader.join();
    for (int id = 0; id < count; id++)
        EXPECT_FALSE(music.LoadMusic(id, "again.xm")) << id; // every one stored
}
} // namespace

TEST(MusicThreads, SongsLoadOnOneThreadWhileAnotherUpdates)
{
    // Tables that only hand out handles: nothing is recorded from two threads.
    static std::atomic<unsigned> next{1};
    auto* fmod = new FMOD_INSTANCE();
    fmod->FMUSIC_LoadSong = [](const char*)
    { return reinterpret_cast<Lumo::FMUSIC_MODULE*>(uintptr_t(next++)); };
    fmod->FMUSIC_SetMasterVolume = [](Lumo::FMUSIC_MODULE*, int) -> BOOL { return 1; };
    fmod->FMUSIC_SetLooping = [](Lumo::FMUSIC_MODULE*, unsigned) -> BOOL { return 1; };
    fmod->FMUSIC_PlaySong = [](Lumo::FMUSIC_MODULE*) -> BOOL { return 1; };
    fmod->FMUSIC_StopSong = [](Lumo::FMUSIC_MODULE*) -> BOOL { return 1; };
    fmod->FMUSIC_SetOrder = [](Lumo::FMUSIC_MODULE*, int) -> BOOL { return 1; };
    fmod->FMUSIC_IsPlaying = [](Lumo::FMUSIC_MODULE*) -> BOOL { return 1; };
    Lumo::SetFModInstance(fmod);
    {
        FModMusicInterface music;
        LoadWhilePlaying(music, 400);
    }
    Lumo::SetFModInstance(nullptr);

    auto* bass = new Lumo::BASS_INSTANCE();
    bass->isVersion2 = true;
    bass->BASS_InitV2 = [](int, DWORD, DWORD, HWND, const GUID*) -> BOOL { return 1; };
    bass->BASS_SetConfig = [](DWORD, DWORD v) -> DWORD { return v; };
    bass->BASS_Start = bass->BASS_Stop = bass->BASS_Free = []() -> BOOL { return 1; };
    bass->BASS_MusicLoadV2 = [](BOOL, const void*, Lumo::BASS_QWORD, DWORD, DWORD, DWORD) -> DWORD
    { return next++; };
    bass->BASS_MusicFree = bass->BASS_ChannelStop = [](DWORD) -> BOOL { return 1; };
    bass->BASS_ChannelSetAttributes = [](DWORD, int, int, int) -> BOOL { return 1; };
    bass->BASS_MusicPlayEx = [](DWORD, DWORD, int, BOOL) -> BOOL { return 1; };
    bass->BASS_ChannelIsActive = [](DWORD) -> DWORD { return 1; };
    Lumo::SetBassInstance(bass);
    {
        Lumo::BassMusicInterface music(TestWindow());
        LoadWhilePlaying(music, 400);
    }
    Lumo::SetBassInstance(nullptr);
}
