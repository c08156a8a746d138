#pragma once

namespace Lumo
{

class MemoryImage;

// One image loaded by name and shared; the application's map owns it.
struct SharedImage
{
    MemoryImage* mImage = nullptr;
    int mRefCount = 0;
};

// A counted handle to a shared image, or a holder of a private image that it
// may own. Counts are plain ints: handles to one record stay on one thread.
class SharedImageRef
{
public:
    SharedImage* mSharedImage = nullptr;
    MemoryImage* mUnsharedImage = nullptr;
    bool mOwnsUnshared = false;

    SharedImageRef() = default;
    SharedImageRef(const SharedImageRef& other);
    ~SharedImageRef();

    void Release();
    SharedImageRef& operator=(const SharedImageRef& other);
    SharedImageRef& operator=(SharedImage* shared);
    SharedImageRef& operator=(MemoryImage* image);

    MemoryImage* GetImage() const;
    operator MemoryImage*() const { return GetImage(); }
    MemoryImage* GetSharedDDImage() const { return mSharedImage != nullptr ? mSharedImage->mImage : nullptr; }
};

} // namespace Lumo
