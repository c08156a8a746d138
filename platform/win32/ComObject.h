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

// The reference count of a COM-style object; it deletes itself on the last Release.
template <class Interface> class ComCounted : public Interface
{
public:
    ULONG WINAPI AddRef() override { return ++mRefs; }
    ULONG WINAPI Release() override
    {
        ULONG left = --mRefs;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ComCounted() = default;
    virtual ~ComCounted() = default;

private:
    std::atomic<ULONG> mRefs{1};
};

// Implements IUnknown for an object that offers one interface.
template <class Interface, const GUID& InterfaceId> class ComObject : public ComCounted<Interface>
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
};

// Both interfaces of an object that offers a first and a later version of one interface.
template <class First, class Later> struct ComPair : First, Later
{
protected:
    ~ComPair() = default;
};

// Implements IUnknown for such an object; IUnknown itself is answered with the later version.
template <class First, const GUID& FirstId, class Later, const GUID& LaterId>
class ComObject2 : public ComCounted<ComPair<First, Later>>
{
public:
    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (IsEqualGUID(riid, LaterId) || IsEqualGUID(riid, IID_IUnknown))
            *object = static_cast<Later*>(this);
        else if (IsEqualGUID(riid, FirstId))
            *object = static_cast<First*>(this);
        else
            return E_NOINTERFACE;
        this->AddRef();
        return S_OK;
    }
};
