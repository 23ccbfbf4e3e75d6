// The audio predictor shared by the unpacker and the writer, against a plain reference that keeps
// its eleven error sums in 32-bit integers: ordinary, noisy and full-scale data, one to four channels.
#include "archive_test_support.h"

#include "assets/rar20_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

namespace qm::test {
namespace {

using namespace rar20;

struct ReferenceChannel {
    int32_t w[5] = {}, d1 = 0, d2 = 0, d3 = 0, d4 = 0, lastDelta = 0, lastByte = 0;
    uint32_t errors[11] = {}, count = 0;
};

// Decodes one delta the way the format defines it.
uint8_t referenceStep(ReferenceChannel& v, int32_t& channelDelta, uint32_t delta)
{
    v.count++;
    v.d4 = v.d3;
    v.d3 = v.d2;
    v.d2 = v.lastDelta - v.d1;
    v.d1 = v.lastDelta;
    int32_t p = ((8 * v.lastByte + v.w[0] * v.d1 + v.w[1] * v.d2 + v.w[2] * v.d3 + v.w[3] * v.d4 +
                  v.w[4] * channelDelta) >> 3) & 0xFF;
    int32_t ch = p - int32_t(delta);
    int32_t e = int32_t(int8_t(uint8_t(delta))) * 8;
    const int32_t terms[5] = {v.d1, v.d2, v.d3, v.d4, channelDelta};
    v.errors[0] += uint32_t(std::abs(e));
    for (int t = 0; t < 5; ++t) {
        v.errors[1 + 2 * t] += uint32_t(std::abs(e - terms[t]));
        v.errors[2 + 2 * t] += uint32_t(std::abs(e + terms[t]));
    }
    v.lastDelta = channelDelta = int8_t(uint8_t(ch - v.lastByte));
    v.lastByte = ch;
    if (v.count % 32 == 0) {
        uint32_t best = 0;
        for (uint32_t i = 1; i < 11; ++i)
            if (v.errors[i] < v.errors[best]) best = i;
        for (uint32_t& x : v.errors) x = 0;
        if (best) {
            int32_t& w = v.w[(best - 1) / 2];
            if (best & 1) {
                if (w >= -16) --w;
            } else if (w < 16) {
                ++w;
            }
        }
    }
    return uint8_t(ch);
}

// Runs both predictors over the same deltas; false at the first byte where they differ.
bool predictorsAgree(const Bytes& deltas, uint32_t channels)
{
    AudioChannelState ours[MAX_CHANNELS];
    ReferenceChannel reference[MAX_CHANNELS];
    int32_t ourDelta = 0, referenceDelta = 0;
    for (size_t i = 0; i < deltas.size(); ++i) {
        uint32_t c = uint32_t(i % channels);
        int32_t prediction = audioPredict(ours[c], ourDelta);
        uint8_t a = audioUpdate(ours[c], ourDelta, prediction, deltas[i]);
        uint8_t b = referenceStep(reference[c], referenceDelta, deltas[i]);
        if (a != b) return false;
    }
    for (uint32_t c = 0; c < channels; ++c)
        for (int t = 0; t < 5; ++t)
            if (ours[c].weights[t] != reference[c].w[t]) return false;
    return true;
}

TEST(AudioPredictor, AgreesWithThePlainReference)
{
    Bytes small(60000), fullScale(60000);
    std::mt19937 r(50);
    for (size_t i = 0; i < small.size(); ++i) small[i] = uint8_t(int(r() % 9) - 4);
    // Every delta 0x80 or 0x7F: errors of 8 * 128 against terms of up to 255, the largest sums.
    for (size_t i = 0; i < fullScale.size(); ++i) fullScale[i] = (r() % 4) ? 0x80 : 0x7F;
    const Bytes cases[] = {small, randomData(60000, 51), fullScale};
    for (const Bytes& deltas : cases)
        for (uint32_t channels = 1; channels <= MAX_CHANNELS; ++channels)
            EXPECT_TRUE(predictorsAgree(deltas, channels)) << channels << " channels";
}

#if defined(__SSE2__)
// Both ways of booking the step errors keep the same sums and history.
TEST(AudioPredictor, VectorAndPortableBookingAgree)
{
    AudioChannelState a, b;
    int32_t deltaA = 0, deltaB = 0;
    std::mt19937 r(52);
    for (int i = 0; i < 20000; ++i) {
        uint32_t delta = r() % 256;
        int16_t error = int16_t(int8_t(uint8_t(delta)) * 8);
        int32_t pa = audioPredict(a, deltaA), pb = audioPredict(b, deltaB);
        audioBookErrorsVector(a, deltaA, error);
        audioBookErrorsPortable(b, deltaB, error);
        for (int lane = 0; lane < 8; ++lane) {
            ASSERT_EQ(a.errorsDown[lane], b.errorsDown[lane]) << i;
            ASSERT_EQ(a.errorsUp[lane], b.errorsUp[lane]) << i;
            ASSERT_EQ(a.history[lane], b.history[lane]) << i;
        }
        // The rest of the step, as audioUpdate does it, without booking again.
        for (auto [v, d, p] : {std::tuple{&a, &deltaA, pa}, std::tuple{&b, &deltaB, pb}}) {
            int32_t ch = p - int32_t(delta);
            v->lastDelta = *d = int8_t(uint8_t(ch - v->lastByte));
            v->lastByte = ch;
            if (v->byteCount % 32 == 0) audioAdapt(*v);
        }
    }
}
#endif

} // namespace
} // namespace qm::test
