#include "app/Common.h"

namespace Lumo
{

static bool IsSlash(char c)
{
    return c == '\\' || c == '/';
}

static bool HasDrive(const std::string& path)
{
    return path.size() >= 2 && path[1] == ':';
}

// Drops the last directory name of dir, which ends in a separator. The root stays
// the root; a name that is itself ".." cannot be folded and gets another "..".
static void FoldParent(std::string& dir, char separator)
{
    size_t end = dir.size() - 1; // the final separator
    if (end == 0)
        return;
    size_t start = end;
    while (start > 0 && !IsSlash(dir[start - 1]))
        start--;
    if (dir.compare(start, end - start, "..") == 0)
    {
        dir += "..";
        dir += separator;
    }
    else
    {
        dir.erase(start);
    }
}

std::string ResolveRelativePath(const std::string& path, const std::string& baseDir)
{
    if (HasDrive(path))
        return path;
    bool backslash = path.find('\\') != std::string::npos || baseDir.find('\\') != std::string::npos;
    char separator = backslash ? '\\' : '/';

    std::string drive;
    std::string dir = baseDir;
    if (HasDrive(dir))
    {
        drive = dir.substr(0, 2);
        dir.erase(0, 2);
    }
    if (!dir.empty() && !IsSlash(dir.back()))
        dir += separator;

    std::string rest = path;
    while (!dir.empty())
    {
        size_t slash = rest.find_first_of("\\/");
        if (slash == std::string::npos)
            break;
        std::string component = rest.substr(0, slash);
        rest.erase(0, slash + 1);
        if (component == "..")
            FoldParent(dir, separator);
        else if (component.empty())
            dir = std::string(1, separator);
        else if (component != ".")
            dir += component + separator;
    }

    std::string result = drive + dir + rest;
    char other = backslash ? '/' : '\\';
    for (char& c : result)
    {
        if (c == other)
            c = separator;
    }
    return result;
}

std::string GetFileDir(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return std::string();
    return path.substr(0, slash);
}

std::string RemoveTrailingSlash(const std::string& path)
{
    if (!path.empty() && IsSlash(path.back()))
        return path.substr(0, path.size() - 1);
    return path;
}

std::string AddTrailingSlash(const std::string& path)
{
    if (path.empty() || IsSlash(path.back()))
        return path;
    return path + '\\';
}

} // namespace Lumo
