// The thread's message queue: posted and input messages, messages the system sends,
// WM_QUIT, WM_PAINT and WM_TIMER generated when the queue is looked at.
#include "core/clock.h"
#include "win32/gdi32.h"
#include "win32/user32_internal.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <strings.h>
#include <thread>

namespace
{
using namespace Platform::User;

struct Entry
{
    MSG msg;
    bool sent;          // delivered to the procedure when reached
    bool input = false; // from the host's mouse or keyboard
};

struct Timer
{
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    uint64_t due; // ms of the layer's clock
};

std::mutex gQueueLock;
std::deque<Entry> gQueue;
std::vector<Timer> gTimers;
bool gQuit = false;
int gQuitCode = 0;
UINT_PTR gNextThreadTimer = 0x7F00;
std::atomic<DWORD> gLastInput{0};
std::atomic<DWORD> gMessageTime{0};

uint64_t NowMs()
{
    return Platform::NowMicros() / 1000;
}

POINT CursorNow()
{
    POINT pt{};
    GetCursorPos(&pt);
    return pt;
}

bool InRange(UINT message, UINT low, UINT high)
{
    return (low == 0 && high == 0) || (message >= low && message <= high);
}

bool ForWindow(HWND target, HWND filter)
{
    if (!filter)
        return true;
    if (filter == (HWND)-1)
        return target == nullptr;
    return target == filter;
}

WNDPROC ProcOf(HWND hwnd)
{
    auto w = Find(hwnd);
    if (!w)
        return nullptr;
    std::lock_guard<std::recursive_mutex> lock(TableLock());
    return w->proc;
}

// Walks the queue in arrival order: messages the system sends are delivered to their
// window procedures as they come up, until a posted message matches the filter.
bool TakePosted(LPMSG out, HWND filter, UINT low, UINT high, bool remove, bool* input)
{
    *input = false;
    for (;;)
    {
        MSG msg;
        {
            std::lock_guard<std::mutex> lock(gQueueLock);
            auto it = std::find_if(
                gQueue.begin(), gQueue.end(),
                [&](const Entry& e)
                { return e.sent || (ForWindow(e.msg.hwnd, filter) && InRange(e.msg.message, low, high)); });
            if (it == gQueue.end())
                break;
            msg = it->msg;
            if (!it->sent)
            {
                *out = msg;
                *input = it->input;
                if (remove)
                    gQueue.erase(it);
                return true;
            }
            gQueue.erase(it);
        }
        SendMessageA(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    }
    std::lock_guard<std::mutex> lock(gQueueLock);
    if (gQuit && InRange(WM_QUIT, low, high))
    {
        *out = MSG{nullptr, WM_QUIT, (WPARAM)gQuitCode, 0, NowMillis(), CursorNow()};
        if (remove)
            gQuit = false;
        return true;
    }
    return false;
}

bool TakePaint(LPMSG out, HWND filter, UINT low, UINT high)
{
    if (!InRange(WM_PAINT, low, high) || filter == (HWND)-1)
        return false;
    for (auto& w : AllWindows())
    {
        std::lock_guard<std::recursive_mutex> lock(TableLock());
        if (w->visible && w->needsPaint && ForWindow(w->handle, filter))
        {
            // Stays until the window validates itself (BeginPaint or DefWindowProcA).
            *out = MSG{w->handle, WM_PAINT, 0, 0, NowMillis(), CursorNow()};
            return true;
        }
    }
    return false;
}

bool TakeTimer(LPMSG out, HWND filter, UINT low, UINT high, bool remove)
{
    if (!InRange(WM_TIMER, low, high))
        return false;
    std::lock_guard<std::mutex> lock(gQueueLock);
    uint64_t now = NowMs();
    for (auto& t : gTimers)
    {
        if (t.due > now || !ForWindow(t.hwnd, filter))
            continue;
        *out = MSG{t.hwnd, WM_TIMER, t.id, (LPARAM)t.proc, (DWORD)now, CursorNow()};
        // Like Windows, a late timer fires once and restarts its period from now.
        if (remove)
            t.due = now + t.elapse;
        return true;
    }
    return false;
}

uint64_t NextTimerDue()
{
    std::lock_guard<std::mutex> lock(gQueueLock);
    uint64_t due = UINT64_MAX;
    for (auto& t : gTimers)
        due = std::min(due, t.due);
    return due;
}
} // namespace

namespace Platform::User
{
void PostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, POINT screenPoint)
{
    std::lock_guard<std::mutex> lock(gQueueLock);
    // Pointer moves that nobody has read yet are merged, as Windows does.
    if (message == WM_MOUSEMOVE && !gQueue.empty())
    {
        MSG& last = gQueue.back().msg;
        if (gQueue.back().input && last.message == WM_MOUSEMOVE && last.hwnd == hwnd && last.wParam == wParam)
            gQueue.pop_back();
    }
    gQueue.push_back(Entry{MSG{hwnd, message, wParam, lParam, NowMillis(), screenPoint}, false, true});
}

void QueueSent(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::lock_guard<std::mutex> lock(gQueueLock);
    gQueue.push_back(Entry{MSG{hwnd, message, wParam, lParam, NowMillis(), POINT{}}, true});
}

void NoteInput()
{
    gLastInput.store(NowMillis());
}

void ForgetWindowMessages(HWND hwnd)
{
    std::lock_guard<std::mutex> lock(gQueueLock);
    gQueue.erase(
        std::remove_if(gQueue.begin(), gQueue.end(), [&](const Entry& e) { return e.msg.hwnd == hwnd; }),
        gQueue.end());
    gTimers.erase(
        std::remove_if(gTimers.begin(), gTimers.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
        gTimers.end());
}
} // namespace Platform::User

BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    if (!msg || (hwnd && hwnd != (HWND)-1 && !IsWindow(hwnd)))
        return FALSE;
    bool remove = (removeMsg & PM_REMOVE) != 0;
    // What other threads wait on comes first, as messages sent from other threads do on Windows.
    RunVideoThreadCalls();
    PumpHostEvents();
    // Every pass of the program's loop looks here: the screen is brought up to date first.
    RunPresenter();
    bool input;
    if (TakePosted(msg, hwnd, filterMin, filterMax, remove, &input))
    {
        // The window under the pointer chooses the cursor before it gets the mouse message.
        bool pointer = msg->message >= WM_MOUSEFIRST && msg->message < WM_MOUSEWHEEL;
        if (input && remove && pointer && !GetCapture())
            SendMessageA(msg->hwnd, WM_SETCURSOR, (WPARAM)msg->hwnd, MAKELPARAM(HTCLIENT, msg->message));
        gMessageTime.store(msg->time);
        return TRUE;
    }
    if (TakePaint(msg, hwnd, filterMin, filterMax) || TakeTimer(msg, hwnd, filterMin, filterMax, remove))
    {
        gMessageTime.store(msg->time);
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    if (!msg || (hwnd && hwnd != (HWND)-1 && !IsWindow(hwnd)))
        return -1;
    while (!PeekMessageA(msg, hwnd, filterMin, filterMax, PM_REMOVE))
    {
        uint64_t due = NextTimerDue();
        uint64_t now = NowMs();
        int wait = due <= now ? 0 : (int)std::min<uint64_t>(10, due - now);
        if (OnVideoThread())
            SDL_WaitEventTimeout(nullptr, std::max(1, wait));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(std::max(1, wait)));
    }
    return msg->message != WM_QUIT;
}

