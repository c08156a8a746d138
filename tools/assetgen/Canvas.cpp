#include "tools/assetgen/Canvas.h"

#include <algorithm>
#include <cmath>

namespace AssetGen
{

RGBA Hex(uint32_t rgb, float alpha)
{
    return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, alpha};
}

RGBA Mix(const RGBA& x, const RGBA& y, float t)
{
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

RGBA Shade(const RGBA& c, float factor)
{
    if (factor <= 1.0f)
        return {c.r * factor, c.g * factor, c.b * factor, c.a};
    float t = std::min(1.0f, factor - 1.0f);
    return {c.r + (1 - c.r) * t, c.g + (1 - c.g) * t, c.b + (1 - c.b) * t, c.a};
}

Point Frame::ToLocal(float x, float y) const
{
    float dx = x - cx, dy = y - cy;
    float c = std::cos(angle), s = std::sin(angle);
    return {(dx * c + dy * s) / scale, (-dx * s + dy * c) / scale};
}

Point Frame::ToCanvas(float x, float y) const
{
    float c = std::cos(angle), s = std::sin(angle);
    x *= scale;
    y *= scale;
    return {cx + x * c - y * s, cy + x * s + y * c};
}

Canvas::Canvas(int width, int height)
    : mWidth(width), mHeight(height), mPixels(size_t(width) * height, RGBA{0, 0, 0, 0})
{
}

void Canvas::Clear(const RGBA& c)
{
    std::fill(mPixels.begin(), mPixels.end(), c);
}

void Canvas::Blend(int x, int y, const RGBA& c, float coverage)
{
    if (x < 0 || y < 0 || x >= mWidth || y >= mHeight)
        return;
    float sa = std::clamp(c.a * coverage, 0.0f, 1.0f);
    if (sa <= 0)
        return;
    RGBA& d = At(x, y);
    float oa = sa + d.a * (1 - sa);
    if (oa <= 0)
    {
        d = {0, 0, 0, 0};
        return;
    }
    d.r = (c.r * sa + d.r * d.a * (1 - sa)) / oa;
    d.g = (c.g * sa + d.g * d.a * (1 - sa)) / oa;
    d.b = (c.b * sa + d.b * d.a * (1 - sa)) / oa;
    d.a = oa;
}

void Canvas::Fill(const Frame& frame, const Inside& inside, const Paint& paint, float radius)
{
    // Bounding box on the canvas of the circle of `radius` around the frame origin.
    float r = radius * frame.scale + 1;
    int x0 = std::max(0, int(std::floor(frame.cx - r)));
    int y0 = std::max(0, int(std::floor(frame.cy - r)));
    int x1 = std::min(mWidth - 1, int(std::ceil(frame.cx + r)));
    int y1 = std::min(mHeight - 1, int(std::ceil(frame.cy + r)));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
        {
            int hits = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx)
                {
                    Point p = frame.ToLocal(x + (sx + 0.5f) / 4.0f, y + (sy + 0.5f) / 4.0f);
                    if (inside(p.x, p.y))
                        ++hits;
                }
            if (hits)
                Blend(x, y, paint(x + 0.5f, y + 0.5f), hits / 16.0f);
        }
}

void Canvas::Fill(const Frame& frame, const Inside& inside, const RGBA& colour, float radius)
{
    Fill(
        frame, inside, [colour](float, float) { return colour; }, radius);
}

void Canvas::Draw(const Canvas& src, int x, int y)
{
    for (int j = 0; j < src.mHeight; ++j)
        for (int i = 0; i < src.mWidth; ++i)
            Blend(x + i, y + j, src.At(i, j), 1.0f);
}

