// The COM base interface and result macros shared by the DirectX layers.
#pragma once

#include "win32/types.h"

#ifndef S_OK
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#endif
#ifndef SUCCEEDED
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#endif
// Results are 32-bit on Windows; the cast keeps their sign where HRESULT is wider.
#define LUMO_HRESULT(value) ((HRESULT)(int32_t)(uint32_t)(value))
#ifndef E_NOTIMPL
#define E_NOTIMPL LUMO_HRESULT(0x80004001u)
#define E_NOINTERFACE LUMO_HRESULT(0x80004002u)
#define E_POINTER LUMO_HRESULT(0x80004003u)
#define E_FAIL LUMO_HRESULT(0x80004005u)
#define E_OUTOFMEMORY LUMO_HRESULT(0x8007000Eu)
#define E_INVALIDARG LUMO_HRESULT(0x80070057u)
#endif
#ifndef CLASS_E_NOAGGREGATION
#define CLASS_E_NOAGGREGATION LUMO_HRESULT(0x80040110u)
#define CO_E_NOTINITIALIZED LUMO_HRESULT(0x800401F0u)
#endif

struct IUnknown
{
    virtual HRESULT WINAPI QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG WINAPI AddRef() = 0;
    virtual ULONG WINAPI Release() = 0;

protected:
    ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;
