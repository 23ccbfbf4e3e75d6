// quillmark-render films with the camera director when given no eye and target, and its trace
// reports what the director did in every frame.
#include "tests/camera/camera_test_support.h"
#include "tests/support/data_rar.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace qm {
namespace {

std::string rendererPath()
{
    const char* binary = std::getenv("QM_BINARY_DIR");
    return std::string(binary ? binary : ".") + "/bin/quillmark-render";
}

// A circle of radius 40 + k as a corridor member: 233 records of x, y, z, steer (float32 LE).
std::vector<uint8_t> circleCorridor(int k)
{
    std::vector<uint8_t> bytes;
    auto put = [&](float v) {
        uint8_t b[4];
        std::memcpy(b, &v, 4);
        bytes.insert(bytes.end(), b, b + 4);
    };
    for (int i = 0; i < 233; ++i) {
        const double a = 2.0 * M_PI * i / 233.0;
        put(float((40.0 + k) * std::cos(a)));
        put(float((40.0 + k) * std::sin(a)));
        put(0.0f);
        put(0.0f);
    }
    return bytes;
}

// Every scene: 3 units behind and 1 above the car, looking along its forward axis, for 2 s.
const char* SCENE = "chase\nkeyframe\ntime 0\nposition V(0 -30 10)\nquaternion Q(0 0 0.70710677 0.70710677)\nend\n"
                    "keyframe\ntime 12\nposition V(0 -30 10)\nquaternion Q(0 0 0.70710677 0.70710677)\nend\nENDKEYS\n";

struct FrameTrace {
    std::string line;
    int followed = -1;
    bool keyframed = false;
    int scene = -2;
    double clock = 0, fov = 0;
    Vec3 eye{0, 0, 0}, viewDir{0, 0, 0}, viewUp{0, 0, 0}, car{0, 0, 0};
    int shotCount = -1, shotLimit = -1, sectionCount = -1;
};

// The text after "name": in the line, from position `from`; npos when absent.
size_t valueAt(const std::string& line, const std::string& name, size_t from = 0)
{
    const size_t at = line.find("\"" + name + "\":", from);
    return at == std::string::npos ? at : at + name.size() + 3;
}

bool readNumber(const std::string& line, const std::string& name, double& value)
{
    const size_t at = valueAt(line, name);
    if (at == std::string::npos) return false;
    value = std::strtod(line.c_str() + at, nullptr);
    return true;
}

bool readVec(const std::string& line, size_t at, Vec3& v)
{
    if (at == std::string::npos || line[at] != '[') return false;
    char* end = nullptr;
    const char* p = line.c_str() + at + 1;
    v.x = std::strtof(p, &end);
    v.y = std::strtof(end + 1, &end);
    v.z = std::strtof(end + 1, &end);
    return *end == ']';
}

bool parse(const std::string& line, FrameTrace& t)
{
    t.line = line;
    double v = 0;
    if (!readNumber(line, "followed", v)) return false;
    t.followed = int(v);
    const size_t k = valueAt(line, "keyframed");
    if (k == std::string::npos) return false;
    t.keyframed = line.compare(k, 4, "true") == 0;
    if (!readNumber(line, "scene", v)) return false;
    t.scene = int(v);
    if (!readNumber(line, "clock", t.clock) || !readNumber(line, "fov", t.fov)) return false;
    if (!readVec(line, valueAt(line, "eye"), t.eye) || !readVec(line, valueAt(line, "viewDir"), t.viewDir) ||
        !readVec(line, valueAt(line, "viewUp"), t.viewUp))
        return false;
    if (!readNumber(line, "shotCount", v)) return false;
    t.shotCount = int(v);
    if (!readNumber(line, "shotLimit", v)) return false;
    t.shotLimit = int(v);
    if (!readNumber(line, "followedSectionCount", v)) return false;
    t.sectionCount = int(v);
    // The followed car's position: the "position" of the followed-th object in "cars".
    size_t at = valueAt(line, "cars");
    for (int i = 0; i <= t.followed && at != std::string::npos; ++i) at = valueAt(line, "position", at);
    return readVec(line, at, t.car);
}

TEST(RenderTrace, TheDirectorFilmsAndTheTraceSaysHow)
{
    test::ScratchFolder folder;
    std::vector<RarEntry> members = {
        {"corr.ase", circleCorridor(0)}, {"corr2.ase", circleCorridor(1)},
        {"corr3.ase", circleCorridor(2)}, {"corr4.ase", circleCorridor(3)},
        {"test.txt", test::bytesOf("test\nend\n")}, {"land.txt", test::bytesOf("land\nend\n")},
    };
    for (int i = 0; i < 17; ++i) members.push_back({"scene" + std::to_string(i) + ".txt", test::bytesOf(SCENE)});
    test::packDataRar(members);
    const std::string command =
        rendererPath() + " --seed 3 --dt 0.05 --frames 900 --size 64x48 --trace trace.jsonl >render.out 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << test::readText("render.out");

    std::ifstream in("trace.jsonl");
    std::vector<FrameTrace> frames;
    for (std::string line; std::getline(in, line);) {
        FrameTrace t;
        ASSERT_TRUE(parse(line, t)) << line.substr(0, 400);
        frames.push_back(t);
    }
    ASSERT_EQ(frames.size(), 900u);

    int keyframedShots = 0, tracksideShots = 0, transitions = 0;
    bool previousKeyframed = frames[0].keyframed;
    for (size_t n = 0; n < frames.size(); ++n) {
        const FrameTrace& t = frames[n];
        SCOPED_TRACE("frame " + std::to_string(n + 1));
        ASSERT_GE(t.followed, 0);
        ASSERT_LT(t.followed, 18);
        EXPECT_EQ(t.keyframed, t.scene != -1);
        EXPECT_LE(t.shotCount, t.shotLimit);
        if (t.keyframed) {
            EXPECT_GE(t.scene, 0);
            EXPECT_LE(t.scene, 16);
            EXPECT_EQ(t.fov, 60.0);
            EXPECT_NEAR(length(t.eye - t.car), std::sqrt(10.0f), 1e-3f);
            EXPECT_GT(dot(t.viewDir, t.car - t.eye), 0.0f) << "looking ahead, past the car";
        } else {
            EXPECT_VEC_NEAR(t.viewDir, normalized(t.car - t.eye), 1e-4f);
            EXPECT_VEC_NEAR(t.viewUp, Vec3(0, 0, 1), 0);
            EXPECT_GT(t.fov, 0.0);
            EXPECT_LE(t.fov, 60.0);
        }
        if (n == 0) continue;
        const FrameTrace& before = frames[n - 1];
        const bool newShot = t.shotCount != before.shotCount;
        if (newShot) {
            EXPECT_FALSE(previousKeyframed && t.keyframed) << "two keyframed shots in a row";
            previousKeyframed = t.keyframed;
            (t.keyframed ? keyframedShots : tracksideShots) += 1;
            if (t.shotCount == 1 && before.shotCount != 0) {
                ++transitions;
                EXPECT_EQ(before.shotCount, before.shotLimit);
                EXPECT_GE(t.shotLimit, 7);
            } else {
                EXPECT_EQ(t.shotCount, before.shotCount + 1);
            }
        } else if (t.keyframed) {
            EXPECT_NEAR(t.clock, before.clock + 0.3, 1e-4) << "6 clock units a second";
            EXPECT_EQ(t.followed, before.followed);
        } else {
            EXPECT_GE(t.sectionCount, before.sectionCount);
            EXPECT_EQ(t.followed, before.followed);
        }
    }
    EXPECT_GE(keyframedShots, 1);
    EXPECT_GE(tracksideShots, 1);
    EXPECT_GE(transitions, 1);
}

} // namespace
} // namespace qm
