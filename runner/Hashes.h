// SHA-256 digests that tell results apart: the puzzles a set held, the program that was timed,
// the machine it ran on.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace runner {

// The digest of `bytes`, as 64 lower-case hex digits.
std::string Sha256(std::string_view bytes);

// The digest of a file's bytes, read in pieces; empty when it cannot be read.
std::string FileSha256(const std::filesystem::path& path);

}  // namespace runner
