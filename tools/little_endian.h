// Little-endian fields appended to a byte vector: the layout of every file format the tools
// write (RAR headers, WAV headers, mesh and corridor members).
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

namespace qm {

inline void put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

inline void put32(std::vector<uint8_t>& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline void putFloat(std::vector<uint8_t>& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    put32(out, bits);
}

} // namespace qm
