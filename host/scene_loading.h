// The start-up steps that put the scene in place, shared by the saver run, the hack and the
// headless renderer: the loading frame right after the windows are shown, then every asset load.
#pragma once

namespace qm {

// Remembers the initial GL view, builds the loading screen and presents it.
void presentLoadingScreen();
// loadExtensions, DigitText::build, "test.txt" and "land.txt", the corridors, the car resources,
// sky, sun and flare, the 18 liveries, the grid, the camera scenes and the transition texture.
void loadSceneAssets();
// Everything from the asset loads to the first shot, shared by the saver, the hack and
// quillmark-render: the loads (ending the run if a quit arrives meanwhile), the scene-change
// counters, music and engines, the first followed car and shot, and the output volume.
void loadAndStartScene();
// The sun sprite, the flare elements in slots 0, 1, 2, then the flare switched on.
void loadSunAndFlare();
// Empties every process-wide object the two steps fill (tests); GL objects are not deleted.
void resetSceneAssets();

} // namespace qm
