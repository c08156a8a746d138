#pragma once

#include "app/LumoAppBase.h"
#include "graphics/MemoryImage.h"
#include "graphics/NativeDisplay.h"

#include <cstddef>
#include <set>
#include <vector>

// The application keeping its own set of live images, with the 3-D answers a test sets.
class TestRegistry : public Lumo::LumoAppBase
{
public:
    std::set<Lumo::MemoryImage*> mImages;
    int mReleased = 0;
    int mUnreferenced = 0;
    bool m3D = false;
    bool mCopyTexture = false;
    bool mTextureCurrent = true; // a texture, when the image has one, holds its pixels as they are
    Lumo::NativeDisplay* mDisplay = nullptr;

    void AddMemoryImage(Lumo::MemoryImage* image) override { mImages.insert(image); }
    void RemoveMemoryImage(Lumo::MemoryImage* image) override
    {
        mImages.erase(image);
        ReleaseTextureData(image);
    }
    void ReleaseTextureData(Lumo::MemoryImage* image) override
    {
        mReleased++;
        image->mTextureData = nullptr;
    }
    bool Is3DEnabled() override { return m3D; }
    Lumo::NativeDisplay* GetNativeDisplay() override { return mDisplay; }
    bool CopyTextureToImage(Lumo::MemoryImage* image) override
    {
        if (!mCopyTexture)
            return false;
        for (int i = 0; i < image->mWidth * image->mHeight; i++)
            image->mBits[i] = 0xFF00FF00;
        return true;
    }
    bool TextureHoldsImage(const Lumo::MemoryImage* image) override
    {
        return image->mTextureData != nullptr && mTextureCurrent;
    }
    void SharedImageUnreferenced() override { mUnreferenced++; }
};

// A memory image of the given pixels, flags committed.
inline Lumo::MemoryImage* MakeImage(int w, int h, std::initializer_list<uint32_t> pixels,
                                    Lumo::LumoAppBase* app = nullptr)
{
    auto* image = new Lumo::MemoryImage(app);
    std::vector<uint32_t> bits(pixels);
    bits.resize(std::size_t(w * h), bits.empty() ? 0 : bits.back());
    image->SetBits(bits.data(), w, h, true);
    return image;
}
