// Tremor uses what its allocations, and libogg's, return without looking: here they are looked
// at. Memory running out inside the decoder ends the process (Platform::OutOfMemory) instead of
// a crash.
#pragma once

#include <cstddef>
#include <ogg/ogg.h>

// What Tremor calls in place of malloc, calloc and realloc (and of libogg's calls that allocate).
extern "C" void* lumo_tremor_malloc(size_t size);
extern "C" void* lumo_tremor_calloc(size_t count, size_t size);
extern "C" void* lumo_tremor_realloc(void* memory, size_t size);
extern "C" char* lumo_tremor_ogg_sync_buffer(ogg_sync_state* sync, long size);
extern "C" int lumo_tremor_ogg_stream_init(ogg_stream_state* stream, int serial);
extern "C" int lumo_tremor_ogg_stream_pagein(ogg_stream_state* stream, ogg_page* page);
