// The registry: one tree in memory, read from its file on first use and written back
// whole (temporary file, flush, rename) after every change that changed something. Another
// process may share the file: each write takes the file as it then is and puts in only what this
// process changed, so that what the other saved meanwhile is kept. While a
// RegistryBatch lives, changes are written once, when the last batch ends (by a thread of its own
// for a batch that writes behind); whatever is still unwritten when the process exits is written
// then.
#include "core/atomic_file.h"
#include "core/faults.h"
#include "core/file_read.h"
#include "test/registry_test.h"
#include "win32/advapi32.h"
#include "win32/kernel32.h"
#include "win32/registry_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <map>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using Platform::Registry::Key;
using Platform::Registry::Value;

namespace
{
struct OpenKey
{
    std::vector<std::string> path; // root name first
    REGSAM access;
    bool wrote = false;
};

std::mutex gMutex;
bool gLoaded = false;
Key gTop;
std::string gFile;
bool gSaveBlocked = false; // the file could be neither read nor moved aside: never overwrite it
bool gUnsaved = false;     // the last write of the file failed
bool gDirty = false;       // the tree holds a change the file lacks
int gBatchDepth = 0;
std::map<const OpenKey*, std::unique_ptr<OpenKey>> gOpenKeys;

// A key (the value name empty and `key` set) or a value this process changed.
struct Changed
{
    std::vector<std::string> path;
    bool key;
    std::string value;
    auto operator<=>(const Changed&) const = default;
};
// What this process changed and has not yet written, each with the count of changes made by then.
using ChangedSet = std::map<Changed, uint64_t>;
ChangedSet gChanged;
uint64_t gChanges = 0;
std::string gFolderName; // the settings folder the application named; empty: not named

// A folder name of the application's name: lower case, one plain path element.
std::string FolderFor(const std::string& name)
{
    std::string folder;
    for (char c : name)
        folder += std::isalnum((unsigned char)c) || c == '-' || c == '.'
                      ? (char)std::tolower((unsigned char)c)
                      : '_';
    return folder.find_first_not_of('.') == std::string::npos ? std::string() : folder;
}

std::string DefaultFile()
{
    if (const char* file = std::getenv("LUMO_REGISTRY_FILE"); file != nullptr && *file != 0)
        return file;
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
        config = xdg;
    else if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0)
        config = std::string(home) + "/.config";
    else if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr)
        config = std::string(user->pw_dir) + "/.config";
    else
        config = ".config";
    // A program that never names its settings folder keeps them under its own name.
    std::string folder = gFolderName.empty() ? FolderFor(program_invocation_short_name) : gFolderName;
    return config + "/" + (folder.empty() ? "lumo" : folder) + "/registry.txt";
}

void Warn(const std::string& text)
{
    std::fprintf(stderr, "registry: %s\n", text.c_str());
}

std::string Timestamp()
{
    std::time_t now = std::time(nullptr);
    std::tm parts;
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof(text), "%Y%m%d-%H%M%S", &parts);
    return text;
}

// A damaged file is kept for the user to look at, under a name no later save uses.
void MoveAside(const std::string& why)
{
    std::string aside = gFile + ".damaged-" + Timestamp();
    struct stat info;
    for (int n = 2; lstat(aside.c_str(), &info) == 0; n++)
        aside = gFile + ".damaged-" + Timestamp() + "-" + std::to_string(n);
    if (std::rename(gFile.c_str(), aside.c_str()) != 0)
    {
        gSaveBlocked = true;
        Warn(gFile + " is damaged (" + why + ") and cannot be moved aside (" + std::strerror(errno) +
             "); settings start from defaults and are not saved");
        return;
    }
    Warn(gFile + " is damaged (" + why + "); kept as " + aside + ", settings start from defaults");
}

void FinishBehind();

void NoteChange(Changed change)
{
    gChanged[std::move(change)] = ++gChanges;
}

// A write took in the changes made up to `upTo`: the file holds them now.
void ForgetWritten(uint64_t upTo)
{
    std::erase_if(gChanged, [upTo](const auto& entry) { return entry.second <= upTo; });
}

// Readers and writers of the settings in one folder take turns (a lock on the folder): none
// writes over a file another has just read, nor moves aside as damaged a file another has just
// saved in place of the damaged one it read.
class FolderTurn
{
public:
    explicit FolderTurn(const std::string& file)
    {
        const fs::path target(file);
        const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
        mFolder = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (mFolder >= 0)
            while (flock(mFolder, LOCK_EX) != 0 && errno == EINTR)
            {
            }
    }
    ~FolderTurn()
    {
        if (mFolder >= 0)
            close(mFolder);
    }
    FolderTurn(const FolderTurn&) = delete;
    FolderTurn& operator=(const FolderTurn&) = delete;

private:
    int mFolder = -1;
};

