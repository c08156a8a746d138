#include "resources/ResourceManager.h"

#include "media/ImageLib.h"
#include "media/SoundManager.h"
#include "tests/platform/TempFolder.h"
#include "tests/widgets/FontTestHost.h"
#include "text/ImageFont.h"

#include <gtest/gtest.h>

using namespace Lumo;

namespace
{

// Sound loading as the manager sees it: which ids were loaded, released and tuned.
class RecordingSounds : public SoundManager
{
public:
    std::vector<std::string> mLog;
    std::set<std::string> mMissing;

    bool Initialized() override { return true; }
    int LoadSound(const std::string&) override { return -1; }
    bool LoadSound(unsigned int id, const std::string& name) override
    {
        mLog.push_back(FormatString("load %u %s", id, name.c_str()));
        return mMissing.count(name) == 0;
    }
    void ReleaseSound(unsigned int id) override { mLog.push_back(FormatString("release %u", id)); }
    void SetVolume(double) override {}
    bool SetBaseVolume(unsigned int id, double volume) override
    {
        mLog.push_back(FormatString("volume %u %.2f", id, volume));
        return true;
    }
    bool SetBasePan(unsigned int id, int pan) override
    {
        mLog.push_back(FormatString("pan %u %d", id, pan));
        return true;
    }
    SoundInstance* GetSoundInstance(unsigned int) override { return nullptr; }
    void ReleaseSounds() override {}
    void ReleaseChannels() override {}
    double GetMasterVolume() override { return 1.0; }
    void SetMasterVolume(double) override {}
    void Idle() override {}
    void SetCooperativeWindow(HWND, bool) override {}
    void StopAllSounds() override {}
};

class FixedReader : public ResourceDefinitionReader
{
public:
    int mLine;
    std::string mFile;
    FixedReader(int line, const std::string& file) : mLine(line), mFile(file) {}
    int GetCurrentLineNum() override { return mLine; }
    std::string GetFileName() override { return mFile; }
};

const char* kFontDescriptor = "SetDefaultPointSize 10;\n"
                              "Define Widths (3 4 5);\n"
                              "CreateHorzSpanRectList Rects (0 0 0 4) Widths;\n"
                              "CreateLayer Main;\n"
                              "LayerSetImage Main 'sheet.png';\n"
                              "LayerSetImageMap Main ('a' 'b' 'c') Rects;\n"
                              "LayerSetCharWidths Main ('a' 'b' 'c') Widths;\n";

struct ResourceManagerTest : ::testing::Test
{
    TempFolder folder;
    FontTestHost host;
    RecordingSounds* sounds = new RecordingSounds();
    ResourceManager& manager = *host.mResourceManager;

    ResourceManagerTest()
    {
        host.mSoundManager = sounds; // deleted by the application
        host.mPictures["red.png"] = {2, 1, {0xFFFF0000, 0xFFFF0000}};
        host.mPictures["cells.png"] = {4, 2, std::vector<uint32_t>(8, 0xFF112233)};
        host.mPictures["sheet.png"] = {12, 4, std::vector<uint32_t>(48, 0xFFFFFFFF)};
    }
    // The host's own shared pictures go before the application's destructor runs: the manager's
    // references to them go first, as the application lets them go before its shared pictures.
    ~ResourceManagerTest() override
    {
        delete host.mResourceManager;
        host.mResourceManager = nullptr;
    }

