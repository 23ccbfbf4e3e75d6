// quillmark-render on the default artwork with a seed whose shot cycle reaches a scene change:
// the trace shows the transition running for two seconds, and the frames show the captured
// picture of the old shot leaving the screen over the new one.
#include "tests/support/image_magick.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
using namespace qm::test;

std::string binary(const char* name)
{
    const char* dir = std::getenv("QM_BINARY_DIR");
    return std::string(dir ? dir : ".") + "/bin/" + name;
}

int run(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>>run.err").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct TransitionState {
    int effect = -1;
    bool active = false;
    double elapsed = -1;
};

// "transition":{"effect":e,"active":b,"elapsed":t} of every line, in frame order.
std::vector<TransitionState> transitions(const std::string& traceFile)
{
    std::vector<TransitionState> states;
    const std::string text = readText(traceFile);
    size_t at = 0;
    while ((at = text.find("\"transition\":{", at)) != std::string::npos) {
        TransitionState s;
        char active[8] = {};
        if (std::sscanf(text.c_str() + at, "\"transition\":{\"effect\":%d,\"active\":%5[a-z],\"elapsed\":%lf", &s.effect,
                        active, &s.elapsed) == 3)
            s.active = std::string(active) == "true";
        states.push_back(s);
        ++at;
    }
    return states;
}

int firstActive(const std::vector<TransitionState>& states)
{
    for (size_t i = 0; i < states.size(); ++i)
        if (states[i].active) return int(i) + 1;   // frames count from 1
    return -1;
}

std::string frameFile(int n)
{
    char name[48];
    std::snprintf(name, sizeof name, "shots/frame-%04d.png", n);
    return name;
}

// Share of near-black pixels: the live scene has few (tyres), the captured picture of
// a window smaller than the capture square is black beyond the part the window held.
double blackShare(const std::string& file)
{
    const auto rgb = imageMagickPixels(file, "rgb");
    if (rgb.empty()) return -1;
    size_t black = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) black += rgb[i] < 10 && rgb[i + 1] < 10 && rgb[i + 2] < 10;
    return double(black) / double(rgb.size() / 3);
}

// At 160 x 120 the capture holds only 140 x 100 of its 512 x 512 texels, the rest black: the old
// picture is then easy to tell from the live scene wherever the effect leaves it.
TEST(RenderTransition, CapturedPictureLeavesOverTwoSeconds)
{
    ScratchFolder folder;
    ASSERT_EQ(run(binary("quillmark-mkdata") + " data.rar"), 0) << readText("run.err");
    ASSERT_EQ(run(binary("quillmark-render") + " --seed 4 --dt 0.2 --frames 300 --size 160x120 --out shots --trace t.jsonl"), 0)
        << readText("run.err");
    const auto states = transitions("t.jsonl");
    ASSERT_EQ(states.size(), 300u);
    const int start = firstActive(states);
    ASSERT_GT(start, 1) << "no transition within 60 s at seed 4";
    ASSERT_LE(start + 9, 300);
    // 0.2 s frames: elapsed 0.2 .. 1.8 over 9 drawn frames, then cleared at 2 s.
    for (int k = 0; k < 9; ++k) {
        const TransitionState& s = states[size_t(start - 1 + k)];
        EXPECT_TRUE(s.active) << "frame " << start + k;
        EXPECT_NEAR(s.elapsed, 0.2 * (k + 1), 1e-4) << "frame " << start + k;
        EXPECT_EQ(s.effect, states[size_t(start - 1)].effect);
    }
    const int last = start + 9;
    EXPECT_FALSE(states[size_t(last - 1)].active);
    EXPECT_EQ(states[size_t(last - 1)].elapsed, 0.0);

    const double before = blackShare(frameFile(start - 1)), first = blackShare(frameFile(start));
    const double halfWay = blackShare(frameFile(start + 4)), after = blackShare(frameFile(last));
    // The live scene has little black (tyres, wings); the old picture brings a lot of it.
    EXPECT_GT(first, 0.5) << "the captured picture covers the first frame";
    EXPECT_GT(first, before + 0.3);
    EXPECT_LT(halfWay, first - 0.1) << "on its way out half way through";
    EXPECT_LT(after, first - 0.3) << "only the new shot is left";
}

} // namespace
