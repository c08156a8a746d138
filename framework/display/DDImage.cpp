#include "display/DDImage.h"

#include "display/DDInterface.h"
#include "app/LumoAppBase.h"

#include <cstring>
#include <vector>

namespace Lumo
{

namespace
{
template <typename T> void FreeArray(T*& p)
{
    delete[] p;
    p = nullptr;
}

LumoAppBase* RegistryOf(DDInterface* display)
{
    return display->mApp;
}

// An ARGB pixel in the display's layout; alpha is dropped.
uint32_t ToSurface(uint32_t p, const NativeDisplay& d, const DDSURFACEDESC& locked)
{
    const DDPIXELFORMAT& f = locked.ddpfPixelFormat;
    return (((p >> (8 - d.mBlueBits)) << d.mBlueShift) & f.dwBBitMask) |
           (((p >> (16 - d.mGreenBits)) << d.mGreenShift) & f.dwGBitMask) |
           (((p >> (24 - d.mRedBits)) << d.mRedShift) & f.dwRBitMask);
}

uint32_t FromSurface(uint32_t p, const NativeDisplay& d)
{
    uint32_t r = ((p >> d.mRedShift) << (8 - d.mRedBits)) & 0xFF;
    uint32_t g = ((p >> d.mGreenShift) << (8 - d.mGreenBits)) & 0xFF;
    uint32_t b = ((p >> d.mBlueShift) << (8 - d.mBlueBits)) & 0xFF;
    return 0xFF000000 | (r << 16) | (g << 8) | b;
}

// The lowest value below `limit` not flagged in `used`, passing whole words of flags at once; -1 when all are
// used.
int64_t FreeValue(const std::vector<uint32_t>& used, int64_t limit)
{
    for (size_t word = 0; word < used.size(); word++)
    {
        if (used[word] == 0xFFFFFFFFu)
            continue;
        for (int bit = 0; bit < 32; bit++)
        {
            int64_t value = int64_t(word) * 32 + bit;
            if (value < limit && !(used[word] & (1u << bit)))
                return value;
        }
    }
    return -1;
}

void Flag(std::vector<uint32_t>& used, uint32_t value)
{
    used[value >> 5] |= 1u << (value & 31);
}

// value(i) for each pixel i of a width x height picture, into the rows of a locked surface.
template <typename Pixel, typename Value>
void WriteRows(const DDSURFACEDESC& locked, int width, int height, Value value)
{
    auto* base = static_cast<uint8_t*>(locked.lpSurface);
    for (int y = 0; y < height; y++)
    {
        auto* row = reinterpret_cast<Pixel*>(base + size_t(y) * size_t(locked.lPitch));
        for (int x = 0; x < width; x++)
            row[x] = Pixel(value(size_t(y) * size_t(width) + size_t(x)));
    }
}
} // namespace

DDImage::DDImage(DDInterface* display) : MemoryImage(RegistryOf(display)), mDDInterface(display)
{
    mDDInterface->AddDDImage(this);
}

DDImage::~DDImage()
{
    ReleaseSurface();
    mDDInterface->RemoveDDImage(this);
}

void DDImage::ReleaseSurface()
{
    if (mSurface)
        mSurface->Release();
    mSurface = nullptr;
    mLockCount = 0;
    mHasColorKey = false;
}

void DDImage::SetKey(uint32_t key)
{
    DDCOLORKEY colorKey{key, key};
    mHasColorKey = mSurface->SetColorKey(DDCKEY_SRCBLT, &colorKey) >= 0;
    mColorKey = key;
}

bool DDImage::IsScreen() const
{
    return mDDInterface->mIs3D && mSurface != nullptr && mSurface == mDDInterface->mDrawSurface7;
}

IDirectDrawSurface7* DDImage::GetSurface()
{
    if (mSurface == nullptr)
        CreateSurfaceFromBits();
    return mSurface;
}

bool DDImage::CreateSurfaceFromBits()
{
    if (mSurface)
        return true;
    CommitBits();
    if (mHasAlpha)
        return false;
    mWantSurface = true;
    if (mColorTable)
        GetBits();
    DDSURFACEDESC2 desc{};
    desc.dwSize = DDSURFACEDESC2_SIZE_32BIT;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = DWORD(mWidth);
    desc.dwHeight = DWORD(mHeight);
    desc.ddsCaps.dwCaps = mVideoMemory ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY;

    DisplayLock lock(mDDInterface);
    IDirectDrawSurface* first = nullptr;
    if (mDDInterface->CreateSurface(&desc, &first) < 0)
        return false;
    mSurface = DDInterface::Seventh(first);
    first->Release();
    if (mSurface == nullptr)
        return false;
    if (!LockSurface())
    {
        // A surface that cannot be filled would only ever show garbage.
        ReleaseSurface();
        return false;
    }
    const NativeDisplay& d = *mDDInterface;
    const DDSURFACEDESC& locked = mLockedSurfaceDesc;
    const DWORD depth = locked.ddpfPixelFormat.dwRGBBitCount;
    const size_t count = size_t(mWidth) * size_t(mHeight);
    const uint32_t* bits = mBits;
    uint32_t key = 0;
    bool keyed = mHasTrans && bits != nullptr;
    bool fits = true;

    if (bits && depth == 16)
    {
        std::vector<uint16_t> converted(count);
        int64_t candidate = -1;
        for (size_t i = 0; i < count; i++)
        {
            converted[i] = uint16_t(ToSurface(bits[i], d, locked));
            if (candidate < 0 && (bits[i] >> 24) < 255)
                candidate = converted[i];
        }
        if (!mHasTrans)
            WriteRows<uint16_t>(locked, mWidth, mHeight, [&](size_t i) { return converted[i]; });
        else if (mKeyFromCorner)
        {
            WriteRows<uint16_t>(locked, mWidth, mHeight, [&](size_t i) { return converted[i]; });
            key = count ? converted[0] : 0;
        }
        else
        {
            key = uint32_t(candidate < 0 ? 0 : candidate);
            bool collides = false;
            for (size_t i = 0; i < count && !collides; i++)
                collides = (bits[i] >> 24) == 255 && converted[i] == key;
            if (collides)
            {
                std::vector<uint32_t> used(65536 / 32);
                for (size_t i = 0; i < count; i++)
                    if ((bits[i] >> 24) > 0)
                        Flag(used, converted[i]);
                int64_t free = FreeValue(used, 65536);
                fits = free >= 0;
                key = uint32_t(free);
            }
            if (fits)
                WriteRows<uint16_t>(locked, mWidth, mHeight,
                                    [&](size_t i) { return (bits[i] >> 24) == 255 ? converted[i] : key; });
        }
    }
    else if (bits && depth == 32)
    {
        int64_t candidate = -1;
        for (size_t i = 0; i < count && candidate < 0; i++)
            if ((bits[i] >> 24) < 255)
                candidate = bits[i];
        if (!mHasTrans)
            WriteRows<uint32_t>(locked, mWidth, mHeight,
                                [&](size_t i) { return ToSurface(bits[i], d, locked); });
        else if (mKeyFromCorner)
        {
            WriteRows<uint32_t>(locked, mWidth, mHeight,
                                [&](size_t i) { return ToSurface(bits[i], d, locked); });
            key = count ? ToSurface(bits[0], d, locked) : 0;
        }
        else
        {
            key = uint32_t(candidate < 0 ? 0 : candidate) & 0xFFFFFF;
            bool collides = false;
            for (size_t i = 0; i < count && !collides; i++)
                collides = (bits[i] >> 24) == 255 && (bits[i] & 0xFFFFFF) == key;
            if (collides)
            {
                std::vector<uint32_t> used((1u << 24) / 32);
                for (size_t i = 0; i < count; i++)
                    if ((bits[i] >> 24) > 0)
                        Flag(used, bits[i] & 0xFFFFFF);
                key = uint32_t(FreeValue(used, 1 << 24));
            }
            WriteRows<uint32_t>(locked, mWidth, mHeight,
                                [&](size_t i)
                                { return (bits[i] >> 24) == 255 ? ToSurface(bits[i], d, locked) : key; });
        }
    }
    UnlockSurface();
    if (!fits)
    {
        // Every 16-bit value is in use: no key can mark the clear pixels, so the picture stays in memory.
        ReleaseSurface();
        return false;
    }
    if (keyed)
        SetKey(key);
    return true;
}

void DDImage::ReleaseSurfaceKeepBits()
{
    if (mSurface == nullptr)
        return;
    if (mColorTable == nullptr && mBits == nullptr && mTextureData == nullptr)
        GetBits();
    ReleaseSurface();
}

void DDImage::DeleteCaches()
{
    FreeArray(mBits);
    FreeArray(mNativeAlphaData);
    FreeArray(mRLAdditiveData);
    FreeArray(mRLAlphaData);
    FreePixelTables();
    FreeArray(mColorTable);
    FreeArray(mColorIndices);
    mPaletteSize = 0;
}

bool DDImage::LockSurface()
{
    if (IsScreen())
        return false;
    if (mLockCount == 0)
    {
        std::memset(&mLockedSurfaceDesc, 0, sizeof(mLockedSurfaceDesc));
        mLockedSurfaceDesc.dwSize = DDSURFACEDESC_SIZE_32BIT;
        IDirectDrawSurface7* surface = GetSurface();
        if (surface == nullptr)
            return false;
        DDSURFACEDESC2 desc{};
        desc.dwSize = DDSURFACEDESC2_SIZE_32BIT;
        if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) < 0)
            return false;
        mLockedSurfaceDesc.dwFlags = desc.dwFlags;
        mLockedSurfaceDesc.dwHeight = desc.dwHeight;
        mLockedSurfaceDesc.dwWidth = desc.dwWidth;
        mLockedSurfaceDesc.lPitch = desc.lPitch;
        mLockedSurfaceDesc.lpSurface = desc.lpSurface;
        mLockedSurfaceDesc.ddpfPixelFormat = desc.ddpfPixelFormat;
    }
    mLockCount++;
    return true;
}

