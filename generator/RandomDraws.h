// The generator's random numbers, defined exactly so that a puzzle file can be re-created
// anywhere from its seed: the 32-bit Mersenne Twister MT19937 (the sequence of std::mt19937),
// seeded with the seed's 32-bit two's-complement pattern, and each draw r made from two
// consecutive outputs a, then b:
//   r = ((a >> 5) × 67108864 + (b >> 6)) / 9007199254740992,   53 random bits, 0 ≤ r < 1.
// The mappings multiply r in double precision and round down.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace generator {

// MT19937, giving the same outputs as std::mt19937 from the same seed. The standard library's
// regeneration branches on the low bit of every word, which the processor mispredicts half the
// time; here that bit selects the twist constant by a mask, which a puzzle file's hundred draws
// per puzzle notice.
class Twister {
 public:
  explicit Twister(std::uint32_t seed) {
    words_[0] = seed;
    for (std::uint32_t i = 1; i < Size; ++i) {
      const std::uint32_t previous = words_[i - 1];
      words_[i] = 1812433253u * (previous ^ (previous >> 30)) + i;
    }
  }

  std::uint32_t operator()() {
    if (next_ == Size) Regenerate();
    std::uint32_t y = words_[next_++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    return y ^ (y >> 18);
  }

 private:
  static constexpr std::size_t Size = 624, Shift = 397;

  static std::uint32_t Twist(std::uint32_t upper, std::uint32_t lower, std::uint32_t far) {
    const std::uint32_t y = (upper & 0x80000000u) | (lower & 0x7FFFFFFFu);
    return far ^ (y >> 1) ^ (0x9908B0DFu & (0u - (y & 1u)));
  }

  void Regenerate() {
    std::size_t i = 0;
    for (; i < Size - Shift; ++i) words_[i] = Twist(words_[i], words_[i + 1], words_[i + Shift]);
    for (; i < Size - 1; ++i) words_[i] = Twist(words_[i], words_[i + 1], words_[i + Shift - Size]);
    words_[Size - 1] = Twist(words_[Size - 1], words_[0], words_[Shift - 1]);
    next_ = 0;
  }

  std::array<std::uint32_t, Size> words_{};
  std::size_t next_ = Size;
};

class RandomDraws {
 public:
  explicit RandomDraws(std::int32_t seed) : engine_(static_cast<std::uint32_t>(seed)) {}

  double Next() {
    const std::uint32_t a = engine_() >> 5;
    const std::uint32_t b = engine_() >> 6;
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

  Twister engine_;
};

}  // namespace generator
