#include "app/DemoStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Lumo;
using Bytes = std::vector<unsigned char>;

static Bytes BytesOf(const DemoStream& s)
{
    const unsigned char* p = s.mBuffer.GetDataPtr();
    return p ? Bytes(p, p + s.mBuffer.GetDataLen()) : Bytes();
}

static DemoStream PlaybackOf(const DemoStream& recorded)
{
    DemoStream play;
    Bytes bytes = BytesOf(recorded);
    play.SetEvents(bytes.data(), (int)bytes.size());
    return play;
}

TEST(DemoRecordBytes, KeyDownAtUpdateZero)
{
    DemoStream s;
    s.RecordKey(0, DEMO_KEY_DOWN, 'A');
    EXPECT_EQ(BytesOf(s), (Bytes{0x60, 0x04, 0x01}));
}

TEST(DemoRecordBytes, DeltaOfFortyIsTwoFillersThenTen)
{
    DemoStream s;
    s.RecordEvent(40, DEMO_CLOSE);
    // 15,0,31 | 15,0,31 | delta 10, typed, type 6: 30 bits.
    EXPECT_EQ(BytesOf(s), (Bytes{0xEF, 0xBF, 0xAF, 0x0C}));
    EXPECT_EQ(s.mBuffer.mDataBitSize, 30);
    EXPECT_EQ(s.mLastDemoUpdateCnt, 40);
    EXPECT_EQ(s.mDemoCmdOrder, 2);
}

TEST(DemoRecordBytes, ShortAndLongMoves)
{
    DemoStream s;
    s.mDemoMouseX = s.mDemoMouseY = 100;
    s.RecordMouse(0, 131, 69, 0, false);
    EXPECT_EQ(BytesOf(s), (Bytes{0xD0, 0x17, 0x02})); // dx 31, dy -31
    EXPECT_EQ(s.mDemoMouseX, 131);
    EXPECT_EQ(s.mDemoMouseY, 69);

    DemoStream far;
    far.mDemoMouseX = far.mDemoMouseY = 100;
    far.RecordMouse(0, 132, 100, 0, false);
    EXPECT_EQ(BytesOf(far), (Bytes{0x00, 0x10, 0x02, 0x19, 0x00})); // typed 0, x 132, y 100
    EXPECT_EQ(far.mBuffer.mDataBitSize, 34);
}

TEST(DemoRecordBytes, WheelAndButtons)
{
    DemoStream wheel;
    wheel.RecordWheel(0, DemoWheelNotches(-240));
    EXPECT_EQ(BytesOf(wheel), (Bytes{0xA0, 0xFA, 0x03}));

    DemoStream buttons; // same position: button records only
    buttons.RecordMouse(0, 0, 0, 2, true);
    buttons.RecordMouse(0, 0, 0, -1, false);
    // bits 0-9: delta 0, short, button, down 1, code 2 (0,1,0); bits 10-19: the same with down 0,
    // code -1 (1,1,1).
    EXPECT_EQ(BytesOf(buttons), (Bytes{0x70, 0xC1, 0x0E}));
}

TEST(DemoRecordBytes, PositionsBeyondTheLongRecordReplayExactly)
{
    EXPECT_EQ(ClampDemoCoord(-5), 0);
    EXPECT_EQ(ClampDemoCoord(5000), 4095);
    EXPECT_EQ(DemoWheelNotches(120 * 300), 127);
    DemoStream s;
    s.RecordMouse(0, 10, 10, 0, false);
    s.RecordMouse(0, -5, 12, 0, false);         // near: one short move, negative
    s.RecordMouse(15, 5000, -20, 0, false);     // far and beyond 4095: several records, one move
    s.RecordMouse(15, 4990, -20, 1, false);     // near again, then the button
    s.RecordMouse(47, -40000, 70000, 0, false); // beyond what a message carries
    EXPECT_EQ(s.mDemoMouseX, -32768);
    EXPECT_EQ(s.mDemoMouseY, 32767);

    DemoStream play = PlaybackOf(s);
    std::vector<std::string> replayed;
    DemoRecord r;
    for (int update = 0; update <= 47; update++)
        while (!play.AtEnd() && play.ReadTimingBlock(update) && play.TakeRecord(r))
        {
            if (r.mType == DEMO_IDLE && !r.mIsShort)
                continue; // the fillers of a long pause
            replayed.push_back(std::to_string(update) + (r.mIsShort ? " short " : " long ") +
                               std::to_string(r.mType) + " " + std::to_string(r.mX) + "," +
                               std::to_string(r.mY));
        }
    EXPECT_TRUE(play.AtEnd());
    EXPECT_EQ(replayed, (std::vector<std::string>{"0 short 0 10,10", "0 short 0 -5,12", "15 long 0 5000,-20",
                                                  "15 short 0 4990,-20", "15 short 1 4990,-20",
                                                  "47 long 0 -32768,32767"}));
}

