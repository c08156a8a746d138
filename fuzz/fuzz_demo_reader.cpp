// Any byte string read as a demo file, and its event stream played to the end.
#include "app/DemoFile.h"
#include "app/DemoStream.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Lumo::DemoFileContents contents;
    std::string error;
    if (!Lumo::ParseDemoFile(data, size, "Crustavia", contents, error))
    {
        if (error.empty())
            std::abort();
        return 0;
    }
    Lumo::DemoStream play;
    play.SetEvents(contents.mEvents.data(), (int)contents.mEvents.size());
    // The check at loading refuses every stream in which a replay meets a record cut short.
    const bool whole = play.CheckEvents();
    // Walk the updates, letting every kind of call take the due record, as a replay would.
    // Every pass must consume something: a header, a body, or the pending record itself.
    auto remaining = [&] { return 2 * play.BitsLeft() - (play.mDemoNeedsCommand ? 1 : 0); };
    int last = remaining() + 1;
    for (int update = 0; !play.AtEnd(); update = play.mLastDemoUpdateCnt)
    {
        if (remaining() >= last)
            std::abort();
        last = remaining();
        bool ok = false;
        unsigned char value[4];
        uint32_t type = 0, valueSize = sizeof value;
        Lumo::Buffer sync;
        int rate = 0;
        switch (update % 4)
        {
        case 0:
            play.TakeRegistryRead(update, &ok, &type, value, &valueSize);
            break;
        case 1:
            play.TakeSync(update, sync);
            break;
        case 2:
            play.TakeDisplay(update, &ok, &rate);
            if (rate != 0 && (rate < 60 || rate > 100))
                std::abort();
            break;
        default:
            play.TakeRegistryWrite(update, &ok);
        }
        if (!play.mDemoNeedsCommand && play.ReadTimingBlock(update))
        {
            Lumo::DemoRecord record;
            play.TakeRecord(record);
            // Positions stay what a window message can carry.
            if (record.mX != Lumo::ClampMessageCoord(record.mX) ||
                record.mY != Lumo::ClampMessageCoord(record.mY))
                std::abort();
        }
        else if (play.mDemoNeedsCommand)
            play.ReadTimingBlock(update);
    }
    if (whole && play.Damaged())
        std::abort();
    return 0;
}
