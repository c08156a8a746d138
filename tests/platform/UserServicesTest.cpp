#include "core/desktop.h"
#include "core/faults.h"
#include "test/cursor.h"
#include "test/message_box.h"
#include "test/shell.h"
#include "win32/windows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(MessageBox, ScriptedAnswersAreRecorded)
{
    PlatformTest::ScriptMessageBoxes({IDNO, IDCANCEL});
    EXPECT_EQ(MessageBoxA(nullptr, "Keep it?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Go on?", "Ask", MB_OKCANCEL | MB_TOPMOST), IDCANCEL);
    auto shown = PlatformTest::ShownMessageBoxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, "Question");
    EXPECT_EQ(shown[0].text, "Keep it?");
    EXPECT_EQ(shown[0].flags, (unsigned)(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(shown[0].answer, IDNO);
    EXPECT_EQ(shown[1].flags, (unsigned)(MB_OKCANCEL | MB_TOPMOST));
    PlatformTest::ResetMessageBoxes();
    EXPECT_TRUE(PlatformTest::ShownMessageBoxes().empty());
}

// SDL is called by the thread that owns the display only: a box asked for on another thread is
// shown there when that thread looks at its queue, and the asking thread waits for the answer.
// An error box reaches standard error even when it is shown; another box only when it is not.
TEST(MessageBox, ShownByTheDisplayThreadWhicheverThreadAsks)
{
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // this thread opens the display
    PlatformTest::ScriptMessageBoxes({IDNO, IDOK});
    std::atomic<int> answer{-1};
    testing::internal::CaptureStderr();
    std::thread worker([&] { answer = MessageBoxA(nullptr, "Keep it?", "Question", MB_YESNO); });
    while (answer.load() < 0)
    {
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        std::this_thread::yield();
    }
    worker.join();
    EXPECT_EQ(answer.load(), IDNO);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(nullptr, "Gone.", "FATAL ERROR", MB_ICONERROR), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "FATAL ERROR: Gone.\n");
    auto shown = PlatformTest::ShownMessageBoxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].thread, std::this_thread::get_id());
    EXPECT_EQ(shown[1].thread, std::this_thread::get_id());
    PlatformTest::ResetMessageBoxes();
}

TEST(MessageBox, WithoutDisplayTextGoesToStandardErrorAndDefaultIsAnswered)
{
    // The tests run on SDL's dummy driver, which has no message boxes.
    struct Case
    {
        UINT flags;
        int answer;
    };
    const Case cases[] = {
        {MB_OK | MB_ICONERROR, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3 | MB_SYSTEMMODAL, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON3 | MB_TASKMODAL, IDYES}, // no third button: the first
    };
    PlatformTest::ScriptMessageBoxes({});
    for (const Case& c : cases)
    {
        testing::internal::CaptureStderr();
        EXPECT_EQ(
            MessageBoxA(nullptr, "Please set your desktop color depth to 16 bit.", "FATAL ERROR", c.flags),
            c.answer);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("FATAL ERROR"), std::string::npos);
        EXPECT_NE(err.find("Please set your desktop color depth to 16 bit."), std::string::npos);
    }
    EXPECT_EQ(PlatformTest::ShownMessageBoxes().size(), std::size(cases));
    PlatformTest::FailCall("MessageBoxA", 1);
    EXPECT_EQ(MessageBoxA(nullptr, "x", "y", MB_OK), 0);
    PlatformTest::ResetMessageBoxes();
}

TEST(Cursor, MasksGiveTransparentBlackWhiteAndInvertedPixels)
{
    // Row 0: pixels 0..3 are transparent, black, white, inverted; the rest transparent.
    uint8_t andMask[32 * 4], xorMask[32 * 4];
    std::fill(std::begin(andMask), std::end(andMask), 0xFF);
    std::fill(std::begin(xorMask), std::end(xorMask), 0x00);
    andMask[0] = 0x9F; // 1001 1111: pixels 1 and 2 have AND 0
    xorMask[0] = 0x30; // 0011 0000: pixels 2 and 3 have XOR 1
    HCURSOR cursor = CreateCursor(nullptr, 11, 4, 32, 32, andMask, xorMask);
    ASSERT_NE(cursor, nullptr);
    int w, h, hx, hy;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(PlatformTest::CursorPicture(cursor, &w, &h, &hx, &hy, &pixels));
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 32);
    EXPECT_EQ(hx, 11);
    EXPECT_EQ(hy, 4);
    EXPECT_EQ(pixels[0], 0x00000000u);
    EXPECT_EQ(pixels[1], 0xFF000000u);
    EXPECT_EQ(pixels[2], 0xFFFFFFFFu);
    EXPECT_EQ(pixels[3], 0xFF000000u);
    EXPECT_EQ(pixels[4], 0x00000000u);
    EXPECT_EQ(pixels[32], 0x00000000u);

    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
    for (LPCSTR id : {IDC_IBEAM, IDC_WAIT, IDC_CROSS, IDC_NO, IDC_SIZEALL, IDC_SIZENESW, IDC_SIZENS,
                      IDC_SIZENWSE, IDC_SIZEWE, IDC_HAND})
        EXPECT_NE(LoadCursorA(nullptr, id), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, "IDC_CUSTOM"), nullptr);

    SetCursor(arrow);
    EXPECT_EQ(SetCursor(cursor), arrow);
    EXPECT_EQ(PlatformTest::ShownCursor(), cursor);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(PlatformTest::ShownCursor(), nullptr);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_EQ(SetCursor(nullptr), cursor);
    EXPECT_EQ(PlatformTest::ShownCursor(), nullptr);
    SetCursor(cursor);
    EXPECT_TRUE(DestroyCursor(cursor));
    EXPECT_FALSE(DestroyCursor(cursor));
    EXPECT_EQ(PlatformTest::ShownCursor(), arrow); // a destroyed cursor is not left shown
    EXPECT_TRUE(DestroyCursor(arrow));             // shared: stays usable
    EXPECT_EQ(SetCursor(arrow), arrow);
    EXPECT_EQ(CreateCursor(nullptr, 0, 0, 32, 32, nullptr, xorMask), nullptr);
}

