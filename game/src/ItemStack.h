// A fixed-capacity stack of carried items, bottom first; the tray and its widgets each keep one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Lumo
{

class TObject;

class ItemStack
{
public:
    explicit ItemStack(int16_t capacity) : mItems(std::size_t(capacity > 0 ? capacity : 0), nullptr) {}

    int16_t Capacity() const { return int16_t(mItems.size()); }
    int16_t Count() const { return mCount; }
    TObject* At(int index) const { return index >= 0 && index < mCount ? mItems[index] : nullptr; }

    bool Push(TObject* item)
    {
        if (item == nullptr || mCount == Capacity())
            return false;
        mItems[mCount++] = item;
        return true;
    }
    // Searched from the top; the items above move down one place.
    bool Remove(TObject* item)
    {
        for (int i = mCount - 1; i >= 0; i--)
        {
            if (mItems[i] != item)
                continue;
            for (int j = i; j < mCount - 1; j++)
                mItems[j] = mItems[j + 1];
            mItems[--mCount] = nullptr;
            return true;
        }
        return false;
    }

private:
    std::vector<TObject*> mItems;
    int16_t mCount = 0;
};

} // namespace Lumo
