// The music interface over bass.dll: the exact calls against a recording function table,
// the fatal paths with the incomplete stand-in, and the real stand-in heard through the mixer.
#include "SoundTestSupport.h"
#include "app/LumoAppBase.h"
#include "media/BassInstance.h"
#include "media/BassMusicInterface.h"
#include "tests/audio/AudioTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>

using namespace SoundTest;
using Lumo::BASS_INSTANCE;
using Lumo::BassMusicInterface;

namespace
{
std::vector<std::string> gCalls;
DWORD gActive = 1;
DWORD gNextHandle = 0x100;
DWORD gLoadResult = 1; // 0: every load fails

template <typename... Args> void Record(const char* name, Args... args)
{
    std::ostringstream text;
    text << name << "(";
    [[maybe_unused]] const char* separator = "";
    ((text << separator << args, separator = ","), ...);
    text << ")";
    gCalls.push_back(text.str());
}

const char* Name(const void* file)
{
    return static_cast<const char*>(file);
}

BASS_INSTANCE* RecordingTable(bool version2)
{
    auto* t = new BASS_INSTANCE();
    t->isVersion2 = version2;
    t->BASS_InitV1 = [](int d, DWORD f, DWORD fl, HWND w) -> BOOL
    { return Record("Init", d, f, fl, w != nullptr), 1; };
    t->BASS_InitV2 = [](int d, DWORD f, DWORD fl, HWND w, const GUID* g) -> BOOL
    { return Record("Init", d, f, fl, w != nullptr, g == nullptr), 1; };
    t->BASS_Free = []() -> BOOL { return Record("Free"), 1; };
    t->BASS_Stop = []() -> BOOL { return Record("Stop"), 1; };
    t->BASS_Start = []() -> BOOL { return Record("Start"), 1; };
    t->BASS_SetGlobalVolumes = [](int m, int s, int st) -> BOOL
    { return Record("SetGlobalVolumes", m, s, st), 1; };
    t->BASS_SetVolume = [](DWORD v) -> BOOL { return Record("SetVolume", v), 1; };
    if (version2)
        t->BASS_SetConfig = [](DWORD o, DWORD v) -> DWORD { return Record("SetConfig", o, v), v; };
    t->BASS_MusicSetAmplify = [](DWORD h, DWORD a) -> BOOL { return Record("MusicSetAmplify", h, a), 1; };
    t->BASS_ChannelStop = [](DWORD h) -> BOOL { return Record("ChannelStop", h), 1; };
    t->BASS_ChannelPause = [](DWORD h) -> BOOL { return Record("ChannelPause", h), 1; };
    t->BASS_ChannelResume = [](DWORD h) -> BOOL { return Record("ChannelResume", h), 1; };
    t->BASS_ChannelSetAttributes = [](DWORD h, int f, int v, int p) -> BOOL
    { return Record("ChannelSetAttributes", h, f, v, p), 1; };
    t->BASS_ChannelSetPosition = [](DWORD h, Lumo::BASS_QWORD p) -> BOOL
    { return Record("ChannelSetPosition", h, p), 1; };
    t->BASS_ChannelIsActive = [](DWORD h) -> DWORD { return Record("ChannelIsActive", h), gActive; };
    t->BASS_MusicLoadV1 = [](BOOL m, const void* f, DWORD o, DWORD l, DWORD fl) -> DWORD
    { return Record("MusicLoad", m, Name(f), o, l, fl), gLoadResult ? gNextHandle++ : 0; };
    t->BASS_MusicLoadV2 = [](BOOL m, const void* f, Lumo::BASS_QWORD o, DWORD l, DWORD fl, DWORD fr) -> DWORD
    { return Record("MusicLoad", m, Name(f), o, l, fl, fr), gLoadResult ? gNextHandle++ : 0; };
    t->BASS_MusicPlay = [](DWORD h) -> BOOL { return Record("MusicPlay", h), 1; };
    t->BASS_MusicPlayEx = [](DWORD h, DWORD p, int fl, BOOL r) -> BOOL
    { return Record("MusicPlayEx", h, p, fl, r), 1; };
    t->BASS_MusicFree = [](DWORD h) -> BOOL { return Record("MusicFree", h), 1; };
    t->BASS_StreamCreateFile = [](BOOL m, const void* f, Lumo::BASS_QWORD o, Lumo::BASS_QWORD l,
                                  DWORD fl) -> DWORD
    { return Record("StreamCreateFile", m, Name(f), o, l, fl), gLoadResult ? gNextHandle++ : 0; };
    t->BASS_StreamFree = [](DWORD h) -> BOOL { return Record("StreamFree", h), 1; };
    t->BASS_StreamPlay = [](DWORD h, BOOL fl, DWORD f) -> BOOL { return Record("StreamPlay", h, fl, f), 1; };
    return t;
}

using Calls = std::vector<std::string>;

class RecordedMusic : public ::testing::Test
{
protected:
    void Make(bool version2)
    {
        gCalls.clear();
        gActive = 1;
        gNextHandle = 0x100;
        gLoadResult = 1;
        Lumo::SetBassInstance(RecordingTable(version2));
        mMusic = std::make_unique<BassMusicInterface>(TestWindow());
    }
    void TearDown() override
    {
        mMusic.reset();
        Lumo::SetBassInstance(nullptr);
    }
    // The calls made since the last look.
    Calls Take()
    {
        Calls calls = gCalls;
        gCalls.clear();
        return calls;
    }
    std::unique_ptr<BassMusicInterface> mMusic;
};
} // namespace

