#include "cars/engine_sound.h"
#include "assets/asset_stream.h"
#include "audio/audio_device.h"

namespace qm {
namespace {

// Cross-fade table, order low, middle, high: volume band (b, c, d, e) and rate ramp
// (low offset, high offset, d, e) around the channel's default rate.
struct EngineMix {
    int32_t b, c, d, e;
    int32_t lowOffset, highOffset, rampStart, rampEnd;
};
constexpr EngineMix ENGINE_MIX[3] = {
    {-100, -100, 200, 400, -20000, 50000, -10, 400},
    {0, 400, 450, 600, -20000, 30000, 0, 600},
    {250, 600, 1700, 1800, -10000, 50000, 250, 800},
};
constexpr float ENGINE_VALUE_SCALE = 105.0f;
constexpr const char* ENGINE_MEMBERS[3] = {"low.ogg", "med.ogg", "max.ogg"};
// Looping 3D samples, one playback each.
constexpr uint32_t ENGINE_SAMPLE_FLAGS = QM_AUDIO_SAMPLE_LOOP | QM_AUDIO_SAMPLE_3D;
constexpr uint32_t ENGINE_MAX_PLAYBACKS = 1;

QmAudioVector audioVector(Vec3 v)
{
    return QmAudioVector{v.x, v.y, v.z};
}

} // namespace

int32_t engineBand(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e)
{
    if (c <= a && a < d) return 100;
    if (b <= a && a < c) {
        float k = 100.0f / float(c - b);
        int32_t r = int32_t(float(a - b) * k);
        return r < 0 ? 0 : r;
    }
    if (d <= a && a <= e) {
        float k = 100.0f / float(e - d);
        int32_t r = 100 - int32_t(float(a - d) * k);
        return r > 100 ? 0 : r;
    }
    return 0;
}

int32_t engineRamp(int32_t a, int32_t low, int32_t high, int32_t d, int32_t e)
{
    if (a < d) return low;
    if (a > e) return high;
    float q = float(a - d) / float(e - d);
    return low + int32_t(float(high - low) * q);
}

void EngineSound::loadSamples()
{
    for (int k = 0; k < 3; ++k) {
        AssetStream member;
        member.fetch(ENGINE_MEMBERS[k]);
        samples[k] = audioDevice().sampleLoad(true, member.data(), 0, member.size(),
                                              ENGINE_MAX_PLAYBACKS, ENGINE_SAMPLE_FLAGS);
        member.release();
    }
}

void EngineSound::start()
{
    AudioDevice& audio = audioDevice();
    const QmAudioVector at = audioVector(position);
    for (int k = 0; k < 3; ++k) {
        channels[k] = audio.samplePlay3D(samples[k], &at, nullptr, nullptr);
        uint32_t frequency = 0;
        audio.channelGetAttributes(channels[k], &frequency, nullptr, nullptr);
        baseFrequencies[k] = int32_t(frequency);
        // Silent until the first update gives it its volume: 54 channels at full volume on the
        // listener would otherwise sound for the moment between start-up and the first frame.
        audio.channelSetAttributes(channels[k], QM_AUDIO_KEEP_FREQUENCY, 0, QM_AUDIO_KEEP_PAN);
    }
}

void EngineSound::update(Vec3 carPosition, Vec3 carTangent, const ListenerPose& listener)
{
    Vec3 r = carPosition - listener.eye;
    float distance = length(r);
    Vec3 xAxis = normalized(cross(listener.viewDir, listener.viewUp));
    Vec3 yAxis = cross(listener.viewDir, xAxis);
    Vec3 zAxis = listener.viewDir;
    position = Vec3(dot(xAxis, r) * distance, dot(yAxis, r) * distance, dot(zAxis, r) * distance);
    Vec3 m = normalized(carTangent);
    float speed = length(carTangent);
    velocity = Vec3(dot(xAxis, m) * speed, dot(yAxis, m) * speed, dot(zAxis, m) * speed);

    engineValue_ = int32_t(length(velocity) * ENGINE_VALUE_SCALE);
    AudioDevice& audio = audioDevice();
    for (int k = 0; k < 3; ++k) {
        const EngineMix& mix = ENGINE_MIX[k];
        int32_t volume = engineBand(engineValue_, mix.b, mix.c, mix.d, mix.e);
        int32_t base = baseFrequencies[k];
        int32_t rate = engineRamp(engineValue_, base + mix.lowOffset, base + mix.highOffset,
                                  mix.rampStart, mix.rampEnd);
        audio.channelSetAttributes(channels[k], rate, volume / 5, QM_AUDIO_KEEP_PAN);
    }
    const QmAudioVector at = audioVector(position);
    const QmAudioVector moving = audioVector(velocity);
    for (int k = 0; k < 3; ++k) audio.channelSet3DPosition(channels[k], &at, nullptr, &moving);
    audio.apply3D();
}

} // namespace qm
