#include "app/DemoStream.h"

#include <algorithm>
#include <cstring>

namespace Lumo
{
namespace
{
constexpr int HEADER_DELTA_BITS = 4;
constexpr int MAX_HEADER_DELTA = 15;
constexpr int TYPE_BITS = 5;
constexpr int SHORT_MOVE_LIMIT = 32;
constexpr int MIN_REFRESH_RATE = 60;
constexpr int MAX_REFRESH_RATE = 100;
} // namespace

int ClampDemoCoord(int value)
{
    return std::clamp(value, 0, DEMO_MAX_COORD);
}

int ClampMessageCoord(int value)
{
    return std::clamp(value, -32768, 32767);
}

int DemoWheelNotches(int wheelDelta)
{
    return std::clamp(wheelDelta / 120, -128, 127);
}

// ---- recording ----------------------------------------------------------------

void DemoStream::WriteTimingBlock(int updateCount)
{
    WriteFillers(updateCount, MAX_HEADER_DELTA);
}

void DemoStream::WriteFillers(int updateCount, int maxDelta)
{
    int delta = std::max(0, updateCount - mLastDemoUpdateCnt);
    while (delta > maxDelta)
    {
        mBuffer.WriteNumBits(MAX_HEADER_DELTA, HEADER_DELTA_BITS);
        mBuffer.WriteNumBits(0, 1);
        mBuffer.WriteNumBits(DEMO_IDLE, TYPE_BITS);
        mLastDemoUpdateCnt += MAX_HEADER_DELTA;
        delta -= MAX_HEADER_DELTA;
        mDemoCmdOrder++;
    }
    mBuffer.WriteNumBits(delta, HEADER_DELTA_BITS);
    mLastDemoUpdateCnt = updateCount;
    mDemoCmdOrder++;
}

void DemoStream::WriteTypedHeader(int updateCount, int type)
{
    WriteTimingBlock(updateCount);
    mBuffer.WriteNumBits(0, 1);
    mBuffer.WriteNumBits(type, TYPE_BITS);
}

void DemoStream::WriteShortHeader(int updateCount, int subtype)
{
    WriteTimingBlock(updateCount);
    mBuffer.WriteNumBits(1, 1);
    mBuffer.WriteNumBits(subtype, 1);
}

void DemoStream::WriteCompositeMark(int updateCount)
{
    // Fillers always carry 15 updates, so a filler-typed record with less is the mark.
    WriteFillers(updateCount, MAX_HEADER_DELTA - 1);
    mBuffer.WriteNumBits(0, 1);
    mBuffer.WriteNumBits(DEMO_IDLE, TYPE_BITS);
}

void DemoStream::RecordMouse(int updateCount, int x, int y, int buttonCode, bool down)
{
    x = ClampMessageCoord(x);
    y = ClampMessageCoord(y);
    const bool far =
        std::abs(x - mDemoMouseX) >= SHORT_MOVE_LIMIT || std::abs(y - mDemoMouseY) >= SHORT_MOVE_LIMIT;
    // A far move beyond the long record's range takes several records; marks around them make the
    // player replay them as the one move they are.
    const bool composite = far && (x != ClampDemoCoord(x) || y != ClampDemoCoord(y));
    if (composite)
        WriteCompositeMark(updateCount);
    if (far)
    {
        mDemoMouseX = ClampDemoCoord(x);
        mDemoMouseY = ClampDemoCoord(y);
        WriteTypedHeader(updateCount, DEMO_MOUSE_POSITION);
        mBuffer.WriteNumBits(mDemoMouseX, 12);
        mBuffer.WriteNumBits(mDemoMouseY, 12);
    }
    // Only outside the long record's range does this take more than one step.
    while (x != mDemoMouseX || y != mDemoMouseY)
    {
        const int step = SHORT_MOVE_LIMIT - 1;
        int dx = std::clamp(x - mDemoMouseX, -step, step);
        int dy = std::clamp(y - mDemoMouseY, -step, step);
        WriteShortHeader(updateCount, DEMO_SHORT_MOVE);
        mBuffer.WriteNumBits(dx, 6);
        mBuffer.WriteNumBits(dy, 6);
        mDemoMouseX += dx;
        mDemoMouseY += dy;
    }
    if (composite)
        WriteCompositeMark(updateCount);
    if (buttonCode != 0)
    {
        WriteShortHeader(updateCount, DEMO_SHORT_BUTTON);
        mBuffer.WriteNumBits(down ? 1 : 0, 1);
        mBuffer.WriteNumBits(buttonCode, 3);
    }
}

void DemoStream::RecordEvent(int updateCount, DemoRecordType type)
{
    WriteTypedHeader(updateCount, type);
}

void DemoStream::RecordActivate(int updateCount, bool active)
{
    WriteTypedHeader(updateCount, DEMO_ACTIVATE_APP);
    mBuffer.WriteNumBits(active ? 1 : 0, 1);
    mRecordedActive = active;
}

void DemoStream::RecordMinimized(int updateCount, bool minimized)
{
    WriteTypedHeader(updateCount, DEMO_SIZE);
    mBuffer.WriteBoolean(minimized);
}

void DemoStream::RecordKey(int updateCount, DemoRecordType type, int key)
{
    WriteTypedHeader(updateCount, type);
    mBuffer.WriteNumBits(key, 8);
}

void DemoStream::RecordWheel(int updateCount, int notches)
{
    WriteTypedHeader(updateCount, DEMO_MOUSE_WHEEL);
    mBuffer.WriteNumBits(notches, 8);
}

void DemoStream::RecordDisplay(int updateCount, bool windowed, int refreshRate)
{
    WriteTypedHeader(updateCount, DEMO_VIDEO_DATA);
    mBuffer.WriteBoolean(windowed);
    mBuffer.WriteNumBits(refreshRate, 8);
}

void DemoStream::RecordRegistryRead(int updateCount, bool success, uint32_t type, const void* data,
                                    uint32_t size)
{
    WriteTypedHeader(updateCount, DEMO_REGISTRY_READ);
    mBuffer.WriteNumBits(success ? 1 : 0, 1);
    if (!success)
        return;
    mBuffer.WriteNumBits((int)type, 32);
    mBuffer.WriteNumBits((int)size, 32);
    mBuffer.WriteBytes(static_cast<const unsigned char*>(data), (int)size);
}

void DemoStream::RecordRegistryWrite(int updateCount, bool success)
{
    WriteTypedHeader(updateCount, DEMO_REGISTRY_WRITE);
    mBuffer.WriteNumBits(success ? 1 : 0, 1);
}

void DemoStream::RecordSync(int updateCount, const Buffer& buffer)
{
    WriteTypedHeader(updateCount, DEMO_SYNC);
    int size = buffer.GetDataLen();
    mBuffer.WriteNumBits(size, 32);
    if (size > 0)
        mBuffer.WriteBytes(buffer.GetDataPtr(), size);
}

// ---- playback -----------------------------------------------------------------

void DemoStream::SetEvents(const unsigned char* data, int size)
{
    mBuffer.Clear();
    mBuffer.WriteBytes(data, size);
    Rewind();
}

void DemoStream::Rewind()
{
    mBuffer.SeekFront();
    mLastDemoUpdateCnt = 0;
    mDemoNeedsCommand = true;
    mDemoIsShortCmd = false;
    mDemoCmdNum = 0;
    mDemoCmdOrder = -1;
    mDemoMouseX = 0;
    mDemoMouseY = 0;
    mDamaged = false;
    mLastHeaderDelta = 0;
}

bool DemoStream::CheckEvents()
{
    DemoRecord record;
    while (!AtEnd())
    {
        ReadTimingBlock(mLastDemoUpdateCnt);
        TakeRecord(record);
    }
    // What is left after the last record is the padding of its byte, which a recorder leaves 0.
    const int64_t left = BitsLeft();
    const bool whole = !mDamaged && left < 8 && (left == 0 || ReadBits((int)left, false) == 0);
    Rewind();
    return whole;
}

bool DemoStream::AtEnd() const
{
    if (mDamaged)
        return true;
    if (!mDemoNeedsCommand)
        return false;
    int64_t left = BitsLeft();
    if (left < HEADER_DELTA_BITS + 2)
        return true;
    int64_t formBit = mBuffer.mReadBitPos + HEADER_DELTA_BITS;
    bool isShort = (mBuffer.mData[size_t(formBit / 8)] >> (formBit % 8)) & 1;
    return !isShort && left < HEADER_DELTA_BITS + 1 + TYPE_BITS;
}

bool DemoStream::ReadTimingBlock(int updateCount)
{
    if (mDemoNeedsCommand)
    {
        if (AtEnd())
            return false;
        mLastHeaderDelta = ReadBits(HEADER_DELTA_BITS, false);
        mLastDemoUpdateCnt += mLastHeaderDelta;
        mDemoIsShortCmd = ReadBits(1, false) != 0;
        mDemoCmdNum = ReadBits(mDemoIsShortCmd ? 1 : TYPE_BITS, false);
        mDemoCmdOrder++;
        mDemoNeedsCommand = false;
    }
    return updateCount == mLastDemoUpdateCnt;
}

bool DemoStream::HaveBits(int bits)
{
    if (BitsLeft() >= bits)
        return true;
    mDamaged = true;
    return false;
}

int DemoStream::ReadBits(int bits, bool isSigned)
{
    return mBuffer.ReadNumBits(bits, isSigned);
}

bool DemoStream::SkipBytes(int64_t count)
{
    if (count < 0 || count * 8 > BitsLeft())
    {
        mDamaged = true;
        return false;
    }
    mBuffer.mReadBitPos += count * 8;
    return true;
}

bool DemoStream::TakeRecord(DemoRecord& record)
{
    mDemoNeedsCommand = true;
    record = DemoRecord();
    record.mIsShort = mDemoIsShortCmd;
    record.mType = mDemoCmdNum;
    if (mDemoIsShortCmd)
    {
        if (mDemoCmdNum == DEMO_SHORT_MOVE)
        {
            if (!HaveBits(12))
                return false;
            int dx = ReadBits(6, true);
            int dy = ReadBits(6, true);
            mDemoMouseX = ClampMessageCoord(mDemoMouseX + dx);
            mDemoMouseY = ClampMessageCoord(mDemoMouseY + dy);
        }
        else
        {
            if (!HaveBits(4))
                return false;
            record.mFlag = ReadBits(1, false) != 0;
            record.mValue = ReadBits(3, true);
        }
        record.mX = mDemoMouseX;
        record.mY = mDemoMouseY;
        return true;
    }

    switch (mDemoCmdNum)
    {
    case DEMO_MOUSE_POSITION:
        if (!HaveBits(24))
            return false;
        mDemoMouseX = ReadBits(12, false);
        mDemoMouseY = ReadBits(12, false);
        record.mX = mDemoMouseX;
        record.mY = mDemoMouseY;
        return true;
    case DEMO_ACTIVATE_APP:
    case DEMO_REGISTRY_WRITE:
        if (!HaveBits(1))
            return false;
        record.mFlag = ReadBits(1, false) != 0;
        return true;
    case DEMO_SIZE:
        if (!HaveBits(8))
            return false;
        record.mFlag = ReadBits(8, false) != 0;
        return true;
    case DEMO_KEY_DOWN:
    case DEMO_KEY_UP:
    case DEMO_KEY_CHAR:
        if (!HaveBits(8))
            return false;
        record.mValue = ReadBits(8, false);
        return true;
    case DEMO_MOUSE_WHEEL:
        if (!HaveBits(8))
            return false;
        record.mValue = ReadBits(8, true);
        return true;
    case DEMO_VIDEO_DATA:
        if (!HaveBits(16))
            return false;
        record.mFlag = ReadBits(8, false) != 0;
        record.mValue = std::clamp(ReadBits(8, false), MIN_REFRESH_RATE, MAX_REFRESH_RATE);
        return true;
    case DEMO_REGISTRY_READ:
        // A sync record met outside its call: step over its body so the stream stays aligned.
        if (!HaveBits(1))
            return false;
        record.mFlag = ReadBits(1, false) != 0;
        if (!record.mFlag)
            return true;
        if (!HaveBits(64))
            return false;
        ReadBits(32, false);
        return SkipBytes((uint32_t)ReadBits(32, false));
    case DEMO_SYNC:
        if (!HaveBits(32))
            return false;
        return SkipBytes((uint32_t)ReadBits(32, false));
    case DEMO_IDLE:
        return mLastHeaderDelta == MAX_HEADER_DELTA || TakeCompositeMove(record);
    default:
        return true;
    }
}

bool DemoStream::TakeCompositeMove(DemoRecord& record)
{
    // Move records of the same update up to the closing mark; anything else is a damaged stream.
    const int update = mLastDemoUpdateCnt;
    for (;;)
    {
        if (AtEnd() || !ReadTimingBlock(update) || mLastHeaderDelta != 0)
        {
            mDamaged = true;
            return false;
        }
        const bool isMove =
            mDemoIsShortCmd ? mDemoCmdNum == DEMO_SHORT_MOVE : mDemoCmdNum == DEMO_MOUSE_POSITION;
        if (!mDemoIsShortCmd && mDemoCmdNum == DEMO_IDLE)
            break;
        if (!isMove)
        {
            mDamaged = true;
            return false;
        }
        if (!TakeRecord(record))
            return false;
    }
    mDemoNeedsCommand = true;
    record = DemoRecord();
    record.mType = DEMO_MOUSE_POSITION;
    record.mX = mDemoMouseX;
    record.mY = mDemoMouseY;
    return true;
}

bool DemoStream::TakeDue(int updateCount, int type)
{
    if (!DueRecordIs(updateCount, type))
        return false;
    mDemoNeedsCommand = true;
    return true;
}

bool DemoStream::DueRecordIs(int updateCount, int type)
{
    return ReadTimingBlock(updateCount) && !mDemoIsShortCmd && mDemoCmdNum == type;
}

bool DemoStream::TakeRegistryRead(int updateCount, bool* success, uint32_t* type, void* data, uint32_t* size)
{
    *success = false;
    if (!TakeDue(updateCount, DEMO_REGISTRY_READ) || !HaveBits(1))
        return false;
    if (ReadBits(1, false) == 0)
        return true;
    if (!HaveBits(64))
        return false;
    uint32_t recordedType = (uint32_t)ReadBits(32, false);
    uint32_t recordedSize = (uint32_t)ReadBits(32, false);
    if ((int64_t)recordedSize * 8 > BitsLeft())
    {
        mDamaged = true;
        return false;
    }
    // A value that does not fit the caller's buffer is a failed read, as the registry's own would be.
    if (data == nullptr || size == nullptr || recordedSize > *size)
        return SkipBytes(recordedSize);
    for (uint32_t i = 0; i < recordedSize; i++)
        static_cast<unsigned char*>(data)[i] = (unsigned char)ReadBits(8, false);
    if (type)
        *type = recordedType;
    *size = recordedSize;
    *success = true;
    return true;
}

bool DemoStream::TakeRegistryWrite(int updateCount, bool* success)
{
    *success = false;
    if (!TakeDue(updateCount, DEMO_REGISTRY_WRITE) || !HaveBits(1))
        return false;
    *success = ReadBits(1, false) != 0;
    return true;
}

bool DemoStream::TakeSync(int updateCount, Buffer& buffer)
{
    if (!TakeDue(updateCount, DEMO_SYNC) || !HaveBits(32))
        return false;
    uint32_t size = (uint32_t)ReadBits(32, false);
    if ((int64_t)size * 8 > BitsLeft())
    {
        mDamaged = true;
        return false;
    }
    buffer.Clear();
    for (uint32_t i = 0; i < size; i++)
        buffer.WriteByte((unsigned char)ReadBits(8, false));
    return true;
}

bool DemoStream::TakeDisplay(int updateCount, bool* windowed, int* refreshRate)
{
    DemoRecord record;
    if (!DueRecordIs(updateCount, DEMO_VIDEO_DATA))
        return false;
    if (!TakeRecord(record))
        return false;
    *windowed = record.mFlag;
    *refreshRate = record.mValue;
    return true;
}
} // namespace Lumo
