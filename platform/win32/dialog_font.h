// Text of the layer (its dialogs and the gdi32 fonts): faces found through fontconfig, drawn by FreeType.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace Platform
{
class DialogFont
{
public:
    // A size in pixels: the characters' em height, or the whole cell (ascent + descent).
    struct Pixels
    {
        int pixels = 16;
        bool cell = false;
    };
    struct Metrics
    {
        int ascent = 0;
        int descent = 0;
        int height = 0;
        int emPixels = 0;
        int averageWidth = 0;
        int maxWidth = 0;
    };
    // One pixel of rendered text: its place relative to the line's top left and its coverage.
    using Plot = std::function<void(int x, int y, uint8_t coverage)>;

    // Looks for the family (fontconfig substitutes a near one) at a size in points at 96 dpi.
    // Without a usable face the font stays closed and draws nothing.
    DialogFont(const std::string& family, int points);
    DialogFont(const std::string& family, Pixels size);
    ~DialogFont();
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;

    bool IsOpen() const;
    // The face's file, empty when none was found.
    const std::string& Path() const;
    int LineHeight() const;
    Metrics GetMetrics() const;
    int TextWidth(const std::string& text) const;
    // Renders one line with its top at 0; every covered pixel goes to plot (FreeType is not
    // reentrant on one face: callers of one font serialise).
    void Render(const std::string& text, const Plot& plot) const;
    // Draws one line with its top at y.
    void Draw(SDL_Renderer* renderer, int x, int y, const std::string& text, SDL_Color color) const;

private:
    struct Face;
    std::unique_ptr<Face> mFace;
    std::string mPath;

    // The em size in 26.6 pixels, or the cell height when cell is set.
    void Open(const std::string& family, int64_t size26, bool cell);
};
} // namespace Platform