bool DDImage::UnlockSurface()
{
    if (IsScreen())
        return false;
    if (mLockCount <= 0)
        return false;
    if (--mLockCount == 0 && mSurface)
        mSurface->Unlock(nullptr);
    return true;
}

HRESULT DDImage::SetSurface(IDirectDrawSurface7* surface)
{
    mSurfaceAdopted = true;
    ReleaseSurface();
    mSurface = surface;
    surface->AddRef();
    DDSURFACEDESC2 desc{};
    desc.dwSize = DDSURFACEDESC2_SIZE_32BIT;
    desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT;
    HRESULT result = surface->GetSurfaceDesc(&desc);
    mWidth = int(desc.dwWidth);
    mHeight = int(desc.dwHeight);
    mNoSoftwareDraw = false;
    return result;
}

void DDImage::SetVideoMemory(bool videoMemory)
{
    if (videoMemory == mVideoMemory)
        return;
    mVideoMemory = videoMemory;
    GetBits();
    ReleaseSurfaceKeepBits();
}

bool DDImage::GenerateSurface()
{
    bool made = CreateSurfaceFromBits();
    if (!made || mNoSoftwareDraw || !mHasTrans || !mKeyFromCorner)
        return made;
    DDSURFACEDESC primary{};
    primary.dwSize = DDSURFACEDESC_SIZE_32BIT;
    primary.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    if (mDDInterface->mPrimarySurface == nullptr ||
        mDDInterface->mPrimarySurface->GetSurfaceDesc(&primary) < 0)
        return made;
    DWORD depth = primary.ddpfPixelFormat.dwRGBBitCount;
    if ((depth == 16 || depth == 24 || depth == 32) && LockSurface())
    {
        const void* first = mLockedSurfaceDesc.lpSurface;
        uint32_t key =
            depth == 16 ? *static_cast<const uint16_t*>(first) : *static_cast<const uint32_t*>(first);
        UnlockSurface();
        SetKey(key);
    }
    return made;
}

