// The parsed form of a font descriptor file: the layers of a bitmap font,
// shared by reference count between the fonts made from it.
#pragma once

#include "text/DescParser.h"
#include "text/FontLayer.h"

#include <list>
#include <map>
#include <string>

namespace Lumo
{

class LumoAppBase;
class MemoryImage;

class FontData : public DescParser
{
public:
    bool mInitialized = false;
    int mRefCount = 0;
    // While null, errors are neither reported nor stored.
    LumoAppBase* mApp = nullptr;
    int mDefaultPointSize = 0;
    unsigned char mCharMap[256];
    std::list<FontLayer> mFontLayerList;
    std::map<std::string, FontLayer*> mFontLayerMap;
    std::string mSourceFile;
    std::string mFontErrorHeader;

    FontData();

    bool Error(const std::string& msg) override;
    bool HandleCommand(const ListDataElement& params) override;

    // False when already initialized; the parse result lands in mInitialized.
    bool Load(LumoAppBase* app, const std::string& fileName);
    // A single-layer font from glyphs laid side by side and a metrics text file.
    void LoadLegacy(MemoryImage* image, const std::string& metricsFile);
    void AddRef() { ++mRefCount; }
    void Release();
    bool GetLayer(const DataElement* e, FontLayer** out);

private:
    ~FontData() override = default;

    using Handler = bool (FontData::*)(const ListDataElement& params);
    struct Command
    {
        int argCount;
        Handler handler;
    };
    static const std::map<std::string, Command>& Commands();

    bool InvalidType();
    bool GetInt(const DataElement* e, int* out);
    // The entries of a list argument written in place or named by a define; asWritten tells
    // whether they still need resolving.
    bool ListEntries(const DataElement* e, const ListDataElement** entries, bool* asWritten);
    // The numbers of one entry; false for a malformed entry.
    bool EntryInts(const DataElement* entry, bool asWritten, std::vector<int>* out);
    bool GetName(const DataElement* e, std::string* out);
    bool LayerArg(const ListDataElement& params, FontLayer** out);
    bool LayerIntArg(const ListDataElement& params, int FontLayer::*field);
    bool LayerColorArg(const ListDataElement& params, Color FontLayer::*field);
    bool LayerTagsArg(const ListDataElement& params, std::vector<std::string> FontLayer::*field);
    bool LayerCharIntsArg(const ListDataElement& params, int FontCharData::*field);
    bool AddLayer(const std::string& name, const FontLayer& layer);
    void RecomputeDefaultHeight(FontLayer* layer);

    bool CmdDefine(const ListDataElement& p);
    bool CmdCreateHorzSpanRectList(const ListDataElement& p);
    bool CmdSetDefaultPointSize(const ListDataElement& p);
    bool CmdSetCharMap(const ListDataElement& p);
    bool CmdCreateLayer(const ListDataElement& p);
    bool CmdCreateLayerFrom(const ListDataElement& p);
    bool CmdLayerRequireTags(const ListDataElement& p);
    bool CmdLayerExcludeTags(const ListDataElement& p);
    bool CmdLayerPointRange(const ListDataElement& p);
    bool CmdLayerSetPointSize(const ListDataElement& p);
    bool CmdLayerSetImage(const ListDataElement& p);
    bool CmdLayerSetDrawMode(const ListDataElement& p);
    bool CmdLayerSetColorMult(const ListDataElement& p);
    bool CmdLayerSetColorAdd(const ListDataElement& p);
    bool CmdLayerSetAscent(const ListDataElement& p);
    bool CmdLayerSetAscentPadding(const ListDataElement& p);
    bool CmdLayerSetLineSpacingOffset(const ListDataElement& p);
    bool CmdLayerSetOffset(const ListDataElement& p);
    bool CmdLayerSetCharWidths(const ListDataElement& p);
    bool CmdLayerSetSpacing(const ListDataElement& p);
    bool CmdLayerSetImageMap(const ListDataElement& p);
    bool CmdLayerSetCharOffsets(const ListDataElement& p);
    bool CmdLayerSetKerningPairs(const ListDataElement& p);
    bool CmdLayerSetBaseOrder(const ListDataElement& p);
    bool CmdLayerSetCharOrders(const ListDataElement& p);
};

} // namespace Lumo
