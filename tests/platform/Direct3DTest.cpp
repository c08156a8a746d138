// The Direct3D layer on SDL's software renderer (the tests' dummy video driver): the blends the
// self test checks, clipping, lines, textures, the twin rule (uploads and read-backs counted),
// what the device reports, injected failures and releases from other threads.
#include "DDrawSupport.h"
#include "d3d/d3d.h"
#include "d3d/d3d8.h"
#include "ddraw/Renderers.h"
#include "test/direct3d.h"
#include "test/present.h"
#include "win32/windows.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

namespace
{
LRESULT CALLBACK PlainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

// The self test's tolerance: the summed squares of the colour differences.
int Distance(uint32_t a, uint32_t b)
{
    int d = 0;
    for (int shift : {16, 8, 0})
    {
        int delta = (int)(a >> shift & 0xFF) - (int)(b >> shift & 0xFF);
        d += delta * delta;
    }
    return d;
}

HRESULT CALLBACK CollectFormat(LPDDPIXELFORMAT format, LPVOID context)
{
    static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*format);
    return D3DENUMRET_OK;
}

// The quad of the renderer and the self test: a w x h picture at (x, y), corners half a pixel up and left.
std::vector<D3DTLVERTEX> Quad(float x, float y, float w, float h, D3DCOLOR colour, float u1 = 1, float v1 = 1)
{
    auto at = [&](float px, float py, float u, float v)
    { return D3DTLVERTEX{px - 0.5f, py - 0.5f, 0, 1, colour, 0, u, v}; };
    return {at(x, y, 0, 0), at(x + w, y, u1, 0), at(x, y + h, 0, v1), at(x + w, y + h, u1, v1)};
}
} // namespace

class Direct3DTest : public DDrawTest
{
protected:
    void SetUp() override
    {
        DDrawTest::SetUp();
        PlatformTest::ResetDirect3D();
        WNDCLASSA wc{};
        wc.lpfnWndProc = PlainProc;
        wc.lpszClassName = "Direct3DWindow";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, "Direct3DWindow", "3D", WS_POPUP | WS_CAPTION, 0, 0, 200, 150, nullptr,
                               nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOW);
        ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_NORMAL), DD_OK);
        ASSERT_EQ(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&d3d)), DD_OK);
        target = Surface3D(128, 128);
        ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device), D3D_OK);
        Pump();
        PlatformTest::ResetDirect3DStatistics();
    }

    void TearDown() override
    {
        for (IUnknown* object : objects)
            object->Release();
        objects.clear();
        if (device)
            device->Release();
        if (target)
            target->Release();
        if (d3d)
            d3d->Release();
        Pump();
        DestroyWindow(hwnd);
        Pump();
        PlatformTest::ResetDirect3D();
        DDrawTest::TearDown();
    }

    template <typename T> T* Keep(T* object)
    {
        objects.push_back(object);
        return object;
    }

    IDirectDrawSurface7* Surface3D(DWORD width, DWORD height)
    {
        return Offscreen(width, height, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY);
    }

    IDirectDrawSurface7* Texture(DWORD width, DWORD height, unsigned format, HRESULT expected = DD_OK)
    {
        DDSURFACEDESC2 desc =
            Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT, DDSCAPS_TEXTURE, width, height);
        desc.ddsCaps.dwCaps2 = DDSCAPS2_D3DTEXTUREMANAGE;
        desc.ddpfPixelFormat = FormatOf(format);
        IDirectDrawSurface7* surface = nullptr;
        EXPECT_EQ(dd->CreateSurface(&desc, &surface, nullptr), expected);
        return surface ? Keep(surface) : nullptr;
    }

    static DDPIXELFORMAT FormatOf(unsigned format)
    {
        DDPIXELFORMAT f{};
        f.dwSize = sizeof(f);
        f.dwFlags = DDPF_RGB | DDPF_ALPHAPIXELS;
        if (format == 1)
            f.dwRGBBitCount = 32, f.dwRBitMask = 0xFF0000, f.dwGBitMask = 0xFF00, f.dwBBitMask = 0xFF,
            f.dwRGBAlphaBitMask = 0xFF000000;
        else if (format == 2)
            f.dwRGBBitCount = 16, f.dwRBitMask = 0xF00, f.dwGBitMask = 0xF0, f.dwBBitMask = 0xF,
            f.dwRGBAlphaBitMask = 0xF000;
        else if (format == 4)
            f.dwFlags = DDPF_RGB, f.dwRGBBitCount = 16, f.dwRBitMask = 0xF800, f.dwGBitMask = 0x7E0,
            f.dwBBitMask = 0x1F;
        else
            f.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8, f.dwRGBBitCount = 8;
        return f;
    }

    // A texture of one colour, or of the self test's stripes (odd columns white, even black).
    IDirectDrawSurface7* Filled(uint32_t colour, bool stripes = false)
    {
        IDirectDrawSurface7* texture = Texture(64, 64, 1);
        std::vector<uint32_t> pixels(64 * 64);
        for (size_t i = 0; i < pixels.size(); i++)
            pixels[i] = stripes ? (i % 2 ? 0xFFFFFFFF : 0xFF000000) : colour;
        Write(texture, pixels);
        return texture;
    }

    HRESULT Draw(IDirectDrawSurface7* texture, std::vector<D3DTLVERTEX> vertices,
                 D3DPRIMITIVETYPE type = D3DPT_TRIANGLESTRIP)
    {
        EXPECT_EQ(device->SetTexture(0, texture), D3D_OK);
        return device->DrawPrimitive(type, D3DFVF_TLVERTEX, vertices.data(), (DWORD)vertices.size(), 0);
    }

    // A scene as each of the self test's draw tests begins it: black, blended, no culling.
    void BeginTestScene(DWORD source, DWORD dest)
    {
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRENDERSTATE_SRCBLEND, source);
        device->SetRenderState(D3DRENDERSTATE_DESTBLEND, dest);
        device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    }

    // One of the self test's draw tests: two 64 x 64 pictures over black with the given blend.
    std::vector<uint32_t> Blend(DWORD source, DWORD dest, uint32_t first, uint32_t second,
                                D3DCOLOR secondColour, DWORD alphaOp = D3DTOP_SELECTARG1)
    {
        BeginTestScene(source, dest);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOp);
        EXPECT_EQ(Draw(Filled(first), Quad(0, 0, 64, 64, 0xFFFFFFFF)), D3D_OK);
        EXPECT_EQ(Draw(Filled(second), Quad(0, 0, 64, 64, secondColour)), D3D_OK);
        EXPECT_EQ(device->SetTexture(0, nullptr), D3D_OK);
        EXPECT_EQ(device->EndScene(), D3D_OK);
        return Read(target);
    }

    HWND hwnd = nullptr;
    IDirect3D7* d3d = nullptr;
    IDirect3DDevice7* device = nullptr;
    IDirectDrawSurface7* target = nullptr;
    std::vector<IUnknown*> objects;
};

