#pragma once

#include "graphics/Image.h"

#include <cstdint>
#include <memory>

namespace Lumo
{

class LumoAppBase;
class NativeDisplay;

// Read access to a picture's pixels whether they are held as ARGB words or as
// palette indices.
struct PixelSource
{
    const uint32_t* mBits = nullptr;
    const uint32_t* mTable = nullptr;
    const uint8_t* mIndices = nullptr;
    int mWidth = 0;
    int mHeight = 0;

    bool IsPalette() const { return mTable != nullptr; }
    // False for a picture whose pixels cannot be had (a surface that would not lock).
    bool HasPixels() const { return mBits != nullptr || (mTable != nullptr && mIndices != nullptr); }
    uint32_t At(int i) const { return mTable ? mTable[mIndices[i]] : mBits[i]; }
    uint32_t At(int x, int y) const { return At(y * mWidth + x); }
};

// A picture held in memory as 32-bit ARGB words, with an optional palette form
// and derived buffers (premultiplied display data, run-length tables) that are
// built on demand and dropped on every change.
class MemoryImage : public Image
{
public:
    static constexpr uint32_t kGuardWord = 0x4BEEFADE;

    uint32_t* mBits = nullptr;
    int mBitsChangedCount = 0;
    void* mTextureData = nullptr;
    int mD3DFlags = 0;
    uint32_t* mColorTable = nullptr;
    uint8_t* mColorIndices = nullptr;
    bool mForcedMode = false;
    bool mHasTrans = false;
    bool mHasAlpha = false;
    bool mIsVolatile = false;
    bool mPurgeBits = false;
    bool mWantPal = false;
    uint32_t* mNativeAlphaData = nullptr;
    uint8_t* mRLAlphaData = nullptr;
    uint8_t* mRLAdditiveData = nullptr;
    uint32_t* mAdditiveAmounts = nullptr;
    uint8_t* mPackedAmounts = nullptr;
    uint32_t* mWeightedBits = nullptr;
    bool mBitsChanged = false;
    LumoAppBase* mApp = nullptr;
    // Palette entries in use; entries at and after it are unset.
    int mPaletteSize = 0;

    explicit MemoryImage(LumoAppBase* app = nullptr);
    MemoryImage(const MemoryImage& other);
    MemoryImage& operator=(const MemoryImage&) = delete;
    ~MemoryImage() override;

    MemoryImage* AsMemoryImage() override { return this; }

    // Storage and forms.
    virtual uint32_t* GetNativeAlphaData(NativeDisplay* display);
    virtual uint8_t* GetRLAlphaData();
    virtual uint8_t* GetRLAdditiveData(NativeDisplay* display);
    // What an additive draw adds per pixel: each channel times the pixel's alpha >> 8,
    // alpha 0. Null for a palette picture, or where memory cannot hold the table.
    const uint32_t* GetAdditiveAmounts();
    // The same in three bytes a pixel, as Blitters::AddPackedRows reads them.
    const uint8_t* GetPackedAmounts();
    // Each pixel weighted by its alpha as a blend over an opaque picture takes it
    // (Blend::Weighted). Null as GetAdditiveAmounts is.
    const uint32_t* GetWeightedBits();
    // Every pixel opaque, as the flags found when the pixels were last checked.
    bool IsOpaque() const { return !mHasTrans && !mHasAlpha; }
    virtual void PurgeBits();
    virtual void DeleteSWBuffers();
    virtual void Delete3DBuffers();
    virtual void DeleteExtraBuffers();
    virtual void ReInit();
    virtual void BitsChanged();
    virtual void CommitBits();
    virtual void DeleteNativeData();
    virtual void Clear();
    virtual void SetBits(const uint32_t* bits, int width, int height, bool commit = true);
    virtual void Create(int width, int height);
    virtual uint32_t* GetBits();
    virtual void SetImageMode(bool hasTrans, bool hasAlpha);
    virtual void SetVolatile(bool isVolatile);
    virtual bool Palletize();

    bool IsPalette() const { return mColorTable != nullptr && mColorIndices != nullptr; }
    // The pixels as they are held: palette form when there is one, else the bits.
    PixelSource GetPixelSource();

