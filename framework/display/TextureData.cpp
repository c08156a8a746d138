// A picture's textures: the piece sizes the device accepts, the format each picture needs, and
// the pixels copied into the pieces and back.
#include "display/D3DInterface.h"

#include "display/DirectXErrors.h"
#include "graphics/MemoryImage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace Lumo
{

TextureLimits gTextureLimits;

namespace
{
struct FormatRow
{
    int format;
    DWORD flags;
    DWORD bits;
    DWORD alpha, red, green, blue;
    const char* name;
    int bytes;
};

constexpr FormatRow kFormats[] = {
    {A8R8G8B8, DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF000000, 0xFF0000, 0xFF00, 0xFF, "A8R8G8B8", 4},
    {A4R4G4B4, DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0xF000, 0x0F00, 0x00F0, 0x000F, "A4R4G4B4", 2},
    {R5G6B5, DDPF_RGB, 16, 0, 0xF800, 0x07E0, 0x001F, "R5G6B5", 2},
    {Palette8, DDPF_RGB | DDPF_PALETTEINDEXED8, 8, 0, 0, 0, 0, "Palette8", 1},
};

const FormatRow* RowOf(int format)
{
    for (const FormatRow& row : kFormats)
        if (row.format == format)
            return &row;
    return nullptr;
}

int NextPowerOfTwo(int size)
{
    return size <= 1 ? 1 : int(std::bit_ceil(unsigned(size)));
}

// The regular piece for each size below 1024: the power of two that wastes at most 64 pixels,
// halved while the last piece would still be large and ragged.
const std::array<int, 1024>& PieceTable()
{
    static const std::array<int, 1024> table = []
    {
        std::array<int, 1024> t{};
        for (int s = 0; s < 1024; s++)
        {
            int piece = NextPowerOfTwo(s);
            if (piece - s > 64)
                piece /= 2;
            while (piece > 1 && s % piece >= 64 && !std::has_single_bit(unsigned(s % piece)))
                piece /= 2;
            t[size_t(s)] = piece;
        }
        return t;
    }();
    return table;
}

int PieceSide(int size, int maximum, int minimum, bool edge, int flags)
{
    int side;
    if (size >= maximum)
        side = maximum;
    else if (edge || (flags & D3DIMAGEFLAG_POW2))
        side = NextPowerOfTwo(size);
    else
        side = PieceTable()[size_t(std::clamp(size, 0, 1023))];
    return std::max(side, minimum);
}

uint32_t Channel(uint32_t p, int shift, int bits)
{
    return (p >> (shift + 8 - bits)) & ((1u << bits) - 1);
}

struct LockedTexture
{
    IDirectDrawSurface7* mSurface;
    DDSURFACEDESC2 mDesc{};
    bool mLocked = false;

    explicit LockedTexture(IDirectDrawSurface7* surface) : mSurface(surface) { mDesc.dwSize = sizeof(mDesc); }
    HRESULT Lock()
    {
        HRESULT result = mSurface->Lock(nullptr, &mDesc, DDLOCK_WAIT, nullptr);
        mLocked = result >= 0 && mDesc.lpSurface != nullptr;
        return mLocked ? result : (result < 0 ? result : DDERR_CANTLOCKSURFACE);
    }
    HRESULT Unlock()
    {
        mLocked = false;
        return mSurface->Unlock(nullptr);
    }
    ~LockedTexture()
    {
        if (mLocked)
            mSurface->Unlock(nullptr);
    }
    uint8_t* Row(int y) const { return static_cast<uint8_t*>(mDesc.lpSurface) + long(y) * mDesc.lPitch; }
};
} // namespace

DDPIXELFORMAT MakePixelFormat(int format)
{
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof(DDPIXELFORMAT);
    if (const FormatRow* row = RowOf(format))
    {
        pf.dwFlags = row->flags;
        pf.dwRGBBitCount = row->bits;
        pf.dwRGBAlphaBitMask = row->alpha;
        pf.dwRBitMask = row->red;
        pf.dwGBitMask = row->green;
        pf.dwBBitMask = row->blue;
    }
    return pf;
}

int PixelFormatOf(const DDPIXELFORMAT& pf)
{
    for (const FormatRow& row : kFormats)
        if (pf.dwFlags == row.flags && pf.dwRGBBitCount == row.bits && pf.dwRGBAlphaBitMask == row.alpha &&
            pf.dwRBitMask == row.red && pf.dwGBitMask == row.green && pf.dwBBitMask == row.blue)
            return row.format;
    return PixelFormat_Unknown;
}

HRESULT CALLBACK AddTextureFormat(LPDDPIXELFORMAT format, LPVOID context)
{
    *static_cast<int*>(context) |= PixelFormatOf(*format);
    return D3DENUMRET_OK;
}

const char* PixelFormatName(int format)
{
    const FormatRow* row = RowOf(format);
    return row ? row->name : "";
}

int BytesPerTexel(int format)
{
    const FormatRow* row = RowOf(format);
    return row ? row->bytes : 0;
}

void GetTexturePieceSize(int width, int height, bool edge, int flags, int& pieceWidth, int& pieceHeight)
{
    if (flags & D3DIMAGEFLAG_SMALL)
    {
        pieceWidth = pieceHeight = 64;
        return;
    }
    const TextureLimits& l = gTextureLimits;
    pieceWidth = PieceSide(width, l.mMaxWidth, l.mMinWidth, edge, flags);
    pieceHeight = PieceSide(height, l.mMaxHeight, l.mMinHeight, edge, flags);
    const int64_t aspect = std::max(l.mMaxAspectRatio, 1);
    while (pieceWidth > aspect * pieceHeight)
        pieceHeight *= 2;
    while (pieceHeight > aspect * pieceWidth)
        pieceWidth *= 2;
}

TextureData::~TextureData()
{
    ReleasePieces();
}

void TextureData::ReleasePieces()
{
    for (TextureDataPiece& piece : mPieces)
        ReleaseOf(piece.mTexture);
    mPieces.clear();
    ReleaseOf(mPalette);
    mTexMemSize = 0;
    mBuilt = false;
}

int TextureData::UsedWidth(int column) const
{
    return column < mPiecesAcross - 1 ? mPieceWidth : mWidth - column * mPieceWidth;
}

int TextureData::UsedHeight(int row) const
{
    return row < mPiecesDown - 1 ? mPieceHeight : mHeight - row * mPieceHeight;
}

const TextureDataPiece& TextureData::GetPieceAt(int x, int y, int& offsetX, int& offsetY) const
{
    int column = std::clamp(x / mPieceWidth, 0, mPiecesAcross - 1);
    int row = std::clamp(y / mPieceHeight, 0, mPiecesDown - 1);
    offsetX = x - column * mPieceWidth;
    offsetY = y - row * mPieceHeight;
    return Piece(column, row);
}

int TextureData::ChooseFormat(D3DInterface* renderer, MemoryImage* image, IDirectDrawPalette** palette)
{
    int& supported = gTextureLimits.mFormats;
    int format = A8R8G8B8;
    image->CommitBits();
    if (!image->mHasAlpha && !image->mHasTrans && (supported & R5G6B5) &&
        !(image->mD3DFlags & D3DIMAGEFLAG_NO565))
        format = R5G6B5;
    if (image->IsPalette() && (supported & Palette8) && renderer->mDD)
    {
        PALETTEENTRY entries[256] = {};
        for (int i = 0; i < 256; i++)
        {
            uint32_t c = image->mColorTable[i];
            entries[i] = PALETTEENTRY{BYTE(c >> 16), BYTE(c >> 8), BYTE(c), BYTE(c >> 24)};
        }
        if (renderer->mDD->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_ALPHA, entries, palette,
                                         nullptr) < 0)
        {
            // The device cannot have such palettes after all: never again.
            supported &= ~Palette8;
            *palette = nullptr;
        }
        else
            format = Palette8;
    }
    if (format == A8R8G8B8 &&
        (((image->mD3DFlags & D3DIMAGEFLAG_PREFER4444) && (supported & A4R4G4B4)) || !(supported & A8R8G8B8)))
        format = A4R4G4B4;
    return format;
}

