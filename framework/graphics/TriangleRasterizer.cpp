#include "graphics/TriangleRasterizer.h"

#include "graphics/Blend.h"
#include "graphics/MemoryImage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <type_traits>

namespace Lumo
{

namespace
{

struct ClipVertex
{
    float x, y, u, v;
    uint8_t argb[4]; // alpha, red, green, blue
};

// 16.16 fixed-point corner of a fan triangle; u and v in texels, colours per channel.
struct FixedVertex
{
    int32_t x, y, u, v;
    int32_t a, r, g, b;
};

struct TextureDesc
{
    PixelSource pixels;
    int32_t limitU = 0, limitV = 0;
    int shift = 0;
};

enum : int
{
    kBlending = 1,
    kTexture = 2,
    kVertexColors = 4,
    kTinted = 8
};

using SpanFiller = void (*)(const FixedVertex* const corners[3], const TextureDesc& texture, uint32_t* bits,
                            int pitch, uint32_t color, const Rect& clip);

uint32_t Modulate(uint32_t p, uint32_t m)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= (((p >> shift) & 0xFF) * ((m >> shift) & 0xFF) / 255) << shift;
    return out;
}

struct Plane
{
    double base, dx, dy;
    double At(double x, double y) const { return base + dx * x + dy * y; }
};

// Destination pixels of each form as ARGB words: 0 keeps alpha, 1 is opaque,
// 2 and 3 are the 16-bit 5-6-5 and 5-5-5 surfaces (read back with zero low bits).
template <int Form> struct DestPixel
{
    using Word = std::conditional_t<(Form < 2), uint32_t, uint16_t>;
    static constexpr int kGreenBits = Form == 2 ? 6 : 5;
    static constexpr int kRedShift = 5 + kGreenBits;

    static uint32_t Load(Word p)
    {
        if constexpr (Form < 2)
            return p;
        else
            return 0xFF000000 | (uint32_t(p >> kRedShift) & 31) << 19 |
                   (uint32_t(p >> 5) & ((1u << kGreenBits) - 1)) << (16 - kGreenBits) |
                   (uint32_t(p) & 31) << 3;
    }
    static Word Store(uint32_t argb)
    {
        if constexpr (Form == 0)
            return argb;
        else if constexpr (Form == 1)
            return argb | 0xFF000000;
        else
            return Word(((argb >> 19) & 31) << kRedShift |
                        ((argb >> (16 - kGreenBits)) & ((1u << kGreenBits) - 1)) << 5 | ((argb >> 3) & 31));
    }
};

// A fan triangle's corners sorted from top to bottom and its attributes as planes over the
// screen. Apart from the pixel loops so that each of their variants stays small to compile.
struct TriangleSetup
{
    double x[3], y[3];
    Plane pu, pv;
    Plane pc[4]; // alpha, red, green, blue