BOOL WINAPI TranslateMessage(const MSG* msg)
{
    if (!msg || msg->message < WM_KEYDOWN || msg->message > WM_SYSKEYUP || msg->message == WM_CHAR)
        return FALSE;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)
        return TRUE;
    // Printable characters come from the host's text input; the keys below give none
    // there, so they are made here as Windows makes them.
    WPARAM ch;
    switch (msg->wParam)
    {
    case VK_RETURN:
        ch = 13;
        break;
    case VK_BACK:
        ch = 8;
        break;
    case VK_ESCAPE:
        ch = 27;
        break;
    case VK_TAB:
        ch = 9;
        break;
    default:
        return TRUE;
    }
    UINT charMessage = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    std::lock_guard<std::mutex> lock(gQueueLock);
    // The character is the next message read, ahead of later input.
    gQueue.push_front(Entry{MSG{msg->hwnd, charMessage, ch, msg->lParam, msg->time, msg->pt}, false});
    return TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* msg)
{
    if (!msg)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam)
    {
        ((TIMERPROC)msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    WNDPROC proc = ProcOf(msg->hwnd);
    return proc ? proc(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

LRESULT WINAPI SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WNDPROC proc = ProcOf(hwnd);
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4)
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0)
        {
        case SC_CLOSE:
            SendMessageA(hwnd, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE:
            ShowWindow(hwnd, SW_MINIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(hwnd, SW_RESTORE);
            break;
        default:
            break;
        }
        return 0;
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
    {
        auto w = Find(hwnd);
        return w && w->cls && w->cls->wc.hbrBackground ? 1 : 0;
    }
    case WM_SETCURSOR:
    {
        auto w = Find(hwnd);
        if (LOWORD(lParam) == HTCLIENT && w && w->cls && w->cls->wc.hCursor)
        {
            SetCursor(w->cls->wc.hCursor);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return 0;
    }
}

BOOL WINAPI PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hwnd && !IsWindow(hwnd))
        return FALSE;
    POINT pt = CursorNow();
    std::lock_guard<std::mutex> lock(gQueueLock);
    gQueue.push_back(Entry{MSG{hwnd, message, wParam, lParam, NowMillis(), pt}, false});
    return TRUE;
}

void WINAPI PostQuitMessage(int exitCode)
{
    std::lock_guard<std::mutex> lock(gQueueLock);
    gQuit = true;
    gQuitCode = exitCode;
}

UINT WINAPI RegisterWindowMessageA(LPCSTR name)
{
    struct NameLess
    {
        bool operator()(const std::string& a, const std::string& b) const
        {
            return strcasecmp(a.c_str(), b.c_str()) < 0;
        }
    };
    static std::map<std::string, UINT, NameLess> names;
    static UINT next = 0xC000;
    if (!name || !*name)
        return 0;
    std::lock_guard<std::mutex> lock(gQueueLock);
    auto it = names.find(name);
    if (it != names.end())
        return it->second;
    return names[name] = next++;
}

DWORD WINAPI GetMessageTime()
{
    return gMessageTime.load();
}

BOOL WINAPI GetLastInputInfo(PLASTINPUTINFO info)
{
    if (!info || info->cbSize < sizeof(LASTINPUTINFO))
        return FALSE;
    info->dwTime = gLastInput.load();
    return TRUE;
}

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC timerFunc)
{
    if (hwnd && !IsWindow(hwnd))
        return 0;
    elapse = std::clamp<UINT>(elapse, USER_TIMER_MINIMUM, 0x7FFFFFFF);
    std::lock_guard<std::mutex> lock(gQueueLock);
    if (!hwnd)
        id = gNextThreadTimer++;
    Timer timer{hwnd, id, elapse, timerFunc, NowMs() + elapse};
    auto it = std::find_if(gTimers.begin(), gTimers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it != gTimers.end())
        *it = timer;
    else
        gTimers.push_back(timer);
    return id ? id : 1;
}

BOOL WINAPI KillTimer(HWND hwnd, UINT_PTR id)
{
    std::lock_guard<std::mutex> lock(gQueueLock);
    auto it = std::find_if(gTimers.begin(), gTimers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == gTimers.end())
        return FALSE;
    gTimers.erase(it);
    return TRUE;
}
