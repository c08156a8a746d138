#pragma once

namespace Lumo
{

struct Vector2
{
    float x = 0, y = 0;
};

struct Vector3
{
    float x = 0, y = 0, z = 0;
};

// 3 x 3 float matrix, row-major; points are column vectors.
class LumoMatrix3
{
public:
    float m[3][3];

    LumoMatrix3() { SetIdentity(); }
    void SetIdentity();
    // this = b * a (a applied first).
    void Multiply(const LumoMatrix3& a, const LumoMatrix3& b);
    Vector2 TransformPoint2D(const Vector2& p) const;
    Vector3 TransformVector3(const Vector3& v) const;
    void Assign(const LumoMatrix3& other);
};

// Builds a transform step by step; each step applies after those already in it.
class AffineTransform2D
{
public:
    LumoMatrix3 mMatrix;

    void Translate(float tx, float ty);
    void Rotate(float angle);
    void Scale(float sx, float sy);
};

// A triangle corner: destination position, texture coordinates in 0-1 and an ARGB colour.
struct TriVertex
{
    float x = 0, y = 0;
    float u = 0, v = 0;
    unsigned int color = 0xFFFFFFFF;
};

} // namespace Lumo
