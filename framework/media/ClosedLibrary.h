// What the two music libraries' instances share: entry points looked up by name, the fatal
// error for what is missing, and one process-wide instance counted by reference.
#pragma once

#include "media/AudioHost.h"
#include "win32/windows.h"

#include <mutex>

namespace Lumo
{

// Sets `entry` to the named entry point of `module`; false when it has none.
template <typename Fn> bool FindEntryPoint(HMODULE module, const char* name, Fn& entry)
{
    entry = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return entry != nullptr;
}

// The message box "Error" of a missing library or entry point, then the end of the process.
inline void LibraryFatalError(const char* text)
{
    AudioFatalError(text, "Error", MB_OK | MB_ICONERROR);
}

// One instance of T, made as T(dllName) by the first Acquire and deleted by the last Release.
template <class T> class SharedLibrary
{
public:
    explicit SharedLibrary(const char* dllName) : mDllName(dllName) {}

    // Null when the library could not be had (its fatal path returned).
    T* Acquire()
    {
        std::lock_guard<std::mutex> lock(mLock);
        if (!mInstance)
        {
            mInstance = new T(mDllName);
            if (!mInstance->IsLoaded())
            {
                delete mInstance;
                mInstance = nullptr;
                return nullptr;
            }
        }
        InterlockedIncrement(&mReferences);
        return mInstance;
    }

    void Release()
    {
        std::lock_guard<std::mutex> lock(mLock);
        if (mReferences > 0 && InterlockedDecrement(&mReferences) < 1)
        {
            delete mInstance;
            mInstance = nullptr;
        }
    }

    // A ready instance for the next first Acquire; ignored (deleted) while one is in use.
    void Set(T* instance)
    {
        std::lock_guard<std::mutex> lock(mLock);
        if (mReferences == 0)
        {
            delete mInstance;
            mInstance = instance;
        }
        else
            delete instance;
    }

private:
    const char* mDllName;
    std::mutex mLock;
    T* mInstance = nullptr;
    LONG mReferences = 0;
};

} // namespace Lumo
