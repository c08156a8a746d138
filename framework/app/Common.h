// Text, path and file helpers used throughout the framework and the game.
// None of them throws; failures show in the result (false, 0, -1 or "").
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>

namespace Lumo
{

// printf-style formatting into a string, of any length.
std::string FormatString(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string VFormatString(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

std::string StringToUpper(const std::string& text);
std::string StringToLower(const std::string& text);
std::string Trim(const std::string& text);

// Strict whole-string parsing: no white space, no exponent. On failure the
// out-value is 0 and the result false.
bool StringToInt(const std::string& text, int* value);
bool StringToDouble(const std::string& text, double* value);

// 1234567 -> "1,234,567".
std::string CommaSeparate(int value);

// Value of one hexadecimal digit, or -1 for any other character.
int HexDigit(char c);

struct StringLessNoCase
{
    bool operator()(const std::string& a, const std::string& b) const;
};

// Index of the first case-insensitive occurrence of pattern in text, else -1.
int FindNoCase(const char* text, const char* pattern);

// Resolves path against baseDir, folding "." and ".." components.
std::string ResolveRelativePath(const std::string& path, const std::string& baseDir);
std::string GetFileDir(const std::string& path);
std::string RemoveTrailingSlash(const std::string& path);
std::string AddTrailingSlash(const std::string& path);

// The running program's own path, however long (empty when it cannot be found).
std::string GetProgramPath();
// Creates every "\"-separated level of path, then path itself; failures are ignored.
void MkDir(const std::string& path);
// Last-write time of the file in seconds since 1970-01-01, 0 when there is none.
int64_t GetFileDate(const std::string& path);
// Deletes a folder and everything in it; false when anything could not be deleted.
bool DeleteTree(const std::string& path);

} // namespace Lumo
