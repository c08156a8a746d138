// Writes every picture, sound, music track and bitmap font of the game below
// the given folder. Usage: crustavia_assets OUTPUT_DIR CHANCERY_FONT SANS_FONT [OGGENC]
// With --test-data DIR LAME it writes the sound tests' module and MP3 file into DIR.
// With --sheet ASSETS_DIR OUT.png it lays every picture out on one sheet for a look
// (SHEET_SMALL=1: only the small ones, three times larger; SHEET_ONLY=text: names with
// that text; SHEET_FONTS=1: the glyph sheets).
#include "tools/assetgen/Assets.h"
#include "tools/assetgen/Writers.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

namespace
{
int ContactSheet(const std::string& root, const std::string& out)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(
             root + (std::getenv("SHEET_FONTS") ? "/fonts" : "/gfx")))
    {
        if (!entry.is_regular_file() || entry.path().extension() == ".txt")
            continue;
        std::string rel = std::filesystem::relative(entry.path(), root).replace_extension().string();
        std::string file = std::filesystem::path(rel).filename().string();
        if (file.back() == '_')
            rel.pop_back();
        else if (file.front() == '_')
            rel = std::filesystem::path(rel).parent_path().string() + "/" + file.substr(1);
        names.insert(rel);
    }
    AssetGen::Canvas sheet(1600, 1800);
    sheet.Clear(AssetGen::Hex(0x3F7F7F));
    int x = 0, y = 0, row = 0;
    for (const std::string& name : names)
    {
        const char* only = std::getenv("SHEET_ONLY");
        if (only && name.find(only) == std::string::npos)
            continue;
        AssetGen::Canvas p = AssetGen::LoadPicture(root, name);
        if (std::getenv("SHEET_SMALL"))
        {
            if (p.Width() > 150)
                continue;
            p = AssetGen::Stretch(p, p.Width() * 3, p.Height() * 3);
        }
        if (x + p.Width() > sheet.Width())
        {
            x = 0;
            y += row + 4;
            row = 0;
        }
        sheet.Draw(p, x, y);
        x += p.Width() + 4;
        row = std::max(row, p.Height());
    }
    std::printf("%zu pictures\n", names.size());
    AssetGen::SavePicture(std::filesystem::path(out).parent_path().string(),
                          std::filesystem::path(out).stem().string(), sheet, AssetGen::Format::Png);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--sheet")
        return ContactSheet(argv[2], argv[3]);
    if (argc == 4 && std::string(argv[1]) == "--test-data")
    {
        AssetGen::MakeTestModule(argv[2]);
        AssetGen::MakeTestSounds(argv[2], argv[3]);
        return 0;
    }
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR CHANCERY_FONT SANS_FONT [OGGENC]\n", argv[0]);
        return 2;
    }
    std::string root = argv[1];
    AssetGen::FontFiles fonts{argv[2], argv[3]};
    std::string encoder = argc > 4 ? argv[4] : "oggenc";

    AssetGen::MakeFonts(root, fonts.chancery);
    AssetGen::MakeKitchenPictures(root);
    AssetGen::MakePeoplePictures(root);
    AssetGen::MakeInterfacePictures(root, fonts);
    AssetGen::MakeTutorialPictures(root, fonts);
    AssetGen::MakeSounds(root, encoder);
    AssetGen::MakeMusic(root, encoder);
    return 0;
}
