// The program's resources and the icons made of them.
#include "win32/kernel32.h"
#include "win32/resources.h"
#include "win32/user32_internal.h"

#include <climits>
#include <map>
#include <memory>
#include <string>
#include <strings.h>

namespace
{
struct NoCaseLess
{
    bool operator()(const std::string& a, const std::string& b) const
    {
        return strcasecmp(a.c_str(), b.c_str()) < 0;
    }
};

// Filled by the embedding sources' statics before main and only read after: no lock. Each entry
// keeps its place, so a resource's address serves as its icon's handle.
std::map<std::string, std::unique_ptr<Platform::Resource>, NoCaseLess>& Resources()
{
    static std::map<std::string, std::unique_ptr<Platform::Resource>, NoCaseLess> resources;
    return resources;
}

const Platform::Resource* FromHandle(HICON icon)
{
    for (const auto& [name, resource] : Resources())
        if ((HICON)resource.get() == icon)
            return resource.get();
    return nullptr;
}
} // namespace

namespace Platform
{
bool AddResource(const char* name, const unsigned char* data, size_t size)
{
    auto& slot = Resources()[name];
    if (!slot)
        slot = std::make_unique<Resource>();
    *slot = Resource{data, size};
    return true;
}

const Resource* FindResourceNamed(const char* name)
{
    auto found = Resources().find(name);
    return found == Resources().end() ? nullptr : found->second.get();
}
} // namespace Platform

namespace Platform::User
{
void ApplyHostIcon(SDL_Window* window, HICON icon)
{
    const Resource* resource = FromHandle(icon);
    if (resource == nullptr || resource->size > size_t(INT_MAX))
        return;
    SDL_RWops* bytes = SDL_RWFromConstMem(resource->data, int(resource->size));
    SDL_Surface* picture = bytes ? SDL_LoadBMP_RW(bytes, 1) : nullptr;
    if (picture == nullptr)
    {
        SDL_Log("icon: %s", SDL_GetError());
        return;
    }
    SDL_SetWindowIcon(window, picture);
    SDL_FreeSurface(picture);
}
} // namespace Platform::User

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR iconName)
{
    // Only the program's own module holds resources.
    if (instance != Platform::ModuleInstance() || iconName == nullptr || IS_INTRESOURCE(iconName))
        return nullptr;
    return (HICON)Platform::FindResourceNamed(iconName);
}