    double EdgeX(int a, int b, double row) const
    {
        return x[a] + (row - y[a]) * (x[b] - x[a]) / (y[b] - y[a]);
    }
};

// False for a triangle without area.
bool SetUpTriangle(const FixedVertex* const corners[3], TriangleSetup& t)
{
    const FixedVertex* v[3] = {corners[0], corners[1], corners[2]};
    std::sort(v, v + 3, [](const FixedVertex* a, const FixedVertex* b) { return a->y < b->y; });
    for (int i = 0; i < 3; i++)
    {
        t.x[i] = v[i]->x / 65536.0;
        t.y[i] = v[i]->y / 65536.0;
    }
    const double* x = t.x;
    const double* y = t.y;
    double det = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
    if (det == 0)
        return false;
    auto plane = [&](double a0, double a1, double a2)
    {
        double dx = ((a1 - a0) * (y[2] - y[0]) - (a2 - a0) * (y[1] - y[0])) / det;
        double dy = ((a2 - a0) * (x[1] - x[0]) - (a1 - a0) * (x[2] - x[0])) / det;
        return Plane{a0 - dx * x[0] - dy * y[0], dx, dy};
    };
    t.pu = plane(double(v[0]->u), double(v[1]->u), double(v[2]->u));
    t.pv = plane(double(v[0]->v), double(v[1]->v), double(v[2]->v));
    const int32_t FixedVertex::*channels[4] = {&FixedVertex::a, &FixedVertex::r, &FixedVertex::g,
                                               &FixedVertex::b};
    for (int k = 0; k < 4; k++)
        t.pc[k] =
            plane(v[0]->*channels[k] / 65536.0, v[1]->*channels[k] / 65536.0, v[2]->*channels[k] / 65536.0);
    return true;
}

// Fills the pixels whose integer sample point lies inside the triangle
// (top-left rule), row by row, with attributes interpolated over its plane.
template <int Flags, int Form>
void FillTriangle(const FixedVertex* const corners[3], const TextureDesc& texture, uint32_t* bits, int pitch,
                  uint32_t color, const Rect& clip)
{
    TriangleSetup t;
    if (!SetUpTriangle(corners, t))
        return;
    const double* y = t.y;
    int top = std::max(int(std::ceil(y[0])), clip.mY);
    int bottom = std::min(int(std::ceil(y[2])), clip.mY + clip.mHeight);
    for (int py = top; py < bottom; py++)
    {
        double longX = t.EdgeX(0, 2, py);
        double shortX = py < y[1] ? t.EdgeX(0, 1, py) : t.EdgeX(1, 2, py);
        if (py < y[1] && y[1] == y[0])
            continue;
        double left = std::min(longX, shortX), right = std::max(longX, shortX);
        int x1 = std::max(int(std::ceil(left)), clip.mX);
        int x2 = std::min(int(std::ceil(right)), clip.mX + clip.mWidth);
        using Dest = DestPixel<Form>;
        auto* row = reinterpret_cast<typename Dest::Word*>(reinterpret_cast<uint8_t*>(bits) +
                                                           size_t(py) * size_t(pitch));
        for (int px = x1; px < x2; px++)
        {
            uint32_t s = 0xFFFFFFFF;
            if constexpr ((Flags & kTexture) != 0)
            {
                int32_t u = int32_t(std::clamp(t.pu.At(px, py), 0.0, double(texture.limitU)));
                int32_t tv = int32_t(std::clamp(t.pv.At(px, py), 0.0, double(texture.limitV)));
                s = texture.pixels.At(u >> 16, tv >> 16);
            }
            if constexpr ((Flags & kVertexColors) != 0)
            {
                uint32_t m = 0;
                for (int k = 0; k < 4; k++)
                    m |= uint32_t(std::clamp(t.pc[k].At(px, py), 0.0, 255.0)) << (24 - 8 * k);
                s = Modulate(s, m);
            }
            if constexpr ((Flags & kTinted) != 0)
                s = Modulate(s, color);
            if constexpr ((Flags & kBlending) != 0)
                row[px] = Dest::Store(Blend::NormalPixel(Dest::Load(row[px]), s));
            else
                row[px] = Dest::Store(s);
        }
    }
}

// One filler per combination of the four flags and the four pixel forms.
template <size_t... I> constexpr std::array<SpanFiller, 64> MakeFillers(std::index_sequence<I...>)
{
    return {{&FillTriangle<int(I & 15), int(I >> 4)>...}};
}

constexpr std::array<SpanFiller, 64> kFillers = MakeFillers(std::make_index_sequence<64>{});

int FormIndex(int pixelForm)
{
    switch (pixelForm)
    {
    case PIXELFORM_8888:
        return 0;
    case PIXELFORM_888:
        return 1;
    case PIXELFORM_565:
        return 2;
    case PIXELFORM_555:
        return 3;
    default:
        return -1;
    }
}

// 16.16 fixed point, held inside the int range for coordinates far outside 0-1.
int32_t ToFixed(double value)
{
    double fixed = value * 65536.0;
    return fixed >= 2147483647.0 ? INT32_MAX : fixed <= -2147483648.0 ? INT32_MIN : int32_t(fixed);
}

ClipVertex Between(const ClipVertex& a, const ClipVertex& b, float t)
{
    ClipVertex r;
    r.x = a.x + (b.x - a.x) * t;
    r.y = a.y + (b.y - a.y) * t;
    r.u = a.u + (b.u - a.u) * t;
    r.v = a.v + (b.v - a.v) * t;
    for (int k = 0; k < 4; k++)
        r.argb[k] = uint8_t(int(a.argb[k] + (b.argb[k] - a.argb[k]) * t));
    return r;
}

// One Sutherland-Hodgman pass keeping the side where sign * (coord - edge) >= 0.
int ClipPass(const ClipVertex* in, int count, ClipVertex* out, bool useX, float edge, float sign)
{
    int n = 0;
    for (int i = 0; i < count; i++)
    {
        const ClipVertex& a = in[i];
        const ClipVertex& b = in[(i + 1) % count];
        float da = sign * ((useX ? a.x : a.y) - edge), db = sign * ((useX ? b.x : b.y) - edge);
        if (da >= 0)
            out[n++] = a;
        if ((da >= 0) != (db >= 0))
            out[n++] = Between(a, b, da / (da - db));
    }
    return n;
}

} // namespace

