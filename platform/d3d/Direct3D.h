// IDirect3D7 as a DirectDraw object's QueryInterface gives it: it makes HAL devices.
#pragma once

#include "d3d/d3d.h"
#include "ddraw/Presenter.h"

#include <memory>

namespace D3D
{
// The Direct3D side of a DirectDraw object; it keeps the object alive while it lives.
HRESULT MakeDirect3D(IUnknown* directDraw, std::shared_ptr<DDraw::DisplayState> display, void** made);
} // namespace D3D
