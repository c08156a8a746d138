#include "resources/ResourceRecords.h"

#include "app/LumoAppBase.h"
#include "display/DDImage.h"
#include "graphics/Font.h"
#include "graphics/MemoryImage.h"
#include "media/SoundManager.h"

namespace Lumo
{

void ImageRes::DeleteResource()
{
    image.Release();
}

bool ImageRes::IsLoaded() const
{
    return image.GetImage() != nullptr;
}

void SoundRes::DeleteResource()
{
    if (soundId == -1)
        return;
    LumoAppBase* app = gLumoAppBase;
    if (app != nullptr && app->mSoundManager != nullptr)
        app->mSoundManager->ReleaseSound(soundId);
    soundId = -1;
}

FontRes::~FontRes()
{
    FontRes::DeleteResource();
}

void FontRes::DeleteResource()
{
    delete font;
    font = nullptr;
    delete fontImage;
    fontImage = nullptr;
}

} // namespace Lumo
