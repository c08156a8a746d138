// advapi32 services of the layer: the registry, kept in one readable text file.
#pragma once

#include "win32/types.h"

#include <string>

typedef DWORD REGSAM;
typedef LONG LSTATUS;

// The predefined keys are the sign-extended values Windows uses.
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

#define REG_OPTION_NON_VOLATILE 0x00000000
#define REG_OPTION_VOLATILE 0x00000001
#define REG_CREATED_NEW_KEY 0x00000001
#define REG_OPENED_EXISTING_KEY 0x00000002

// Results are Windows error codes (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA ...).
LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY* result);
LSTATUS WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                               REGSAM access, void* securityAttributes, HKEY* result, LPDWORD disposition);
LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD size);
LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size);
LSTATUS WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName);
LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey);
LSTATUS WINAPI RegCloseKey(HKEY key);
// Writes every change not yet in the file now.
LSTATUS WINAPI RegFlushKey(HKEY key);

namespace Platform
{
// While one lives (on any thread), registry changes stay in memory; they are written to the file
// once, when the last one ends, at RegFlushKey, or when the process exits. A run of writes then
// costs one file write, and the file is whole at every moment. When the last one to end writes
// behind, the file is written on a thread while the caller goes on; the next registry write,
// the next read of the file and the process's end wait for it.
class RegistryBatch
{
public:
    explicit RegistryBatch(bool writeBehind = false);
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;

private:
    bool mWriteBehind;
};

// Returns once a write left behind is on the disk.
void FinishRegistryWrites();

// The registry is kept in $XDG_CONFIG_HOME/<folder>/registry.txt (~/.config by default), the
// folder named by the application (its registry key, in lower case) before it reads its first
// setting; a program that names none keeps it under its own name. LUMO_REGISTRY_FILE overrides.
void SetRegistryFolderName(const std::string& name);
} // namespace Platform
