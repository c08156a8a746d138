#include "text/DescParser.h"

#include "app/Common.h"
#include "win32/windows.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <sys/stat.h>

namespace Lumo
{

namespace
{

bool IsQuote(char c)
{
    return c == '\'' || c == '"';
}

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == ',';
}

const char* const kTooDeep = "Lists Nested Too Deeply";

struct ValueSize
{
    int mDepth = 0;    // levels of lists, 0 for a single value
    size_t mCount = 1; // the value and everything in it
};

// Stored values are never deeper than the parser allows, so the walk stays shallow.
ValueSize Measure(const DataElement* e)
{
    ValueSize size;
    if (!e->mIsList)
        return size;
    for (const DataElement* item : static_cast<const ListDataElement*>(e)->mItems)
    {
        ValueSize inner = Measure(item);
        size.mDepth = std::max(size.mDepth, inner.mDepth);
        size.mCount += inner.mCount;
    }
    size.mDepth++;
    return size;
}

// Collects the characters of one command while the file is read.
struct CommandScanner
{
    bool inSingleQuote = false;
    bool inDoubleQuote = false;
    bool escapePending = false;
    bool atLineStart = true;
    bool lineIndented = false;
    bool inComment = false;

    void Reset()
    {
        inSingleQuote = inDoubleQuote = escapePending = inComment = false;
        atLineStart = true;
        lineIndented = false;
    }
    bool InQuotes() const { return inSingleQuote || inDoubleQuote; }
};

} // namespace

DescParser::~DescParser()
{
    for (auto& entry : mDefines)
        delete entry.second;
}

bool DescParser::Error(const std::string& msg)
{
    mErrorText = msg;
    return false;
}

DataElement* DescParser::Dereference(const std::string& name)
{
    auto it = mDefines.find(StringToUpper(name));
    return it == mDefines.end() ? nullptr : it->second;
}

void DescParser::SetDefine(const std::string& name, DataElement* value)
{
    std::string key = StringToUpper(name);
    auto it = mDefines.find(key);
    if (it != mDefines.end())
    {
        delete it->second;
        it->second = value;
    }
    else
    {
        mDefines[key] = value;
    }
}

bool DescParser::ParseDescriptorFile(const std::string& fileName)
{
    mCommandLineNumber = 0;
    mErrorText.clear();
    std::unique_ptr<FILE, int (*)(FILE*)> file(fopen(Platform::HostPath(fileName.c_str()).c_str(), "rb"),
                                               fclose);
    if (!file)
        return false;

    CommandScanner s;
    int lineCounter = 0;
    int held = EOF;
    bool ok = true;
    mCommandText.clear();
    // A command may be the whole file: its room is taken once rather than grown by copies.
    struct stat info;
    if (fstat(fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode))
        mCommandText.reserve(static_cast<size_t>(info.st_size));

    auto append = [&](char c)
    {
        if (mCommandText.empty())
            mCommandLineNumber = lineCounter + 1;
        mCommandText += c;
    };
    auto endCommand = [&]()
    {
        bool result = true;
        if (!mCommandText.empty())
            result = ParseCommandLine(mCommandText);
        mCommandText.clear();
        s.Reset();
        return result;
    };

    while (ok)
    {
        int c = held;
        held = EOF;
        if (c == EOF)
            c = fgetc(file.get());
        if (c == EOF)
            break;
        if (c == '\r')
            continue;
        if (c == '\n')
            ++lineCounter;

        if (s.atLineStart)
        {
            if (c == ' ' || c == '\t')
            {
                s.lineIndented = true;
                continue;
            }
            if (c == '\n')
            {
                s.lineIndented = false;
                continue;
            }
            s.atLineStart = false;
            if ((mTerminatorFlags & TERMINATE_UNINDENTED) && !s.lineIndented && !mCommandText.empty())
            {
                held = c;
                ok = endCommand();
                continue;
            }
            if (c == '#')
            {
                s.inComment = true;
                continue;
            }
        }

        if (c == '\n')
        {
            s.atLineStart = true;
            s.lineIndented = false;
            if (s.inComment)
                s.inComment = false;
            else
                append('\n');
            continue;
        }
        if (s.inComment)
            continue;

        char ch = static_cast<char>(c);
        if (ch == '\\')
        {
            if (!s.InQuotes())
            {
                append(ch);
            }
            else if (s.escapePending)
            {
                append('\\');
                append('\\');
                s.escapePending = false;
            }
            else
            {
                s.escapePending = true;
            }
            continue;
        }
        if (ch == ';' && (mTerminatorFlags & TERMINATE_SEMICOLON) && !s.InQuotes())
        {
            ok = endCommand();
            continue;
        }
        if (s.escapePending)
        {
            // An escaped quote does not toggle quoting.
            append('\\');
            s.escapePending = false;
        }
        else if (ch == '\'' && !s.inDoubleQuote)
        {
            s.inSingleQuote = !s.inSingleQuote;
        }
        else if (ch == '"' && !s.inSingleQuote)
        {
            s.inDoubleQuote = !s.inDoubleQuote;
        }
        append(ch);
    }

    if (ok)
        ok = endCommand();
    mCommandText = std::string();
    mCommandLineNumber = 0;
    return ok;
}

