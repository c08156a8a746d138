#include "app/LumoAppBase.h"
#include "graphics/MemoryImage.h"
#include "graphics/Blend.h"
#include "graphics/Blitters.h"

#include "graphics/NativeDisplay.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Lumo
{

namespace
{

size_t PixelCount(int width, int height)
{
    return size_t(std::max(width, 0)) * size_t(std::max(height, 0));
}

template <typename T> T* CopyArray(const T* from, size_t count)
{
    if (from == nullptr)
        return nullptr;
    T* to = new T[count];
    std::memcpy(to, from, count * sizeof(T));
    return to;
}

template <typename T> void FreeArray(T*& p)
{
    delete[] p;
    p = nullptr;
}

// One byte per pixel: how many pixels from this one to the end of its run of
// one class share that class, capped at 255.
template <typename ClassOf> uint8_t* BuildRunTable(int width, int height, ClassOf classOf)
{
    uint8_t* table = new uint8_t[PixelCount(width, height)];
    for (int y = 0; y < height; y++)
    {
        size_t row = size_t(y) * size_t(width);
        int x = width - 1;
        int run = 0;
        int previous = -1;
        for (; x >= 0; x--)
        {
            int cls = classOf(row + size_t(x));
            run = cls == previous ? run + 1 : 1;
            previous = cls;
            table[row + size_t(x)] = uint8_t(std::min(run, 255));
        }
    }
    return table;
}

using Blitters::AlphaClass;

uint32_t ToNative(uint32_t c, const NativeDisplay& d)
{
    uint32_t a = (c >> 24) + 1;
    uint32_t r = ((((c & 0xFF0000) * a) >> 8) >> (24 - d.mRedBits) << d.mRedShift) & uint32_t(d.mRedMask);
    uint32_t g = ((((c & 0xFF00) * a) >> 8) >> (16 - d.mGreenBits) << d.mGreenShift) & uint32_t(d.mGreenMask);
    uint32_t b = ((((c & 0xFF) * a) >> 8) >> (8 - d.mBlueBits) << d.mBlueShift) & uint32_t(d.mBlueMask);
    return r | g | b | (c & 0xFF000000);
}

uint32_t FromNativeChannel(uint32_t pixel, uint32_t alpha, uint32_t mask, int shift, int bits)
{
    return ((((pixel & mask) << 8) / (alpha + 1)) & mask) << 8 >> (shift + bits);
}

uint32_t FromNative(uint32_t p, const NativeDisplay& d)
{
    uint32_t a = p >> 24;
    uint32_t r = FromNativeChannel(p, a, uint32_t(d.mRedMask), d.mRedShift, d.mRedBits);
    uint32_t g = FromNativeChannel(p, a, uint32_t(d.mGreenMask), d.mGreenShift, d.mGreenBits);
    uint32_t b = FromNativeChannel(p, a, uint32_t(d.mBlueMask), d.mBlueShift, d.mBlueBits);
    return (a << 24) | ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF);
}

// Exact palette of at most 256 colours in first-seen order; false on the 257th.
bool BuildPalette(const uint32_t* bits, size_t count, uint32_t* table, uint8_t* indices, int& used)
{
    used = 0;
    if (count == 0)
        return true;
    uint32_t sorted[256];
    uint8_t position[256];
    table[0] = bits[0];
    indices[0] = 0;
    sorted[0] = bits[0];
    position[0] = 0;
    used = 1;
    for (size_t i = 1; i < count; i++)
    {
        uint32_t c = bits[i];
        int low = 0, high = used - 1;
        int found = -1;
        while (low <= high)
        {
            int middle = (low + high) / 2;
            if (c < sorted[middle])
                high = middle - 1;
            else if (c > sorted[middle])
                low = middle + 1;
            else
            {
                found = middle;
                break;
            }
        }
        if (found >= 0)
        {
            indices[i] = position[found];
            continue;
        }
        if (used == 256)
            return false;
        int at = low;
        if (at < used && c > sorted[at])
            at++;
        std::memmove(sorted + at + 1, sorted + at, size_t(used - at) * sizeof(uint32_t));
        std::memmove(position + at + 1, position + at, size_t(used - at));
        sorted[at] = c;
        position[at] = uint8_t(used);
        table[used] = c;
        indices[i] = uint8_t(used);
        used++;
    }
    return true;
}

} // namespace

