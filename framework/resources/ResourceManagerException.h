// What a failed resource lookup throws: the manager's error text.
#pragma once

#include <exception>
#include <string>

namespace Lumo
{

class ResourceManagerException : public std::exception
{
public:
    std::string mWhat;

    explicit ResourceManagerException(const std::string& what) : mWhat(what) {}

    // The message itself, so that a handler of standard exceptions (the loading thread's) can
    // show it.
    const char* what() const noexcept override { return mWhat.c_str(); }
};

} // namespace Lumo
