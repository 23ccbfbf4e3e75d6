// The saver's sound from start to end: binding the audio module and initialising it, starting the
// music and the engines with the output muted, the user's volume before the first frame, and
// putting the saved volume back at exit. Shared by the saver run and quillmark-render.
#pragma once
#include <cstdint>

namespace qm {

// Loads folder + "/bass.so" and initialises it for the window: device 1, 44,100 Hz, 3D; on
// success starts the output and sets the 3D factors. False only when the module is missing or
// incomplete (the saver then ends with exit code 0 and no message); an initialisation that fails
// leaves the program silent.
bool bindAudio(const char* folder, void* window);
// The same module on its loopback device at `frequency` Hz, for rendering to a file. False when
// the module, its loopback rendering or the initialisation is missing.
bool bindLoopbackAudio(const char* folder, uint32_t frequency);
// After the grid and the transition texture: saves the output volume, mutes, starts the music
// when "EnableMusic" is on and the engines of cars 0 to 17 when "EnableSFX" is on.
void startAudio();
// Before the first frame: the output volume of the "Volume" setting.
void applyAudioVolume();
// After the frame loop: the saved volume back, then stop, free and unload the module.
void shutdownAudio();
// Forgets the saved volume and the music (tests); the module stays as it is.
void resetAudioStartup();

} // namespace qm
