#include "text/DataElement.h"

namespace Lumo
{

DataElement* SingleDataElement::Duplicate() const
{
    return new SingleDataElement(mText);
}

ListDataElement::ListDataElement(const ListDataElement& other) : DataElement(other)
{
    mItems.reserve(other.mItems.size());
    for (const DataElement* item : other.mItems)
        mItems.push_back(item->Duplicate());
}

ListDataElement& ListDataElement::operator=(const ListDataElement& other)
{
    if (this == &other)
        return *this;
    // Copy first: other may be one of our own items.
    std::vector<DataElement*> copies;
    copies.reserve(other.mItems.size());
    for (const DataElement* item : other.mItems)
        copies.push_back(item->Duplicate());
    Clear();
    mItems = std::move(copies);
    return *this;
}

ListDataElement::~ListDataElement()
{
    Clear();
}

DataElement* ListDataElement::Duplicate() const
{
    return new ListDataElement(*this);
}

void ListDataElement::Clear()
{
    for (DataElement* item : mItems)
        delete item;
    mItems.clear();
}

} // namespace Lumo
