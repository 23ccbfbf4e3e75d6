// Benchmark (not a test): extraction by quillmark-archive against unar on one 40 MiB archive of
// mixed data, as whole processes (median of several runs), and the writer's speed and ratio.
#include "tools/rar_writer/rar_writer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

constexpr size_t PIECE = 1 << 20;
constexpr size_t TOTAL = 40 << 20;
constexpr int RUNS = 5;

// Text, 8-bit stereo PCM, structured binary records and some incompressible bytes, in 1 MiB pieces.
Bytes mixedData()
{
    std::mt19937 r(2024);
    static const char* words[] = {"corridor ", "texture ", "0.125 ", "mesh ", "-17.5 ", "livery ", "scene\n", "sun "};
    Bytes out;
    out.reserve(TOTAL);
    for (size_t piece = 0; out.size() < TOTAL; ++piece) {
        size_t end = out.size() + PIECE;
        switch (piece % 4) {
        case 0:
            while (out.size() < end) {
                const char* w = words[r() % 8];
                while (*w && out.size() < end) out.push_back(uint8_t(*w++));
            }
            break;
        case 1:
            for (size_t i = 0; out.size() < end; ++i)
                out.push_back(uint8_t(128 + 100 * std::sin(double(i / 2) * 0.02 * (1 + i % 2)) + int(r() % 9) - 4));
            break;
        case 2:
            for (uint32_t i = 0; out.size() < end; ++i) {
                float f[4] = {float(i % 97) * 0.5f, float(i / 13), 1.0f, float(r() % 4)};
                const uint8_t* p = reinterpret_cast<const uint8_t*>(f);
                for (size_t k = 0; k < sizeof f && out.size() < end; ++k) out.push_back(p[k]);
            }
            break;
        default:
            while (out.size() < end) out.push_back(uint8_t(r()));
        }
    }
    out.resize(TOTAL);
    return out;
}

double seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

double medianRun(const std::string& command)
{
    std::vector<double> times;
    for (int i = 0; i < RUNS; ++i) {
        auto t0 = Clock::now();
        if (std::system(command.c_str()) != 0) return -1;
        times.push_back(seconds(t0, Clock::now()));
    }
    std::sort(times.begin(), times.end());
    return times[RUNS / 2];
}

} // namespace

int main(int argc, char** argv)
{
    std::string tool = argc > 1 ? argv[1] : "quillmark-archive";
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "qm-archive-bench";
    std::filesystem::create_directories(dir);
    std::string rar = (dir / "bench.rar").string(), out = (dir / "out.bin").string();
    Bytes data = mixedData();
    double mib = double(data.size()) / (1 << 20);

    auto t0 = Clock::now();
    qm::RarWriterOptions options;
    Bytes packed = qm::buildRarArchive({{"mixed.bin", data}}, options);
    double packSeconds = seconds(t0, Clock::now());
    std::string error;
    if (!qm::writeRarArchive(rar, {{"mixed.bin", data}}, options, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    Bytes stored = qm::buildRarArchive({{"mixed.bin", data}}, qm::RarWriterOptions{false, true});
    std::printf("data: %.1f MiB mixed (text, 8-bit PCM, binary records, random)\n", mib);
    std::printf("writer: %.2f s, %.1f MiB/s; archive %zu bytes, stored %zu bytes, ratio %.3f\n", packSeconds,
                mib / packSeconds, packed.size(), stored.size(), double(packed.size()) / double(stored.size()));

    // Both commands start by removing what the run before wrote: rewriting a file in place makes
    // the file system flush the old one first, and unar always writes a fresh folder.
    double ours = medianRun("rm -f '" + out + "' && '" + tool + "' extract '" + rar + "' mixed.bin '" + out + "'");
    std::string unarDir = (dir / "unar").string();
    double peer = medianRun("rm -rf '" + unarDir + "' && unar -q -o '" + unarDir + "' -f '" + rar + "' >/dev/null");
    if (ours < 0 || peer < 0) {
        std::fprintf(stderr, "an extraction failed\n");
        return 1;
    }
    std::printf("extract (median of %d): quillmark-archive %.3f s (%.1f MiB/s), unar %.3f s (%.1f MiB/s), "
                "unar/ours %.2f\n", RUNS, ours, mib / ours, peer, mib / peer, peer / ours);
    std::filesystem::remove_all(dir);
    return 0;
}
