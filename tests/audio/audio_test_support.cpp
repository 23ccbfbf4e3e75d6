#include "tests/audio/audio_test_support.h"
#include "tools/mkdata/sound_artwork.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace qm::test {

std::string builtAudioModule()
{
    const char* binary = std::getenv("QM_BINARY_DIR");
    return std::string(binary ? binary : ".") + "/bin/bass.so";
}

std::vector<uint8_t> sineOgg(double frequency, uint32_t rate, double seconds, float amplitude)
{
    std::vector<float> s(size_t(seconds * rate));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = amplitude * float(std::sin(2.0 * 3.14159265358979 * frequency * double(i) / rate));
    return encodeVorbis(s, rate, 0.5f, 77);
}

namespace {
struct Memory {
    const std::vector<uint8_t>* bytes;
    size_t at;
};
size_t readMemory(void* out, size_t size, size_t count, void* source)
{
    Memory& m = *static_cast<Memory*>(source);
    const size_t n = std::min(size * count, m.bytes->size() - m.at);
    std::memcpy(out, m.bytes->data() + m.at, n);
    m.at += n;
    return size ? n / size : 0;
}
} // namespace

std::vector<float> decodeOgg(const std::vector<uint8_t>& bytes, uint32_t* rate)
{
    Memory memory{&bytes, 0};
    OggVorbis_File vf;
    ov_callbacks callbacks{readMemory, nullptr, nullptr, nullptr};
    std::vector<float> out;
    if (ov_open_callbacks(&memory, &vf, nullptr, 0, callbacks) != 0) return out;
    const vorbis_info* info = ov_info(&vf, -1);
    if (rate) *rate = uint32_t(info->rate);
    const int channels = info->channels;
    for (;;) {
        float** pcm = nullptr;
        int section = 0;
        const long n = ov_read_float(&vf, &pcm, 4096, &section);
        if (n <= 0) break;
        for (long i = 0; i < n; ++i) {
            float sum = 0;
            for (int c = 0; c < channels; ++c) sum += pcm[c][i];
            out.push_back(sum / float(channels));
        }
    }
    ov_clear(&vf);
    return out;
}

std::vector<float> channelOf(const std::vector<int16_t>& stereo, int channel)
{
    std::vector<float> out(stereo.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = float(stereo[2 * i + size_t(channel)]) / 32768.0f;
    return out;
}

double rms(const std::vector<float>& s, size_t from, size_t to)
{
    to = std::min(to, s.size());
    if (from >= to) return 0;
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(to - from));
}

double zeroCrossingFrequency(const std::vector<float>& s, double rate)
{
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = 1; i < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            const double at = double(i - 1) + double(-s[i - 1]) / double(s[i] - s[i - 1]);
            if (first < 0) first = at;
            else ++crossings;
            last = at;
        }
    }
    if (crossings == 0) return 0;
    return crossings * rate / (last - first);
}

double autocorrelationPeriod(const std::vector<float>& s, int minLag, int maxLag)
{
    std::vector<double> score(size_t(maxLag) + 1, 0.0);
    double best = -1;
    const size_t n = s.size() - size_t(maxLag);
    for (int lag = minLag; lag <= maxLag; ++lag) {
        double xy = 0, xx = 0, yy = 0;
        for (size_t i = 0; i < n; ++i) {
            xy += double(s[i]) * s[i + size_t(lag)];
            xx += double(s[i]) * s[i];
            yy += double(s[i + size_t(lag)]) * s[i + size_t(lag)];
        }
        score[size_t(lag)] = xy / std::sqrt(xx * yy + 1e-30);
        best = std::max(best, score[size_t(lag)]);
    }
    for (int lag = minLag; lag <= maxLag; ++lag)
        if (score[size_t(lag)] >= 0.9 * best) {
            // Walk to the top of this peak.
            while (lag < maxLag && score[size_t(lag) + 1] > score[size_t(lag)]) ++lag;
            return lag;
        }
    return 0;
}

} // namespace qm::test