bool TextureData::Holds(const MemoryImage* image) const
{
    return mBuilt && mWidth == image->mWidth && mHeight == image->mHeight &&
           mBitsChangedCount == image->mBitsChangedCount && mImageFlags == image->mD3DFlags;
}

bool TextureData::Update(D3DInterface* renderer, MemoryImage* image)
{
    if (Holds(image))
        return true;
    if (image->mWidth <= 0 || image->mHeight <= 0)
        return false;
    // The pixels must be at hand as bits or palette before anything is copied.
    if (image->mBits == nullptr && !image->IsPalette())
        image->GetBits();
    IDirectDrawPalette* palette = nullptr;
    int format = ChooseFormat(renderer, image, &palette);
    bool remake = !mBuilt || mWidth != image->mWidth || mHeight != image->mHeight || mFormat != format ||
                  mImageFlags != image->mD3DFlags;
    if (remake)
        ReleasePieces();
    ReleaseOf(mPalette);
    mPalette = palette;
    if (remake && !CreatePieces(renderer, image, format))
    {
        ReleasePieces();
        return false;
    }
    if (!remake && mPalette)
        for (TextureDataPiece& piece : mPieces)
            piece.mTexture->SetPalette(mPalette);
    for (int row = 0; row < mPiecesDown; row++)
        for (int column = 0; column < mPiecesAcross; column++)
            if (!CopyImageToTexture(renderer, image, column, row))
            {
                ReleasePieces();
                return false;
            }
    mBitsChangedCount = image->mBitsChangedCount;
    mBuilt = true;
    return true;
}

