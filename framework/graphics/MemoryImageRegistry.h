#pragma once

namespace Lumo
{

class MemoryImage;
class NativeDisplay;

// What memory images and shared-image handles need from the application:
// the set of live images (taken under the display lock by the implementer),
// the display's pixel format, the 3-D renderer's texture copies and the
// shared-image clean-up flag. The application implements it; images made
// with no registry simply stay unregistered.
class MemoryImageRegistry
{
public:
    virtual ~MemoryImageRegistry() = default;

    virtual void AddMemoryImage(MemoryImage* image) = 0;
    virtual void RemoveMemoryImage(MemoryImage* image) = 0;
    virtual void ReleaseTextureData(MemoryImage* image) = 0;
    virtual bool Is3DEnabled() = 0;
    // Null while no display exists.
    virtual NativeDisplay* GetNativeDisplay() = 0;
    // Copies a texture back into the image's bits; false when it cannot.
    virtual bool CopyTextureToImage(MemoryImage* image) = 0;
    // Called when the last handle to a shared image lets go.
    virtual void SharedImageUnreferenced() = 0;
};

// The registry that shared-image handles report to (the application sets it).
MemoryImageRegistry* GetImageRegistry();
void SetImageRegistry(MemoryImageRegistry* registry);

} // namespace Lumo
