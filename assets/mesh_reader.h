// Bounded little-endian reads of fixed-layout members: a count is checked against the bytes left
// before anything is allocated, and an index against the array it addresses.
#pragma once
#include "assets/asset_stream.h"
#include "render/vec3.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace qm {

class MeshReader {
public:
    explicit MeshReader(AssetStream& stream) : stream_(stream) {}

    // Every read fails (and leaves ok() false) once the member cannot supply the bytes.
    bool ok() const { return ok_; }
    uint64_t bytesLeft() const
    {
        return stream_.position() < stream_.size() ? stream_.size() - stream_.position() : 0;
    }

    bool u32(uint32_t& value)
    {
        uint8_t bytes[4];
        if (!take(bytes, 4)) return false;
        value = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
                uint32_t(bytes[3]) << 24;
        return true;
    }

    bool f32(float& value)
    {
        uint32_t bits = 0;
        if (!u32(bits)) return false;
        std::memcpy(&value, &bits, 4);
        return true;
    }

    bool vec3(Vec3& v) { return f32(v.x) && f32(v.y) && f32(v.z); }

    // count values of size bytes each must fit in what is left.
    bool fits(uint64_t count, uint64_t size)
    {
        if (ok_ && count <= bytesLeft() / size) return true;
        ok_ = false;
        return false;
    }

    bool vec3s(std::vector<Vec3>& out, uint64_t count)
    {
        if (!fits(count, 12)) return false;
        out.resize(size_t(count));
        for (Vec3& v : out) vec3(v);
        return ok_;
    }

    // count (u, v) pairs, stored as 2 x count floats.
    bool pairs(std::vector<float>& out, uint64_t count)
    {
        if (!fits(count, 8)) return false;
        out.resize(size_t(count) * 2);
        for (float& f : out) f32(f);
        return ok_;
    }

    // count indices, each below limit.
    bool indices(std::vector<uint32_t>& out, uint64_t count, uint32_t limit)
    {
        if (!fits(count, 4)) return false;
        out.resize(size_t(count));
        for (uint32_t& i : out)
            if (!u32(i) || i >= limit) return ok_ = false;
        return ok_;
    }

    bool skip(uint64_t bytes)
    {
        if (!fits(bytes, 1)) return false;
        stream_.seek(int32_t(bytes), 1);
        return true;
    }

private:
    bool take(uint8_t* out, uint32_t count)
    {
        if (!ok_ || bytesLeft() < count) return ok_ = false;
        stream_.read(out, count);
        return true;
    }

    AssetStream& stream_;
    bool ok_ = true;
};

} // namespace qm
