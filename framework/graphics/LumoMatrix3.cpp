#include "graphics/LumoMatrix3.h"

#include <cmath>

namespace Lumo
{

void LumoMatrix3::SetIdentity()
{
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            m[i][j] = i == j ? 1.0f : 0.0f;
}

void LumoMatrix3::Multiply(const LumoMatrix3& a, const LumoMatrix3& b)
{
    float r[3][3];
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
        {
            float sum = 0;
            for (int k = 0; k < 3; k++)
                sum += b.m[i][k] * a.m[k][j];
            r[i][j] = sum;
        }
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            m[i][j] = r[i][j];
}

Vector2 LumoMatrix3::TransformPoint2D(const Vector2& p) const
{
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2], m[1][0] * p.x + m[1][1] * p.y + m[1][2]};
}

Vector3 LumoMatrix3::TransformVector3(const Vector3& v) const
{
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

void LumoMatrix3::Assign(const LumoMatrix3& other)
{
    *this = other;
}

void AffineTransform2D::Translate(float tx, float ty)
{
    LumoMatrix3 t;
    t.m[0][2] = tx;
    t.m[1][2] = ty;
    mMatrix.Multiply(mMatrix, t);
}

void AffineTransform2D::Rotate(float angle)
{
    LumoMatrix3 r;
    float c = std::cos(angle), s = std::sin(angle);
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    mMatrix.Multiply(mMatrix, r);
}

void AffineTransform2D::Scale(float sx, float sy)
{
    LumoMatrix3 s;
    s.m[0][0] = sx;
    s.m[1][1] = sy;
    mMatrix.Multiply(mMatrix, s);
}

} // namespace Lumo