TEST_F(RecordedMusic, StartUpAndShutDownVersion2)
{
    Make(true);
    EXPECT_EQ(Take(), (Calls{"Init(1,44100,0,1,1)", "SetConfig(0,2000)", "Start()"}));
    mMusic.reset();
    EXPECT_EQ(Take(), (Calls{"Stop()", "Free()"}));
}

TEST_F(RecordedMusic, LoadStreamsAndModules)
{
    Make(true);
    Take();
    EXPECT_TRUE(mMusic->LoadMusic(1, "music\\Theme.OGG"));
    EXPECT_TRUE(mMusic->LoadMusic(2, "tune.it"));
    EXPECT_TRUE(mMusic->LoadMusic(3, "noextension"));
    EXPECT_EQ(Take(), (Calls{"StreamCreateFile(0,music\\Theme.OGG,0,0,0)", "MusicLoad(0,tune.it,0,0,516,0)",
                             "MusicLoad(0,noextension,0,0,516,0)"}));
    // An id already loaded keeps its song; the new one is freed, not leaked.
    EXPECT_FALSE(mMusic->LoadMusic(1, "other.wav"));
    EXPECT_FALSE(mMusic->LoadMusic(2, "other.mod"));
    EXPECT_EQ(Take(), (Calls{"StreamCreateFile(0,other.wav,0,0,0)", "StreamFree(259)",
                             "MusicLoad(0,other.mod,0,0,516,0)", "MusicFree(260)"}));
    gLoadResult = 0;
    EXPECT_FALSE(mMusic->LoadMusic(9, "missing.ogg"));
    Take();
    mMusic->PlayMusic(9, 0, false); // unknown id: nothing
    EXPECT_FALSE(mMusic->IsPlaying(9));
    EXPECT_TRUE(Take().empty());

    mMusic->UnloadAllMusic();
    EXPECT_EQ(Take(), (Calls{"ChannelStop(256)", "ChannelStop(257)", "ChannelStop(258)", "StreamFree(256)",
                             "MusicFree(257)", "MusicFree(258)"}));
}

