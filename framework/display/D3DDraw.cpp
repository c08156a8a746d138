// What the renderer draws: pictures band by band over their pieces, transformed pieces clipped
// to the screen's clip, triangles split over the pieces they cover, and untextured shapes.
// Positions follow the device's rule that pixel centres lie on whole coordinates: a picture's
// pixel edges sit half a pixel before them.
#include "display/D3DInterface.h"

#include "graphics/MemoryImage.h"

#include <algorithm>
#include <cmath>

namespace Lumo
{

namespace
{
D3DTLVERTEX Vertex(float x, float y, float u, float v, D3DCOLOR color)
{
    return D3DTLVERTEX{x, y, 0.0f, 1.0f, color, 0, u, v};
}

D3DCOLOR Modulate(uint32_t a, uint32_t b)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= (((a >> shift) & 0xFF) * ((b >> shift) & 0xFF) / 255) << shift;
    return out;
}

uint32_t Lerp(uint32_t a, uint32_t b, float t)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
    {
        float ca = float((a >> shift) & 0xFF), cb = float((b >> shift) & 0xFF);
        out |= uint32_t(std::clamp(ca + (cb - ca) * t, 0.0f, 255.0f) + 0.5f) << shift;
    }
    return out;
}

D3DTLVERTEX Between(const D3DTLVERTEX& a, const D3DTLVERTEX& b, float t)
{
    auto mix = [t](float p, float q) { return p + (q - p) * t; };
    return D3DTLVERTEX{mix(a.sx, b.sx),           mix(a.sy, b.sy),
                       mix(a.sz, b.sz),           mix(a.rhw, b.rhw),
                       Lerp(a.color, b.color, t), Lerp(a.specular, b.specular, t),
                       mix(a.tu, b.tu),           mix(a.tv, b.tv)};
}

// The clip rectangle where the device's pixel edges are.
FRect PixelEdges(const Rect& clip)
{
    return FRect(clip.mX - 0.5, clip.mY - 0.5, clip.mWidth, clip.mHeight);
}

bool Inside(const FRect& r, float x, float y)
{
    return x >= r.mX && x <= r.mX + r.mWidth && y >= r.mY && y <= r.mY + r.mHeight;
}
} // namespace

// ---- vertex lists and clipping ------------------------------------------------------------------

VertexList::VertexList(const VertexList& other)
{
    *this = other;
}

VertexList& VertexList::operator=(const VertexList& other)
{
    if (this != &other)
    {
        mSize = 0;
        for (int i = 0; i < other.mSize; i++)
            push_back(other.mData[i]);
    }
    return *this;
}

void VertexList::push_back(const D3DTLVERTEX& vertex)
{
    if (mSize == mCapacity)
    {
        auto grown = std::make_unique<D3DTLVERTEX[]>(size_t(mCapacity) * 2);
        std::copy(mData, mData + mSize, grown.get());
        mHeap = std::move(grown);
        mData = mHeap.get();
        mCapacity *= 2;
    }
    mData[mSize++] = vertex;
}

float VertexList::Component(const D3DTLVERTEX& v, int component)
{
    switch (component)
    {
    case 0:
        return v.sx;
    case 1:
        return v.sy;
    case 2:
        return v.sz;
    case 3:
        return v.tu;
    default:
        return v.tv;
    }
}

template <bool Below> void PolygonClipper::Clip(VertexList& polygon, int component, float limit)
{
    if (polygon.size() < 2)
        return;
    auto kept = [&](const D3DTLVERTEX& v)
    {
        float c = VertexList::Component(v, component);
        return Below ? c < limit : c >= limit;
    };
    VertexList in = polygon;
    polygon.clear();
    const D3DTLVERTEX* previous = &in[in.size() - 1];
    for (int i = 0; i < in.size(); i++)
    {
        const D3DTLVERTEX& current = in[i];
        if (kept(current) != kept(*previous))
        {
            float p = VertexList::Component(*previous, component),
                  c = VertexList::Component(current, component);
            polygon.push_back(Between(*previous, current, (limit - p) / (c - p)));
        }
        if (kept(current))
            polygon.push_back(current);
        previous = &current;
    }
}

void PolygonClipper::ClipPlaneA(VertexList& polygon, int component, float limit)
{
    Clip<true>(polygon, component, limit);
}

void PolygonClipper::ClipPlaneB(VertexList& polygon, int component, float limit)
{
    Clip<false>(polygon, component, limit);
}

void PolygonClipper::ClipToRect(VertexList& polygon, const FRect& rect)
{
    ClipPlaneB(polygon, 0, float(rect.mX));
    ClipPlaneA(polygon, 0, float(rect.mX + rect.mWidth));
    ClipPlaneB(polygon, 1, float(rect.mY));
    ClipPlaneA(polygon, 1, float(rect.mY + rect.mHeight));
}

