// The puzzles as a solver library is handed them: one puzzle in each fixed-size slot of a memory
// file, 81 characters ('1'..'9' or '.') and a NUL, the rest of the slot zero. A slot starts on a
// cache line, so that no puzzle shares one with the next and every call reads the same way.
// Messlauf writes the file and seals it; Gastgeber maps it read-only and knows nothing else of
// Messlauf.
#pragma once

#include <cstddef>
#include <cstdint>

namespace host {

constexpr std::size_t PuzzleChars = 81;
constexpr std::size_t SlotAlignment = 64;
constexpr std::size_t SlotBytes = 128;  // 81 characters and the NUL, rounded up to whole lines
static_assert(SlotBytes % SlotAlignment == 0 && SlotBytes > PuzzleChars);

// Where puzzle `index` (from 0) lies in a region that starts at `base`.
inline const char* PuzzleSlot(const void* base, std::int64_t index) {
  return static_cast<const char*>(base) + static_cast<std::size_t>(index) * SlotBytes;
}

// The bytes of a region for `count` puzzles.
constexpr std::size_t PuzzleRegionBytes(std::int64_t count) {
  return static_cast<std::size_t>(count) * SlotBytes;
}

}  // namespace host
