#include "app/Common.h"

#include "win32/windows.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace Lumo
{

std::string FormatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string result = VFormatString(format, args);
    va_end(args);
    return result;
}

std::string VFormatString(const char* format, va_list args)
{
    // Short texts fit the stack buffer in one pass; longer ones are measured by that
    // pass and formatted again from a fresh copy of the arguments.
    char local[160];
    va_list first;
    va_copy(first, args);
    int length = std::vsnprintf(local, sizeof(local), format, first);
    va_end(first);
    if (length < 0)
        return std::string();
    if (static_cast<size_t>(length) < sizeof(local))
        return std::string(local, length);

    std::vector<char> heap(static_cast<size_t>(length) + 1);
    va_list second;
    va_copy(second, args);
    int written = std::vsnprintf(heap.data(), heap.size(), format, second);
    va_end(second);
    if (written < 0)
        return std::string();
    return std::string(heap.data(), std::min(written, length));
}

std::string StringToUpper(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

std::string StringToLower(const std::string& text)
{
    std::string result = text;
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

static bool IsSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string Trim(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsSpace(text[begin]))
        begin++;
    while (end > begin && IsSpace(text[end - 1]))
        end--;
    return text.substr(begin, end - begin);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A leading "-" is the sign; an empty text is no number.
static bool StartNumber(const std::string& text, bool* negative, size_t* start)
{
    if (text.empty())
        return false;
    *negative = text[0] == '-';
    *start = *negative ? 1 : 0;
    return true;
}

bool StringToInt(const std::string& text, int* value)
{
    *value = 0;
    bool negative = false;
    size_t i = 0;
    if (!StartNumber(text, &negative, &i))
        return false;
    // A number that does not fit in an int is no number: a wrapped value would be a wrong one.
    const uint64_t limit = negative ? uint64_t(INT_MAX) + 1 : uint64_t(INT_MAX);
    uint64_t result = 0;
    unsigned radix = 10;
    for (; i < text.size(); i++)
    {
        char c = text[i];
        if ((c == 'x' || c == 'X') && i == 1 && result == 0)
        {
            radix = 16;
            continue;
        }
        int digit = radix == 16 ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0)
            return false;
        result = result * radix + static_cast<unsigned>(digit);
        if (result > limit)
            return false;
    }
    *value = negative ? static_cast<int>(-static_cast<int64_t>(result)) : static_cast<int>(result);
    return true;
}

bool StringToDouble(const std::string& text, double* value)
{
    *value = 0.0;
    bool negative = false;
    size_t i = 0;
    if (!StartNumber(text, &negative, &i))
        return false;
    double result = 0.0;
    bool fraction = false;
    double scale = 0.1;
    for (; i < text.size(); i++)
    {
        char c = text[i];
        if (c == '.' && !fraction)
        {
            fraction = true;
            continue;
        }
        if (c < '0' || c > '9')
            return false;
        if (fraction)
        {
            result += (c - '0') * scale;
            scale /= 10.0;
        }
        else
        {
            result = result * 10.0 + (c - '0');
        }
    }
    *value = negative ? -result : result;
    return true;
}

std::string CommaSeparate(int value)
{
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    std::string digits = std::to_string(magnitude);
    std::string result;
    for (size_t i = 0; i < digits.size(); i++)
    {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            result += ',';
        result += digits[i];
    }
    return value < 0 ? "-" + result : result;
}

bool StringLessNoCase::operator()(const std::string& a, const std::string& b) const
{
    return _stricmp(a.c_str(), b.c_str()) < 0;
}

static int LowerChar(char c)
{
    return std::tolower(static_cast<unsigned char>(c));
}

int FindNoCase(const char* text, const char* pattern)
{
    if (text[0] == '\0')
        return -1;
    for (int start = 0; text[start] != '\0'; start++)
    {
        int i = 0;
        while (pattern[i] != '\0' && text[start + i] != '\0' &&
               LowerChar(text[start + i]) == LowerChar(pattern[i]))
            i++;
        if (pattern[i] == '\0')
            return start;
        if (text[start + i] == '\0')
            return -1; // the rest of the text is shorter than the pattern
    }
    return -1;
}

} // namespace Lumo
