// The game's committed pictures, sounds and music: every name the game loads
// is there, reads through the picture readers at the size the game draws it,
// and the sounds and tracks are files the sound and music code can open.
#include "media/ImageLib.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

namespace
{

const std::string kAssets = LUMO_ASSETS_DIR;

struct Picture
{
    std::string name;
    int width, height;
};

std::vector<Picture> GamePictures()
{
    std::vector<Picture> list;
    for (const char* n : {"basil", "oregano", "garlic", "onions", "anchovies", "sausage"})
        list.push_back({std::string("gfx/ingredients/") + n, 25, 25});
    list.push_back({"gfx/ingredients/pizzadough", 30, 30});
    for (const char* n : {"Margherita", "Marinara", "Cipolla", "Napoletana", "Viennese"})
        list.push_back({std::string("gfx/pizza/pizza_") + n, 30, 30});
    for (const char* n : {"oven", "table", "preptable", "trashcan"})
        list.push_back({std::string("gfx/objects/") + n, 50, 50});
    list.push_back({"gfx/objects/fridge", 150, 50});
    list.push_back({"gfx/tile/tile", 50, 50});
    for (int n = 0; n < 8; ++n)
        list.push_back({"gfx/lorenzo/idle/lorenzo" + std::to_string(n), 50, 50});
    for (int i = 0; i < 4; ++i)
    {
        std::string side = std::to_string(i);
        list.push_back({"gfx/objects/chair/chair" + side, 50, 50});
        list.push_back({"gfx/lorenzo/walk0/lorenzo" + side + "_walk0", 50, 50});
        list.push_back({"gfx/lorenzo/walk1/lorenzo" + side + "_walk1", 50, 50});
        for (int look = 1; look <= 5; ++look)
            list.push_back({"gfx/customer/" + std::to_string(look) + "/cust" + side, 50, 50});
        list.push_back({"gfx/UI/PizzaTimer" + std::to_string(i + 1), 100, 50});
    }
    list.push_back({"gfx/UI/BigPizzaLogo1", 100, 100});
    list.push_back({"gfx/UI/BigPizzaLogo2", 100, 100});
    list.push_back({"gfx/UI/Euro", 40, 40});
    list.push_back({"gfx/UI/Heart", 40, 40});
    list.push_back({"gfx/UI/MainLogo", 600, 300});
    list.push_back({"gfx/UI/GrayLogo", 200, 200});
    for (const char* n : {"MainMenuBtnDown", "MuteBtnDown", "UnmuteBtnDown", "ResumeBtnDown", "PauseBtnDown",
                          "FullscreenBtnDown", "WindowedBtnDown"})
        list.push_back({std::string("gfx/UI/") + n, 25, 25});
    for (int page = 1; page <= 3; ++page)
        list.push_back({"gfx/tutorial/tut" + std::to_string(page), 800, 600});
    return list;
}

std::unique_ptr<ImageLib::Image> Load(const std::string& name)
{
    return std::unique_ptr<ImageLib::Image>(ImageLib::GetImage(kAssets + "/" + name, true));
}

uint32_t PixelAt(const ImageLib::Image& image, int x, int y)
{
    return image.GetBits()[y * image.GetWidth() + x];
}

TEST(GamePictures, EveryNameLoadsWithoutExtensionAtItsDrawnSize)
{
    std::vector<Picture> pictures = GamePictures();
    ASSERT_EQ(pictures.size(), 78u);
    for (const Picture& p : pictures)
    {
        auto image = Load(p.name);
        ASSERT_NE(image, nullptr) << p.name;
        EXPECT_EQ(image->GetWidth(), p.width) << p.name;
        EXPECT_EQ(image->GetHeight(), p.height) << p.name;
    }
}

TEST(GamePictures, AllFourFormatsAndBothAlphaCompanionsAreUsed)
{
    std::map<std::string, int> byExtension;
    int before = 0, after = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kAssets + "/gfx"))
    {
        if (!entry.is_regular_file())
            continue;
        byExtension[entry.path().extension().string()]++;
        std::string stem = entry.path().stem().string();
        before += stem.front() == '_';
        after += stem.back() == '_';
    }
    for (const char* ext : {".tga", ".jpg", ".png", ".gif"})
        EXPECT_GT(byExtension[ext], 0) << ext;
    EXPECT_EQ(byExtension.size(), 4u);
    EXPECT_GT(before, 0);
    EXPECT_GT(after, 0);
}