// The file's bytes, as far as a settings file goes; empty, or why they cannot be read (`missing`
// when nothing is there). Without waiting: a pipe named as the settings must not hold up the start.
std::string ReadWhole(const std::string& path, std::string& text, bool& tooLarge, bool& missing)
{
    tooLarge = false;
    const int fd = Platform::OpenToRead(path);
    missing = fd < 0 && errno == ENOENT;
    if (fd < 0)
        return std::strerror(errno);
    struct stat info;
    std::string why = fstat(fd, &info) != 0 ? std::strerror(errno) : Platform::NotAFileReason(info.st_mode);
    if (why.empty() && !Platform::ReadMore(fd, Platform::Registry::kMaxFileBytes + 1, text))
        why = std::strerror(errno);
    tooLarge = text.size() > Platform::Registry::kMaxFileBytes;
    close(fd);
    return why;
}

void Load()
{
    if (gLoaded)
        return;
    FinishBehind();
    gLoaded = true;
    gTop = Key();
    gFile = DefaultFile();
    gSaveBlocked = false;
    gUnsaved = false;
    gDirty = false;
    for (const auto& root : Platform::Registry::RootNames())
        gTop.subKeys[root];
    gChanged.clear();
    std::string text;
    bool tooLarge = false, missing = false;
    FolderTurn turn(gFile);
    if (std::string error = ReadWhole(gFile, text, tooLarge, missing); !error.empty())
    {
        if (!missing)
        {
            gSaveBlocked = true;
            Warn("cannot read " + gFile + " (" + error + "); settings are not saved");
        }
        return;
    }
    Key parsed;
    std::string why = tooLarge ? "too large" : "";
    if (tooLarge || !Platform::Registry::Parse(text, parsed, why))
    {
        MoveAside(why);
        return;
    }
    for (auto& [name, key] : parsed.subKeys)
        gTop.subKeys[name] = std::move(key);
}

// The key at `path` below `top` (a `Key` or a `const Key`), or null.
template <typename KeyType> KeyType* FindIn(KeyType& top, const std::vector<std::string>& path)
{
    KeyType* key = &top;
    for (const auto& name : path)
    {
        auto it = key->subKeys.find(name);
        if (it == key->subKeys.end())
            return nullptr;
        key = &it->second;
    }
    return key;
}

// Puts what this process changed, as it stands in `mine`, into `file`'s tree.
void PutChanges(const Key& mine, const ChangedSet& changed, Key& file)
{
    for (const auto& [change, count] : changed)
    {
        const Key* from = FindIn(mine, change.path);
        const Value* value = nullptr;
        if (from != nullptr && !change.key)
            if (auto it = from->values.find(change.value); it != from->values.end())
                value = &it->second;
        if (change.key ? from != nullptr : value != nullptr)
        {
            Key* to = &file;
            for (const auto& name : change.path)
                to = &to->subKeys[name];
            if (!change.key)
                to->values[change.value] = *value;
        }
        else if (change.key)
        {
            std::vector<std::string> parent(change.path.begin(), change.path.end() - 1);
            if (Key* to = FindIn(file, parent))
                to->subKeys.erase(change.path.back());
        }
        else if (Key* to = FindIn(file, change.path))
            to->values.erase(change.value);
    }
}

// Writes the tree's text; false with the reason when the file could not be replaced. What another
// process wrote to the file since this one read it stays, but for what this one changed.
bool WriteText(const std::string& file, const Key& mine, const ChangedSet& changed, std::string& why)
{
    std::error_code folderError;
    fs::path target(file);
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), folderError);
    FolderTurn turn(file);
    std::string text, why2;
    bool tooLarge = false, missing = false;
    Key merged;
    if (ReadWhole(file, text, tooLarge, missing).empty() && !tooLarge &&
        Platform::Registry::Parse(text, merged, why2))
        PutChanges(mine, changed, merged);
    else
        merged = mine; // nothing whole to keep
    text = Platform::Registry::Format(merged);
    if (Platform::WriteFileAtomically(file, text.data(), text.size(), why))
        return true;
    // A folder that could not be made is the reason; the write's own failure only follows it.
    if (folderError)
        why = "cannot create " + target.parent_path().string() + ": " + folderError.message();
    return false;
}

