#include "audio/decode/DecodedStream.h"
#include "audio/decode/ModulePlayer.h"

namespace LumoAudio
{
std::unique_ptr<DecodedStream> DecodedStream::Open(std::unique_ptr<StreamDecoder> decoder, bool looping)
{
    std::unique_ptr<DecodedStream> stream(new DecodedStream());
    DecodedStream* raw = stream.get();
    stream->mVoice = Voice::FromStream(decoder->Format(),
                                       [raw](int16_t* out, size_t frames)
                                       {
                                           const bool rewind = !raw->mModule && raw->mLooping.load();
                                           return PullFrames(*raw->mDecoder, rewind, out, frames);
                                       });
    if (!stream->mVoice)
        return nullptr;
    stream->mModule = dynamic_cast<ModulePlayer*>(decoder.get());
    stream->mLength = decoder->Length();
    if (stream->mModule)
    {
        stream->mOrderCount = stream->mModule->OrderCount();
        stream->mModule->SetLooping(looping);
    }
    stream->mLooping = looping;
    stream->mDecoder = std::move(decoder);
    return stream;
}

DecodedStream::~DecodedStream()
{
    if (mVoice)
        Mixer::Instance().Remove(mVoice.get());
}

void DecodedStream::SetLooping(bool looping)
{
    if (mLooping.exchange(looping) == looping)
        return;
    if (mModule)
    {
        mVoice->Post(
            [this, looping]
            {
                mModule->SetLooping(looping);
                return true;
            });
        return;
    }
    auto lock = Mixer::Instance().Lock(); // the frame heard is the one sought
    if (mLength > 0 && !mVoice->HasEnded())
        Seek(mVoice->Position() % mLength);
}

void DecodedStream::Seek(uint64_t frame)
{
    mVoice->Seek(frame, [this, frame] { return mDecoder->Seek(frame); });
}

bool DecodedStream::SetOrder(int order, int row)
{
    if (!mModule || order < 0 || order >= mOrderCount || row < 0)
        return false;
    mVoice->Seek(0, [this, order, row] { return mModule->SetOrder(order, row); });
    return true;
}

void DecodedStream::SetGain(int hundredthsDb)
{
    if (!mModule)
        return;
    mVoice->Post(
        [this, hundredthsDb]
        {
            mModule->SetGain(hundredthsDb);
            return true;
        });
}
} // namespace LumoAudio
