#include "tools/mkdata/sound_artwork.h"
#include "tools/mkdata/artwork.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace qm {
namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double TWO_PI = 2.0 * PI;

// A small deterministic generator: the same numbers on every machine and every run.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    double next()   // uniform in [-1, 1)
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return double(state_) / 2147483648.0 - 1.0;
    }

private:
    uint32_t state_;
};

// Two-pole resonator (band-pass, unit gain at the centre).
class Resonator {
public:
    Resonator(double frequency, double q, double rate)
    {
        const double w = TWO_PI * frequency / rate;
        const double r = std::exp(-PI * frequency / (q * rate));
        a1_ = 2.0 * r * std::cos(w);
        a2_ = -r * r;
        gain_ = (1.0 - r * r) * 0.5;
    }
    double step(double x)
    {
        const double y = gain_ * (x - x2_) + a1_ * y1_ + a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double a1_ = 0, a2_ = 0, gain_ = 0;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

class OnePole {
public:
    OnePole(double cutoff, double rate) : k_(1.0 - std::exp(-TWO_PI * cutoff / rate)) {}
    double step(double x) { return y_ += k_ * (x - y_); }

private:
    double k_;
    double y_ = 0;
};

// Runs a filter chain over a periodic signal twice and keeps the second pass, so the output is
// periodic too: the loop point joins without a seam.
template <typename Step>
std::vector<double> filterPeriodic(const std::vector<double>& in, Step step)
{
    std::vector<double> out(in.size());
    for (int pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < in.size(); ++i) out[i] = step(in[i]);
    return out;
}

void normalize(std::vector<double>& s, double peak)
{
    double m = 1e-9;
    for (double v : s) m = std::max(m, std::abs(v));
    for (double& v : s) v *= peak / m;
}

// ---- Engine loops ------------------------------------------------------------------------------

struct EngineVoice {
    double loopSeconds;   // about this long, rounded to whole engine cycles
    double pulseDecay;    // seconds
    double pipeSeconds;   // exhaust pipe round trip
    double body[3];       // resonances of the exhaust and body, Hz
    double roar;          // share of firing-gated noise
    int seed;
};

constexpr EngineVoice ENGINE_VOICES[ENGINE_LOOP_COUNT] = {
    {1.6, 0.0009, 0.0052, {150, 430, 1250}, 0.10, 11},
    {1.4, 0.0007, 0.0041, {210, 620, 1700}, 0.12, 23},
    {1.2, 0.0005, 0.0033, {290, 850, 2300}, 0.14, 37},
};
constexpr int CYLINDERS = 4;   // firings per engine cycle

} // namespace

std::vector<float> synthesizeEngineLoop(int index)
{
    index = std::clamp(index, 0, ENGINE_LOOP_COUNT - 1);
    const EngineVoice& voice = ENGINE_VOICES[index];
    const int period = ENGINE_FIRING_PERIODS[index];
    const double rate = ENGINE_SOUND_RATE;
    const int cycle = period * CYLINDERS;
    const int cycles = std::max(1, int(std::lround(voice.loopSeconds * rate / cycle)));
    const size_t length = size_t(cycles) * size_t(cycle);
    Noise noise(uint32_t(voice.seed));

    // Cylinder character (each cylinder slightly different, like a real engine) and firings with
    // small random strength and timing changes, repeating with the loop.
    double cylinderGain[CYLINDERS];
    for (double& g : cylinderGain) g = 1.0 + 0.12 * noise.next();
    std::vector<double> excitation(length, 0.0);
    const size_t firings = length / size_t(period);
    const int pulseLength = int(voice.pulseDecay * rate * 8.0);
    for (size_t f = 0; f < firings; ++f) {
        const double strength = cylinderGain[f % CYLINDERS] * (1.0 + 0.07 * noise.next());
        const double jitter = 0.015 * period * noise.next();
        const double start = double(f * size_t(period)) + jitter;
        for (int t = 0; t < pulseLength; ++t) {
            const double u = (double(t) - (start - std::floor(start))) / (voice.pulseDecay * rate);
            if (u < 0) continue;
            // A pressure pulse: a fast rise and an exponential fall, with a little turbulence.
            const double pulse = u * std::exp(1.0 - u) * (1.0 + 0.1 * noise.next());
            const long at = (long(std::floor(start)) + t + long(length)) % long(length);
            excitation[size_t(at)] += strength * pulse;
        }
    }
    // Roar: noise that swells with every firing (periodic over the loop).
    std::vector<double> roar(length);
    for (size_t i = 0; i < length; ++i) {
        const double phase = double(i % size_t(period)) / period;
        roar[i] = noise.next() * std::exp(-4.0 * phase);
    }
    // Exhaust pipe: a comb of the pipe's round trip with a damped, inverted reflection.
    const size_t pipe = size_t(voice.pipeSeconds * rate);
    std::vector<double> piped(length, 0.0);
    OnePole reflectionDamping(2500.0, rate);
    for (int pass = 0; pass < 3; ++pass)
        for (size_t i = 0; i < length; ++i) {
            const double back = piped[(i + length - pipe) % length];
            piped[i] = excitation[i] - 0.55 * reflectionDamping.step(back);
        }
    Resonator r0(voice.body[0], 2.5, rate), r1(voice.body[1], 4.0, rate), r2(voice.body[2], 3.0, rate);
    OnePole roarTone(900.0, rate), direct(3500.0, rate);
    std::vector<double> mixed(length);
    for (size_t i = 0; i < length; ++i) mixed[i] = piped[i] + voice.roar * roar[i];
    std::vector<double> shaped = filterPeriodic(mixed, [&](double x) {
        return 1.0 * r0.step(x) + 0.7 * r1.step(x) + 0.35 * r2.step(x) + 0.25 * roarTone.step(x) + 0.3 * direct.step(x);
    });
    // Remove the constant part, then saturate a little, as a loud engine does.
    double mean = 0;
    for (double v : shaped) mean += v;
    mean /= double(length);
    for (double& v : shaped) v -= mean;
    normalize(shaped, 1.0);
    for (double& v : shaped) v = std::tanh(1.8 * v);
    mean = 0;
    for (double v : shaped) mean += v;
    mean /= double(length);
    for (double& v : shaped) v -= mean;
    // Eighteen of these play at once around the camera; at this level the music stays in front.
    normalize(shaped, 0.45);
    return std::vector<float>(shaped.begin(), shaped.end());
}

// ---- Music ---------------------------------------------------------------------------------------

namespace {

constexpr double MUSIC_RATE = MUSIC_SOUND_RATE;
constexpr int TABLE_SIZE = 4096;
constexpr int BEATS_PER_BAR = 4;
constexpr int BARS = MUSIC_BEATS / BEATS_PER_BAR;

// One cycle of a band-limited waveform: sum of the given harmonics.
struct WaveTable {
    std::vector<double> cycle;
    WaveTable(int harmonics, double slope, bool oddOnly)
        : cycle(TABLE_SIZE + 1, 0.0)
    {
        for (int k = 1; k <= harmonics; ++k) {
            if (oddOnly && k % 2 == 0) continue;
            const double a = 1.0 / std::pow(double(k), slope);
            for (int i = 0; i <= TABLE_SIZE; ++i) cycle[size_t(i)] += a * std::sin(TWO_PI * k * i / TABLE_SIZE);
        }
        double m = 1e-9;
        for (double v : cycle) m = std::max(m, std::abs(v));
        for (double& v : cycle) v /= m;
    }
    double at(double phase) const   // phase in cycles
    {
        const double p = (phase - std::floor(phase)) * TABLE_SIZE;
        const int i = int(p);
        const double f = p - i;
        return cycle[size_t(i)] * (1.0 - f) + cycle[size_t(i) + 1] * f;
    }
};

double midiFrequency(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Note names such as "A4", "C#5" or "Bb3" to MIDI numbers; -1 for anything else.
int midiNote(const std::string& name)
{
    static const int BASE[7] = {9, 11, 0, 2, 4, 5, 7};   // A B C D E F G
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G') return -1;
    int note = BASE[name[0] - 'A'];
    size_t i = 1;
    if (name[i] == '#') { ++note; ++i; }
    else if (name[i] == 'b') { --note; ++i; }
    if (i >= name.size()) return -1;
    const int octave = name[i] - '0';
    return 12 * (octave + 1) + note;
}

struct Note {
    double beat;     // start
    double beats;    // length
    int midi;
};

// A bar of eight eighth notes: a name starts a note, "-" holds it, "." rests.
void addBar(std::vector<Note>& notes, int bar, const char* text, int transpose = 0)
{
    std::vector<std::string> slots;
    std::string token;
    for (const char* c = text;; ++c) {
        if (*c == ' ' || *c == '\0') {
            if (!token.empty()) slots.push_back(token);
            token.clear();
            if (*c == '\0') break;
        } else {
            token += *c;
        }
    }
    for (size_t i = 0; i < slots.size(); ++i) {
        const int midi = midiNote(slots[i]);
        if (midi < 0) continue;
        size_t held = 1;
        while (i + held < slots.size() && slots[i + held] == "-") ++held;
        notes.push_back({bar * 4.0 + 0.5 * double(i), 0.5 * double(held), midi + transpose});
    }
}

// The melody: 32 bars in A minor, four phrases of eight.
const char* const MELODY_A[8] = {
    ". . A4 C5 E5 - D5 C5", "D5 - C5 A4 C5 - - .", ". . A4 C5 F5 - E5 D5", "E5 - C5 A4 C5 - - .",
    ". . G4 C5 E5 - G5 -",  "F5 E5 D5 C5 E5 - - .", ". . D5 E5 D5 - B4 G4", "B4 - A4 G4 A4 - - .",
};
const char* const MELODY_B[8] = {
    "A5 - G5 E5 - E5 G5 A5", "C6 - A5 - G5 E5 - .",  "F5 - A5 C6 - A5 F5 -", "E5 - F5 E5 D5 - C5 .",
    "E5 - G5 C6 - B5 A5 G5", "E5 - - G5 E5 D5 C5 -", "D5 E5 G5 - D5 E5 B5 -", "A5 - G5 - D5 - B4 .",
};
const char* const MELODY_C[8] = {
    "A4 - - C5 F5 - - E5", "C5 - A4 - - - . .", "B4 - - D5 G5 - - F5", "D5 - B4 - - - . .",
    "G4 - B4 - E5 - G5 -", "D5 - E5 - B4 - - .", "A4 - C5 - E5 - A5 -", "G5 - E5 - C5 - B4 -",
};
const char* const MELODY_D_END = "B4 - A4 G4 E4 - G4 -";

// Chord of each bar: root (MIDI, octave 2) and whether it is minor.
struct Chord {
    int root;
    bool minor;
};
constexpr Chord AM{45, true}, F_{41, false}, C_{48, false}, G_{43, false}, EM{40, true};
const Chord CHORDS[BARS] = {
    AM, AM, F_, F_, C_, C_, G_, G_,  AM, AM, F_, F_, C_, C_, G_, G_,
    F_, F_, G_, G_, EM, EM, AM, AM,  AM, AM, F_, F_, C_, C_, G_, G_,
};

struct Mix {
    std::vector<double> out;
    explicit Mix(size_t n) : out(n, 0.0) {}
    // Tails past the end wrap to the start (a note is shorter than the loop).
    void add(double sample, double value)
    {
        size_t i = size_t(sample);
        if (i >= out.size()) i -= out.size();
        out[i] += value;
    }
};

double beatToSample(double beat)
{
    return std::floor(beat * MUSIC_SAMPLES_PER_BEAT + 0.5);
}

double envelope(double t, double length, double attack, double release)
{
    if (t < 0 || t > length + release) return 0.0;
    double a = t < attack ? t / attack : 1.0;
    if (t > length) a *= 1.0 - (t - length) / release;
    return a;
}

void playTone(Mix& mix, const WaveTable& table, double beat, double beats, double frequency,
              double level, double attack, double decay, double release, double vibrato = 0)
{
    const double start = beatToSample(beat);
    const double length = beats * MUSIC_SAMPLES_PER_BEAT / MUSIC_RATE;
    const size_t count = size_t((length + release) * MUSIC_RATE);
    double phase = 0;
    // The decay runs as a product, one factor per sample (exp once per note, not per sample).
    double fall = 1.0;
    const double fallStep = decay > 0 ? std::exp(-1.0 / (decay * MUSIC_RATE)) : 1.0;
    const double step = frequency / MUSIC_RATE;
    for (size_t i = 0; i < count; ++i) {
        const double t = double(i) / MUSIC_RATE;
        const double v = vibrato > 0 && t > 0.18 ? 1.0 + vibrato * std::sin(TWO_PI * 5.5 * (t - 0.18)) : 1.0;
        phase += step * v;
        const double env = envelope(t, length, attack, release) * (decay > 0 ? 0.55 + 0.45 * fall : 1.0);
        fall *= fallStep;
        mix.add(start + double(i), level * env * table.at(phase));
    }
}

void playKick(Mix& mix, double beat, double level)
{
    const double start = beatToSample(beat);
    double phase = 0;
    double sweep = 1.0, body = 1.0;
    const double sweepStep = std::exp(-1.0 / (0.03 * MUSIC_RATE));
    const double bodyStep = std::exp(-1.0 / (0.14 * MUSIC_RATE));
    for (size_t i = 0; i < size_t(0.35 * MUSIC_RATE); ++i) {
        phase += (45.0 + 85.0 * sweep) / MUSIC_RATE;
        const double click = i < 40 ? 0.3 * (1.0 - double(i) / 40.0) : 0.0;
        mix.add(start + double(i), level * (std::sin(TWO_PI * phase) * body + click));
        sweep *= sweepStep;
        body *= bodyStep;
    }
}

void playSnare(Mix& mix, Noise& noise, double beat, double level)
{
    const double start = beatToSample(beat);
    Resonator body(1900.0, 0.9, MUSIC_RATE);
    double previous = 0;
    double toneFall = 1.0, rattleFall = 1.0;
    const double toneStep = std::exp(-1.0 / (0.045 * MUSIC_RATE));
    const double rattleStep = std::exp(-1.0 / (0.075 * MUSIC_RATE));
    for (size_t i = 0; i < size_t(0.3 * MUSIC_RATE); ++i) {
        const double t = double(i) / MUSIC_RATE;
        const double n = noise.next();
        const double bright = n - 0.6 * previous;
        previous = n;
        const double rattle = body.step(bright) * 2.2 + 0.35 * bright;
        const double tone = std::sin(TWO_PI * 185.0 * t) * toneFall;
        mix.add(start + double(i), level * (rattle * rattleFall + 0.6 * tone));
        toneFall *= toneStep;
        rattleFall *= rattleStep;
    }
}

void playHat(Mix& mix, Noise& noise, double beat, double level, double decay)
{
    const double start = beatToSample(beat);
    double previous = 0, previous2 = 0;
    double fall = 1.0;
    const double fallStep = std::exp(-1.0 / (decay * MUSIC_RATE));
    for (size_t i = 0; i < size_t(decay * 6.0 * MUSIC_RATE); ++i) {
        const double n = noise.next();
        const double high = n - 2.0 * previous + previous2;   // second difference: only the top
        previous2 = previous;
        previous = n;
        mix.add(start + double(i), level * 0.25 * high * fall);
        fall *= fallStep;
    }
}

// Feedback echo over the whole loop, wrapping at the loop point.
void addEcho(std::vector<double>& signal, double delayBeats, double feedback, double wet)
{
    const size_t n = signal.size();
    const size_t delay = size_t(beatToSample(delayBeats));
    std::vector<double> echo(n, 0.0);
    OnePole soften(2500.0, MUSIC_RATE);
    for (int pass = 0; pass < 3; ++pass)
        for (size_t i = 0; i < n; ++i) {
            const size_t j = (i + n - delay) % n;
            echo[i] = soften.step(signal[j] + feedback * echo[j]);
        }
    for (size_t i = 0; i < n; ++i) signal[i] += wet * echo[i];
}

} // namespace

std::vector<float> synthesizeMusic()
{
    const size_t length = size_t(MUSIC_BEATS) * size_t(MUSIC_SAMPLES_PER_BEAT);
    const WaveTable bassWave(14, 1.0, false);    // saw
    const WaveTable padWave(10, 1.4, false);     // soft saw
    const WaveTable leadWave(9, 1.0, true);      // square
    const WaveTable pluckWave(6, 1.8, false);

    // Melody, with an echo of a dotted eighth.
    std::vector<Note> melody;
    for (int b = 0; b < 8; ++b) {
        addBar(melody, b, MELODY_A[b]);
        addBar(melody, 8 + b, MELODY_B[b]);
        addBar(melody, 16 + b, MELODY_C[b]);
        addBar(melody, 24 + b, b == 7 ? MELODY_D_END : MELODY_A[b], 12);
    }
    Mix lead(length);
    for (const Note& n : melody)
        playTone(lead, leadWave, n.beat, n.beats * 0.92, midiFrequency(n.midi), 0.16, 0.012, 0.35, 0.09, 0.006);
    addEcho(lead.out, 0.75, 0.35, 0.35);

    Mix band(length);
    Noise noise(2026);
    for (int bar = 0; bar < BARS; ++bar) {
        const Chord chord = CHORDS[bar];
        const double at = bar * 4.0;
        const int third = chord.minor ? 3 : 4;
        // Pad: the chord over the bar, slightly detuned pairs, slow attack.
        for (int interval : {12, 12 + third, 19, 24}) {
            const double f = midiFrequency(chord.root + interval);
            playTone(band, padWave, at, 4.0, f * 1.003, 0.035, 0.25, 0, 0.3);
            playTone(band, padWave, at, 4.0, f * 0.997, 0.035, 0.25, 0, 0.3);
        }
        // Bass: eighths on the root with an octave jump and the fifth.
        static const int BASS_STEPS[8] = {0, 0, 12, 0, 0, 0, 7, 12};
        for (int e = 0; e < 8; ++e)
            playTone(band, bassWave, at + 0.5 * e, 0.42, midiFrequency(chord.root + BASS_STEPS[e]),
                     0.22, 0.005, 0.12, 0.04);
        // Arpeggio in the second and last phrases.
        if ((bar >= 8 && bar < 16) || bar >= 24) {
            static const int ARP[8] = {24, 24 + 7, 36, 24 + 7, 24, 36, 24 + 7, 36};
            for (int s = 0; s < 8; ++s) {
                const int note = chord.root + (ARP[s] == 24 + 7 ? 24 + third : ARP[s]);
                playTone(band, pluckWave, at + 0.5 * s, 0.25, midiFrequency(note), 0.06, 0.003, 0.08, 0.12);
            }
        }
        // Drums: lighter in the bridge (bars 16..23), sixteenth hats in the second phrase.
        const bool bridge = bar >= 16 && bar < 24;
        for (int s = 0; s < 16; ++s) {
            const double beat = at + 0.25 * s;
            if (s == 0 || (!bridge && s == 8) || (!bridge && s == 10 && bar % 2 == 1)) playKick(band, beat, 0.55);
            if (bridge && s == 8) playKick(band, beat, 0.45);
            if (!bridge && (s == 4 || s == 12)) playSnare(band, noise, beat, 0.22);
            if (bridge && s == 12) playSnare(band, noise, beat, 0.18);
            if (bar % 8 == 7 && s >= 12 && !bridge) playSnare(band, noise, beat, 0.08 + 0.03 * (s - 12));
            const bool sixteenths = bar >= 8 && bar < 16;
            if (s % 2 == 0 || sixteenths)
                playHat(band, noise, beat, s % 4 == 2 ? 0.2 : 0.12, s == 14 && bar % 4 == 3 ? 0.12 : 0.025);
        }
        if (bar % 8 == 0) playHat(band, noise, at, 0.25, 0.6);   // crash on each phrase
    }

    std::vector<double> out(length);
    for (size_t i = 0; i < length; ++i) out[i] = band.out[i] + lead.out[i];
    normalize(out, 1.0);
    for (double& v : out) v = std::tanh(1.3 * v) / std::tanh(1.3);
    // Headroom for the engines that play over it at full volume.
    normalize(out, 0.6);
    return std::vector<float>(out.begin(), out.end());
}

// ---- Encoding ------------------------------------------------------------------------------------

std::vector<uint8_t> encodeVorbis(const std::vector<float>& samples, uint32_t rate, float quality, int serial)
{
    std::vector<uint8_t> out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, long(rate), quality) != 0) {
        vorbis_info_clear(&vi);
        return out;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "ENCODER", "quillmark-mkdata");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);
    ogg_page page;
    ogg_packet packet;
    auto writePage = [&]() {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    while (ogg_stream_flush(&os, &page) != 0) writePage();

    constexpr size_t CHUNK = 1024;
    bool ended = false;
    size_t at = 0;
    while (!ended) {
        const size_t n = std::min(CHUNK, samples.size() - at);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, int(n));
            for (size_t i = 0; i < n; ++i) buffer[0][i] = std::clamp(samples[at + i], -1.0f, 1.0f);
            vorbis_analysis_wrote(&vd, int(n));
            at += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &packet) == 1) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    writePage();
                    if (ogg_page_eos(&page)) ended = true;
                }
            }
        }
        if (n == 0 && !ended) {   // the last packets are out; flush whatever page is left
            while (ogg_stream_flush(&os, &page) != 0) writePage();
            ended = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

void addSoundArtwork(DataSet& set)
{
    static const char* const ENGINE_MEMBERS[ENGINE_LOOP_COUNT] = {"low.ogg", "med.ogg", "max.ogg"};
    for (int i = 0; i < ENGINE_LOOP_COUNT; ++i)
        set.add(ENGINE_MEMBERS[i], encodeVorbis(synthesizeEngineLoop(i), ENGINE_SOUND_RATE, 0.3f, 0x51A0 + i));
    set.add("music.ogg", encodeVorbis(synthesizeMusic(), MUSIC_SOUND_RATE, 0.0f, 0x51A8));
}

} // namespace qm
