#include "DDrawSupport.h"
#include "WindowFixture.h"
#include "ddraw/ddraw.h"

#include <cstring>

// A blit onto the screen through a clipper that knows the window writes only the window's client area.
TEST_F(WindowTest, ClipperKeepsScreenBlitsInTheClientArea)
{
    void* made = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &made, IID_IDirectDraw7, nullptr), DD_OK);
    auto* dd = static_cast<IDirectDraw7*>(made);
    IDirectDrawSurface7* primary = MakeWindowedPrimary(dd, hwnd);
    ASSERT_NE(primary, nullptr);
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);

    RECT client;
    ASSERT_TRUE(GetClientRect(hwnd, &client));
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    ASSERT_GT(client.right, 2);

    // From two pixels above and left of the client area to two pixels into it.
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = 0xABCDEF;
    RECT across{origin.x - 2, origin.y - 2, origin.x + 2, origin.y + 2};
    ASSERT_EQ(primary->Blt(&across, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);

    ASSERT_EQ(primary->GetSurfaceDesc(&desc), DD_OK);
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof(locked);
    ASSERT_EQ(primary->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
    auto pixel = [&](LONG x, LONG y)
    { return ((uint32_t*)((uint8_t*)locked.lpSurface + y * locked.lPitch))[x]; };
    EXPECT_EQ(pixel(origin.x, origin.y), 0xABCDEFu);
    EXPECT_EQ(pixel(origin.x + 1, origin.y + 1), 0xABCDEFu);
    EXPECT_EQ(pixel(origin.x - 1, origin.y - 1), 0u);
    EXPECT_EQ(pixel(origin.x - 1, origin.y + 1), 0u);
    EXPECT_EQ(pixel(origin.x + 2, origin.y), 0u);
    primary->Unlock(nullptr);

    EXPECT_EQ(primary->Release(), 0u);
    EXPECT_EQ(dd->Release(), 0u);
}
