// The picture captured at a scene change and the four ways it leaves the screen over two seconds:
// cross-fade, slide to the right, tip away about the diagonal, spin-and-recede.
#pragma once
#include "host/scene_transition.h"
#include "render/gl.h"

namespace qm {

constexpr float TRANSITION_SECONDS = 2.0f;
constexpr int TRANSITION_TEXTURE_SIZE = 512;
// Where the picture is drawn in the back buffer before it is copied.
constexpr int CAPTURE_X = 20;
constexpr int CAPTURE_Y = 20;

// The 512 x 512 RGB texture the picture is copied into (0 until created).
GLuint& transitionTexture();
// Start-up: one mipmapped 512 x 512 RGB texture, linear filters. It starts black, so any part a
// small window cannot capture stays black.
void createTransitionTexture();
void resetTransitionTexture();

// The part of the capture square that lies inside a window of the given size, in back-buffer
// pixels; width or height 0 when none does. The texture offset is (x - CAPTURE_X, y - CAPTURE_Y).
struct CaptureArea {
    int x, y, width, height;
};
CaptureArea captureArea(int windowWidth, int windowHeight);

// Advances a running transition by dt. True when it is to be drawn this frame, with its progress
// in [0, 1); at 2 seconds or more it ends (inactive, elapsed 0) and is not drawn.
bool advanceTransition(SceneTransition& transition, float dt, float& progress);

// Draws the captured picture with the transition's current effect at progress p, over the live
// scene.
void drawTransition(float p);

} // namespace qm