bool DescParser::ParseCommandLine(const std::string& text)
{
    mTextRead += text.size();
    ListDataElement list;
    if (!TokenizeToList(text, &list, false, nullptr))
        return false;
    if (list.mItems.empty())
        return true;
    if (list.mItems[0]->mIsList)
        return Error("Missing Command");
    return HandleCommand(list);
}

bool DescParser::TokenizeToList(const std::string& text, ListDataElement* list, bool expectListEnd,
                                int* index)
{
    int start = 0;
    return Tokenize(text, list, expectListEnd, index ? index : &start, 0);
}

bool DescParser::Tokenize(const std::string& text, ListDataElement* list, bool expectListEnd, int* pos,
                          int depth)
{
    bool inSingleQuote = false;
    bool inDoubleQuote = false;
    bool escape = false;
    SingleDataElement* token = nullptr;

    auto append = [&](char c)
    {
        if (!token)
        {
            token = new SingleDataElement();
            list->mItems.push_back(token);
        }
        token->mText += c;
    };

    while (*pos >= 0 && *pos < static_cast<int>(text.size()))
    {
        char c = text[(*pos)++];
        if (escape)
        {
            append(c);
            escape = false;
            continue;
        }
        if (c == '\\')
        {
            escape = true;
            continue;
        }
        if (c == '\'' && !inDoubleQuote)
        {
            inSingleQuote = !inSingleQuote;
            append(c);
            continue;
        }
        if (c == '"' && !inSingleQuote)
        {
            inDoubleQuote = !inDoubleQuote;
            append(c);
            continue;
        }
        if (inSingleQuote || inDoubleQuote)
        {
            append(c);
            continue;
        }
        if (c == ')')
        {
            if (expectListEnd)
                return true;
            return Error("Unexpected List End");
        }
        if (c == '(')
        {
            if (token)
                return Error("Unexpected List Start");
            if (depth >= kMaxListDepth)
                return Error(kTooDeep);
            auto* nested = new ListDataElement();
            list->mItems.push_back(nested);
            if (!Tokenize(text, nested, true, pos, depth + 1))
                return false;
            continue;
        }
        if (IsSeparator(c))
        {
            token = nullptr;
            continue;
        }
        append(c);
    }

    if (inSingleQuote)
        return Error("Unterminated Single Quotes");
    if (inDoubleQuote)
        return Error("Unterminated Double Quotes");
    if (expectListEnd)
        return Error("Unterminated List");
    return true;
}

bool DescParser::IsLiteral(const std::string& s)
{
    if (s.empty())
        return false;
    char c = s[0];
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || IsQuote(c);
}

std::string DescParser::Unquote(const std::string& s)
{
    if (s.empty() || !IsQuote(s[0]))
        return s;
    const char quote = s[0];
    std::string result;
    result.reserve(s.size());
    for (size_t i = 1; i < s.size(); ++i)
    {
        if (s[i] != quote)
        {
            result += s[i];
        }
        else if (i + 1 < s.size() && s[i + 1] == quote)
        {
            result += quote;
            ++i;
        }
        // A lone quote closes or reopens the text and is dropped.
    }
    return result;
}

bool DescParser::ReportUndefined(const std::string& name)
{
    return Error("Unable to Dereference \"" + name + "\"");
}

bool DescParser::SpendValues(size_t count)
{
    if (mOutOfValues)
        return false;
    const size_t perByte = kDefineValuesPerByte;
    const size_t allowed = kDefineValueAllowance + std::min(mTextRead, SIZE_MAX / 2 / perByte) * perByte;
    if (count > allowed - mExpandedValues)
    {
        mOutOfValues = true;
        return Error("Too Many Values");
    }
    mExpandedValues += count;
    return true;
}

