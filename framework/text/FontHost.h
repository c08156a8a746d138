// What bitmap fonts need from the application object: pictures shared by file
// name and the fatal-error report. The application implements it.
#pragma once

#include "graphics/SharedImage.h"

#include <string>

namespace Lumo
{

class FontHost
{
public:
    virtual ~FontHost() = default;
    virtual SharedImageRef GetSharedImage(const std::string& fileName, const std::string& variant,
                                          bool* isNew) = 0;
    virtual void ShowFatalError(const std::string& text) = 0;
};

} // namespace Lumo
