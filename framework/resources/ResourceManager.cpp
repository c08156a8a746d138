#include "resources/ResourceManager.h"

#include "app/LumoAppBase.h"
#include "display/DDImage.h"
#include "graphics/MemoryImage.h"
#include "media/ImageLib.h"
#include "media/SoundManager.h"
#include "text/FontData.h"
#include "text/ImageFont.h"

#include <algorithm>
#include <memory>

namespace Lumo
{

namespace
{
const uint32_t kDefaultAlphaComposeColor = 0x00FFFFFF;

// The blue byte of each alpha pixel becomes the alpha of the image pixel at (x0 + x, y0 + y).
void CopyAlpha(uint32_t* bits, int stride, int x0, int y0, const ImageLib::Image& alpha)
{
    for (int y = 0; y < alpha.mHeight; ++y)
        for (int x = 0; x < alpha.mWidth; ++x)
        {
            uint32_t& pixel = bits[(y0 + y) * stride + x0 + x];
            pixel = (pixel & 0x00FFFFFF) | ((alpha.mBits[y * alpha.mWidth + x] & 0xFF) << 24);
        }
}

void DeleteRecords(ResourceManager::ResMap& map)
{
    for (auto& [id, res] : map)
    {
        res->DeleteResource();
        delete res;
    }
    map.clear();
}
} // namespace

ResourceManager::ResourceManager(LumoAppBase* app)
    : curImageIt(imageMap.end()), curSoundIt(soundMap.end()), curFontIt(fontMap.end()), app(app)
{
}

ResourceManager::~ResourceManager()
{
    DeleteRecords(imageMap);
    DeleteRecords(soundMap);
    DeleteRecords(fontMap);
}

bool ResourceManager::Fail(const std::string& msg)
{
    if (hadError)
        return false;
    hadError = true;
    errorText = msg;
    if (reader != nullptr)
    {
        int line = reader->GetCurrentLineNum();
        if (line > 0)
            errorText += " on Line " + FormatString("%d", line);
        std::string file = reader->GetFileName();
        if (!file.empty())
            errorText += " in File '" + file + "'";
    }
    return false;
}

void ResourceManager::StartLoadResources(const std::string& group)
{
    currentLoadGroup = group;
    curImageIt = imageMap.begin();
    curSoundIt = soundMap.begin();
    curFontIt = fontMap.begin();
}

bool ResourceManager::LoadNextFrom(ResMap& map, ResMap::iterator& cursor, Loader load)
{
    if (HadError())
        return false;
    while (cursor != map.end())
    {
        BaseRes* res = (cursor++)->second;
        if ((currentLoadGroup.empty() || res->group == currentLoadGroup) && !res->IsLoaded() &&
            !res->programSupplied)
            return (this->*load)(res);
    }
    return false;
}

bool ResourceManager::LoadImageEntry(BaseRes* res)
{
    return LoadImageRes(static_cast<ImageRes*>(res));
}

bool ResourceManager::LoadSoundEntry(BaseRes* res)
{
    return LoadSoundRes(static_cast<SoundRes*>(res));
}

bool ResourceManager::LoadFontEntry(BaseRes* res)
{
    return LoadFontRes(static_cast<FontRes*>(res));
}

bool ResourceManager::LoadNextImage()
{
    return LoadNextFrom(imageMap, curImageIt, &ResourceManager::LoadImageEntry);
}

bool ResourceManager::LoadNextSound()
{
    return LoadNextFrom(soundMap, curSoundIt, &ResourceManager::LoadSoundEntry);
}

bool ResourceManager::LoadNextFont()
{
    return LoadNextFrom(fontMap, curFontIt, &ResourceManager::LoadFontEntry);
}

bool ResourceManager::LoadNextResource()
{
    return LoadNextImage() || LoadNextSound() || LoadNextFont();
}

bool ResourceManager::LoadResources(const std::string& group)
{
    errorText.clear();
    hadError = false;
    StartLoadResources(group);
    while (LoadNextResource())
    {
    }
    if (HadError())
        return false;
    loadedGroups.insert(group);
    return true;
}

void ResourceManager::UnloadGroupFromMap(ResMap& map, const std::string& group)
{
    for (auto& [id, res] : map)
        if (group.empty() || res->group == group)
            res->DeleteResource();
}

void ResourceManager::UnloadGroup(const std::string& group)
{
    UnloadGroupFromMap(imageMap, group);
    UnloadGroupFromMap(soundMap, group);
    UnloadGroupFromMap(fontMap, group);
    loadedGroups.erase(group);
}

bool ResourceManager::LoadImageRes(ImageRes* res)
{
    if (app == nullptr)
        return Fail(FormatString("Failed to load image: %s", res->path.c_str()));
    bool isNew = false;
    ImageLib::gAlphaComposeColor = res->alphaColor;
    SharedImageRef ref = app->GetSharedImage(res->path, res->variant, &isNew);
    ImageLib::gAlphaComposeColor = kDefaultAlphaComposeColor;

    MemoryImage* image = ref.GetImage();
    if (image == nullptr)
        return Fail(FormatString("Failed to load image: %s", res->path.c_str()));

    if (isNew && (!res->alphaImage.empty() || !res->alphaGridImage.empty()))
    {
        const bool grid = res->alphaImage.empty();
        const std::string& alphaPath = grid ? res->alphaGridImage : res->alphaImage;
        std::unique_ptr<ImageLib::Image> alpha(ImageLib::GetImage(alphaPath, false));
        if (alpha == nullptr || alpha->mBits == nullptr)
            return Fail(FormatString("Failed to load image: %s", alphaPath.c_str()));
        // A cell count below one is taken as one, so that a bad record never divides by zero.
        int cols = grid ? std::max(1, res->cols) : 1;
        int rows = grid ? std::max(1, res->rows) : 1;
        int cellWidth = image->mWidth / cols;
        int cellHeight = image->mHeight / rows;
        if (alpha->mWidth != cellWidth || alpha->mHeight != cellHeight)
            return Fail(FormatString(grid ? "GridAlphaImage size mismatch between %s and %s"
                                          : "AlphaImage size mismatch between %s and %s",
                                     res->path.c_str(), alphaPath.c_str()));
        uint32_t* bits = image->GetBits();
        if (bits != nullptr)
        {
            for (int row = 0; row < rows; ++row)
                for (int col = 0; col < cols; ++col)
                    CopyAlpha(bits, image->mWidth, col * cellWidth, row * cellHeight, *alpha);
            image->BitsChanged();
        }
    }

    image->CommitBits();
    res->image = ref;
    if (res->purgeBits)
        image->mPurgeBits = true;
    if (res->palletize)
    {
        auto* surfaceImage = SurfaceImageOf(image);
        if (surfaceImage == nullptr || surfaceImage->mSurface == nullptr)
            image->Palletize();
        else
            image->mWantPal = true;
    }
    image->mD3DFlags |= res->drawFlags & IMAGE_RES_DRAW_FLAG_MASK;
    if (res->animInfo)
    {
        delete image->mAnimInfo;
        image->mAnimInfo = new AnimationInfo();
    }
    image->mNumRows = std::max(1, res->rows);
    image->mNumCols = std::max(1, res->cols);
    if (res->purgeBits)
        image->PurgeBits();
    return true;
}

bool ResourceManager::LoadSoundRes(SoundRes* res)
{
    SoundManager* sounds = app != nullptr ? app->mSoundManager : nullptr;
    int id = nextSoundId;
    if (sounds == nullptr || id < 0 || !sounds->LoadSound((unsigned)id, res->path))
        return Fail(FormatString("Failed to load sound: %s", res->path.c_str()));
    if (res->baseVolume > 0)
        sounds->SetBaseVolume((unsigned)id, res->baseVolume);
    if (res->basePan != 0)
        sounds->SetBasePan((unsigned)id, res->basePan);
    res->soundId = id;
    nextSoundId++;
    return true;
}

Font* ResourceManager::GetLoadedFont(const std::string& id)
{
    auto it = fontMap.find(id);
    return it != fontMap.end() ? static_cast<FontRes*>(it->second)->font : nullptr;
}

bool ResourceManager::LoadFontRes(FontRes* res)
{
    static const char kRefPrefix[] = "!ref:";
    Font* font = nullptr;
    if (res->imagePath.empty())
    {
        if (res->path.compare(0, sizeof(kRefPrefix) - 1, kRefPrefix) == 0)
        {
            std::string name = res->path.substr(sizeof(kRefPrefix) - 1);
            Font* original = GetLoadedFont(name);
            if (original == nullptr)
                return Fail("Ref font not found: " + name);
            font = original->Duplicate();
        }
        else
            font = new ImageFont(app, res->path);
    }
    else
    {
        DDImage* image = app != nullptr ? app->GetImage(res->imagePath, true) : nullptr;
        if (image == nullptr)
            return Fail(FormatString("Failed to load image: %s", res->imagePath.c_str()));
        delete res->fontImage;
        res->fontImage = image;
        font = new ImageFont(image, res->path);
    }

    auto* imageFont = dynamic_cast<ImageFont*>(font);
    if (imageFont == nullptr || imageFont->mFontData == nullptr || !imageFont->mFontData->mInitialized)
    {
        delete font;
        return Fail(FormatString("Failed to load font: %s", res->path.c_str()));
    }
    const std::string& tags = res->tags;
    size_t start = 0;
    while (start < tags.size())
    {
        size_t end = tags.find_first_of(", \r\n\t", start);
        if (end == std::string::npos)
            end = tags.size();
        if (end > start)
            imageFont->AddTag(tags.substr(start, end - start));
        start = end + 1;
    }
    res->font = font;
    return true;
}

bool ResourceManager::MissingAllowed(ResMap& map, const std::string& id)
{
    auto it = map.find(id);
    return it != map.end() && allowMissingProgramImages && it->second->programSupplied;
}

void ResourceManager::ThrowNotFound(const char* kind, const std::string& id)
{
    Fail(FormatString("%s resource not found: %s", kind, id.c_str()));
    // The manager's error text: after an earlier failure, that one.
    throw ResourceManagerException(errorText);
}

SharedImageRef ResourceManager::GetImageOrThrow(const std::string& id)
{
    auto it = imageMap.find(id);
    if (it != imageMap.end() && it->second->IsLoaded())
        return static_cast<ImageRes*>(it->second)->image;
    if (MissingAllowed(imageMap, id))
        return SharedImageRef();
    ThrowNotFound("Image", id);
}

int ResourceManager::GetSoundOrThrow(const std::string& id)
{
    auto it = soundMap.find(id);
    if (it != soundMap.end() && it->second->IsLoaded())
        return static_cast<SoundRes*>(it->second)->soundId;
    if (MissingAllowed(soundMap, id))
        return -1;
    ThrowNotFound("Sound", id);
}

Font* ResourceManager::GetFontOrThrow(const std::string& id)
{
    auto it = fontMap.find(id);
    if (it != fontMap.end() && it->second->IsLoaded())
        return static_cast<FontRes*>(it->second)->font;
    if (MissingAllowed(fontMap, id))
        return nullptr;
    ThrowNotFound("Font", id);
}

} // namespace Lumo
