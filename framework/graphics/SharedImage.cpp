#include "app/LumoAppBase.h"
#include "graphics/SharedImage.h"

#include "graphics/MemoryImage.h"

namespace Lumo
{

SharedImageRef::SharedImageRef(const SharedImageRef& other)
    : mSharedImage(other.mSharedImage), mUnsharedImage(other.mUnsharedImage)
{
    if (mSharedImage != nullptr)
        mSharedImage->mRefCount++;
}

SharedImageRef::~SharedImageRef()
{
    Release();
}

void SharedImageRef::Release()
{
    if (mOwnsUnshared)
        delete mUnsharedImage;
    mUnsharedImage = nullptr;
    if (mSharedImage != nullptr && --mSharedImage->mRefCount == 0)
    {
        // The application deletes unreferenced records later, in one place.
        if (LumoAppBase* app = gLumoAppBase)
            app->SharedImageUnreferenced();
    }
    mSharedImage = nullptr;
}

SharedImageRef& SharedImageRef::operator=(const SharedImageRef& other)
{
    if (&other == this)
        return *this;
    SharedImage* shared = other.mSharedImage;
    if (shared != nullptr)
        shared->mRefCount++; // before Release, so sharing our own record never drops it to 0
    Release();
    mSharedImage = shared;
    return *this;
}

SharedImageRef& SharedImageRef::operator=(SharedImage* shared)
{
    if (shared != nullptr)
        shared->mRefCount++;
    Release();
    mSharedImage = shared;
    return *this;
}

SharedImageRef& SharedImageRef::operator=(MemoryImage* image)
{
    if (image == mUnsharedImage && image != nullptr)
        return *this; // releasing first would delete the image we are given
    Release();
    mUnsharedImage = image; // owned or not as the handle's owns flag says
    return *this;
}

MemoryImage* SharedImageRef::GetImage() const
{
    if (mUnsharedImage != nullptr)
        return mUnsharedImage;
    return mSharedImage != nullptr ? mSharedImage->mImage : nullptr;
}

} // namespace Lumo
