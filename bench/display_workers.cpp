// The surface workers at 16 and 32 bits side by side with SDL2's blitter and pixman
// doing the same jobs on pictures of the same format (pixman's premultiplied outside
// the timed loop), and a plain copy of the same bytes; then the cost of presenting one
// 800x600 frame. Each job covers w x h pixels of an 800x600 screen once; the cases are
// named job/bits/w/h. A same-size fast stretch is to cost what the blit of the same
// sprite costs.
#include "PeerTable.h"
#include "PixmanPeer.h"
#include "app/LumoAppBase.h"
#include "core/desktop.h"
#include "display/DDImage.h"
#include "display/DDInterface.h"
#include "graphics/MemoryImage.h"
#include "win32/kernel32.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

using namespace Lumo;

namespace
{

// The application at 800x600, keeping no pictures.
class BenchHost : public LumoAppBase
{
public:
    NativeDisplay* mDisplay = nullptr;
    BenchHost()
    {
        mWidth = 800;
        mHeight = 600;
        mFullScreenBits = 32;
    }
    void AddMemoryImage(MemoryImage*) override {}
    void RemoveMemoryImage(MemoryImage*) override {}
    void ReleaseTextureData(MemoryImage*) override {}
    bool Is3DEnabled() override { return false; }
    NativeDisplay* GetNativeDisplay() override { return mDisplay; }
    bool CopyTextureToImage(MemoryImage*) override { return false; }
    void SharedImageUnreferenced() override {}
};

// A soft sprite: clear border, partial-alpha ramp, opaque core; with `fewColours`, of fewer than
// 256 colours, so that it can be a palette picture.
std::vector<uint32_t> Sprite(int w, int h, bool fewColours = false)
{
    std::vector<uint32_t> pixels(size_t(w * h));
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
        {
            int edge = std::min(std::min(x, y), std::min(w - 1 - x, h - 1 - y));
            uint32_t a = edge < 2 ? 0 : edge < 10 ? uint32_t(edge * 25) : 255;
            uint32_t keep = fewColours ? 0xC0 : 0xFF;
            pixels[size_t(y * w + x)] =
                a << 24 | (uint32_t(x * 7 + y * 3) & keep) << 16 | uint32_t(x * 5 & keep) << 8;
        }
    return pixels;
}

const Color kHalf(200, 100, 50, 128), kTint(255, 128, 64, 200);

int Bits(const benchmark::State& state)
{
    return int(state.range(0));
}
int W(const benchmark::State& state)
{
    return int(state.range(1));
}
int H(const benchmark::State& state)
{
    return int(state.range(2));
}
// The stretched sprite is two thirds of the job's size.
int StretchW(const benchmark::State& state)
{
    return std::max(1, W(state) * 2 / 3);
}
int StretchH(const benchmark::State& state)
{
    return std::max(1, H(state) * 2 / 3);
}

void Pixels(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * W(state) * H(state));
}

// --- ours: the screen picture of a display, locked as the window manager brackets a frame ---

struct Display
{
    BenchHost host;
    std::unique_ptr<DDInterface> display;
    DDImage* screen = nullptr;

    explicit Display(int bits)
    {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        PlatformTest::SetDesktop(Platform::DesktopInfo{1024, 768, bits, 60, 64u << 20});
        display = std::make_unique<DDInterface>(&host);
        host.mDisplay = display.get();
        display->Init(nullptr, true);
        screen = display->GetDrawSurfaceImage();
        screen->LockSurface();
    }
    ~Display() { screen->UnlockSurface(); }
};

std::unique_ptr<MemoryImage> OurSprite(int w, int h, bool palette = false)
{
    auto sprite = std::make_unique<MemoryImage>();
    std::vector<uint32_t> pixels = Sprite(w, h, palette);
    sprite->SetBits(pixels.data(), w, h, true);
    if (palette)
        sprite->Palletize();
    return sprite;
}

