#include "audio/StreamFeed.h"

#include <algorithm>
#include <cstring>

namespace LumoAudio
{
StreamFeed::StreamFeed(uint16_t channels, PullFn pull)
    : mChannels(channels), mPull(std::move(pull)), mSlots(kSlots), mSamples(kSlots * kSlotFrames * channels),
      mWindow(kWindowFrames * channels)
{
}

bool StreamFeed::Feed()
{
    std::vector<SourceCommand> commands;
    uint32_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(mCommandLock);
        commands.swap(mCommands);
        generation = mWantedGeneration;
    }
    if (generation != mFedGeneration)
    {
        mFedGeneration = generation;
        mFedToEnd = false;
        mEndOwed = false;
    }
    for (SourceCommand& command : commands)
    {
        if (!command() && !mFedToEnd)
            mFedToEnd = mEndOwed = true;
    }
    const uint32_t published = mPublished.load(std::memory_order_relaxed);
    const bool room = published - mReturned.load(std::memory_order_acquire) < kSlots;
    if (!room || (mFedToEnd && !mEndOwed))
        return !commands.empty();
    size_t frames = 0;
    if (!mFedToEnd)
        frames = std::min(mPull(SlotSamples(published), kSlotFrames), kSlotFrames);
    const bool last = mFedToEnd || frames < kSlotFrames;
    mSlots[published % kSlots] = Slot{generation, uint32_t(frames), last};
    mPublished.store(published + 1, std::memory_order_release);
    mFedToEnd = last;
    mEndOwed = false;
    return true;
}

void StreamFeed::Restart(uint64_t frame, SourceCommand command)
{
    {
        std::lock_guard<std::mutex> lock(mCommandLock);
        // Everything published so far is given back unread, before the feeder can see the new
        // generation: given back after, slots it already decoded for it would be lost too. A slot
        // the feeder is decoding now comes with the old generation and is skipped.
        mReturned.store(mPublished.load(std::memory_order_acquire), std::memory_order_release);
        mGeneration = ++mWantedGeneration;
        if (command)
            mCommands.push_back(std::move(command));
    }
    mWindowStart = frame;
    mWindowFrames = 0;
    mFrontTaken = 0;
    mFinished = false;
}

void StreamFeed::Post(SourceCommand command)
{
    std::lock_guard<std::mutex> lock(mCommandLock);
    mCommands.push_back(std::move(command));
}

const StreamFeed::Slot* StreamFeed::FrontSlot()
{
    for (;;)
    {
        const uint32_t returned = mReturned.load(std::memory_order_relaxed);
        if (returned == mPublished.load(std::memory_order_acquire))
            return nullptr;
        const Slot& slot = mSlots[returned % kSlots];
        if (slot.generation == mGeneration)
            return &slot;
        mReturned.store(returned + 1, std::memory_order_release);
        mFrontTaken = 0;
        mGaveBack = true;
    }
}

void StreamFeed::TakeFromFront(const Slot& slot, size_t frames, bool copy)
{
    const uint32_t returned = mReturned.load(std::memory_order_relaxed);
    if (copy)
    {
        std::memcpy(mWindow.data() + mWindowFrames * mChannels,
                    SlotSamples(returned) + mFrontTaken * mChannels, frames * mChannels * sizeof(int16_t));
        mWindowFrames += frames;
    }
    mFrontTaken += frames;
    if (mFrontTaken < slot.frames)
        return;
    mFinished = slot.last;
    mReturned.store(returned + 1, std::memory_order_release);
    mFrontTaken = 0;
    mGaveBack = true;
}

bool StreamFeed::Fill(uint64_t frame)
{
    mGaveBack = false;
    // Frames before `frame` are done with; the window keeps the rest at its start.
    const uint64_t end = mWindowStart + mWindowFrames;
    if (frame >= end)
    {
        mWindowStart = end;
        mWindowFrames = 0;
    }
    else if (frame > mWindowStart)
    {
        const size_t drop = size_t(frame - mWindowStart);
        std::memmove(mWindow.data(), mWindow.data() + drop * mChannels,
                     (mWindowFrames - drop) * mChannels * sizeof(int16_t));
        mWindowFrames -= drop;
        mWindowStart = frame;
    }
    // A step of more than a window skips frames the ring holds.
    while (!mFinished && mWindowStart < frame)
    {
        const Slot* slot = FrontSlot();
        if (!slot)
            return mGaveBack;
        const size_t take = size_t(std::min<uint64_t>(frame - mWindowStart, slot->frames - mFrontTaken));
        TakeFromFront(*slot, take, false);
        mWindowStart += take;
    }
    while (!mFinished && mWindowFrames < kWindowFrames)
    {
        const Slot* slot = FrontSlot();
        if (!slot)
            break;
        TakeFromFront(*slot, std::min(kWindowFrames - mWindowFrames, size_t(slot->frames) - mFrontTaken),
                      true);
    }
    return mGaveBack;
}
} // namespace LumoAudio
