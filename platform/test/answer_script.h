// A test's scripted answers for the layer's modal boxes, handed out in order, and the record of
// what was shown while a script is set.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace PlatformTest
{
template <typename Answer, typename Shown> class AnswerScript
{
public:
    // Starts recording; the answers replace any left over.
    void Set(const std::vector<Answer>& answers)
    {
        std::lock_guard<std::mutex> lock(mLock);
        mRecording = true;
        mScript.assign(answers.begin(), answers.end());
    }
    std::optional<Answer> Next()
    {
        std::lock_guard<std::mutex> lock(mLock);
        if (mScript.empty())
            return std::nullopt;
        Answer answer = mScript.front();
        mScript.pop_front();
        return answer;
    }
    void Record(Shown shown)
    {
        std::lock_guard<std::mutex> lock(mLock);
        if (mRecording)
            mShown.push_back(std::move(shown));
    }
    std::vector<Shown> Recorded() const
    {
        std::lock_guard<std::mutex> lock(mLock);
        return mShown;
    }
    void Reset()
    {
        std::lock_guard<std::mutex> lock(mLock);
        mRecording = false;
        mScript.clear();
        mShown.clear();
    }

private:
    mutable std::mutex mLock;
    bool mRecording = false;
    std::deque<Answer> mScript;
    std::vector<Shown> mShown;
};
} // namespace PlatformTest
