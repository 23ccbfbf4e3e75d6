// The start-up steps that put the scene in place, shared by the saver run and the headless
// renderer: the loading frame right after the windows are shown, then the extension entry
// points, the digit glyphs and the two render scripts.
#pragma once

namespace qm {

// Remembers the initial GL view, builds the loading screen and presents it.
void presentLoadingScreen();
// loadExtensions, DigitText::build, then "test.txt" and "land.txt".
void loadSceneAssets();
// The sun sprite, the flare elements in slots 0, 1, 2, then the flare switched on.
void loadSunAndFlare();
// Empties every process-wide object the two steps fill (tests); GL objects are not deleted.
void resetSceneAssets();

} // namespace qm