// ---- drawing --------------------------------------------------------------------------------------

bool D3DInterface::SetTexture(IDirectDrawSurface7* texture, const char* context)
{
    return !CheckDXError(context, mD3DDevice->SetTexture(0, texture));
}

bool D3DInterface::Draw(D3DPRIMITIVETYPE type, D3DTLVERTEX* vertices, int count, const char* context)
{
    return !CheckDXError(context,
                         mD3DDevice->DrawPrimitive(type, D3DFVF_TLVERTEX, vertices, DWORD(count), 0));
}

void D3DInterface::DrawClippedFan(VertexList& polygon, const FRect& clip, const char* context)
{
    PolygonClipper::ClipToRect(polygon, clip);
    if (polygon.size() >= 3)
        Draw(D3DPT_TRIANGLEFAN, polygon.data(), polygon.size(), context);
}

bool D3DInterface::PrepareShape(int drawMode)
{
    if (!BeginSceneIfNeeded() || !SetTexture(nullptr, "SetTexture NULL"))
        return false;
    SetDrawMode(drawMode);
    return true;
}

TextureData* D3DInterface::PrepareImage(Image* image, int drawMode, bool linear)
{
    auto* picture = MemoryImageOf(image);
    if (picture == nullptr || !BeginSceneIfNeeded() || !EnsureTextureData(picture))
        return nullptr;
    SetDrawMode(drawMode);
    SetLinearFilter(linear);
    return static_cast<TextureData*>(picture->mTextureData);
}

void D3DInterface::Blt(Image* image, float x, float y, const Rect& srcRect, const Color& color, int drawMode,
                       bool linear)
{
    TextureData* data = PrepareImage(image, drawMode, linear);
    if (data == nullptr)
        return;
    Rect src = srcRect.Intersection(Rect(0, 0, data->mWidth, data->mHeight));
    x += float(src.mX - srcRect.mX) - 0.5f;
    y += float(src.mY - srcRect.mY) - 0.5f;
    const D3DCOLOR diffuse = color.ToARGB();
    for (int by = 0; by < src.mHeight;)
    {
        int bandHeight = 0;
        for (int bx = 0; bx < src.mWidth;)
        {
            int ox = 0, oy = 0;
            const TextureDataPiece& piece = data->GetPieceAt(src.mX + bx, src.mY + by, ox, oy);
            int w = std::min(src.mWidth - bx, data->mPieceWidth - ox);
            bandHeight = std::min(src.mHeight - by, data->mPieceHeight - oy);
            float u0 = float(ox) / float(piece.mWidth), u1 = float(ox + w) / float(piece.mWidth);
            float v0 = float(oy) / float(piece.mHeight), v1 = float(oy + bandHeight) / float(piece.mHeight);
            float left = x + float(bx), top = y + float(by);
            float right = left + float(w), bottom = top + float(bandHeight);
            D3DTLVERTEX quad[4] = {Vertex(left, top, u0, v0, diffuse), Vertex(right, top, u1, v0, diffuse),
                                   Vertex(left, bottom, u0, v1, diffuse),
                                   Vertex(right, bottom, u1, v1, diffuse)};
            if (!SetTexture(piece.mTexture, "SetTexture gTexture") ||
                !Draw(D3DPT_TRIANGLESTRIP, quad, 4, "DrawPrimitive (Tri) 1"))
                return;
            bx += w;
        }
        by += bandHeight;
    }
}

void D3DInterface::BltTransformed(Image* image, const LumoMatrix3& matrix, const Rect& srcRect,
                                  const Color& color, int drawMode, bool linear, const Rect& clip)
{
    TextureData* data = PrepareImage(image, drawMode, linear);
    if (data == nullptr)
        return;
    Rect src = srcRect.Intersection(Rect(0, 0, data->mWidth, data->mHeight));
    if (src.IsEmpty())
        return;
    const FRect edges = PixelEdges(clip);
    const D3DCOLOR diffuse = color.ToARGB();
    const int pw = data->mPieceWidth, ph = data->mPieceHeight;
    for (int row = src.mY / ph; row <= (src.mY + src.mHeight - 1) / ph; row++)
        for (int column = src.mX / pw; column <= (src.mX + src.mWidth - 1) / pw; column++)
        {
            const TextureDataPiece& piece = data->Piece(column, row);
            int x0 = std::max(src.mX, column * pw), x1 = std::min(src.mX + src.mWidth, column * pw + pw);
            int y0 = std::max(src.mY, row * ph), y1 = std::min(src.mY + src.mHeight, row * ph + ph);
            D3DTLVERTEX corners[4];
            bool inside = true;
            const int xs[4] = {x0, x1, x0, x1}, ys[4] = {y0, y0, y1, y1};
            for (int k = 0; k < 4; k++)
            {
                Vector2 p =
                    matrix.TransformPoint2D(Vector2{float(xs[k] - srcRect.mX), float(ys[k] - srcRect.mY)});
                corners[k] = Vertex(p.x - 0.5f, p.y - 0.5f, float(xs[k] - column * pw) / float(piece.mWidth),
                                    float(ys[k] - row * ph) / float(piece.mHeight), diffuse);
                inside = inside && Inside(edges, corners[k].sx, corners[k].sy);
            }
            if (!SetTexture(piece.mTexture, "SetTexture gTexture"))
                return;
            if (inside)
            {
                if (!Draw(D3DPT_TRIANGLESTRIP, corners, 4, "DrawPrimitive (Tri) 3"))
                    return;
                continue;
            }
            VertexList polygon;
            for (int k : {0, 1, 3, 2})
                polygon.push_back(corners[k]);
            DrawClippedFan(polygon, edges, "DrawPrimitive (Tri) 2");
        }
}

