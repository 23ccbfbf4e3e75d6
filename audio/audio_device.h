// The binding of the audio module: bass.so loaded at run time from the "Path" folder, its 15
// entry points looked up by name. Unbound, every call fails harmlessly, so the program runs
// silently (quillmark-render without --audio, tests).
#pragma once
#include "audio/audio_module_api.h"
#include "platform/shared_library.h"

#include <cstdint>
#include <string>

namespace qm {

constexpr const char* AUDIO_MODULE_FILE = "/bass.so";
constexpr int AUDIO_ENTRY_POINT_COUNT = 15;

struct AudioEntryPoints {
    QmBassErrorGetCode errorGetCode = nullptr;
    QmBassInit init = nullptr;
    QmBassFree free = nullptr;
    QmBassSetVolume setVolume = nullptr;
    QmBassStart start = nullptr;
    QmBassStop stop = nullptr;
    QmBassGetVolume getVolume = nullptr;
    QmBassSampleLoad sampleLoad = nullptr;
    QmBassSamplePlay3D samplePlay3D = nullptr;
    QmBassSamplePlay samplePlay = nullptr;
    QmBassChannelGetAttributes channelGetAttributes = nullptr;
    QmBassChannelSetAttributes channelSetAttributes = nullptr;
    QmBassChannelSet3DPosition channelSet3DPosition = nullptr;
    QmBassApply3D apply3D = nullptr;
    QmBassSet3DFactors set3DFactors = nullptr;
};

class AudioDevice {
public:
    // Loads folder + "/bass.so" and looks up the 15 entry points. A file that cannot be loaded,
    // or that lacks any of them, counts as missing: false, and nothing stays bound.
    bool load(const std::string& folder);
    // Loads a module file by its full path (tests).
    bool loadFile(const std::string& path);
    void unload();
    bool bound() const { return bound_; }

    // The module's own loopback rendering, when it has it (not one of the 15).
    bool initLoopback(uint32_t frequency);
    bool renderLoopback(int16_t* out, uint32_t frames);

    // The entry points; unbound they return the module's failure values (false, 0, -1).
    int32_t errorGetCode();
    bool init(int32_t device, uint32_t frequency, uint32_t flags, void* window);
    bool free();
    bool setVolume(uint32_t volume);
    bool start();
    bool stop();
    int32_t getVolume();
    uint32_t sampleLoad(bool memory, const void* file, uint64_t offset, uint32_t length,
                        uint32_t maxPlaybacks, uint32_t flags);
    uint32_t samplePlay3D(uint32_t sample, const QmAudioVector* position,
                          const QmAudioVector* orientation, const QmAudioVector* velocity);
    uint32_t samplePlay(uint32_t sample);
    bool channelGetAttributes(uint32_t channel, uint32_t* frequency, uint32_t* volume, int32_t* pan);
    bool channelSetAttributes(uint32_t channel, int32_t frequency, int32_t volume, int32_t pan);
    bool channelSet3DPosition(uint32_t channel, const QmAudioVector* position,
                              const QmAudioVector* orientation, const QmAudioVector* velocity);
    void apply3D();
    bool set3DFactors(float distance, float rollOff, float doppler);

private:
    platform::SharedLibrary library_;
    AudioEntryPoints entry_;
    QmAudioInitLoopback initLoopback_ = nullptr;
    QmAudioRenderLoopback renderLoopback_ = nullptr;
    bool bound_ = false;
};

// The process-wide binding; resetAudioDevice unloads it (tests).
AudioDevice& audioDevice();
void resetAudioDevice();

} // namespace qm