void DrawTriangleSoftware(const Color& color, const Rect& clip, const TriVertex* vertices, int count,
                          MemoryImage* texture, uint32_t* bits, int pitch, int pixelForm, bool blend,
                          bool vertexColors)
{
    if (count < 3 || clip.IsEmpty() || bits == nullptr)
        return;
    TextureDesc desc;
    bool blending = blend;
    if (texture != nullptr)
    {
        texture->CommitBits();
        blending = blending || texture->mHasAlpha || texture->mHasTrans;
        if (texture->mWidth <= 0 || texture->mHeight <= 0)
            return;
        desc.pixels = texture->GetPixelSource();
        if (!desc.pixels.HasPixels())
            return;
        desc.limitU = (texture->mWidth - 1) << 16;
        desc.limitV = (texture->mHeight - 1) << 16;
        desc.shift = 16 - std::bit_width(unsigned(texture->mWidth)) + 1;
    }
    if (FormIndex(pixelForm) < 0)
        return;
    // The caller's blend is among `blending`'s reasons.
    int index = FormIndex(pixelForm) << 4;
    index |= blending ? kBlending : 0;
    index |= texture != nullptr ? kTexture : 0;
    index |= vertexColors ? kVertexColors : 0;
    index |= color.IsWhite() ? 0 : kTinted;
    SpanFiller filler = kFillers[size_t(index)];
    uint32_t argb = color.ToARGB();
    float tw = texture != nullptr ? float(texture->mWidth) : 1.0f;
    float th = texture != nullptr ? float(texture->mHeight) : 1.0f;

    for (int i = 3; i <= count; i++)
    {
        const TriVertex* t[3] = {&vertices[i - 3], &vertices[i - 2], &vertices[i - 1]};
        if ((i - 3) % 2 == 1)
            std::swap(t[1], t[2]);
        ClipVertex a[16], b[16];
        for (int k = 0; k < 3; k++)
        {
            a[k] = {t[k]->x, t[k]->y, t[k]->u, t[k]->v, {}};
            for (int c = 0; c < 4; c++)
                a[k].argb[c] = uint8_t(t[k]->color >> (24 - 8 * c));
        }
        // Cut at the clip's far edges, not at its last pixels: a pixel is filled when its sample point
        // lies inside, right and bottom edges excluded, so an edge on the last pixel would lose it.
        int n = ClipPass(a, 3, b, true, float(clip.mX), 1.0f);
        if (n >= 3)
            n = ClipPass(b, n, a, true, float(clip.mX + clip.mWidth), -1.0f);
        if (n >= 3)
            n = ClipPass(a, n, b, false, float(clip.mY), 1.0f);
        if (n >= 3)
            n = ClipPass(b, n, a, false, float(clip.mY + clip.mHeight), -1.0f);
        if (n < 3)
            continue;
        FixedVertex fixed[16];
        for (int k = 0; k < n; k++)
        {
            FixedVertex& f = fixed[k];
            f.x = int32_t(a[k].x * 65536.0f);
            f.y = int32_t(a[k].y * 65536.0f);
            f.u = ToFixed(double(a[k].u) * tw);
            f.v = ToFixed(double(a[k].v) * th);
            f.a = a[k].argb[0] << 16;
            f.r = a[k].argb[1] << 16;
            f.g = a[k].argb[2] << 16;
            f.b = a[k].argb[3] << 16;
        }
        for (int k = 1; k + 1 < n; k++)
        {
            const FixedVertex* corners[3] = {&fixed[0], &fixed[k], &fixed[k + 1]};
            filler(corners, desc, bits, pitch, argb, clip);
        }
    }
}

} // namespace Lumo
