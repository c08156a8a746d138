// The entry points of our fmod.dll stand-in (built as fmod.so). Callers look them up by their
// decorated names ("_FSOUND_Init@12"), which the layer's GetProcAddress finds undecorated.
// Channels are numbered from 0; samples, streams and songs are opaque handles.
#pragma once

#include "win32/types.h"

struct FSOUND_SAMPLE;
struct FSOUND_STREAM;
struct FMUSIC_MODULE;

// Sample and stream mode bits.
#define FSOUND_LOOP_OFF 0x01
#define FSOUND_LOOP_NORMAL 0x02
#define FSOUND_LOOP_BIDI 0x04 // played as FSOUND_LOOP_NORMAL
#define FSOUND_8BITS 0x08     // 8-bit samples are unsigned, as in WAV files
#define FSOUND_16BITS 0x10
#define FSOUND_MONO 0x20
#define FSOUND_STEREO 0x40

#define FSOUND_FREE (-1) // as a channel or sample index: the first one free

#define LUMO_FMOD_API extern "C" __attribute__((visibility("default")))

// Before FSOUND_Init only.
LUMO_FMOD_API BOOL FSOUND_SetBufferSize(int milliseconds);
LUMO_FMOD_API BOOL FSOUND_SetHWND(void* window);
// Opens the output (the process's one mixer): mixRate must be the mixer's 44100 Hz.
LUMO_FMOD_API BOOL FSOUND_Init(int mixRate, int maxChannels, unsigned int flags);
// Stops and frees every sample, stream and song, and lets the output go.
LUMO_FMOD_API void FSOUND_Close();

// Samples: WAV, Ogg Vorbis or MP3 files decoded whole to 16 bits. length is unused (files only).
LUMO_FMOD_API FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int length);
// An empty sample of `length` frames in the layout the mode bits give (16-bit mono by default).
LUMO_FMOD_API FSOUND_SAMPLE* FSOUND_Sample_Alloc(int index, int length, unsigned int mode, int frequency,
                                                 int volume, int pan, int priority);
LUMO_FMOD_API BOOL FSOUND_Sample_Free(FSOUND_SAMPLE* sample);
// Offsets and lengths in bytes of the stored data; the second region is always empty.
LUMO_FMOD_API BOOL FSOUND_Sample_Lock(FSOUND_SAMPLE* sample, int offset, int length, void** data1,
                                      void** data2, unsigned int* length1, unsigned int* length2);
LUMO_FMOD_API BOOL FSOUND_Sample_Unlock(FSOUND_SAMPLE* sample, void* data1, void* data2, unsigned int length1,
                                        unsigned int length2);
// Frames, end included.
LUMO_FMOD_API BOOL FSOUND_Sample_SetLoopPoints(FSOUND_SAMPLE* sample, int loopStart, int loopEnd);
// In frames.
LUMO_FMOD_API unsigned int FSOUND_Sample_GetLength(FSOUND_SAMPLE* sample);
// Any pointer may be null. Volume 0..255, pan 0 (left)..255 (right), 128 the middle.
LUMO_FMOD_API BOOL FSOUND_Sample_GetDefaults(FSOUND_SAMPLE* sample, int* frequency, int* volume, int* pan,
                                             int* priority);
LUMO_FMOD_API unsigned int FSOUND_Sample_GetMode(FSOUND_SAMPLE* sample);

// Plays the sample from its start on the channel (FSOUND_FREE: the first one idle) at the
// sample's defaults; the channel number, or -1.
LUMO_FMOD_API int FSOUND_PlaySound(int channel, FSOUND_SAMPLE* sample);
LUMO_FMOD_API BOOL FSOUND_StopSound(int channel);
LUMO_FMOD_API BOOL FSOUND_SetVolume(int channel, int volume); // 0..255; beyond are the ends
LUMO_FMOD_API BOOL FSOUND_SetPaused(int channel, BOOL paused);
LUMO_FMOD_API BOOL FSOUND_SetLoopMode(int channel, unsigned int loopMode);
// True while the channel has a sound, paused included.
LUMO_FMOD_API BOOL FSOUND_IsPlaying(int channel);

// Streams: WAV, Ogg Vorbis or MP3 files read while they play.
LUMO_FMOD_API FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* name, unsigned int mode, int length);
LUMO_FMOD_API BOOL FSOUND_Stream_Close(FSOUND_STREAM* stream);
LUMO_FMOD_API int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream);

// Tracker modules (MOD, S3M, XM, IT, ...). A song loops by default.
LUMO_FMOD_API FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
// From the first order.
LUMO_FMOD_API BOOL FMUSIC_PlaySong(FMUSIC_MODULE* module);
LUMO_FMOD_API BOOL FMUSIC_StopSong(FMUSIC_MODULE* module);
// FSOUND_LOOP_NORMAL loops; FSOUND_LOOP_OFF (or anything without that bit) plays once.
LUMO_FMOD_API BOOL FMUSIC_SetLooping(FMUSIC_MODULE* module, unsigned int looping);
LUMO_FMOD_API BOOL FMUSIC_SetOrder(FMUSIC_MODULE* module, int order);
LUMO_FMOD_API BOOL FMUSIC_SetPaused(FMUSIC_MODULE* module, BOOL paused);
LUMO_FMOD_API BOOL FMUSIC_SetMasterVolume(FMUSIC_MODULE* module, int volume); // 0..256; beyond are the ends
// True from FMUSIC_PlaySong until the song is stopped or has played to its end, paused included.
LUMO_FMOD_API BOOL FMUSIC_IsPlaying(FMUSIC_MODULE* module);
