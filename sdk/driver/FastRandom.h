#pragma once

#include <cstdint>

namespace korvane {

// wyrand: one multiplication per draw; plenty for sensor noise and texture.
class FastRandom {
public:
    explicit FastRandom(std::uint64_t seed) : state(seed) {}

    std::uint64_t next() {
        state += 0xa0761d6478bd642fULL;
        const unsigned __int128 product =
            static_cast<unsigned __int128>(state) * (state ^ 0xe7037ed1a0b428dbULL);
        return static_cast<std::uint64_t>(product >> 64) ^ static_cast<std::uint64_t>(product);
    }

    // Uniform in [0, bound), by multiply and shift rather than a division.
    std::uint32_t below(std::uint32_t bound) {
        return static_cast<std::uint32_t>(((next() & 0xffffffffULL) * bound) >> 32);
    }

    // Uniform in [0, 1).
    float unit() { return static_cast<float>(next() >> 40) * (1.0f / 16777216.0f); }

private:
    std::uint64_t state;
};

}  // namespace korvane
