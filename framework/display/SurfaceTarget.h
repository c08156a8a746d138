// The locked surface as the drawing workers see it: rows, masks, shifts and
// the display's saturation tables.
#pragma once

#include "ddraw/ddraw.h"
#include "display/DDInterface.h"
#include "graphics/Color.h"

#include <cstdint>

namespace Lumo::Surface
{

struct Target
{
    uint8_t* mBase = nullptr;
    long mPitch = 0;
    int mWidth = 0;
    int mHeight = 0;
    int mDepth = 0;
    uint32_t mMask[3] = {};
    int mShift[3] = {};
    int mBits[3] = {};
    const int32_t* mAdd[3] = {};

    Target(const DDSURFACEDESC& locked, const DDInterface& display)
        : mBase(static_cast<uint8_t*>(locked.lpSurface)), mPitch(locked.lPitch), mWidth(int(locked.dwWidth)),
          mHeight(int(locked.dwHeight)),
          mDepth(int(locked.ddpfPixelFormat.dwRGBBitCount)), mMask{locked.ddpfPixelFormat.dwRBitMask,
                                                                   locked.ddpfPixelFormat.dwGBitMask,
                                                                   locked.ddpfPixelFormat.dwBBitMask},
          mShift{display.mRedShift, display.mGreenShift, display.mBlueShift},
          mBits{display.mRedBits, display.mGreenBits, display.mBlueBits}, mAdd{display.mRedAddTable.data(),
                                                                               display.mGreenAddTable.data(),
                                                                               display.mBlueAddTable.data()}
    {
        bool tables = !display.mRedAddTable.empty() && !display.mGreenAddTable.empty() &&
                      !display.mBlueAddTable.empty();
        if (mBase == nullptr || !tables || (mDepth != 16 && mDepth != 32))
            mDepth = 0; // nothing is drawn
    }

    template <typename P> P* Row(int y) const { return reinterpret_cast<P*>(mBase + long(y) * mPitch); }
    void* At(int x, int y) const { return mBase + long(y) * mPitch + long(x) * (mDepth / 8); }
    uint32_t ColorMask() const { return mMask[0] | mMask[1] | mMask[2]; }
};

// The three channels of a colour, red first.
inline void Channels(const Color& c, uint32_t out[3])
{
    out[0] = uint32_t(c.mRed);
    out[1] = uint32_t(c.mGreen);
    out[2] = uint32_t(c.mBlue);
}

// Normal blend of one premultiplied native pixel n of alpha a over d, for a
// white colour (mod null) or modulated by the premultiplied colour mod of alpha ca.
inline uint32_t BlendNative(const Target& t, uint32_t d, uint32_t n, uint32_t a, const uint32_t* mod,
                            uint32_t ca)
{
    uint32_t out = 0;
    if (mod == nullptr)
    {
        if (a == 255)
            return n & t.ColorMask();
        uint64_t inv = 256 - a;
        for (int k = 0; k < 3; k++)
            out += uint32_t(((d & t.mMask[k]) * inv) >> 8) & t.mMask[k];
        return out + (n & t.ColorMask());
    }
    if (a == 255 && ca == 255)
    {
        for (int k = 0; k < 3; k++)
            out |= uint32_t((uint64_t(n & t.mMask[k]) * mod[k]) >> 8) & t.mMask[k];
        return out;
    }
    uint64_t inv = 256 - (a * ca) / 255;
    for (int k = 0; k < 3; k++)
        out |=
            uint32_t((uint64_t(d & t.mMask[k]) * inv + uint64_t(n & t.mMask[k]) * mod[k]) >> 8) & t.mMask[k];
    return out;
}

// Saturating add of native pixel n onto d, white (mod null) or modulated.
inline uint32_t AddNative(const Target& t, uint32_t d, uint32_t n, const uint32_t* mod)
{
    uint32_t out = 0;
    for (int k = 0; k < 3; k++)
    {
        uint32_t m = t.mMask[k];
        int s = t.mShift[k];
        uint32_t sum = mod == nullptr ? ((d & m) + (n & m)) >> s
                                      : ((uint64_t((n & m) >> s) * mod[k]) >> 8) + ((d & m) >> s);
        out |= uint32_t(t.mAdd[k][sum]) << s;
    }
    return out;
}

} // namespace Lumo::Surface
