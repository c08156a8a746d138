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
    size_t mBytes = 0; // held by the value and everything in it
};

// Stored values are never deeper than the parser allows, so the walk stays shallow.
ValueSize Measure(const DataElement* e)
{
    ValueSize size;
    if (!e->mIsList)
    {
        const std::string& text = static_cast<const SingleDataElement*>(e)->mText;
        size.mBytes =
            DescParser::Allocated(sizeof(SingleDataElement)) + DescParser::StringBytes(text.capacity());
        return size;
    }
    const auto& items = static_cast<const ListDataElement*>(e)->mItems;
    size.mBytes = DescParser::Allocated(sizeof(ListDataElement)) +
                  DescParser::Allocated(items.capacity() * sizeof(DataElement*));
    for (const DataElement* item : items)
    {
        ValueSize inner = Measure(item);
        size.mDepth = std::max(size.mDepth, inner.mDepth);
        size.mBytes += inner.mBytes;
    }
    size.mDepth++;
    return size;
}

// A define's entry in the table beside its value: the tree node and the name.
size_t DefineEntryBytes(const std::string& key)
{
    return DescParser::Allocated(4 * sizeof(void*) + sizeof(std::pair<const std::string, DataElement*>)) +
           DescParser::StringBytes(key.capacity());
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
    DeleteDefine(name);
    // Paid for while it was made (as the command's tokens or a copy): from now on it is held.
    auto it = mDefines.emplace(StringToUpper(name), value).first;
    mDefineBytes += DefineEntryBytes(it->first) + ValueBytes(value);
}