template <typename Draw> void Ours(benchmark::State& state, Draw draw)
{
    Display d(Bits(state));
    for (auto _ : state)
    {
        draw(*d.screen);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}

void Ours_FillOpaque(benchmark::State& state)
{
    Rect r(0, 0, W(state), H(state));
    Ours(state, [&](DDImage& screen) { screen.FillRect(r, Color(200, 100, 50), DRAWMODE_NORMAL); });
}
void Ours_FillBlended(benchmark::State& state)
{
    Rect r(0, 0, W(state), H(state));
    Ours(state, [&](DDImage& screen) { screen.FillRect(r, kHalf, DRAWMODE_NORMAL); });
}
void OursBlt(benchmark::State& state, const Color& color, int mode)
{
    auto sprite = OurSprite(W(state), H(state));
    Rect all(0, 0, W(state), H(state));
    Ours(state, [&](DDImage& screen) { screen.Blt(sprite.get(), 0, 0, all, color, mode); });
}
void Ours_Blit(benchmark::State& state)
{
    OursBlt(state, Color::White, DRAWMODE_NORMAL);
}
void Ours_BltTinted(benchmark::State& state)
{
    OursBlt(state, kTint, DRAWMODE_NORMAL);
}
void Ours_Additive(benchmark::State& state)
{
    OursBlt(state, Color::White, DRAWMODE_ADDITIVE);
}
void OursStretch(benchmark::State& state, int sourceW, int sourceH, const Color& color, bool palette = false)
{
    auto sprite = OurSprite(sourceW, sourceH, palette);
    Rect dest(0, 0, W(state), H(state)), from(0, 0, sourceW, sourceH);
    Ours(state, [&](DDImage& screen)
         { screen.StretchBlt(sprite.get(), dest, from, dest, color, DRAWMODE_NORMAL, true); });
}

// --- SDL2 ---

template <typename Draw> void Sdl(benchmark::State& state, Draw draw)
{
    Uint32 format = Bits(state) == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_XRGB8888;
    SDL_Surface* screen = SDL_CreateRGBSurfaceWithFormat(0, 800, 600, Bits(state), format);
    for (auto _ : state)
    {
        draw(screen);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(screen);
    Pixels(state);
}

struct SdlSprite
{
    std::vector<uint32_t> pixels;
    SDL_Surface* s;
    SdlSprite(std::vector<uint32_t> from, int w, int h, SDL_BlendMode mode) : pixels(std::move(from))
    {
        s = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_ARGB8888);
        SDL_SetSurfaceBlendMode(s, mode);
    }
    SdlSprite(const SdlSprite&) = delete;
    ~SdlSprite() { SDL_FreeSurface(s); }
};

void Sdl_FillOpaque(benchmark::State& state)
{
    SDL_Rect r{0, 0, W(state), H(state)};
    Sdl(state,
        [&](SDL_Surface* screen) { SDL_FillRect(screen, &r, SDL_MapRGB(screen->format, 200, 100, 50)); });
}
void Sdl_FillBlended(benchmark::State& state)
{
    // SDL fills only opaquely: a blended blit of a half-alpha picture of one colour.
    std::vector<uint32_t> half(size_t(W(state) * H(state)), 0x80C86432);
    SdlSprite solid(std::move(half), W(state), H(state), SDL_BLENDMODE_BLEND);
    Sdl(state,
        [&](SDL_Surface* screen)
        {
            SDL_Rect r{0, 0, W(state), H(state)};
            SDL_BlitSurface(solid.s, nullptr, screen, &r);
        });
}
void SdlBlt(benchmark::State& state, SDL_BlendMode mode, const Color& color)
{
    SdlSprite sprite(Sprite(W(state), H(state)), W(state), H(state), mode);
    SDL_SetSurfaceColorMod(sprite.s, Uint8(color.mRed), Uint8(color.mGreen), Uint8(color.mBlue));
    SDL_SetSurfaceAlphaMod(sprite.s, Uint8(color.mAlpha));
    Sdl(state,
        [&](SDL_Surface* screen)
        {
            SDL_Rect r{0, 0, W(state), H(state)};
            SDL_BlitSurface(sprite.s, nullptr, screen, &r);
        });
}
void Sdl_Blit(benchmark::State& state)
{
    SdlBlt(state, SDL_BLENDMODE_BLEND, Color::White);
}
void Sdl_BltTinted(benchmark::State& state)
{
    SdlBlt(state, SDL_BLENDMODE_BLEND, kTint);
}
void Sdl_Additive(benchmark::State& state)
{
    SdlBlt(state, SDL_BLENDMODE_ADD, Color::White);
}
void SdlStretch(benchmark::State& state, int sourceW, int sourceH, const Color& color,
                bool fewColours = false)
{
    SdlSprite sprite(Sprite(sourceW, sourceH, fewColours), sourceW, sourceH, SDL_BLENDMODE_BLEND);
    SDL_SetSurfaceColorMod(sprite.s, Uint8(color.mRed), Uint8(color.mGreen), Uint8(color.mBlue));
    SDL_SetSurfaceAlphaMod(sprite.s, Uint8(color.mAlpha));
    Sdl(state,
        [&](SDL_Surface* screen)
        {
            SDL_Rect r{0, 0, W(state), H(state)};
            SDL_BlitScaled(sprite.s, nullptr, screen, &r);
        });
}

// --- pixman ---

struct PixmanSprite
{
    std::vector<uint32_t> bits;
    pixman_image_t* image;
    PixmanSprite(int w, int h, bool fewColours = false)
        : bits(PixmanPeer::Premultiplied(Sprite(w, h, fewColours)))
    {
        image = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, bits.data(), w * 4);
    }
    PixmanSprite(const PixmanSprite&) = delete;
    ~PixmanSprite() { pixman_image_unref(image); }
};

