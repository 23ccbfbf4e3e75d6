// Helpers of the audio tests: the built module, OGG test tones, and measures of rendered sound.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm::test {

// bass.so as the build put it beside the programs.
std::string builtAudioModule();
// A mono OGG Vorbis sine of `frequency` Hz, `seconds` long at `rate` Hz (whole cycles loop cleanly).
std::vector<uint8_t> sineOgg(double frequency, uint32_t rate, double seconds, float amplitude = 0.5f);
// Decodes an OGG Vorbis file to mono floats (channels averaged); empty on failure.
std::vector<float> decodeOgg(const std::vector<uint8_t>& bytes, uint32_t* rate = nullptr);

// One channel (0 left, 1 right) of interleaved stereo 16-bit samples, as floats in [-1, 1].
std::vector<float> channelOf(const std::vector<int16_t>& stereo, int channel);
double rms(const std::vector<float>& s, size_t from = 0, size_t to = SIZE_MAX);
// Frequency from rising zero crossings, with linear interpolation between samples.
double zeroCrossingFrequency(const std::vector<float>& s, double rate);
// The period of the strongest repetition between the two lags, by normalised autocorrelation:
// the shortest lag that comes within 10 % of the best.
double autocorrelationPeriod(const std::vector<float>& s, int minLag, int maxLag);

} // namespace qm::test
