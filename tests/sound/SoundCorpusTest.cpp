// Makes the sound fuzz harnesses' seed files and checks the committed ones: files named ok_*
// load, files named bad_* are refused. LUMO_WRITE_FUZZ_CORPUS=1 rewrites them.
#include "ManagerFixture.h"

#include <filesystem>
#include <fstream>
#include <map>

using namespace SoundTest;
namespace fs = std::filesystem;

namespace
{
const fs::path kCorpusRoot = fs::path(LUMO_FUZZ_CORPUS_DIR);
const char* const kKinds[] = {"sound_wav", "sound_au", "sound_ogg"};

Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Cut(const Bytes& bytes, size_t size)
{
    return Bytes(bytes.begin(), bytes.begin() + long(std::min(size, bytes.size())));
}

std::map<std::string, std::map<std::string, Bytes>> Seeds()
{
    Bytes tone = Pcm16({0, 3000, 6000, 3000, 0, -3000, -6000, -3000});
    Bytes listFirst;
    PutChunk(listFirst, "LIST", Bytes(5, 'l'));
    PutChunk(listFirst, "fmt ", FmtBody(1, 2, 11025, 8));
    PutChunk(listFirst, "data", Bytes(16, 0x90));
    Bytes dep;
    Put16(dep, 7);
    for (char c : std::string("nothing"))
        dep.push_back(uint8_t(c));
    Put32(dep, 0);
    Put32(dep, 0);
    Bytes cached;
    PutChunk(cached, "fmt ", FmtBody(1, 1, 22050, 16));
    PutChunk(cached, "dep ", dep);
    PutChunk(cached, "data", tone);
    Bytes ogg = ReadAll(fs::path(LUMO_AUDIO_TEST_DATA) / "loop.ogg");
    return {
        {"sound_wav",
         {{"ok_mono16", Wav(1, 22050, 16, tone)},
          {"ok_list_stereo8", Riff(listFirst)},
          {"ok_dep_missing_source", Riff(cached)}, // a missing source has time zero, as stored
          {"bad_float", Riff(
                            [&]
                            {
                                Bytes c;
                                PutChunk(c, "fmt ", FmtBody(3, 1, 22050, 32));
                                PutChunk(c, "data", tone);
                                return c;
                            }())},
          {"bad_truncated", Cut(Wav(1, 22050, 16, tone), 50)}}},
        {"sound_au",
         {{"ok_mulaw", Au(1, 1, 8000, {0xFF, 0x81, 0x01, 0x80, 0x7F, 0x40, 0xC0, 0x00})},
          {"ok_linear_unknown_size", Au(2, 2, 11025, Bytes(12, 0x20), 0xFFFFFFFF)},
          {"bad_three_channels", Au(2, 3, 8000, Bytes(12, 1))},
          {"bad_oversize", Au(1, 1, 8000, Bytes(8, 1), 100000)}}},
        {"sound_ogg",
         {{"ok_loop", ogg}, {"bad_truncated", Cut(ogg, ogg.size() / 2)}, {"bad_header", Cut(ogg, 60)}}},
    };
}

using SoundCorpusTest = ManagerFixture;

bool Loads(Lumo::DSoundManager& manager, const std::string& kind, const fs::path& path)
{
    if (kind == "sound_wav")
        return manager.LoadWAVSound(0, path.string());
    if (kind == "sound_au")
        return manager.LoadAUSound(0, path.string());
    return manager.LoadOGGSound(0, path.string());
}

void ExpectNamedOutcome(Lumo::DSoundManager& manager, const std::string& kind, const fs::path& path)
{
    const std::string name = path.filename().string();
    const bool expected = name.rfind("ok_", 0) == 0;
    ASSERT_TRUE(expected || name.rfind("bad_", 0) == 0) << kind << "/" << name;
    EXPECT_EQ(Loads(manager, kind, path), expected) << kind << "/" << name;
}
} // namespace

TEST_F(SoundCorpusTest, GeneratedSeedsReadAsNamed)
{
    auto seeds = Seeds();
    for (const auto& [kind, files] : seeds)
        for (const auto& [name, bytes] : files)
        {
            mFolder.Write(name, bytes);
            ExpectNamedOutcome(*mManager, kind, mFolder.Path(name));
        }
    if (const char* write = std::getenv("LUMO_WRITE_FUZZ_CORPUS"); write && *write == '1')
        for (const auto& [kind, files] : seeds)
        {
            fs::remove_all(kCorpusRoot / kind);
            fs::create_directories(kCorpusRoot / kind);
            for (const auto& [name, bytes] : files)
                std::ofstream(kCorpusRoot / kind / name, std::ios::binary) << AsString(bytes);
        }
}

TEST_F(SoundCorpusTest, CommittedSeedsReadAsNamed)
{
    for (const char* kind : kKinds)
    {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(kCorpusRoot / kind))
        {
            ExpectNamedOutcome(*mManager, kind, entry.path());
            count++;
        }
        EXPECT_GE(count, 3) << kind;
    }
}
