// Software drawing of memory images side by side with SDL2's software blitter
// and pixman doing the same job on ARGB8888 pictures (pixman's premultiplied
// outside the timed loop), and with a plain copy of the same bytes.
#include "PeerTable.h"
#include "PixmanPeer.h"
#include "graphics/Graphics.h"
#include "graphics/MemoryImage.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

using namespace Lumo;

namespace
{

enum class Sprite
{
    Opaque,  // every pixel alpha 255
    Glyph,   // text-like: mostly transparent with opaque strokes and soft edges
    Partial, // a soft sprite: transparent border, partial-alpha ramp, opaque core
    Solid    // one colour at half alpha (blended fills)
};

uint32_t SpritePixel(Sprite kind, int x, int y, int w, int h)
{
    uint32_t rgb =
        (uint32_t(x * 7 + y * 3) & 0xFF) << 16 | (uint32_t(x * 5) & 0xFF) << 8 | (uint32_t(y * 11) & 0xFF);
    switch (kind)
    {
    case Sprite::Opaque:
        return 0xFF000000 | rgb;
    case Sprite::Glyph:
    {
        int m = (x / 3 + y / 4) % 5;
        uint32_t a = m == 0 ? 255 : m == 1 ? 128 : 0;
        return a << 24 | 0xFFFFFF;
    }
    case Sprite::Partial:
    {
        int edge = std::min(std::min(x, y), std::min(w - 1 - x, h - 1 - y));
        uint32_t a = edge < 2 ? 0 : edge < 10 ? uint32_t(edge * 25) : 255;
        return a << 24 | rgb;
    }
    case Sprite::Solid:
        return 0x80FF8040;
    }
    return 0;
}

std::vector<uint32_t> SpritePixels(Sprite kind, int w, int h)
{
    std::vector<uint32_t> p(size_t(w * h));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            p[size_t(y * w + x)] = SpritePixel(kind, x, y, w, h);
    return p;
}

std::unique_ptr<MemoryImage> OurImage(Sprite kind, int w, int h)
{
    auto image = std::make_unique<MemoryImage>();
    std::vector<uint32_t> p = SpritePixels(kind, w, h);
    image->SetBits(p.data(), w, h, true);
    return image;
}

// The screen: opaque, or a picture with transparent pixels (alphas of every value, few of
// them 255).
std::vector<uint32_t> ScreenPixels(int w, int h, bool seeThrough)
{
    std::vector<uint32_t> p(size_t(w * h));
    for (int i = 0; i < w * h; i++)
    {
        uint32_t mixed = uint32_t(i) * 2654435761u;
        p[size_t(i)] = (seeThrough ? mixed << 8 & 0xFF000000 : 0xFF000000) | mixed >> 8;
    }
    return p;
}

// Flags committed.
std::unique_ptr<MemoryImage> OurScreen(int w, int h, bool seeThrough = false)
{
    auto image = std::make_unique<MemoryImage>();
    image->SetBits(ScreenPixels(w, h, seeThrough).data(), w, h, true);
    return image;
}

struct SdlSurface
{
    SDL_Surface* s;
    SdlSurface(const std::vector<uint32_t>& pixels, int w, int h)
    {
        s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        for (int y = 0; y < h; y++)
            std::memcpy(static_cast<uint8_t*>(s->pixels) + y * s->pitch, pixels.data() + y * w,
                        size_t(w) * 4);
    }
    SdlSurface(const SdlSurface&) = delete;
    ~SdlSurface() { SDL_FreeSurface(s); }
};

SdlSurface SdlScreen(int w, int h, bool seeThrough = false)
{
    return SdlSurface(ScreenPixels(w, h, seeThrough), w, h);
}

int W(const benchmark::State& state)
{
    return int(state.range(0));
}
int H(const benchmark::State& state)
{
    return int(state.range(1));
}

void Pixels(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * W(state) * H(state));
}

// --- ours ---

void Ours_FillOpaque(benchmark::State& state)
{
    auto screen = OurScreen(W(state), H(state));
    Rect r(0, 0, W(state), H(state));
    for (auto _ : state)
        screen->FillRect(r, Color(10, 200, 30), 0);
    Pixels(state);
}

void OursFillBlended(benchmark::State& state, bool seeThrough)
{
    auto screen = OurScreen(W(state), H(state), seeThrough);
    Rect r(0, 0, W(state), H(state));
    for (auto _ : state)
        screen->FillRect(r, Color(255, 128, 64, 128), 0);
    Pixels(state);
}
void Ours_FillBlended(benchmark::State& state)
{
    OursFillBlended(state, false);
}
void Ours_FillBlendedOverAlpha(benchmark::State& state)
{
    OursFillBlended(state, true);
}

