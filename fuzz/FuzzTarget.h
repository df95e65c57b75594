// The entry point every fuzz target defines: libFuzzer calls it with each input, and the replay
// program of a g++ build calls it with each file of a corpus.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
