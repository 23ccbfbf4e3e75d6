#include "camera/camera_director.h"
#include "camera/keyframe_track.h"
#include "cars/car.h"
#include "render/gl.h"
#include "render/gl_matrix.h"
#include "render/random.h"
#include "world/track.h"

#include <cmath>

namespace qm {
namespace {

constexpr double KEYFRAMED_SHOT_CHANCE = 0.3;
constexpr double FIXED_FIELD_CHANCE = 0.2;
// The zoom compares the line of sight with a point this far from the car, across it.
constexpr float ZOOM_SPAN = 8.0f;

CameraDirector theDirector;
float theKeyframeClock = 0.0f;
Vec3 theTracksideEye{0, 0, 0};
bool theFixedFieldOfView = false;

// trunc(scale x r - offset) for one draw r.
int32_t drawIndex(double scale, double offset = 0.0)
{
    return int32_t(std::trunc(randUnit() * scale - offset));
}

// Before any car is followed the camera stands at the origin in the world's axes.
TrackFrame worldOrigin()
{
    TrackFrame f{};
    f.right = Vec3(1, 0, 0);
    f.forward = Vec3(0, 1, 0);
    f.up = Vec3(0, 0, 1);
    return f;
}

Vec3 toWorldDirection(const TrackFrame& f, Vec3 v)
{
    return v.x * f.right + v.y * f.forward + v.z * f.up;
}

int32_t wrapSection(int32_t s)
{
    return ((s % SECTION_COUNT) + SECTION_COUNT) % SECTION_COUNT;
}

} // namespace

int CameraDirector::followedIndex() const
{
    if (!followedCar) return -1;
    return int(followedCar - cars().data());
}

int CameraDirector::sceneIndex() const
{
    if (!keyframed || !sceneTrack) return -1;
    return int(sceneTrack - sceneTracks().data());
}

void CameraDirector::chooseFollowedCar()
{
    if (followedCar) followedCar->followed = false;
    int32_t i = drawIndex(CAR_COUNT, 0.1);
    if (i < 0) i = 0;
    if (i >= CAR_COUNT) i = CAR_COUNT - 1;
    followedCar = &cars()[size_t(i)];
    followedCar->followed = true;
}

void CameraDirector::pickShot()
{
    keyframeClock() = 0.0f;
    shotEnded = false;
    const bool previousKeyframed = keyframed;
    if (randUnit() < KEYFRAMED_SHOT_CHANCE && !previousKeyframed) {
        // A scene too short to play is passed over for a trackside shot.
        const KeyframeTrack& track = sceneTracks()[size_t(drawIndex(16.9))];
        if (track.usable()) {
            keyframed = true;
            sceneTrack = &track;
            update(0.0f);
            return;
        }
    }
    keyframed = false;
    sceneTrack = nullptr;
    followedSectionCount() = 0;
    setUpTrackside();
}

// The draws in exactly this order: section offset, shot length, fraction, height, y shift,
// x shift, the fixed-zoom choice, the base field of view.
void CameraDirector::setUpTrackside()
{
    const int32_t carSection = followedCar ? followedCar->section : 0;
    const int32_t s = wrapSection(carSection + 6 + drawIndex(2.0));
    shotLength = uint32_t(9 + drawIndex(2.0));
    const float fraction = float(0.2 + 0.4 * randUnit());
    TrackFrame f = followedCar ? followedCar->frame : worldOrigin();
    if (followedCar && followedCar->track) followedCar->track->evaluate(s, fraction, f);
    Vec3& at = tracksideEye();
    at = f.position + Vec3(0, 0, float(0.1 + 1.5 * randUnit()));
    const double ry = randUnit();
    const double rx = randUnit();
    at += Vec3(float(4.0 * rx - 2.0), float(4.0 * ry - 2.0), 0);
    if (randUnit() < FIXED_FIELD_CHANCE) {
        fixedFieldOfView() = true;
        baseFieldOfView = float(20.0 + 40.0 * randUnit());
    } else {
        fixedFieldOfView() = false;
        baseFieldOfView = float(30.0 + 20.0 * randUnit());
    }
}

void CameraDirector::update(float)
{
    if (keyframed) {
        if (!sceneTrack || sceneTrack->size() == 0) return;
        const KeyframeSample s = sceneTrack->sample(keyframeClock());
        carEye = s.position;
        orientation = s.orientation;
        if (s.ended) {
            keyframeClock() = 0.0f;
            shotEnded = true;
        }
        const GLMatrix m = quatToMatrix(orientation);
        carViewDir = Vec3(m[0], m[4], m[8]);
        carViewUp = Vec3(m[2], m[6], m[10]);
    } else if (followedSectionCount() >= int32_t(shotLength)) {
        followedSectionCount() = 0;
        shotEnded = true;
    }
}

void CameraDirector::computeKeyframedView()
{
    const TrackFrame& f = followedCar ? followedCar->frame : worldOrigin();
    eye = f.position + toWorldDirection(f, SCENE_UNIT * carEye);
    viewDir = toWorldDirection(f, carViewDir);
    viewUp = toWorldDirection(f, carViewUp);
    fieldOfView = KEYFRAMED_FIELD_OF_VIEW;
}

// The camera turns to the car and zooms by the angle that 8 units across the line of sight
// subtend at the eye: wide when the car is near, narrow as it drives away.
void CameraDirector::computeTracksideView()
{
    const Vec3 c = followedCar ? followedCar->frame.position : Vec3(0, 0, 0);
    viewUp = Vec3(0, 0, 1);
    eye = tracksideEye();
    if (length(c - eye) > 0.0f) viewDir = normalized(c - eye);
    fieldOfView = baseFieldOfView;
    if (fixedFieldOfView()) return;
    const Vec3 across = cross(eye - c, Vec3(1, 1, 0));
    // On the line through the car along (1, 1, 0) there is no "across": no zoom.
    if (length(across) == 0.0f) return;
    const Vec3 p = c + ZOOM_SPAN * normalized(across);
    const float k = std::fabs(dot(normalized(eye - p), normalized(eye - c)));
    fieldOfView = (1.0f - k) * baseFieldOfView;
}

void CameraDirector::applyView()
{
    if (keyframed) computeKeyframedView();
    else computeTracksideView();

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView, VIEW_ASPECT, double(VIEW_NEAR), VIEW_FAR);
    glMatrixMode(GL_MODELVIEW);
    const Vec3 target = eye + viewDir;
    gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, viewUp.x, viewUp.y, viewUp.z);
}

CameraDirector& cameraDirector()
{
    return theDirector;
}

float& keyframeClock()
{
    return theKeyframeClock;
}

void advanceKeyframeClock(float dt)
{
    theKeyframeClock += KEYFRAME_CLOCK_RATE * dt;
}

Vec3& tracksideEye()
{
    return theTracksideEye;
}

bool& fixedFieldOfView()
{
    return theFixedFieldOfView;
}

ListenerPose cameraListener()
{
    return theDirector.listenerPose();
}

void resetCameraDirector()
{
    theDirector = CameraDirector();
    theKeyframeClock = 0.0f;
    theTracksideEye = Vec3(0, 0, 0);
    theFixedFieldOfView = false;
}

} // namespace qm