bool TextureData::CreatePieces(D3DInterface* renderer, MemoryImage* image, int format)
{
    mWidth = image->mWidth;
    mHeight = image->mHeight;
    mFormat = format;
    mImageFlags = image->mD3DFlags;
    GetTexturePieceSize(mWidth, mHeight, false, mImageFlags, mPieceWidth, mPieceHeight);
    mPiecesAcross = (mWidth + mPieceWidth - 1) / mPieceWidth;
    mPiecesDown = (mHeight + mPieceHeight - 1) / mPieceHeight;
    mPieces.assign(size_t(mPiecesAcross) * size_t(mPiecesDown), TextureDataPiece());
    if (renderer->mDD == nullptr || renderer->mD3DDevice == nullptr)
        return false;
    const int remainderX = mWidth % mPieceWidth, remainderY = mHeight % mPieceHeight;
    for (int row = 0; row < mPiecesDown; row++)
        for (int column = 0; column < mPiecesAcross; column++)
        {
            TextureDataPiece& piece = mPieces[size_t(row) * size_t(mPiecesAcross) + size_t(column)];
            bool right = column == mPiecesAcross - 1 && remainderX != 0;
            bool bottom = row == mPiecesDown - 1 && remainderY != 0;
            piece.mWidth = mPieceWidth;
            piece.mHeight = mPieceHeight;
            if (right || bottom)
                GetTexturePieceSize(right ? remainderX : mPieceWidth, bottom ? remainderY : mPieceHeight,
                                    true, mImageFlags, piece.mWidth, piece.mHeight);
            if (renderer->CheckDXError("SetTexture NULL", renderer->mD3DDevice->SetTexture(0, nullptr)))
                return false;
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof(desc);
            desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
            desc.dwWidth = DWORD(piece.mWidth);
            desc.dwHeight = DWORD(piece.mHeight);
            desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
            desc.ddsCaps.dwCaps2 = DDSCAPS2_D3DTEXTUREMANAGE;
            desc.ddpfPixelFormat = MakePixelFormat(format);
            // A texture that cannot be made leaves the picture undrawn.
            if (renderer->mDD->CreateSurface(&desc, &piece.mTexture, nullptr) < 0)
            {
                piece.mTexture = nullptr;
                return false;
            }
            if (format == Palette8 && mPalette)
                piece.mTexture->SetPalette(mPalette);
            mTexMemSize += piece.mWidth * piece.mHeight * BytesPerTexel(format);
        }
    return true;
}

