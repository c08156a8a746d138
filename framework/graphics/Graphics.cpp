#include "graphics/Graphics.h"

#include "graphics/Font.h"
#include "app/Common.h"

#include <algorithm>
#include <utility>

namespace Lumo
{

Graphics::Graphics(Image* dest)
{
    mDestImage = dest != nullptr ? dest : &Image::Empty();
    mClipRect = Rect(0, 0, mDestImage->mWidth, mDestImage->mHeight);
}

Graphics::Graphics(const Graphics& other) : GraphicsState(other) {}

void Graphics::PushState()
{
    mStateStack.push_back(*this);
}

void Graphics::PopState()
{
    if (mStateStack.empty())
        return;
    static_cast<GraphicsState&>(*this) = mStateStack.back();
    mStateStack.pop_back();
}

void Graphics::Translate(int x, int y)
{
    mTransX += float(x);
    mTransY += float(y);
}

void Graphics::ClipRect(int x, int y, int w, int h)
{
    mClipRect = mClipRect.Intersection(Rect(TX(x), TY(y), w, h));
}

void Graphics::FillRect(int x, int y, int w, int h)
{
    if (mColor.mAlpha == 0)
        return;
    Rect r = Rect(TX(x), TY(y), w, h).Intersection(mClipRect);
    if (!r.IsEmpty())
        mDestImage->FillRect(r, mColor, mDrawMode);
}

void Graphics::DrawRect(int x, int y, int w, int h)
{
    if (mColor.mAlpha == 0)
        return;
    Rect box(TX(x), TY(y), w + 1, h + 1);
    if (box.Intersection(mClipRect) == box)
    {
        mDestImage->DrawRect(Rect(box.mX, box.mY, w, h), mColor, mDrawMode);
        return;
    }
    // Our FillRect translates: pass the untranslated edges.
    FillRect(x, y, w + 1, 1);
    FillRect(x, y + h, w + 1, 1);
    FillRect(x, y + 1, 1, h - 1);
    FillRect(x + w, y + 1, 1, h - 1);
}

namespace
{
// Moves (x1, y1)-(x2, y2), ordered so that a1 <= a2 on the clipped axis, into
// [low, high]; false when both ends lie outside on one side.
bool ClipAxis(double& a1, double& b1, double& a2, double& b2, int low, int highExclusive)
{
    if (a1 > a2)
    {
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    if (a2 < low || a1 >= highExclusive)
        return false;
    double slope = a2 != a1 ? (b2 - b1) / (a2 - a1) : 0.0;
    if (a1 < low)
    {
        b1 += (low - a1) * slope;
        a1 = low;
    }
    if (a2 >= highExclusive)
    {
        b2 -= (a2 - (highExclusive - 1)) * slope;
        a2 = highExclusive - 1;
    }
    return true;
}
} // namespace

void Graphics::DrawLine(int x1, int y1, int x2, int y2)
{
    double ax = x1 + double(mTransX), ay = y1 + double(mTransY);
    double bx = x2 + double(mTransX), by = y2 + double(mTransY);
    const Rect& c = mClipRect;
    if (!ClipAxis(ax, ay, bx, by, c.mX, c.mX + c.mWidth))
        return;
    if (!ClipAxis(ay, ax, by, bx, c.mY, c.mY + c.mHeight))
        return;
    mDestImage->DrawLine(ax, ay, bx, by, mColor, mDrawMode);
}

void Graphics::DrawString(const std::string& text, int x, int y)
{
    if (mFont != nullptr)
        mFont->DrawString(this, x, y, text, mColor, mClipRect);
}

void Graphics::DrawImage(Image* image, int x, int y)
{
    if (image == nullptr)
        return;
    DrawImage(image, x, y, Rect(0, 0, image->mWidth, image->mHeight));
}

void Graphics::DrawImage(Image* image, int x, int y, const Rect& src)
{
    if (image == nullptr)
        return;
    if (src.mX < 0 || src.mY < 0 || src.mX + src.mWidth > image->mWidth ||
        src.mY + src.mHeight > image->mHeight)
        return;
    Rect dest(TX(x), TY(y), src.mWidth, src.mHeight);
    Rect clipped = dest.Intersection(mClipRect);
    Rect part(src.mX + clipped.mX - dest.mX, src.mY + clipped.mY - dest.mY, clipped.mWidth, clipped.mHeight);
    if (part.mWidth > 0 && part.mHeight > 0)
        mDestImage->Blt(image, clipped.mX, clipped.mY, part, ImageColor(), mDrawMode);
}

void Graphics::DrawImage(Image* image, int x, int y, int w, int h)
{
    if (image == nullptr)
        return;
    DrawImage(image, Rect(x, y, w, h), Rect(0, 0, image->mWidth, image->mHeight));
}

void Graphics::DrawImage(Image* image, const Rect& dest, const Rect& src)
{
    if (image == nullptr)
        return;
    Rect moved(TX(dest.mX), TY(dest.mY), dest.mWidth, dest.mHeight);
    mDestImage->StretchBlt(image, moved, src, mClipRect, ImageColor(), mDrawMode, mFastStretch);
}

void Graphics::DrawImageFrame(Image* image, const Rect& dest)
{
    if (image == nullptr)
        return;
    DrawImageFrame(image, dest, Rect(0, 0, image->mWidth, image->mHeight));
}

void Graphics::DrawImageFrame(Image* image, const Rect& D, const Rect& S)
{
    int cw = S.mWidth / 3, ch = S.mHeight / 3;
    int mw = S.mWidth - 2 * cw, mh = S.mHeight - 2 * ch;
    if (image == nullptr || mw <= 0 || mh <= 0)
        return; // nothing to tile with
    DrawImage(image, D.mX, D.mY, Rect(S.mX, S.mY, cw, ch));
    DrawImage(image, D.mX + D.mWidth - cw, D.mY, Rect(S.mX + cw + mw, S.mY, cw, ch));
    DrawImage(image, D.mX, D.mY + D.mHeight - ch, Rect(S.mX, S.mY + ch + mh, cw, ch));
    DrawImage(image, D.mX + D.mWidth - cw, D.mY + D.mHeight - ch,
              Rect(S.mX + cw + mw, S.mY + ch + mh, cw, ch));

    int across = (D.mWidth - 2 * cw + mw - 1) / mw;
    int down = (D.mHeight - 2 * ch + mh - 1) / mh;
    {
        Graphics g(*this);
        g.ClipRect(D.mX + cw, D.mY, D.mWidth - 2 * cw, D.mHeight);
        for (int i = 0; i < across; i++)
        {
            g.DrawImage(image, D.mX + cw + i * mw, D.mY, Rect(S.mX + cw, S.mY, mw, ch));
            g.DrawImage(image, D.mX + cw + i * mw, D.mY + D.mHeight - ch,
                        Rect(S.mX + cw, S.mY + ch + mh, mw, ch));
        }
    }
    {
        Graphics g(*this);
        g.ClipRect(D.mX, D.mY + ch, D.mWidth, D.mHeight - 2 * ch);
        for (int j = 0; j < down; j++)
        {
            g.DrawImage(image, D.mX, D.mY + ch + j * mh, Rect(S.mX, S.mY + ch, cw, mh));
            g.DrawImage(image, D.mX + D.mWidth - cw, D.mY + ch + j * mh,
                        Rect(S.mX + cw + mw, S.mY + ch, cw, mh));
        }
    }
    Graphics g(*this);
    g.ClipRect(D.mX + cw, D.mY + ch, D.mWidth - 2 * cw, D.mHeight - 2 * ch);
    for (int i = 0; i < across; i++)
        for (int j = 0; j < down; j++)
            g.DrawImage(image, D.mX + cw + i * mw, D.mY + ch + j * mh, Rect(S.mX + cw, S.mY + ch, mw, mh));
}

namespace
{
// A character that is no digit counts as 0.
int HexByte(const std::string& s, size_t at)
{
    return std::max(0, HexDigit(s[at])) * 16 + std::max(0, HexDigit(s[at + 1]));
}
} // namespace

int Graphics::DrawStringFormatted(const std::string& text, int x, int y, int width, int justification,
                                  bool draw, int offset, int length)
{
    if (mFont == nullptr)
        return 0;
    if (draw && (justification == 0 || justification == 1))
    {
        int measured = DrawStringFormatted(text, x, y, width, justification, false, offset, length);
        x += justification == 0 ? (width - measured) / 2 : width - measured;
    }
    size_t start = size_t(std::max(offset, 0));
    size_t end = length < 0 || size_t(offset) + size_t(length) > text.size()
                     ? text.size()
                     : size_t(offset) + size_t(length);
    std::string chunk;
    int advance = 0;
    for (size_t i = start; i < end; i++)
    {
        char c = text[i];
        if (c != '^' || !mWriteColoredString)
        {
            chunk += c;
            continue;
        }
        if (i + 8 > end)
            break;
        if (text[i + 1] == '^')
        {
            chunk += '^';
            i++;
            continue;
        }
        if (draw)
        {
            DrawString(chunk, x + advance, y);
            mColor = Color(HexByte(text, i + 1), HexByte(text, i + 3), HexByte(text, i + 5), mColor.mAlpha);
        }
        advance += mFont->StringWidth(chunk);
        chunk.clear();
        i += 7;
    }
    if (draw)
        DrawString(chunk, x + advance, y);
    return advance + mFont->StringWidth(chunk);
}

int Graphics::DrawWrappedText(const std::string& text, const Rect& rect, int lineSpacing, int justification)
{
    // Without a font, or with no text, nothing takes any room.
    if (mFont == nullptr || text.empty())
        return 0;
    Color saved = mColor;
    if (lineSpacing == -1)
        lineSpacing = mFont->GetLineSpacing();
    // Wide enough for any number of lines of any font.
    int64_t baseline = int64_t(mFont->GetAscent()) - mFont->GetAscentPadding();
    auto drawLine = [&](size_t from, size_t to)
    {
        DrawStringFormatted(text, rect.mX, SaturateToInt(rect.mY + baseline), rect.mWidth, justification,
                            true, int(from), int(to - from));
        baseline += lineSpacing;
    };

    size_t lineStart = 0;
    int64_t lineWidth = 0;
    char previous = 0;
    long breakAt = -1;
    // A text that ends in a newline has an empty last line.
    bool brokeAtNewline = false;
    size_t i = 0;
    while (i < text.size())
    {
        char c = text[i];
        if (c == '^' && mWriteColoredString && i + 1 < text.size())
        {
            if (text[i + 1] != '^')
            {
                i += 8;
                continue;
            }
            i++; // the second of two "^" is measured
        }
        if (c == ' ')
            breakAt = long(i);
        else if (c == '\n')
        {
            breakAt = long(i);
            lineWidth = rect.mWidth + 1;
        }
        lineWidth += mFont->CharWidthAfter(text[i], previous);
        previous = text[i];
        if (lineWidth > rect.mWidth)
        {
            brokeAtNewline = breakAt >= 0 && text[size_t(breakAt)] == '\n';
            if (breakAt >= 0)
            {
                drawLine(lineStart, size_t(breakAt));
                i = size_t(breakAt) + 1;
                if (!brokeAtNewline)
                    while (i < text.size() && text[i] == ' ')
                        i++;
            }
            else
            {
                if (i == lineStart)
                    i++; // at least one character per line
                drawLine(lineStart, i);
            }
            lineStart = i;
            lineWidth = 0;
            previous = 0;
            breakAt = -1;
            continue;
        }
        i++;
    }
    if (lineStart < text.size())
        drawLine(lineStart, text.size());
    else if (brokeAtNewline)
        baseline += lineSpacing;
    mColor = saved;
    return SaturateToInt(baseline - lineSpacing + mFont->GetDescent());
}

int Graphics::GetWrappedTextHeight(Graphics* g, int width, const std::string& text, int lineSpacing)
{
    Graphics measure(nullptr);
    measure.mFont = g->mFont;
    return measure.DrawWrappedText(text, Rect(0, 0, width, 0), lineSpacing, -1);
}

} // namespace Lumo
