#include "graphics/MemoryImage.h"
#include "graphics/TriangleRasterizer.h"

namespace Lumo
{

void MemoryImage::BltMatrix(Image* src, float x, float y, const LumoMatrix3& matrix, const Rect& clip,
                            const Color& color, int drawMode, const Rect& srcRect, bool blend)
{
    auto* source = MemoryImageOf(src);
    if (source == nullptr)
        return;
    std::unique_ptr<MemoryImage> copy;
    BltMatrixHelper(Apart(source, copy), x, y, matrix, clip, color, drawMode, srcRect, blend);
    BitsChanged();
}

void MemoryImage::DrawTexturedTriangles(Image* texture, const TriVertex (*vertices)[3], int count,
                                        const Rect& clip, const Color& color, int drawMode, float tx,
                                        float ty, bool blend)
{
    auto* source = MemoryImageOf(texture);
    if (texture != nullptr && source == nullptr)
        return;
    std::unique_ptr<MemoryImage> copy;
    BltTrianglesTexHelper(Apart(source, copy), vertices, count, clip, color, drawMode, tx, ty, blend);
    BitsChanged();
}

void MemoryImage::BltMatrixHelper(MemoryImage* src, float x, float y, const LumoMatrix3& matrix,
                                  const Rect& clip, const Color& color, int drawMode, const Rect& srcRect,
                                  bool blend)
{
    BltMatrixHelper(src, x, y, matrix, clip, color, drawMode, srcRect, blend, GetBits(), mWidth * 4,
                    DestPixelForm());
}

void MemoryImage::BltMatrixHelper(MemoryImage* src, float x, float y, const LumoMatrix3& matrix,
                                  const Rect& clip, const Color& color, int drawMode, const Rect& srcRect,
                                  bool blend, uint32_t* bits, int pitch, int pixelForm)
{
    if (src->mWidth <= 0 || src->mHeight <= 0)
        return;
    float w = float(srcRect.mWidth), h = float(srcRect.mHeight);
    float tw = float(src->mWidth), th = float(src->mHeight);
    float u1 = float(srcRect.mX) / tw, u2 = float(srcRect.mX + srcRect.mWidth) / tw;
    float v1 = float(srcRect.mY) / th, v2 = float(srcRect.mY + srcRect.mHeight) / th;
    const float corners[4][4] = {
        {-w / 2, -h / 2, u1, v1}, {w / 2, -h / 2, u2, v1}, {-w / 2, h / 2, u1, v2}, {w / 2, h / 2, u2, v2}};
    TriVertex strip[4];
    for (int i = 0; i < 4; i++)
    {
        Vector3 p = matrix.TransformVector3({corners[i][0], corners[i][1], 1.0f});
        strip[i] = {p.x + (x - 0.5f), p.y + (y - 0.5f), corners[i][2], corners[i][3], 0xFFFFFFFF};
    }
    DrawTriangleSoftware(color, clip.Intersection(Rect(0, 0, mWidth, mHeight)), strip, 4, src, bits, pitch,
                         pixelForm, blend, false);
}

void MemoryImage::BltTrianglesTexHelper(MemoryImage* texture, const TriVertex (*vertices)[3], int count,
                                        const Rect& clip, const Color& color, int drawMode, float tx,
                                        float ty, bool blend)
{
    BltTrianglesTexHelper(texture, vertices, count, clip, color, drawMode, tx, ty, blend, GetBits(),
                          mWidth * 4, DestPixelForm());
}

void MemoryImage::BltTrianglesTexHelper(MemoryImage* texture, const TriVertex (*vertices)[3], int count,
                                        const Rect& clip, const Color& color, int drawMode, float tx,
                                        float ty, bool blend, uint32_t* bits, int pitch, int pixelForm)
{
    Rect inside = clip.Intersection(Rect(0, 0, mWidth, mHeight));
    for (int i = 0; i < count; i++)
    {
        TriVertex moved[3];
        for (int k = 0; k < 3; k++)
        {
            moved[k] = vertices[i][k];
            moved[k].x += tx;
            moved[k].y += ty;
        }
        DrawTriangleSoftware(color, inside, moved, 3, texture, bits, pitch, pixelForm, blend, true);
    }
}

} // namespace Lumo
