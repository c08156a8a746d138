// The audio layer's feeder thread: decodes every stream voice in the mixer ahead of the output,
// a slot of each in turn, so that the output never reads a file nor waits for a decoder. It runs
// while the mixer holds a stream voice.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace LumoAudio
{
class Voice;

class StreamFeeder
{
public:
    ~StreamFeeder();

    // Starts the thread with the first stream voice. A thread that cannot start (or that
    // `faultHook` refuses, asked with "std::thread") throws, and nothing is kept.
    void Add(std::shared_ptr<Voice> voice, bool (*faultHook)(const char*));
    // Returns once the thread no longer uses the voice (it may be pulling from it now: that pull
    // is waited for); ends the thread with the last one.
    void Remove(const Voice* voice);
    // Tells the thread there is work: a slot given back, a command queued. Takes no lock.
    void Wake();
    // Returns once the thread has decoded all it can: every stream's ring full or at its end.
    void WaitUntilIdle();

private:
    void Run();
    void Stop();

    std::mutex mStartStop; // one Add or Remove at a time: they start and end the thread
    std::thread mThread;

    std::mutex mLock;
    std::condition_variable mChanged;
    std::vector<std::shared_ptr<Voice>> mVoices;
    const Voice* mFeeding = nullptr;
    bool mRunning = false;
    bool mStopping = false;
    bool mIdle = false;
    uint32_t mIdleSince = 0; // the wake count the thread went idle at
    std::atomic<uint32_t> mWakes{0};
};
} // namespace LumoAudio