TEST_F(RecordedMusic, PlayMusicArguments)
{
    Make(true);
    ASSERT_TRUE(mMusic->LoadMusic(1, "a.ogg"));
    ASSERT_TRUE(mMusic->LoadMusic(2, "b.xm"));
    Take();
    mMusic->PlayMusic(1, 0, false);
    EXPECT_EQ(Take(),
              (Calls{"ChannelSetAttributes(256,-1,100,-101)", "ChannelStop(256)", "StreamPlay(256,1,4)"}));
    mMusic->PlayMusic(1, -1, true); // no flush: goes on where it stopped
    EXPECT_EQ(Take(),
              (Calls{"ChannelSetAttributes(256,-1,100,-101)", "ChannelStop(256)", "StreamPlay(256,0,0)"}));
    mMusic->PlayMusic(1, 4000, false);
    EXPECT_EQ(Take(), (Calls{"ChannelSetAttributes(256,-1,100,-101)", "ChannelStop(256)",
                             "StreamPlay(256,1,4)", "ChannelSetPosition(256,4000)"}));
    mMusic->PlayMusic(2, 7, false);
    EXPECT_EQ(Take(), (Calls{"ChannelSetAttributes(257,-1,100,-101)", "ChannelStop(257)",
                             "MusicPlayEx(257,7,516,0)"}));
    mMusic->FadeIn(2, -1, 0.01, true);
    EXPECT_EQ(Take(), (Calls{"ChannelStop(257)", "ChannelSetAttributes(257,-1,100,-101)", "MusicPlay(257)"}));

    // A lower cap lowers the volume at once and caps later plays.
    mMusic->SetSongVolume(1, 0.8);
    mMusic->SetSongMaxVolume(1, 0.5);
    EXPECT_EQ(Take(),
              (Calls{"ChannelSetAttributes(256,-1,80,-101)", "ChannelSetAttributes(256,-1,50,-101)"}));
    mMusic->PlayMusic(1, -1, false);
    EXPECT_EQ(Take()[0], "ChannelSetAttributes(256,-1,50,-101)");

    EXPECT_TRUE(mMusic->IsPlaying(1));
    gActive = 3; // paused
    EXPECT_FALSE(mMusic->IsPlaying(1));
    Take();
    mMusic->SetMusicAmplify(2, 0.505);
    mMusic->PauseMusic(1);
    mMusic->ResumeMusic(1);
    EXPECT_EQ(Take(), (Calls{"MusicSetAmplify(257,51)", "ChannelPause(256)", "ChannelResume(256)"}));
}

TEST_F(RecordedMusic, FadeOutReachesZeroOnThe250thUpdate)
{
    Make(true);
    ASSERT_TRUE(mMusic->LoadMusic(1, "a.ogg"));
    mMusic->PlayMusic(1, 0, false);
    Take();
    mMusic->FadeOut(1, true, 0.004);
    EXPECT_TRUE(Take().empty());
    for (int tick = 1; tick < 250; tick++)
    {
        mMusic->Update();
        Calls calls = Take();
        ASSERT_EQ(calls.size(), 1u) << tick; // the volume only, no stop yet
        if (tick == 1)
        {
            EXPECT_EQ(calls[0], "ChannelSetAttributes(256,-1,99,-101)");
        }
        if (tick == 247)
        {
            EXPECT_EQ(calls[0], "ChannelSetAttributes(256,-1,1,-101)");
        }
    }
    mMusic->Update();
    EXPECT_EQ(Take(), (Calls{"ChannelStop(256)", "ChannelSetAttributes(256,-1,0,-101)"}));
    mMusic->Update(); // the fade is over
    EXPECT_TRUE(Take().empty());

    // A silent song sets no step, so nothing stops it...
    mMusic->FadeOut(1, true, 0.004);
    mMusic->Update();
    EXPECT_TRUE(Take().empty());
    // ...but fading out everything does, at the next update.
    mMusic->FadeOutAll(true, 0.004);
    mMusic->Update();
    EXPECT_EQ(Take(), (Calls{"ChannelStop(256)", "ChannelSetAttributes(256,-1,0,-101)"}));

    // A fade in stops at the cap.
    mMusic->FadeIn(1, 0, 0.25, false);
    Take();
    for (int tick = 0; tick < 5; tick++)
        mMusic->Update();
    EXPECT_EQ(Take(), (Calls{"ChannelSetAttributes(256,-1,25,-101)", "ChannelSetAttributes(256,-1,50,-101)",
                             "ChannelSetAttributes(256,-1,75,-101)", "ChannelSetAttributes(256,-1,100,-101)",
                             "ChannelSetAttributes(256,-1,100,-101)"}));
    mMusic->Update(); // past the cap on the fifth: the step ends
    EXPECT_TRUE(Take().empty());
}

