// The face the layer's dialogs write with: found through fontconfig, drawn by FreeType.
#pragma once

#include <SDL.h>

#include <memory>
#include <string>

namespace Platform
{
class DialogFont
{
public:
    // Looks for the family (fontconfig substitutes a near one) at a size in points at 96 dpi.
    // Without a usable face the font stays closed and draws nothing.
    DialogFont(const std::string& family, int points);
    ~DialogFont();
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;

    bool IsOpen() const;
    // The face's file, empty when none was found.
    const std::string& Path() const;
    int LineHeight() const;
    int TextWidth(const std::string& text) const;
    // Draws one line with its top at y.
    void Draw(SDL_Renderer* renderer, int x, int y, const std::string& text, SDL_Color color) const;

private:
    struct Face;
    std::unique_ptr<Face> mFace;
    std::string mPath;
};
} // namespace Platform
