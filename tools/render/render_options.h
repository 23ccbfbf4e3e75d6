// The command line of quillmark-render, the headless deterministic renderer.
#pragma once
#include "render/vec3.h"

#include <cstdint>
#include <string>

namespace qm {

struct RenderOptions {
    uint32_t seed = 1;            // --seed S: the random generator's seed
    float dt = 1.0f / 60.0f;      // --dt SECONDS: the fixed frame time
    std::string outDir;           // --out DIR: where the PNG files go (none written without it)
    int every = 1;                // --every K: write every K-th frame
    int frames = 1;               // --frames N: frames to draw after start-up
    int width = 1024;             // --size WxH
    int height = 768;
    std::string tracePath;        // --trace FILE: one JSON line per frame
    std::string audioPath;        // --audio FILE: the run's sound as a 16-bit 44.1 kHz stereo WAV
    bool hasView = false;         // --eye X,Y,Z and --look X,Y,Z, given together
    Vec3 eye{0, 0, 0};
    Vec3 look{0, 0, 0};
};

// Parses argv[1..]; false with a reason in *error for anything it does not know or accept.
bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string* error);
const char* renderUsage();

} // namespace qm
