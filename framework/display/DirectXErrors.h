#pragma once

#include "win32/types.h"

#include <string>

namespace Lumo
{

// The symbolic name of a DirectDraw, Direct3D or DirectSound result; a value
// without a name gives its lower-case hexadecimal digits.
std::string GetDirectXErrorString(HRESULT result);

// How many names the table holds.
int DirectXErrorNameCount();

// Lets go of a DirectX object, if any, and forgets it.
template <typename T> void ReleaseOf(T*& object)
{
    if (object)
        object->Release();
    object = nullptr;
}

} // namespace Lumo
