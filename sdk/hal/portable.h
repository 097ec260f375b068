#pragma once

#include <cstdint>
#include <ctime>

// The few things the SDK needs that compilers and C libraries spell differently: the stand-in
// builds with GCC and Clang on Linux and with MinGW-w64 on Windows.

#if defined(__GNUC__) || defined(__clang__)
#define KORVANE_LIKELY(condition) __builtin_expect(static_cast<bool>(condition), 1)
#define KORVANE_UNLIKELY(condition) __builtin_expect(static_cast<bool>(condition), 0)
#else
#define KORVANE_LIKELY(condition) static_cast<bool>(condition)
#define KORVANE_UNLIKELY(condition) static_cast<bool>(condition)
#endif

namespace korvane {

// The local time of time, thread-safe; false when the C library cannot convert it.
bool localTime(std::time_t time, std::tm& local);

inline int setBitCount(std::uint32_t bits) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_popcount(bits);
#else
    int count = 0;
    for (; bits != 0; bits &= bits - 1) {
        ++count;
    }
    return count;
#endif
}

// Index of the lowest and of the highest set bit; bits must not be 0.
inline int lowestSetBit(std::uint32_t bits) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctz(bits);
#else
    int index = 0;
    for (; (bits & 1u) == 0; bits >>= 1) {
        ++index;
    }
    return index;
#endif
}

inline int highestSetBit(std::uint32_t bits) {
#if defined(__GNUC__) || defined(__clang__)
    return 31 - __builtin_clz(bits);
#else
    int index = 0;
    while (bits >>= 1) {
        ++index;
    }
    return index;
#endif
}

}  // namespace korvane
