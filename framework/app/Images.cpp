// The application's live pictures, rebuilt around every display start, and the pictures shared
// by file name. The set and the map are guarded by the display lock: the loading thread makes
// pictures while the main thread draws and the cursor thread uses the display.
#include "app/Common.h"
#include "app/CriticalSection.h"
#include "app/LumoAppBase.h"
#include "display/D3DInterface.h"
#include "display/D3DTester.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/Graphics.h"
#include "media/ImageLib.h"

#include <memory>
#include <new>
#include <vector>

namespace Lumo
{
void LumoAppBase::AddMemoryImage(MemoryImage* image)
{
    AutoCrit lock(DisplayLockOf(mDDInterface));
    mMemoryImageSet.insert(image);
}

void LumoAppBase::RemoveMemoryImage(MemoryImage* image)
{
    {
        AutoCrit lock(DisplayLockOf(mDDInterface));
        mMemoryImageSet.erase(image);
    }
    ReleaseTextureData(image);
}

void LumoAppBase::ReleaseTextureData(MemoryImage* image)
{
    if (mDDInterface)
        mDDInterface->RemoveTextureData(image);
}

NativeDisplay* LumoAppBase::GetNativeDisplay()
{
    return mDDInterface;
}

bool LumoAppBase::CopyTextureToImage(MemoryImage* image)
{
    return mDDInterface && mDDInterface->mD3DInterface->CopyTextureToImage(image);
}

bool LumoAppBase::TextureHoldsImage(const MemoryImage* image)
{
    auto* texture = static_cast<const TextureData*>(image->mTextureData);
    return texture != nullptr && texture->Holds(image);
}

bool LumoAppBase::Is3DTestPassed() const
{
    return mDDInterface && mDDInterface->mD3DTester && mDDInterface->mD3DTester->mFailureReason.empty();
}

bool LumoAppBase::Is3DTestClean() const
{
    return Is3DTestPassed() && mDDInterface->mD3DTester->mWarning.empty();
}

bool LumoAppBase::NewTestResult() const
{
    return mDDInterface && mDDInterface->mD3DTester && mDDInterface->mD3DTester->mNewResult;
}

void LumoAppBase::ReInitImages()
{
    // A copy: a picture may register or drop others while it rebuilds.
    std::vector<MemoryImage*> images;
    {
        AutoCrit lock(DisplayLockOf(mDDInterface));
        images.assign(mMemoryImageSet.begin(), mMemoryImageSet.end());
    }
    for (MemoryImage* image : images)
        image->ReInit();
}

void LumoAppBase::DeleteNativeImageData()
{
    // Under the lock, so that the cursor thread never draws from freed data.
    AutoCrit lock(DisplayLockOf(mDDInterface));
    for (MemoryImage* image : mMemoryImageSet)
        image->DeleteNativeData();
}

void LumoAppBase::DeleteExtraImageBuffers()
{
    AutoCrit lock(DisplayLockOf(mDDInterface));
    for (MemoryImage* image : mMemoryImageSet)
        image->DeleteExtraBuffers();
}

DDImage* LumoAppBase::GetImage(const std::string& path, bool commitBits)
{
    if (mDDInterface == nullptr)
        return nullptr; // pictures live on a display
    // Memory running out is not a file that failed to load: it goes on as std::bad_alloc.
    std::unique_ptr<ImageLib::Image> loaded(ImageLib::GetImage(path, true));
    if (loaded == nullptr || loaded->mBits == nullptr)
        return nullptr;
    auto* image = new DDImage(mDDInterface);
    image->SetBits(loaded->mBits, loaded->mWidth, loaded->mHeight, commitBits);
    return image;
}

DDImage* LumoAppBase::CopyImage(Image* source, const Rect& area)
{
    if (mDDInterface == nullptr)
        return nullptr;
    auto* image = new (std::nothrow) DDImage(mDDInterface);
    if (image == nullptr)
        return nullptr;
    image->Create(area.mWidth, area.mHeight);
    Graphics g(image);
    g.DrawImage(source, -area.mX, -area.mY);
    return image;
}

DDImage* LumoAppBase::CopyImage(Image* source)
{
    return CopyImage(source, Rect(0, 0, source->mWidth, source->mHeight));
}

SharedImageRef LumoAppBase::GetSharedImage(const std::string& fileName, const std::string& variant,
                                           bool* isNew)
{
    std::pair<std::string, std::string> key(StringToUpper(fileName), StringToUpper(variant));
    SharedImageRef ref;
    bool inserted;
    {
        AutoCrit lock(DisplayLockOf(mDDInterface));
        auto found = mSharedImageMap.try_emplace(key);
        inserted = found.second;
        ref = &found.first->second;
    }
    if (isNew)
        *isNew = inserted;
    if (inserted)
    {
        // Loaded outside the lock: a second caller asking for the same name gets the same record.
        MemoryImage* image = !fileName.empty() && fileName[0] == '!'
                                 ? (mDDInterface ? new DDImage(mDDInterface) : nullptr)
                                 : GetImage(fileName, false);
        ref.mSharedImage->mImage = image;
    }
    return ref;
}

void LumoAppBase::CleanSharedImages()
{
    AutoCrit lock(DisplayLockOf(mDDInterface));
    // Cleared first: a handle let go on another thread during the walk asks for the next one.
    if (!mCleanSharedImages.exchange(false))
        return;
    for (auto it = mSharedImageMap.begin(); it != mSharedImageMap.end();)
    {
        if (it->second.mRefCount == 0)
        {
            delete it->second.mImage;
            it = mSharedImageMap.erase(it);
        }
        else
            ++it;
    }
}
} // namespace Lumo

namespace Lumo
{
// The widgets draw a whole frame with the screen picture's surface locked once, instead of a lock
// per drawing call.
bool LumoAppBase::BeginScreenDraw(Image* screen)
{
    if (mDDInterface == nullptr || screen == nullptr || screen != mDDInterface->GetDrawSurfaceImage())
        return false;
    return mDDInterface->GetDrawSurfaceImage()->LockSurface();
}

void LumoAppBase::EndScreenDraw(Image* screen)
{
    if (mDDInterface != nullptr && screen != nullptr && screen == mDDInterface->GetDrawSurfaceImage())
        mDDInterface->GetDrawSurfaceImage()->UnlockSurface();
}
} // namespace Lumo
