// Descriptor files as they arrive from the fonts folder: the language layer with
// every value conversion, then the font commands and a font built from them,
// measured and drawn at its own size and scaled.
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "text/DescParser.h"
#include "text/FontData.h"
#include "app/LumoAppBase.h"
#include "text/ImageFont.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

class FuzzParser : public Lumo::DescParser
{
public:
    bool HandleCommand(const Lumo::ListDataElement& params) override
    {
        std::string text;
        std::vector<std::string> strings;
        std::vector<int> ints;
        std::vector<double> reals;
        for (size_t i = 1; i < params.mItems.size(); ++i)
        {
            const Lumo::DataElement* e = params.mItems[i];
            DataToString(e, &text);
            DataToStringVector(e, &strings);
            DataToIntVector(e, &ints);
            DataToDoubleVector(e, &reals);
            Lumo::ListDataElement list;
            DataToList(e, &list);
            ElementToText(e);
        }
        // Define-like: keep the second item under the first item's name.
        if (params.mItems.size() == 3 && !params.mItems[1]->mIsList)
        {
            const auto* name = static_cast<const Lumo::SingleDataElement*>(params.mItems[1]);
            if (!IsLiteral(name->mText))
                SetDefine(name->mText, params.mItems[2]->Duplicate());
        }
        return params.mItems.size() < 9;
    }
};

// Every picture name gives the same small sheet; "missing" gives none.
class FuzzHost : public Lumo::LumoAppBase
{
public:
    std::map<std::string, Lumo::SharedImage> mRecords;

    ~FuzzHost() override { Clear(); }
    // Forgets the pictures of one input.
    void Clear()
    {
        for (auto& record : mRecords)
            delete record.second.mImage;
        mRecords.clear();
    }
    Lumo::SharedImageRef GetSharedImage(const std::string& fileName, const std::string&, bool* isNew) override
    {
        auto inserted = mRecords.try_emplace(fileName);
        if (isNew)
            *isNew = inserted.second;
        if (inserted.second && fileName.find("missing") == std::string::npos)
        {
            std::vector<uint32_t> pixels(16 * 8);
            for (size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = 0xFF000000u | uint32_t(i * 0x10203);
            inserted.first->second.mImage = new Lumo::MemoryImage();
            inserted.first->second.mImage->SetBits(pixels.data(), 16, 8, true);
        }
        Lumo::SharedImageRef ref;
        ref = &inserted.first->second;
        return ref;
    }
    void ShowFatalError(const std::string&) override {}
};

void Exercise(Lumo::ImageFont& font, const std::string& text)
{
    Lumo::MemoryImage canvas;
    canvas.Create(64, 32);
    Lumo::Graphics g(&canvas);
    font.StringWidth(text);
    std::vector<Lumo::Rect> rects;
    int width = 0;
    font.DrawStringEx(&g, 2, 20, text, Lumo::Color::White, Lumo::Rect(0, 0, 64, 32), &rects, &width);
    font.GetAscent();
    font.GetLineSpacing();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/fuzz_descriptor_" + std::to_string(getpid()) + ".txt";
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    fwrite(data, 1, size, file);
    fclose(file);
    const std::string input(reinterpret_cast<const char*>(data), size);

    FuzzParser fileParser;
    fileParser.ParseDescriptorFile(path);
    FuzzParser lineParser;
    lineParser.ParseCommandLine(input);
    Lumo::DescParser::Unquote(input);

    // One application for the whole run (making one loads its modules); its pictures go after
    // each input.
    static FuzzHost* host = new FuzzHost();
    {
        Lumo::ImageFont font(host, path);
        // Memory stays in proportion to the file: its defines hold no more than the budget its
        // size sets.
        size_t held = 0;
        for (const auto& define : font.mFontData->mDefines)
            held += Lumo::DescParser::ValueBytes(define.second);
        if (held > Lumo::DescParser::kValueByteAllowance + Lumo::DescParser::kValueBytesPerTextByte * size)
            __builtin_trap();
        const std::string sample = input.substr(0, 24) + "abc";
        Exercise(font, sample);
        // Another size, without overflowing on the huge ones a descriptor may give.
        int size = font.GetPointSize();
        font.SetPointSize(size > -1000000 && size < 1000000 ? size * 2 + 1 : 1);
        font.AddTag("bold");
        Exercise(font, sample);
        Lumo::ImageFont copy(font);
        copy.SetScale(0.5);
        Exercise(copy, sample);
    }
    host->Clear();
    return 0;
}
