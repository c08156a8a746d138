// The screen-saver message log ("ScrError.txt"): lines added to one file.
#pragma once

#include <mutex>
#include <string>

namespace Lumo
{
// The first line of a run replaces the log an earlier run left; the rest are added to it. A copy of
// the program that is still running keeps its log: the file stays open with a shared lock from
// its first line to the end, and the first line of another copy is then added too.
class MessageLog
{
public:
    explicit MessageLog(std::string fileName);
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    // Adds the line (its newline included); a file that cannot be opened is skipped.
    void Add(const std::string& line);

private:
    void AddFirst(const std::string& line);

    std::mutex mMutex;
    const std::string mFileName;
    bool mFirst = true;
    int mHeld = -1;
};
} // namespace Lumo
