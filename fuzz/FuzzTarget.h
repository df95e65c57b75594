// The entry point every fuzz target defines: libFuzzer calls it with each input, and the replay
// program of a g++ build calls it with each file of a corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A property every input must keep; a broken one is a finding (the fuzzer keeps the input).
inline void Require(bool condition) {
  if (!condition) std::abort();
}
