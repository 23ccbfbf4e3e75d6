// Benchmark of the live preview: the hack in a 320 x 240 window, as XScreenSaver's settings dialog
// runs it. Prints the time from start to the loading picture and to the first scene frame, the
// frame rate and CPU use over a few seconds, and the time from SIGTERM to the process's end.
#include "tests/hack/hack_process.h"
#include "tests/hack/host_window.h"
#include "tests/support/config_home.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_files.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace qm;
using Clock = std::chrono::steady_clock;
constexpr int RUNS = 5;
constexpr double MEASURE_SECONDS = 5.0;

double msSince(Clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

double maximum(const std::vector<double>& v)
{
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

struct Figures {
    std::vector<double> loadingMs, sceneMs, loopMs, loadingCpuMs, loopCpuMs, fps, cpuPercent, sigtermMs;
};

bool measureRun(const std::string& work, Figures& f)
{
    test::HostWindow host(320, 240);
    if (!host.ok()) return false;
    const Clock::time_point start = Clock::now();
    test::HackProcess hack({"-window-id", host.idText()}, work);
    double loading = -1, scene = -1, loadingCpu = 0;
    while (hack.alive() && msSince(start) < 60000 && scene < 0) {
        const test::PictureSummary p = host.grab();
        if (loading < 0 && p.litPixels > 0) {
            loading = msSince(start);
            loadingCpu = 1000.0 * hack.cpuSeconds();
        }
        if (p.litFraction() > 0.9) scene = msSince(start);
        usleep(1000);
    }
    if (!hack.waitUntilRunning(0.0)) return false;
    // The frame loop starts just before the trace's first line; the scene is already up then.
    f.loopMs.push_back(msSince(start));
    f.loopCpuMs.push_back(1000.0 * hack.cpuSeconds());
    f.loadingCpuMs.push_back(loadingCpu);
    f.loadingMs.push_back(loading);
    f.sceneMs.push_back(scene);
    test::pause(1.0);
    const double cpuBefore = hack.cpuSeconds();
    const Clock::time_point measure = Clock::now();
    test::pause(MEASURE_SECONDS);
    f.cpuPercent.push_back(100.0 * (hack.cpuSeconds() - cpuBefore) / (msSince(measure) / 1000.0));
    // Taking the window away ends the run through the normal shutdown, which traces the frames.
    host.destroy();
    if (hack.exitStatus() != 0) return false;
    long frames = 0;
    double seconds = 0;
    const std::string trace = hack.trace();
    const size_t at = trace.find("{\"Frames\":");
    if (at == std::string::npos || std::sscanf(trace.c_str() + at, "{\"Frames\":%ld,\"Seconds\":%lf", &frames, &seconds) != 2)
        return false;
    f.fps.push_back(seconds > 0 ? double(frames) / seconds : 0.0);
    return true;
}

bool measureSigterm(const std::string& work, Figures& f)
{
    test::HostWindow host(320, 240);
    test::HackProcess hack({"-window-id", host.idText()}, work);
    if (!hack.waitUntilRunning(1.0)) return false;
    int status = -1;
    f.sigtermMs.push_back(hack.terminate(status));
    return status == 0;
}

} // namespace

int main()
{
    test::ConfigHome home;
    test::TempFolder program("qm-program");
    test::TempFolder work("qm-hack-bench");
    const std::string archive = test::binaryDir() + "/data/data.rar";
    if (symlink(archive.c_str(), program.file("data.rar").c_str()) != 0 ||
        symlink((test::binaryDir() + "/bin/bass.so").c_str(), program.file("bass.so").c_str()) != 0)
        return 1;
    // A first run's settings: only "Path", so the display size comes from the desktop.
    test::writeText(home.settingsFile(), "Windows Registry Editor Version 5.00\n\n"
                                         "[HKEY_CURRENT_USER\\Software\\Brimholt\\Quillmark]\n"
                                         "\"Path\"=\"" + program.path() + "\"\n");
    Figures f;
    for (int i = 0; i < RUNS; ++i) {
        if (!measureRun(work.path(), f) || !measureSigterm(work.path(), f)) {
            std::fprintf(stderr, "hack_bench: run %d failed\n", i + 1);
            return 1;
        }
    }
    std::printf("live preview, 320x240, %d runs (median / max):\n", RUNS);
    std::printf("  start to loading picture   %7.1f / %7.1f ms\n", median(f.loadingMs), maximum(f.loadingMs));
    std::printf("  start to first scene frame %7.1f / %7.1f ms\n", median(f.sceneMs), maximum(f.sceneMs));
    std::printf("  start to frame loop        %7.1f / %7.1f ms\n", median(f.loopMs), maximum(f.loopMs));
    std::printf("  CPU time to loading picture %6.1f / %7.1f ms (10 ms clock ticks)\n", median(f.loadingCpuMs),
                maximum(f.loadingCpuMs));
    std::printf("  CPU time to frame loop     %7.1f / %7.1f ms\n", median(f.loopCpuMs), maximum(f.loopCpuMs));
    std::printf("  frame rate (paced to 30)   %7.1f / %7.1f fps\n", median(f.fps), maximum(f.fps));
    std::printf("  CPU use over %.0f s          %7.1f / %7.1f %% of one core\n", MEASURE_SECONDS,
                median(f.cpuPercent), maximum(f.cpuPercent));
    std::printf("  SIGTERM to exit            %7.1f / %7.1f ms\n", median(f.sigtermMs), maximum(f.sigtermMs));
    return 0;
}