void D3DInterface::BltFloat(Image* image, float x, float y, const Rect& srcRect, const Rect& clip,
                            const Color& color, int drawMode)
{
    AffineTransform2D t;
    t.Translate(x, y);
    BltTransformed(image, t.mMatrix, srcRect, color, drawMode, true, clip);
}

void D3DInterface::BltMirrored(Image* image, float x, float y, const Rect& srcRect, const Rect& clip,
                               const Color& color, int drawMode)
{
    AffineTransform2D t;
    t.Translate(-float(srcRect.mWidth), 0);
    t.Scale(-1, 1);
    t.Translate(x, y);
    BltTransformed(image, t.mMatrix, srcRect, color, drawMode, false, clip);
}

void D3DInterface::StretchBlt(Image* image, const Rect& destRect, const Rect& srcRect, const Rect& clip,
                              const Color& color, int drawMode, bool fastStretch, bool mirror)
{
    if (srcRect.mWidth <= 0 || srcRect.mHeight <= 0)
        return;
    AffineTransform2D t;
    float sx = float(destRect.mWidth) / float(srcRect.mWidth);
    if (mirror)
    {
        t.Translate(-float(srcRect.mWidth), 0);
        sx = -sx;
    }
    t.Scale(sx, float(destRect.mHeight) / float(srcRect.mHeight));
    t.Translate(float(destRect.mX), float(destRect.mY));
    BltTransformed(image, t.mMatrix, srcRect, color, drawMode, !fastStretch, clip);
}

void D3DInterface::BltRotated(Image* image, float x, float y, const Rect& srcRect, const Rect& clip,
                              const Color& color, int drawMode, double angle, float centerX, float centerY)
{
    AffineTransform2D t;
    t.Translate(-centerX, -centerY);
    t.Rotate(float(angle));
    t.Translate(x + centerX, y + centerY);
    BltTransformed(image, t.mMatrix, srcRect, color, drawMode, true, clip);
}

void D3DInterface::DrawLine(double startX, double startY, double endX, double endY, const Color& color,
                            int drawMode)
{
    if (!PrepareShape(drawMode))
        return;
    D3DTLVERTEX line[2] = {Vertex(float(startX), float(startY), 0, 0, color.ToARGB()),
                           Vertex(float(endX), float(endY), 0, 0, color.ToARGB())};
    Draw(D3DPT_LINESTRIP, line, 2, "DrawPrimitive (Line)");
}

void D3DInterface::FillRect(const Rect& rect, const Color& color, int drawMode)
{
    if (rect.IsEmpty() || !PrepareShape(drawMode))
        return;
    float left = float(rect.mX) - 0.5f, top = float(rect.mY) - 0.5f;
    float right = left + float(rect.mWidth), bottom = top + float(rect.mHeight);
    D3DCOLOR c = color.ToARGB();
    D3DTLVERTEX quad[4] = {Vertex(left, top, 0, 0, c), Vertex(right, top, 0, 0, c),
                           Vertex(left, bottom, 0, 0, c), Vertex(right, bottom, 0, 0, c)};
    Draw(D3DPT_TRIANGLESTRIP, quad, 4, "DrawPrimitive (Rect)");
}

void D3DInterface::FillPoly(const void* points, int count, const Rect& clip, const Color& color, int drawMode)
{
    if (points == nullptr || count < 3 || !PrepareShape(drawMode))
        return;
    VertexList polygon;
    for (int i = 0; i < count; i++)
    {
        const Vector2& p = static_cast<const Vector2*>(points)[i];
        polygon.push_back(Vertex(p.x - 0.5f, p.y - 0.5f, 0, 0, color.ToARGB()));
    }
    DrawClippedFan(polygon, PixelEdges(clip), "DrawPrimitive (FillPoly)");
}

