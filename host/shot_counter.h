// Counting camera shots: every few shots the scene changes with a transition.
#pragma once

namespace qm {

// Where the frame loop learns that a shot is over and how it starts the next one; the camera
// director provides both. Without a source no shot ever ends.
struct ShotSource {
    bool (*shotEnded)() = nullptr;
    void (*startNextShot)() = nullptr;   // picks the followed car and the shot; clears shotEnded
};

// The camera director's shots: the source the frame loop starts with.
ShotSource cameraShotSource();
void setShotSource(const ShotSource& source);

// Start of the run: shotCount 0, shotLimit 5..10, then the transition effect 0..3 (two draws).
void startShotCounting();
// The first shot of the run, which does not count.
void startFirstShot();
bool shotHasEnded();
// A shot ended: at shotLimit the transition starts (picture captured, shotLimit 7..10, effect
// 0..3, a new grid); then the next shot starts and counts.
void onShotEnded();

}
