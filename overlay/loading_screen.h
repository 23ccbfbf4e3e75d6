// The loading frame presented once at start-up: the picture "load.jpg" on a 200 x 50 overlay-unit
// quad in the middle of a black screen, shown until the first real frame replaces it.
#pragma once
#include "assets/texture.h"
#include "render/render_state.h"

namespace qm {

// Where the picture goes in the overlay space: its centre and half size.
constexpr float LOADING_PICTURE_CENTRE_X = OVERLAY_WIDTH / 2;
constexpr float LOADING_PICTURE_CENTRE_Y = OVERLAY_HEIGHT / 2;
constexpr float LOADING_PICTURE_HALF_WIDTH = 100.0f;
constexpr float LOADING_PICTURE_HALF_HEIGHT = 25.0f;

class LoadingScreen {
public:
    virtual ~LoadingScreen() = default;

    // Compiles the quad (-1..1 in x and y) and loads the picture.
    void build();
    // Draws the loading frame and presents it.
    void present() const;

    GLuint quadList = 0;
    Texture picture;
};

// The process-wide loading screen; resetLoadingScreen returns it to its constructed state.
LoadingScreen& loadingScreen();
void resetLoadingScreen();

} // namespace qm
