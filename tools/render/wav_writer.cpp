#include "tools/render/wav_writer.h"
#include "tools/little_endian.h"

#include <cstdio>

namespace qm {
namespace {

void putTag(std::vector<uint8_t>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

} // namespace

bool writeWav(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate,
              uint16_t channels, std::string* error)
{
    const uint64_t dataBytes = uint64_t(samples.size()) * 2;
    if (channels == 0 || dataBytes > 0xFFFFFFFFull - 36) {
        if (error) *error = "too much sound for one WAV file: " + path;
        return false;
    }
    std::vector<uint8_t> header;
    putTag(header, "RIFF");
    put32(header, uint32_t(36 + dataBytes));
    putTag(header, "WAVE");
    putTag(header, "fmt ");
    put32(header, 16);
    put16(header, 1);   // PCM
    put16(header, channels);
    put32(header, rate);
    put32(header, rate * channels * 2);
    put16(header, channels * 2);
    put16(header, 16);
    putTag(header, "data");
    put32(header, uint32_t(dataBytes));
    std::vector<uint8_t> body;
    body.reserve(size_t(dataBytes));
    for (int16_t s : samples) put16(body, uint16_t(s));
    FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(header.data(), 1, header.size(), f) == header.size() &&
              std::fwrite(body.data(), 1, body.size(), f) == body.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok && error) *error = "cannot write " + path;
    return ok;
}

} // namespace qm