MemoryImage::MemoryImage(LumoAppBase* app) : mApp(app)
{
    if (mApp != nullptr)
        mApp->AddMemoryImage(this);
}

MemoryImage::MemoryImage(const MemoryImage& other)
    : Image(other), mBitsChangedCount(other.mBitsChangedCount), mD3DFlags(other.mD3DFlags),
      mForcedMode(other.mForcedMode), mHasTrans(other.mHasTrans), mHasAlpha(other.mHasAlpha),
      mIsVolatile(other.mIsVolatile), mPurgeBits(other.mPurgeBits), mWantPal(other.mWantPal),
      mBitsChanged(other.mBitsChanged), mApp(other.mApp), mPaletteSize(other.mPaletteSize)
{
    size_t count = PixelCount(mWidth, mHeight);
    MemoryImage& source = const_cast<MemoryImage&>(other);
    if (other.mBits != nullptr)
        mBits = CopyArray(other.mBits, count + 1);
    else if (!other.IsPalette())
    {
        // Rebuild the source's pixels from whatever form it holds, copy them and
        // return the source to that form.
        uint32_t* temporary = source.GetBits();
        mBits = CopyArray(temporary, count + 1);
        source.FreeBits();
    }
    mColorTable = CopyArray(other.mColorTable, 256);
    mColorIndices = CopyArray(other.mColorIndices, count);
    mNativeAlphaData = CopyArray(other.mNativeAlphaData, other.IsPalette() ? 256 : count);
    mRLAlphaData = CopyArray(other.mRLAlphaData, count);
    mRLAdditiveData = CopyArray(other.mRLAdditiveData, count);
    if (mApp != nullptr)
        mApp->AddMemoryImage(this);
}

MemoryImage::~MemoryImage()
{
    if (mApp != nullptr)
        mApp->RemoveMemoryImage(this);
    FreeBits();
    FreeDerived();
    FreePalette();
}

NativeDisplay* MemoryImage::Display() const
{
    NativeDisplay* display = mApp != nullptr ? mApp->GetNativeDisplay() : nullptr;
    return display != nullptr ? display : const_cast<NativeDisplay*>(&NativeDisplay::Default32());
}

void MemoryImage::FreeBits()
{
    FreeArray(mBits);
}

void MemoryImage::FreePalette()
{
    FreeArray(mColorIndices);
    FreeArray(mColorTable);
    mPaletteSize = 0;
}

void MemoryImage::FreeDerived()
{
    FreeArray(mNativeAlphaData);
    FreeArray(mRLAlphaData);
    FreeArray(mRLAdditiveData);
    FreePixelTables();
}

void MemoryImage::FreePixelTables()
{
    FreeArray(mAdditiveAmounts);
    FreeArray(mPackedAmounts);
    FreeArray(mWeightedBits);
}

void MemoryImage::EnsureBitsOrPalette()
{
    if (mBits == nullptr && !IsPalette())
        GetBits();
}

PixelSource MemoryImage::GetPixelSource()
{
    PixelSource source;
    source.mWidth = mWidth;
    source.mHeight = mHeight;
    if (IsPalette())
    {
        source.mTable = mColorTable;
        source.mIndices = mColorIndices;
    }
    else
        source.mBits = GetBits();
    return source;
}

uint32_t* MemoryImage::GetBits()
{
    if (mBits != nullptr)
        return mBits;
    size_t count = PixelCount(mWidth, mHeight);
    mBits = new uint32_t[count + 1];
    mBits[count] = kGuardWord;
    if (IsPalette())
    {
        for (size_t i = 0; i < count; i++)
            mBits[i] = mColorTable[mColorIndices[i]];
        FreePalette();
        FreeArray(mNativeAlphaData);
    }
    else if (mNativeAlphaData != nullptr)
    {
        const NativeDisplay& display = *Display();
        for (size_t i = 0; i < count; i++)
            mBits[i] = FromNative(mNativeAlphaData[i], display);
    }
    else if (mTextureData == nullptr || mApp == nullptr || !mApp->CopyTextureToImage(this))
        std::memset(mBits, 0, count * sizeof(uint32_t));
    return mBits;
}

void MemoryImage::BitsChanged()
{
    mBitsChangedCount++;
    mBitsChanged = true;
    FreeDerived();
}

