#include "audio/StreamFeeder.h"
#include "audio/Voice.h"

#include <algorithm>
#include <system_error>

namespace LumoAudio
{
StreamFeeder::~StreamFeeder()
{
    std::lock_guard<std::mutex> startStop(mStartStop);
    Stop();
}

void StreamFeeder::Add(std::shared_ptr<Voice> voice, bool (*faultHook)(const char*))
{
    std::lock_guard<std::mutex> startStop(mStartStop);
    {
        std::lock_guard<std::mutex> lock(mLock);
        mVoices.push_back(std::move(voice));
        if (mRunning)
        {
            Wake();
            return;
        }
        mRunning = true;
    }
    try
    {
        if (faultHook && faultHook("std::thread"))
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        mThread = std::thread(&StreamFeeder::Run, this);
    }
    catch (...)
    {
        // Not running, so that the next stream tries again; the voice was the only one.
        std::lock_guard<std::mutex> lock(mLock);
        mVoices.clear();
        mRunning = false;
        throw;
    }
}

void StreamFeeder::Remove(const Voice* voice)
{
    std::lock_guard<std::mutex> startStop(mStartStop);
    std::shared_ptr<Voice> removed; // let go of here, not on the thread
    bool last = false;
    {
        std::unique_lock<std::mutex> lock(mLock);
        removed = TakeVoice(mVoices, voice);
        if (!removed)
            return;
        mChanged.wait(lock, [&] { return mFeeding != voice; });
        last = mVoices.empty();
    }
    if (last)
        Stop();
}

void StreamFeeder::Stop()
{
    if (!mThread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(mLock);
        mStopping = true;
    }
    Wake();
    mThread.join();
    std::lock_guard<std::mutex> lock(mLock);
    mStopping = false;
    mRunning = false;
    mIdle = false;
    mChanged.notify_all();
}

void StreamFeeder::Wake()
{
    mWakes.fetch_add(1, std::memory_order_release);
    mWakes.notify_one();
}

void StreamFeeder::WaitUntilIdle()
{
    std::unique_lock<std::mutex> lock(mLock);
    mChanged.wait(lock, [this] { return !mRunning || (mIdle && mIdleSince == mWakes.load()); });
}

void StreamFeeder::Run()
{
    std::vector<Voice*> round;
    for (;;)
    {
        const uint32_t wakes = mWakes.load(std::memory_order_acquire);
        {
            std::lock_guard<std::mutex> lock(mLock);
            if (mStopping)
                return;
            round.clear();
            for (const auto& voice : mVoices)
                round.push_back(voice.get());
        }
        bool worked = false;
        for (Voice* voice : round)
        {
            {
                std::lock_guard<std::mutex> lock(mLock);
                if (mStopping)
                    return;
                // Removed meanwhile: its owner may be freeing what it pulls from.
                if (std::none_of(mVoices.begin(), mVoices.end(),
                                 [voice](const std::shared_ptr<Voice>& v) { return v.get() == voice; }))
                    continue;
                mFeeding = voice;
            }
            worked = voice->mStream->Feed() || worked;
            {
                std::lock_guard<std::mutex> lock(mLock);
                mFeeding = nullptr;
            }
            mChanged.notify_all();
        }
        if (worked)
            continue;
        {
            std::lock_guard<std::mutex> lock(mLock);
            mIdle = true;
            mIdleSince = wakes;
        }
        mChanged.notify_all();
        mWakes.wait(wakes, std::memory_order_acquire);
        std::lock_guard<std::mutex> lock(mLock);
        mIdle = false;
    }
}
} // namespace LumoAudio
