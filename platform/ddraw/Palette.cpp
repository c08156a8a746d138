// A 256-entry palette for 8-bit surfaces.
#include "ddraw/Lock.h"
#include "ddraw/Objects.h"
#include "win32/ComObject.h"

#include <algorithm>
#include <atomic>
#include <new>

namespace
{
constexpr DWORD kEntries = 256;
std::atomic<uint64_t> gChanges{0};

class Palette final : public ComObject<IDirectDrawPalette, IID_IDirectDrawPalette>
{
public:
    Palette(DWORD flags, const PALETTEENTRY* entries) : mAlpha((flags & DDPCAPS_ALPHA) != 0)
    {
        std::copy(entries, entries + kEntries, mEntries);
    }

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
        mVersion = ++gChanges;
        return DD_OK;
    }

    // Called with the layer lock held.
    uint64_t Version() const { return mVersion; }
    void Colours(uint32_t* colours, uint64_t* version) const
    {
        for (DWORD i = 0; i < kEntries; i++)
        {
            const PALETTEENTRY& e = mEntries[i];
            uint32_t alpha = mAlpha ? e.peFlags : 0xFF;
            colours[i] = alpha << 24 | (uint32_t)e.peRed << 16 | (uint32_t)e.peGreen << 8 | e.peBlue;
        }
        *version = mVersion;
    }

private:
    PALETTEENTRY mEntries[kEntries];
    bool mAlpha;
    uint64_t mVersion = ++gChanges;
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
    *palette = new (std::nothrow) Palette(flags, entries);
    return *palette ? DD_OK : DDERR_OUTOFMEMORY;
}

bool PaletteColours(IDirectDrawPalette* palette, uint32_t colours[256], uint64_t* version)
{
    auto* ours = dynamic_cast<Palette*>(palette);
    if (!ours || ours->Version() == *version)
        return false;
    ours->Colours(colours, version);
    return true;
}
} // namespace DDraw
