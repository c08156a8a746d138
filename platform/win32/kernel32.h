// kernel32 and C-runtime services of the layer: time, threads, locks, files,
// folders, run-time libraries, debugger output, process information.
#pragma once

#include "win32/types.h"

#include <cstdarg>
#include <string>

// ---- time -------------------------------------------------------------------
DWORD WINAPI GetTickCount();
BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency);
void WINAPI Sleep(DWORD milliseconds);

// ---- arithmetic -------------------------------------------------------------
// a * b / c rounded to the nearest, with a 64-bit product; -1 for c = 0 or a result beyond int.
int WINAPI MulDiv(int a, int b, int c);

// ---- threads ----------------------------------------------------------------
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7fffffff

uintptr_t _beginthread(void (*start)(void*), unsigned stackSize, void* arg);
HANDLE WINAPI GetCurrentThread();
DWORD WINAPI GetCurrentThreadId();
int WINAPI GetThreadPriority(HANDLE thread);
BOOL WINAPI SetThreadPriority(HANDLE thread, int priority);

// ---- locks and counters -----------------------------------------------------
struct CRITICAL_SECTION
{
    void* impl; // owned std::recursive_mutex
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;
void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section);
LONG WINAPI InterlockedIncrement(LONG volatile* value);
LONG WINAPI InterlockedDecrement(LONG volatile* value);
LONG WINAPI InterlockedExchange(LONG volatile* target, LONG value);

// ---- errors and debugger ----------------------------------------------------
DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD error);
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_FILE_EXISTS 80L
#define ERROR_WRITE_FAULT 29L
#define ERROR_BADKEY 1010L
#define ERROR_KEY_DELETED 1018L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_DIR_NOT_EMPTY 145L
#define ERROR_BAD_PATHNAME 161L
// Goes to standard error when LUMO_DEBUG_OUTPUT is set in the environment.
void WINAPI OutputDebugStringA(LPCSTR text);

// ---- process ----------------------------------------------------------------
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2
typedef struct _OSVERSIONINFOA
{
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
} OSVERSIONINFOA, *LPOSVERSIONINFOA;
// The layer presents itself as an NT-family system (5.1), never as the 95/98/Me family.
BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info);
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
LPSTR WINAPI GetCommandLineA();

// ---- run-time libraries -----------------------------------------------------
// A shared object that does not load has the loader's reason written to standard error.
HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
BOOL WINAPI FreeLibrary(HMODULE module);

// ---- files and folders ------------------------------------------------------
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_HIDDEN 0x00000002
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400

typedef struct _WIN32_FIND_DATAA
{
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

HANDLE WINAPI FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA findData);
BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData);
BOOL WINAPI FindClose(HANDLE find);
BOOL WINAPI DeleteFileA(LPCSTR fileName);
BOOL WINAPI CreateDirectoryA(LPCSTR pathName, void* securityAttributes);
BOOL WINAPI RemoveDirectoryA(LPCSTR pathName);
DWORD WINAPI GetFileAttributesA(LPCSTR fileName);
BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes);
BOOL WINAPI SetCurrentDirectoryA(LPCSTR pathName);
DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL WINAPI CopyFileA(LPCSTR existing, LPCSTR target, BOOL failIfExists);
BOOL WINAPI MoveFileA(LPCSTR existing, LPCSTR target);
int _mkdir(const char* path);

// Open files: enough to read a file's times.
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, void* securityAttributes,
                          DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL WINAPI GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime,
                        LPFILETIME lastWriteTime);
BOOL WINAPI CloseHandle(HANDLE object);

// A file time as a calendar date (UTC).
typedef struct _SYSTEMTIME
{
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *LPSYSTEMTIME;
BOOL WINAPI FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
// The folder of the system's shared libraries (where the graphics drivers d3d8.dll names live).
UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size);
int _rmdir(const char* path);

// ---- C runtime names used by the system's code -------------------------------
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, size_t count);
// Windows semantics: -1 when the output does not fit (and no terminator then).
int _vsnprintf(char* buffer, size_t count, const char* format, va_list args);
int _snprintf(char* buffer, size_t count, const char* format, ...);

namespace Platform
{
// Maps a Windows-style path ("\" separators) to the host's form.
std::string HostPath(const char* path);
// Called by the process entry with the real arguments.
void SetCommandLine(int argc, char** argv);
// The arguments after the program name, joined as Windows would pass them to WinMain.
std::string CommandLineArguments();
HINSTANCE ModuleInstance();
// The processor's cycle counter (rdtsc where there is one).
uint64_t ReadCycleCounter();
// Built-in modules (ddraw.dll, dsound.dll, ...) register their entry points here.
void RegisterBuiltinModule(const char* moduleName, const char* procName, FARPROC proc);
} // namespace Platform