void OursBlt(benchmark::State& state, Sprite kind, const Color& color, int mode, bool seeThrough = false)
{
    auto screen = OurScreen(W(state), H(state), seeThrough);
    auto sprite = OurImage(kind, W(state), H(state));
    Rect r(0, 0, W(state), H(state));
    for (auto _ : state)
    {
        screen->Blt(sprite.get(), 0, 0, r, color, mode);
        // The screen keeps what it shows (opaque or not); keep its flags as committed.
        screen->mBitsChanged = false;
    }
    Pixels(state);
}

void Ours_BltOpaque(benchmark::State& state)
{
    OursBlt(state, Sprite::Opaque, Color::White, 0);
}
void Ours_BltTinted(benchmark::State& state)
{
    OursBlt(state, Sprite::Glyph, Color(255, 200, 100), 0);
}
void Ours_BltPartial(benchmark::State& state)
{
    OursBlt(state, Sprite::Partial, Color::White, 0);
}
void Ours_BltPartialOverAlpha(benchmark::State& state)
{
    OursBlt(state, Sprite::Partial, Color::White, 0, true);
}
void Ours_Additive(benchmark::State& state)
{
    OursBlt(state, Sprite::Partial, Color::White, 1);
}

void OursStretch(benchmark::State& state, bool fast)
{
    int w = W(state), h = H(state);
    auto screen = OurScreen(w, h);
    auto sprite = OurImage(Sprite::Partial, w * 2 / 3, h * 2 / 3);
    Rect dest(0, 0, w, h), src(0, 0, sprite->mWidth, sprite->mHeight);
    for (auto _ : state)
        screen->StretchBlt(sprite.get(), dest, src, dest, Color::White, 0, fast);
    Pixels(state);
}

void Ours_FastStretch(benchmark::State& state)
{
    OursStretch(state, true);
}
void Ours_SlowStretch(benchmark::State& state)
{
    OursStretch(state, false);
}

// --- SDL2 ---

void Sdl_FillOpaque(benchmark::State& state)
{
    SdlSurface screen = SdlScreen(W(state), H(state));
    SDL_Rect r{0, 0, W(state), H(state)};
    for (auto _ : state)
        SDL_FillRect(screen.s, &r, 0xFF0AC81E);
    Pixels(state);
}

void SdlBlt(benchmark::State& state, Sprite kind, SDL_BlendMode mode, SDL_Color mod, int spriteW, int spriteH,
            bool scaled, bool seeThrough = false)
{
    int w = W(state), h = H(state);
    SdlSurface screen = SdlScreen(w, h, seeThrough);
    SdlSurface sprite(SpritePixels(kind, spriteW, spriteH), spriteW, spriteH);
    SDL_SetSurfaceBlendMode(sprite.s, mode);
    SDL_SetSurfaceColorMod(sprite.s, mod.r, mod.g, mod.b);
    SDL_SetSurfaceAlphaMod(sprite.s, mod.a);
    SDL_Rect dest{0, 0, w, h};
    for (auto _ : state)
    {
        SDL_Rect d = dest;
        if (scaled)
            SDL_BlitScaled(sprite.s, nullptr, screen.s, &d);
        else
            SDL_BlitSurface(sprite.s, nullptr, screen.s, &d);
    }
    Pixels(state);
}

void Sdl_FillBlended(benchmark::State& state)
{
    SdlBlt(state, Sprite::Solid, SDL_BLENDMODE_BLEND, {255, 255, 255, 255}, W(state), H(state), false);
}
void Sdl_FillBlendedOverAlpha(benchmark::State& state)
{
    SdlBlt(state, Sprite::Solid, SDL_BLENDMODE_BLEND, {255, 255, 255, 255}, W(state), H(state), false, true);
}
void Sdl_BltOpaque(benchmark::State& state)
{
    SdlBlt(state, Sprite::Opaque, SDL_BLENDMODE_BLEND, {255, 255, 255, 255}, W(state), H(state), false);
}
void Sdl_BltTinted(benchmark::State& state)
{
    SdlBlt(state, Sprite::Glyph, SDL_BLENDMODE_BLEND, {255, 200, 100, 255}, W(state), H(state), false);
}
void Sdl_BltPartial(benchmark::State& state)
{
    SdlBlt(state, Sprite::Partial, SDL_BLENDMODE_BLEND, {255, 255, 255, 255}, W(state), H(state), false);
}
void Sdl_BltPartialOverAlpha(benchmark::State& state)
{
    SdlBlt(state, Sprite::Partial, SDL_BLENDMODE_BLEND, {255, 255, 255, 255}, W(state), H(state), false,
           true);
}
void Sdl_Additive(benchmark::State& state)
{
    SdlBlt(state, Sprite::Partial, SDL_BLENDMODE_ADD, {255, 255, 255, 255}, W(state), H(state), false);
}
void Sdl_FastStretch(benchmark::State& state)
{
    SdlBlt(state, Sprite::Partial, SDL_BLENDMODE_BLEND, {255, 255, 255, 255}, W(state) * 2 / 3,
           H(state) * 2 / 3, true);
}