// Everything written comes back at the same update number with the same values.
TEST(DemoPlayback, ReplaysEveryRecordAtItsUpdate)
{
    DemoStream rec;
    rec.RecordDisplay(0, true, 75);
    rec.RecordMouse(3, 400, 300, 0, false);
    rec.RecordMouse(3, 410, 290, 1, true);
    rec.RecordMouse(5, 410, 290, 1, false);
    rec.RecordActivate(5, false);
    rec.RecordMinimized(17, true);
    rec.RecordKey(60, DEMO_KEY_CHAR, 'z');
    rec.RecordWheel(61, -3);
    rec.RecordEvent(61, DEMO_LOADING_COMPLETE);
    rec.RecordEvent(200, DEMO_CLOSE);

    struct Seen
    {
        int update;
        DemoRecord r;
    };
    std::vector<Seen> seen;
    DemoStream play = PlaybackOf(rec);
    for (int update = 0; update <= 300 && !play.AtEnd(); update++)
    {
        while (play.mLastDemoUpdateCnt == update && !play.AtEnd())
        {
            if (!play.ReadTimingBlock(update))
                break;
            DemoRecord r;
            ASSERT_TRUE(play.TakeRecord(r));
            if (r.mIsShort || r.mType != DEMO_IDLE)
                seen.push_back({update, r});
        }
    }
    ASSERT_EQ(seen.size(), 11u);
    EXPECT_EQ(seen[0].update, 0);
    EXPECT_EQ(seen[0].r.mType, DEMO_VIDEO_DATA);
    EXPECT_TRUE(seen[0].r.mFlag);
    EXPECT_EQ(seen[0].r.mValue, 75);
    EXPECT_EQ(seen[1].update, 3);
    EXPECT_EQ(seen[1].r.mType, DEMO_MOUSE_POSITION);
    EXPECT_EQ(seen[1].r.mX, 400);
    EXPECT_TRUE(seen[2].r.mIsShort); // short move (10, -10)
    EXPECT_EQ(seen[2].r.mX, 410);
    EXPECT_EQ(seen[2].r.mY, 290);
    EXPECT_TRUE(seen[3].r.mIsShort);
    EXPECT_EQ(seen[3].r.mType, DEMO_SHORT_BUTTON);
    EXPECT_TRUE(seen[3].r.mFlag);
    EXPECT_EQ(seen[3].r.mValue, 1);
    EXPECT_EQ(seen[4].update, 5);
    EXPECT_FALSE(seen[4].r.mFlag);
    EXPECT_EQ(seen[5].update, 5);
    EXPECT_EQ(seen[5].r.mType, DEMO_ACTIVATE_APP);
    EXPECT_EQ(seen[6].update, 17);
    EXPECT_TRUE(seen[6].r.mFlag);
    EXPECT_EQ(seen[7].update, 60);
    EXPECT_EQ(seen[7].r.mValue, 'z');
    EXPECT_EQ(seen[8].r.mValue, -3);
    EXPECT_EQ(seen[9].update, 61);
    EXPECT_EQ(seen[9].r.mType, DEMO_LOADING_COMPLETE);
    EXPECT_EQ(seen[10].update, 200);
    EXPECT_EQ(seen[10].r.mType, DEMO_CLOSE);
    EXPECT_TRUE(play.AtEnd());
}

TEST(DemoPlayback, RefreshRateIsClampedAndDisplayRecordChecked)
{
    DemoStream rec;
    rec.RecordDisplay(0, false, 250);
    rec.RecordDisplay(0, true, 30);
    DemoStream play = PlaybackOf(rec);
    bool windowed = true;
    int rate = 0;
    ASSERT_TRUE(play.TakeDisplay(0, &windowed, &rate));
    EXPECT_FALSE(windowed);
    EXPECT_EQ(rate, 100);
    ASSERT_TRUE(play.TakeDisplay(0, &windowed, &rate));
    EXPECT_EQ(rate, 60);

    DemoStream other;
    other.RecordKey(0, DEMO_KEY_DOWN, 1);
    DemoStream wrong = PlaybackOf(other);
    EXPECT_FALSE(wrong.TakeDisplay(0, &windowed, &rate));
    EXPECT_FALSE(wrong.mDemoNeedsCommand); // the key record is still pending
}

