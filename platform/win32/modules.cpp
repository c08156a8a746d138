// Run-time libraries: the layer's own modules are built in and found by name; any other
// "x.dll" is the shared object "x.so" in the executable's folder, never the system's path.
#include "core/faults.h"
#include "win32/builtin_modules.h"
#include "win32/kernel32.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <memory>
#include <unistd.h>

namespace
{
struct Module
{
    std::string path;                     // the shared object, empty for a built-in one
    void* library = nullptr;              // dlopen handle
    int references = 0;                   // LoadLibraryA calls not yet matched by FreeLibrary
    std::map<std::string, FARPROC> procs; // built-in entry points
};

std::mutex gMutex;
std::map<std::string, Module*> gBuiltins;                  // by lower-case file name
std::map<void*, Module*> gShared;                          // by dlopen handle
std::map<const Module*, std::unique_ptr<Module>> gModules; // every live handle, owned

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return (char)std::tolower(c); });
    return text;
}

bool EndsWithNoCase(const std::string& text, const char* suffix)
{
    size_t n = std::strlen(suffix);
    return text.size() >= n && _stricmp(text.c_str() + text.size() - n, suffix) == 0;
}

std::string FileNamePart(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Windows adds ".dll" to a name without an extension.
std::string WithExtension(const std::string& path)
{
    std::string name = FileNamePart(path);
    return name.find('.') == std::string::npos ? path + ".dll" : path;
}

std::string ExecutablePath()
{
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    return length > 0 ? std::string(buffer, (size_t)length) : std::string();
}

std::string SharedObjectPath(const std::string& dllPath)
{
    std::string path = dllPath;
    if (EndsWithNoCase(path, ".dll"))
        path.replace(path.size() - 4, 4, ".so");
    if (!path.empty() && path[0] == '/')
        return path;
    std::string exe = ExecutablePath();
    return exe.substr(0, exe.find_last_of('/') + 1) + path;
}

// "_Name@12" (the stdcall decoration) names the entry point "Name".
std::string Undecorated(const char* procName)
{
    std::string name = procName;
    size_t at = name.find_last_of('@');
    if (name.size() < 3 || name[0] != '_' || at == std::string::npos || at < 2 || at + 1 == name.size())
        return name;
    for (size_t i = at + 1; i < name.size(); i++)
        if (!std::isdigit((unsigned char)name[i]))
            return name;
    return name.substr(1, at - 1);
}

Module* Find(HMODULE handle)
{
    auto it = gModules.find(reinterpret_cast<const Module*>(handle));
    return it == gModules.end() ? nullptr : it->second.get();
}

// Before the first look-up by name, and outside the lock: registration takes it.
void EnsureLayerModules()
{
    static std::once_flag registered;
    std::call_once(registered, Platform::RegisterLayerModules);
}

Module* Builtin(const std::string& fileName)
{
    auto it = gBuiltins.find(Lower(fileName));
    return it == gBuiltins.end() ? nullptr : it->second;
}

Module* NewModule()
{
    auto owned = std::make_unique<Module>();
    Module* module = owned.get();
    gModules[module] = std::move(owned);
    return module;
}

FARPROC AsProc(void* symbol)
{
    FARPROC proc;
    static_assert(sizeof(proc) == sizeof(symbol));
    std::memcpy(&proc, &symbol, sizeof(proc));
    return proc;
}

DWORD CopyPath(const std::string& path, LPSTR fileName, DWORD size)
{
    if (fileName == nullptr || size == 0)
    {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // Cut short: size - 1 characters, terminated, and the size as the result.
    if (path.size() >= size)
    {
        std::memcpy(fileName, path.data(), size - 1);
        fileName[size - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path.c_str(), path.size() + 1);
    return (DWORD)path.size();
}
} // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR fileName)
{
    if (fileName == nullptr || *fileName == 0)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (Platform::ShouldFail("LoadLibraryA"))
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    EnsureLayerModules();
    std::string dllPath = WithExtension(Platform::HostPath(fileName));
    std::lock_guard<std::mutex> lock(gMutex);
    if (Module* builtin = Builtin(FileNamePart(dllPath)))
    {
        builtin->references++;
        return reinterpret_cast<HMODULE>(builtin);
    }
    std::string path = SharedObjectPath(dllPath);
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        // Windows has no words for most of what the loader can say (memory, a missing library
        // of its own, a damaged file): it goes to standard error, whatever the caller shows.
        const char* reason = dlerror();
        std::fprintf(stderr, "LoadLibraryA: %s\n", reason ? reason : path.c_str());
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    Module*& module = gShared[library];
    if (module == nullptr)
    {
        module = NewModule();
        module->path = path;
        module->library = library;
    }
    module->references++;
    return reinterpret_cast<HMODULE>(module);
}

FARPROC WINAPI GetProcAddress(HMODULE handle, LPCSTR procName)
{
    std::lock_guard<std::mutex> lock(gMutex);
    Module* module = Find(handle);
    if (module == nullptr)
    {
        SetLastError(handle == nullptr ? ERROR_PROC_NOT_FOUND : ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Look-ups by ordinal (a small number in place of the name) are not offered.
    if (procName == nullptr || (uintptr_t)procName < 0x10000 || Platform::ShouldFail("GetProcAddress"))
    {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    std::string name = Undecorated(procName);
    FARPROC proc = nullptr;
    if (module->library != nullptr)
        proc = AsProc(dlsym(module->library, name.c_str()));
    else
    {
        auto it = module->procs.find(name);
        proc = it == module->procs.end() ? nullptr : it->second;
    }
    if (proc == nullptr)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return proc;
}

BOOL WINAPI FreeLibrary(HMODULE handle)
{
    std::lock_guard<std::mutex> lock(gMutex);
    Module* module = Find(handle);
    if (module == nullptr || module->references <= 0)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    module->references--;
    if (module->library == nullptr)
        return TRUE; // built-in modules stay, their entry points live in the program
    dlclose(module->library);
    if (module->references == 0)
    {
        gShared.erase(module->library);
        gModules.erase(module);
    }
    return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    if (moduleName == nullptr)
        return Platform::ModuleInstance();
    EnsureLayerModules();
    std::string dllPath = WithExtension(Platform::HostPath(moduleName));
    std::lock_guard<std::mutex> lock(gMutex);
    // Built-in modules are part of the program and so always present.
    if (Module* builtin = Builtin(FileNamePart(dllPath)))
        return reinterpret_cast<HMODULE>(builtin);
    std::string wanted = FileNamePart(SharedObjectPath(dllPath));
    for (auto& [library, module] : gShared)
        if (FileNamePart(module->path) == wanted)
            return reinterpret_cast<HMODULE>(module);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

DWORD WINAPI GetModuleFileNameA(HMODULE handle, LPSTR fileName, DWORD size)
{
    std::string path;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        Module* module = Find(handle);
        if (module == nullptr && handle != nullptr && handle != Platform::ModuleInstance())
        {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = module != nullptr && module->library != nullptr ? module->path : ExecutablePath();
    }
    return CopyPath(path, fileName, size);
}

namespace Platform
{
void RegisterBuiltinModule(const char* moduleName, const char* procName, FARPROC proc)
{
    std::lock_guard<std::mutex> lock(gMutex);
    Module*& module = gBuiltins[Lower(WithExtension(moduleName))];
    if (module == nullptr)
    {
        module = NewModule();
    }
    if (procName != nullptr)
        module->procs[procName] = proc;
}
} // namespace Platform
