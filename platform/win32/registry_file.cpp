#include "win32/registry_file.h"

#include "win32/advapi32.h"

#include <cctype>
#include <cstring>

namespace Platform::Registry
{
namespace
{
const char kHeader[] = "registry 1";
const char kEnd[] = "end";
const char kHex[] = "0123456789abcdef";

void AppendQuoted(std::string& out, const std::string& text)
{
    out += '"';
    for (unsigned char c : text)
    {
        if (c == '"' || c == '\\')
        {
            out += '\\';
            out += (char)c;
        }
        else if (c >= 0x20 && c < 0x7f)
            out += (char)c;
        else
        {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    out += '"';
}

// A word of a damaged line as a message shows it: short, and with every byte printable.
std::string Quoted(const std::string& word)
{
    constexpr size_t kShown = 32;
    std::string out;
    AppendQuoted(out, word.substr(0, kShown));
    if (word.size() > kShown)
        out += "...";
    return out;
}

void AppendHex(std::string& out, const std::vector<BYTE>& data)
{
    for (BYTE b : data)
    {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
}

void FormatKey(std::string& out, const Key& key, std::vector<std::string>& path)
{
    // Every key is listed, so that empty ones survive; the top is implied.
    if (!path.empty())
    {
        out += "key";
        for (const auto& name : path)
        {
            out += ' ';
            AppendQuoted(out, name);
        }
        out += '\n';
    }
    for (const auto& [name, value] : key.values)
    {
        if (value.type == REG_DWORD && value.data.size() == 4)
        {
            DWORD number = (DWORD)value.data[0] | (DWORD)value.data[1] << 8 | (DWORD)value.data[2] << 16 |
                           (DWORD)value.data[3] << 24;
            out += "dword ";
            AppendQuoted(out, name);
            out += ' ' + std::to_string(number) + '\n';
            continue;
        }
        if (value.type == REG_SZ)
        {
            out += "sz ";
            AppendQuoted(out, name);
            out += ' ';
            AppendQuoted(out, std::string(value.data.begin(), value.data.end()));
            out += '\n';
            continue;
        }
        out +=
            value.type == REG_BINARY ? std::string("binary ") : "value " + std::to_string(value.type) + ' ';
        AppendQuoted(out, name);
        if (!value.data.empty())
        {
            out += ' ';
            AppendHex(out, value.data);
        }
        out += '\n';
    }
    for (const auto& [name, subKey] : key.subKeys)
    {
        path.push_back(name);
        FormatKey(out, subKey, path);
        path.pop_back();
    }
}

// One line split into its words: quoted strings (unescaped) and bare words.
struct Token
{
    bool quoted;
    std::string text;
};

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

bool Tokenize(const std::string& line, std::vector<Token>& tokens)
{
    size_t i = 0;
    while (i < line.size())
    {
        if (line[i] == ' ')
        {
            i++;
            continue;
        }
        if (line[i] != '"')
        {
            size_t end = line.find(' ', i);
            if (end == std::string::npos)
                end = line.size();
            tokens.push_back({false, line.substr(i, end - i)});
            i = end;
            continue;
        }
        std::string text;
        for (i++;; i++)
        {
            if (i >= line.size())
                return false; // unterminated string
            char c = line[i];
            if (c == '"')
                break;
            if (c != '\\')
            {
                text += c;
                continue;
            }
            if (++i >= line.size())
                return false;
            if (line[i] == '"' || line[i] == '\\')
                text += line[i];
            else if (line[i] == 'x' && i + 2 < line.size() && HexDigit(line[i + 1]) >= 0 &&
                     HexDigit(line[i + 2]) >= 0)
            {
                text += (char)(HexDigit(line[i + 1]) * 16 + HexDigit(line[i + 2]));
                i += 2;
            }
            else
                return false;
        }
        i++;
        if (i < line.size() && line[i] != ' ')
            return false; // a string runs straight into the next word
        tokens.push_back({true, text});
    }
    return true;
}

bool ParseHex(const std::string& text, std::vector<BYTE>& data)
{
    if (text.size() % 2 != 0)
        return false;
    for (size_t i = 0; i < text.size(); i += 2)
    {
        int high = HexDigit(text[i]);
        int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        data.push_back((BYTE)(high * 16 + low));
    }
    return true;
}

bool ParseNumber(const std::string& text, uint64_t limit, uint64_t& number)
{
    if (text.empty() || text.size() > 10)
        return false;
    number = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + (uint64_t)(c - '0');
    }
    return number <= limit;
}

bool IsRootName(const std::string& name)
{
    for (const auto& root : RootNames())
        if (root == name)
            return true;
    return false;
}

// Reads one value line ("dword", "sz", "binary" or "value") into `key`.
bool ParseValue(const std::vector<Token>& tokens, Key& key, std::string& error)
{
    const std::string& kind = tokens[0].text;
    size_t nameAt = kind == "value" ? 2 : 1;
    if (tokens.size() <= nameAt || !tokens[nameAt].quoted || tokens.size() > nameAt + 2)
    {
        error = "malformed " + kind + " line";
        return false;
    }
    Value value;
    const Token* data = tokens.size() == nameAt + 2 ? &tokens[nameAt + 1] : nullptr;
    uint64_t number = 0;
    if (kind == "dword")
    {
        if (data == nullptr || data->quoted || !ParseNumber(data->text, 0xFFFFFFFFu, number))
        {
            error = "bad dword";
            return false;
        }
        value.type = REG_DWORD;
        for (int shift = 0; shift < 32; shift += 8)
            value.data.push_back((BYTE)(number >> shift));
    }
    else if (kind == "sz")
    {
        if (data == nullptr || !data->quoted)
        {
            error = "bad string";
            return false;
        }
        value.type = REG_SZ;
        value.data.assign(data->text.begin(), data->text.end());
    }
    else
    {
        if (kind == "value" && (tokens[1].quoted || !ParseNumber(tokens[1].text, 0xFFFFFFFFu, number)))
        {
            error = "bad value type";
            return false;
        }
        value.type = kind == "value" ? (DWORD)number : REG_BINARY;
        if (data != nullptr && (data->quoted || !ParseHex(data->text, value.data)))
        {
            error = "bad hex data";
            return false;
        }
    }
    key.values[tokens[nameAt].text] = std::move(value);
    return true;
}
} // namespace

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const
{
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; i++)
    {
        int ca = std::tolower((unsigned char)a[i]);
        int cb = std::tolower((unsigned char)b[i]);
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

const std::vector<std::string>& RootNames()
{
    // Never destroyed: the settings are still read and written as the process exits.
    static const auto* names = new std::vector<std::string>{"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                            "HKEY_LOCAL_MACHINE", "HKEY_USERS"};
    return *names;
}

std::string Format(const Key& top)
{
    std::string out = "# Settings kept by the program. Edit only while it is not running.\n";
    out += kHeader;
    out += '\n';
    std::vector<std::string> path;
    FormatKey(out, top, path);
    out += kEnd;
    out += '\n';
    return out;
}

bool Parse(const std::string& text, Key& top, std::string& error)
{
    top = Key();
    bool header = false;
    bool ended = false;
    Key* current = nullptr;
    size_t writtenKeyBytes = 0;
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
        {
            error = "the last line is cut short";
            return false;
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        lineNumber++;
        auto fail = [&](const std::string& why)
        {
            error = "line " + std::to_string(lineNumber) + ": " + why;
            return false;
        };
        if (line.empty() || line[0] == '#')
            continue;
        if (ended)
            return fail("text after the end");
        if (!header)
        {
            if (line != kHeader)
                return fail("not a registry file");
            header = true;
            continue;
        }
        if (line == kEnd)
        {
            ended = true;
            continue;
        }
        std::vector<Token> tokens;
        if (!Tokenize(line, tokens) || tokens.empty() || tokens[0].quoted)
            return fail("unreadable");
        if (tokens[0].text == "key")
        {
            if (tokens.size() < 2)
                return fail("a key without a name");
            if (tokens.size() - 1 > kMaxKeyDepth)
                return fail("a key too deep");
            current = &top;
            std::string keyLine = "key";
            for (size_t i = 1; i < tokens.size(); i++)
            {
                if (!tokens[i].quoted || tokens[i].text.empty() ||
                    tokens[i].text.find('\\') != std::string::npos || (i == 1 && !IsRootName(tokens[i].text)))
                    return fail("bad key name");
                keyLine += ' ';
                AppendQuoted(keyLine, tokens[i].text);
                auto [it, added] = current->subKeys.try_emplace(tokens[i].text);
                // Each new key is written out on a line of its own, with its whole path.
                writtenKeyBytes += added ? keyLine.size() + 1 : 0;
                if (writtenKeyBytes > kMaxFileBytes)
                    return fail("keys that would be written out too large");
                current = &it->second;
            }
            continue;
        }
        const std::string& kind = tokens[0].text;
        if (kind != "dword" && kind != "sz" && kind != "binary" && kind != "value")
            return fail("unknown line " + Quoted(kind));
        if (current == nullptr)
            return fail("a value before any key");
        std::string why;
        if (!ParseValue(tokens, *current, why))
            return fail(why);
    }
    if (!ended)
    {
        error = header ? "the file is cut short" : "empty file";
        return false;
    }
    return true;
}
} // namespace Platform::Registry
