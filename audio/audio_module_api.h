// The audio module's entry points: the contract between bass.so (audio/module/) and the binding
// (AudioDevice) that looks them up by name at run time. Plain C types only, so the module can be
// replaced without relinking the program.
//
// Handles are non-zero 32-bit numbers; 0 means failure. Every call fails harmlessly (false, 0 or
// -1) before a successful BASS_Init and after BASS_Free; BASS_ErrorGetCode tells why the last
// call failed. BASS_Free comes before the module is unloaded.
//
// 3D space: +x right, +y up, +z ahead of the listener, who never moves. A position of one unit is
// BASS_Set3DFactors' distance factor in metres (1.0 by default); sounds keep full level within
// one metre and fall off as 1 / distance beyond (scaled by the roll-off factor).
#pragma once
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct QmAudioVector {
    float x, y, z;
} QmAudioVector;

// Sample flags.
#define QM_AUDIO_SAMPLE_LOOP 4u   // the playback loops for ever
#define QM_AUDIO_SAMPLE_3D 8u     // positional playback (the sound is mixed down to mono)

// BASS_Init flags.
#define QM_AUDIO_INIT_3D 4u

// Attribute values that leave the current setting unchanged.
#define QM_AUDIO_KEEP_FREQUENCY (-1)
#define QM_AUDIO_KEEP_VOLUME (-1)
#define QM_AUDIO_KEEP_PAN (-101)

// Error codes of BASS_ErrorGetCode.
#define QM_AUDIO_OK 0
#define QM_AUDIO_ERROR_INIT 8        // not initialised
#define QM_AUDIO_ERROR_ALREADY 14    // initialised already
#define QM_AUDIO_ERROR_DEVICE 23     // no output device could be opened
#define QM_AUDIO_ERROR_FORMAT 41     // the data is not an OGG Vorbis stream
#define QM_AUDIO_ERROR_HANDLE 5      // unknown sample or channel
#define QM_AUDIO_ERROR_NOCHAN 18     // the sample's playback count is used up
#define QM_AUDIO_ERROR_ILLEGAL 20    // an argument out of range
#define QM_AUDIO_ERROR_MEMORY 1      // out of memory

// The code of the last failed call (QM_AUDIO_OK after a success).
typedef int32_t (*QmBassErrorGetCode)(void);
// Opens output device `device` (-1 or 1 and up: the system's default output; 0: no output, fails)
// mixing at `frequency` Hz. `flags` may hold QM_AUDIO_INIT_3D; `window` and `guid` are not used.
typedef int32_t (*QmBassInit)(int32_t device, uint32_t frequency, uint32_t flags, void* window,
                              const void* guid);
// Stops every playback, frees samples and channels and closes the device.
typedef int32_t (*QmBassFree)(void);
// The program's own output level, 0..100 (the listener gain; the system mixer is never touched).
typedef int32_t (*QmBassSetVolume)(uint32_t volume);
// The output level 0..100, or -1 when not initialised.
typedef int32_t (*QmBassGetVolume)(void);
// Resume and pause the whole output.
typedef int32_t (*QmBassStart)(void);
typedef int32_t (*QmBassStop)(void);
// A sample from an OGG Vorbis file: from memory (`memory` true: `file` points at the bytes,
// `length` of them from `offset`) or from a file name. At most `maxPlaybacks` (1..65535) play at
// once. Identical bytes loaded again share the decoded sound. Returns the sample handle or 0.
typedef uint32_t (*QmBassSampleLoad)(int32_t memory, const void* file, uint64_t offset,
                                     uint32_t length, uint32_t maxPlaybacks, uint32_t flags);
// Starts a playback of the sample: plain, or at a 3D position (null vectors: at the origin,
// standing still; the orientation is not used). Returns the channel handle or 0.
typedef uint32_t (*QmBassSamplePlay)(uint32_t sample);
typedef uint32_t (*QmBassSamplePlay3D)(uint32_t sample, const QmAudioVector* position,
                                       const QmAudioVector* orientation,
                                       const QmAudioVector* velocity);
// Playback rate in Hz (the sample's own rate by default), volume 0..100 and pan -100..100. Null
// pointers are skipped by Get; Set leaves a value alone when given its QM_AUDIO_KEEP_ value.
// Changes are collected and reach the mixer together at the next BASS_Apply3D, or at the next
// call that is neither an attribute nor a position change.
typedef int32_t (*QmBassChannelGetAttributes)(uint32_t channel, uint32_t* frequency,
                                              uint32_t* volume, int32_t* pan);
typedef int32_t (*QmBassChannelSetAttributes)(uint32_t channel, int32_t frequency,
                                              int32_t volume, int32_t pan);
// A 3D channel's position and velocity (units per second); null pointers leave a value alone.
// Takes effect at the next BASS_Apply3D.
typedef int32_t (*QmBassChannelSet3DPosition)(uint32_t channel, const QmAudioVector* position,
                                              const QmAudioVector* orientation,
                                              const QmAudioVector* velocity);
// Hands every pending 3D change to the mixer.
typedef void (*QmBassApply3D)(void);
// Metres per unit, roll-off (1 = real world) and Doppler factor (1 = real world); a negative
// value leaves that factor alone.
typedef int32_t (*QmBassSet3DFactors)(float distance, float rollOff, float doppler);

// Our own additions for deterministic rendering (not looked up by the saver): BASS_Init on
// OpenAL Soft's loopback device, which mixes only when asked, at `frequency` Hz in stereo; then
// `frames` stereo frames of 16-bit signed samples (left, right interleaved) into `out`.
typedef int32_t (*QmAudioInitLoopback)(uint32_t frequency);
typedef int32_t (*QmAudioRenderLoopback)(int16_t* out, uint32_t frames);

#ifdef __cplusplus
}
#endif

// The names the binding looks up, in the order it looks them up.
#define QM_AUDIO_ENTRY_POINT_NAMES                                                               \
    "BASS_ErrorGetCode", "BASS_Init", "BASS_Free", "BASS_SetVolume", "BASS_Start", "BASS_Stop",  \
        "BASS_GetVolume", "BASS_SampleLoad", "BASS_SamplePlay3D", "BASS_SamplePlay",             \
        "BASS_ChannelGetAttributes", "BASS_ChannelSetAttributes", "BASS_ChannelSet3DPosition",  \
        "BASS_Apply3D", "BASS_Set3DFactors"
#define QM_AUDIO_INIT_LOOPBACK_NAME "QM_InitLoopback"
#define QM_AUDIO_RENDER_LOOPBACK_NAME "QM_RenderLoopback"
