// The seventeen keyframed camera moves "scene0.txt" .. "scene16.txt": each a deliberate move in
// the followed car's frame (x right, y forward, z up, in tenths of world units), written as the
// camera's position and an orientation whose x axis is the viewing direction and z axis the up.
//
// The car spans about x -2.8 .. 2.8, y -6.6 .. 7.0 and z 0 .. 3.3 in these units, on a road 32
// wide; every camera stays outside that box and above the road.
#include "tools/mkdata/artwork.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace qm {
namespace {

struct V {
    double x, y, z;
};

V operator-(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V operator+(V a, V b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V operator*(double s, V a) { return {s * a.x, s * a.y, s * a.z}; }
double dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V unit(V a) { return (1.0 / std::sqrt(dot(a, a))) * a; }

struct Q {
    double x, y, z, w;
};

// The rotation whose columns are the axes X, Y, Z, as a unit quaternion.
Q fromAxes(V X, V Y, V Z)
{
    const double m00 = X.x, m10 = X.y, m20 = X.z;
    const double m01 = Y.x, m11 = Y.y, m21 = Y.z;
    const double m02 = Z.x, m12 = Z.y, m22 = Z.z;
    const double trace = m00 + m11 + m22;
    Q q;
    if (trace > 0) {
        const double s = 2.0 * std::sqrt(trace + 1.0);
        q = {(m21 - m12) / s, (m02 - m20) / s, (m10 - m01) / s, 0.25 * s};
    } else if (m00 > m11 && m00 > m22) {
        const double s = 2.0 * std::sqrt(1.0 + m00 - m11 - m22);
        q = {0.25 * s, (m01 + m10) / s, (m02 + m20) / s, (m21 - m12) / s};
    } else if (m11 > m22) {
        const double s = 2.0 * std::sqrt(1.0 + m11 - m00 - m22);
        q = {(m01 + m10) / s, 0.25 * s, (m12 + m21) / s, (m02 - m20) / s};
    } else {
        const double s = 2.0 * std::sqrt(1.0 + m22 - m00 - m11);
        q = {(m02 + m20) / s, (m12 + m21) / s, 0.25 * s, (m10 - m01) / s};
    }
    const double n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    return {q.x / n, q.y / n, q.z / n, q.w / n};
}

// Looking from eye at target, the picture's up as near to `upHint` as the view allows, then
// rolled by `rollDegrees` about the viewing direction (positive: clockwise as seen).
Q lookAt(V eye, V target, V upHint, double rollDegrees)
{
    const V X = unit(target - eye);
    V Z = unit(upHint - dot(upHint, X) * X);
    V Y = cross(Z, X);
    const double a = rollDegrees * M_PI / 180.0;
    const V rolledZ = std::cos(a) * Z + std::sin(a) * Y;
    Z = unit(rolledZ);
    Y = cross(Z, X);
    return fromAxes(X, Y, Z);
}

struct Key {
    double seconds;
    V eye;
    V target;
    double roll = 0.0;
    V up = {0, 0, 1};
};

struct Scene {
    const char* title;
    std::vector<Key> keys;
};

// Where the car is worth looking at: the cockpit, a little above the ground.
constexpr V CAR = {0, 0, 1.5};
constexpr V TAIL = {0, -5, 1.5};

V around(double radius, double degrees, double height)
{
    // 0 degrees is straight behind the car, 90 to its right, 180 ahead.
    const double a = degrees * M_PI / 180.0;
    return {radius * std::sin(a), -radius * std::cos(a), height};
}

const std::vector<Scene>& scenes()
{
    static const std::vector<Scene> all = {
        {"chase: closing in from behind",
         {{0, {0, -30, 9}, CAR}, {2.5, {-2.5, -20, 6}, CAR}, {5, {0, -12.5, 4.2}, {0, 4, 1.5}}}},
        {"fly-by: the car overtakes a camera on its right",
         {{0, {12, 45, 3.5}, CAR}, {1.5, {11, 18, 3}, CAR}, {2.5, {9, 0, 2.8}, CAR}, {3.5, {11, -18, 3}, CAR},
          {5, {12, -45, 4}, CAR}}},
        {"orbit: half a turn around the car, from behind to ahead",
         {{0, around(20, 0, 7), CAR}, {1.5, around(20, 45, 7), CAR}, {3, around(20, 90, 6), CAR},
          {4.5, around(20, 135, 5), CAR}, {6, around(20, 180, 4.5), CAR}}},
        {"low front: just ahead of the nose, looking back along the car",
         {{0, {3, 15, 1.8}, CAR}, {2, {0, 12, 1.6}, CAR}, {4, {-3, 10.5, 1.8}, TAIL}}},
        {"wheel: close to the right front wheel, then pulling away",
         {{0, {6.5, 7.5, 1.4}, {2.8, 4.5, 0.8}}, {2, {8.5, 6, 2}, {2.5, 4, 0.9}}, {4, {16, 2, 4.5}, CAR}}},
        {"helicopter: high above, sinking and turning in",
         {{0, {-20, -40, 90}, CAR}, {3, {-25, 0, 65}, CAR}, {6, {-18, 30, 40}, CAR}}},
        {"onboard: over the driver's shoulder",
         {{0, {0, -4, 5.2}, {0, 60, 2.5}}, {2.5, {0.6, -3.5, 5.0}, {0, 60, 2.0}},
          {5, {0, -4, 5.2}, {0, 60, 2.5}}}},
        {"side: level with the car on its left, drifting forward",
         {{0, {-13, -9, 3}, CAR}, {2.5, {-11, 0, 2.6}, CAR}, {5, {-13, 9, 3}, CAR}}},
        {"rear: low behind the gearbox, rising away",
         {{0, {0, -13, 2.0}, {0, 10, 1.5}}, {2, {0, -18, 4}, CAR}, {4, {2, -30, 12}, CAR}}},
        {"crane: rising from the road ahead right to look down on the car",
         {{0, {16, 22, 2.0}, CAR}, {3, {14, 16, 20}, CAR}, {6, {8, 6, 48}, CAR}}},
        {"pull-away: the car leaves the camera behind",
         {{0, {-6, -14, 4}, CAR}, {2.5, {-10, -40, 10}, CAR}, {5, {-14, -80, 22}, CAR}}},
        {"spiral: climbing once round the car",
         {{0, around(22, -30, 3), CAR}, {1.6, around(24, 60, 8), CAR}, {3.2, around(26, 150, 14), CAR},
          {4.8, around(28, 240, 20), CAR}, {6.4, around(30, 330, 26), CAR}, {8, around(32, 420, 30), CAR}}},
        {"sidepod: low beside the cockpit, the front wheel and the road rushing by",
         {{0, {4.3, -1.5, 2.2}, {3.2, 40, 0.8}}, {2.5, {4.3, -0.5, 2.0}, {2.6, 40, 0.6}},
          {5, {4.3, -1.5, 2.2}, {3.2, 40, 0.8}}}},
        {"reverse angle: ahead of the car, the car catching the camera",
         {{0, {-4, 45, 8}, CAR}, {2.5, {-2, 28, 5}, CAR}, {5, {2, 16, 3.5}, CAR}}},
        {"overhead: straight down, tilting forward",
         {{0, {0, -2, 45}, CAR, 0, {0, 1, 0}}, {2.5, {0, -6, 38}, {0, 2, 0}, 0, {0, 1, 0}},
          {5, {0, -22, 26}, {0, 12, 0}}}},
        {"sweep: round the nose from the right to the left",
         {{0, around(24, 80, 4), CAR}, {1.5, around(24, 130, 4.5), CAR}, {3, around(24, 180, 5), CAR},
          {4.5, around(24, 230, 4.5), CAR}, {6, around(24, 280, 4), CAR}}},
        {"tilted: rear three-quarter, rolling level",
         {{0, {12, -20, 5}, CAR, 18}, {2.5, {9, -17, 4}, CAR, 8}, {5, {6, -14, 3.5}, CAR, 0}}},
    };
    return all;
}

std::string number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", std::fabs(v) < 5e-7 ? 0.0 : v);
    return text;
}

std::string sceneText(int index, const Scene& scene)
{
    std::string text = "Quillmark camera scene " + std::to_string(index) + ": " + scene.title + "\n";
    Q previous = {0, 0, 0, 1};
    for (size_t k = 0; k < scene.keys.size(); ++k) {
        const Key& key = scene.keys[k];
        Q q = lookAt(key.eye, key.target, key.up, key.roll);
        // Neighbouring keys on the same side of the quaternion sphere read more plainly.
        if (k > 0 && q.x * previous.x + q.y * previous.y + q.z * previous.z + q.w * previous.w < 0)
            q = {-q.x, -q.y, -q.z, -q.w};
        previous = q;
        text += "keyframe\n";
        text += "time " + number(key.seconds * 6.0) + "\n";
        text += "position V(" + number(key.eye.x) + " " + number(key.eye.y) + " " + number(key.eye.z) + ")\n";
        text += "quaternion Q(" + number(q.x) + " " + number(q.y) + " " + number(q.z) + " " + number(q.w) + ")\n";
        text += "end\n";
    }
    return text + "ENDKEYS\n";
}

} // namespace

void addSceneFiles(DataSet& set)
{
    const std::vector<Scene>& all = scenes();
    for (size_t i = 0; i < all.size(); ++i)
        set.addText("scene" + std::to_string(i) + ".txt", sceneText(int(i), all[i]));
}

} // namespace qm
