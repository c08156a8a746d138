// Fonts and text of the gdi32 services: font objects over the layer's FreeType faces, the text
// state of each device context, and text written into the pixels behind a surface's context.
#include "win32/dialog_font.h"
#include "win32/gdi32.h"
#include "win32/user32.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace
{
struct FontObject
{
    LOGFONTA desc{};
    std::unique_ptr<Platform::DialogFont> face;
};

struct DCState
{
    std::shared_ptr<FontObject> font; // null: the default font
    HGDIOBJ fontHandle = nullptr;
    int bkMode = OPAQUE;
    COLORREF textColor = RGB(0, 0, 0);
    RECT clip{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
};

std::mutex gLock;
std::map<HGDIOBJ, std::shared_ptr<FontObject>> gFonts;
std::map<HDC, DCState> gStates;
// Apart from every window, context and kernel handle the layer hands out.
uintptr_t gNextFont = 0x60000000;
HGDIOBJ gDefaultFont = nullptr;
// FreeType is not reentrant on one face; fonts are shared by contexts on any thread.
std::mutex gFaceLock;

// The toolkit's generic face names, in fontconfig's words.
std::string FamilyFor(const char* faceName)
{
    std::string face(faceName, strnlen(faceName, LF_FACESIZE - 1));
    if (face.empty() || face == "SansSerif")
        return "sans-serif";
    if (face == "Serif")
        return "serif";
    if (face == "Monospaced")
        return "monospace";
    return face;
}

std::shared_ptr<FontObject> MakeFont(const LOGFONTA& desc)
{
    auto font = std::make_shared<FontObject>();
    font->desc = desc;
    font->desc.lfFaceName[LF_FACESIZE - 1] = 0;
    Platform::DialogFont::Pixels size;
    int64_t height = desc.lfHeight;
    if (height != 0)
    {
        // The face clamps to what it can draw; this only keeps the number an int.
        size.pixels = (int)std::min<int64_t>(height < 0 ? -height : height, 1 << 20);
        size.cell = height > 0;
    }
    font->face = std::make_unique<Platform::DialogFont>(FamilyFor(font->desc.lfFaceName), size);
    return font;
}

HGDIOBJ Register(std::shared_ptr<FontObject> font)
{
    std::lock_guard<std::mutex> lock(gLock);
    auto handle = (HGDIOBJ)gNextFont;
    gNextFont += 4;
    gFonts[handle] = std::move(font);
    return handle;
}

// The default font every context starts with; made once, never deleted.
HGDIOBJ DefaultFont()
{
    {
        std::lock_guard<std::mutex> lock(gLock);
        if (gDefaultFont)
            return gDefaultFont;
    }
    LOGFONTA desc{};
    desc.lfHeight = 16;
    desc.lfWeight = FW_NORMAL;
    auto font = MakeFont(desc);
    std::lock_guard<std::mutex> lock(gLock);
    if (!gDefaultFont)
    {
        gDefaultFont = (HGDIOBJ)gNextFont;
        gNextFont += 4;
        gFonts[gDefaultFont] = std::move(font);
    }
    return gDefaultFont;
}

std::shared_ptr<FontObject> FontOf(HGDIOBJ object)
{
    std::lock_guard<std::mutex> lock(gLock);
    auto it = gFonts.find(object);
    return it == gFonts.end() ? nullptr : it->second;
}

// A copy of the context's state with its font resolved.
DCState StateOf(HDC dc)
{
    HGDIOBJ fallback = DefaultFont();
    std::lock_guard<std::mutex> lock(gLock);
    DCState state = gStates[dc];
    if (!state.font)
    {
        state.font = gFonts[fallback];
        state.fontHandle = fallback;
    }
    return state;
}

template <typename Change> auto ChangeState(HDC dc, Change change)
{
    std::lock_guard<std::mutex> lock(gLock);
    return change(gStates[dc]);
}

// One channel of a surface pixel and its mask, as 8 bits and back.
struct Channel
{
    uint32_t mask;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m) : mask(m)
    {
        if (!m)
            return;
        while (!((m >> shift) & 1))
            shift++;
        max = m >> shift;
    }
    int Get(uint32_t pixel) const { return max ? (int)(((pixel & mask) >> shift) * 255 / max) : 0; }
    uint32_t Put(int value) const { return (((uint32_t)value * max + 127) / 255) << shift; }
};

// Mixes the colour into one pixel by the coverage, keeping the bits outside the colour masks.
void Blend(const Platform::DCPixels& pixels, int x, int y, const int rgb[3], int coverage)
{
    int bytes = pixels.bitsPerPixel / 8;
    uint8_t* at = pixels.bits + (ptrdiff_t)y * pixels.pitch + (ptrdiff_t)x * bytes;
    uint32_t value = 0;
    std::memcpy(&value, at, (size_t)bytes);
    const Channel channels[3] = {Channel(pixels.red), Channel(pixels.green), Channel(pixels.blue)};
    uint32_t out = value & ~(pixels.red | pixels.green | pixels.blue);
    for (int i = 0; i < 3; i++)
    {
        int old = channels[i].Get(value);
        out |= channels[i].Put(old + ((rgb[i] - old) * coverage + (rgb[i] >= old ? 127 : -127)) / 255);
    }
    std::memcpy(at, &out, (size_t)bytes);
}
} // namespace