bool DescParser::SpendDefine(const DataElement* value)
{
    return SpendValues(ValueCount(value));
}

bool DescParser::GetValue(const ListDataElement& src, ListDataElement* dst)
{
    return ResolveInto(src, dst, 0);
}

bool DescParser::ResolveInto(const ListDataElement& src, ListDataElement* dst, int depth)
{
    for (const DataElement* item : src.mItems)
    {
        if (item->mIsList)
        {
            if (depth >= kMaxListDepth)
                return Error(kTooDeep);
            auto* nested = new ListDataElement();
            dst->mItems.push_back(nested);
            if (!ResolveInto(*static_cast<const ListDataElement*>(item), nested, depth + 1))
                return false;
            continue;
        }
        const std::string& text = static_cast<const SingleDataElement*>(item)->mText;
        if (IsLiteral(text))
        {
            bool quoted = IsQuote(text[0]);
            dst->mItems.push_back(new SingleDataElement(quoted ? Unquote(text) : text));
            continue;
        }
        const DataElement* define = Dereference(text);
        if (!define)
            return ReportUndefined(text);
        // A define's lists go below this level: the result must stay within the depth too.
        ValueSize size = Measure(define);
        if (depth + size.mDepth > kMaxListDepth)
            return Error(kTooDeep);
        if (!SpendValues(size.mCount))
            return false;
        dst->mItems.push_back(define->Duplicate());
    }
    return true;
}

size_t DescParser::ValueCount(const DataElement* e)
{
    return Measure(e).mCount;
}

std::string DescParser::ElementToText(const DataElement* e)
{
    if (!e->mIsList)
        return static_cast<const SingleDataElement*>(e)->mText;
    std::string text = "(";
    const auto& items = static_cast<const ListDataElement*>(e)->mItems;
    for (size_t i = 0; i < items.size(); ++i)
    {
        if (i > 0)
            text += ", ";
        text += ElementToText(items[i]);
    }
    return text + ")";
}

bool DescParser::DataToString(const DataElement* e, std::string* out)
{
    out->clear();
    if (e->mIsList)
        return false;
    const std::string& text = static_cast<const SingleDataElement*>(e)->mText;
    if (const DataElement* value = Dereference(text))
    {
        if (value->mIsList)
            return false;
        *out = Unquote(static_cast<const SingleDataElement*>(value)->mText);
        return true;
    }
    *out = Unquote(text);
    return true;
}

bool DescParser::DataToStringVector(const DataElement* e, std::vector<std::string>* out)
{
    out->clear();
    ListDataElement resolved;
    const ListDataElement* items = &resolved;
    if (e->mIsList)
    {
        if (!GetValue(*static_cast<const ListDataElement*>(e), &resolved))
            return false;
    }
    else
    {
        const std::string& name = static_cast<const SingleDataElement*>(e)->mText;
        const DataElement* value = Dereference(name);
        if (!value)
            return ReportUndefined(name);
        if (!value->mIsList || !SpendDefine(value))
            return false;
        items = static_cast<const ListDataElement*>(value);
    }
    for (const DataElement* item : items->mItems)
    {
        if (item->mIsList)
        {
            out->clear();
            return false;
        }
        out->push_back(static_cast<const SingleDataElement*>(item)->mText);
    }
    return true;
}

template <typename T>
bool DescParser::ParseEach(const DataElement* e, std::vector<T>* out, bool (*parse)(const std::string&, T*))
{
    out->clear();
    std::vector<std::string> texts;
    if (!DataToStringVector(e, &texts))
        return false;
    for (const std::string& text : texts)
    {
        T value{};
        if (!parse(text, &value))
        {
            out->clear();
            return false;
        }
        out->push_back(value);
    }
    return true;
}

bool DescParser::DataToIntVector(const DataElement* e, std::vector<int>* out)
{
    return ParseEach(e, out, StringToInt);
}

bool DescParser::DataToDoubleVector(const DataElement* e, std::vector<double>* out)
{
    return ParseEach(e, out, StringToDouble);
}

bool DescParser::DataToList(const DataElement* e, ListDataElement* out)
{
    if (e->mIsList)
        return GetValue(*static_cast<const ListDataElement*>(e), out);
    const DataElement* value = Dereference(static_cast<const SingleDataElement*>(e)->mText);
    if (!value || !value->mIsList || !SpendDefine(value))
        return false;
    for (const DataElement* item : static_cast<const ListDataElement*>(value)->mItems)
        out->mItems.push_back(item->Duplicate());
    return true;
}

} // namespace Lumo
