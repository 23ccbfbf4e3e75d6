// 16-bit PCM WAV files for quillmark-render --audio.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// Writes interleaved 16-bit samples of `channels` channels at `rate` Hz; false with a reason.
bool writeWav(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate,
              uint16_t channels, std::string* error);

} // namespace qm
