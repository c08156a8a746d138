#pragma once

#include <atomic>

namespace Lumo
{

class MemoryImage;

// One image loaded by name and shared; the application's map owns it.
struct SharedImage
{
    MemoryImage* mImage = nullptr;
    // Atomic: the map hands out references under the display lock while handles are copied and
    // released without it, on the loading thread as well as the main thread.
    std::atomic<int> mRefCount{0};
};

// A counted handle to a shared image, or a holder of a private image that it
// may own.
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
