#include "win32/x11_window_loss.h"

#include <SDL_syswm.h>
#include <X11/Xatom.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace
{
struct Watched
{
    unsigned long xid;
    uint32_t sdlId;
};

std::mutex gLock;
std::vector<Watched> gLive;
// Destroyed by another client: requests SDL still makes for them (drawing, its own clean-up)
// fail, and those failures are expected.
std::vector<unsigned long> gLost;
XErrorHandler gPrevious = nullptr;
pid_t gOwner = 0; // SDL shows message boxes from a forked copy, whose windows are its own
// The colormap being freed after its window: an SDL that frees it itself has done so first.
Colormap gFreeing = None;
// From OpenGL's probe until the first window is made: errors of extension requests are the
// probe's, which then failed.
std::atomic<bool> gProbing{false};
std::atomic<bool> gProbeFailed{false};

bool Named(unsigned long xid)
{
    std::lock_guard<std::mutex> lock(gLock);
    return std::any_of(gLive.begin(), gLive.end(), [&](const Watched& w) { return w.xid == xid; }) ||
           std::find(gLost.begin(), gLost.end(), xid) != gLost.end();
}

// A request that names a window or drawable that is gone fails when another client destroyed
// it first (the server does not always say which one was missing); the close that follows the
// window's loss ends the run. Requests naming a window of ours fail only for that reason.
int OnXError(Display* display, XErrorEvent* error)
{
    const bool gone = error->error_code == BadWindow || error->error_code == BadDrawable ||
                      Named(error->resourceid) ||
                      (error->error_code == BadColor && error->resourceid == gFreeing);
    if (gone && getpid() == gOwner)
        return 0;
    if (gProbing && error->request_code >= 128 && getpid() == gOwner)
    {
        gProbeFailed = true;
        return 0;
    }
    return gPrevious ? gPrevious(display, error) : 0;
}

// From the first window on, errors naming windows that are gone end nothing.
void ExpectGoneWindows()
{
    static std::once_flag once;
    std::call_once(once,
                   []
                   {
                       gOwner = getpid();
                       gPrevious = XSetErrorHandler(OnXError);
                   });
}
} // namespace

namespace Platform::User
{
bool X11Info(SDL_Window* window, SDL_SysWMinfo* info)
{
    SDL_VERSION(&info->version);
    return window && SDL_GetWindowWMInfo(window, info) && info->subsystem == SDL_SYSWM_X11;
}

void WatchHostWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    if (!X11Info(window, &info))
        return;
    const unsigned long xid = info.info.x11.window;
    ExpectGoneWindows();
    if (gProbing)
    {
        // What the probe still had coming has come once the server answered.
        XSync(info.info.x11.display, False);
        gProbing = false;
    }
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    std::lock_guard<std::mutex> lock(gLock);
    gLive.push_back({xid, SDL_GetWindowID(window)});
}

void UnwatchHostWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    if (!X11Info(window, &info))
        return;
    const unsigned long xid = info.info.x11.window;
    std::lock_guard<std::mutex> lock(gLock);
    gLive.erase(std::remove_if(gLive.begin(), gLive.end(), [&](const Watched& w) { return w.xid == xid; }),
                gLive.end());
    // SDL hides a window it destroys and waits for the server to say it is unmapped, which it
    // never says of a window already gone: it is told so beforehand.
    if (std::find(gLost.begin(), gLost.end(), xid) != gLost.end())
    {
        XEvent unmapped{};
        unmapped.xunmap.type = UnmapNotify;
        unmapped.xunmap.display = info.info.x11.display;
        unmapped.xunmap.event = xid;
        unmapped.xunmap.window = xid;
        XPutBackEvent(info.info.x11.display, &unmapped);
    }
}

bool Unmanaged(SDL_Window* window)
{
    SDL_SysWMinfo info;
    if (!X11Info(window, &info))
        return false;
    Display* display = info.info.x11.display;
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, info.info.x11.window, &root, &parent, &children, &count))
        return false;
    if (children)
        XFree(children);
    if (parent != root)
        return false;
    // A window manager that frames nothing still says that it runs.
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return true;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool managed = XGetWindowProperty(display, root, check, 0, 1, False, XA_WINDOW, &type, &format, &items,
                                      &after, &data) == Success &&
                   items == 1;
    if (data)
        XFree(data);
    return !managed;
}

bool LoadOpenGL()
{
    static const bool loaded = []
    {
        ExpectGoneWindows();
        gProbing = true;
        return SDL_GL_LoadLibrary(nullptr) == 0;
    }();
    return loaded && !gProbeFailed;
}

void RewatchHostWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    if (!X11Info(window, &info))
        return;
    const uint32_t id = SDL_GetWindowID(window);
    std::lock_guard<std::mutex> lock(gLock);
    for (Watched& w : gLive)
        if (w.sdlId == id)
            w.xid = info.info.x11.window;
}

void DestroyHostWindow(SDL_Window* window)
{
    SDL_SysWMinfo info;
    Display* display = nullptr;
    Colormap colormap = None;
    XWindowAttributes attributes;
    if (X11Info(window, &info) &&
        XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes) &&
        attributes.colormap != DefaultColormapOfScreen(attributes.screen))
    {
        display = info.info.x11.display;
        colormap = attributes.colormap;
    }
    SDL_DestroyWindow(window);
    if (colormap == None)
        return;
    ExpectGoneWindows();
    XSync(display, False);
    gFreeing = colormap;
    XFreeColormap(display, colormap);
    XSync(display, False);
    gFreeing = None;
}

uint32_t DestroyedHostWindow(const SDL_Event& event)
{
    if (event.type != SDL_SYSWMEVENT || event.syswm.msg->subsystem != SDL_SYSWM_X11)
        return 0;
    const XEvent& x = event.syswm.msg->msg.x11.event;
    if (x.type != DestroyNotify)
        return 0;
    std::lock_guard<std::mutex> lock(gLock);
    // Windows SDL destroyed itself were unwatched first.
    auto it = std::find_if(gLive.begin(), gLive.end(),
                           [&](const Watched& w) { return w.xid == x.xdestroywindow.window; });
    if (it == gLive.end())
        return 0;
    const uint32_t id = it->sdlId;
    gLost.push_back(it->xid);
    gLive.erase(it);
    return id;
}
} // namespace Platform::User