pixman_image_t* PixmanSolid(const Color& c)
{
    return PixmanPeer::Solid(c.mRed, c.mGreen, c.mBlue, c.mAlpha);
}

template <typename Draw> void Pixman(benchmark::State& state, Draw draw)
{
    int bpp = Bits(state) / 8;
    std::vector<uint32_t> bits(size_t(800 * 600 * bpp / 4));
    pixman_image_t* screen = pixman_image_create_bits(Bits(state) == 16 ? PIXMAN_r5g6b5 : PIXMAN_x8r8g8b8,
                                                      800, 600, bits.data(), 800 * bpp);
    for (auto _ : state)
    {
        draw(screen, bits.data());
        benchmark::ClobberMemory();
    }
    pixman_image_unref(screen);
    Pixels(state);
}

void PixmanComposite(benchmark::State& state, pixman_op_t op, pixman_image_t* source, pixman_image_t* mask)
{
    Pixman(state, [&](pixman_image_t* screen, uint32_t*)
           { pixman_image_composite32(op, source, mask, screen, 0, 0, 0, 0, 0, 0, W(state), H(state)); });
}

void Pixman_FillOpaque(benchmark::State& state)
{
    uint32_t pixel = Bits(state) == 16 ? 0xCB26 : 0xC86432;
    Pixman(state, [&](pixman_image_t*, uint32_t* bits)
           { pixman_fill(bits, 800 * Bits(state) / 32, Bits(state), 0, 0, W(state), H(state), pixel); });
}
void Pixman_FillBlended(benchmark::State& state)
{
    pixman_image_t* solid = PixmanSolid(kHalf);
    PixmanComposite(state, PIXMAN_OP_OVER, solid, nullptr);
    pixman_image_unref(solid);
}
void Pixman_Blit(benchmark::State& state)
{
    PixmanSprite sprite(W(state), H(state));
    PixmanComposite(state, PIXMAN_OP_OVER, sprite.image, nullptr);
}
// Each channel modulated by the colour: its premultiplied channels as a component-alpha mask.
void Pixman_BltTinted(benchmark::State& state)
{
    PixmanSprite sprite(W(state), H(state));
    pixman_image_t* tint = PixmanSolid(kTint);
    pixman_image_set_component_alpha(tint, 1);
    PixmanComposite(state, PIXMAN_OP_OVER, sprite.image, tint);
    pixman_image_unref(tint);
}
void Pixman_Additive(benchmark::State& state)
{
    PixmanSprite sprite(W(state), H(state));
    PixmanComposite(state, PIXMAN_OP_ADD, sprite.image, nullptr);
}
// Nearest sampling of the sprite scaled onto the job's size; a tint as in BltTinted.
void PixmanStretch(benchmark::State& state, int sourceW, int sourceH, const Color& color,
                   bool fewColours = false)
{
    PixmanSprite sprite(sourceW, sourceH, fewColours);
    pixman_transform_t scale;
    pixman_transform_init_scale(&scale, pixman_double_to_fixed(double(sourceW) / W(state)),
                                pixman_double_to_fixed(double(sourceH) / H(state)));
    pixman_image_set_transform(sprite.image, &scale);
    pixman_image_set_filter(sprite.image, PIXMAN_FILTER_NEAREST, nullptr, 0);
    pixman_image_t* tint = nullptr;
    if (!color.IsWhite())
    {
        tint = PixmanSolid(color);
        pixman_image_set_component_alpha(tint, 1);
    }
    PixmanComposite(state, PIXMAN_OP_OVER, sprite.image, tint);
    if (tint != nullptr)
        pixman_image_unref(tint);
}

