// The seventeen default camera moves of quillmark-mkdata, read back by the saver's own reader: each
// a distinct move of 3 to 8 seconds whose camera never enters the car or sinks under the road.
#include "assets/asset_stream.h"
#include "camera/keyframe_track.h"
#include "render/gl_matrix.h"
#include "tests/support/data_rar.h"
#include "tools/mkdata/artwork.h"
#include "tools/mkdata/car_artwork.h"

#include <gtest/gtest.h>
#include <cmath>
#include <set>
#include <string>

namespace qm {
namespace {

// Model units to scene-file units: bodies are scaled by 0.0011 into world units, and a scene
// file unit is a tenth of a world unit.
constexpr float MODEL_TO_SCENE = 0.011f;
// The camera's near plane is 0.02 world units: keep more than that clear of the body.
constexpr float CLEARANCE = 0.3f;
// Lowest camera height above the road, in scene units (0.1 world units).
constexpr float LOWEST = 1.0f;

bool insideCar(Vec3 p)
{
    return p.x > PAINT_X0 * MODEL_TO_SCENE - CLEARANCE && p.x < PAINT_X1 * MODEL_TO_SCENE + CLEARANCE &&
           p.y > PAINT_Y0 * MODEL_TO_SCENE - CLEARANCE && p.y < PAINT_Y1 * MODEL_TO_SCENE + CLEARANCE &&
           p.z < PAINT_Z1 * MODEL_TO_SCENE + CLEARANCE;
}

TEST(SceneArtwork, SeventeenDistinctMovesThatStayOutsideTheCarAndAboveTheRoad)
{
    DataSet set;
    addSceneFiles(set);
    std::set<std::string> texts;
    for (int i = 0; i < SCENE_COUNT; ++i) {
        const std::string name = "scene" + std::to_string(i) + ".txt";
        SCOPED_TRACE(name);
        const RarEntry* member = set.find(name);
        ASSERT_NE(member, nullptr);
        texts.insert(std::string(member->data.begin(), member->data.end()));

        AssetStream stream;
        test::adoptCopy(stream, member->data);
        KeyframeTrack track;
        track.load(stream);
        track.prepare();
        ASSERT_GE(track.size(), 2u);
        const auto& keys = track.keyframes();
        for (size_t k = 1; k < keys.size(); ++k) EXPECT_GT(keys[k].time, keys[k - 1].time);
        EXPECT_EQ(keys[0].time, 0.0f) << "the move starts with the shot";
        const float seconds = track.duration() / KEYFRAME_CLOCK_RATE;
        EXPECT_GE(seconds, 3.0f);
        EXPECT_LE(seconds, 8.0f);
        for (const Keyframe& key : keys) {
            const Quat& q = key.orientation;
            EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f, 1e-4f);
        }

        float lowest = 1e9f;
        for (float t = 0; t < track.duration(); t += 0.05f) {
            const KeyframeSample s = track.sample(t);
            ASSERT_FALSE(s.ended) << t;
            ASSERT_FALSE(insideCar(s.position)) << "inside the car at clock " << t << ": (" << s.position.x << ", "
                                                << s.position.y << ", " << s.position.z << ")";
            lowest = std::min(lowest, s.position.z);
            // The picture's up never points down: the horizon stays the right way up.
            const GLMatrix m = quatToMatrix(s.orientation);
            EXPECT_GT(m[10], -0.05f) << t;
        }
        EXPECT_GE(lowest, LOWEST);
        EXPECT_TRUE(track.sample(track.duration()).ended);
    }
    EXPECT_EQ(texts.size(), size_t(SCENE_COUNT)) << "every scene file is its own move";
}

} // namespace
} // namespace qm
