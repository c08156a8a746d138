// gdi32 services of the layer: device contexts, the display's capabilities and text.
#pragma once

#include "win32/types.h"

#include <cstdint>

// A device context of a window (or of the screen for null).
HDC WINAPI GetDC(HWND hwnd);
int WINAPI ReleaseDC(HWND hwnd, HDC dc);

#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define VREFRESH 116
#define LOGPIXELSX 88
#define LOGPIXELSY 90
int WINAPI GetDeviceCaps(HDC dc, int index);

// ---- fonts ---------------------------------------------------------------------
#define LF_FACESIZE 32
typedef struct tagLOGFONTA
{
    LONG lfHeight; // < 0: the characters' height in pixels; > 0: the cell's; 0: a default
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];
} LOGFONTA, *LPLOGFONTA;
static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA is 60 bytes");

typedef struct tagTEXTMETRICA
{
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
} TEXTMETRICA, *LPTEXTMETRICA;

#define FW_NORMAL 400
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_TT_PRECIS 4
#define CLIP_DEFAULT_PRECIS 0
#define ANTIALIASED_QUALITY 4

// Faces are found through fontconfig; every weight and style draws as the regular face.
HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                         DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                         DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
HFONT WINAPI CreateFontIndirectA(const LOGFONTA* logFont);
// A font's description; a null buffer asks for its size.
int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
// Selecting a font returns the one it replaces (the context's default at first).
HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
BOOL WINAPI DeleteObject(HGDIOBJ object);
BOOL WINAPI GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics);

// ---- drawing text into a surface's context ----------------------------------------
#define TRANSPARENT 1
#define OPAQUE 2
#define NULLREGION 1
#define SIMPLEREGION 2
int WINAPI SetBkMode(HDC dc, int mode);
COLORREF WINAPI SetTextColor(HDC dc, COLORREF color);
int WINAPI IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
// The top left of the line's cell at (x, y); only a surface's context has pixels to write.
BOOL WINAPI TextOutA(HDC dc, int x, int y, LPCSTR text, int length);

namespace Platform
{
// The pixels behind a device context that a DirectDraw surface hands out (`GetDC`).
struct DCPixels
{
    uint8_t* bits = nullptr;
    LONG pitch = 0;
    int width = 0, height = 0;
    int bitsPerPixel = 0;
    DWORD red = 0, green = 0, blue = 0;
    // Told before text changes an area of the pixels (a surface whose renderer twin may hold
    // newer ones there); false: the text is not drawn.
    bool (*touch)(void* owner, const RECT& area) = nullptr;
    void* owner = nullptr;
};
// A new context over the pixels, valid until dropped.
HDC MakeSurfaceDC(const DCPixels& pixels);
void DropSurfaceDC(HDC dc);
// The pixels of a surface's context; false for every other context.
bool SurfaceDCPixels(HDC dc, DCPixels* pixels);
// A released context starts again with the defaults: no font chosen, opaque, black, unclipped.
void ResetDCState(HDC dc);
} // namespace Platform
