// The generator's random numbers, defined exactly so that a puzzle file can be re-created
// anywhere from its seed: the 32-bit Mersenne Twister std::mt19937, seeded with the seed's
// 32-bit two's-complement pattern, and each draw r made from two consecutive outputs a, then b:
//   r = ((a >> 5) × 67108864 + (b >> 6)) / 9007199254740992,   53 random bits, 0 ≤ r < 1.
// The mappings multiply r in double precision and round down.
#pragma once

#include <cstdint>
#include <random>

namespace generator {

class RandomDraws {
 public:
  explicit RandomDraws(std::int32_t seed) : engine_(static_cast<std::uint32_t>(seed)) {}

  double Next() {
    const std::uint32_t a = static_cast<std::uint32_t>(engine_()) >> 5;
    const std::uint32_t b = static_cast<std::uint32_t>(engine_()) >> 6;
    return (a * 67108864.0 + b) / 9007199254740992.0;
  }

  int Cell() { return Scaled(81); }            // 0–80
  int Digit() { return Scaled(9) + 1; }        // 1–9
  int Clearings() { return Scaled(20) + 30; }  // 30–49

 private:
  int Scaled(int n) {
    const double product = Next() * n;
    return static_cast<int>(product);  // the product is not negative: truncation rounds down
  }

  std::mt19937 engine_;
};

}  // namespace generator
