// The entry points of our bass.dll stand-in (built as bass.so), with the argument lists
// of the library's second version, which callers pick when BASS_SetConfig is offered.
#pragma once

#include "win32/types.h"

typedef uint64_t QWORD;
typedef DWORD HSTREAM;
typedef DWORD HMUSIC;

#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_POSITION 7
#define BASS_ERROR_INIT 8
#define BASS_ERROR_START 9
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_ILLTYPE 19
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOPLAY 24
#define BASS_ERROR_NOPAUSE 34
#define BASS_ERROR_NOTAVAIL 37
#define BASS_ERROR_FILEFORM 41

#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

#define BASS_SAMPLE_LOOP 4
#define BASS_MUSIC_RAMP 0x200

#define BASS_CONFIG_BUFFER 0
#define BASS_CONFIG_GVOL_SAMPLE 4
#define BASS_CONFIG_GVOL_STREAM 5
#define BASS_CONFIG_GVOL_MUSIC 6

#define LUMO_BASS_API extern "C" __attribute__((visibility("default")))

LUMO_BASS_API BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND window, const GUID* clsid);
LUMO_BASS_API BOOL BASS_Free();
LUMO_BASS_API BOOL BASS_Start();
LUMO_BASS_API BOOL BASS_Stop();
LUMO_BASS_API int BASS_ErrorGetCode();
// Volumes are 0..100.
LUMO_BASS_API BOOL BASS_SetGlobalVolumes(int musicVolume, int sampleVolume, int streamVolume);
LUMO_BASS_API BOOL BASS_SetVolume(DWORD volume);
// The new value, or (DWORD)-1 for an option not offered or a value out of range.
LUMO_BASS_API DWORD BASS_SetConfig(DWORD option, DWORD value);

// freq -1 keeps, 0 restores the file's rate; volume -1 keeps, 0..100; pan -101 keeps, -100..100.
LUMO_BASS_API BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan);
LUMO_BASS_API BOOL BASS_ChannelStop(DWORD handle);
LUMO_BASS_API BOOL BASS_ChannelPause(DWORD handle);
LUMO_BASS_API BOOL BASS_ChannelResume(DWORD handle);
// Bytes of the channel's decoded 16-bit data.
LUMO_BASS_API BOOL BASS_ChannelSetPosition(DWORD handle, QWORD position);
LUMO_BASS_API DWORD BASS_ChannelIsActive(DWORD handle);

// Tracker modules (MOD, S3M, XM, IT, ...), read from disk whole. position: order in the low
// word, row in the high word, (DWORD)-1 where it is.
LUMO_BASS_API HMUSIC BASS_MusicLoad(BOOL memory, const void* file, QWORD offset, DWORD length, DWORD flags,
                                    DWORD freq);
LUMO_BASS_API BOOL BASS_MusicPlay(HMUSIC handle);
LUMO_BASS_API BOOL BASS_MusicPlayEx(HMUSIC handle, DWORD position, int flags, BOOL reset);
LUMO_BASS_API BOOL BASS_MusicFree(HMUSIC handle);
LUMO_BASS_API BOOL BASS_MusicSetAmplify(HMUSIC handle, DWORD amplify);

// WAV (PCM 8/16-bit), Ogg Vorbis and MP3 files, read from disk while they play.
LUMO_BASS_API HSTREAM BASS_StreamCreateFile(BOOL memory, const void* file, QWORD offset, QWORD length,
                                            DWORD flags);
LUMO_BASS_API BOOL BASS_StreamFree(HSTREAM handle);
// flush: start again from the beginning; otherwise go on from where the stream stopped.
LUMO_BASS_API BOOL BASS_StreamPlay(HSTREAM handle, BOOL flush, DWORD flags);
