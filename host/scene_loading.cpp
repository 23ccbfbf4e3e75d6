#include "host/scene_loading.h"
#include "assets/texture.h"
#include "camera/camera_director.h"
#include "camera/keyframe_track.h"
#include "cars/car.h"
#include "cars/car_resources.h"
#include "host/audio_startup.h"
#include "host/fixed_view.h"
#include "host/frame_rate_counter.h"
#include "host/quit_during_loading.h"
#include "host/shot_counter.h"
#include "host/transition_effects.h"
#include "overlay/digit_text.h"
#include "overlay/loading_screen.h"
#include "render/extensions.h"
#include "render/render_script.h"
#include "world/sky_dome.h"
#include "world/sun_flare.h"
#include "world/track.h"

namespace qm {

void loadAndStartScene()
{
    endRunIfQuitPending();
    loadSceneAssets();
    endRunIfQuitPending();
    setQuitDuringLoading(nullptr);
    startShotCounting();
    startAudio();
    startFirstShot();
    applyAudioVolume();
}

void presentLoadingScreen()
{
    captureInitialView();
    loadingScreen().build();
    loadingScreen().present();
}

void loadSunAndFlare()
{
    SunFlare& sun = sunFlare();
    sun.loadSunTexture("sun.jpg");
    sun.loadElementTexture("tlens.jpg", 0);
    sun.loadElementTexture("tlens.jpg", 1);
    sun.loadElementTexture("rlens.jpg", 2);
    sun.drawElements = true;
}

void loadSceneAssets()
{
    loadExtensions();
    digitText().build();
    testScript().load("test.txt");
    endRunIfQuitPending();
    landScript().load("land.txt");
    endRunIfQuitPending();
    loadTracks();
    endRunIfQuitPending();
    loadCarResources();
    endRunIfQuitPending();
    loadSky();
    loadSunAndFlare();
    endRunIfQuitPending();
    loadLiveries();
    endRunIfQuitPending();
    formGrid();
    loadSceneTracks();
    // The scene-change counters are set by startShotCounting; neither needs the other first.
    createTransitionTexture();
}

void resetSceneAssets()
{
    resetLoadingScreen();
    resetDigitText();
    resetRenderScripts();
    resetTracks();
    resetCarResources();
    resetCars();
    resetSceneTracks();
    resetCameraDirector();
    resetSky();
    resetSunFlare();
    resetTransitionTexture();
    resetTextureCache();
    resetFixedView();
    resetFrameRateCounter();
}

} // namespace qm