TEST(Desktop, TestDesktopAndKeptFullScreenMode)
{
    PlatformTest::SetDesktop(Platform::DesktopInfo{1280, 1024, 16, 75, 32u << 20});
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
    RECT work;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.right, 1280);
    EXPECT_EQ(work.bottom, 1024);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, BITSPIXEL), 16);
    EXPECT_EQ(GetDeviceCaps(dc, VREFRESH), 75);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 1280);
    EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 1024);
    ReleaseDC(nullptr, dc);

    DEVMODEA dm{};
    dm.dmSize = sizeof(dm);
    dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    dm.dmPelsWidth = 800;
    dm.dmPelsHeight = 600;
    dm.dmBitsPerPel = 32;
    EXPECT_EQ(ChangeDisplaySettingsA(&dm, CDS_TEST), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_TRUE(Platform::FullScreenModeActive());
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
    EXPECT_EQ(GetDeviceCaps(GetDC(nullptr), BITSPIXEL), 32);
    DEVMODEA current{};
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
    EXPECT_EQ(current.dmPelsWidth, 800u);
    EXPECT_EQ(current.dmDisplayFrequency, 75u);
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_REGISTRY_SETTINGS, &current));
    EXPECT_EQ(current.dmPelsWidth, 1280u);
    EXPECT_EQ(current.dmBitsPerPel, 16u);

    dm.dmPelsWidth = 2048; // no mode of that size
    EXPECT_EQ(ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
    PlatformTest::FailCall("ChangeDisplaySettingsA", 1);
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_FAILED);
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(Platform::FullScreenModeActive());
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);

    // 16 and 32 bits are both offered, sizes larger than the desktop too (scaled down to it).
    bool sixteen = false, thirtyTwo = false, larger = false;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &current); i++)
    {
        sixteen = sixteen || current.dmBitsPerPel == 16;
        thirtyTwo = thirtyTwo || current.dmBitsPerPel == 32;
        larger = larger || (current.dmPelsWidth == 1600 && current.dmPelsHeight == 1200);
    }
    EXPECT_TRUE(sixteen && thirtyTwo && larger);

    // A 24-bit desktop can go back to its own mode.
    PlatformTest::SetDesktop(Platform::DesktopInfo{1024, 768, 24, 60, 16u << 20});
    dm.dmPelsWidth = 1024;
    dm.dmPelsHeight = 768;
    dm.dmBitsPerPel = 24;
    EXPECT_EQ(ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_FALSE(Platform::FullScreenModeActive());
    EXPECT_EQ(GetDeviceCaps(GetDC(nullptr), BITSPIXEL), 24);
    PlatformTest::ResetDesktop();
}

TEST(Desktop, DummyDriverDefaults)
{
    PlatformTest::ResetDesktop();
    Platform::DesktopInfo desktop = Platform::Desktop();
    EXPECT_EQ(desktop.width, 1024);
    EXPECT_EQ(desktop.height, 768);
    EXPECT_EQ(desktop.bitsPerPixel, 32);
    EXPECT_EQ(desktop.refreshRate, 0);
    EXPECT_GT(desktop.videoMemory, 0u);
    RECT r;
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &r));
    EXPECT_EQ(r.right, 1024);
}

TEST(Shell, OpenIsCapturedAndOtherVerbsRefused)
{
    PlatformTest::CaptureShellExecute(true);
    EXPECT_GT(
        (intptr_t)ShellExecuteA(nullptr, "open", "https://example.org/a b", nullptr, nullptr, SW_SHOWNORMAL),
        32);
    EXPECT_EQ((intptr_t)ShellExecuteA(nullptr, "print", "x.txt", nullptr, nullptr, SW_SHOWNORMAL),
              SE_ERR_NOASSOC);
    EXPECT_LE((intptr_t)ShellExecuteA(nullptr, "open", "", nullptr, nullptr, SW_SHOWNORMAL), 32);
    auto calls = PlatformTest::ShellCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].file, "https://example.org/a b");
    PlatformTest::CaptureShellExecute(false);
}
