#include "app/LumoAppBase.h"
#include "text/ImageFont.h"

#include "app/Common.h"
#include "app/CriticalSection.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"
#include "text/FontData.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace Lumo
{

namespace
{

struct GlyphDrawRecord
{
    Image* mImage;
    int mX;
    int mY;
    Rect mSrcRect;
    int mDrawMode;
    Color mColor;
    GlyphDrawRecord* mNext;
};

// Shared by every image font; guarded by the font drawing lock.
GlyphDrawRecord gGlyphPool[ImageFont::kGlyphPoolSize];
GlyphDrawRecord* gBucketHeads[256];
GlyphDrawRecord* gBucketTails[256];

CriticalSection& FontDrawLock()
{
    static CriticalSection lock;
    return lock;
}

int Trunc(double value)
{
    if (!(value > INT_MIN && value < INT_MAX))
        return value > 0 ? INT_MAX : (value < 0 ? INT_MIN : 0);
    return static_cast<int>(value);
}

int CombineComponent(int mult, int color, int add)
{
    return std::clamp(mult * color / 255 + add, 0, 255);
}

bool Contains(const std::vector<std::string>& tags, const std::string& tag)
{
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

} // namespace

ActiveFontLayer::ActiveFontLayer(const ActiveFontLayer& other)
    : mBaseFontLayer(other.mBaseFontLayer), mScaledImage(other.mScaledImage), mOwnsImage(other.mOwnsImage)
{
    std::copy(std::begin(other.mScaledCharImageRects), std::end(other.mScaledCharImageRects),
              mScaledCharImageRects);
    if (mOwnsImage && mScaledImage != nullptr)
        mScaledImage = new MemoryImage(*other.mScaledImage);
}

ActiveFontLayer& ActiveFontLayer::operator=(const ActiveFontLayer& other)
{
    if (this == &other)
        return *this;
    MemoryImage* image = other.mScaledImage;
    if (other.mOwnsImage && image != nullptr)
        image = new MemoryImage(*image);
    if (mOwnsImage)
        delete mScaledImage;
    mBaseFontLayer = other.mBaseFontLayer;
    mScaledImage = image;
    mOwnsImage = other.mOwnsImage;
    std::copy(std::begin(other.mScaledCharImageRects), std::end(other.mScaledCharImageRects),
              mScaledCharImageRects);
    return *this;
}

ActiveFontLayer::~ActiveFontLayer()
{
    if (mOwnsImage)
        delete mScaledImage;
}

ImageFont::ImageFont(LumoAppBase* app, const std::string& descriptorFile) : mFontData(new FontData())
{
    mFontData->AddRef();
    mFontData->Load(app, descriptorFile);
    mPointSize = mFontData->mDefaultPointSize;
    GenerateActiveLayers();
}

ImageFont::ImageFont(MemoryImage* image, const std::string& metricsFile) : mFontData(new FontData())
{
    mFontData->AddRef();
    mFontData->LoadLegacy(image, metricsFile);
    mPointSize = mFontData->mDefaultPointSize;
    GenerateActiveLayers();
}

ImageFont::ImageFont(const ImageFont& other)
    : Font(other), mFontData(other.mFontData), mPointSize(other.mPointSize), mTagVector(other.mTagVector),
      mActiveListValid(other.mActiveListValid), mScale(other.mScale),
      mForceScaledImagesWhite(other.mForceScaledImagesWhite)
{
    mFontData->AddRef();
    if (other.mActiveListValid)
        mActiveLayerList = other.mActiveLayerList;
}

ImageFont::~ImageFont()
{
    mActiveLayerList.clear();
    mFontData->Release();
}

Font* ImageFont::Duplicate()
{
    return new ImageFont(*this);
}

void ImageFont::SetPointSize(int pointSize)
{
    mPointSize = pointSize;
    mActiveListValid = false;
}

int ImageFont::GetPointSize()
{
    return mPointSize;
}

void ImageFont::SetScale(double scale)
{
    mScale = scale;
    mActiveListValid = false;
}

int ImageFont::GetDefaultPointSize()
{
    return mFontData->mDefaultPointSize;
}

bool ImageFont::HasTag(const std::string& tag)
{
    return Contains(mTagVector, tag);
}

bool ImageFont::AddTag(const std::string& tag)
{
    // Only the text as given is looked for: "bold" after "Bold" is stored once more.
    if (HasTag(tag))
        return false;
    mTagVector.push_back(StringToUpper(tag));
    mActiveListValid = false;
    return true;
}

bool ImageFont::RemoveTag(const std::string& tag)
{
    // Every copy goes, so that no earlier AddTag keeps the tag in force.
    if (std::erase(mTagVector, StringToUpper(tag)) == 0)
        return false;
    mActiveListValid = false;
    return true;
}

std::string ImageFont::GetDefineText(const std::string& name)
{
    const DataElement* value = mFontData->Dereference(name);
    return value != nullptr ? DescParser::ElementToText(value) : std::string();
}

void ImageFont::Prepare()
{
    if (!mActiveListValid)
        GenerateActiveLayers();
}

ActiveFontLayer ImageFont::ScaleLayer(FontLayer& layer, double numerator, double denominator,
                                      int64_t* pixelsLeft) const
{
    ActiveFontLayer active;
    active.mBaseFontLayer = &layer;
    int64_t totalWidth = 0;
    int maxHeight = 0;
    for (int c = 0; c < 256; ++c)
    {
        const Rect& src = layer.mCharData[c].mImageRect;
        int w = std::max(0, Trunc(src.mWidth * numerator / denominator));
        int h = std::max(0, Trunc(src.mHeight * numerator / denominator));
        active.mScaledCharImageRects[c] =
            Rect(static_cast<int>(std::min<int64_t>(totalWidth, INT_MAX)), 0, w, h);
        totalWidth += w;
        maxHeight = std::max(maxHeight, h);
    }
    // A descriptor asking for an absurd size gets no glyph images rather than an
    // allocation that cannot succeed; so do the layers past the bound of all of a font's sheets
    // (a few lines of descriptor repeating a large layer asked for gigabytes).
    if (totalWidth * maxHeight > *pixelsLeft)
        return active;
    *pixelsLeft -= totalWidth * maxHeight;
    auto* image = new MemoryImage(gLumoAppBase);
    image->Create(static_cast<int>(totalWidth), maxHeight);
    active.mScaledImage = image;
    active.mOwnsImage = true;
    if (MemoryImage* source = layer.mImage.GetImage())
    {
        Graphics g(image);
        for (int c = 0; c < 256; ++c)
        {
            const Rect& dest = active.mScaledCharImageRects[c];
            if (!dest.IsEmpty())
                g.DrawImage(source, dest, layer.mCharData[c].mImageRect);
        }
    }
    if (mForceScaledImagesWhite)
    {
        uint32_t* bits = image->GetBits();
        for (int64_t i = 0; i < int64_t(image->mWidth) * image->mHeight; ++i)
            bits[i] |= 0x00FFFFFF;
        image->BitsChanged();
    }
    image->Palletize();
    return active;
}

void ImageFont::GenerateActiveLayers()
{
    if (!mFontData->mInitialized)
        return;
    mActiveLayerList.clear();
    mAscent = mAscentPadding = mHeight = mLineSpacingOffset = 0;
    bool first = true;
    int64_t scaledPixelsLeft = kMaxScaledPixels;
    for (FontLayer& layer : mFontData->mFontLayerList)
    {
        if (!(layer.mMinPointSize <= mPointSize &&
              (mPointSize <= layer.mMaxPointSize || layer.mMaxPointSize == -1)))
            continue;
        bool tagsMatch =
            std::all_of(layer.mRequiredTags.begin(), layer.mRequiredTags.end(),
                        [&](const std::string& tag) { return Contains(mTagVector, tag); }) &&
            std::none_of(mTagVector.begin(), mTagVector.end(),
                         [&](const std::string& tag) { return Contains(layer.mExcludedTags, tag); });
        if (!tagsMatch)
            continue;

        double numerator = mScale;
        double denominator = 1.0;
        if (mScale == 1.0 && (layer.mPointSize == 0 || layer.mPointSize == mPointSize))
        {
            ActiveFontLayer active;
            active.mBaseFontLayer = &layer;
            active.mScaledImage = layer.mImage.GetImage();
            for (int c = 0; c < 256; ++c)
                active.mScaledCharImageRects[c] = layer.mCharData[c].mImageRect;
            mActiveLayerList.push_back(active);
        }
        else
        {
            if (layer.mPointSize != 0)
            {
                numerator = mPointSize * mScale;
                denominator = layer.mPointSize;
            }
            mActiveLayerList.push_back(ScaleLayer(layer, numerator, denominator, &scaledPixelsLeft));
        }

        auto scaled = [&](int value) { return Trunc(value * numerator / denominator); };
        mAscent = std::max(mAscent, scaled(layer.mAscent));
        mHeight = std::max(mHeight, scaled(layer.mHeight != 0 ? layer.mHeight : layer.mDefaultHeight));
        int padding = scaled(layer.mAscentPadding);
        int spacing = scaled(layer.mLineSpacingOffset);
        mAscentPadding = first ? padding : std::min(mAscentPadding, padding);
        mLineSpacingOffset = first ? spacing : std::max(mLineSpacingOffset, spacing);
        first = false;
    }
    mActiveListValid = true;
}

double ImageFont::LayerFactor(const FontLayer& layer) const
{
    return layer.mPointSize != 0 ? mScale * mPointSize / layer.mPointSize : mScale;
}

ImageFont::Placement ImageFont::Place(const ActiveFontLayer& active, unsigned char c, int next, int pen,
                                      int y) const
{
    const FontLayer& layer = *active.mBaseFontLayer;
    const FontCharData& data = layer.mCharData[c];
    double f = LayerFactor(layer);
    Placement p;
    p.x = SaturateToInt(int64_t(pen) + Trunc((double(data.mOffset.mX) + layer.mOffset.mX) * f));
    p.y = SaturateToInt(int64_t(y) - Trunc((double(layer.mAscent) - data.mOffset.mY - layer.mOffset.mY) * f));
    p.advance = Trunc(data.mWidth * f);
    p.kerning = next >= 0 ? Trunc((double(data.mKerningOffsets[next]) + layer.mSpacing) * f) : 0;
    return p;
}

int ImageFont::CharWidthAfter(char c, char previous)
{
    Prepare();
    auto mapped = mFontData->mCharMap[static_cast<unsigned char>(c)];
    auto prev = mFontData->mCharMap[static_cast<unsigned char>(previous)];
    int width = 0;
    bool any = false;
    for (const ActiveFontLayer& active : mActiveLayerList)
    {
        const FontLayer& layer = *active.mBaseFontLayer;
        double f = LayerFactor(layer);
        int value = Trunc(layer.mCharData[mapped].mWidth * f);
        if (previous != 0)
            value = SaturateToInt(
                int64_t(value) +
                Trunc((double(layer.mCharData[prev].mKerningOffsets[mapped]) + layer.mSpacing) * f));
        width = any ? std::max(width, value) : value;
        any = true;
    }
    return width;
}

int ImageFont::CharWidth(char c)
{
    return CharWidthAfter(c, 0);
}

int ImageFont::StringWidth(const std::string& text)
{
    int width = 0;
    char previous = 0;
    for (char c : text)
    {
        width = SaturateToInt(int64_t(width) + CharWidthAfter(c, previous));
        previous = c;
    }
    return width;
}

void ImageFont::DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                           const Rect& clip)
{
    DrawStringEx(g, x, y, text, color, clip, nullptr, nullptr);
}

void ImageFont::DrawStringEx(Graphics* g, int x, int y, const std::string& text, const Color& color,
                             const Rect& clip, std::vector<Rect>* outRects, int* outWidth)
{
    AutoCrit lock(FontDrawLock());
    std::fill(std::begin(gBucketHeads), std::end(gBucketHeads), nullptr);
    std::fill(std::begin(gBucketTails), std::end(gBucketTails), nullptr);
    int poolUsed = 0;
    if (!mFontData->mInitialized)
    {
        if (outWidth != nullptr)
            *outWidth = 0;
        return;
    }
    Prepare();
    bool oldTint = g->GetTintImages();
    g->SetTintImages(true);

    int pen = x;
    for (size_t i = 0; i < text.size(); ++i)
    {
        unsigned char c = mFontData->mCharMap[static_cast<unsigned char>(text[i])];
        int next = i + 1 < text.size() ? mFontData->mCharMap[static_cast<unsigned char>(text[i + 1])] : -1;
        int nextPen = pen;
        bool any = false;
        for (const ActiveFontLayer& active : mActiveLayerList)
        {
            const FontLayer& layer = *active.mBaseFontLayer;
            Placement p = Place(active, c, next, pen, y);
            const Rect& src = active.mScaledCharImageRects[c];
            if (poolUsed < kGlyphPoolSize)
            {
                GlyphDrawRecord& record = gGlyphPool[poolUsed++];
                record = {
                    active.mScaledImage,
                    p.x,
                    p.y,
                    src,
                    layer.mDrawMode,
                    Color(CombineComponent(layer.mColorMult.mRed, color.mRed, layer.mColorAdd.mRed),
                          CombineComponent(layer.mColorMult.mGreen, color.mGreen, layer.mColorAdd.mGreen),
                          CombineComponent(layer.mColorMult.mBlue, color.mBlue, layer.mColorAdd.mBlue),
                          CombineComponent(layer.mColorMult.mAlpha, color.mAlpha, layer.mColorAdd.mAlpha)),
                    nullptr};
                int64_t order = int64_t(layer.mCharData[c].mOrder) + layer.mBaseOrder + 128;
                int bucket = static_cast<int>(std::clamp<int64_t>(order, 0, 255));
                if (gBucketTails[bucket] != nullptr)
                    gBucketTails[bucket]->mNext = &record;
                else
                    gBucketHeads[bucket] = &record;
                gBucketTails[bucket] = &record;
                if (outRects != nullptr)
                    outRects->push_back(Rect(p.x, p.y, src.mWidth, src.mHeight));
            }
            int end = SaturateToInt(int64_t(pen) + p.advance + p.kerning);
            nextPen = any ? std::max(nextPen, end) : end;
            any = true;
        }
        pen = nextPen;
    }

    Color oldColor = g->GetColor();
    for (GlyphDrawRecord* head : gBucketHeads)
    {
        for (GlyphDrawRecord* record = head; record != nullptr; record = record->mNext)
        {
            int oldMode = g->GetDrawMode();
            if (record->mDrawMode != -1)
                g->SetDrawMode(record->mDrawMode);
            g->SetColor(record->mColor);
            if (record->mImage != nullptr)
                g->DrawImage(record->mImage, record->mX, record->mY, record->mSrcRect);
            g->SetDrawMode(oldMode);
        }
    }
    g->SetColor(oldColor);
    g->SetTintImages(oldTint);
    if (outWidth != nullptr)
        *outWidth = SaturateToInt(int64_t(pen) - x);
}

} // namespace Lumo
