// A shown test window whose procedure records every message it is given.
#pragma once

#include "core/clock.h"
#include "test/input.h"
#include "win32/windows.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <vector>

struct Received
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class WindowTest : public ::testing::Test
{
public:
    static std::vector<Received>& Log()
    {
        static std::vector<Received> log;
        return log;
    }

    static LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        Log().push_back(Received{hwnd, message, wParam, lParam});
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    static void RegisterOnce(const char* name, UINT style)
    {
        WNDCLASSA wc{};
        wc.style = style;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = name;
        RegisterClassA(&wc); // 0 the second time: already there
    }

protected:
    static constexpr DWORD kStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    HWND hwnd = nullptr;

    void SetUp() override
    {
        RegisterOnce("TestWindow", CS_DBLCLKS);
        hwnd = CreateWindowExA(0, "TestWindow", "Test", kStyle, 100, 100, 406, 326, nullptr, nullptr, nullptr,
                               nullptr);
        ASSERT_NE(hwnd, nullptr);
        ShowWindow(hwnd, SW_SHOW);
        Pump();
        PlatformTest::ResetInputState();
        Log().clear();
    }

    void TearDown() override
    {
        if (IsWindow(hwnd))
            DestroyWindow(hwnd);
        Pump();
        PlatformTest::ResetInputState();
        Log().clear();
    }

    // The application's loop: take every waiting message, translate and dispatch it.
    static void Pump()
    {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    // The received messages of the given kinds, in order.
    static std::vector<Received> Only(std::initializer_list<UINT> messages)
    {
        std::vector<Received> out;
        for (const Received& r : Log())
            for (UINT m : messages)
                if (r.message == m)
                    out.push_back(r);
        return out;
    }
};