void MemoryImage::CommitBits()
{
    if (!mBitsChanged || mForcedMode)
        return;
    mHasAlpha = false;
    auto scan = [this](const uint32_t* colors, size_t count)
    {
        mHasTrans = false;
        for (size_t i = 0; i < count; i++)
        {
            uint32_t a = colors[i] >> 24;
            if (a == 0)
                mHasTrans = true;
            else if (a != 255)
                mHasAlpha = true;
        }
    };
    if (mBits != nullptr)
        scan(mBits, PixelCount(mWidth, mHeight));
    else if (mColorTable != nullptr)
        scan(mColorTable, size_t(mPaletteSize));
    else
        mHasTrans = true;
    mBitsChanged = false;
}

uint32_t* MemoryImage::GetNativeAlphaData(NativeDisplay* display)
{
    if (mNativeAlphaData != nullptr)
        return mNativeAlphaData;
    CommitBits();
    const NativeDisplay& d = display != nullptr ? *display : NativeDisplay::Default32();
    if (IsPalette())
    {
        mNativeAlphaData = new uint32_t[256]();
        for (int i = 0; i < mPaletteSize; i++)
            mNativeAlphaData[i] = ToNative(mColorTable[i], d);
        return mNativeAlphaData;
    }
    const uint32_t* bits = GetBits();
    size_t count = PixelCount(mWidth, mHeight);
    mNativeAlphaData = new uint32_t[count];
    for (size_t i = 0; i < count; i++)
        mNativeAlphaData[i] = ToNative(bits[i], d);
    return mNativeAlphaData;
}

uint8_t* MemoryImage::GetRLAlphaData()
{
    CommitBits();
    if (mRLAlphaData != nullptr)
        return mRLAlphaData;
    if (IsPalette())
        mRLAlphaData = BuildRunTable(mWidth, mHeight,
                                     [this](size_t i) { return AlphaClass(mColorTable[mColorIndices[i]]); });
    else
    {
        const uint32_t* pixels = mNativeAlphaData != nullptr ? mNativeAlphaData : GetBits();
        mRLAlphaData = BuildRunTable(mWidth, mHeight, [pixels](size_t i) { return AlphaClass(pixels[i]); });
    }
    return mRLAlphaData;
}

uint8_t* MemoryImage::GetRLAdditiveData(NativeDisplay* display)
{
    if (mRLAdditiveData != nullptr)
        return mRLAdditiveData;
    const uint32_t* native = GetNativeAlphaData(display);
    if (IsPalette())
        mRLAdditiveData = BuildRunTable(mWidth, mHeight,
                                        [this, native](size_t i)
                                        { return (native[mColorIndices[i]] & 0xFFFFFF) != 0 ? 1 : 0; });
    else
        mRLAdditiveData = BuildRunTable(mWidth, mHeight,
                                        [native](size_t i) { return (native[i] & 0xFFFFFF) != 0 ? 1 : 0; });
    return mRLAdditiveData;
}

// A table of `perPixel` entries a pixel (and `pad` more, zero), fill(pixel, entries) giving
// each pixel's; made once until the pixels change, null for a palette picture. The tables
// only speed draws up: where memory cannot hold one, it is null and the draw does without.
template <typename T, typename Fill>
const T* MemoryImage::PixelTable(T*& table, size_t perPixel, size_t pad, Fill fill)
{
    CommitBits();
    if (IsPalette())
        return nullptr;
    if (table != nullptr)
        return table;
    const uint32_t* bits = GetBits();
    if (bits == nullptr)
        return nullptr;
    size_t count = PixelCount(mWidth, mHeight);
    table = new (std::nothrow) T[count * perPixel + pad];
    if (table == nullptr)
        return nullptr;
    for (size_t i = 0; i < count; i++)
        fill(bits[i], table + i * perPixel);
    std::fill_n(table + count * perPixel, pad, T(0));
    return table;
}

const uint32_t* MemoryImage::GetAdditiveAmounts()
{
    return PixelTable(mAdditiveAmounts, 1, 0,
                      [](uint32_t pixel, uint32_t* entry) { *entry = Blend::AlphaWeighted(pixel); });
}

const uint8_t* MemoryImage::GetPackedAmounts()
{
    return PixelTable(mPackedAmounts, Blitters::kPackedAmountBytes, Blitters::kPackedAmountPad,
                      [](uint32_t pixel, uint8_t* entry)
                      {
                          uint32_t amounts = Blend::AlphaWeighted(pixel);
                          for (int k = 0; k < Blitters::kPackedAmountBytes; k++)
                              entry[k] = uint8_t(amounts >> (8 * k));
                      });
}

