// A floating-point RGBA canvas with anti-aliased shapes, enough to draw the
// game's pictures from code. Colours are straight (not premultiplied), 0..1.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace AssetGen
{

struct RGBA
{
    float r = 0, g = 0, b = 0, a = 1;
};

// 0xRRGGBB with an optional alpha.
RGBA Hex(uint32_t rgb, float alpha = 1.0f);
RGBA Mix(const RGBA& x, const RGBA& y, float t);
RGBA Shade(const RGBA& c, float factor); // factor < 1 darkens, > 1 lightens towards white

struct Point
{
    float x, y;
};

// Maps canvas coordinates into a shape's own frame: rotation about a centre,
// then a translation. Shapes are described in their own frame.
struct Frame
{
    float cx = 0, cy = 0; // where the frame's origin sits on the canvas
    float angle = 0;      // radians, clockwise on screen
    float scale = 1;
    Point ToLocal(float x, float y) const;
    Point ToCanvas(float x, float y) const;
};

using Inside = std::function<bool(float x, float y)>; // in the frame's coordinates
using Paint = std::function<RGBA(float x, float y)>;  // canvas coordinates

class Canvas
{
public:
    Canvas(int width, int height);
    int Width() const { return mWidth; }
    int Height() const { return mHeight; }
    RGBA& At(int x, int y) { return mPixels[size_t(y) * mWidth + x]; }
    const RGBA& At(int x, int y) const { return mPixels[size_t(y) * mWidth + x]; }

    void Clear(const RGBA& c);
    // Composites `paint` over every pixel the shape covers; the coverage is
    // measured with 4x4 samples, so edges are smooth.
    void Fill(const Frame& frame, const Inside& inside, const Paint& paint, float radius);
    void Fill(const Frame& frame, const Inside& inside, const RGBA& colour, float radius);
    void Blend(int x, int y, const RGBA& c, float coverage);
    // Draws `src` with its top-left at (x, y).
    void Draw(const Canvas& src, int x, int y);
    Canvas Crop(int x, int y, int w, int h) const;

    // 0xAARRGGBB words, rows top-down.
    std::vector<uint32_t> Pixels() const;

private:
    int mWidth, mHeight;
    std::vector<RGBA> mPixels;
};

// Bilinear resampling to a new size.
Canvas Stretch(const Canvas& src, int w, int h);

// Shape helpers (frame coordinates).
Inside Ellipse(float cx, float cy, float rx, float ry);
Inside Circle(float cx, float cy, float r);
Inside Box(float x, float y, float w, float h);
Inside RoundBox(float x, float y, float w, float h, float r);
Inside Polygon(std::vector<Point> points);
Inside Segment(float x0, float y0, float x1, float y1, float halfWidth);
Inside Ring(float cx, float cy, float r0, float r1);
Inside Minus(Inside a, Inside b);
Inside Both(Inside a, Inside b);

// Convenience drawing with an identity frame.
void FillEllipse(Canvas& c, float cx, float cy, float rx, float ry, const RGBA& colour);
void FillCircle(Canvas& c, float cx, float cy, float r, const RGBA& colour);
void FillBox(Canvas& c, float x, float y, float w, float h, const RGBA& colour);
void FillRoundBox(Canvas& c, float x, float y, float w, float h, float r, const RGBA& colour);
void FillPolygon(Canvas& c, std::vector<Point> points, const RGBA& colour);
void Line(Canvas& c, float x0, float y0, float x1, float y1, float width, const RGBA& colour);
void FillRing(Canvas& c, float cx, float cy, float r0, float r1, const RGBA& colour);

// Deterministic value noise in 0..1 (smooth, period free).
float Noise(float x, float y, uint32_t seed);
float Hash01(uint32_t a, uint32_t b, uint32_t seed);

// A small deterministic generator (xorshift) for scattering details.
class Rng
{
public:
    explicit Rng(uint32_t seed) : mState(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next();
    float Unit() { return (Next() >> 8) * (1.0f / 16777216.0f); }
    float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }

private:
    uint32_t mState;
};

} // namespace AssetGen