TEST(DemoSync, RegistryRecordsReplayWithinTheCallersBuffer)
{
    DemoStream rec;
    uint32_t value = 85;
    rec.RecordRegistryRead(0, true, 4, &value, 4);
    rec.RecordRegistryRead(0, false, 0, nullptr, 0);
    rec.RecordRegistryWrite(0, true);
    const char text[] = "0:10";
    rec.RecordRegistryRead(1, true, 1, text, 4);
    rec.RecordRegistryWrite(2, false);

    DemoStream play = PlaybackOf(rec);
    bool ok = false;
    uint32_t type = 0, got = 0, size = 4;
    ASSERT_TRUE(play.TakeRegistryRead(0, &ok, &type, &got, &size));
    EXPECT_TRUE(ok);
    EXPECT_EQ(type, 4u);
    EXPECT_EQ(got, 85u);
    ASSERT_TRUE(play.TakeRegistryRead(0, &ok, &type, &got, &size));
    EXPECT_FALSE(ok);
    // A write call meets the write record; a read call at the write record consumes nothing.
    ASSERT_FALSE(play.TakeRegistryRead(0, &ok, &type, &got, &size));
    ASSERT_TRUE(play.TakeRegistryWrite(0, &ok));
    EXPECT_TRUE(ok);
    // Not due yet at update 0.
    EXPECT_FALSE(play.TakeRegistryRead(0, &ok, &type, &got, &size));
    // Four recorded bytes do not fit a buffer of two: a failed read, and the stream stays aligned.
    char small[2] = {'x', 'y'};
    uint32_t smallSize = 2;
    ASSERT_TRUE(play.TakeRegistryRead(1, &ok, &type, small, &smallSize));
    EXPECT_FALSE(ok);
    EXPECT_EQ(small[0], 'x');
    EXPECT_EQ(smallSize, 2u);
    ASSERT_TRUE(play.TakeRegistryWrite(2, &ok));
    EXPECT_FALSE(ok);
    EXPECT_TRUE(play.AtEnd());
}

TEST(DemoSync, BufferRecordsAndSkippedBodies)
{
    DemoStream rec;
    Buffer b;
    b.WriteString("hello");
    rec.RecordSync(0, b);
    rec.RecordSync(0, b);
    rec.RecordKey(0, DEMO_KEY_UP, 40);

    DemoStream play = PlaybackOf(rec);
    Buffer out;
    ASSERT_TRUE(play.TakeSync(0, out));
    EXPECT_EQ(out.ReadString(), "hello");
    // The second sync record met by the input player: its body is stepped over, not read as headers.
    ASSERT_TRUE(play.ReadTimingBlock(0));
    DemoRecord r;
    ASSERT_TRUE(play.TakeRecord(r));
    EXPECT_EQ(r.mType, DEMO_SYNC);
    ASSERT_TRUE(play.ReadTimingBlock(0));
    ASSERT_TRUE(play.TakeRecord(r));
    EXPECT_EQ(r.mType, DEMO_KEY_UP);
    EXPECT_EQ(r.mValue, 40);
}

TEST(DemoDamage, LengthsBeyondTheStreamEndIt)
{
    DemoStream rec;
    Buffer b;
    b.WriteLong(7);
    rec.RecordSync(0, b);
    Bytes bytes = BytesOf(rec);
    bytes.resize(bytes.size() - 2); // cut the body short
    DemoStream play;
    play.SetEvents(bytes.data(), (int)bytes.size());
    Buffer out;
    out.WriteByte(9);
    EXPECT_FALSE(play.TakeSync(0, out));
    EXPECT_EQ(out.GetDataLen(), 1); // untouched
    EXPECT_TRUE(play.AtEnd());

    // A huge registry length does not read past the end.
    DemoStream huge;
    huge.WriteTypedHeader(0, DEMO_REGISTRY_READ);
    huge.mBuffer.WriteNumBits(1, 1);
    huge.mBuffer.WriteNumBits(4, 32);
    huge.mBuffer.WriteNumBits(-1, 32);
    DemoStream hugePlay = PlaybackOf(huge);
    bool ok = true;
    uint32_t type = 0, value = 0, size = 4;
    EXPECT_FALSE(hugePlay.TakeRegistryRead(0, &ok, &type, &value, &size));
    EXPECT_FALSE(ok);
    EXPECT_TRUE(hugePlay.AtEnd());
}

TEST(DemoDamage, PaddingIsNotARecord)
{
    // 6 header bits of a short form would fit in the padding; zero padding reads as typed and too short.
    DemoStream rec;
    rec.RecordEvent(0, DEMO_CLOSE); // 10 bits, 6 bits of padding
    DemoStream play = PlaybackOf(rec);
    ASSERT_FALSE(play.AtEnd());
    ASSERT_TRUE(play.ReadTimingBlock(0));
    DemoRecord r;
    ASSERT_TRUE(play.TakeRecord(r));
    EXPECT_TRUE(play.AtEnd());
    EXPECT_FALSE(play.ReadTimingBlock(0));
    EXPECT_EQ(play.mDemoCmdOrder, 0);

    DemoStream empty;
    EXPECT_TRUE(empty.AtEnd());
    EXPECT_FALSE(empty.ReadTimingBlock(0));
}