TEST(GamePictures, JpegPicturesTakeTheirAlphaFromTheCompanion)
{
    // The tutorial pages leave the button row transparent; the logo's corners are clear.
    for (const char* page : {"gfx/tutorial/tut1", "gfx/tutorial/tut2", "gfx/tutorial/tut3"})
    {
        ASSERT_TRUE(std::filesystem::exists(kAssets + "/" + page + ".jpg"));
        auto image = Load(page);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(PixelAt(*image, 400, 550) >> 24, 0u) << page;
        EXPECT_EQ(PixelAt(*image, 400, 250) >> 24, 255u) << page;
        auto opaque = std::unique_ptr<ImageLib::Image>(ImageLib::GetImage(kAssets + "/" + page, false));
        EXPECT_EQ(PixelAt(*opaque, 400, 550) >> 24, 255u) << "a JPEG alone is opaque";
    }
    auto logo = Load("gfx/UI/MainLogo");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(PixelAt(*logo, 0, 0) >> 24, 0u);
    EXPECT_EQ(PixelAt(*logo, 300, 150) >> 24, 255u);
}

TEST(GamePictures, TintedPicturesAreLight)
{
    // The game colours these by tinting, which can only darken: they are drawn near white.
    for (const char* name : {"gfx/UI/GrayLogo", "gfx/UI/Euro", "gfx/UI/Heart"})
    {
        auto image = Load(name);
        ASSERT_NE(image, nullptr) << name;
        long sum = 0, count = 0;
        for (int i = 0; i < image->GetWidth() * image->GetHeight(); ++i)
        {
            uint32_t p = image->GetBits()[i];
            if ((p >> 24) < 128)
                continue;
            sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
            count += 3;
        }
        ASSERT_GT(count, 0) << name;
        EXPECT_GT(sum / count, 190) << name;
    }
    // The Euro exists only as an alpha picture: the reader makes it white.
    EXPECT_FALSE(std::filesystem::exists(kAssets + "/gfx/UI/Euro.png"));
    auto euro = Load("gfx/UI/Euro");
    EXPECT_EQ(PixelAt(*euro, 20, 3) & 0xFFFFFF, 0xFFFFFFu);
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

TEST(GameSounds, EachEffectIsOneWavOrOggAndBothKindsAreUsed)
{
    int wav = 0, ogg = 0;
    for (const char* n : {"cashregister", "clap", "click", "clocktick", "crowdooh", "ding", "doorslam",
                          "heartbeat", "hurryup", "pageturn", "thud", "trashcan", "whistlehere"})
    {
        std::string base = kAssets + "/sfx/" + n;
        bool isWav = std::filesystem::exists(base + ".wav"), isOgg = std::filesystem::exists(base + ".ogg");
        EXPECT_NE(isWav, isOgg) << n;
        if (isWav)
        {
            ++wav;
            std::vector<uint8_t> b = ReadFile(base + ".wav");
            ASSERT_GE(b.size(), 44u) << n;
            EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
            EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "WAVE");
            EXPECT_EQ(b[20] | b[21] << 8, 1) << "PCM";
            EXPECT_EQ(b[34] | b[35] << 8, 16) << "16-bit";
            EXPECT_EQ(U32(b, 40), b.size() - 44) << n;
            EXPECT_GT(U32(b, 40), 1000u) << n;
        }
        if (isOgg)
        {
            ++ogg;
            std::vector<uint8_t> b = ReadFile(base + ".ogg");
            ASSERT_GE(b.size(), 100u) << n;
            EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "OggS") << n;
        }
    }
    EXPECT_GT(wav, 0);
    EXPECT_GT(ogg, 0);
}

// Length of a Vorbis stream: the last page's granule position over the rate of the first header.
double OggSeconds(const std::vector<uint8_t>& b)
{
    // The identification header: "\x01vorbis", version (4), channels (1), rate (4).
    const std::string magic = "\x01vorbis";
    auto at = std::search(b.begin(), b.end(), magic.begin(), magic.end());
    if (at == b.end())
        return -1;
    uint32_t rate = U32(b, size_t(at - b.begin()) + 12);
    const std::string page = "OggS";
    size_t last = 0;
    for (auto it = b.begin(); (it = std::search(it, b.end(), page.begin(), page.end())) != b.end(); ++it)
        last = size_t(it - b.begin());
    uint64_t granule = U32(b, last + 6) | uint64_t(U32(b, last + 10)) << 32;
    return rate ? double(granule) / rate : -1;
}

TEST(GameMusic, FiveOggLoopsOfTwentyToFortySeconds)
{
    std::set<double> lengths;
    for (const char* n : {"Andromeda_Polka.ogg", "Anna_Polka.ogg", "Peperocina_Polka.ogg",
                          "Desperata_Polka.ogg", "ScaccoMatto_Polka.ogg"})
    {
        std::vector<uint8_t> b = ReadFile(kAssets + "/music/" + n);
        ASSERT_GT(b.size(), 1000u) << n;
        double seconds = OggSeconds(b);
        EXPECT_GE(seconds, 20.0) << n;
        EXPECT_LE(seconds, 40.0) << n;
        lengths.insert(seconds);
    }
    EXPECT_GE(lengths.size(), 4u) << "the tracks differ in tempo";
}

} // namespace
