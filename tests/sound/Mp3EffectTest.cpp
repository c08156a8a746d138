// MP3 sound effects, decoded by fmod.dll when the sound manager is told to use it: the library's
// start and end around the manager, and an effect loaded, cached and heard.
#include "../BigClaims.h"
#include "ManagerFixture.h"
#include "media/FModInstance.h"
#include "media/SoundInstance.h"
#include "audio/ReadHook.h"

#include <chrono>
#include <filesystem>
#include <sstream>

using namespace SoundTest;
namespace fs = std::filesystem;

namespace
{
std::vector<std::string> gCalls;

Lumo::FMOD_INSTANCE* StartAndEndTable()
{
    auto* t = new Lumo::FMOD_INSTANCE();
    t->FSOUND_SetHWND = [](void* w) -> BOOL
    { return gCalls.push_back(w == TestWindow() ? "SetHWND(window)" : "SetHWND(?)"), 1; };
    t->FSOUND_SetBufferSize = [](int ms) -> BOOL
    { return gCalls.push_back("SetBufferSize(" + std::to_string(ms) + ")"), 1; };
    t->FSOUND_Init = [](int r, int c, unsigned f) -> BOOL
    {
        std::ostringstream text;
        text << "Init(" << r << "," << c << "," << f << ")";
        return gCalls.push_back(text.str()), 1;
    };
    t->FSOUND_Close = []() { gCalls.push_back("Close()"); };
    return t;
}

// The recording table is deleted by the last release: its destructor marks that.
struct ReleaseMark : Lumo::FMOD_INSTANCE
{
    ~ReleaseMark() override { gCalls.push_back("released"); }
};
} // namespace

TEST(Mp3Effects, TheManagerStartsAndEndsTheLibraryOnlyWhenToldTo)
{
    Lumo::gDSoundDLL = LoadLibraryA("dsound.dll");
    gCalls.clear();
    Lumo::FMOD_INSTANCE* table = StartAndEndTable();
    auto* marked = new ReleaseMark();
    marked->FSOUND_SetHWND = table->FSOUND_SetHWND;
    marked->FSOUND_SetBufferSize = table->FSOUND_SetBufferSize;
    marked->FSOUND_Init = table->FSOUND_Init;
    marked->FSOUND_Close = table->FSOUND_Close;
    delete table;
    Lumo::SetFModInstance(marked);
    {
        Lumo::DSoundManager manager(TestWindow(), true);
        EXPECT_EQ(gCalls,
                  (std::vector<std::string>{"SetHWND(window)", "SetBufferSize(200)", "Init(44100,64,2)"}));
        gCalls.clear();
    }
    EXPECT_EQ(gCalls, (std::vector<std::string>{"Close()", "released"}));
    gCalls.clear();
    {
        Lumo::DSoundManager manager(TestWindow(), false);
        Lumo::DSoundManager silent(nullptr, true); // no device: no library either
    }
    EXPECT_TRUE(gCalls.empty());
    Lumo::SetFModInstance(nullptr);
    FreeLibrary(Lumo::gDSoundDLL);
    Lumo::gDSoundDLL = nullptr;
}

class Mp3EffectTest : public ManagerFixture
{
protected:
    void SetUp() override
    {
        ManagerFixture::SetUp();
        mManager = std::make_unique<Lumo::DSoundManager>(TestWindow(), true);
        fs::copy_file(std::string(LUMO_AUDIO_TEST_DATA) + "/ding.mp3", mFolder.Path("ding.mp3"));
        fs::copy_file(std::string(LUMO_AUDIO_TEST_DATA) + "/loop.ogg", mFolder.Path("ding.ogg"));
    }
};

TEST_F(Mp3EffectTest, AnMp3EffectIsDecodedCachedAndHeard)
{
    // ".mp3" comes before ".ogg": the 22050 Hz mono effect, not the 44100 Hz loop.
    ASSERT_EQ(mManager->LoadSound("ding"), 255);
    const std::string cache = mFolder.Read("cached/ding.wav");
    ASSERT_GT(cache.size(), 62u + 8u);
    EXPECT_EQ(Get16(cache, 22), 1u);
    EXPECT_EQ(Get32(cache, 24), 22050u);
    EXPECT_EQ(Get16(cache, 44), 8u);
    EXPECT_EQ(cache.substr(46, 8), "ding.mp3"); // the source it depends on
    const uint32_t dataSize = Get32(cache, 58 + 8);
    EXPECT_GE(dataSize, 2u * 48510u);
    EXPECT_EQ(cache.size(), 62u + 8u + dataSize);

    Lumo::SoundInstance* sound = mManager->GetSoundInstance(255);
    ASSERT_NE(sound, nullptr);
    ASSERT_TRUE(sound->Play(false, true));
    EXPECT_GT(AudioTest::PeakOf(AudioTest::Mono(AudioTest::Render(8000)), 0, 8000), 5000);

    // The next start reads the copy: a manager that cannot decode MP3 loads it, with no Ogg left.
    fs::remove(mFolder.Path("ding.ogg"));
    Lumo::DSoundManager withoutFMod(TestWindow(), false);
    EXPECT_TRUE(withoutFMod.LoadSound(3, "ding"));
    EXPECT_NE(withoutFMod.GetSoundInstance(3), nullptr);
    EXPECT_FALSE(withoutFMod.LoadFModSound(4, "ding.mp3"));
}

namespace
{
// A save of the source while it is being decoded: its time moves on under the reader.
void SaveDuringTheDecode()
{
    static bool saved = false;
    if (saved)
        return;
    saved = true;
    fs::last_write_time("ding.mp3", fs::last_write_time("ding.mp3") + std::chrono::seconds(90));
}
} // namespace

TEST_F(Mp3EffectTest, ASourceSavedWhileItIsDecodedLeavesItsCopyStale)
{
    fs::remove(mFolder.Path("ding.ogg"));
    LumoAudio::SetReadHook(&SaveDuringTheDecode);
    const int id = mManager->LoadSound("ding");
    LumoAudio::SetReadHook(nullptr);
    ASSERT_EQ(id, 255);
    // The copy holds the sound as it was: the next start cannot take it for the saved one.
    Lumo::DSoundManager withoutFMod(TestWindow(), false);
    EXPECT_FALSE(withoutFMod.LoadSound(3, "ding"));
}

TEST_F(Mp3EffectTest, AnEffectLargerThanABufferIsRefusedBeforeItIsDecoded)
{
    // Silent MPEG-2 layer III frames of 24 bytes (8 kbit/s, 24000 Hz, stereo), each 576 frames of
    // sound: 2.8 MB of them decode to more than a buffer holds. Decoded before they were refused,
    // they took 530 MB.
    Bytes frame = {0xFF, 0xF3, 0x14, 0x00};
    frame.resize(24);
    Bytes mp3;
    for (size_t i = 0; i <= DSBSIZE_MAX / (576 * 4); i++)
        mp3.insert(mp3.end(), frame.begin(), frame.end());
    mFolder.Write("huge.mp3", mp3);
    PeakMemory peak;
    EXPECT_FALSE(mManager->LoadFModSound(0, "huge.mp3"));
    EXPECT_LT(peak.RiseKb(), 16 * 1024);
}
