#include "host/audio_startup.h"
#include "assets/asset_stream.h"
#include "audio/audio_device.h"
#include "cars/car.h"
#include "host/settings.h"

#include <string>

namespace qm {
namespace {

constexpr int32_t AUDIO_DEVICE = 1;
constexpr uint32_t AUDIO_FREQUENCY = 44100;
constexpr float DISTANCE_FACTOR = 0.0035f;
constexpr float ROLL_OFF_FACTOR = 1.0f;
constexpr float DOPPLER_FACTOR = 1.0f;
constexpr const char* MUSIC_MEMBER = "music.ogg";

struct AudioRun {
    int32_t savedVolume = -1;
    uint32_t musicSample = 0;
    uint32_t musicChannel = 0;
};

AudioRun& audioRun()
{
    static AudioRun run;
    return run;
}

void setUpOutput()
{
    audioDevice().start();
    audioDevice().set3DFactors(DISTANCE_FACTOR, ROLL_OFF_FACTOR, DOPPLER_FACTOR);
}

void startMusic()
{
    AssetStream member;
    member.fetch(MUSIC_MEMBER);
    AudioRun& run = audioRun();
    run.musicSample = audioDevice().sampleLoad(true, member.data(), 0, member.size(), 1, QM_AUDIO_SAMPLE_LOOP);
    member.release();
    run.musicChannel = audioDevice().samplePlay(run.musicSample);
}

} // namespace

bool bindAudio(const char* folder, void* window)
{
    if (!audioDevice().load(folder ? folder : "")) return false;
    if (audioDevice().init(AUDIO_DEVICE, AUDIO_FREQUENCY, QM_AUDIO_INIT_3D, window)) setUpOutput();
    return true;
}

bool bindLoopbackAudio(const char* folder, uint32_t frequency)
{
    if (!audioDevice().load(folder ? folder : "")) return false;
    if (!audioDevice().initLoopback(frequency)) {
        audioDevice().unload();
        return false;
    }
    setUpOutput();
    return true;
}

void startAudio()
{
    AudioDevice& audio = audioDevice();
    audioRun().savedVolume = audio.getVolume();
    audio.setVolume(0);
    if (settings().enableMusic) startMusic();
    if (settings().enableSFX)
        for (Car& car : cars()) car.engine.start();
}

void applyAudioVolume()
{
    audioDevice().setVolume(settings().volume);
}

void shutdownAudio()
{
    AudioDevice& audio = audioDevice();
    // A run that ends while loading never saved a volume: nothing to put back.
    if (audioRun().savedVolume >= 0) audio.setVolume(uint32_t(audioRun().savedVolume));
    audio.stop();
    audio.free();
    audio.unload();
    resetAudioStartup();
}

void resetAudioStartup()
{
    audioRun() = AudioRun();
}

} // namespace qm
