// Tremor's malloc, calloc and realloc, and the calls into libogg whose failures it does not look
// at, are renamed to these in the copy of its library that is linked (see the platform's
// CMakeLists.txt), and this file joins that copy.
#include "tremor/TremorMemory.h"
#include "audio/OutOfMemory.h"

#include <cstdlib>
#include <ogg/ogg.h>

namespace
{
void* Checked(void* memory, bool asked)
{
    if (memory == nullptr && asked)
        Platform::OutOfMemory();
    return memory;
}
} // namespace

extern "C"
{
    [[gnu::visibility("hidden")]] void* lumo_tremor_malloc(size_t size)
    {
        return Checked(std::malloc(size), size != 0);
    }

    [[gnu::visibility("hidden")]] void* lumo_tremor_calloc(size_t count, size_t size)
    {
        return Checked(std::calloc(count, size), count != 0 && size != 0);
    }

    [[gnu::visibility("hidden")]] void* lumo_tremor_realloc(void* memory, size_t size)
    {
        return Checked(std::realloc(memory, size), size != 0);
    }

    // libogg reports its own memory failures (a null buffer, -1, a stream it cleared), but Tremor
    // reads into the buffer it was given without looking.
    [[gnu::visibility("hidden")]] char* lumo_tremor_ogg_sync_buffer(ogg_sync_state* sync, long size)
    {
        char* buffer = ogg_sync_buffer(sync, size);
        if (buffer == nullptr)
            Platform::OutOfMemory();
        return buffer;
    }

    [[gnu::visibility("hidden")]] int lumo_tremor_ogg_stream_init(ogg_stream_state* stream, int serial)
    {
        if (ogg_stream_init(stream, serial) != 0)
            Platform::OutOfMemory();
        return 0;
    }

    [[gnu::visibility("hidden")]] int lumo_tremor_ogg_stream_pagein(ogg_stream_state* stream, ogg_page* page)
    {
        // A page that does not belong leaves the stream as it was; one that found no memory
        // cleared it. Seeking in a chained file with a damaged link, Tremor hands over a stream
        // cleared before, which refuses every page (a 7 KB file ended the process as out of
        // memory), or one that has given out more than it holds, which libogg would move by a
        // negative length: refused too.
        const bool ready = ogg_stream_check(stream) == 0;
        if (ready &&
            (stream->body_returned > stream->body_fill || stream->lacing_returned > stream->lacing_fill))
            return -1;
        int result = ogg_stream_pagein(stream, page);
        if (result != 0 && ready && ogg_stream_check(stream) != 0)
            Platform::OutOfMemory();
        return result;
    }
}
