// What a stream voice plays. Its source is pulled on the audio layer's feeder thread into a
// ring of slots ahead of the output; the output copies them into a window it mixes from. The
// two sides share no lock: the feeder publishes a slot, the output gives it back. A seek drops
// what was decoded ahead: each slot carries the generation it was decoded for, and the output
// skips slots of an older one.
#pragma once

#include "audio/Pcm.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace LumoAudio
{
// Fills `out` with up to `frames` interleaved 16-bit frames of the stream's format and returns how
// many it wrote; fewer than asked means the stream has ended. Runs on the feeder thread.
using PullFn = std::function<size_t(int16_t* out, size_t frames)>;
// Work on a stream's source, run on the feeder thread before it pulls again; false when the
// source cannot go on (a failed seek), which ends the stream there.
using SourceCommand = std::function<bool()>;

class StreamFeed
{
public:
    static constexpr size_t kSlotFrames = 1024;
    static constexpr uint32_t kSlots = 8; // 186 ms ahead of the output

    StreamFeed(uint16_t channels, PullFn pull);

    // The feeder thread: runs the queued commands and decodes a slot when one is free; false
    // when there was nothing to do.
    bool Feed();

    // Control calls, under the mixer's lock. Restart drops what was decoded ahead and numbers
    // the frames pulled from now on from `frame`; `command`, when given, runs first.
    void Restart(uint64_t frame, SourceCommand command);
    void Post(SourceCommand command);

    // The output, under the mixer's lock: moves the window to start at `frame` and fills it
    // with what has been decoded since. True when slots were given back to the feeder.
    bool Fill(uint64_t frame);
    uint64_t WindowStart() const { return mWindowStart; }
    size_t WindowFrames() const { return mWindowFrames; }
    const int16_t* Window() const { return mWindow.data(); }
    // The window holds the stream's last frame: nothing more will come.
    bool Finished() const { return mFinished; }

private:
    struct Slot
    {
        uint32_t generation = 0;
        uint32_t frames = 0;
        bool last = false;
    };
    static constexpr size_t kWindowFrames = 2 * kSlotFrames;

    int16_t* SlotSamples(uint32_t index)
    {
        return mSamples.data() + (index % kSlots) * kSlotFrames * mChannels;
    }
    // The output's next slot of the current generation, older ones given back; null when none.
    const Slot* FrontSlot();
    // Takes `frames` of the front slot (copied to the window when `copy`), giving the slot back
    // once all of it is taken.
    void TakeFromFront(const Slot& slot, size_t frames, bool copy);

    const size_t mChannels;
    const PullFn mPull;

    // The ring: slot headers and samples, written by the feeder before it publishes them.
    std::vector<Slot> mSlots;
    std::vector<int16_t> mSamples;
    std::atomic<uint32_t> mPublished{0};
    std::atomic<uint32_t> mReturned{0};

    // What the control calls hand the feeder.
    std::mutex mCommandLock;
    std::vector<SourceCommand> mCommands;
    uint32_t mWantedGeneration = 0;

    // The feeder thread's own.
    uint32_t mFedGeneration = 0;
    bool mFedToEnd = false; // nothing more to pull for this generation
    bool mEndOwed = false;  // ... and the slot that says so is still to publish

    // The output's own (and a restart's, under the same lock).
    uint32_t mGeneration = 0;
    std::vector<int16_t> mWindow;
    uint64_t mWindowStart = 0;
    size_t mWindowFrames = 0;
    size_t mFrontTaken = 0; // frames of the front slot already taken
    bool mFinished = false;
    bool mGaveBack = false;
};
} // namespace LumoAudio
