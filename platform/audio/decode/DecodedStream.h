// A decoder played through a stream voice of the mixer, as both music stand-ins play their
// files and modules. The feeder thread pulls from the decoder ahead of the output; the calls
// here come from the program's threads and only queue what touches the decoder, so none of them
// waits for a read.
#pragma once

#include "audio/Mixer.h"
#include "audio/decode/StreamDecoder.h"

#include <atomic>
#include <memory>

namespace LumoAudio
{
class ModulePlayer;

class DecodedStream
{
public:
    // Null when the mixer cannot play the decoder's format. A module loops by itself from its
    // restart position; any other decoder goes on from its start.
    static std::unique_ptr<DecodedStream> Open(std::unique_ptr<StreamDecoder> decoder, bool looping);
    // Takes the voice out of the mixer and waits until the feeder has let go of the decoder:
    // free it without holding the mixer's lock.
    ~DecodedStream();

    const std::shared_ptr<Voice>& Output() const { return mVoice; }
    bool IsModule() const { return mModule != nullptr; }
    // In frames, as the decoder told it when it was opened.
    uint64_t Length() const { return mLength; }

    bool Looping() const { return mLooping; }
    // What was decoded ahead went on or ended by the old setting: a file stream decodes it again
    // from the frame heard now (a module only from where its decoding is).
    void SetLooping(bool looping);
    // Plays on from `frame`, dropping what was decoded ahead. A seek the decoder then cannot do
    // ends the stream there.
    void Seek(uint64_t frame);
    // Module: plays on from the start of a row of an order; false for an order it does not have.
    bool SetOrder(int order, int row = 0);
    // Module: its output level in hundredths of a decibel (0: its own).
    void SetGain(int hundredthsDb);

private:
    DecodedStream() = default;

    std::unique_ptr<StreamDecoder> mDecoder; // used by the feeder thread once playing
    ModulePlayer* mModule = nullptr;         // the decoder, when it is a module
    std::shared_ptr<Voice> mVoice;
    std::atomic<bool> mLooping{false}; // read by the feeder thread
    uint64_t mLength = 0;
    int mOrderCount = 0;
};
} // namespace LumoAudio
