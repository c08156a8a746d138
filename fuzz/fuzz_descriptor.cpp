// Descriptor files as they arrive from the fonts folder: the language layer and every
// value conversion a command handler may ask for.
#include "text/DescParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

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
        // "Define"-like: keep the second item under the first item's name.
        if (params.mItems.size() == 3 && !params.mItems[1]->mIsList)
        {
            const auto* name = static_cast<const Lumo::SingleDataElement*>(params.mItems[1]);
            if (!IsLiteral(name->mText))
                SetDefine(name->mText, params.mItems[2]->Duplicate());
        }
        return params.mItems.size() < 9;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/fuzz_descriptor_" + std::to_string(getpid()) + ".txt";
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    fwrite(data, 1, size, file);
    fclose(file);

    FuzzParser fileParser;
    fileParser.ParseDescriptorFile(path);

    FuzzParser lineParser;
    lineParser.ParseCommandLine(std::string(reinterpret_cast<const char*>(data), size));
    Lumo::DescParser::Unquote(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