void DDImage::CommitBits()
{
    if (mSurface == nullptr)
        MemoryImage::CommitBits();
}

void DDImage::BitsChanged()
{
    MemoryImage::BitsChanged();
    if (!mSurfaceAdopted)
    {
        ReleaseSurface();
        return;
    }
    // The display owns an adopted surface: the edited pixels go back into it instead.
    if (mBits && mSurface && !mNoSoftwareDraw && LockSurface())
    {
        const NativeDisplay& d = *mDDInterface;
        const DDSURFACEDESC& locked = mLockedSurfaceDesc;
        auto pixel = [&](size_t i) { return ToSurface(mBits[i], d, locked); };
        if (locked.ddpfPixelFormat.dwRGBBitCount == 16)
            WriteRows<uint16_t>(locked, mWidth, mHeight, pixel);
        else if (locked.ddpfPixelFormat.dwRGBBitCount == 32)
            WriteRows<uint32_t>(locked, mWidth, mHeight, pixel);
        UnlockSurface();
        DeleteCaches();
    }
}

void DDImage::Create(int width, int height)
{
    // The old palette describes the old size: drop it with the bits.
    FreeArray(mBits);
    FreeArray(mColorTable);
    FreeArray(mColorIndices);
    mPaletteSize = 0;
    mWidth = width;
    mHeight = height;
    BitsChanged();
}

