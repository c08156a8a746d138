// The demo event stream: records of outside input, each stamped with the update
// number at which it arrived, packed bit by bit into a Buffer.
#pragma once

#include "app/Buffer.h"

#include <cstdint>
#include <vector>

namespace Lumo
{
enum DemoRecordType
{
    DEMO_MOUSE_POSITION = 0,
    DEMO_ACTIVATE_APP = 1,
    DEMO_SIZE = 2,
    DEMO_KEY_DOWN = 3,
    DEMO_KEY_UP = 4,
    DEMO_KEY_CHAR = 5,
    DEMO_CLOSE = 6,
    DEMO_MOUSE_ENTER = 7,
    DEMO_MOUSE_EXIT = 8,
    DEMO_LOADING_COMPLETE = 9,
    DEMO_REGISTRY_READ = 11,
    DEMO_REGISTRY_WRITE = 12,
    DEMO_SYNC = 18,
    DEMO_MOUSE_WHEEL = 21,
    DEMO_VIDEO_DATA = 23,
    DEMO_IDLE = 31,
};

enum DemoShortType
{
    DEMO_SHORT_MOVE = 0,
    DEMO_SHORT_BUTTON = 1,
};

// Largest coordinate the long mouse record holds: it is clamped to 0..4095, and a position
// beyond is reached from there by short moves, so that every position replays exactly.
constexpr int DEMO_MAX_COORD = 4095;
int ClampDemoCoord(int value);
// Positions as a window message carries them: signed 16-bit values.
int ClampMessageCoord(int value);
// Wheel notches as recorded: the delta over 120, within the signed 8-bit range.
int DemoWheelNotches(int wheelDelta);

// One record read back from the stream.
struct DemoRecord
{
    bool mIsShort = false;
    int mType = 0; // DemoShortType for the short form, DemoRecordType otherwise
    int mX = 0;    // position after a move record
    int mY = 0;
    bool mFlag = false; // button down, active, minimised, windowed, success
    int mValue = 0;     // button code, key, character, wheel notches, refresh rate
};

class DemoStream
{
public:
    Buffer mBuffer;
    int mLastDemoUpdateCnt = 0;
    bool mDemoNeedsCommand = true;
    bool mDemoIsShortCmd = false;
    int mDemoCmdNum = 0;
    int mDemoCmdOrder = -1;
    int mDemoMouseX = 0;
    int mDemoMouseY = 0;
    // The activation the records written so far leave a player with (it starts active).
    bool mRecordedActive = true;

    // ---- recording: each writes one record stamped with updateCount ----
    void WriteTimingBlock(int updateCount);
    void WriteTypedHeader(int updateCount, int type);
    void WriteShortHeader(int updateCount, int subtype);
    // A mouse message at (x, y): a move record when the position changed, then the
    // button record when buttonCode is not 0 (1, 2 left; -1, -2 right; 3 middle).
    void RecordMouse(int updateCount, int x, int y, int buttonCode, bool down);
    void RecordEvent(int updateCount, DemoRecordType type); // records without a body
    void RecordActivate(int updateCount, bool active);
    void RecordMinimized(int updateCount, bool minimized);
    void RecordKey(int updateCount, DemoRecordType type, int key); // key down, key up, character
    void RecordWheel(int updateCount, int notches);
    void RecordDisplay(int updateCount, bool windowed, int refreshRate);
    void RecordRegistryRead(int updateCount, bool success, uint32_t type, const void* data, uint32_t size);
    void RecordRegistryWrite(int updateCount, bool success);
    void RecordSync(int updateCount, const Buffer& buffer);

    // ---- playback ----
    // Loads the event bytes of a file and rewinds.
    void SetEvents(const unsigned char* data, int size);
    // Reads every record from the start and rewinds: false when one is cut short or malformed, or
    // anything but the zero padding of the last byte follows the last record, as in a file cut off
    // inside a record (a recorder writes whole records only).
    bool CheckEvents();
    bool Damaged() const { return mDamaged; }
    // No whole record header is left (the padding of the last byte is not a record).
    bool AtEnd() const;
    // Reads the next header when none is pending; true when the pending record is due at updateCount.
    bool ReadTimingBlock(int updateCount);
    // Takes the due pending record of an input type: reads its body (a sync body is skipped) and
    // marks that a new header is needed. False when the body is cut short: the stream then ends.
    bool TakeRecord(DemoRecord& record);
    // The synchronisation calls: each takes its record only when the pending one is due and of
    // its type; otherwise nothing is consumed and the call fails.
    bool TakeRegistryRead(int updateCount, bool* success, uint32_t* type, void* data, uint32_t* size);
    bool TakeRegistryWrite(int updateCount, bool* success);
    bool TakeSync(int updateCount, Buffer& buffer);
    bool TakeDisplay(int updateCount, bool* windowed, int* refreshRate);

    int64_t BitsLeft() const { return mBuffer.mDataBitSize - mBuffer.mReadBitPos; }

private:
    bool mDamaged = false;
    int mLastHeaderDelta = 0;

    void Rewind();
    // The timing part of a header: fillers while more than maxDelta updates are left, then the rest.
    void WriteFillers(int updateCount, int maxDelta);
    void WriteCompositeMark(int updateCount);
    // The records between two marks, as one move to where they end.
    bool TakeCompositeMove(DemoRecord& record);

    bool DueRecordIs(int updateCount, int type);
    bool TakeDue(int updateCount, int type);
    bool HaveBits(int bits);
    int ReadBits(int bits, bool isSigned);
    bool SkipBytes(int64_t count);
};
} // namespace Lumo