// SDL's only filtered software scaling (no blending), then a blended blit of the result.
void Sdl_SlowStretch(benchmark::State& state)
{
    int w = W(state), h = H(state);
    SdlSurface screen = SdlScreen(w, h);
    SdlSurface sprite(SpritePixels(Sprite::Partial, w * 2 / 3, h * 2 / 3), w * 2 / 3, h * 2 / 3);
    SDL_Surface* scaled = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_SetSurfaceBlendMode(scaled, SDL_BLENDMODE_BLEND);
    for (auto _ : state)
    {
        SDL_SoftStretchLinear(sprite.s, nullptr, scaled, nullptr);
        SDL_BlitSurface(scaled, nullptr, screen.s, nullptr);
    }
    SDL_FreeSurface(scaled);
    Pixels(state);
}

// --- pixman ---

struct PixmanPicture
{
    std::vector<uint32_t> bits;
    pixman_image_t* image;
    PixmanPicture(std::vector<uint32_t> pixels, int w, int h, pixman_format_code_t format = PIXMAN_a8r8g8b8)
        : bits(std::move(pixels))
    {
        image = pixman_image_create_bits(format, w, h, bits.data(), w * 4);
    }
    // A coverage mask: the pixels' alpha bytes.
    static PixmanPicture Coverage(const std::vector<uint32_t>& pixels, int w, int h)
    {
        return PixmanPicture(pixels, w, h, nullptr);
    }
    PixmanPicture(const PixmanPicture&) = delete;
    ~PixmanPicture() { pixman_image_unref(image); }

private:
    PixmanPicture(const std::vector<uint32_t>& pixels, int w, int h, std::nullptr_t)
    {
        int stride = (w + 3) / 4;
        bits.assign(size_t(stride * h), 0);
        auto* bytes = reinterpret_cast<uint8_t*>(bits.data());
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                bytes[y * stride * 4 + x] = uint8_t(pixels[size_t(y * w + x)] >> 24);
        image = pixman_image_create_bits(PIXMAN_a8, w, h, bits.data(), stride * 4);
    }
};

PixmanPicture PixmanScreen(int w, int h, bool seeThrough = false)
{
    return PixmanPicture(PixmanPeer::Premultiplied(ScreenPixels(w, h, seeThrough)), w, h);
}

void Pixman_FillOpaque(benchmark::State& state)
{
    PixmanPicture screen = PixmanScreen(W(state), H(state));
    for (auto _ : state)
        pixman_fill(screen.bits.data(), W(state), 32, 0, 0, W(state), H(state), 0xFF0AC81E);
    Pixels(state);
}

void PixmanComposite(benchmark::State& state, pixman_image_t* source, pixman_image_t* mask, pixman_op_t op,
                     bool seeThrough = false)
{
    PixmanPicture screen = PixmanScreen(W(state), H(state), seeThrough);
    for (auto _ : state)
        pixman_image_composite32(op, source, mask, screen.image, 0, 0, 0, 0, 0, 0, W(state), H(state));
    Pixels(state);
}

void PixmanBlt(benchmark::State& state, Sprite kind, pixman_op_t op, bool seeThrough = false)
{
    // Told that the opaque sprite is opaque, as ours knows it.
    pixman_format_code_t format = kind == Sprite::Opaque ? PIXMAN_x8r8g8b8 : PIXMAN_a8r8g8b8;
    PixmanPicture sprite(PixmanPeer::Premultiplied(SpritePixels(kind, W(state), H(state))), W(state),
                         H(state), format);
    PixmanComposite(state, sprite.image, nullptr, op, seeThrough);
}

