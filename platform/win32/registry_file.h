// The registry's tree and its text form. The file reads like this:
//
//   registry 1
//   key "HKEY_LOCAL_MACHINE" "SOFTWARE" "Crustavia"
//   dword "MusicVolume" 85
//   sz "Warning" "text, with \" \\ and \x01 escaped"
//   binary "DisplayGUID" 00ff7a
//   value 7 "Other" 610000
//   end
//
// The closing "end" tells a whole file from one cut short while it was written.
#pragma once

#include "win32/types.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace Platform::Registry
{
// Key and value names compare without case, as on Windows.
struct NoCaseLess
{
    bool operator()(const std::string& a, const std::string& b) const;
};

struct Value
{
    DWORD type = 0;
    std::vector<BYTE> data;
    bool operator==(const Value&) const = default;
};

struct Key
{
    std::map<std::string, Value, NoCaseLess> values;
    std::map<std::string, Key, NoCaseLess> subKeys;
    bool operator==(const Key&) const = default;
};

// The largest file the registry reads; a file whose tree would be written out larger is refused
// as well, since each key line repeats its whole path.
constexpr size_t kMaxFileBytes = size_t(64) << 20;
// How deep a key path may go, as in a hive.
constexpr size_t kMaxKeyDepth = 512;

// The names of the predefined keys, the only names the top of the tree holds.
const std::vector<std::string>& RootNames();

// `top` holds the predefined keys as its sub-keys.
std::string Format(const Key& top);
// False, with the reason, for anything that is not a whole file of this form.
bool Parse(const std::string& text, Key& top, std::string& error);
} // namespace Platform::Registry
