// The bitmap font: shares one FontData with its copies and prepares, for its
// own point size, scale and tags, the layers to draw with glyphs scaled to size.
#pragma once

#include "graphics/Font.h"
#include "graphics/Rect.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

namespace Lumo
{

class FontData;
class LumoAppBase;
class FontLayer;
class MemoryImage;

class ActiveFontLayer
{
public:
    FontLayer* mBaseFontLayer = nullptr;
    MemoryImage* mScaledImage = nullptr;
    // Owned images were made for this font and go with the active layer.
    bool mOwnsImage = false;
    Rect mScaledCharImageRects[256];

    ActiveFontLayer() = default;
    ActiveFontLayer(const ActiveFontLayer& other);
    ActiveFontLayer& operator=(const ActiveFontLayer& other);
    virtual ~ActiveFontLayer();
};

class ImageFont : public Font
{
public:
    FontData* mFontData = nullptr;
    int mPointSize = 0;
    std::vector<std::string> mTagVector;
    bool mActiveListValid = false;
    std::list<ActiveFontLayer> mActiveLayerList;
    double mScale = 1.0;
    bool mForceScaledImagesWhite = false;

    ImageFont(LumoAppBase* app, const std::string& descriptorFile);
    ImageFont(MemoryImage* image, const std::string& metricsFile);
    ImageFont(const ImageFont& other);
    ~ImageFont() override;

    int StringWidth(const std::string& text) override;
    int CharWidth(char c) override;
    int CharWidthAfter(char c, char previous) override;
    void DrawString(Graphics* g, int x, int y, const std::string& text, const Color& color,
                    const Rect& clip) override;
    Font* Duplicate() override;

    virtual void GenerateActiveLayers();
    virtual void DrawStringEx(Graphics* g, int x, int y, const std::string& text, const Color& color,
                              const Rect& clip, std::vector<Rect>* outRects, int* outWidth);
    virtual void SetPointSize(int pointSize);
    virtual int GetPointSize();
    virtual void SetScale(double scale);
    virtual int GetDefaultPointSize();
    virtual bool AddTag(const std::string& tag);
    virtual bool RemoveTag(const std::string& tag);
    virtual bool HasTag(const std::string& tag);
    virtual std::string GetDefineText(const std::string& name);
    virtual void Prepare();

    // Size of the shared pool of queued glyphs: one draw call queues at most this many.
    static constexpr int kGlyphPoolSize = 4096;
    // Most pixels of the scaled glyph sheets made for one font's layers together.
    static constexpr int64_t kMaxScaledPixels = int64_t(1) << 26;

private:
    struct Placement
    {
        int x;
        int y;
        int advance;
        int kerning;
    };
    double LayerFactor(const FontLayer& layer) const;
    Placement Place(const ActiveFontLayer& active, unsigned char c, int next, int pen, int y) const;
    // Makes the layer's scaled sheet when it fits in what is left of kMaxScaledPixels.
    ActiveFontLayer ScaleLayer(FontLayer& layer, double numerator, double denominator,
                               int64_t* pixelsLeft) const;
};

} // namespace Lumo