const uint32_t* MemoryImage::GetWeightedBits()
{
    return PixelTable(mWeightedBits, 1, 0,
                      [](uint32_t pixel, uint32_t* entry) { *entry = Blend::Weighted(pixel); });
}

void MemoryImage::PurgeBits()
{
    mPurgeBits = true;
    if (mApp == nullptr || !mApp->Is3DEnabled())
    {
        if (mBits == nullptr && mColorIndices == nullptr)
            return;
        GetNativeAlphaData(Display());
        FreeBits();
        return;
    }
    // Only a texture made from the pixels as they are can be their one home.
    if (!mApp->TextureHoldsImage(this))
        return;
    FreeBits();
    FreePalette();
}

void MemoryImage::DeleteSWBuffers()
{
    EnsureBitsOrPalette();
    FreeDerived();
}

void MemoryImage::Delete3DBuffers()
{
    if (mApp != nullptr)
        mApp->ReleaseTextureData(this);
}

void MemoryImage::DeleteExtraBuffers()
{
    DeleteSWBuffers();
    Delete3DBuffers();
}

void MemoryImage::ReInit()
{
    if (mWantPal)
        Palletize();
    if (mPurgeBits)
        PurgeBits();
}

void MemoryImage::DeleteNativeData()
{
    EnsureBitsOrPalette();
    FreeArray(mNativeAlphaData);
    FreeArray(mRLAdditiveData);
}

void MemoryImage::Clear()
{
    uint32_t* bits = GetBits();
    if (bits == nullptr)
        return;
    std::memset(bits, 0, PixelCount(mWidth, mHeight) * sizeof(uint32_t));
    BitsChanged();
}

void MemoryImage::SetBits(const uint32_t* bits, int width, int height, bool commit)
{
    FreePalette();
    FreeBits();
    mWidth = std::max(width, 0);
    mHeight = std::max(height, 0);
    size_t count = PixelCount(mWidth, mHeight);
    mBits = new uint32_t[count + 1];
    if (bits != nullptr)
        std::memcpy(mBits, bits, count * sizeof(uint32_t));
    else
        std::memset(mBits, 0, count * sizeof(uint32_t));
    mBits[count] = kGuardWord;
    BitsChanged();
    if (commit)
        CommitBits();
}

void MemoryImage::Create(int width, int height)
{
    // The old palette describes the old size: drop it with the bits.
    FreeBits();
    FreePalette();
    mHasTrans = true;
    mHasAlpha = true;
    mWidth = std::max(width, 0);
    mHeight = std::max(height, 0);
    BitsChanged();
}

void MemoryImage::SetImageMode(bool hasTrans, bool hasAlpha)
{
    mForcedMode = true;
    mHasTrans = hasTrans;
    mHasAlpha = hasAlpha;
}

void MemoryImage::SetVolatile(bool isVolatile)
{
    mIsVolatile = isVolatile;
}

bool MemoryImage::Palletize()
{
    CommitBits();
    if (mColorTable != nullptr)
        return true;
    const uint32_t* bits = GetBits();
    if (bits == nullptr)
        return false;
    size_t count = PixelCount(mWidth, mHeight);
    uint8_t* indices = new uint8_t[count];
    uint32_t* table = new uint32_t[256]();
    int used = 0;
    if (!BuildPalette(bits, count, table, indices, used))
    {
        delete[] indices;
        delete[] table;
        mWantPal = false;
        return false;
    }
    mColorIndices = indices;
    mColorTable = table;
    mPaletteSize = used;
    FreeBits();
    FreeArray(mNativeAlphaData);
    FreePixelTables();
    mWantPal = true;
    return true;
}

MemoryImage* MemoryImage::CopyOfItself(std::unique_ptr<MemoryImage>& copy)
{
    if (GetBits() == nullptr)
        return this;
    copy = std::make_unique<MemoryImage>();
    copy->SetBits(mBits, mWidth, mHeight, false);
    copy->mForcedMode = mForcedMode;
    copy->mHasTrans = mHasTrans;
    copy->mHasAlpha = mHasAlpha;
    copy->mBitsChanged = mBitsChanged;
    return copy.get();
}

int MemoryImage::DestPixelForm() const
{
    return mForcedMode && IsOpaque() ? 0x888 : 0x8888;
}

} // namespace Lumo
