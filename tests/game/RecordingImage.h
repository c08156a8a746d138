// A drawing destination that records what game widgets draw into it.
#pragma once

#include "graphics/Image.h"

#include <string>
#include <vector>

class RecordingImage : public Lumo::Image
{
public:
    std::vector<std::string> mCalls;
    std::string mName; // how this picture shows in another's record

    RecordingImage(int width = 800, int height = 600)
    {
        mWidth = width;
        mHeight = height;
    }
    static std::string R(const Lumo::Rect& r)
    {
        return std::to_string(r.mX) + "," + std::to_string(r.mY) + "," + std::to_string(r.mWidth) + "," +
               std::to_string(r.mHeight);
    }
    static std::string C(const Lumo::Color& c)
    {
        return std::to_string(c.mRed) + "," + std::to_string(c.mGreen) + "," + std::to_string(c.mBlue) + "," +
               std::to_string(c.mAlpha);
    }
    void FillRect(const Lumo::Rect& r, const Lumo::Color& c, int) override
    {
        mCalls.push_back("fill " + R(r) + " " + C(c));
    }
    void DrawRect(const Lumo::Rect& r, const Lumo::Color& c, int) override
    {
        mCalls.push_back("rect " + R(r) + " " + C(c));
    }
    static std::string N(Lumo::Image* src)
    {
        auto* named = dynamic_cast<RecordingImage*>(src);
        return named != nullptr && !named->mName.empty() ? " " + named->mName : "";
    }
    void Blt(Lumo::Image* src, int x, int y, const Lumo::Rect&, const Lumo::Color& c, int) override
    {
        mCalls.push_back("blt " + std::to_string(x) + "," + std::to_string(y) + " " + C(c) + N(src));
    }
    void StretchBlt(Lumo::Image* src, const Lumo::Rect& dest, const Lumo::Rect&, const Lumo::Rect&,
                    const Lumo::Color& c, int, bool) override
    {
        mCalls.push_back("stretch " + R(dest) + " " + C(c) + N(src));
    }
    int Count(const std::string& prefix) const
    {
        int n = 0;
        for (const std::string& call : mCalls)
            n += call.compare(0, prefix.size(), prefix) == 0;
        return n;
    }
};