    // Software drawing.
    void FillRect(const Rect& rect, const Color& color, int drawMode) override;
    void ClearRect(const Rect& rect) override;
    void DrawLine(double startX, double startY, double endX, double endY, const Color& color,
                  int drawMode) override;
    void Blt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode) override;
    void BltFloat(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                  int drawMode) override;
    void BltRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                    int drawMode, double angle, float centerX, float centerY) override;
    void StretchBlt(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                    const Color& color, int drawMode, bool fastStretch) override;
    void BltMatrix(Image* src, float x, float y, const LumoMatrix3& matrix, const Rect& clip,
                   const Color& color, int drawMode, const Rect& srcRect, bool blend) override;
    void DrawTexturedTriangles(Image* texture, const TriVertex (*vertices)[3], int count, const Rect& clip,
                               const Color& color, int drawMode, float tx, float ty, bool blend) override;

    static bool ClipStretchRects(FRect& srcOut, Rect& destOut, const Rect& destRect, const Rect& srcRect,
                                 const Rect& clip);
    static bool ClipStretchRectsMirrored(FRect& srcOut, Rect& destOut, const Rect& destRect,
                                         const Rect& srcRect, const Rect& clip);
    // Both clips of a stretch of srcRect of `source` onto destRect: the part of srcRect
    // inside the source picture is drawn where it belongs in destRect (a destination pixel
    // is drawn when the source point it starts at lies in the picture), and only inside
    // the clip. Mirrored, the source runs right to left. False when nothing is left.
    static bool ClipStretch(FRect& srcOut, Rect& destOut, const Rect& destRect, const Rect& srcRect,
                            const Image& source, const Rect& clip, bool mirrored);
    static bool ComputeRotatedBounds(FRect& bounds, float x, float y, const Rect& srcRect, const Rect& clip,
                                     double angle, float centerX, float centerY);

protected:
    void NormalBlt(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color);
    void AdditiveBlt(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color);
    void DrawLineNormal(double startX, double startY, double endX, double endY, const Color& color);
    void DrawLineAdditive(double startX, double startY, double endX, double endY, const Color& color);
    void FastStretchBlt(MemoryImage* src, const Rect& destRect, const FRect& srcRect, const Color& color);
    void SlowStretchBlt(MemoryImage* src, const Rect& destRect, const FRect& srcRect);
    void BltMatrixHelper(MemoryImage* src, float x, float y, const LumoMatrix3& matrix, const Rect& clip,
                         const Color& color, int drawMode, const Rect& srcRect, bool blend);
    void BltTrianglesTexHelper(MemoryImage* texture, const TriVertex (*vertices)[3], int count,
                               const Rect& clip, const Color& color, int drawMode, float tx, float ty,
                               bool blend);
    // The same into other memory of this picture's size: rows `pitch` bytes apart in `pixelForm`.
    void BltMatrixHelper(MemoryImage* src, float x, float y, const LumoMatrix3& matrix, const Rect& clip,
                         const Color& color, int drawMode, const Rect& srcRect, bool blend, uint32_t* bits,
                         int pitch, int pixelForm);
    void BltTrianglesTexHelper(MemoryImage* texture, const TriVertex (*vertices)[3], int count,
                               const Rect& clip, const Color& color, int drawMode, float tx, float ty,
                               bool blend, uint32_t* bits, int pitch, int pixelForm);
    int DestPixelForm() const;
    // The source of a draw onto this picture: `source`, or, when that is this picture, `copy`
    // made to hold its pixels as they are, so that no row reads what the draw has written.
    MemoryImage* Apart(MemoryImage* source, std::unique_ptr<MemoryImage>& copy)
    {
        return source == this ? CopyOfItself(copy) : source;
    }
    // The application's display, or the 32-bit description while there is none.
    NativeDisplay* Display() const;
    // Frees the tables made from the pixels (GetAdditiveAmounts, GetPackedAmounts,
    // GetWeightedBits), which a change of the pixels or of their form leaves stale.
    void FreePixelTables();

private:
    void FreeBits();
    void FreePalette();
    void FreeDerived();
    template <typename T, typename Fill>
    const T* PixelTable(T*& table, size_t perPixel, size_t pad, Fill fill);
    void EnsureBitsOrPalette();
    MemoryImage* CopyOfItself(std::unique_ptr<MemoryImage>& copy);
};

} // namespace Lumo