TEST_F(Direct3DTest, TheSelfTestsBlendsComeOutWithinItsTolerance)
{
    struct Case
    {
        const char* name;
        DWORD source, dest;
        uint32_t first, second;
        D3DCOLOR colour;
        DWORD alphaOp;
        uint32_t expected;
    } cases[] = {
        {"alpha", D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0xFF0000FF, 0x80FF0000, 0xFFFFFFFF,
         D3DTOP_SELECTARG1, 0x7F007F},
        {"additive", D3DBLEND_ONE, D3DBLEND_ONE, 0xFF404040, 0xFF404040, 0xFFFFFFFF, D3DTOP_SELECTARG1,
         0x808080},
        {"alpha add", D3DBLEND_SRCALPHA, D3DBLEND_ONE, 0xFF404040, 0x80808080, 0xFFFFFFFF, D3DTOP_SELECTARG1,
         0x808080},
        {"alpha modulated", D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0xFF0000FF, 0xFFFF0000, 0x80FFFFFF,
         D3DTOP_MODULATE, 0x7F007F},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::vector<uint32_t> pixels = Blend(c.source, c.dest, c.first, c.second, c.colour, c.alphaOp);
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 64; x++)
                ASSERT_LE(Distance(pixels[(size_t)y * 128 + x], c.expected), 0x300)
                    << std::hex << pixels[(size_t)y * 128 + x] << " at " << std::dec << x << "," << y;
        // Outside the pictures the clear stays.
        EXPECT_EQ(pixels[64] & 0xFFFFFF, 0u);
        EXPECT_EQ(pixels[(size_t)64 * 128] & 0xFFFFFF, 0u);
    }
}

TEST_F(Direct3DTest, WithoutAlphaModulationTheVertexAlphaIsIgnored)
{
    // The stage's default alpha is the texture's alone: a half-transparent vertex changes nothing.
    std::vector<uint32_t> pixels =
        Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 0xFF0000FF, 0xFFFF0000, 0x80FFFFFF, D3DTOP_SELECTARG1);
    EXPECT_LE(Distance(pixels[0], 0xFF0000), 3);
}

TEST_F(Direct3DTest, AnOpaqueSourceBlendedComesOutAsItIs)
{
    // Alpha 1 everywhere (a texture without alpha, opaque vertices): exactly the source, whatever
    // lies below; half a vertex alpha blends.
    IDirectDrawSurface7* texture = Texture(8, 8, 4);
    Write(texture, std::vector<uint32_t>(64, 0x0841)); // 8, 8, 8
    for (D3DCOLOR colour : {0xFFFFFFFFu, 0xFF7F7F7Fu, 0x80FFFFFFu})
    {
        BeginTestScene(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFF0F0F0, 1.0f, 0), D3D_OK);
        device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        ASSERT_EQ(Draw(texture, Quad(0, 0, 8, 8, colour)), D3D_OK);
        // An opaque fill too.
        D3DTLVERTEX fill[4] = {{9.5f, -0.5f, 0, 1, 0xFF102030, 0, 0, 0},
                               {19.5f, -0.5f, 0, 1, 0xFF102030, 0, 0, 0},
                               {9.5f, 9.5f, 0, 1, 0xFF102030, 0, 0, 0},
                               {19.5f, 9.5f, 0, 1, 0xFF102030, 0, 0, 0}};
        ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
        ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, fill, 4, 0), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        std::vector<uint32_t> pixels = Read(target);
        if (colour == 0xFFFFFFFF)
            EXPECT_EQ(pixels[(size_t)3 * 128 + 3] & 0xFFFFFF, 0x080808u);
        else if (colour == 0xFF7F7F7F)
            EXPECT_LE(Distance(pixels[(size_t)3 * 128 + 3], 0x040404), 3);
        else
            EXPECT_LE(Distance(pixels[(size_t)3 * 128 + 3], 0x7C7C7C), 12);
        EXPECT_EQ(pixels[(size_t)3 * 128 + 12] & 0xFFFFFF, 0x102030u);
    }
}

