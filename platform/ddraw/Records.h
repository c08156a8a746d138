// Size checks of the description records callers hand in.
#pragma once

#include "ddraw/ddraw.h"

namespace DDraw
{
inline DWORD DocumentedSize(const DDSURFACEDESC*)
{
    return DDSURFACEDESC_SIZE_32BIT;
}
inline DWORD DocumentedSize(const DDSURFACEDESC2*)
{
    return DDSURFACEDESC2_SIZE_32BIT;
}
// A description's size is ours or the 32-bit original's, which callers written for it pass.
template <typename Desc> bool ValidSize(const Desc* desc)
{
    return desc && (desc->dwSize == sizeof(Desc) || desc->dwSize == DocumentedSize(desc));
}
} // namespace DDraw