Canvas Canvas::Crop(int x, int y, int w, int h) const
{
    Canvas out(w, h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            out.At(i, j) = At(x + i, y + j);
    return out;
}

std::vector<uint32_t> Canvas::Pixels() const
{
    std::vector<uint32_t> out(mPixels.size());
    auto q = [](float v) { return uint32_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    for (size_t i = 0; i < mPixels.size(); ++i)
    {
        const RGBA& p = mPixels[i];
        uint32_t a = q(p.a);
        out[i] = a == 0 ? 0 : (a << 24) | (q(p.r) << 16) | (q(p.g) << 8) | q(p.b);
    }
    return out;
}

Canvas Stretch(const Canvas& src, int w, int h)
{
    Canvas out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float sx = (x + 0.5f) * src.Width() / w - 0.5f, sy = (y + 0.5f) * src.Height() / h - 0.5f;
            int x0 = std::clamp(int(std::floor(sx)), 0, src.Width() - 1);
            int y0 = std::clamp(int(std::floor(sy)), 0, src.Height() - 1);
            int x1 = std::min(x0 + 1, src.Width() - 1), y1 = std::min(y0 + 1, src.Height() - 1);
            float tx = std::clamp(sx - x0, 0.0f, 1.0f), ty = std::clamp(sy - y0, 0.0f, 1.0f);
            // Weighted by alpha so transparent neighbours do not darken edges.
            RGBA acc{0, 0, 0, 0};
            float wsum = 0;
            const std::pair<int, int> taps[4] = {{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}};
            const float weights[4] = {(1 - tx) * (1 - ty), tx * (1 - ty), (1 - tx) * ty, tx * ty};
            for (int k = 0; k < 4; ++k)
            {
                const RGBA& p = src.At(taps[k].first, taps[k].second);
                float wgt = weights[k] * p.a;
                acc.r += p.r * wgt;
                acc.g += p.g * wgt;
                acc.b += p.b * wgt;
                acc.a += weights[k] * p.a;
                wsum += wgt;
            }
            if (wsum > 0)
            {
                acc.r /= wsum;
                acc.g /= wsum;
                acc.b /= wsum;
            }
            out.At(x, y) = acc;
        }
    return out;
}

Inside Ellipse(float cx, float cy, float rx, float ry)
{
    return [=](float x, float y)
    {
        float dx = (x - cx) / rx, dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1.0f;
    };
}

Inside Circle(float cx, float cy, float r)
{
    return Ellipse(cx, cy, r, r);
}

Inside Box(float x, float y, float w, float h)
{
    return [=](float px, float py) { return px >= x && px < x + w && py >= y && py < y + h; };
}

Inside RoundBox(float x, float y, float w, float h, float r)
{
    return [=](float px, float py)
    {
        if (px < x || px >= x + w || py < y || py >= y + h)
            return false;
        float qx = std::max({x + r - px, px - (x + w - r), 0.0f});
        float qy = std::max({y + r - py, py - (y + h - r), 0.0f});
        return qx * qx + qy * qy <= r * r;
    };
}

Inside Polygon(std::vector<Point> pts)
{
    return [pts = std::move(pts)](float x, float y)
    {
        bool in = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++)
        {
            const Point& a = pts[i];
            const Point& b = pts[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
                in = !in;
        }
        return in;
    };
}

Inside Segment(float x0, float y0, float x1, float y1, float hw)
{
    return [=](float x, float y)
    {
        float dx = x1 - x0, dy = y1 - y0;
        float len2 = dx * dx + dy * dy;
        float t = len2 > 0 ? std::clamp(((x - x0) * dx + (y - y0) * dy) / len2, 0.0f, 1.0f) : 0.0f;
        float ex = x0 + t * dx - x, ey = y0 + t * dy - y;
        return ex * ex + ey * ey <= hw * hw;
    };
}

Inside Ring(float cx, float cy, float r0, float r1)
{
    return [=](float x, float y)
    {
        float d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d2 >= r0 * r0 && d2 <= r1 * r1;
    };
}

Inside Minus(Inside a, Inside b)
{
    return [a, b](float x, float y) { return a(x, y) && !b(x, y); };
}

Inside Both(Inside a, Inside b)
{
    return [a, b](float x, float y) { return a(x, y) && b(x, y); };
}

namespace
{
// Shapes drawn without a frame, limited to their bounding box.
void FillPlain(Canvas& c, const Inside& inside, const RGBA& colour, float x0, float y0, float x1, float y1)
{
    Frame f;
    f.cx = (x0 + x1) / 2;
    f.cy = (y0 + y1) / 2;
    Inside shifted = [inside, f](float x, float y) { return inside(x + f.cx, y + f.cy); };
    c.Fill(f, shifted, colour, std::hypot(x1 - x0, y1 - y0) / 2 + 1);
}
} // namespace

void FillEllipse(Canvas& c, float cx, float cy, float rx, float ry, const RGBA& colour)
{
    FillPlain(c, Ellipse(cx, cy, rx, ry), colour, cx - rx, cy - ry, cx + rx, cy + ry);
}
void FillCircle(Canvas& c, float cx, float cy, float r, const RGBA& colour)
{
    FillEllipse(c, cx, cy, r, r, colour);
}
void FillBox(Canvas& c, float x, float y, float w, float h, const RGBA& colour)
{
    FillPlain(c, Box(x, y, w, h), colour, x, y, x + w, y + h);
}
void FillRoundBox(Canvas& c, float x, float y, float w, float h, float r, const RGBA& colour)
{
    FillPlain(c, RoundBox(x, y, w, h, r), colour, x, y, x + w, y + h);
}
void FillPolygon(Canvas& c, std::vector<Point> points, const RGBA& colour)
{
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (const Point& p : points)
    {
        x0 = std::min(x0, p.x);
        y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x);
        y1 = std::max(y1, p.y);
    }
    FillPlain(c, Polygon(std::move(points)), colour, x0, y0, x1, y1);
}
void Line(Canvas& c, float x0, float y0, float x1, float y1, float width, const RGBA& colour)
{
    float h = width / 2;
    FillPlain(c, Segment(x0, y0, x1, y1, h), colour, std::min(x0, x1) - h, std::min(y0, y1) - h,
              std::max(x0, x1) + h, std::max(y0, y1) + h);
}
void FillRing(Canvas& c, float cx, float cy, float r0, float r1, const RGBA& colour)
{
    FillPlain(c, Ring(cx, cy, r0, r1), colour, cx - r1, cy - r1, cx + r1, cy + r1);
}

float Hash01(uint32_t a, uint32_t b, uint32_t seed)
{
    uint32_t h = a * 0x8DA6B343u ^ b * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 13;
    h *= 0x5BD1E995u;
    h ^= h >> 15;
    return (h & 0xFFFFFF) / 16777215.0f;
}

float Noise(float x, float y, uint32_t seed)
{
    float fx = std::floor(x), fy = std::floor(y);
    int ix = int(fx), iy = int(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto h = [&](int i, int j) { return Hash01(uint32_t(ix + i), uint32_t(iy + j), seed); };
    float a = h(0, 0) + (h(1, 0) - h(0, 0)) * tx;
    float b = h(0, 1) + (h(1, 1) - h(0, 1)) * tx;
    return a + (b - a) * ty;
}

uint32_t Rng::Next()
{
    mState ^= mState << 13;
    mState ^= mState >> 17;
    mState ^= mState << 5;
    return mState;
}

} // namespace AssetGen
