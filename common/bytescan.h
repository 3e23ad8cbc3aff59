// Looking at eight bytes of text at once. Each test flags the matching bytes
// of a word in their high bits; a match can set false flags above it, never
// below, so the lowest flag is exact and the others are not looked at.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ca::bytescan {

static_assert(std::endian::native == std::endian::little);

constexpr uint64_t kOnes = 0x0101010101010101ULL;
constexpr uint64_t kHighs = 0x8080808080808080ULL;

// The eight bytes from p, the first one lowest.
inline uint64_t Word(const char* p) {
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// Bytes below `limit` (1 to 0x80).
constexpr uint64_t Below(uint64_t w, unsigned limit) { return (w - kOnes * limit) & ~w & kHighs; }

// Bytes equal to `b`.
constexpr uint64_t Equal(uint64_t w, unsigned char b) { return Below(w ^ (kOnes * b), 1); }

// The place of the lowest flag in a word with flags.
inline size_t FirstFlagged(uint64_t flags) { return static_cast<size_t>(std::countr_zero(flags)) / 8; }

}  // namespace ca::bytescan
