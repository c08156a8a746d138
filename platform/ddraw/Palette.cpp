// A 256-entry palette for 8-bit surfaces.
#include "ddraw/Lock.h"
#include "ddraw/Objects.h"
#include "win32/ComObject.h"

#include <algorithm>
#include <new>

namespace
{
constexpr DWORD kEntries = 256;

class Palette final : public ComObject<IDirectDrawPalette, IID_IDirectDrawPalette>
{
public:
    explicit Palette(const PALETTEENTRY* entries) { std::copy(entries, entries + kEntries, mEntries); }

    HRESULT WINAPI GetEntries(DWORD, DWORD base, DWORD count, LPPALETTEENTRY entries) override
    {
        if (!entries || base >= kEntries || count > kEntries - base)
            return DDERR_INVALIDPARAMS;
        std::lock_guard<std::mutex> lock(DDraw::LayerLock());
        std::copy(mEntries + base, mEntries + base + count, entries);
        return DD_OK;
    }
    HRESULT WINAPI SetEntries(DWORD, DWORD start, DWORD count, LPPALETTEENTRY entries) override
    {
        if (!entries || start >= kEntries || count > kEntries - start)
            return DDERR_INVALIDPARAMS;
        std::lock_guard<std::mutex> lock(DDraw::LayerLock());
        std::copy(entries, entries + count, mEntries + start);
        return DD_OK;
    }

private:
    PALETTEENTRY mEntries[kEntries];
};
} // namespace

namespace DDraw
{
HRESULT MakePalette(DWORD flags, const PALETTEENTRY* entries, LPDIRECTDRAWPALETTE* palette)
{
    *palette = nullptr;
    // Only 8-bit palettes exist here; the 1-, 2- and 4-bit kinds are not offered.
    if (!(flags & DDPCAPS_8BIT))
        return DDERR_UNSUPPORTED;
    if (!entries)
        return DDERR_INVALIDPARAMS;
    *palette = new (std::nothrow) Palette(entries);
    return *palette ? DD_OK : DDERR_OUTOFMEMORY;
}
} // namespace DDraw