LSTATUS Settle(bool wrote, const std::string& why)
{
    if (!wrote)
    {
        // Every change saves: one word until the file can be written again, not one per change.
        if (!gUnsaved)
            Warn("cannot write " + gFile + " (" + why + "); settings are kept for this run only");
        gUnsaved = true;
        gDirty = true;
        return ERROR_WRITE_FAULT;
    }
    gUnsaved = false;
    return ERROR_SUCCESS;
}

// The write a batch left behind. Never destroyed: a process can end while it runs.
struct Behind
{
    std::thread thread;
    bool wrote = false;
    std::string why;
    uint64_t upTo = 0; // the changes it writes
};
Behind& TheBehind()
{
    static Behind* behind = new Behind();
    return *behind;
}

// Waits for the write left behind, so that writes stay in order and reads see the file whole.
void FinishBehind()
{
    Behind& behind = TheBehind();
    if (!behind.thread.joinable())
        return;
    behind.thread.join();
    if (behind.wrote)
        ForgetWritten(behind.upTo);
    Settle(behind.wrote, behind.why);
}

LSTATUS Save()
{
    FinishBehind();
    if (gSaveBlocked)
        return ERROR_ACCESS_DENIED;
    std::string why;
    gDirty = false;
    const uint64_t upTo = gChanges;
    const bool wrote = WriteText(gFile, gTop, gChanged, why);
    if (wrote)
        ForgetWritten(upTo);
    return Settle(wrote, why);
}

// The caller goes on while the file is written: its sync waits on the disk.
void SaveBehind()
{
    FinishBehind();
    if (gSaveBlocked)
        return;
    Behind& behind = TheBehind();
    gDirty = false;
    behind.upTo = gChanges;
    try
    {
        behind.thread = std::thread([&behind, file = gFile, mine = gTop, changed = gChanged]
                                    { behind.wrote = WriteText(file, mine, changed, behind.why); });
    }
    catch (const std::system_error&)
    {
        Save();
    }
}

// A change is written at once, or by the batch it was made in. A call that changed nothing writes
// nothing, unless an earlier change is still unwritten.
LSTATUS Commit(bool changed)
{
    gDirty = gDirty || changed;
    if (!gDirty)
        return ERROR_SUCCESS;
    if (gBatchDepth > 0)
        return gSaveBlocked ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
    return Save();
}

// Changes still in memory when the process ends (exit() on any path) reach the file. Declared
// after the state it writes, so that it goes first.
struct SaveAtExit
{
    ~SaveAtExit()
    {
        // A thread stopped inside a registry call holds the lock: its change is half made.
        std::unique_lock<std::mutex> lock(gMutex, std::try_to_lock);
        if (!lock.owns_lock())
            return;
        FinishBehind();
        if (gLoaded && gDirty)
            Save();
    }
} gSaveAtExit;

const char* RootName(HKEY key)
{
    const auto& names = Platform::Registry::RootNames();
    if (key == HKEY_CLASSES_ROOT)
        return names[0].c_str();
    if (key == HKEY_CURRENT_USER)
        return names[1].c_str();
    if (key == HKEY_LOCAL_MACHINE)
        return names[2].c_str();
    if (key == HKEY_USERS)
        return names[3].c_str();
    return nullptr;
}

