// The descriptor language: a text file of commands, each split into a tree of
// values and handed to the interpreter of a derived class, plus a table of
// named values (defines) that the conversions resolve.
#pragma once

#include "text/DataElement.h"

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace Lumo
{

class DescParser
{
public:
    // Lists nest at most this deep below a command; deeper input is refused, never recursed into.
    static constexpr int kMaxListDepth = 100;
    // What defines may expand to: values copied out of them or read from listed ones, counted
    // over the whole parse. A few defines that each repeat the last would otherwise multiply
    // into more than memory holds; the bound grows with the command text read, so that memory
    // stays in proportion to the file (a game font expands to a few hundred values).
    static constexpr size_t kDefineValueAllowance = size_t(1) << 16;
    static constexpr size_t kDefineValuesPerByte = 4;

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
    // The single values and lists in e, e itself included.
    static size_t ValueCount(const DataElement* e);
    bool DataToString(const DataElement* e, std::string* out);
    bool DataToStringVector(const DataElement* e, std::vector<std::string>* out);
    bool DataToIntVector(const DataElement* e, std::vector<int>* out);
    bool DataToDoubleVector(const DataElement* e, std::vector<double>* out);
    bool DataToList(const DataElement* e, ListDataElement* out);

protected:
    // Takes ownership of value; an earlier define of the same name is deleted.
    void SetDefine(const std::string& name, DataElement* value);
    // Charges values that define expansion makes, or the interpreter builds in their stead; false
    // (reported once) when they are more than the text read so far allows.
    bool SpendValues(size_t count);
    // Charges a copy or a reading of a define's value, everything in it counted.
    bool SpendDefine(const DataElement* value);

private:
    bool ReportUndefined(const std::string& name);
    bool Tokenize(const std::string& text, ListDataElement* list, bool expectListEnd, int* pos, int depth);
    // Resolves src into dst, whose lists sit depth levels below the value's top.
    bool ResolveInto(const ListDataElement& src, ListDataElement* dst, int depth);
    template <typename T>
    bool ParseEach(const DataElement* e, std::vector<T>* out, bool (*parse)(const std::string&, T*));

    size_t mExpandedValues = 0;
    size_t mTextRead = 0; // bytes of the commands executed
    bool mOutOfValues = false;
};

} // namespace Lumo