void DescParser::DeleteDefine(const std::string& name)
{
    auto it = mDefines.find(StringToUpper(name));
    if (it == mDefines.end())
        return;
    mDefineBytes -= std::min(mDefineBytes, DefineEntryBytes(it->first) + ValueBytes(it->second));
    delete it->second;
    mDefines.erase(it);
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
    // A command may be the whole file: its room is taken once rather than grown by copies. A
    // file larger than any font is no reason to take its size up front.
    constexpr off_t kRoomTakenAtOnce = off_t(64) << 20;
    struct stat info;
    if (fstat(fileno(file.get()), &info) == 0 && S_ISREG(info.st_mode))
        mCommandText.reserve(static_cast<size_t>(std::min(info.st_size, kRoomTakenAtOnce)));

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
    mCommandBytes = 0;
    ListDataElement list;
    mCommand = &list;
    bool ok = TokenizeToList(text, &list, false, nullptr);
    if (ok && !list.mItems.empty())
        ok = list.mItems[0]->mIsList ? Error("Missing Command") : HandleCommand(list);
    mCommand = nullptr;
    mCommandBytes = 0; // its values go with it
    return ok;
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

    // Every byte the tokens take is charged before it is taken.
    auto append = [&](char c)
    {
        if (!token)
        {
            if (!MakeRoom(&list->mItems, 1, Allocated(sizeof(SingleDataElement)), false))
                return false;
            token = new SingleDataElement();
            list->mItems.push_back(token);
        }
        std::string& t = token->mText;
        if (t.size() == t.capacity())
        {
            const size_t room = 2 * t.capacity();
            if (!Charge(StringBytes(room) - StringBytes(t.capacity()), false))
                return false;
            t.reserve(room);
        }
        t += c;
        return true;
    };

    while (*pos >= 0 && *pos < static_cast<int>(text.size()))
    {
        char c = text[(*pos)++];
        if (escape)
        {
            if (!append(c))
                return false;
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
            if (!append(c))
                return false;
            continue;
        }
        if (c == '"' && !inSingleQuote)
        {
            inDoubleQuote = !inDoubleQuote;
            if (!append(c))
                return false;
            continue;
        }
        if (inSingleQuote || inDoubleQuote)
        {
            if (!append(c))
                return false;
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
            if (!MakeRoom(&list->mItems, 1, Allocated(sizeof(ListDataElement)), false))
                return false;
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
        if (!append(c))
            return false;
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

bool DescParser::Charge(size_t bytes, bool lasting)
{
    if (mOutOfValues)
        return false;
    const size_t perByte = kValueBytesPerTextByte;
    const size_t allowed = kValueByteAllowance + std::min(mTextRead, SIZE_MAX / 4 / perByte) * perByte;
    // Defines are added as they are stored, unchecked: what they hold was charged while they were made.
    const size_t held = mLastingBytes + mCommandBytes + mDefineBytes;
    if (held > allowed || bytes > allowed - held)
    {
        mOutOfValues = true;
        return Error("Too Many Values");
    }
    (lasting ? mLastingBytes : mCommandBytes) += bytes;
    return true;
}

bool DescParser::SpendDefine(const DataElement* value)
{
    return Charge(ValueBytes(value), true);
}

DataElement* DescParser::TakeItem(const ListDataElement& params, size_t index)
{
    DataElement* item = params.mItems[index];
    if (&params != mCommand)
        return Charge(ValueBytes(item), false) ? item->Duplicate() : nullptr;
    mCommand->mItems[index] = new SingleDataElement();
    return item;
}

bool DescParser::GetValue(const ListDataElement& src, ListDataElement* dst)
{
    return ResolveInto(src, dst, 0);
}

const DataElement* DescParser::NamedValue(const std::string& name, int depth)
{
    const DataElement* define = Dereference(name);
    if (!define)
    {
        ReportUndefined(name);
        return nullptr;
    }
    // A define's lists go below this level: the result must stay within the depth too.
    ValueSize size = Measure(define);
    if (depth + size.mDepth > kMaxListDepth)
    {
        Error(kTooDeep);
        return nullptr;
    }
    return Charge(size.mBytes, true) ? define : nullptr;
}

const DataElement* DescParser::ResolveItem(const DataElement* item, int depth,
                                           std::unique_ptr<DataElement>* made)
{
    if (item->mIsList)
    {
        if (depth >= kMaxListDepth)
        {
            Error(kTooDeep);
            return nullptr;
        }
        if (!Charge(Allocated(sizeof(ListDataElement)), false))
            return nullptr;
        auto* nested = new ListDataElement();
        made->reset(nested);
        return ResolveInto(*static_cast<const ListDataElement*>(item), nested, depth + 1) ? nested : nullptr;
    }
    const std::string& text = static_cast<const SingleDataElement*>(item)->mText;
    if (!IsLiteral(text))
        return NamedValue(text, depth);
    if (!IsQuote(text[0]))
        return item;
    if (!Charge(Allocated(sizeof(SingleDataElement)) + StringBytes(text.size()), false))
        return nullptr;
    made->reset(new SingleDataElement(Unquote(text)));
    return made->get();
}

bool DescParser::ResolveInto(const ListDataElement& src, ListDataElement* dst, int depth)
{
    for (const DataElement* item : src.mItems)
    {
        std::unique_ptr<DataElement> made;
        const DataElement* value = ResolveItem(item, depth, &made);
        // What was made here or copied out of a define is paid for; a written item is not yet.
        if (!value || !MakeRoom(&dst->mItems, 1, value == item ? ValueBytes(item) : 0, false))
            return false;
        dst->mItems.push_back(made ? made.release() : value->Duplicate());
    }
    return true;
}

bool DescParser::ResolveInPlace(ListDataElement* list, int depth)
{
    for (DataElement*& item : list->mItems)
    {
        if (item->mIsList)
        {
            if (depth >= kMaxListDepth)
                return Error(kTooDeep);
            if (!ResolveInPlace(static_cast<ListDataElement*>(item), depth + 1))
                return false;
            continue;
        }
        std::string& text = static_cast<SingleDataElement*>(item)->mText;
        if (IsLiteral(text))
        {
            if (IsQuote(text[0]))
                text = Unquote(text);
            continue;
        }
        const DataElement* define = NamedValue(text, depth);
        if (!define)
            return false;
        delete item;
        item = define->Duplicate();
    }
    return true;
}

size_t DescParser::ValueBytes(const DataElement* e)
{
    return Measure(e).mBytes;
}

size_t DescParser::StringBytes(size_t capacity)
{
    static const size_t inside = std::string().capacity();
    return capacity > inside ? Allocated(capacity + 1) : 0;
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

template <typename Take> bool DescParser::ForEachText(const DataElement* e, Take take)
{
    if (!e->mIsList)
    {
        const std::string& name = static_cast<const SingleDataElement*>(e)->mText;
        const DataElement* value = Dereference(name);
        if (!value)
            return ReportUndefined(name);
        if (!value->mIsList || !SpendDefine(value))
            return false;
        for (const DataElement* item : static_cast<const ListDataElement*>(value)->mItems)
            if (item->mIsList || !take(static_cast<const SingleDataElement*>(item)->mText))
                return false;
        return true;
    }
    // Each item is resolved on its own, never into a copy of the list; a list among them still
    // has its own items resolved (and their failures reported) before the answer is no.
    bool singles = true;
    for (const DataElement* item : static_cast<const ListDataElement*>(e)->mItems)
    {
        std::unique_ptr<DataElement> made;
        const DataElement* value = ResolveItem(item, 0, &made);
        if (!value)
            return false;
        if (value->mIsList)
            singles = false;
        else if (singles && !take(static_cast<const SingleDataElement*>(value)->mText))
            return false;
    }
    return singles;
}

bool DescParser::DataToStringVector(const DataElement* e, std::vector<std::string>* out)
{
    out->clear();
    auto take = [&](const std::string& text)
    {
        if (!MakeRoom(out, 1, StringBytes(text.size()), false))
            return false;
        out->push_back(text);
        return true;
    };
    if (ForEachText(e, take))
        return true;
    out->clear();
    return false;
}

template <typename T>
bool DescParser::ParseEach(const DataElement* e, std::vector<T>* out, bool (*parse)(const std::string&, T*))
{
    out->clear();
    bool parsed = true;
    auto take = [&](const std::string& text)
    {
        T value{};
        parsed = parsed && parse(text, &value);
        if (parsed)
            out->push_back(value);
        return true;
    };
    if (ForEachText(e, take) && parsed)
        return true;
    out->clear();
    return false;
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
