#include "d3d/Identity.h"
#include "audio/SdlHints.h"
#include "ddraw/Renderers.h"
#include "win32/kernel32.h"
#include "win32/user32_internal.h"
#include "win32/x11_window_loss.h"

#include <SDL.h>

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

namespace
{
namespace fs = std::filesystem;

constexpr unsigned kGlVendor = 0x1F00;
constexpr unsigned kGlRenderer = 0x1F01;

std::mutex gLock;
D3D::Identity gFound, gChosen;
bool gHaveFound = false, gHaveChosen = false;

std::string GlString(unsigned name)
{
    using GetString = const unsigned char* (*)(unsigned);
    auto get = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* text = get ? get(name) : nullptr;
    return text ? reinterpret_cast<const char*>(text) : "";
}

// The first library mapped into the process whose file name holds one of the fragments, in the
// fragments' order: the graphics driver OpenGL loaded.
std::string MappedLibrary(std::initializer_list<const char*> fragments)
{
    std::ifstream maps("/proc/self/maps");
    std::vector<std::string> paths;
    for (std::string line; std::getline(maps, line);)
    {
        size_t slash = line.find('/');
        if (slash != std::string::npos)
            paths.push_back(line.substr(slash));
    }
    for (const char* fragment : fragments)
        for (const std::string& path : paths)
            if (fs::path(path).filename().string().find(fragment) != std::string::npos)
                return path;
    return "";
}

std::string SdlLibrary()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&SDL_Init), &info) == 0 || !info.dli_fname)
        return "";
    return info.dli_fname;
}

// The driver's path below the system folder, as Windows writes it; empty when it lies elsewhere.
std::string BelowSystemFolder(const std::string& path)
{
    char folder[MAX_PATH];
    UINT length = GetSystemDirectoryA(folder, sizeof(folder));
    std::error_code error;
    fs::path file = fs::canonical(path, error);
    if (path.empty() || error || length == 0 || length >= sizeof(folder))
        return "";
    std::string base = std::string(folder) + "/", full = file.string();
    if (full.compare(0, base.size(), base) != 0)
        return "";
    std::string below = full.substr(base.size());
    std::replace(below.begin(), below.end(), '/', '\\');
    return below;
}

GUID HashGuid(const std::string& text)
{
    auto fnv = [&](uint64_t hash)
    {
        for (unsigned char c : text)
            hash = (hash ^ c) * 0x100000001B3ull;
        return hash;
    };
    uint64_t a = fnv(0xCBF29CE484222325ull), b = fnv(0x84222325CBF29CE4ull);
    GUID guid;
    guid.Data1 = (uint32_t)(a >> 32);
    guid.Data2 = (uint16_t)(a >> 16);
    guid.Data3 = (uint16_t)a;
    for (int i = 0; i < 8; i++)
        guid.Data4[i] = (uint8_t)(b >> (56 - 8 * i));
    return guid;
}

// The top-level window with the largest inside: the one the program draws in.
HWND MainWindow()
{
    std::lock_guard<std::recursive_mutex> lock(Platform::User::TableLock());
    HWND main = nullptr;
    long largest = 0;
    for (const auto& window : Platform::User::AllWindows())
    {
        SIZE size = Platform::User::ClientSize(*window);
        long area = long(size.cx) * long(size.cy);
        if (!(window->style & WS_CHILD) && area > largest)
        {
            largest = area;
            main = window->handle;
        }
    }
    return main;
}

D3D::Identity Probe(SDL_Renderer* renderer)
{
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer, &info);
    std::string name = info.name ? info.name : "unknown";
    std::string vendor, model, driver;
    if (name.rfind("opengl", 0) == 0 && SDL_GL_GetCurrentContext())
    {
        vendor = GlString(kGlVendor);
        model = GlString(kGlRenderer);
        driver =
            BelowSystemFolder(MappedLibrary({"_dri.so", "nvidia-glcore", "GLX_nvidia", "GLX_mesa", "libGL"}));
    }
    if (driver.empty())
        driver = BelowSystemFolder(SdlLibrary());
    D3D::Identity identity;
    identity.description = model.empty() ? "SDL " + name + " renderer" : model;
    identity.driver = driver;
    identity.deviceId = HashGuid(vendor + "|" + identity.description + "|" + driver);
    return identity;
}
} // namespace

namespace D3D
{
bool RendererIdentity(Identity* identity)
{
    std::lock_guard<std::mutex> lock(gLock);
    if (gHaveChosen || gHaveFound)
    {
        *identity = gHaveChosen ? gChosen : gFound;
        return true;
    }
    if (!Platform::User::EnsureVideo() || !Platform::User::OnVideoThread())
        return false;
    SDL_Renderer* renderer = DDraw::Renderers::Any();
    // No window draws yet: the main window gets its renderer now rather than at its first frame
    // (a second OpenGL context costs time and much memory), else a hidden one asks the same
    // driver the windows will get.
    if (!renderer)
        if (HWND main = MainWindow())
            renderer = DDraw::Renderers::ForWindow(main);
    SDL_Window* window = nullptr;
    if (!renderer)
    {
        const bool limited = Platform::AddressSpaceLimited();
        if (!limited)
            window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
        if (!window)
            window = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN);
        renderer = window ? SDL_CreateRenderer(window, -1, limited ? SDL_RENDERER_SOFTWARE : 0) : nullptr;
    }
    if (renderer)
    {
        gFound = Probe(renderer);
        gHaveFound = true;
    }
    if (window)
    {
        if (renderer)
            SDL_DestroyRenderer(renderer);
        Platform::User::DestroyHostWindow(window);
    }
    if (!gHaveFound)
        return false;
    *identity = gFound;
    return true;
}

void SetIdentity(const Identity* identity)
{
    std::lock_guard<std::mutex> lock(gLock);
    gHaveChosen = identity != nullptr;
    if (identity)
        gChosen = *identity;
}
} // namespace D3D