TEST_F(RecordedMusic, GlobalVolumeByVersion)
{
    Make(true);
    Take();
    mMusic->SetVolume(0.85);
    EXPECT_EQ(Take(), (Calls{"SetConfig(6,85)", "SetConfig(5,85)"}));
    mMusic->SetVolume(3.0); // clamped
    EXPECT_EQ(Take(), (Calls{"SetConfig(6,100)", "SetConfig(5,100)"}));
    TearDown();

    Make(false);
    EXPECT_EQ(Take(), (Calls{"Init(-1,44100,0,1)", "Start()"}));
    mMusic->SetVolume(0.85);
    EXPECT_EQ(Take(), (Calls{"SetGlobalVolumes(34,34,34)"}));
    TearDown();

    // A version-1 library with only BASS_SetVolume: the missing entry point is never called.
    gCalls.clear();
    BASS_INSTANCE* table = RecordingTable(false);
    table->BASS_SetGlobalVolumes = nullptr;
    Lumo::SetBassInstance(table);
    mMusic = std::make_unique<BassMusicInterface>(TestWindow());
    Take();
    mMusic->SetVolume(0.85);
    EXPECT_EQ(Take(), (Calls{"SetVolume(85)"}));
}

TEST(BassLibrary, MissingEntryPointOrLibraryTakesTheFatalPath)
{
    ExpectLibraryFatal<BASS_INSTANCE>("bass_incomplete.dll",
                                      "BASS_StreamPlay function not found in bass.dll");
    ExpectLibraryFatal<BASS_INSTANCE>("no_such_bass.dll", "Can't find bass.dll.");
    // The default handler shows the box and ends the process with the one fatal exit code.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            BASS_INSTANCE incomplete("bass_incomplete.dll");
            std::exit(3);
        },
        ::testing::ExitedWithCode(Lumo::LumoAppBase::FATAL_EXIT_CODE),
        "BASS_StreamPlay function not found in bass.dll");
}

TEST(BassLibrary, StandInPlaysAnOggLoopThroughTheMixer)
{
    AudioTest::ManualMixing manual;
    const std::string path = std::string(LUMO_AUDIO_TEST_DATA) + "/loop.ogg";
    {
        BassMusicInterface music(TestWindow());
        // Named the Windows way, as the game names its files.
        std::string windowsPath = path;
        std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
        ASSERT_TRUE(music.LoadMusic(4, windowsPath));
        EXPECT_FALSE(music.LoadMusic(5, path + ".missing"));
        music.SetVolume(1.0);
        music.PlayMusic(4, 0, false);
        // 10000 frames a loop: render two and a half loops and look for a gap at each seam.
        std::vector<int16_t> left = AudioTest::Left(AudioTest::Render(25000));
        int quietRun = 0;
        int longestQuiet = 0;
        int peak = 0;
        for (size_t i = 200; i < left.size(); i++)
        {
            quietRun = std::abs(left[i]) < 50 ? quietRun + 1 : 0;
            longestQuiet = std::max(longestQuiet, quietRun);
            peak = std::max(peak, std::abs(int(left[i])));
        }
        EXPECT_LT(longestQuiet, 5);
        EXPECT_NEAR(peak, 12000, 700);
        EXPECT_TRUE(music.IsPlaying(4)); // a looping stream stays active

        // Half volume through the song's attribute.
        music.SetSongVolume(4, 0.5);
        std::vector<int16_t> half = AudioTest::Left(AudioTest::Render(400));
        int halfPeak = 0;
        for (int16_t s : half)
            halfPeak = std::max(halfPeak, std::abs(int(s)));
        EXPECT_LT(halfPeak, peak * 6 / 10);
        EXPECT_GT(halfPeak, peak * 2 / 10);

        music.StopMusic(4);
        EXPECT_FALSE(music.IsPlaying(4));
        for (int16_t s : AudioTest::Render(200))
            ASSERT_EQ(s, 0);
    }
    EXPECT_EQ(LumoAudio::Mixer::Instance().VoiceCount(), 0u);
}
