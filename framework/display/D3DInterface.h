// The Direct3D renderer of the 3-D screen: pictures uploaded once as textures cut into the
// pieces the device accepts, drawn as blended, modulated quads, polygons and triangles.
#pragma once

#include "d3d/d3d.h"
#include "graphics/Color.h"
#include "graphics/LumoMatrix3.h"
#include "graphics/Rect.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Lumo
{

class DDInterface;
class Image;
class MemoryImage;

// Texture formats, as a set of flags.
enum PixelFormat
{
    PixelFormat_Unknown = 0,
    A8R8G8B8 = 1,
    A4R4G4B4 = 2,
    R5G6B5 = 4,
    Palette8 = 8
};

// The DirectDraw description of a format, and the format a description names (0: none).
DDPIXELFORMAT MakePixelFormat(int format);
int PixelFormatOf(const DDPIXELFORMAT& format);
// For EnumTextureFormats: adds the flag of each listed format to the int `context` points to.
HRESULT CALLBACK AddTextureFormat(LPDDPIXELFORMAT format, LPVOID context);
// The name the developer tools show ("A8R8G8B8" ...), empty for none.
const char* PixelFormatName(int format);
int BytesPerTexel(int format);
// An ARGB pixel as an A4R4G4B4 texel: the top four bits of each channel.
inline uint16_t ToA4R4G4B4(uint32_t argb)
{
    return uint16_t((argb >> 28) << 12 | ((argb >> 20) & 15) << 8 | ((argb >> 12) & 15) << 4 |
                    ((argb >> 4) & 15));
}

// What the device accepts; process-wide, set when a device starts.
struct TextureLimits
{
    int mMinWidth = 64;
    int mMinHeight = 64;
    int mMaxWidth = 64;
    int mMaxHeight = 64;
    int mMaxAspectRatio = 1;
    int mFormats = 0; // PixelFormat flags
};
extern TextureLimits gTextureLimits;
// The limits a device describes; a maximum width of 0 means 64 x 64 pieces everywhere.
TextureLimits TextureLimitsOf(const D3DDEVICEDESC7& desc);

// The pictures' 3-D flags.
enum
{
    D3DIMAGEFLAG_POW2 = 1,       // power-of-two pieces
    D3DIMAGEFLAG_SMALL = 2,      // 64 x 64 pieces
    D3DIMAGEFLAG_PREFER4444 = 4, // A4R4G4B4 rather than A8R8G8B8
    D3DIMAGEFLAG_NO565 = 8       // never the 16-bit opaque format
};

// The piece size for a picture of (width, height); edge pieces take the smallest power of two.
void GetTexturePieceSize(int width, int height, bool edge, int flags, int& pieceWidth, int& pieceHeight);

// The last failure of the renderer during the current frame; empty when none.
extern std::string gRendererErrorString;
// The render target could not be set: the application asks about it at exit.
extern std::atomic<bool> gD3DRenderTargetLost;

struct TextureDataPiece
{
    IDirectDrawSurface7* mTexture = nullptr;
    int mWidth = 0;
    int mHeight = 0;
};

class D3DInterface;

// A picture's textures, owned by the picture (through its texture-data pointer).
class TextureData
{
public:
    std::vector<TextureDataPiece> mPieces; // row by row
    int mPieceWidth = 64;
    int mPieceHeight = 64;
    int mPiecesAcross = 0;
    int mPiecesDown = 0;
    int mWidth = 0;
    int mHeight = 0;
    int mBitsChangedCount = 0;
    int mTexMemSize = 0;
    int mFormat = PixelFormat_Unknown;
    int mImageFlags = 0;
    bool mBuilt = false;
    IDirectDrawPalette* mPalette = nullptr;

    TextureData() = default;
    ~TextureData();
    TextureData(const TextureData&) = delete;
    TextureData& operator=(const TextureData&) = delete;

    // Whether the textures hold the picture's pixels as they are now.
    bool Holds(const MemoryImage* image) const;
    // Brings the textures up to the picture's pixels; false when they cannot be made.
    bool Update(D3DInterface* renderer, MemoryImage* image);
    // The piece under a point of the picture and the point's offset in it.
    const TextureDataPiece& GetPieceAt(int x, int y, int& offsetX, int& offsetY) const;
    const TextureDataPiece& Piece(int column, int row) const
    {
        return mPieces[size_t(row) * size_t(mPiecesAcross) + size_t(column)];
    }
    // The part of a piece the picture covers, in pixels.
    int UsedWidth(int column) const;
    int UsedHeight(int row) const;
    // The pixels back from the textures into the picture's bits; false when a piece cannot be read.
    bool CopyToImage(MemoryImage* image);

private:
    int ChooseFormat(D3DInterface* renderer, MemoryImage* image, IDirectDrawPalette** palette);
    bool CreatePieces(D3DInterface* renderer, MemoryImage* image, int format);
    bool CopyImageToTexture(D3DInterface* renderer, MemoryImage* image, int column, int row);
    void ReleasePieces();
};

// Vertices with room for 100 inside; past that they move to the heap and double as needed.
class VertexList
{
public:
    static constexpr int kInlineCount = 100;

    VertexList() = default;
    VertexList(const VertexList& other);
    VertexList& operator=(const VertexList& other);

    void push_back(const D3DTLVERTEX& vertex);
    void clear() { mSize = 0; }
    int size() const { return mSize; }
    int capacity() const { return mCapacity; }
    D3DTLVERTEX* data() { return mData; }
    const D3DTLVERTEX* data() const { return mData; }
    D3DTLVERTEX& operator[](int i) { return mData[i]; }
    const D3DTLVERTEX& operator[](int i) const { return mData[i]; }

    // Clipping components: 0 x, 1 y, 2 z, 3 tu, 4 tv.
    static float Component(const D3DTLVERTEX& vertex, int component);

private:
    D3DTLVERTEX mInline[kInlineCount];
    std::unique_ptr<D3DTLVERTEX[]> mHeap;
    D3DTLVERTEX* mData = mInline;
    int mSize = 0;
    int mCapacity = kInlineCount;
};

// Sutherland-Hodgman clipping of a polygon, one limit at a time.
class PolygonClipper
{
public:
    // Keeps the part below the limit (component < limit).
    static void ClipPlaneA(VertexList& polygon, int component, float limit);
    // Keeps the part at or above the limit (component >= limit).
    static void ClipPlaneB(VertexList& polygon, int component, float limit);
    // x >= left, x < right, y >= top, y < bottom.
    static void ClipToRect(VertexList& polygon, const FRect& rect);

private:
    template <bool Below> static void Clip(VertexList& polygon, int component, float limit);
};

class D3DInterface
{
public:
    HWND mHWnd = nullptr;
    int mWidth = 640;
    int mHeight = 480;
    IDirectDraw7* mDD = nullptr;
    IDirectDrawSurface7* mDrawSurface = nullptr;
    IDirect3D7* mD3D = nullptr;
    IDirect3DDevice7* mD3DDevice = nullptr;
    D3DVIEWPORT7 mViewport{};
    bool mSceneBegun = false;
    bool mIsWindowed = true;
    // Pictures holding texture data; changed under the display lock.
    std::set<MemoryImage*> mImageSet;
    DDInterface* mDDInterface = nullptr;

    D3DInterface();
    virtual ~D3DInterface();
    D3DInterface(const D3DInterface&) = delete;
    D3DInterface& operator=(const D3DInterface&) = delete;

    bool Init(DDInterface* display);
    // Drops the textures and the device (the display's surfaces go next).
    void Cleanup();
    bool InitDevice();
    // A failed call: its text becomes the frame's renderer error and is written to the registry.
    bool CheckDXError(const char* context, HRESULT result);

    bool BeginSceneIfNeeded();
    void Flush();
    void SetDrawMode(int drawMode);
    void SetLinearFilter(bool linear);
    bool EnsureTextureData(MemoryImage* image);
    void RemoveTextureData(MemoryImage* image);
    void RemoveAllTextureData();
    bool CopyTextureToImage(MemoryImage* image);

    void Blt(Image* image, float x, float y, const Rect& srcRect, const Color& color, int drawMode,
             bool linear);
    void BltFloat(Image* image, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                  int drawMode);
    void BltMirrored(Image* image, float x, float y, const Rect& srcRect, const Rect& clip,
                     const Color& color, int drawMode);
    void StretchBlt(Image* image, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                    const Color& color, int drawMode, bool fastStretch, bool mirror);
    void BltRotated(Image* image, float x, float y, const Rect& srcRect, const Rect& clip, const Color& color,
                    int drawMode, double angle, float centerX, float centerY);
    // The source rectangle through the matrix (source-rectangle coordinates to the screen).
    void BltTransformed(Image* image, const LumoMatrix3& matrix, const Rect& srcRect, const Color& color,
                        int drawMode, bool linear, const Rect& clip);
    void DrawLine(double startX, double startY, double endX, double endY, const Color& color, int drawMode);
    void FillRect(const Rect& rect, const Color& color, int drawMode);
    // The points are Vector2s.
    void FillPoly(const void* points, int count, const Rect& clip, const Color& color, int drawMode);
    void DrawTexturedTriangles(Image* image, const TriVertex (*vertices)[3], int count, const Rect& clip,
                               const Color& color, int drawMode, float tx, float ty);

private:
    // The scene begun, no texture and the draw mode set, for untextured shapes; false on failure.
    bool PrepareShape(int drawMode);
    // The picture with its textures up to date, ready to draw; null when it cannot be drawn.
    TextureData* PrepareImage(Image* image, int drawMode, bool linear);
    bool SetTexture(IDirectDrawSurface7* texture, const char* context);
    bool Draw(D3DPRIMITIVETYPE type, D3DTLVERTEX* vertices, int count, const char* context);
    void DrawClippedFan(VertexList& polygon, const FRect& clip, const char* context);
};

} // namespace Lumo
