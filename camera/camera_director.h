// The camera director: follows one car at a time and films it with keyframed moves in the car's
// own frame or from trackside cameras that turn and zoom as the car passes; sets the GL view.
#pragma once
#include "cars/engine_sound.h"
#include "render/quat.h"
#include "render/vec3.h"

#include <cstdint>

namespace qm {

class Car;
class KeyframeTrack;

// Every keyframed shot is drawn with this vertical field of view (degrees).
constexpr float KEYFRAMED_FIELD_OF_VIEW = 60.0f;
// The projection's aspect ratio, whatever the window's shape, and its near and far planes.
constexpr double VIEW_ASPECT = 1.3333333333333333;
constexpr float VIEW_NEAR = 0.02f;
constexpr double VIEW_FAR = 250.0;
// Scene files are authored in tenths of world units.
constexpr float SCENE_UNIT = 0.1f;

class CameraDirector {
public:
    virtual ~CameraDirector() = default;

    // A random car of the 18 (the previous one may come again) becomes the followed car.
    void chooseFollowedCar();
    // The next shot: keyframed with probability 0.3 unless the last one was, else trackside.
    void pickShot();
    // Advances the shot by the camera clock; sets shotEnded when it is over. dt is not used.
    void update(float dt);
    // World view from the shot and the followed car's current frame, then the GL projection and
    // look-at (the model-view matrix must be current). Allocates nothing.
    void applyView();

    // The camera as the engines hear it: the world eye and axes of the last applyView.
    ListenerPose listenerPose() const { return {eye, viewDir, viewUp}; }
    // Index of the followed car in cars(), -1 before the first choice.
    int followedIndex() const;
    // Index of sceneTrack in sceneTracks(), -1 for a trackside shot.
    int sceneIndex() const;

    Car* followedCar = nullptr;
    uint32_t shotLength = 0;          // trackside: sections the followed car enters before the cut
    // World values, as applyView leaves them for the sun, the engines and the trace.
    Vec3 viewDir{0, 1, 0};
    Vec3 viewUp{0, 0, 1};
    Vec3 eye{0, 0, 0};
    Quat orientation{0, 0, 0, 1};     // sampled from the scene track
    bool shotEnded = false;
    float fieldOfView = KEYFRAMED_FIELD_OF_VIEW;
    float baseFieldOfView = KEYFRAMED_FIELD_OF_VIEW;   // of the current trackside shot
    bool keyframed = false;
    const KeyframeTrack* sceneTrack = nullptr;
    // The keyframed shot's pose in the followed car's frame (eye in scene-file units), kept apart
    // from the world values so a second applyView in one frame converts nothing twice.
    Vec3 carEye{0, 0, 0};
    Vec3 carViewDir{0, 1, 0};
    Vec3 carViewUp{0, 0, 1};

private:
    void setUpTrackside();
    void computeKeyframedView();
    void computeTracksideView();
};

CameraDirector& cameraDirector();
// Playback time of the keyframed shot in clock units (6 per second).
float& keyframeClock();
// The frame loop's step: the clock runs 6 units per second.
void advanceKeyframeClock(float dt);
// Where the current trackside camera stands, and whether it keeps its base field of view.
Vec3& tracksideEye();
bool& fixedFieldOfView();
// The camera pose the engines hear in this frame's car updates: the previous frame's view.
ListenerPose cameraListener();
// The director, its clock and the trackside globals back to their start-of-process values (tests).
void resetCameraDirector();

} // namespace qm