// The stretch cases, each peer scaling the sprite of the given size onto the job's: the fast
// stretch of a sprite two thirds of the size; one of the same size, which is to cost what the
// blit does; and the play screen's logos, tinted and shrunk to half, from bits and from a
// palette picture (ours reads the palette, the peers its colours).
#define STRETCH_CASE(name, sourceW, sourceH, colour, palette)                                                \
    void Ours_##name(benchmark::State& state)                                                                \
    {                                                                                                        \
        OursStretch(state, sourceW, sourceH, colour, palette);                                               \
    }                                                                                                        \
    void Sdl_##name(benchmark::State& state)                                                                 \
    {                                                                                                        \
        SdlStretch(state, sourceW, sourceH, colour, palette);                                                \
    }                                                                                                        \
    void Pixman_##name(benchmark::State& state)                                                              \
    {                                                                                                        \
        PixmanStretch(state, sourceW, sourceH, colour, palette);                                             \
    }
STRETCH_CASE(FastStretch, StretchW(state), StretchH(state), Color::White, false)
STRETCH_CASE(SameSizeStretch, W(state), H(state), Color::White, false)
STRETCH_CASE(TintedShrink, 2 * W(state), 2 * H(state), kTint, false)
STRETCH_CASE(TintedShrinkPalette, 2 * W(state), 2 * H(state), kTint, true)
#undef STRETCH_CASE

// --- a plain copy of the same bytes (a fill for the fills) ---

void MemcpyRows(benchmark::State& state)
{
    int bpp = Bits(state) / 8;
    std::vector<uint8_t> screen(size_t(800 * 600 * bpp)), from(size_t(W(state) * H(state) * bpp), 0x5A);
    for (auto _ : state)
    {
        for (int y = 0; y < H(state); y++)
            std::memcpy(&screen[size_t(y * 800 * bpp)], &from[size_t(y * W(state) * bpp)],
                        size_t(W(state) * bpp));
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
void MemcpyFill(benchmark::State& state)
{
    int bpp = Bits(state) / 8;
    std::vector<uint8_t> screen(size_t(800 * 600 * bpp));
    for (auto _ : state)
    {
        for (int y = 0; y < H(state); y++)
            std::memset(&screen[size_t(y * 800 * bpp)], 0x5A, size_t(W(state) * bpp));
        benchmark::ClobberMemory();
    }
    Pixels(state);
}

void BM_Present800x600(benchmark::State& state)
{
    Display d(int(state.range(0)));
    d.screen->UnlockSurface();
    for (auto _ : state)
        benchmark::DoNotOptimize(d.display->Redraw(nullptr));
    d.screen->LockSurface();
}

void Sizes(benchmark::internal::Benchmark* b)
{
    for (int bits : {32, 16})
        for (auto [w, h] : {std::pair{30, 30}, std::pair{64, 64}, std::pair{200, 200}, std::pair{800, 600}})
            b->Args({bits, w, h});
}

} // namespace

#define PEERS(name, memory) PEER_CASE(name, memory, Sizes)

PEERS(FillOpaque, MemcpyFill);
PEERS(FillBlended, MemcpyRows);
PEERS(Blit, MemcpyRows);
PEERS(BltTinted, MemcpyRows);
PEERS(Additive, MemcpyRows);
PEERS(FastStretch, MemcpyRows);
PEERS(SameSizeStretch, MemcpyRows);
PEERS(TintedShrink, MemcpyRows);
PEERS(TintedShrinkPalette, MemcpyRows);
// Not a peer case: kept out of the table.
BENCHMARK(BM_Present800x600)->Name("Present800x600")->Arg(16)->Arg(32);

int main(int argc, char** argv)
{
    return PeerTable::Main(argc, argv);
}
