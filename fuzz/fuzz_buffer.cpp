// Reads arbitrary bytes (as a demo stream would arrive) through every read call.
#include "app/Buffer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Lumo::Buffer buffer;
    buffer.WriteBytes(data, static_cast<int>(size));
    unsigned char bytes[16];
    for (int step = 0; step < 256 && !buffer.AtEnd(); step++)
    {
        switch (buffer.ReadNumBits(3, false))
        {
        case 0:
            buffer.ReadByte();
            break;
        case 1:
            buffer.ReadNumBits(buffer.ReadNumBits(6, false), buffer.ReadNumBits(1, false) != 0);
            break;
        case 2:
            buffer.ReadShort();
            break;
        case 3:
            buffer.ReadLong();
            break;
        case 4:
            buffer.ReadString();
            break;
        case 5:
            buffer.ReadBoolean();
            break;
        default:
            buffer.ReadBytes(bytes, buffer.ReadNumBits(4, false));
            break;
        }
    }
    buffer.SeekFront();
    Lumo::Buffer copy;
    copy.WriteString(buffer.ReadString());
    copy.ReadString();
    return 0;
}
