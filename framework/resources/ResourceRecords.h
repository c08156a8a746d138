// The records a resource table holds: where a resource comes from, its load group and, once
// loaded, the loaded object. Unloading drops the object and keeps the record.
#pragma once

#include "graphics/SharedImage.h"

#include <cstdint>
#include <string>

namespace Lumo
{

class DDImage;
class Font;

class BaseRes
{
public:
    std::string group;
    std::string path;
    // Supplied by the program: the manager never loads it itself.
    bool programSupplied = false;

    virtual ~BaseRes() = default;
    virtual void DeleteResource() {}
    virtual bool IsLoaded() const = 0;
};

// Drawing-flag bits an image record may set on its picture.
enum
{
    IMAGE_RES_DRAW_FLAG_MASK = 0x01 | 0x04 | 0x08
};

class ImageRes : public BaseRes
{
public:
    SharedImageRef image;
    std::string alphaImage;
    std::string alphaGridImage;
    std::string variant;
    uint32_t alphaColor = 0x00FFFFFF;
    bool purgeBits = false;
    bool palletize = false;
    // Only the bits of IMAGE_RES_DRAW_FLAG_MASK are applied.
    int drawFlags = 0;
    int rows = 1;
    int cols = 1;
    bool animInfo = false;

    void DeleteResource() override;
    bool IsLoaded() const override;
};

class SoundRes : public BaseRes
{
public:
    int soundId = -1;
    double baseVolume = -1.0;
    int basePan = 0;

    void DeleteResource() override;
    bool IsLoaded() const override { return soundId != -1; }
};

class FontRes : public BaseRes
{
public:
    Font* font = nullptr;
    // Empty for descriptor fonts; the glyph picture of a metrics font otherwise.
    std::string imagePath;
    DDImage* fontImage = nullptr;
    std::string tags;

    ~FontRes() override;
    void DeleteResource() override;
    bool IsLoaded() const override { return font != nullptr; }
};

} // namespace Lumo