TEST_F(Direct3DTest, EachDrawKeepsTheFilterItWasGiven)
{
    // Black and white side by side, stretched eightfold: point filtering gives the two colours
    // alone, linear filtering the greys between; both in one scene.
    IDirectDrawSurface7* texture = Texture(2, 1, 1);
    Write(texture, {0xFF000000, 0xFFFFFFFF});
    BeginTestScene(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    ASSERT_EQ(Draw(texture, Quad(0, 0, 16, 4, 0xFFFFFFFF)), D3D_OK);
    for (D3DTEXTURESTAGESTATETYPE state : {D3DTSS_MINFILTER, D3DTSS_MAGFILTER})
        device->SetTextureStageState(0, state, D3DTFG_LINEAR);
    ASSERT_EQ(Draw(texture, Quad(0, 8, 16, 4, 0xFFFFFFFF)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    std::vector<uint32_t> pixels = Read(target);
    int greysPoint = 0, greysLinear = 0;
    for (int x = 0; x < 16; x++)
    {
        uint32_t point = pixels[(size_t)2 * 128 + x] & 0xFF, linear = pixels[(size_t)10 * 128 + x] & 0xFF;
        greysPoint += point != 0 && point != 0xFF;
        greysLinear += linear != 0 && linear != 0xFF;
    }
    EXPECT_EQ(greysPoint, 0);
    EXPECT_GE(greysLinear, 4);
}

TEST_F(Direct3DTest, PicturesPartlyLeftAndAboveTheTargetAreClipped)
{
    BeginTestScene(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA);
    ASSERT_EQ(Draw(Filled(0, true), Quad(-2, -2, 64, 64, 0xFFFFFFFF)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    std::vector<uint32_t> pixels = Read(target);
    for (int y = 0; y < 62; y++)
        for (int x = 0; x < 62; x++)
            ASSERT_EQ(pixels[(size_t)y * 128 + x] & 0xFFFFFF, x % 2 ? 0xFFFFFFu : 0u) << x << "," << y;
    EXPECT_EQ(pixels[62] & 0xFFFFFF, 0u);
}

TEST_F(Direct3DTest, LineStripsDrawEachSegmentInTheFirstColour)
{
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    std::vector<D3DTLVERTEX> line = {{10, 10, 0, 1, 0xFF00FF00, 0, 0, 0},
                                     {40, 10, 0, 1, 0xFF00FF00, 0, 0, 0},
                                     {40, 30, 0, 1, 0xFF00FF00, 0, 0, 0}};
    // A texture set meanwhile takes no part in lines.
    ASSERT_EQ(Draw(Filled(0xFFFF0000), line, D3DPT_LINESTRIP), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    std::vector<uint32_t> pixels = Read(target);
    auto at = [&](int x, int y) { return pixels[(size_t)y * 128 + x] & 0xFFFFFF; };
    for (int x = 10; x < 40; x++)
        EXPECT_EQ(at(x, 10), 0x00FF00u) << x;
    for (int y = 10; y < 30; y++)
        EXPECT_EQ(at(40, y), 0x00FF00u) << y;
    EXPECT_EQ(at(25, 11), 0u);
    EXPECT_EQ(at(9, 10), 0u);
    EXPECT_EQ(at(41, 20), 0u);
}

TEST_F(Direct3DTest, TexturesKeepTheirPixelsThroughLocksAndDrawThemExactly)
{
    struct Case
    {
        unsigned format;
        uint32_t stored;   // as the texture holds it
        uint32_t expected; // drawn opaque, without blending
    } cases[] = {{1, 0xFF123456, 0x123456}, {2, 0xF9AC, 0x99AACC}, {4, 0xF81F, 0xFF00FF}, {8, 3, 0x0A0B0C}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.format);
        IDirectDrawSurface7* texture = Texture(16, 8, c.format);
        ASSERT_NE(texture, nullptr);
        if (c.format == 8)
        {
            PALETTEENTRY entries[256] = {};
            entries[3] = PALETTEENTRY{0x0A, 0x0B, 0x0C, 0xFF};
            IDirectDrawPalette* palette = nullptr;
            ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_ALPHA, entries, &palette,
                                        nullptr),
                      DD_OK);
            ASSERT_EQ(texture->SetPalette(palette), DD_OK);
            palette->Release();
        }
        Write(texture, std::vector<uint32_t>(16 * 8, c.stored));
        EXPECT_EQ(Read(texture), std::vector<uint32_t>(16 * 8, c.stored));
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
        ASSERT_EQ(Draw(texture, Quad(0, 0, 16, 8, 0xFFFFFFFF)), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        std::vector<uint32_t> pixels = Read(target);
        EXPECT_EQ(pixels[0] & 0xFFFFFF, c.expected);
        EXPECT_EQ(pixels[(size_t)7 * 128 + 15] & 0xFFFFFF, c.expected);
        // The texture's memory is untouched by being drawn.
        EXPECT_EQ(Read(texture), std::vector<uint32_t>(16 * 8, c.stored));
    }
}

TEST_F(Direct3DTest, APaletteChangedAfterUploadIsTakenAgain)
{
    IDirectDrawSurface7* texture = Texture(4, 4, 8);
    PALETTEENTRY entries[256] = {};
    entries[0] = PALETTEENTRY{255, 0, 0, 255};
    IDirectDrawPalette* palette = nullptr;
    ASSERT_EQ(dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_ALPHA, entries, &palette, nullptr),
              DD_OK);
    ASSERT_EQ(texture->SetPalette(palette), DD_OK);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
    for (uint32_t expected : {0xFF0000u, 0x0000FFu})
    {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(Draw(texture, Quad(0, 0, 4, 4, 0xFFFFFFFF)), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        EXPECT_EQ(Read(target)[0] & 0xFFFFFF, expected);
        entries[0] = PALETTEENTRY{0, 0, 255, 255};
        ASSERT_EQ(palette->SetEntries(0, 0, 1, entries), DD_OK);
    }
    palette->Release();
}

TEST_F(Direct3DTest, TheTargetIsReadBackOnlyAfterTheRendererDrew)
{
    IDirectDrawSurface7* texture = Filled(0xFF336699);
    auto stats = [] { return Platform::GetDirect3DStatistics(); };
    // The first use sends the whole target and the texture up.
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(Draw(texture, Quad(0, 0, 64, 64, 0xFFFFFFFF)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(stats().uploads, 2u);
    EXPECT_EQ(stats().uploadedBytes, 128u * 128 * 4 + 64 * 64 * 4);
    EXPECT_EQ(stats().readBacks, 0u);
    // A lock reads back the part drawn, once.
    EXPECT_EQ(Read(target)[0], 0xFF336699u);
    EXPECT_EQ(stats().readBacks, 1u);
    EXPECT_EQ(stats().readBackBytes, 64u * 64 * 4);
    Read(target);
    EXPECT_EQ(stats().readBacks, 1u);
    // What the CPU changed goes up before the next draw, and only that.
    RECT corner{100, 100, 110, 104};
    ASSERT_EQ(Fill(target, &corner, 0x00FF00), DD_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(Draw(texture, Quad(0, 0, 8, 8, 0xFFFFFFFF)), D3D_OK);
    ASSERT_EQ(Draw(texture, Quad(8, 0, 8, 8, 0xFFFFFFFF)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(stats().uploads, 3u);
    EXPECT_EQ(stats().uploadedBytes, 128u * 128 * 4 + 64 * 64 * 4 + 10 * 4 * 4);
    // Memory and renderer agree on both parts.
    std::vector<uint32_t> pixels = Read(target);
    EXPECT_EQ(pixels[(size_t)100 * 128 + 100] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(pixels[15] & 0xFFFFFF, 0x336699u);
    EXPECT_EQ(stats().readBacks, 2u);
    EXPECT_EQ(stats().readBackBytes, 64u * 64 * 4 + 16 * 8 * 4);
}

TEST_F(Direct3DTest, BlitsAndFillsOverDrawnPixelsStayOnTheRenderer)
{
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    IDirectDrawSurface7* second = Keep(Surface3D(128, 128));
    IDirectDrawSurface7* memory = Keep(Offscreen(16, 16));
    ASSERT_EQ(Fill(memory, nullptr, 0x00FF00), DD_OK);
    PlatformTest::ResetDirect3DStatistics();
    RECT square{10, 10, 20, 20}, spot{50, 50, 66, 66};
    ASSERT_EQ(Fill(target, &square, 0x0000FF), DD_OK);
    ASSERT_EQ(second->Blt(nullptr, target, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(target->Blt(&spot, memory, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    Platform::Direct3DStatistics stats = Platform::GetDirect3DStatistics();
    EXPECT_EQ(stats.readBacks, 0u);
    EXPECT_EQ(stats.uploads, 1u); // the 16 x 16 from memory, straight into the twin
    EXPECT_EQ(stats.uploadedBytes, 16u * 16 * 4);
    std::vector<uint32_t> copied = Read(second), drawn = Read(target);
    EXPECT_EQ(copied[0] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(copied[(size_t)15 * 128 + 15] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(copied[(size_t)55 * 128 + 55] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(drawn[(size_t)55 * 128 + 55] & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(drawn[(size_t)15 * 128 + 15] & 0xFFFFFF, 0x0000FFu);
    // A blit onto memory-only surfaces fetches what it copies.
    ASSERT_EQ(memory->Blt(nullptr, target, &square, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Read(memory)[0], Read(target)[(size_t)10 * 128 + 10]);
}

TEST_F(Direct3DTest, MemoryWrittenBesideDrawnPixelsIsNeverSentBackStale)
{
    IDirectDrawSurface7* texture = Filled(0xFFFFFFFF);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    // Two separate writes by the CPU, then the renderer draws between them.
    RECT a{0, 0, 4, 4}, b{120, 120, 124, 124};
    ASSERT_EQ(Fill(target, &a, 0x0000FF), DD_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(Draw(texture, Quad(60, 60, 8, 8, 0xFFFFFFFF)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(Fill(target, &b, 0x00FF00), DD_OK);
    ASSERT_EQ(Fill(target, &a, 0xFF0000), DD_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(Draw(texture, Quad(30, 30, 2, 2, 0xFFFFFFFF)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    std::vector<uint32_t> pixels = Read(target);
    auto at = [&](int x, int y) { return pixels[(size_t)y * 128 + x] & 0xFFFFFF; };
    EXPECT_EQ(at(0, 0), 0xFF0000u);
    EXPECT_EQ(at(121, 121), 0x00FF00u);
    EXPECT_EQ(at(61, 61), 0xFFFFFFu);
    EXPECT_EQ(at(30, 30), 0xFFFFFFu);
    EXPECT_EQ(at(50, 50), 0u);
}

// Within one scene, each road paints over what came before it: a draw, a blit from memory (straight
// into the renderer), a keyed blit (through memory), a fill, a CPU lock, in an order that puts
// every road after every other.
TEST_F(Direct3DTest, EveryRoadDrawsOverWhatCameBeforeItInTheScene)
{
    enum Road
    {
        kDraw,
        kBlit,
        kKeyed,
        kFill,
        kLock
    };
    const Road roads[] = {kDraw, kBlit,  kDraw, kFill,  kBlit, kLock,
                          kDraw, kKeyed, kBlit, kKeyed, kFill, kDraw};
    std::vector<uint32_t> want(128 * 128, 0);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    for (int step = 0; step < (int)std::size(roads); step++)
    {
        // Squares down the diagonal, each half over the one before.
        const LONG at = 8 * step;
        RECT area{at, at, at + 16, at + 16};
        const uint32_t colour = 0x102030u * (uint32_t)(step + 1);
        if (roads[step] == kDraw)
            ASSERT_EQ(Draw(Filled(0xFF000000 | colour), Quad((float)at, (float)at, 16, 16, 0xFFFFFFFF)),
                      D3D_OK);
        else if (roads[step] == kBlit || roads[step] == kKeyed)
        {
            IDirectDrawSurface7* memory = Keep(Offscreen(16, 16));
            ASSERT_EQ(Fill(memory, nullptr, colour), DD_OK);
            DDCOLORKEY key{0xFF00FF, 0xFF00FF}; // a colour the square has none of
            ASSERT_EQ(memory->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
            DWORD flags = DDBLT_WAIT | (roads[step] == kKeyed ? DDBLT_KEYSRC : 0);
            ASSERT_EQ(target->Blt(&area, memory, nullptr, flags, nullptr), DD_OK);
        }
        else if (roads[step] == kFill)
            ASSERT_EQ(Fill(target, &area, colour), DD_OK);
        else
        {
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof(desc);
            ASSERT_EQ(target->Lock(&area, &desc, DDLOCK_WAIT, nullptr), DD_OK);
            for (LONG y = 0; y < 16; y++)
                std::fill_n(
                    reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch), 16,
                    colour);
            ASSERT_EQ(target->Unlock(nullptr), DD_OK);
        }
        for (LONG y = at; y < at + 16; y++)
            std::fill_n(&want[(size_t)y * 128 + at], 16, colour);
    }
    ASSERT_EQ(device->EndScene(), D3D_OK);
    std::vector<uint32_t> pixels = Read(target);
    for (size_t i = 0; i < pixels.size(); i++)
        ASSERT_EQ(pixels[i] & 0xFFFFFF, want[i]) << "at " << i % 128 << "," << i / 128;
}

TEST_F(Direct3DTest, TheDeviceListsItsFormatsAndKeepsToTheLimitsATestSets)
{
    std::vector<DDPIXELFORMAT> formats;
    ASSERT_EQ(device->EnumTextureFormats(&CollectFormat, &formats), D3D_OK);
    ASSERT_EQ(formats.size(), 4u);
    EXPECT_EQ(formats[0].dwRGBAlphaBitMask, 0xFF000000u);
    EXPECT_EQ(formats[1].dwRGBAlphaBitMask, 0xF000u);
    EXPECT_EQ(formats[2].dwGBitMask, 0x07E0u);
    EXPECT_EQ(formats[2].dwFlags, (DWORD)DDPF_RGB);
    EXPECT_EQ(formats[3].dwFlags, (DWORD)(DDPF_RGB | DDPF_PALETTEINDEXED8));
    D3DDEVICEDESC7 desc;
    ASSERT_EQ(device->GetCaps(&desc), D3D_OK);
    EXPECT_TRUE(desc.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_ALPHAPALETTE);
    EXPECT_GE(desc.dwMaxTextureWidth, 1024u);
    EXPECT_EQ(desc.dwMinTextureWidth, 1u);

    PlatformTest::SetDirect3DTextureFormats(1 | 4);
    PlatformTest::Direct3DLimits limits;
    limits.maxTextureWidth = 256;
    limits.maxTextureHeight = 128;
    limits.maxTextureAspectRatio = 2;
    limits.powerOfTwoOnly = true;
    PlatformTest::SetDirect3DLimits(limits);
    formats.clear();
    ASSERT_EQ(device->EnumTextureFormats(&CollectFormat, &formats), D3D_OK);
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_EQ(formats[1].dwRGBBitCount, 16u);
    ASSERT_EQ(device->GetCaps(&desc), D3D_OK);
    EXPECT_EQ(desc.dwMaxTextureWidth, 256u);
    EXPECT_EQ(desc.dwMaxTextureHeight, 128u);
    EXPECT_EQ(desc.dwMaxTextureAspectRatio, 2u);
    EXPECT_TRUE(desc.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_POW2);
    EXPECT_FALSE(desc.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_ALPHAPALETTE);
    Texture(256, 128, 1);
    Texture(16, 16, 4);
    Texture(64, 64, 2, DDERR_INVALIDPIXELFORMAT);
    Texture(512, 64, 1, D3DERR_TEXTURE_BADSIZE);
    Texture(128, 256, 1, D3DERR_TEXTURE_BADSIZE);
    Texture(128, 32, 1, D3DERR_TEXTURE_BADSIZE); // 4:1
    Texture(96, 64, 1, D3DERR_TEXTURE_BADSIZE);
    limits = PlatformTest::Direct3DLimits{};
    limits.squareOnly = true;
    PlatformTest::SetDirect3DLimits(limits);
    Texture(32, 32, 1);
    Texture(64, 32, 1, D3DERR_TEXTURE_BADSIZE);
}

TEST_F(Direct3DTest, StatesAndCallsAreCheckedAsTheDeviceDocumentsThem)
{
    D3DTLVERTEX tri[3] = {};
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0),
              D3DERR_SCENE_NOT_IN_SCENE);
    EXPECT_EQ(device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_SCENE_IN_SCENE);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_XYZRHW, tri, 3, 0),
              D3DERR_INVALIDVERTEXFORMAT);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_POINTLIST, D3DFVF_TLVERTEX, tri, 3, 0),
              D3DERR_INVALIDPRIMITIVETYPE);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 2, 0), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_ZBUFFER_NOTPRESENT);
    D3DVIEWPORT7 view{0, 0, 129, 10, 0, 1};
    EXPECT_EQ(device->SetViewport(&view), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->SetTexture(0, target), DDERR_INVALIDPARAMS); // not a texture
    // The documented starting states, and what was set.
    DWORD value = 0;
    ASSERT_EQ(device->GetRenderState(D3DRENDERSTATE_CULLMODE, &value), D3D_OK);
    EXPECT_EQ(value, (DWORD)D3DCULL_CCW);
    ASSERT_EQ(device->GetTextureStageState(0, D3DTSS_ALPHAOP, &value), D3D_OK);
    EXPECT_EQ(value, (DWORD)D3DTOP_SELECTARG1);
    // Counter-clockwise triangles are culled until culling is off.
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), D3D_OK);
    D3DTLVERTEX ccw[3] = {{0, 0, 0, 1, 0xFFFFFFFF, 0, 0, 0},
                          {0, 20, 0, 1, 0xFFFFFFFF, 0, 0, 0},
                          {20, 0, 0, 1, 0xFFFFFFFF, 0, 0, 0}};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, ccw, 3, 0), D3D_OK);
    EXPECT_EQ(Platform::GetDirect3DStatistics().primitives, 0u);
    ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE), D3D_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, ccw, 3, 0), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(Read(target)[(size_t)2 * 128 + 2] & 0xFFFFFF, 0xFFFFFFu);
    // A viewport clips what is drawn and cleared.
    D3DVIEWPORT7 half{0, 0, 64, 128, 0, 1};
    ASSERT_EQ(device->SetViewport(&half), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
    std::vector<uint32_t> pixels = Read(target);
    EXPECT_EQ(pixels[63] & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(pixels[64] & 0xFFFFFF, 0u);
}

TEST_F(Direct3DTest, EveryCallCanBeMadeToFail)
{
    IDirectDrawSurface7* texture = Filled(0xFFFFFFFF);
    std::vector<D3DTLVERTEX> quad = Quad(0, 0, 4, 4, 0xFFFFFFFF);
    D3DVIEWPORT7 view{0, 0, 10, 10, 0, 1};
    D3DDEVICEDESC7 desc;
    std::vector<DDPIXELFORMAT> formats;
    IDirect3D7* again = nullptr;
    IDirect3DDevice7* second = nullptr;
    struct Call
    {
        const char* name;
        std::function<HRESULT()> call;
    } calls[] = {
        {"Direct3D7", [&] { return dd->QueryInterface(IID_IDirect3D7, (void**)&again); }},
        {"CreateDevice", [&] { return d3d->CreateDevice(IID_IDirect3DHALDevice, target, &second); }},
        {"GetCaps", [&] { return device->GetCaps(&desc); }},
        {"EnumTextureFormats", [&] { return device->EnumTextureFormats(&CollectFormat, &formats); }},
        {"SetRenderTarget", [&] { return device->SetRenderTarget(target, 0); }},
        {"SetViewport", [&] { return device->SetViewport(&view); }},
        {"Clear", [&] { return device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0); }},
        {"BeginScene", [&] { return device->BeginScene(); }},
        {"SetRenderState", [&] { return device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE); }},
        {"SetTextureStageState",
         [&] { return device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR); }},
        {"SetTexture", [&] { return device->SetTexture(0, texture); }},
        {"DrawPrimitive",
         [&] { return device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, quad.data(), 4, 0); }},
        {"EndScene", [&] { return device->EndScene(); }},
    };
    for (const Call& c : calls)
    {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "DrawPrimitive" || std::string(c.name) == "EndScene")
        {
            ASSERT_EQ(device->BeginScene(), D3D_OK);
        }
        PlatformTest::FailCall(c.name, 1);
        EXPECT_TRUE(FAILED(c.call()));
        EXPECT_EQ(c.call(), D3D_OK); // once only
        if (std::string(c.name) == "BeginScene" || std::string(c.name) == "DrawPrimitive")
        {
            ASSERT_EQ(device->EndScene(), D3D_OK);
        }
    }
    again->Release();
    second->Release();
}

TEST_F(Direct3DTest, AFrameTheRendererDrewIsPresentedWithoutReadingItBack)
{
    // The windowed 3-D screen: a primary for the device, its clipper on the window.
    DDSURFACEDESC2 desc = Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE);
    IDirectDrawSurface7* primary = nullptr;
    ASSERT_EQ(dd->CreateSurface(&desc, &primary, nullptr), DD_OK);
    Keep(primary);
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
    clipper->SetHWnd(0, hwnd);
    primary->SetClipper(clipper);
    clipper->Release();
    IDirectDrawSurface7* texture = Filled(0xFF20A040);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    RECT client;
    GetClientRect(hwnd, &client);
    ASSERT_GE(client.right, 128);
    ASSERT_GE(client.bottom, 100);
    RECT dest{origin.x, origin.y, origin.x + 128, origin.y + 100};
    RECT frame{0, 0, 128, 100};
    for (int i = 0; i < 3; i++)
    {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000010, 1.0f, 0), D3D_OK);
        ASSERT_EQ(Draw(texture, Quad(10, 10, 64, 64, 0xFFFFFFFF)), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        ASSERT_EQ(primary->Blt(&dest, target, &frame, DDBLT_WAIT, nullptr), DD_OK);
        Pump();
        if (i == 0)
            PlatformTest::ResetDirect3DStatistics(); // the first frame sends the surfaces up
    }
    Platform::Direct3DStatistics stats = Platform::GetDirect3DStatistics();
    EXPECT_EQ(stats.uploads, 0u);
    EXPECT_EQ(stats.readBacks, 0u);
    EXPECT_EQ(stats.twinPresents, 2u);
    int width = 0, height = 0;
    std::vector<uint32_t> shown;
    ASSERT_TRUE(PlatformTest::ReadPresentedFrame(hwnd, &width, &height, &shown));
    ASSERT_EQ(width, client.right);
    EXPECT_EQ(shown[(size_t)10 * width + 10], 0xFF20A040u);
    EXPECT_EQ(shown[0], 0xFF000010u);
    ASSERT_TRUE(PlatformTest::ReadHostFrame(hwnd, &width, &height, &shown));
    EXPECT_EQ(shown[(size_t)73 * width + 73] & 0xFFFFFF, 0x20A040u);
    EXPECT_EQ(shown[(size_t)74 * width + 74] & 0xFFFFFF, 0x000010u);
    EXPECT_EQ(Platform::GetDirect3DStatistics().readBacks, 0u);
    // The memory learns the frame only when the CPU looks.
    EXPECT_EQ(Read(primary)[(size_t)(origin.y + 10) * 640 + origin.x + 10], 0xFF20A040u);
    EXPECT_EQ(Platform::GetDirect3DStatistics().readBacks, 1u);
}

TEST_F(Direct3DTest, AFlipTakesTheTwinsAlong)
{
    ASSERT_EQ(dd->SetCooperativeLevel(hwnd, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
    IDirectDrawSurface7 *front = nullptr, *back = nullptr;
    FlipChain(DDSCAPS_3DDEVICE, &front, &back);
    Keep(front);
    Keep(back);
    ASSERT_EQ(device->SetRenderTarget(back, 0), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFCC0000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    Pump();
    int width = 0, height = 0;
    std::vector<uint32_t> shown;
    ASSERT_TRUE(PlatformTest::ReadPresentedFrame(hwnd, &width, &height, &shown));
    EXPECT_EQ(shown[0], 0xFFCC0000u);
    EXPECT_EQ(Platform::GetDirect3DStatistics().readBacks, 0u);
    EXPECT_EQ(Read(front)[0] & 0xFFFFFF, 0xCC0000u);
    EXPECT_EQ(Read(back)[0] & 0xFFFFFF, 0u);
}

TEST_F(Direct3DTest, WhatTheRendererHeldSurvivesItsWindow)
{
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000CC, 1.0f, 0), D3D_OK);
    DestroyWindow(hwnd);
    hwnd = nullptr;
    Pump();
    EXPECT_EQ(Read(target)[0] & 0xFFFFFF, 0x0000CCu);
    EXPECT_EQ(Platform::GetDirect3DStatistics().twins, 0u);
    // Without its window the device cannot draw.
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0), DDERR_SURFACELOST);
}

TEST_F(Direct3DTest, OtherThreadsNeverTouchTheRenderer)
{
    IDirectDrawSurface7* texture = Texture(8, 8, 1);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(Draw(texture, Quad(0, 0, 8, 8, 0xFFFFFFFF)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);
    uint64_t twins = Platform::GetDirect3DStatistics().twins;
    HRESULT locked = DD_OK;
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    std::thread other(
        [&]
        {
            // What the renderer drew cannot be fetched from here; the texture is let go all the same.
            locked = target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
            objects.erase(std::find(objects.begin(), objects.end(), texture));
            texture->Release();
        });
    other.join();
    EXPECT_EQ(locked, DDERR_WASSTILLDRAWING);
    EXPECT_EQ(PlatformTest::QueuedTextureReleases(), 1);
    EXPECT_EQ(Platform::GetDirect3DStatistics().twins, twins - 1);
    Pump();
    EXPECT_EQ(PlatformTest::QueuedTextureReleases(), 0);
    EXPECT_EQ(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    target->Unlock(nullptr);
}

TEST_F(Direct3DTest, D3d8NamesTheRendererAndADriverFileThatExists)
{
    HMODULE module = LoadLibraryA("d3d8.dll");
    ASSERT_NE(module, nullptr);
    auto create = reinterpret_cast<LPDIRECT3DCREATE8>(GetProcAddress(module, "Direct3DCreate8"));
    ASSERT_NE(create, nullptr);
    EXPECT_EQ(create(219), nullptr);
    IDirect3D8* d3d8 = create(D3D_SDK_VERSION);
    ASSERT_NE(d3d8, nullptr);
    D3DADAPTER_IDENTIFIER8 id;
    ASSERT_EQ(d3d8->GetAdapterIdentifier(0, D3DENUM_NO_WHQL_LEVEL, &id), D3D_OK);
    // OpenGL names its renderer; SDL's own renderers go by SDL's name.
    std::string renderer = DDraw::Renderers::Name(DDraw::Renderers::Existing(hwnd));
    if (renderer == "opengl")
        EXPECT_EQ(std::string(id.Description).rfind("SDL ", 0), std::string::npos) << id.Description;
    else
        EXPECT_EQ(std::string(id.Description), "SDL " + renderer + " renderer");
    // The self test opens the system folder's file for its date.
    char folder[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(folder, sizeof(folder)), 0u);
    std::string path = std::string(folder) + "\\" + id.Driver;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    FILETIME written;
    SYSTEMTIME date;
    ASSERT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
    ASSERT_TRUE(FileTimeToSystemTime(&written, &date));
    EXPECT_GE(date.wYear, 2002);
    CloseHandle(file);
    // The same card through DirectDraw, under the same identifier every time.
    DDDEVICEIDENTIFIER2 fromDD;
    ASSERT_EQ(dd->GetDeviceIdentifier(&fromDD, 0), DD_OK);
    EXPECT_STREQ(fromDD.szDriver, id.Driver);
    EXPECT_EQ(std::memcmp(&fromDD.guidDeviceIdentifier, &id.DeviceIdentifier, sizeof(GUID)), 0);
    EXPECT_NE(id.DeviceIdentifier.Data1 | id.DeviceIdentifier.Data2, 0u);
    // A test's card instead.
    PlatformTest::SetDirect3DAdapter({"Radeon 9000", "ati2dvag.dll", GUID{1, 2, 3, {4}}});
    ASSERT_EQ(d3d8->GetAdapterIdentifier(0, D3DENUM_NO_WHQL_LEVEL, &id), D3D_OK);
    EXPECT_STREQ(id.Description, "Radeon 9000");
    EXPECT_STREQ(id.Driver, "ati2dvag.dll");
    EXPECT_EQ(id.DeviceIdentifier.Data1, 1u);
    EXPECT_EQ(d3d8->GetAdapterIdentifier(1, 0, &id), D3DERR_INVALIDCALL);
    PlatformTest::FailCall("GetAdapterIdentifier", 1);
    EXPECT_EQ(d3d8->GetAdapterIdentifier(0, 0, &id), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(d3d8->Release(), 0u);
    PlatformTest::SetDirect3D8EntryPoint(false);
    EXPECT_EQ(GetProcAddress(module, "Direct3DCreate8"), nullptr);
    FreeLibrary(module);
}
