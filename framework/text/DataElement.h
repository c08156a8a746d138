// The value tree of a descriptor command: single tokens and nested lists.
#pragma once

#include <string>
#include <vector>

namespace Lumo
{

class DataElement
{
public:
    bool mIsList = false;

    DataElement() = default;
    virtual ~DataElement() = default;
    // A deep copy owned by the caller.
    virtual DataElement* Duplicate() const = 0;

protected:
    DataElement(const DataElement&) = default;
    DataElement& operator=(const DataElement&) = default;
};

class SingleDataElement : public DataElement
{
public:
    // The token exactly as written, quote characters included.
    std::string mText;

    SingleDataElement() = default;
    explicit SingleDataElement(const std::string& text) : mText(text) {}
    DataElement* Duplicate() const override;
};

class ListDataElement : public DataElement
{
public:
    // Owned: deleted with the list.
    std::vector<DataElement*> mItems;

    ListDataElement() { mIsList = true; }
    ListDataElement(const ListDataElement& other);
    ListDataElement& operator=(const ListDataElement& other);
    ~ListDataElement() override;
    DataElement* Duplicate() const override;

    void Clear();
};

} // namespace Lumo
