#include "text/FontData.h"

#include "app/Common.h"
#include "graphics/MemoryImage.h"
#include "app/LumoAppBase.h"
#include "win32/windows.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>

namespace Lumo
{

namespace
{

const SingleDataElement* AsSingle(const DataElement* e)
{
    return e->mIsList ? nullptr : static_cast<const SingleDataElement*>(e);
}

// Entry-wise commands apply every well-formed entry; the result says whether all were.
template <typename Apply> bool ForEachChar(const std::vector<std::string>& chars, Apply apply)
{
    bool allValid = true;
    for (size_t i = 0; i < chars.size(); ++i)
    {
        if (chars[i].size() != 1)
            allValid = false;
        else if (!apply(i, static_cast<unsigned char>(chars[i][0])))
            allValid = false;
    }
    return allValid;
}

int ClampComponent(double value)
{
    double scaled = std::trunc(value * 255.0);
    if (!(scaled >= 0.0)) // NaN too
        return 0;
    return scaled > 255.0 ? 255 : static_cast<int>(scaled);
}

bool FitsInt(int64_t value)
{
    return value >= INT_MIN && value <= INT_MAX;
}

// What the texts of tags hold beside their strings.
size_t TagTextBytes(const std::vector<std::string>& tags)
{
    size_t bytes = 0;
    for (const std::string& tag : tags)
        bytes += DescParser::StringBytes(tag.size());
    return bytes;
}

// A layer holds a record and a kerning row for each of 256 characters (some 74 KB) and its tags:
// paid for from the budget, so that a file of short CreateLayer lines cannot ask for thousands of
// times its size.
size_t LayerBytes(const std::string& name, const FontLayer& layer)
{
    size_t bytes =
        DescParser::Allocated(sizeof(FontLayer) + 2 * sizeof(void*)) +
        DescParser::Allocated(4 * sizeof(void*) + sizeof(std::pair<const std::string, FontLayer*>)) +
        DescParser::StringBytes(name.size());
    for (const auto* tags : {&layer.mRequiredTags, &layer.mExcludedTags})
        bytes += DescParser::Allocated(tags->size() * sizeof(std::string)) + TagTextBytes(*tags);
    return bytes;
}

} // namespace

FontData::FontData()
{
    for (int i = 0; i < 256; ++i)
        mCharMap[i] = static_cast<unsigned char>(i);
}

bool FontData::Load(LumoAppBase* app, const std::string& fileName)
{
    if (mInitialized)
        return false;
    mApp = app;
    mFontErrorHeader = "Font Descriptor Error in " + fileName + "\r\n";
    mSourceFile = fileName;
    mInitialized = ParseDescriptorFile(fileName);
    return true;
}

void FontData::Release()
{
    if (--mRefCount <= 0)
        delete this;
}

bool FontData::Error(const std::string& msg)
{
    if (mApp == nullptr)
        return false;
    // A box cannot show a huge name or command; their starts and the line number locate them.
    constexpr size_t kShown = 1000;
    auto shown = [&](const std::string& part)
    {
        std::string start(part, 0, kShown);
        if (part.size() > kShown)
            start += "...";
        return start;
    };
    std::string text = mFontErrorHeader + shown(msg);
    if (!mCommandText.empty())
        text += " on Line " + FormatString("%d:\r\n\r\n", mCommandLineNumber) + shown(mCommandText);
    mApp->ShowFatalError(text);
    return false;
}

const std::map<std::string, FontData::Command>& FontData::Commands()
{
    static const std::map<std::string, Command> commands = {
        {"DEFINE", {3, &FontData::CmdDefine}},
        {"CREATEHORZSPANRECTLIST", {4, &FontData::CmdCreateHorzSpanRectList}},
        {"SETDEFAULTPOINTSIZE", {2, &FontData::CmdSetDefaultPointSize}},
        {"SETCHARMAP", {3, &FontData::CmdSetCharMap}},
        {"CREATELAYER", {2, &FontData::CmdCreateLayer}},
        {"CREATELAYERFROM", {3, &FontData::CmdCreateLayerFrom}},
        {"LAYERREQUIRETAGS", {3, &FontData::CmdLayerRequireTags}},
        {"LAYEREXCLUDETAGS", {3, &FontData::CmdLayerExcludeTags}},
        {"LAYERPOINTRANGE", {4, &FontData::CmdLayerPointRange}},
        {"LAYERSETPOINTSIZE", {3, &FontData::CmdLayerSetPointSize}},
        {"LAYERSETIMAGE", {3, &FontData::CmdLayerSetImage}},
        {"LAYERSETDRAWMODE", {3, &FontData::CmdLayerSetDrawMode}},
        {"LAYERSETCOLORMULT", {3, &FontData::CmdLayerSetColorMult}},
        {"LAYERSETCOLORADD", {3, &FontData::CmdLayerSetColorAdd}},
        {"LAYERSETASCENT", {3, &FontData::CmdLayerSetAscent}},
        {"LAYERSETASCENTPADDING", {3, &FontData::CmdLayerSetAscentPadding}},
        {"LAYERSETLINESPACINGOFFSET", {3, &FontData::CmdLayerSetLineSpacingOffset}},
        {"LAYERSETOFFSET", {3, &FontData::CmdLayerSetOffset}},
        {"LAYERSETCHARWIDTHS", {4, &FontData::CmdLayerSetCharWidths}},
        {"LAYERSETSPACING", {3, &FontData::CmdLayerSetSpacing}},
        {"LAYERSETIMAGEMAP", {4, &FontData::CmdLayerSetImageMap}},
        {"LAYERSETCHAROFFSETS", {4, &FontData::CmdLayerSetCharOffsets}},
        {"LAYERSETKERNINGPAIRS", {4, &FontData::CmdLayerSetKerningPairs}},
        {"LAYERSETBASEORDER", {3, &FontData::CmdLayerSetBaseOrder}},
        {"LAYERSETCHARORDERS", {4, &FontData::CmdLayerSetCharOrders}},
    };
    return commands;
}

bool FontData::HandleCommand(const ListDataElement& params)
{
    const SingleDataElement* word = params.mItems.empty() ? nullptr : AsSingle(params.mItems[0]);
    if (word == nullptr)
        return Error("Missing Command");
    auto it = Commands().find(StringToUpper(word->mText));
    if (it == Commands().end())
        return Error("Unknown Command");
    if (static_cast<int>(params.mItems.size()) != it->second.argCount)
        return Error("Invalid Number of Parameters");
    return (this->*it->second.handler)(params);
}

bool FontData::InvalidType()
{
    return Error("Invalid Paramater Type");
}

bool FontData::GetLayer(const DataElement* e, FontLayer** out)
{
    *out = nullptr;
    const SingleDataElement* single = AsSingle(e);
    if (single == nullptr)
        return false;
    auto it = mFontLayerMap.find(StringToUpper(single->mText));
    if (it == mFontLayerMap.end())
        return Error("Undefined Layer");
    *out = it->second;
    return true;
}

bool FontData::ListEntries(const DataElement* e, const ListDataElement** entries, bool* asWritten)
{
    if (e->mIsList)
    {
        *entries = static_cast<const ListDataElement*>(e);
        *asWritten = true;
        return true;
    }
    const DataElement* value = Dereference(static_cast<const SingleDataElement*>(e)->mText);
    if (value == nullptr || !value->mIsList || !SpendDefine(value))
        return false;
    *entries = static_cast<const ListDataElement*>(value);
    *asWritten = false; // a define's entries were resolved when it was made
    return true;
}

bool FontData::EntryInts(const DataElement* entry, bool asWritten, std::vector<int>* out)
{
    // Each entry is resolved on its own and without a report: a malformed one is only skipped.
    out->clear();
    if (!entry->mIsList)
    {
        const DataElement* value = asWritten ? Dereference(AsSingle(entry)->mText) : nullptr;
        return value != nullptr && value->mIsList && SpendDefine(value) && EntryInts(value, false, out);
    }
    for (const DataElement* item : static_cast<const ListDataElement*>(entry)->mItems)
    {
        const SingleDataElement* single = AsSingle(item);
        if (single == nullptr || single->mText.empty())
            return false;
        std::string text = single->mText;
        if (asWritten && !IsLiteral(text))
        {
            const SingleDataElement* value = nullptr;
            if (const DataElement* define = Dereference(text))
                value = AsSingle(define);
            if (value == nullptr)
                return false;
            text = value->mText;
        }
        else if (asWritten)
        {
            text = Unquote(text);
        }
        int number = 0;
        if (!StringToInt(text, &number))
            return false;
        out->push_back(number);
    }
    return true;
}

bool FontData::GetInt(const DataElement* e, int* out)
{
    const SingleDataElement* single = AsSingle(e);
    return single != nullptr && StringToInt(single->mText, out);
}

bool FontData::GetName(const DataElement* e, std::string* out)
{
    const SingleDataElement* single = AsSingle(e);
    if (single == nullptr)
        return false;
    *out = StringToUpper(single->mText);
    return true;
}

bool FontData::LayerArg(const ListDataElement& params, FontLayer** out)
{
    return GetLayer(params.mItems[1], out) || InvalidType();
}

bool FontData::LayerIntArg(const ListDataElement& params, int FontLayer::*field)
{
    FontLayer* layer = nullptr;
    if (!LayerArg(params, &layer))
        return false;
    int value = 0;
    if (!GetInt(params.mItems[2], &value))
        return InvalidType();
    layer->*field = value;
    return true;
}

bool FontData::LayerColorArg(const ListDataElement& params, Color FontLayer::*field)
{
    FontLayer* layer = nullptr;
    if (!LayerArg(params, &layer))
        return false;
    std::vector<double> values;
    if (!DataToDoubleVector(params.mItems[2], &values) || values.size() != 4)
        return InvalidType();
    layer->*field = Color(ClampComponent(values[0]), ClampComponent(values[1]), ClampComponent(values[2]),
                          ClampComponent(values[3]));
    return true;
}

bool FontData::LayerTagsArg(const ListDataElement& params, std::vector<std::string> FontLayer::*field)
{
    FontLayer* layer = nullptr;
    if (!LayerArg(params, &layer))
        return false;
    std::vector<std::string> tags;
    if (!DataToStringVector(params.mItems[2], &tags))
        return InvalidType();
    // The tags stay with the layer for the whole parse.
    std::vector<std::string>& kept = layer->*field;
    if (!MakeRoom(&kept, tags.size(), TagTextBytes(tags), true))
        return false;
    for (const std::string& tag : tags)
        kept.push_back(StringToUpper(tag));
    return true;
}

bool FontData::AddLayer(const std::string& name, const FontLayer& layer)
{
    if (mFontLayerMap.count(name) != 0)
        return Error("Layer Already Exists");
    if (!Charge(LayerBytes(name, layer), true))
        return false;
    mFontLayerList.push_back(layer);
    mFontLayerList.back().mFontData = this;
    mFontLayerMap[name] = &mFontLayerList.back();
    return true;
}

void FontData::RecomputeDefaultHeight(FontLayer* layer)
{
    int height = 0;
    for (const FontCharData& c : layer->mCharData)
        height = std::max(height, c.mImageRect.mHeight + c.mOffset.mY);
    layer->mDefaultHeight = height;
}

bool FontData::CmdDefine(const ListDataElement& p)
{
    const SingleDataElement* name = AsSingle(p.mItems[1]);
    if (name == nullptr || IsLiteral(name->mText))
        return InvalidType();
    // The old value goes first: a new value naming the define itself no longer finds it.
    DeleteDefine(name->mText);
    const SingleDataElement* single = AsSingle(p.mItems[2]);
    if (const DataElement* existing = single != nullptr ? Dereference(single->mText) : nullptr)
    {
        if (!SpendDefine(existing))
            return false;
        SetDefine(name->mText, existing->Duplicate());
        return true;
    }
    // The value as written is kept, not copied: a list is resolved where it lies.
    std::unique_ptr<DataElement> value(TakeItem(p, 2));
    if (value == nullptr || (value->mIsList && !ResolveInPlace(static_cast<ListDataElement*>(value.get()))))
        return false;
    SetDefine(name->mText, value.release());
    return true;
}

bool FontData::CmdCreateHorzSpanRectList(const ListDataElement& p)
{
    std::string name;
    std::vector<int> rect;
    std::vector<int> widths;
    if (!GetName(p.mItems[1], &name) || !DataToIntVector(p.mItems[2], &rect) || rect.size() != 4 ||
        !DataToIntVector(p.mItems[3], &widths) || rect[3] < 0)
        return InvalidType();
    // The list and, per width, a rectangle of four numbers (short enough to sit inside their strings).
    const size_t rectBytes = sizeof(DataElement*) + Allocated(sizeof(ListDataElement)) +
                             Allocated(4 * sizeof(DataElement*)) + 4 * Allocated(sizeof(SingleDataElement));
    if (!Charge(Allocated(sizeof(ListDataElement)) + kAllocatorOverhead + widths.size() * rectBytes, true))
        return false;
    auto* list = new ListDataElement();
    list->mItems.reserve(widths.size());
    int64_t x = rect[0];
    for (int width : widths)
    {
        if (width < 0 || !FitsInt(x))
        {
            delete list;
            return InvalidType();
        }
        auto* item = new ListDataElement();
        item->mItems.reserve(4);
        for (int64_t v : {x, int64_t(rect[1]), int64_t(width), int64_t(rect[3])})
            item->mItems.push_back(new SingleDataElement(FormatString("%d", static_cast<int>(v))));
        list->mItems.push_back(item);
        x += width;
    }
    SetDefine(name, list);
    return true;
}

bool FontData::CmdSetDefaultPointSize(const ListDataElement& p)
{
    return GetInt(p.mItems[1], &mDefaultPointSize) || InvalidType();
}

bool FontData::CmdSetCharMap(const ListDataElement& p)
{
    std::vector<std::string> from;
    std::vector<std::string> to;
    if (!DataToStringVector(p.mItems[1], &from) || !DataToStringVector(p.mItems[2], &to))
        return InvalidType();
    if (from.size() != to.size())
        return Error("List Size Mismatch");
    bool allValid = ForEachChar(from,
                                [&](size_t i, unsigned char c)
                                {
                                    if (to[i].size() != 1)
                                        return false;
                                    mCharMap[c] = static_cast<unsigned char>(to[i][0]);
                                    return true;
                                });
    return allValid || InvalidType();
}

bool FontData::CmdCreateLayer(const ListDataElement& p)
{
    std::string name;
    if (!GetName(p.mItems[1], &name))
        return InvalidType();
    return AddLayer(name, FontLayer(this));
}

bool FontData::CmdCreateLayerFrom(const ListDataElement& p)
{
    std::string name;
    FontLayer* source = nullptr;
    if (!GetName(p.mItems[1], &name))
        return InvalidType();
    if (!GetLayer(p.mItems[2], &source))
        return InvalidType();
    return AddLayer(name, *source);
}

bool FontData::CmdLayerRequireTags(const ListDataElement& p)
{
    return LayerTagsArg(p, &FontLayer::mRequiredTags);
}

bool FontData::CmdLayerExcludeTags(const ListDataElement& p)
{
    return LayerTagsArg(p, &FontLayer::mExcludedTags);
}

bool FontData::CmdLayerPointRange(const ListDataElement& p)
{
    FontLayer* layer = nullptr;
    if (!LayerArg(p, &layer))
        return false;
    int low = 0;
    int high = 0;
    if (!GetInt(p.mItems[2], &low) || !GetInt(p.mItems[3], &high))
        return InvalidType();
    layer->mMinPointSize = low;
    layer->mMaxPointSize = high;
    return true;
}

bool FontData::CmdLayerSetPointSize(const ListDataElement& p)
{
    return LayerIntArg(p, &FontLayer::mPointSize);
}

bool FontData::CmdLayerSetImage(const ListDataElement& p)
{
    FontLayer* layer = nullptr;
    if (!LayerArg(p, &layer))
        return false;
    std::string file;
    if (!DataToString(p.mItems[2], &file))
        return InvalidType();
    if (mApp == nullptr)
        return Error("Failed to Load Image");
    std::string path = ResolveRelativePath(file, GetFileDir(mSourceFile));
    bool isNew = false;
    SharedImageRef image = mApp->GetSharedImage(path, "", &isNew);
    if (image.GetImage() == nullptr)
        return Error("Failed to Load Image");
    if (isNew)
        image.GetImage()->Palletize();
    layer->mImage = image;
    return true;
}

bool FontData::CmdLayerSetDrawMode(const ListDataElement& p)
{
    FontLayer* layer = nullptr;
    if (!LayerArg(p, &layer))
        return false;
    int mode = 0;
    if (!GetInt(p.mItems[2], &mode) || (mode != 0 && mode != 1))
        return InvalidType();
    layer->mDrawMode = mode;
    return true;
}

bool FontData::CmdLayerSetColorMult(const ListDataElement& p)
{
    return LayerColorArg(p, &FontLayer::mColorMult);
}

bool FontData::CmdLayerSetColorAdd(const ListDataElement& p)
{
    return LayerColorArg(p, &FontLayer::mColorAdd);
}

bool FontData::CmdLayerSetAscent(const ListDataElement& p)
{
    return LayerIntArg(p, &FontLayer::mAscent);
}

bool FontData::CmdLayerSetAscentPadding(const ListDataElement& p)
{
    return LayerIntArg(p, &FontLayer::mAscentPadding);
}

bool FontData::CmdLayerSetLineSpacingOffset(const ListDataElement& p)
{
    return LayerIntArg(p, &FontLayer::mLineSpacingOffset);
}

bool FontData::CmdLayerSetOffset(const ListDataElement& p)
{
    FontLayer* layer = nullptr;
    if (!LayerArg(p, &layer))
        return false;
    std::vector<int> offset;
    if (!DataToIntVector(p.mItems[2], &offset) || offset.size() != 2)
        return InvalidType();
    layer->mOffset = {offset[0], offset[1]};
    return true;
}

bool FontData::CmdLayerSetSpacing(const ListDataElement& p)
{
    return LayerIntArg(p, &FontLayer::mSpacing);
}

bool FontData::CmdLayerSetBaseOrder(const ListDataElement& p)
{
    return LayerIntArg(p, &FontLayer::mBaseOrder);
}

bool FontData::LayerCharIntsArg(const ListDataElement& p, int FontCharData::*field)
{
    FontLayer* layer = nullptr;
    if (!LayerArg(p, &layer))
        return false;
    std::vector<std::string> chars;
    std::vector<int> values;
    if (!DataToStringVector(p.mItems[2], &chars) || !DataToIntVector(p.mItems[3], &values))
        return InvalidType();
    if (chars.size() != values.size())
        return Error("List Size Mismatch");
    bool allValid = ForEachChar(chars,
                                [&](size_t i, unsigned char c)
                                {
                                    layer->mCharData[c].*field = values[i];
                                    return true;
                                });
    return allValid || InvalidType();
}

bool FontData::CmdLayerSetCharWidths(const ListDataElement& p)
{
    return LayerCharIntsArg(p, &FontCharData::mWidth);
}

bool FontData::CmdLayerSetCharOrders(const ListDataElement& p)
{
    return LayerCharIntsArg(p, &FontCharData::mOrder);
}

bool FontData::CmdLayerSetImageMap(const ListDataElement& p)
{
    FontLayer* layer = nullptr;
    if (!LayerArg(p, &layer))
        return false;
    std::vector<std::string> chars;
    const ListDataElement* rects = nullptr;
    bool asWritten = false;
    if (!DataToStringVector(p.mItems[2], &chars) || !ListEntries(p.mItems[3], &rects, &asWritten))
        return InvalidType();
    if (chars.size() != rects->mItems.size())
        return Error("List Size Mismatch");
    MemoryImage* image = layer->mImage.GetImage();
    if (image == nullptr)
        return Error("Layer image not set");
    bool allValid = true;
    for (size_t i = 0; i < chars.size(); ++i)
    {
        std::vector<int> r;
        if (chars[i].size() != 1 || !EntryInts(rects->mItems[i], asWritten, &r) || r.size() != 4)
        {
            allValid = false;
            continue;
        }
        // 64-bit sums: a huge x plus a width must not wrap into range.
        if (r[0] < 0 || r[1] < 0 || r[2] < 0 || r[3] < 0 || int64_t(r[0]) + r[2] > image->mWidth ||
            int64_t(r[1]) + r[3] > image->mHeight)
            return Error("Image rectangle out of bounds");
        layer->mCharData[static_cast<unsigned char>(chars[i][0])].mImageRect = Rect(r[0], r[1], r[2], r[3]);
    }
    RecomputeDefaultHeight(layer);
    return allValid || InvalidType();
}

bool FontData::CmdLayerSetCharOffsets(const ListDataElement& p)
{
    FontLayer* layer = nullptr;
    if (!LayerArg(p, &layer))
        return false;
    std::vector<std::string> chars;
    const ListDataElement* offsets = nullptr;
    bool asWritten = false;
    if (!DataToStringVector(p.mItems[2], &chars) || !ListEntries(p.mItems[3], &offsets, &asWritten))
        return InvalidType();
    if (chars.size() != offsets->mItems.size())
        return Error("List Size Mismatch");
    bool allValid = ForEachChar(chars,
                                [&](size_t i, unsigned char c)
                                {
                                    std::vector<int> pair;
                                    if (!EntryInts(offsets->mItems[i], asWritten, &pair) || pair.size() != 2)
                                        return false;
                                    layer->mCharData[c].mOffset = {pair[0], pair[1]};
                                    return true;
                                });
    return allValid || InvalidType();
}

bool FontData::CmdLayerSetKerningPairs(const ListDataElement& p)
{
    FontLayer* layer = nullptr;
    if (!LayerArg(p, &layer))
        return false;
    std::vector<std::string> pairs;
    std::vector<int> values;
    if (!DataToStringVector(p.mItems[2], &pairs) || !DataToIntVector(p.mItems[3], &values))
        return InvalidType();
    if (pairs.size() != values.size())
        return Error("List Size Mismatch");
    bool allValid = true;
    for (size_t i = 0; i < pairs.size(); ++i)
    {
        if (pairs[i].size() != 2)
        {
            allValid = false;
            continue;
        }
        auto first = static_cast<unsigned char>(pairs[i][0]);
        auto second = static_cast<unsigned char>(pairs[i][1]);
        layer->mCharData[first].mKerningOffsets[second] = static_cast<int8_t>(values[i]);
    }
    return allValid || InvalidType();
}

void FontData::LoadLegacy(MemoryImage* image, const std::string& metricsFile)
{
    if (mInitialized)
        return;
    mFontLayerList.emplace_back(this);
    FontLayer& layer = mFontLayerList.back();
    mFontLayerMap[""] = &layer;
    layer.mImage = image;
    int imageHeight = image != nullptr ? image->mHeight : 0;
    layer.mDefaultHeight = imageHeight;
    layer.mAscent = imageHeight;

    std::ifstream in(Platform::HostPath(metricsFile.c_str()));
    if (!in)
        return;
    int spaceWidth = 0;
    if (in >> spaceWidth)
        layer.mCharData[static_cast<unsigned char>(' ')].mWidth = spaceWidth;
    int ascent = 0;
    if (in >> ascent)
        layer.mAscent = ascent;
    int64_t x = 0;
    char c = 0;
    int width = 0;
    while (in >> c >> width)
    {
        // Widths that would leave the sheet or wrap are not glyphs.
        if (width < 0 || !FitsInt(x + width))
            break;
        FontCharData& data = layer.mCharData[static_cast<unsigned char>(c)];
        data.mImageRect = Rect(static_cast<int>(x), 0, width, imageHeight);
        data.mWidth = width;
        x += width;
    }
    for (int upper = 'A'; upper <= 'Z'; ++upper)
        if (layer.mCharData[upper].mWidth == 0 && layer.mCharData[upper + 32].mWidth != 0)
            mCharMap[upper] = static_cast<unsigned char>(upper + 32);
    for (int lower = 'a'; lower <= 'z'; ++lower)
        if (layer.mCharData[lower].mWidth == 0 && layer.mCharData[lower - 32].mWidth != 0)
            mCharMap[lower] = static_cast<unsigned char>(lower - 32);
    mInitialized = true;
}

} // namespace Lumo
