// Reference counting and interface lookup for the layer's COM-style objects.
#pragma once

#include "win32/unknwn.h"

#include <atomic>
#include <cstring>

inline constexpr GUID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

inline bool IsEqualGUID(const GUID& a, const GUID& b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}

// Implements IUnknown for an object that offers one interface; it deletes itself on the last Release.
template <class Interface, const GUID& InterfaceId> class ComObject : public Interface
{
public:
    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (!IsEqualGUID(riid, InterfaceId) && !IsEqualGUID(riid, IID_IUnknown))
        {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        this->AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG WINAPI AddRef() override { return ++mRefs; }
    ULONG WINAPI Release() override
    {
        ULONG left = --mRefs;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> mRefs{1};
};