    template <class Record>
    Record* Add(ResourceManager::ResMap& map, const std::string& id, const std::string& group,
                const std::string& path)
    {
        auto* res = new Record();
        res->group = group;
        res->path = path;
        map[id] = res;
        return res;
    }
    ImageRes* AddImage(const std::string& id, const std::string& group, const std::string& path)
    {
        return Add<ImageRes>(manager.imageMap, id, group, path);
    }
    SoundRes* AddSound(const std::string& id, const std::string& group, const std::string& path)
    {
        return Add<SoundRes>(manager.soundMap, id, group, path);
    }
    FontRes* AddFont(const std::string& id, const std::string& group, const std::string& path)
    {
        return Add<FontRes>(manager.fontMap, id, group, path);
    }
    // An alpha picture whose blue bytes are the given values.
    std::string WriteAlpha(const std::string& name, int width, int height, std::vector<uint32_t> blue)
    {
        ImageLib::Image image;
        image.mWidth = width;
        image.mHeight = height;
        image.mBits = new uint32_t[blue.size()];
        for (size_t i = 0; i < blue.size(); ++i)
            image.mBits[i] = 0xFF000000 | blue[i];
        std::string path = folder.Path() + "/" + name;
        EXPECT_TRUE(ImageLib::WritePNGImage(path, &image));
        return path;
    }
    std::string LookupError(const std::function<void()>& lookup)
    {
        try
        {
            lookup();
        }
        catch (const std::exception& e)
        {
            EXPECT_NE(dynamic_cast<const ResourceManagerException*>(&e), nullptr);
            return e.what();
        }
        ADD_FAILURE() << "no exception";
        return "";
    }
};

TEST_F(ResourceManagerTest, TheApplicationOwnsOneEmptyManager)
{
    ASSERT_NE(host.mResourceManager, nullptr);
    EXPECT_EQ(manager.app, &host);
    EXPECT_TRUE(manager.imageMap.empty() && manager.soundMap.empty() && manager.fontMap.empty());
    EXPECT_EQ(manager.curImageIt, manager.imageMap.end());
    EXPECT_FALSE(manager.HadError());
    EXPECT_EQ(manager.nextSoundId, 0);
}

TEST_F(ResourceManagerTest, EmptyTablesLoadAnyGroupAndKeepItsNameWithoutRegardToCase)
{
    EXPECT_TRUE(manager.LoadResources("Menu"));
    EXPECT_EQ(manager.loadedGroups.count("MENU"), 1u);
    EXPECT_EQ(manager.loadedGroups.count("menu"), 1u);
    EXPECT_TRUE(manager.LoadResources("menu")); // the same group
    EXPECT_EQ(manager.loadedGroups.size(), 1u);
    manager.UnloadGroup("mEnU");
    EXPECT_TRUE(manager.loadedGroups.empty());
}

TEST_F(ResourceManagerTest, FailedLookupsThrowTheManagersErrorText)
{
    EXPECT_EQ(LookupError([&] { manager.GetImageOrThrow("hero"); }), "Image resource not found: hero");
    EXPECT_EQ(manager.GetErrorText(), "Image resource not found: hero");
    EXPECT_TRUE(manager.HadError());
    // The first failure stays the error text, and every later lookup throws it.
    EXPECT_EQ(LookupError([&] { manager.GetSoundOrThrow("ding"); }), "Image resource not found: hero");
    ResourceManager fresh(&host);
    EXPECT_EQ(LookupError([&] { fresh.GetSoundOrThrow("ding"); }), "Sound resource not found: ding");
    ResourceManager other(&host);
    EXPECT_EQ(LookupError([&] { other.GetFontOrThrow("big"); }), "Font resource not found: big");
    ResourceManagerException copy(ResourceManagerException("text"));
    EXPECT_STREQ(copy.what(), "text");
}

TEST_F(ResourceManagerTest, FailKeepsTheFirstMessageAndNamesTheDefinitionPlace)
{
    EXPECT_FALSE(manager.Fail("first"));
    EXPECT_FALSE(manager.Fail("second"));
    EXPECT_EQ(manager.GetErrorText(), "first");

    ResourceManager other(&host);
    FixedReader reader(12, "res.txt");
    other.reader = &reader;
    other.Fail("bad");
    EXPECT_EQ(other.GetErrorText(), "bad on Line 12 in File 'res.txt'");

    ResourceManager nowhere(&host);
    FixedReader unknown(0, "");
    nowhere.reader = &unknown;
    nowhere.Fail("bad");
    EXPECT_EQ(nowhere.GetErrorText(), "bad");
}

TEST_F(ResourceManagerTest, GroupsLoadAndUnloadWholeWithCaseSensitiveMembership)
{
    ImageRes* menu = AddImage("Menu.Red", "Menu", "gfx/red.png");
    ImageRes* lower = AddImage("Other.Red", "menu", "gfx/red.png");
    ImageRes* game = AddImage("Game.Cells", "Game", "gfx/cells.png");

    EXPECT_TRUE(manager.LoadResources("Menu"));
    EXPECT_TRUE(menu->IsLoaded());
    EXPECT_FALSE(lower->IsLoaded());
    EXPECT_FALSE(game->IsLoaded());
    MemoryImage* red = manager.GetImageOrThrow("Menu.Red");
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(red->mWidth, 2);
    EXPECT_EQ(LookupError([&] { manager.GetImageOrThrow("Game.Cells"); }),
              "Image resource not found: Game.Cells");

    // The empty group loads every record.
    EXPECT_TRUE(manager.LoadResources(""));
    EXPECT_TRUE(lower->IsLoaded() && game->IsLoaded());

    manager.UnloadGroup("Menu");
    EXPECT_FALSE(menu->IsLoaded());
    EXPECT_TRUE(lower->IsLoaded() && game->IsLoaded());
    EXPECT_EQ(manager.imageMap.size(), 3u); // records stay
    EXPECT_EQ(manager.loadedGroups.count("Menu"), 0u);

    manager.UnloadGroup("");
    EXPECT_FALSE(lower->IsLoaded() || game->IsLoaded());
    EXPECT_TRUE(manager.LoadResources("Game"));
    EXPECT_TRUE(game->IsLoaded());
}

TEST_F(ResourceManagerTest, LoadingStopsAtTheFirstFailure)
{
    AddImage("a", "G", "gfx/missing.png");
    ImageRes* later = AddImage("b", "G", "gfx/red.png");
    EXPECT_FALSE(manager.LoadResources("G"));
    EXPECT_EQ(manager.GetErrorText(), "Failed to load image: gfx/missing.png");
    EXPECT_FALSE(later->IsLoaded());
    EXPECT_EQ(manager.loadedGroups.count("G"), 0u);
    EXPECT_FALSE(manager.LoadNextResource()); // nothing more after a failure
}

TEST_F(ResourceManagerTest, ProgramSuppliedRecordsAreNeverLoaded)
{
    ImageRes* image = AddImage("shot", "", "gfx/red.png");
    image->programSupplied = true;
    SoundRes* sound = AddSound("beep", "", "sfx/beep.wav");
    sound->programSupplied = true;
    FontRes* font = AddFont("face", "", "fonts/face.txt");
    font->programSupplied = true;
    EXPECT_TRUE(manager.LoadResources(""));
    EXPECT_FALSE(image->IsLoaded() || sound->IsLoaded() || font->IsLoaded());
    EXPECT_TRUE(sounds->mLog.empty());
    EXPECT_EQ(LookupError([&] { manager.GetImageOrThrow("shot"); }), "Image resource not found: shot");

    manager.allowMissingProgramImages = true;
    EXPECT_EQ(manager.GetImageOrThrow("shot").GetImage(), nullptr);
    EXPECT_EQ(manager.GetSoundOrThrow("beep"), -1);
    EXPECT_EQ(manager.GetFontOrThrow("face"), nullptr);
    // Only records of the program are let off.
    AddImage("plain", "x", "gfx/red.png");
    manager.errorText.clear(); // a later lookup throws the first error text
    manager.hadError = false;
    EXPECT_EQ(LookupError([&] { manager.GetImageOrThrow("plain"); }), "Image resource not found: plain");
}

TEST_F(ResourceManagerTest, AnAlphaImageGivesEveryPixelItsBlueByteAsAlpha)
{
    ImageRes* res = AddImage("red", "", "gfx/red.png");
    res->alphaImage = WriteAlpha("alpha.png", 2, 1, {0x40, 0x80});
    res->alphaColor = 0x00123456;
    ASSERT_TRUE(manager.LoadResources(""));
    MemoryImage* image = manager.GetImageOrThrow("red");
    EXPECT_EQ(image->GetBits()[0], 0x40FF0000u);
    EXPECT_EQ(image->GetBits()[1], 0x80FF0000u);
    EXPECT_EQ(ImageLib::gAlphaComposeColor, 0x00FFFFFFu);
}

TEST_F(ResourceManagerTest, AnAlphaGridImageCoversEveryCell)
{
    ImageRes* res = AddImage("cells", "", "gfx/cells.png");
    res->alphaGridImage = WriteAlpha("grid.png", 2, 2, {0x10, 0x20, 0x30, 0x40});
    res->cols = 2;
    ASSERT_TRUE(manager.LoadResources(""));
    const uint32_t* bits = manager.GetImageOrThrow("cells").GetImage()->GetBits();
    EXPECT_EQ(bits[0], 0x10112233u);
    EXPECT_EQ(bits[1], 0x20112233u);
    EXPECT_EQ(bits[2], 0x10112233u);
    EXPECT_EQ(bits[3], 0x20112233u);
    EXPECT_EQ(bits[4], 0x30112233u);
    EXPECT_EQ(bits[7], 0x40112233u);
}

TEST_F(ResourceManagerTest, AlphaPicturesOfTheWrongSizeOrMissingFail)
{
    AddImage("red", "", "gfx/red.png")->alphaImage = WriteAlpha("a.png", 3, 1, {1, 2, 3});
    EXPECT_FALSE(manager.LoadResources(""));
    EXPECT_EQ(manager.GetErrorText(),
              "AlphaImage size mismatch between gfx/red.png and " + folder.Path() + "/a.png");

    ResourceManager second(&host);
    auto* res = new ImageRes();
    res->path = "gfx/cells.png";
    res->alphaGridImage = WriteAlpha("g.png", 4, 2, std::vector<uint32_t>(8, 0));
    res->rows = 0; // taken as one cell
    res->cols = 2;
    second.imageMap["cells"] = res;
    EXPECT_FALSE(second.LoadResources(""));
    EXPECT_EQ(second.GetErrorText(),
              "GridAlphaImage size mismatch between gfx/cells.png and " + folder.Path() + "/g.png");

    ResourceManager third(&host);
    auto* missing = new ImageRes();
    missing->path = "gfx/sheet.png";
    missing->alphaImage = folder.Path() + "/none.png";
    third.imageMap["sheet"] = missing;
    EXPECT_FALSE(third.LoadResources(""));
    EXPECT_EQ(third.GetErrorText(), "Failed to load image: " + folder.Path() + "/none.png");
}

TEST_F(ResourceManagerTest, ImageOptionsReachThePicture)
{
    ImageRes* res = AddImage("cells", "", "gfx/cells.png");
    res->drawFlags = 0xFF;
    res->rows = 2;
    res->cols = 4;
    res->animInfo = true;
    res->palletize = true;
    ASSERT_TRUE(manager.LoadResources(""));
    MemoryImage* image = manager.GetImageOrThrow("cells");
    EXPECT_EQ(image->mD3DFlags, 0x0D);
    EXPECT_EQ(image->mNumRows, 2);
    EXPECT_EQ(image->mNumCols, 4);
    EXPECT_NE(image->mAnimInfo, nullptr);
    EXPECT_TRUE(image->IsPalette());
}

TEST_F(ResourceManagerTest, SoundsTakeTheNextIdsAndTheirBaseVolumeAndPan)
{
    AddSound("a", "S", "sfx/a.wav")->baseVolume = 0.5;
    AddSound("b", "S", "sfx/b.wav")->basePan = -200;
    AddSound("c", "T", "sfx/c.wav");
    ASSERT_TRUE(manager.LoadResources("S"));
    EXPECT_EQ(sounds->mLog, (std::vector<std::string>{"load 0 sfx/a.wav", "volume 0 0.50", "load 1 sfx/b.wav",
                                                      "pan 1 -200"}));
    EXPECT_EQ(manager.GetSoundOrThrow("a"), 0);
    EXPECT_EQ(manager.GetSoundOrThrow("b"), 1);
    EXPECT_EQ(manager.nextSoundId, 2);

    sounds->mLog.clear();
    manager.UnloadGroup("S");
    EXPECT_EQ(sounds->mLog, (std::vector<std::string>{"release 0", "release 1"}));
    EXPECT_EQ(LookupError([&] { manager.GetSoundOrThrow("a"); }), "Sound resource not found: a");

    sounds->mMissing.insert("sfx/c.wav");
    EXPECT_FALSE(manager.LoadResources("T"));
    EXPECT_EQ(manager.GetErrorText(), "Failed to load sound: sfx/c.wav");
    EXPECT_EQ(manager.nextSoundId, 2);
}

TEST_F(ResourceManagerTest, FontsFromDescriptorsReferencesAndTags)
{
    folder.Write("face.txt", kFontDescriptor);
    FontRes* face = AddFont("Face", "F", folder.Path() + "/face.txt");
    face->tags = "Bold, shadow\tTall\r\n";
    FontRes* copy = AddFont("Face2", "F", "!ref:Face");
    ASSERT_TRUE(manager.LoadResources("F")) << manager.GetErrorText();
    auto* font = dynamic_cast<ImageFont*>(manager.GetFontOrThrow("Face"));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->mTagVector, (std::vector<std::string>{"BOLD", "SHADOW", "TALL"}));
    ASSERT_NE(copy->font, nullptr);
    EXPECT_NE(copy->font, face->font);
    EXPECT_EQ(static_cast<ImageFont*>(copy->font)->mFontData, font->mFontData);
    EXPECT_EQ(copy->font->StringWidth("abc"), 12);
}

TEST_F(ResourceManagerTest, FontFailuresAreNamed)
{
    AddFont("Copy", "", "!ref:Face");
    EXPECT_FALSE(manager.LoadResources(""));
    EXPECT_EQ(manager.GetErrorText(), "Ref font not found: Face");

    ResourceManager second(&host);
    folder.Write("broken.txt", "NoSuchCommand 1;\n");
    auto* broken = new FontRes();
    broken->path = folder.Path() + "/broken.txt";
    second.fontMap["Broken"] = broken;
    EXPECT_FALSE(second.LoadResources(""));
    EXPECT_EQ(second.GetErrorText(), "Failed to load font: " + broken->path);
    EXPECT_EQ(broken->font, nullptr);

    ResourceManager third(&host);
    auto* legacy = new FontRes();
    legacy->path = "fonts/metrics.txt";
    legacy->imagePath = "fonts/glyphs.png"; // no display: no picture
    third.fontMap["Legacy"] = legacy;
    EXPECT_FALSE(third.LoadResources(""));
    EXPECT_EQ(third.GetErrorText(), "Failed to load image: fonts/glyphs.png");
}

} // namespace
