// quillmark-render's run: the saver's start-up on an offscreen Mesa context with a fixed seed and
// frame time, PNG files of the loading frame and of every K-th frame, and timing figures.
#pragma once
#include "tools/render/render_options.h"

#include <cstdint>
#include <vector>

namespace qm {

struct RenderTimings {
    double startUpMs = 0;
    std::vector<double> frameMs;

    double medianMs() const;
    double percentileMs(double fraction) const;  // nearest rank
};

class HeadlessRenderer {
public:
    virtual ~HeadlessRenderer() = default;

    // Returns the process exit code: 0 done, 1 no GL context or a file that could not be written.
    int run(const RenderOptions& options);
    const RenderTimings& timings() const { return timings_; }

private:
    bool startUp(const RenderOptions& options);
    bool drawFrames(const RenderOptions& options);
    bool saveFrame(const RenderOptions& options, const std::string& name) const;
    // --audio: the loopback mix of frames up to n (n x dt x 44,100 sample frames in all).
    bool mixSound(const RenderOptions& options, int n);
    bool saveSound(const RenderOptions& options);

    RenderTimings timings_;
    std::vector<int16_t> sound_;   // interleaved left, right
};

} // namespace qm
