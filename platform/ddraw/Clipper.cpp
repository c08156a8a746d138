// A clipper knows one window; blits onto a surface that holds it keep inside that window's client area.
#include "core/faults.h"
#include "ddraw/Objects.h"
#include "win32/ComObject.h"

#include <atomic>
#include <new>

namespace
{
class Clipper final : public ComObject<IDirectDrawClipper, IID_IDirectDrawClipper>
{
public:
    HRESULT WINAPI GetHWnd(HWND* window) override
    {
        if (!window)
            return DDERR_INVALIDPARAMS;
        *window = mWindow.load();
        return DD_OK;
    }
    HRESULT WINAPI SetHWnd(DWORD flags, HWND window) override
    {
        if (flags != 0)
            return DDERR_INVALIDPARAMS;
        if (Platform::ShouldFail("SetHWnd"))
            return DDERR_GENERIC;
        mWindow = window;
        return DD_OK;
    }

private:
    std::atomic<HWND> mWindow{nullptr};
};
} // namespace

namespace DDraw
{
HRESULT MakeClipper(LPDIRECTDRAWCLIPPER* clipper)
{
    *clipper = new (std::nothrow) Clipper();
    return *clipper ? DD_OK : DDERR_OUTOFMEMORY;
}
} // namespace DDraw
