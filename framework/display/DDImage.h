#pragma once

#include "ddraw/ddraw.h"
#include "graphics/MemoryImage.h"

namespace Lumo
{

class D3DInterface;
class DDInterface;

// A memory picture whose pixels may also, or only, live in a display surface.
// Every draw is routed to the hardware blitter, to the workers that write the
// locked surface, or back to the memory drawing.
class DDImage : public MemoryImage
{
public:
    DDInterface* mDDInterface;
    IDirectDrawSurface7* mSurface = nullptr;
    bool mSurfaceAdopted = false;
    bool mNoSoftwareDraw = false;
    bool mVideoMemory = false;
    bool mKeyFromCorner = false;
    bool mWantSurface = false;
    bool mDrawToBits = false;
    int mLockCount = 0;
    DDSURFACEDESC mLockedSurfaceDesc{};

    explicit DDImage(DDInterface* display);
    ~DDImage() override;

    DDImage* AsSurfaceImage() override { return this; }

    bool IsScreen() const;
    IDirectDrawSurface7* GetSurface();
    bool CreateSurfaceFromBits();
    void ReleaseSurfaceKeepBits();
    void DeleteCaches();

    // Drawing.
    bool FillPoly(const void* points, int count, const Rect& clip, const Color& color, int drawMode) override;
    void FillRect(const Rect& rect, const Color& color, int drawMode) override;
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
    void BltMirrored(Image* src, int x, int y, const Rect& srcRect, const Color& color,
                     int drawMode) override;
    void StretchBltMirrored(Image* src, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                            const Color& color, int drawMode, bool fastStretch) override;

    // Storage.
    void PurgeBits() override;
    void DeleteExtraBuffers() override;
    void ReInit() override;
    void BitsChanged() override;
    void CommitBits() override;
    void DeleteNativeData() override;
    void Create(int width, int height) override;
    uint32_t* GetBits() override;
    bool Palletize() override;

    virtual void SetVideoMemory(bool videoMemory);
    virtual bool GenerateSurface();

    // Workers that write the locked surface in the display's format.
    virtual void NormalFillRect(const Rect& rect, const Color& color);
    virtual void AdditiveFillRect(const Rect& rect, const Color& color);
    virtual void NormalBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color);
    virtual void AdditiveBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color);
    virtual void NormalDrawLine(double x1, double y1, double x2, double y2, const Color& color);
    virtual void AdditiveDrawLine(double x1, double y1, double x2, double y2, const Color& color);
    virtual void NormalMirroredBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color);
    virtual void AdditiveMirroredBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color);

    virtual bool LockSurface();
    virtual bool UnlockSurface();
    virtual HRESULT SetSurface(IDirectDrawSurface7* surface);

private:
    bool SurfaceRoadAllowed();
    // After a worker: the surface holds the pixels now, so the memory forms go. A picture
    // without a surface keeps them: they are its only copy.
    void SurfaceDrawn();
    // The renderer of the display, which draws everything on the 3-D screen.
    D3DInterface* Renderer() const;
    void ScreenBlt(Image* src, int x, int y, const Rect& srcRect, const Color& color, int drawMode);
    int SurfaceForm() const;
    void RotatedCopy(MemoryImage* src, float x, float y, const Rect& srcRect, const Rect& clip,
                     const Color& color, int drawMode, double angle, float centerX, float centerY);
    bool HardwareBlt(DDImage* src, const RECT& dest, const RECT& from);
    void FastStretch(MemoryImage* src, const Rect& dest, const FRect& from, const Color& color, int drawMode,
                     bool mirrored);
    void RunBlt(MemoryImage* src, int x, int y, const Rect& srcRect, const Color& color, bool additive,
                bool mirrored);
    void ReleaseSurface();
    void SetKey(uint32_t key);

    // The source key set on the surface, so that read-back can clear those pixels.
    uint32_t mColorKey = 0;
    bool mHasColorKey = false;
};

} // namespace Lumo