// The path and rights of a key handle, a predefined key or one this layer opened.
LSTATUS Resolve(HKEY key, std::vector<std::string>& path, REGSAM& access, OpenKey** open = nullptr)
{
    if (const char* root = RootName(key))
    {
        path = {root};
        access = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    auto it = gOpenKeys.find(reinterpret_cast<const OpenKey*>(key));
    if (it == gOpenKeys.end())
        return ERROR_INVALID_HANDLE;
    path = it->second->path;
    access = it->second->access;
    if (open != nullptr)
        *open = it->second.get();
    return ERROR_SUCCESS;
}

Key* Find(const std::vector<std::string>& path)
{
    return FindIn(gTop, path);
}

// "A\B\C" appended to `path`. A leading or doubled "\" is refused; a trailing one is not.
LSTATUS AppendSubKey(LPCSTR subKey, std::vector<std::string>& path)
{
    if (subKey == nullptr)
        return ERROR_SUCCESS;
    std::string rest = subKey;
    size_t start = 0;
    while (start < rest.size())
    {
        size_t end = rest.find('\\', start);
        if (end == std::string::npos)
            end = rest.size();
        if (end == start)
            return ERROR_BAD_PATHNAME;
        if (end - start > 255)
            return ERROR_INVALID_PARAMETER;
        path.push_back(rest.substr(start, end - start));
        start = end + 1;
    }
    return ERROR_SUCCESS;
}

// The key a handle names, for a call needing `needed` rights.
LSTATUS KeyOf(HKEY handle, REGSAM needed, Key*& key, OpenKey** open = nullptr)
{
    Load();
    std::vector<std::string> path;
    REGSAM access;
    if (LSTATUS status = Resolve(handle, path, access, open); status != ERROR_SUCCESS)
        return status;
    if ((access & needed) != needed)
        return ERROR_ACCESS_DENIED;
    key = Find(path);
    return key != nullptr ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// The full path of `subKey` below an existing key, and the rights of the handle to that key.
LSTATUS SubKeyPath(HKEY handle, LPCSTR subKey, std::vector<std::string>& path, REGSAM& baseAccess)
{
    Key* base;
    if (LSTATUS status = KeyOf(handle, 0, base); status != ERROR_SUCCESS)
        return status;
    Resolve(handle, path, baseAccess);
    return AppendSubKey(subKey, path);
}

// A call on `subKey` below `key`: the call's injected failure, else the sub-key's path and the
// rights of the handle it was named through. The registry stays locked while this lives.
struct SubKeyCall
{
    std::unique_lock<std::mutex> lock;
    std::vector<std::string> path;
    REGSAM baseAccess = 0;
    LSTATUS status = ERROR_ACCESS_DENIED;

    SubKeyCall(const char* callName, HKEY key, LPCSTR subKey)
    {
        if (Platform::ShouldFail(callName))
            return;
        lock = std::unique_lock<std::mutex>(gMutex);
        status = SubKeyPath(key, subKey, path, baseAccess);
    }
};

// Changes the values of the key a handle names (`change` tells whether anything changed), then
// commits. The handle remembers that it wrote, so that a save that failed is tried again when it
// closes.
template <typename Change>
LSTATUS ChangeValues(const char* callName, HKEY key, const std::string& name, Change change)
{
    if (Platform::ShouldFail(callName))
        return ERROR_ACCESS_DENIED;
    std::lock_guard<std::mutex> lock(gMutex);
    Key* target;
    OpenKey* open = nullptr;
    if (LSTATUS status = KeyOf(key, KEY_SET_VALUE, target, &open); status != ERROR_SUCCESS)
        return status;
    bool changed = false;
    if (LSTATUS status = change(target->values, changed); status != ERROR_SUCCESS)
        return status;
    if (changed)
    {
        std::vector<std::string> path;
        REGSAM access;
        Resolve(key, path, access);
        NoteChange(Changed{std::move(path), false, name});
    }
    if (open != nullptr)
        open->wrote = true;
    return Commit(changed);
}

std::string ValueName(LPCSTR valueName)
{
    return valueName != nullptr ? valueName : "";
}

HKEY NewHandle(std::vector<std::string> path, REGSAM access)
{
    auto open = std::make_unique<OpenKey>(OpenKey{std::move(path), access});
    HKEY handle = reinterpret_cast<HKEY>(open.get());
    gOpenKeys[open.get()] = std::move(open);
    return handle;
}
} // namespace

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY* result)
{
    if (result == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    SubKeyCall call("RegOpenKeyExA", key, subKey);
    if (call.status != ERROR_SUCCESS)
        return call.status;
    if (Find(call.path) == nullptr)
        return ERROR_FILE_NOT_FOUND;
    *result = NewHandle(std::move(call.path), access);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                               REGSAM access, void* securityAttributes, HKEY* result, LPDWORD disposition)
{
    if (result == nullptr || subKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    SubKeyCall call("RegCreateKeyExA", key, subKey);
    if (call.status != ERROR_SUCCESS)
        return call.status;
    std::vector<std::string>& path = call.path;
    bool created = false;
    Key* at = &gTop;
    for (size_t i = 0; i < path.size(); i++)
    {
        auto it = at->subKeys.find(path[i]);
        if (it == at->subKeys.end())
        {
            if ((call.baseAccess & KEY_CREATE_SUB_KEY) == 0)
                return ERROR_ACCESS_DENIED;
            it = at->subKeys.emplace(path[i], Key()).first;
            created = true;
            NoteChange(Changed{std::vector<std::string>(path.begin(), path.begin() + i + 1), true, ""});
        }
        at = &it->second;
    }
    if (created)
    {
        if (LSTATUS status = Commit(true); status != ERROR_SUCCESS)
            return status;
    }
    if (disposition != nullptr)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewHandle(std::move(path), access);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                              DWORD size)
{
    if (data == nullptr && size != 0)
        return ERROR_INVALID_PARAMETER;
    return ChangeValues("RegSetValueExA", key, ValueName(valueName),
                        [&](auto& values, bool& changed)
                        {
                            Value& value = values[ValueName(valueName)];
                            std::vector<BYTE> bytes(data, data + size);
                            changed = value.type != type || value.data != bytes;
                            value.type = type;
                            value.data = std::move(bytes);
                            return ERROR_SUCCESS;
                        });
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD size)
{
    if (reserved != nullptr || (data != nullptr && size == nullptr))
        return ERROR_INVALID_PARAMETER;
    if (Platform::ShouldFail("RegQueryValueExA"))
        return ERROR_ACCESS_DENIED;
    std::lock_guard<std::mutex> lock(gMutex);
    Key* target;
    if (LSTATUS status = KeyOf(key, KEY_QUERY_VALUE, target); status != ERROR_SUCCESS)
        return status;
    auto it = target->values.find(ValueName(valueName));
    if (it == target->values.end())
        return ERROR_FILE_NOT_FOUND;
    const Value& value = it->second;
    if (type != nullptr)
        *type = value.type;
    if (size == nullptr)
        return ERROR_SUCCESS;
    DWORD available = *size;
    *size = (DWORD)value.data.size();
    // No buffer asks for the size only; a short buffer gets the size and nothing else.
    if (data == nullptr)
        return ERROR_SUCCESS;
    if (available < value.data.size())
        return ERROR_MORE_DATA;
    if (!value.data.empty())
        std::memcpy(data, value.data.data(), value.data.size());
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName)
{
    return ChangeValues("RegDeleteValueA", key, ValueName(valueName),
                        [&](auto& values, bool& changed)
                        {
                            changed = values.erase(ValueName(valueName)) != 0;
                            return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
                        });
}

LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey)
{
    if (subKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    SubKeyCall call("RegDeleteKeyA", key, subKey);
    if (call.status != ERROR_SUCCESS)
        return call.status;
    std::vector<std::string>& path = call.path;
    // The predefined keys stay; a key with sub-keys must be emptied first, as on Windows.
    if (path.size() < 2)
        return ERROR_ACCESS_DENIED;
    Key* target = Find(path);
    if (target == nullptr)
        return ERROR_FILE_NOT_FOUND;
    if (!target->subKeys.empty())
        return ERROR_ACCESS_DENIED;
    NoteChange(Changed{path, true, ""});
    std::string name = path.back();
    path.pop_back();
    Find(path)->subKeys.erase(name);
    return Commit(true);
}

LSTATUS WINAPI RegCloseKey(HKEY key)
{
    if (RootName(key) != nullptr)
        return ERROR_SUCCESS;
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gOpenKeys.find(reinterpret_cast<const OpenKey*>(key));
    if (it == gOpenKeys.end())
        return ERROR_INVALID_HANDLE;
    bool wrote = it->second->wrote;
    gOpenKeys.erase(it);
    // A change that could not be written when it was made is tried again now.
    if (wrote && gUnsaved && gBatchDepth == 0)
        return Save();
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegFlushKey(HKEY key)
{
    std::lock_guard<std::mutex> lock(gMutex);
    Key* target;
    if (LSTATUS status = KeyOf(key, 0, target); status != ERROR_SUCCESS)
        return status;
    return gDirty ? Save() : ERROR_SUCCESS;
}

namespace Platform
{
RegistryBatch::RegistryBatch(bool writeBehind) : mWriteBehind(writeBehind)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gBatchDepth++;
}

RegistryBatch::~RegistryBatch()
{
    std::lock_guard<std::mutex> lock(gMutex);
    if (--gBatchDepth > 0 || !gLoaded || !gDirty)
        return;
    if (mWriteBehind)
        SaveBehind();
    else
        Save();
}

void FinishRegistryWrites()
{
    std::lock_guard<std::mutex> lock(gMutex);
    FinishBehind();
}

void SetRegistryFolderName(const std::string& name)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gFolderName = FolderFor(name);
    // Settings read from elsewhere before the name came: the named folder's file is read next.
    if (gLoaded && DefaultFile() != gFile)
        gLoaded = false;
}
} // namespace Platform

namespace PlatformTest
{
void ReloadRegistry()
{
    std::lock_guard<std::mutex> lock(gMutex);
    gLoaded = false;
}

std::string RegistryFilePath()
{
    std::lock_guard<std::mutex> lock(gMutex);
    Load();
    FinishBehind(); // the caller reads the file
    return gFile;
}
} // namespace PlatformTest
