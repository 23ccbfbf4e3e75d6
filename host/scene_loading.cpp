#include "host/scene_loading.h"
#include "camera/camera_director.h"
#include "camera/keyframe_track.h"
#include "assets/texture.h"
#include "cars/car.h"
#include "cars/car_resources.h"
#include "host/fixed_view.h"
#include "host/frame_rate_counter.h"
#include "overlay/digit_text.h"
#include "overlay/loading_screen.h"
#include "render/extensions.h"
#include "render/render_script.h"
#include "world/track.h"

namespace qm {

void presentLoadingScreen()
{
    captureInitialView();
    loadingScreen().build();
    loadingScreen().present();
}

void loadSceneAssets()
{
    loadExtensions();
    digitText().build();
    testScript().load("test.txt");
    landScript().load("land.txt");
    loadTracks();
    loadCarResources();
    loadLiveries();
    formGrid();
    loadSceneTracks();
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
    resetTextureCache();
    resetFixedView();
    resetFrameRateCounter();
}

} // namespace qm
