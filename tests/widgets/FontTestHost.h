// The application with pictures by file name from memory and the fatal-error box recorded.
#pragma once

#include "graphics/MemoryImage.h"
#include "graphics/SharedImage.h"
#include "app/LumoAppBase.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class FontTestHost : public Lumo::LumoAppBase
{
public:
    struct Picture
    {
        int width;
        int height;
        std::vector<uint32_t> pixels;
    };
    std::map<std::string, Picture> mPictures; // by the name after the last '/'
    std::map<std::string, Lumo::SharedImage> mRecords;
    std::vector<std::string> mRequests;
    std::vector<std::string> mFatalErrors;

    ~FontTestHost() override
    {
        for (auto& record : mRecords)
            delete record.second.mImage;
    }

    Lumo::SharedImageRef GetSharedImage(const std::string& fileName, const std::string& variant,
                                        bool* isNew) override
    {
        mRequests.push_back(fileName);
        auto inserted = mRecords.try_emplace(fileName);
        Lumo::SharedImage& record = inserted.first->second;
        if (isNew)
            *isNew = inserted.second;
        if (inserted.second)
        {
            std::string base = fileName.substr(fileName.find_last_of("/\\") + 1);
            auto it = mPictures.find(base);
            if (it != mPictures.end())
            {
                record.mImage = new Lumo::MemoryImage();
                record.mImage->SetBits(it->second.pixels.data(), it->second.width, it->second.height, true);
            }
        }
        Lumo::SharedImageRef ref;
        ref = &record;
        return ref;
    }
    void ShowFatalError(const std::string& text) override { mFatalErrors.push_back(text); }
};
