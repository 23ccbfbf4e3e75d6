// Frame-time figures of quillmark-render on the default artwork (Mesa's software rasterizer):
// median and 95th percentile over 600 frames of a fixed seed at 1024 x 768 and 1920 x 1080, with
// the time the sun's one-pixel depth read-back waits shown on its own (seed 2 films the sun in
// about 40 % of its first 600 frames).
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string binary(const char* name)
{
    const char* dir = std::getenv("QM_BINARY_DIR");
    return std::string(dir ? dir : ".") + "/bin/" + name;
}

// Runs the command and returns what it printed on standard output.
std::string output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
        pclose(pipe);
    }
    return text;
}

TEST(FrameBench, RenderFrameTimes)
{
    qm::test::ScratchFolder folder;
    ASSERT_EQ(std::system((binary("quillmark-mkdata") + " data.rar >/dev/null").c_str()), 0);
    for (const char* size : {"1024x768", "1920x1080"}) {
        const std::string report =
            output(binary("quillmark-render") + " --seed 2 --dt 0.0166667 --frames 600 --size " + size);
        ASSERT_NE(report.find("frame time median"), std::string::npos) << report;
        std::printf("quillmark-render %s, 600 frames, seed 2, dt 1/60:\n%s", size, report.c_str());
    }
}

} // namespace