uint32_t* DDImage::GetBits()
{
    if (mBits)
        return mBits;
    if (mSurface == nullptr)
        return MemoryImage::GetBits();
    if (mNoSoftwareDraw || !LockSurface())
        return nullptr;
    const NativeDisplay& d = *mDDInterface;
    const DDSURFACEDESC& locked = mLockedSurfaceDesc;
    DWORD depth = locked.ddpfPixelFormat.dwRGBBitCount;
    size_t count = size_t(mWidth) * size_t(mHeight);
    mBits = new uint32_t[count + 1];
    mBits[count] = kGuardWord;
    const auto* base = static_cast<const uint8_t*>(locked.lpSurface);
    for (int y = 0; y < mHeight; y++)
    {
        const uint8_t* row = base + size_t(y) * size_t(locked.lPitch);
        for (int x = 0; x < mWidth; x++)
        {
            uint32_t p = depth == 16   ? reinterpret_cast<const uint16_t*>(row)[x]
                         : depth == 32 ? reinterpret_cast<const uint32_t*>(row)[x]
                                       : 0;
            // The colour key marks the clear pixels: they read back clear, not as opaque key colour.
            mBits[size_t(y) * size_t(mWidth) + size_t(x)] =
                mHasColorKey && p == mColorKey ? 0 : FromSurface(p, d);
        }
    }
    UnlockSurface();
    return mBits;
}

void DDImage::ReInit()
{
    MemoryImage::ReInit();
    if (mWantSurface)
        CreateSurfaceFromBits();
}

void DDImage::PurgeBits()
{
    if (mSurfaceAdopted)
        return;
    mPurgeBits = true;
    CommitBits();
    if (mApp && mApp->Is3DEnabled())
    {
        if (mSurface)
        {
            GetBits();
            ReleaseSurfaceKeepBits();
        }
        MemoryImage::PurgeBits();
        return;
    }
    if (mWantSurface && CreateSurfaceFromBits())
    {
        FreeArray(mBits);
        FreeArray(mColorIndices);
        FreeArray(mColorTable);
        mPaletteSize = 0;
        return;
    }
    MemoryImage::PurgeBits();
}

void DDImage::DeleteNativeData()
{
    if (mSurfaceAdopted)
        return;
    MemoryImage::DeleteNativeData();
    ReleaseSurfaceKeepBits();
}

void DDImage::DeleteExtraBuffers()
{
    if (mSurfaceAdopted)
        return;
    MemoryImage::DeleteExtraBuffers();
    ReleaseSurfaceKeepBits();
}

bool DDImage::Palletize()
{
    if (!MemoryImage::Palletize())
        return false;
    ReleaseSurfaceKeepBits();
    return true;
}

} // namespace Lumo