bool TextureData::CopyImageToTexture(D3DInterface* renderer, MemoryImage* image, int column, int row)
{
    TextureDataPiece& piece = mPieces[size_t(row) * size_t(mPiecesAcross) + size_t(column)];
    LockedTexture texture(piece.mTexture);
    if (renderer->CheckDXError("Lock Texture", texture.Lock()))
        return false;
    const int usedW = UsedWidth(column), usedH = UsedHeight(row);
    const int bytes = BytesPerTexel(mFormat);
    if (usedW < piece.mWidth || usedH < piece.mHeight)
        for (int y = 0; y < piece.mHeight; y++)
            std::memset(texture.Row(y), 0, size_t(piece.mWidth) * size_t(bytes));
    const PixelSource pixels = image->GetPixelSource();
    const int x0 = column * mPieceWidth, y0 = row * mPieceHeight;
    for (int y = 0; y < usedH; y++)
    {
        uint8_t* out = texture.Row(y);
        const int from = (y0 + y) * mWidth + x0;
        for (int x = 0; x < usedW; x++)
        {
            if (mFormat == Palette8)
            {
                out[x] = pixels.mIndices ? pixels.mIndices[from + x] : 0;
                continue;
            }
            uint32_t p = pixels.At(from + x);
            if (mFormat == A8R8G8B8)
                reinterpret_cast<uint32_t*>(out)[x] = p;
            else if (mFormat == A4R4G4B4)
                reinterpret_cast<uint16_t*>(out)[x] = ToA4R4G4B4(p);
            else
                reinterpret_cast<uint16_t*>(out)[x] =
                    uint16_t(Channel(p, 16, 5) << 11 | Channel(p, 8, 6) << 5 | Channel(p, 0, 5));
        }
    }
    return !renderer->CheckDXError("Texture Unlock", texture.Unlock());
}

bool TextureData::CopyToImage(MemoryImage* image)
{
    if (!mBuilt || image->mBits == nullptr || image->mWidth != mWidth || image->mHeight != mHeight)
        return false;
    uint32_t table[256] = {};
    if (mFormat == Palette8)
    {
        PALETTEENTRY entries[256] = {};
        if (mPalette == nullptr || mPalette->GetEntries(0, 0, 256, entries) < 0)
            return false;
        for (int i = 0; i < 256; i++)
            table[i] = uint32_t(entries[i].peFlags) << 24 | uint32_t(entries[i].peRed) << 16 |
                       uint32_t(entries[i].peGreen) << 8 | entries[i].peBlue;
    }
    for (int row = 0; row < mPiecesDown; row++)
        for (int column = 0; column < mPiecesAcross; column++)
        {
            LockedTexture texture(Piece(column, row).mTexture);
            if (texture.Lock() < 0)
                return false;
            const int x0 = column * mPieceWidth, y0 = row * mPieceHeight;
            for (int y = 0; y < UsedHeight(row); y++)
            {
                const uint8_t* in = texture.Row(y);
                uint32_t* out = image->mBits + size_t(y0 + y) * size_t(mWidth) + size_t(x0);
                for (int x = 0; x < UsedWidth(column); x++)
                {
                    if (mFormat == A8R8G8B8)
                        out[x] = reinterpret_cast<const uint32_t*>(in)[x];
                    else if (mFormat == Palette8)
                        out[x] = table[in[x]];
                    else if (mFormat == A4R4G4B4)
                    {
                        // Each nibble stretched to its byte: a translucent texture reads back translucent.
                        uint32_t t = reinterpret_cast<const uint16_t*>(in)[x];
                        out[x] = ((t >> 12) & 15) * 17 << 24 | ((t >> 8) & 15) * 17 << 16 |
                                 ((t >> 4) & 15) * 17 << 8 | (t & 15) * 17;
                    }
                    else
                    {
                        uint32_t t = reinterpret_cast<const uint16_t*>(in)[x];
                        out[x] = 0xFF000000 | ((t >> 11) & 31) << 19 | ((t >> 5) & 63) << 10 | (t & 31) << 3;
                    }
                }
            }
        }
    return true;
}

} // namespace Lumo