namespace Platform
{
void ResetDCState(HDC dc)
{
    std::lock_guard<std::mutex> lock(gLock);
    gStates.erase(dc);
}
} // namespace Platform

HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                         DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                         DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName)
{
    LOGFONTA desc{};
    desc.lfHeight = height;
    desc.lfWidth = width;
    desc.lfEscapement = escapement;
    desc.lfOrientation = orientation;
    desc.lfWeight = weight;
    desc.lfItalic = (BYTE)italic;
    desc.lfUnderline = (BYTE)underline;
    desc.lfStrikeOut = (BYTE)strikeOut;
    desc.lfCharSet = (BYTE)charSet;
    desc.lfOutPrecision = (BYTE)outPrecision;
    desc.lfClipPrecision = (BYTE)clipPrecision;
    desc.lfQuality = (BYTE)quality;
    desc.lfPitchAndFamily = (BYTE)pitchAndFamily;
    if (faceName)
        std::strncpy(desc.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirectA(&desc);
}

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* logFont)
{
    if (!logFont)
        return nullptr;
    return (HFONT)Register(MakeFont(*logFont));
}

int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer)
{
    std::shared_ptr<FontObject> font = FontOf(object);
    if (!font)
        return 0;
    if (!buffer)
        return (int)sizeof(LOGFONTA);
    if (size <= 0)
        return 0;
    int stored = std::min(size, (int)sizeof(LOGFONTA));
    std::memcpy(buffer, &font->desc, (size_t)stored);
    return stored;
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object)
{
    std::shared_ptr<FontObject> font = dc ? FontOf(object) : nullptr;
    if (!font)
        return nullptr;
    HGDIOBJ fallback = DefaultFont();
    return ChangeState(dc,
                       [&](DCState& state)
                       {
                           HGDIOBJ previous = state.fontHandle ? state.fontHandle : fallback;
                           state.font = font;
                           state.fontHandle = object;
                           return previous;
                       });
}

BOOL WINAPI DeleteObject(HGDIOBJ object)
{
    std::lock_guard<std::mutex> lock(gLock);
    if (object && object == gDefaultFont)
        return TRUE;
    // A context that still has the font selected keeps drawing with it.
    return gFonts.erase(object) ? TRUE : FALSE;
}

BOOL WINAPI GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics)
{
    if (!dc || !metrics)
        return FALSE;
    DCState state = StateOf(dc);
    std::lock_guard<std::mutex> faceLock(gFaceLock);
    if (!state.font->face->IsOpen())
        return FALSE;
    Platform::DialogFont::Metrics m = state.font->face->GetMetrics();
    *metrics = TEXTMETRICA{};
    metrics->tmHeight = m.height;
    metrics->tmAscent = m.ascent;
    metrics->tmDescent = m.descent;
    metrics->tmInternalLeading = std::max(0, m.height - m.emPixels);
    metrics->tmAveCharWidth = m.averageWidth;
    metrics->tmMaxCharWidth = m.maxWidth;
    metrics->tmWeight = state.font->desc.lfWeight;
    metrics->tmDigitizedAspectX = 96;
    metrics->tmDigitizedAspectY = 96;
    metrics->tmFirstChar = 32;
    metrics->tmLastChar = 255;
    metrics->tmDefaultChar = '?';
    metrics->tmBreakChar = ' ';
    metrics->tmPitchAndFamily = 0x07; // variable pitch, outline, TrueType
    metrics->tmCharSet = state.font->desc.lfCharSet;
    return TRUE;
}

int WINAPI SetBkMode(HDC dc, int mode)
{
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE))
        return 0;
    return ChangeState(dc, [&](DCState& state) { return std::exchange(state.bkMode, mode); });
}

COLORREF WINAPI SetTextColor(HDC dc, COLORREF color)
{
    if (!dc)
        return 0xFFFFFFFF;
    return ChangeState(dc, [&](DCState& state) { return std::exchange(state.textColor, color & 0xFFFFFF); });
}

int WINAPI IntersectClipRect(HDC dc, int left, int top, int right, int bottom)
{
    if (!dc)
        return 0;
    return ChangeState(dc,
                       [&](DCState& state)
                       {
                           RECT& c = state.clip;
                           c.left = std::max<LONG>(c.left, std::min(left, right));
                           c.top = std::max<LONG>(c.top, std::min(top, bottom));
                           c.right = std::min<LONG>(c.right, std::max(left, right));
                           c.bottom = std::min<LONG>(c.bottom, std::max(top, bottom));
                           return c.left < c.right && c.top < c.bottom ? SIMPLEREGION : NULLREGION;
                       });
}

BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length)
{
    Platform::DCPixels pixels;
    if (!dc || length < 0 || (!text && length > 0) || !Platform::SurfaceDCPixels(dc, &pixels))
        return FALSE;
    int bytes = pixels.bitsPerPixel / 8;
    if (bytes < 2 || bytes > 4 || !pixels.bits || (pixels.red | pixels.green | pixels.blue) == 0)
        return FALSE;
    DCState state = StateOf(dc);
    const std::string line(text ? text : "", (size_t)length);
    // Everything in 64 bits: a place near the int limits must not wrap into the surface.
    int64_t left = std::max<int64_t>(0, state.clip.left), top = std::max<int64_t>(0, state.clip.top);
    int64_t right = std::min<int64_t>(pixels.width, state.clip.right);
    int64_t bottom = std::min<int64_t>(pixels.height, state.clip.bottom);
    auto plot = [&](int64_t px, int64_t py, const int rgb[3], int coverage)
    {
        if (px >= left && px < right && py >= top && py < bottom)
            Blend(pixels, (int)px, (int)py, rgb, coverage);
    };
    std::lock_guard<std::mutex> faceLock(gFaceLock);
    Platform::DialogFont& face = *state.font->face;
    if (pixels.touch)
    {
        // The cell and every glyph pixel, clipped: the area the text may change.
        int64_t fromX = x, toX = (int64_t)x + face.TextWidth(line), fromY = y;
        int64_t toY = (int64_t)y + face.GetMetrics().height;
        face.Render(line,
                    [&](int gx, int gy, uint8_t)
                    {
                        fromX = std::min<int64_t>(fromX, (int64_t)x + gx),
                        toX = std::max<int64_t>(toX, (int64_t)x + gx + 1);
                        fromY = std::min<int64_t>(fromY, (int64_t)y + gy),
                        toY = std::max<int64_t>(toY, (int64_t)y + gy + 1);
                    });
        RECT area{(LONG)std::max(fromX, left), (LONG)std::max(fromY, top), (LONG)std::min(toX, right),
                  (LONG)std::min(toY, bottom)};
        if (area.left < area.right && area.top < area.bottom && !pixels.touch(pixels.owner, area))
            return FALSE;
    }
    if (state.bkMode == OPAQUE)
    {
        // The cell behind the text in the context's background colour, white.
        const int white[3] = {255, 255, 255};
        int64_t fromX = std::max<int64_t>(x, left),
                toX = std::min<int64_t>((int64_t)x + face.TextWidth(line), right);
        int64_t fromY = std::max<int64_t>(y, top);
        int64_t toY = std::min<int64_t>((int64_t)y + face.GetMetrics().height, bottom);
        for (int64_t py = fromY; py < toY; py++)
            for (int64_t px = fromX; px < toX; px++)
                Blend(pixels, (int)px, (int)py, white, 255);
    }
    const int rgb[3] = {(int)(state.textColor & 0xFF), (int)((state.textColor >> 8) & 0xFF),
                        (int)((state.textColor >> 16) & 0xFF)};
    face.Render(line, [&](int gx, int gy, uint8_t coverage)
                { plot((int64_t)x + gx, (int64_t)y + gy, rgb, coverage); });
    return TRUE;
}

int WINAPI DrawTextExA(HDC dc, LPSTR text, int length, LPRECT rect, UINT format, LPDRAWTEXTPARAMS params)
{
    if (!dc || !rect || !(format & DT_CALCRECT) || (!text && length != 0))
        return 0;
    std::string all = !text        ? std::string()
                      : length < 0 ? std::string(text)
                                   : std::string(text, (size_t)length);
    DCState state = StateOf(dc);
    std::lock_guard<std::mutex> faceLock(gFaceLock);
    Platform::DialogFont& face = *state.font->face;
    int64_t widest = 0, lines = 0;
    size_t start = 0;
    while (true)
    {
        size_t end = (format & DT_SINGLELINE) ? std::string::npos : all.find('\n', start);
        std::string line = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r' && end != std::string::npos)
            line.pop_back();
        widest = std::max<int64_t>(widest, face.TextWidth(line));
        lines++;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    if (params)
        widest += (int64_t)params->iLeftMargin + params->iRightMargin;
    int64_t height = lines * face.GetMetrics().height;
    rect->right = (LONG)std::clamp<int64_t>(rect->left + widest, INT_MIN, INT_MAX);
    rect->bottom = (LONG)std::clamp<int64_t>(rect->top + height, INT_MIN, INT_MAX);
    return (int)std::min<int64_t>(height, INT_MAX);
}
