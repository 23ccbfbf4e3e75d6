// The default sounds: three seamless engine loops and a composed music loop, synthesised and
// encoded as OGG Vorbis with fixed stream serial numbers, so every run writes the same bytes.
#pragma once
#include <cstdint>
#include <vector>

namespace qm {

constexpr uint32_t ENGINE_SOUND_RATE = 44100;
constexpr uint32_t MUSIC_SOUND_RATE = 22050;
constexpr int ENGINE_LOOP_COUNT = 3;   // low, med, max
// Samples between two firings of the engine loops (low, med, max): 45, 75 and 120 Hz.
constexpr int ENGINE_FIRING_PERIODS[ENGINE_LOOP_COUNT] = {980, 588, 368};
constexpr int MUSIC_BEATS = 128;                  // 32 bars of 4/4
constexpr int MUSIC_SAMPLES_PER_BEAT = 11025;     // 120 beats a minute at 22,050 Hz

// One engine loop (mono, ENGINE_SOUND_RATE) of whole engine cycles; index 0 low .. 2 max.
std::vector<float> synthesizeEngineLoop(int index);
// The music loop (mono, MUSIC_SOUND_RATE), MUSIC_BEATS x MUSIC_SAMPLES_PER_BEAT samples.
std::vector<float> synthesizeMusic();
// OGG Vorbis of mono samples in [-1, 1] at the given quality (-0.1 .. 1); empty on failure.
std::vector<uint8_t> encodeVorbis(const std::vector<float>& samples, uint32_t rate, float quality,
                                  int serial);

} // namespace qm