void D3DInterface::DrawTexturedTriangles(Image* image, const TriVertex (*vertices)[3], int count,
                                         const Rect& clip, const Color& color, int drawMode, float tx,
                                         float ty)
{
    if (count <= 0 || vertices == nullptr)
        return;
    const uint32_t tint = color.ToARGB();
    const FRect edges(clip.mX, clip.mY, clip.mWidth, clip.mHeight);
    if (image == nullptr)
    {
        // Untextured: the vertices' colours alone.
        if (!PrepareShape(drawMode))
            return;
        for (int i = 0; i < count; i++)
        {
            VertexList polygon;
            for (const TriVertex& v : vertices[i])
                polygon.push_back(Vertex(v.x + tx, v.y + ty, 0, 0, Modulate(v.color, tint)));
            DrawClippedFan(polygon, edges, "DrawPrimitive (Tri) 4");
        }
        return;
    }
    TextureData* data = PrepareImage(image, drawMode, false);
    if (data == nullptr)
        return;
    bool allInside = true;
    for (int i = 0; i < count && allInside; i++)
        for (const TriVertex& v : vertices[i])
            allInside = allInside && v.x + tx >= edges.mX && v.x + tx < edges.mX + edges.mWidth &&
                        v.y + ty >= edges.mY && v.y + ty < edges.mY + edges.mHeight;
    if (data->mPieces.size() == 1 && allInside)
    {
        // One piece: whole batches of triangles.
        if (!SetTexture(data->mPieces[0].mTexture, "SetTexture gTexture"))
            return;
        const float su = float(data->mWidth) / float(data->mPieces[0].mWidth);
        const float sv = float(data->mHeight) / float(data->mPieces[0].mHeight);
        D3DTLVERTEX batch[300];
        for (int first = 0; first < count; first += 100)
        {
            int n = std::min(100, count - first);
            for (int i = 0; i < n; i++)
                for (int k = 0; k < 3; k++)
                {
                    const TriVertex& v = vertices[first + i][k];
                    batch[i * 3 + k] =
                        Vertex(v.x + tx, v.y + ty, v.u * su, v.v * sv, Modulate(v.color, tint));
                }
            if (!Draw(D3DPT_TRIANGLELIST, batch, n * 3, "DrawPrimitive (TriList)"))
                return;
        }
        return;
    }
    const float width = float(data->mWidth), height = float(data->mHeight);
    const int pw = data->mPieceWidth, ph = data->mPieceHeight;
    for (int i = 0; i < count; i++)
    {
        const TriVertex* tri = vertices[i];
        float minU = width, maxU = 0, minV = height, maxV = 0;
        for (int k = 0; k < 3; k++)
        {
            minU = std::min(minU, tri[k].u * width);
            maxU = std::max(maxU, tri[k].u * width);
            minV = std::min(minV, tri[k].v * height);
            maxV = std::max(maxV, tri[k].v * height);
        }
        int column0 = std::clamp(int(std::floor(minU)) / pw, 0, data->mPiecesAcross - 1);
        int column1 = std::clamp(int(std::ceil(maxU)) / pw, 0, data->mPiecesAcross - 1);
        int row0 = std::clamp(int(std::floor(minV)) / ph, 0, data->mPiecesDown - 1);
        int row1 = std::clamp(int(std::ceil(maxV)) / ph, 0, data->mPiecesDown - 1);
        for (int row = row0; row <= row1; row++)
            for (int column = column0; column <= column1; column++)
            {
                const TextureDataPiece& piece = data->Piece(column, row);
                VertexList polygon;
                for (int k = 0; k < 3; k++)
                    polygon.push_back(Vertex(tri[k].x + tx, tri[k].y + ty,
                                             (tri[k].u * width - float(column * pw)) / float(piece.mWidth),
                                             (tri[k].v * height - float(row * ph)) / float(piece.mHeight),
                                             Modulate(tri[k].color, tint)));
                PolygonClipper::ClipPlaneB(polygon, 3, 0.0f);
                PolygonClipper::ClipPlaneA(polygon, 3, float(data->UsedWidth(column)) / float(piece.mWidth));
                PolygonClipper::ClipPlaneB(polygon, 4, 0.0f);
                PolygonClipper::ClipPlaneA(polygon, 4, float(data->UsedHeight(row)) / float(piece.mHeight));
                if (polygon.size() < 3 || !SetTexture(piece.mTexture, "SetTexture gTexture"))
                    continue;
                DrawClippedFan(polygon, edges, "DrawPrimitive (Tri) 4");
            }
    }
}

} // namespace Lumo
