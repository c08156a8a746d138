// Makes the fuzz harnesses' seed files and checks the committed ones: files named
// ok_* load, files named bad_* give null. LUMO_WRITE_FUZZ_CORPUS=1 rewrites them.
#include "ImageTestFiles.h"
#include "fuzz/ImageFuzzLayout.h"
#include "media/ImageFileIO.h"

#include <gtest/gtest.h>

using namespace ImageTest;

namespace
{
struct CorpusFile
{
    std::string name;
    Bytes bytes;
};
using Corpus = std::map<std::string, std::vector<CorpusFile>>;

const std::filesystem::path kCorpusRoot = std::filesystem::path(LUMO_FUZZ_CORPUS_DIR);

Bytes Cut(const Bytes& bytes, size_t size)
{
    return Bytes(bytes.begin(), bytes.begin() + std::min(size, bytes.size()));
}

std::vector<CorpusFile> TGAFiles()
{
    std::vector<uint32_t> pixels = Gradient(4, 3, 0x80);
    Bytes good = MakeTGA({.width = 4, .height = 3}, pixels);
    return {
        {"ok_small", good},
        {"ok_id_and_map", MakeTGA({.width = 4, .height = 3, .id = "seed", .colorMapLength = 2}, pixels)},
        {"bad_truncated", Cut(good, good.size() - 3)},
        {"bad_24bit", MakeTGA({.width = 4, .height = 3, .depth = 24}, pixels)},
        {"bad_huge", MakeTGA({.width = 65535, .height = 65535}, pixels)},
    };
}

std::vector<CorpusFile> GIFFiles()
{
    std::vector<uint32_t> four = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    std::vector<uint8_t> indices = Noise(64, 1, 4);
    Bytes good = GIFWriter().Header(8, 8, four).Image(8, 8).Data(2, EncodeLZW(indices, 2)).Trailer();
    std::vector<uint8_t> noise = Noise(96 * 96, 2);
    CodeWriter notRoot;
    for (int code : {4, 6, 1, 5})
        notRoot.Put(code, 3);
    return {
        {"ok_global", good},
        {"ok_local_transparent", GIFWriter()
                                     .Header(8, 8, {0, 0xFFFFFF}, "GIF87a")
                                     .GraphicControl(1)
                                     .Comment("seed")
                                     .Application()
                                     .Image(8, 8, false, four)
                                     .Data(2, EncodeLZW(indices, 2))
                                     .Trailer()},
        {"ok_interlaced",
         GIFWriter().Header(8, 8, four).Image(8, 8, true).Data(2, EncodeLZW(indices, 2)).Trailer()},
        {"ok_full_table", GIFWriter()
                              .Header(96, 96, RampTable(256))
                              .Image(96, 96)
                              .Data(8, EncodeLZW(noise, 8, false))
                              .Trailer()},
        {"ok_not_root_first", GIFWriter().Header(2, 1, four).Image(2, 1).Data(2, notRoot.Finish()).Trailer()},
        {"bad_trailer_only", GIFWriter().Header(8, 8, four).Trailer()},
        {"bad_min_code_size",
         GIFWriter().Header(8, 8, four).Image(8, 8).Data(9, EncodeLZW(indices, 2)).Trailer()},
        {"ok_cut_in_data", Cut(good, good.size() - 4)},
        {"bad_cut_in_table", Cut(good, 16)},
        {"bad_huge",
         GIFWriter().Header(8, 8, four).Image(65535, 65535).Data(2, EncodeLZW(indices, 2)).Trailer()},
    };
}

std::vector<CorpusFile> PNGFiles(const TempFolder& folder)
{
    std::vector<CorpusFile> files;
    auto add = [&](const std::string& name, const PNGSpec& spec, const std::vector<Bytes>& rows)
    {
        WritePNGDirect(folder / "seed.png", spec, rows);
        files.push_back({name, ReadFile(folder / "seed.png")});
    };
    ImagePtr image = MakeImage(8, 8, Gradient(8, 8, 0x7F));
    ImageLib::WritePNGImage(folder / "seed.png", image.get());
    Bytes good = ReadFile(folder / "seed.png");
    files.push_back({"ok_rgba", good});
    PNGSpec palette{.width = 4, .height = 2, .colorType = PNG_COLOR_TYPE_PALETTE};
    palette.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    palette.transparency = {0, 128};
    add("ok_palette_trns", palette, {{0, 1, 2, 1}, {2, 2, 0, 1}});
    add("ok_grey4", {.width = 4, .height = 2, .bitDepth = 4, .colorType = PNG_COLOR_TYPE_GRAY},
        {{0x12, 0x34}, {0x56, 0x78}});
    add("ok_grey_alpha", {.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_GRAY_ALPHA}, {{1, 2, 3, 4}});
    std::vector<Bytes> rows16(5, Noise(5 * 8, 3));
    add("ok_rgba16", {.width = 5, .height = 5, .bitDepth = 16}, rows16);
    add("ok_interlaced16", {.width = 5, .height = 5, .bitDepth = 16, .interlaced = true}, rows16);
    std::vector<Bytes> rows8(9, Noise(9 * 3, 4));
    add("ok_rgb_interlaced", {.width = 9, .height = 9, .colorType = PNG_COLOR_TYPE_RGB, .interlaced = true},
        rows8);
    files.push_back({"bad_truncated", Cut(good, good.size() / 2)});
    Bytes crc = good;
    crc[good.size() / 2] ^= 0x55;
    files.push_back({"bad_checksum", crc});
    files.push_back({"bad_huge", PNGHeaderOnly(65535, 65535)});
    Bytes withText = Cut(good, 33);
    PutChunk(withText, "tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'h', 'i'});
    PutChunk(withText, "iCCP", {'x', 0, 0, 1, 2, 3});
    withText.insert(withText.end(), good.begin() + 33, good.end());
    files.push_back({"ok_side_chunks", withText});
    // A side chunk stating 768 MB, cut short: read, not buffered at its stated length.
    Bytes side = Cut(good, 33);
    side.insert(side.end(), {0x30, 0x00, 0x00, 0x00, 's', 'P', 'L', 'T', 'p', 'a', 'l', 0});
    files.push_back({"bad_huge_side_chunk", side});
    return files;
}

std::vector<CorpusFile> JPEGFiles(const TempFolder& folder)
{
    std::vector<CorpusFile> files;
    ImagePtr image = MakeImage(16, 16, Gradient(16, 16));
    ImageLib::WriteJPEGImage(folder / "seed.jpg", image.get());
    Bytes good = ReadFile(folder / "seed.jpg");
    files.push_back({"ok_rgb", good});
    WriteJPEGDirect(folder / "seed.jpg", 16, 8, 1, Noise(16 * 8, 5));
    files.push_back({"ok_grey", ReadFile(folder / "seed.jpg")});
    Bytes rgb = Noise(16 * 16 * 3, 6);
    WriteJPEGDirect(folder / "seed.jpg", 16, 16, 3, rgb, true);
    files.push_back({"ok_progressive", ReadFile(folder / "seed.jpg")});
    WriteJPEGDirect(folder / "seed.jpg", 8, 8, 4, Noise(8 * 8 * 4, 7));
    files.push_back({"bad_cmyk", ReadFile(folder / "seed.jpg")});
    files.push_back({"bad_truncated", Cut(good, good.size() / 2)});
    WriteJPEGDirect(folder / "seed.jpg", 8, 8, 1, Noise(8 * 8, 8), true, ImageLib::kMaxJPEGScans + 1);
    files.push_back({"bad_too_many_scans", ReadFile(folder / "seed.jpg")});
    Bytes huge = good;
    for (size_t i = 0; i + 9 < huge.size(); i++)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0)
        {
            std::fill(huge.begin() + i + 5, huge.begin() + i + 9, 0xFF);
            break;
        }
    files.push_back({"bad_huge", huge});
    return files;
}

// One seed per layout of the whole-path harness, with a good file of the matching kind.
std::vector<CorpusFile> ImageFiles(const Corpus& readers)
{
    static const char* const kKinds[] = {"tga", "jpeg", "png", "gif"};
    std::vector<CorpusFile> files;
    for (int selector : {0x00, 0x05, 0x0A, 0x0F, 0x20 | 0x08 | 0x04 | 0x02, 0x20 | 0x10 | 0x03, 0x40 | 0x01,
                         0x40 | 0x20 | 0x08 | 0x00})
    {
        const std::vector<CorpusFile>& kind = readers.at(kKinds[selector & 3]);
        Bytes bytes = {static_cast<uint8_t>(selector)};
        bytes.insert(bytes.end(), kind[0].bytes.begin(), kind[0].bytes.end());
        char name[32];
        std::snprintf(name, sizeof name, "ok_layout_%02x", selector);
        files.push_back({name, bytes});
    }
    Bytes noAlphaWanted = {0x10 | 0x00};
    noAlphaWanted.insert(noAlphaWanted.end(), readers.at("tga")[0].bytes.begin(),
                         readers.at("tga")[0].bytes.end());
    files.push_back({"bad_alpha_not_wanted", noAlphaWanted});
    return files;
}

Corpus BuildCorpus(const TempFolder& folder)
{
    Corpus corpus;
    corpus["tga"] = TGAFiles();
    corpus["gif"] = GIFFiles();
    corpus["png"] = PNGFiles(folder);
    corpus["jpeg"] = JPEGFiles(folder);
    corpus["image"] = ImageFiles(corpus);
    return corpus;
}

// True when the harness's reader gives a picture for these bytes.
bool Loads(const std::string& kind, const Bytes& bytes)
{
    TempFolder folder;
    if (kind == "image")
    {
        if (bytes.empty())
            return false;
        ImageFuzzLayout layout = LayoutForSelector(bytes[0]);
        Bytes content(bytes.begin() + 1, bytes.end());
        std::filesystem::create_directories(folder / "sub.d");
        for (const std::string& name : {layout.file, layout.alphaFile})
            if (!name.empty())
                WriteFile(folder / name, content);
        return ImagePtr(ImageLib::GetImage(folder / layout.loadName, layout.lookForAlpha)) != nullptr;
    }
    static const std::map<std::string, ImageLib::Image* (*)(const std::string&)> kReaders = {
        {"tga", ImageLib::GetTGAImage},
        {"gif", ImageLib::GetGIFImage},
        {"png", ImageLib::GetPNGImage},
        {"jpeg", ImageLib::GetJPEGImage}};
    WriteFile(folder / "seed", bytes);
    return ImagePtr(kReaders.at(kind)(folder / "seed")) != nullptr;
}

void ExpectNamedOutcome(const std::string& kind, const std::string& name, const Bytes& bytes)
{
    bool expected = name.rfind("ok_", 0) == 0;
    ASSERT_TRUE(expected || name.rfind("bad_", 0) == 0) << kind << "/" << name;
    EXPECT_EQ(Loads(kind, bytes), expected) << kind << "/" << name;
}

TEST(FuzzCorpusTest, GeneratedSeedsReadAsNamed)
{
    TempFolder folder;
    Corpus corpus = BuildCorpus(folder);
    EXPECT_EQ(corpus.size(), 5u);
    for (const auto& [kind, files] : corpus)
        for (const CorpusFile& file : files)
            ExpectNamedOutcome(kind, file.name, file.bytes);

    if (const char* write = std::getenv("LUMO_WRITE_FUZZ_CORPUS"); write && *write == '1')
        for (const auto& [kind, files] : corpus)
        {
            std::filesystem::remove_all(kCorpusRoot / kind);
            for (const CorpusFile& file : files)
                WriteFile((kCorpusRoot / kind / file.name).string(), file.bytes);
        }
}

TEST(FuzzCorpusTest, CommittedSeedsReadAsNamed)
{
    for (const char* kind : {"tga", "gif", "png", "jpeg", "image"})
    {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(kCorpusRoot / kind))
        {
            ExpectNamedOutcome(kind, entry.path().filename().string(), ReadFile(entry.path().string()));
            count++;
        }
        EXPECT_GE(count, 4) << kind;
    }
}
} // namespace
