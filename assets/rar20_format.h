// RAR 2.0 format knowledge shared by the unpacker and the writer: block and flag numbers, alphabets,
// length and distance codes, and the audio predictor both sides must run identically.
#pragma once
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm::rar20 {

// --- Archive blocks --------------------------------------------------------------------------

constexpr uint8_t MARKER[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
// Our own alternative marker ("Quil" and the same tail), read exactly like the standard one.
constexpr uint8_t ALTERNATIVE_MARKER[7] = {0x51, 0x75, 0x69, 0x6C, 0x1A, 0x07, 0x00};
// Fixed parts of the main header and of a file header, without the name.
constexpr uint32_t MAIN_HEADER_SIZE = 13;
constexpr uint32_t FILE_HEADER_SIZE = 32;
constexpr uint8_t TYPE_MAIN = 0x73;
constexpr uint8_t TYPE_FILE = 0x74;
constexpr uint8_t TYPE_SUB_BLOCK = 0x77;
constexpr uint16_t FLAG_LONG_BLOCK = 0x8000;
constexpr uint16_t MAIN_SOLID = 0x0008;
constexpr uint16_t FILE_ENCRYPTED = 0x0004;
constexpr uint16_t FILE_SOLID = 0x0010;
constexpr uint16_t FILE_DICTIONARY_1M = 0x0080;
constexpr uint8_t METHOD_STORE = 0x30;
constexpr uint8_t METHOD_NORMAL = 0x33;

// --- Alphabets and symbols -------------------------------------------------------------------

constexpr uint32_t MAIN_SYMBOLS = 298;
constexpr uint32_t DISTANCE_SYMBOLS = 48;
constexpr uint32_t REPEAT_SYMBOLS = 28;
constexpr uint32_t BIT_LENGTH_SYMBOLS = 19;
constexpr uint32_t AUDIO_SYMBOLS = 257;
constexpr uint32_t MAX_CHANNELS = 4;
constexpr uint32_t LZ_TABLE_SIZE = MAIN_SYMBOLS + DISTANCE_SYMBOLS + REPEAT_SYMBOLS;
constexpr uint32_t OLD_LENGTHS = AUDIO_SYMBOLS * MAX_CHANNELS;
constexpr uint32_t MAX_CODE_BITS = 15;

// Main alphabet: literals below SYMBOL_LAST, then last match, old distances, short distances,
// the table switch and long matches.
constexpr uint32_t SYMBOL_LAST = 256;
constexpr uint32_t SYMBOL_OLD = 257;
constexpr uint32_t SYMBOL_SHORT = 261;
constexpr uint32_t SYMBOL_NEW_TABLES = 269;
constexpr uint32_t SYMBOL_LONG = 270;
constexpr uint32_t AUDIO_NEW_TABLES = 256;

// Table-set header bits (the top two of the first peek).
constexpr uint32_t TABLES_AUDIO = 0x8000;
constexpr uint32_t TABLES_KEEP_OLD = 0x4000;

// Bit-length alphabet: 0-15 are deltas to the old length, then a repeat and two zero runs.
constexpr uint32_t LENGTH_REPEAT = 16;      // 2 extra bits, 3-6 times the previous length
constexpr uint32_t LENGTH_ZEROS = 17;       // 3 extra bits, 3-10 zeros
constexpr uint32_t LENGTH_LONG_ZEROS = 18;  // 7 extra bits, 11-138 zeros

// --- Length and distance codes ---------------------------------------------------------------

constexpr uint8_t LENGTH_BASE[28] = {0,  1,  2,  3,  4,  5,  6,   7,   8,   10,  12,  14,  16,  20,
                                     24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t LENGTH_BITS[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                     2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr uint8_t SHORT_BASE[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t SHORT_BITS[8] = {2, 2, 3, 4, 5, 6, 6, 6};

struct DistanceCodes {
    uint32_t base[DISTANCE_SYMBOLS];
    uint8_t bits[DISTANCE_SYMBOLS];
};

constexpr DistanceCodes buildDistanceCodes()
{
    DistanceCodes d{};
    for (uint32_t i = 0; i < DISTANCE_SYMBOLS; ++i) d.bits[i] = i < 4 ? 0 : i < 34 ? uint8_t((i - 2) / 2) : 16;
    for (uint32_t i = 1; i < DISTANCE_SYMBOLS; ++i) d.base[i] = d.base[i - 1] + (1u << d.bits[i - 1]);
    return d;
}

constexpr DistanceCodes DISTANCE = buildDistanceCodes();

// Far matches carry longer lengths than their codes say: one more from 8 KiB, another from 256 KiB;
// matches at an old distance also gain one from 257 bytes.
constexpr uint32_t longAdjust(uint32_t distance) { return (distance >= 0x2000) + (distance >= 0x40000); }
constexpr uint32_t repeatAdjust(uint32_t distance) { return (distance >= 0x101) + longAdjust(distance); }

// --- Audio predictor -------------------------------------------------------------------------

// Eight 16-bit lanes with element-wise operators (a vector extension of GCC and Clang).
using ErrorLanes = uint16_t __attribute__((vector_size(16)));
using TermLanes = int16_t __attribute__((vector_size(16)));

// One channel's predictor: five weights over the last deltas and the other channel's delta,
// adapted every 32 bytes towards whichever single step would have made the smallest error.
// The error sums of a step down (errorsDown) and up (errorsUp) of weight t stand in lane t;
// lane 5 of errorsDown is the error with no step. A term is at most 255 and an error 8 * 128
// away from it, so 32 bytes of sums fit 16 bits. history holds d1 to d4 in lanes 0 to 3 as well.
struct AudioChannelState {
    int32_t weights[5] = {};
    int32_t d1 = 0, d2 = 0, d3 = 0, d4 = 0;
    int32_t lastDelta = 0;
    ErrorLanes errorsDown = {};
    ErrorLanes errorsUp = {};
    TermLanes history = {};
    uint32_t byteCount = 0;
    int32_t lastByte = 0;
};

// Step 1: shifts the delta history and predicts the channel's next byte (0-255).
inline int32_t audioPredict(AudioChannelState& v, int32_t channelDelta)
{
    v.byteCount++;
    v.d4 = v.d3;
    v.d3 = v.d2;
    v.d2 = v.lastDelta - v.d1;
    v.d1 = v.lastDelta;
    int32_t p = 8 * v.lastByte + v.weights[0] * v.d1 + v.weights[1] * v.d2 + v.weights[2] * v.d3 +
                v.weights[3] * v.d4 + v.weights[4] * channelDelta;
    return (p >> 3) & 0xFF;
}

// Every 32 bytes the weight whose change would have cut the error most moves by one step.
inline void audioAdapt(AudioChannelState& v)
{
    // In the order of the steps: none, then down and up for each weight; the first smallest wins.
    uint32_t errors[11] = {v.errorsDown[5]};
    for (uint32_t t = 0; t < 5; ++t) {
        errors[1 + 2 * t] = v.errorsDown[t];
        errors[2 + 2 * t] = v.errorsUp[t];
    }
    v.errorsDown = ErrorLanes{};
    v.errorsUp = ErrorLanes{};
    uint32_t best = 0;
    for (uint32_t i = 1; i < 11; ++i)
        if (errors[i] < errors[best]) best = i;
    if (best == 0) return;
    int32_t& w = v.weights[(best - 1) / 2];
    if (best & 1) {
        if (w >= -16) --w;
    } else if (w < 16) {
        ++w;
    }
}

inline ErrorLanes laneAbsolute(TermLanes x)
{
    TermLanes sign = x >> 15;
    return ErrorLanes((x ^ sign) - sign);
}

// Books the error of every weight step for one byte (error: 8 times the signed delta), with the
// terms gathered lane by lane.
inline void audioBookErrorsPortable(AudioChannelState& v, int32_t channelDelta, int16_t error)
{
    v.history = TermLanes{int16_t(v.d1), int16_t(v.d2), int16_t(v.d3), int16_t(v.d4), 0, 0, 0, 0};
    TermLanes terms = v.history;
    terms[4] = int16_t(channelDelta);
    TermLanes e = TermLanes{} + error;
    v.errorsDown += laneAbsolute(e - terms);
    v.errorsUp += laneAbsolute(e + terms);
}

#if defined(__SSE2__)
// The same with the history moved on in its register: d3 and d4 are the old d2 and d3.
inline void audioBookErrorsVector(AudioChannelState& v, int32_t channelDelta, int16_t error)
{
    __m128i history = _mm_slli_epi64(__m128i(v.history), 16);
    history = _mm_insert_epi16(history, v.d1, 0);
    history = _mm_insert_epi16(history, v.d2, 1);
    v.history = TermLanes(history);
    __m128i terms = _mm_insert_epi16(history, channelDelta, 4);
    __m128i e = _mm_set1_epi16(error);
    __m128i down = _mm_sub_epi16(e, terms), up = _mm_add_epi16(e, terms);
    __m128i zero = _mm_setzero_si128();
    down = _mm_max_epi16(down, _mm_sub_epi16(zero, down));
    up = _mm_max_epi16(up, _mm_sub_epi16(zero, up));
    v.errorsDown = ErrorLanes(_mm_add_epi16(__m128i(v.errorsDown), down));
    v.errorsUp = ErrorLanes(_mm_add_epi16(__m128i(v.errorsUp), up));
}
#endif

// Step 2: the byte that the coded delta (0-255) makes of the prediction; books the error of every
// possible weight step, moves the history on and adapts when due.
inline uint8_t audioUpdate(AudioChannelState& v, int32_t& channelDelta, int32_t prediction, uint32_t delta)
{
    int32_t ch = prediction - int32_t(delta);
    int16_t error = int16_t(int8_t(uint8_t(delta)) * 8);
#if defined(__SSE2__)
    audioBookErrorsVector(v, channelDelta, error);
#else
    audioBookErrorsPortable(v, channelDelta, error);
#endif
    v.lastDelta = channelDelta = int8_t(uint8_t(ch - v.lastByte));
    v.lastByte = ch;
    if ((v.byteCount & 31) == 0) audioAdapt(v);
    return uint8_t(ch);
}

} // namespace qm::rar20