void PixmanFillBlended(benchmark::State& state, bool seeThrough)
{
    pixman_image_t* solid = PixmanPeer::Solid(255, 128, 64, 128);
    PixmanComposite(state, solid, nullptr, PIXMAN_OP_OVER, seeThrough);
    pixman_image_unref(solid);
}
void Pixman_FillBlended(benchmark::State& state)
{
    PixmanFillBlended(state, false);
}
void Pixman_FillBlendedOverAlpha(benchmark::State& state)
{
    PixmanFillBlended(state, true);
}
void Pixman_BltOpaque(benchmark::State& state)
{
    PixmanBlt(state, Sprite::Opaque, PIXMAN_OP_OVER);
}
// The white glyph tinted: the colour through the glyph's coverage, as text is drawn.
void Pixman_BltTinted(benchmark::State& state)
{
    PixmanPicture mask =
        PixmanPicture::Coverage(SpritePixels(Sprite::Glyph, W(state), H(state)), W(state), H(state));
    pixman_image_t* solid = PixmanPeer::Solid(255, 200, 100, 255);
    PixmanComposite(state, solid, mask.image, PIXMAN_OP_OVER);
    pixman_image_unref(solid);
}
void Pixman_BltPartial(benchmark::State& state)
{
    PixmanBlt(state, Sprite::Partial, PIXMAN_OP_OVER);
}
void Pixman_BltPartialOverAlpha(benchmark::State& state)
{
    PixmanBlt(state, Sprite::Partial, PIXMAN_OP_OVER, true);
}
void Pixman_Additive(benchmark::State& state)
{
    PixmanBlt(state, Sprite::Partial, PIXMAN_OP_ADD);
}

void PixmanStretch(benchmark::State& state, pixman_filter_t filter)
{
    int w = W(state), h = H(state), sw = w * 2 / 3, sh = h * 2 / 3;
    PixmanPicture sprite(PixmanPeer::Premultiplied(SpritePixels(Sprite::Partial, sw, sh)), sw, sh);
    pixman_transform_t scale;
    pixman_transform_init_scale(&scale, pixman_double_to_fixed(double(sw) / w),
                                pixman_double_to_fixed(double(sh) / h));
    pixman_image_set_transform(sprite.image, &scale);
    pixman_image_set_filter(sprite.image, filter, nullptr, 0);
    // Ours samples only inside the source: the filtered edges are not blended with transparency.
    if (filter != PIXMAN_FILTER_NEAREST)
        pixman_image_set_repeat(sprite.image, PIXMAN_REPEAT_PAD);
    PixmanComposite(state, sprite.image, nullptr, PIXMAN_OP_OVER);
}
void Pixman_FastStretch(benchmark::State& state)
{
    PixmanStretch(state, PIXMAN_FILTER_NEAREST);
}
void Pixman_SlowStretch(benchmark::State& state)
{
    PixmanStretch(state, PIXMAN_FILTER_BILINEAR);
}

// --- a plain copy of the destination's bytes (a fill for the fills) ---

void MemcpyRows(benchmark::State& state)
{
    int w = W(state), h = H(state);
    auto screen = OurScreen(w, h);
    std::vector<uint32_t> from = SpritePixels(Sprite::Opaque, w, h);
    for (auto _ : state)
    {
        for (int y = 0; y < h; y++)
            std::memcpy(screen->mBits + size_t(y * w), from.data() + size_t(y * w), size_t(w) * 4);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}

void MemcpyFill(benchmark::State& state)
{
    int w = W(state), h = H(state);
    auto screen = OurScreen(w, h);
    for (auto _ : state)
    {
        for (int y = 0; y < h; y++)
            std::fill_n(screen->mBits + size_t(y * w), w, 0xFF0AC81Eu);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}

void Sizes(benchmark::internal::Benchmark* b)
{
    b->Args({30, 30})->Args({50, 50})->Args({200, 200})->Args({800, 600});
}

} // namespace

#define PEERS(name, memory) PEER_CASE(name, memory, Sizes)

PEERS(FillOpaque, MemcpyFill);
PEERS(FillBlended, MemcpyRows);
// The same onto a picture with transparent pixels: under the repeated fill its alphas (every
// value at first) settle at 254 alike, under the repeated blit at 254 or 255 but where the
// sprite is clear. pixman's pictures are premultiplied and blend without a division: not the
// same job as ours, whose weight is the source's alpha over the new alpha.
PEERS(FillBlendedOverAlpha, MemcpyRows);
PEER_CASE_DIFFERS(FillBlendedOverAlpha);
PEERS(BltOpaque, MemcpyRows);
PEERS(BltTinted, MemcpyRows);
PEERS(BltPartial, MemcpyRows);
PEERS(BltPartialOverAlpha, MemcpyRows);
PEER_CASE_DIFFERS(BltPartialOverAlpha);
PEERS(Additive, MemcpyRows);
PEERS(FastStretch, MemcpyRows);
PEERS(SlowStretch, MemcpyRows);

int main(int argc, char** argv)
{
    return PeerTable::Main(argc, argv);
}
