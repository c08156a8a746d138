// The descriptor language: a text file of commands, each split into a tree of
// values and handed to the interpreter of a derived class, plus a table of
// named values (defines) that the conversions resolve.
#pragma once

#include "text/DataElement.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Lumo
{

class DescParser
{
public:
    // Lists nest at most this deep below a command; deeper input is refused, never recursed into.
    static constexpr int kMaxListDepth = 100;
    // What a parse may hold in values, layers and the lists read from them, in bytes as the
    // allocator gives them out: an allowance and so much per byte of command text read, so that
    // memory stays within a few times the file's size. A value takes some 80 bytes however short
    // its text, so only files past the allowance can be refused; the largest font the commands
    // can describe (every pair of characters kerned) needs some 12 MB, the game's fonts under one.
    static constexpr size_t kValueByteAllowance = size_t(16) << 20;
    static constexpr size_t kValueBytesPerTextByte = 4;
    static constexpr size_t kAllocatorOverhead = 16; // its header and rounding, per block

    enum TerminatorFlags
    {
        TERMINATE_SEMICOLON = 1,  // an unquoted ';' ends a command
        TERMINATE_UNINDENTED = 2, // a line starting in column 0 ends the command before it
    };

    int mTerminatorFlags = TERMINATE_SEMICOLON;
    std::string mErrorText;
    // 1-based line on which the command being executed began; 0 outside a parse.
    int mCommandLineNumber = 0;
    std::string mCommandText;
    // Keyed by the upper-cased name; the values are owned by the parser.
    std::map<std::string, DataElement*> mDefines;

    DescParser() = default;
    DescParser(const DescParser&) = delete;
    DescParser& operator=(const DescParser&) = delete;

    // Every parse failure passes through here; stores the text and returns false.
    virtual bool Error(const std::string& msg);
    // The define of that name (any case), still owned by the parser, or null.
    virtual DataElement* Dereference(const std::string& name);
    virtual bool HandleCommand(const ListDataElement& params) = 0;
    virtual ~DescParser();

    // False when the file cannot be opened (no message) or a command failed.
    bool ParseDescriptorFile(const std::string& fileName);
    bool ParseCommandLine(const std::string& text);
    // index is the running position shared by nested lists; null starts at 0.
    bool TokenizeToList(const std::string& text, ListDataElement* list, bool expectListEnd, int* index);

    static bool IsLiteral(const std::string& s);
    // 'it''s' -> it's: the enclosing quotes go, a doubled quote stands for one.
    static std::string Unquote(const std::string& s);

    bool GetValue(const ListDataElement& src, ListDataElement* dst);
    static std::string ElementToText(const DataElement* e);
    // The bytes e and everything in it hold, as the budget counts them.
    static size_t ValueBytes(const DataElement* e);
    // What the allocator takes for a block of size bytes.
    static size_t Allocated(size_t size) { return size == 0 ? 0 : size + kAllocatorOverhead; }
    // What a string of that capacity holds beside itself (nothing while its text fits inside).
    static size_t StringBytes(size_t capacity);
    bool DataToString(const DataElement* e, std::string* out);
    bool DataToStringVector(const DataElement* e, std::vector<std::string>* out);
    bool DataToIntVector(const DataElement* e, std::vector<int>* out);
    bool DataToDoubleVector(const DataElement* e, std::vector<double>* out);
    bool DataToList(const DataElement* e, ListDataElement* out);

protected:
    // Takes ownership of value; an earlier define of the same name is deleted.
    void SetDefine(const std::string& name, DataElement* value);
    void DeleteDefine(const std::string& name);
    // Charges bytes about to be taken; false (reported once) when they and everything charged
    // before pass what the text read so far allows. Lasting charges stay for the whole parse
    // (copies and readings of defines, which would otherwise multiply, and the interpreter's
    // records); the others end with the command being executed (its values and the lists made
    // from them). Defines are counted for as long as they are held.
    bool Charge(size_t bytes, bool lasting);
    // Charges a copy or a reading of a define's value, everything in it counted.
    bool SpendDefine(const DataElement* value);
    // Room for count more entries in v, charged with extra bytes before it is taken.
    template <typename T> bool MakeRoom(std::vector<T>* v, size_t count, size_t extra, bool lasting);
    // Item index of params for the interpreter to keep: the tokens of the command being executed
    // are handed over (an empty value takes their place), those of any other list copied; null
    // when a copy does not fit.
    DataElement* TakeItem(const ListDataElement& params, size_t index);
    // GetValue without a copy: list's own items are unquoted or replaced by their defines.
    bool ResolveInPlace(ListDataElement* list, int depth = 0);

private:
    bool ReportUndefined(const std::string& name);
    bool Tokenize(const std::string& text, ListDataElement* list, bool expectListEnd, int* pos, int depth);
    // The define a value names, once it is known to fit depth levels below a value's top and
    // within the budget; null (reported) otherwise.
    const DataElement* NamedValue(const std::string& name, int depth);
    // What one item resolves to: the item itself, the define it names or, for a quoted text or
    // a list, a new element held in made; null (reported) on failure.
    const DataElement* ResolveItem(const DataElement* item, int depth, std::unique_ptr<DataElement>* made);
    // Resolves src into dst, whose lists sit depth levels below the value's top.
    bool ResolveInto(const ListDataElement& src, ListDataElement* dst, int depth);
    // Hands the text of each resolved item of e to take, in order; false when e does not resolve
    // to a list of single values (a failure to resolve is reported, as GetValue does).
    template <typename Take> bool ForEachText(const DataElement* e, Take take);
    template <typename T>
    bool ParseEach(const DataElement* e, std::vector<T>* out, bool (*parse)(const std::string&, T*));

    size_t mLastingBytes = 0;
    size_t mCommandBytes = 0;
    size_t mDefineBytes = 0;
    size_t mTextRead = 0; // bytes of the commands executed
    bool mOutOfValues = false;
    ListDataElement* mCommand = nullptr; // the tokens of the command being executed
};

template <typename T> bool DescParser::MakeRoom(std::vector<T>* v, size_t count, size_t extra, bool lasting)
{
    // Grown as the vector itself would, but here, after the charge.
    size_t room = v->capacity();
    if (v->size() + count > room)
        room = std::max(v->size() + count, 2 * room);
    if (!Charge(extra + Allocated(room * sizeof(T)) - Allocated(v->capacity() * sizeof(T)), lasting))
        return false;
    v->reserve(room);
    return true;
}

} // namespace Lumo
