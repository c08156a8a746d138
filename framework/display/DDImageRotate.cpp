// The rotated copy onto a locked surface: bilinear samples whose 2 x 2
// neighbourhood stays inside the source rectangle, in 16.16 fixed point.
#include "display/D3DInterface.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "display/SurfaceTarget.h"

#include <algorithm>
#include <cmath>

namespace Lumo
{

namespace
{
// Whether a 16.16 source coordinate moving by `step` per pixel may be sampled
// with its right or lower neighbour, `size` pixels across.
bool Sampleable(int64_t c, int64_t step, int64_t size)
{
    if (step > 0)
        return c >= 0x10000 && c <= size * 0x10000 - 0x17FFF;
    if (step < 0)
        return c > 0x7FFF && c <= size * 0x10000 - 0x27FFF;
    return c >= 0 && c < (size - 1) * 0x10000;
}
} // namespace

void DDImage::BltRotated(Image* src, float x, float y, const Rect& srcRect, const Rect& clip,
                         const Color& color, int drawMode, double angle, float centerX, float centerY)
{
    if (IsScreen())
    {
        Renderer()->BltRotated(src, x, y, srcRect, clip, color, drawMode, angle, centerX, centerY);
        return;
    }
    if (mNoSoftwareDraw)
        return;
    CommitBits();
    auto* source = MemoryImageOf(src);
    if (source == nullptr)
        return;
    if (!SurfaceRoadAllowed() || mDDInterface->mIs3D || GetSurface() == nullptr)
    {
        MemoryImage::BltRotated(src, x, y, srcRect, clip, color, drawMode, angle, centerX, centerY);
        return;
    }
    RotatedCopy(source, x, y, srcRect, clip, color, drawMode, angle, centerX, centerY);
    SurfaceDrawn();
}

void DDImage::RotatedCopy(MemoryImage* src, float x, float y, const Rect& srcRect, const Rect& clip,
                          const Color& color, int drawMode, double angle, float centerX, float centerY)
{
    if (drawMode != DRAWMODE_NORMAL && drawMode != DRAWMODE_ADDITIVE)
        return;
    if (srcRect.Intersection(Rect(0, 0, src->mWidth, src->mHeight)) != srcRect || srcRect.mWidth < 2 ||
        srcRect.mHeight < 2)
        return;
    FRect bounds;
    if (!ComputeRotatedBounds(bounds, x, y, srcRect, clip.Intersection(Rect(0, 0, mWidth, mHeight)), angle,
                              centerX, centerY) ||
        !LockSurface())
        return;
    Surface::Target t(mLockedSurfaceDesc, *mDDInterface);
    src->CommitBits();
    PixelSource pixels = src->GetPixelSource();
    int x1 = std::max(int(std::floor(bounds.mX)), 0),
        x2 = std::min(int(std::ceil(bounds.mX + bounds.mWidth)), t.mWidth);
    int y1 = std::max(int(std::floor(bounds.mY)), 0),
        y2 = std::min(int(std::ceil(bounds.mY + bounds.mHeight)), t.mHeight);
    double c = std::cos(angle), s = std::sin(angle);
    int64_t du = int64_t(c * 65536.0), dv = int64_t(s * 65536.0);
    bool white = color.IsWhite();
    uint32_t tint[3];
    Surface::Channels(color, tint);
    uint32_t colorAlpha = white ? 256 : uint32_t(color.mAlpha);
    bool additive = drawMode == DRAWMODE_ADDITIVE;

    auto draw = [&]<typename P>()
    {
        for (int py = y1; py < y2; py++)
        {
            double rx = x1 + 0.5 - (double(x) + centerX), ry = py + 0.5 - (double(y) + centerY);
            int64_t u0 = int64_t((c * rx - s * ry + centerX - 0.5) * 65536.0);
            int64_t v0 = int64_t((s * rx + c * ry + centerY - 0.5) * 65536.0);
            P* row = t.Row<P>(py);
            for (int px = x1; px < x2; px++)
            {
                int64_t u = u0 + (px - x1) * du, v = v0 + (px - x1) * dv;
                if (!Sampleable(u, du, srcRect.mWidth) || !Sampleable(v, dv, srcRect.mHeight))
                    continue;
                int sx = srcRect.mX + int(u >> 16), sy = srcRect.mY + int(v >> 16);
                uint64_t fx = (uint64_t(u) & 0xFFFE) + 1, fy = (uint64_t(v) & 0xFFFE) + 1;
                uint32_t corner[4] = {pixels.At(sx, sy), pixels.At(sx + 1, sy), pixels.At(sx, sy + 1),
                                      pixels.At(sx + 1, sy + 1)};
                uint64_t area[4] = {((0x10000 - fx) * (0x10000 - fy)) >> 16, (fx * (0x10000 - fy)) >> 16,
                                    ((0x10000 - fx) * fy) >> 16, (fx * fy) >> 16};
                uint32_t weight[4], total = 0;
                for (int k = 0; k < 4; k++)
                {
                    weight[k] = uint32_t((((area[k] * (corner[k] >> 24)) >> 16) * colorAlpha) >> 8);
                    total += weight[k];
                }
                uint32_t keep = 256 - std::min(total, 256u);
                uint32_t d = row[px], out = 0;
                for (int ch = 0; ch < 3; ch++)
                {
                    int byte = 16 - 8 * ch;
                    uint32_t sum = 0;
                    for (int k = 0; k < 4; k++)
                        sum += ((corner[k] >> byte) & 0xFF) * weight[k];
                    uint32_t value = sum >> 8;
                    if (!white)
                        value = (value * (tint[ch] + 1)) >> 8;
                    value >>= 8 - t.mBits[ch];
                    uint32_t m = t.mMask[ch], under = (d & m) >> t.mShift[ch];
                    uint32_t max = m >> t.mShift[ch];
                    if (additive)
                        value = uint32_t(t.mAdd[ch][under + value]);
                    else
                        value = std::min(value + ((((d & m) * uint64_t(keep)) >> 8 & m) >> t.mShift[ch]),
                                         uint64_t(max));
                    out |= value << t.mShift[ch];
                }
                row[px] = P(out);
            }
        }
    };
    if (t.mDepth == 16)
        draw.template operator()<uint16_t>();
    else if (t.mDepth == 32)
        draw.template operator()<uint32_t>();
    UnlockSurface();
}

} // namespace Lumo
