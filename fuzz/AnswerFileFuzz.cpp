// Any bytes as OUT.TXT, judged against a fixed IN.TXT of one puzzle of each outcome. The checker
// must always come to a verdict, and may call the answers correct only when they are.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "CheckIt.h"
#include "FuzzTarget.h"

namespace {

void Put(const std::filesystem::path& path, const char* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
}

// One puzzle with exactly one solution, one with several (empty), one with repeated givens.
const char* const Puzzles =
    "0,0,0,0,0,0,0,1,0\r\n4,0,0,0,0,0,0,0,0\r\n0,2,0,0,0,0,0,0,0\r\n"
    "0,0,0,0,5,0,4,0,7\r\n0,0,8,0,0,0,3,0,0\r\n0,0,1,0,9,0,0,0,0\r\n"
    "3,0,0,4,0,0,2,0,0\r\n0,5,0,1,0,0,0,0,0\r\n0,0,0,8,0,6,0,0,0\r\n\r\n"
    "0,0,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n"
    "0,0,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n"
    "0,0,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n\r\n"
    "5,5,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n"
    "0,0,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n"
    "0,0,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n0,0,0,0,0,0,0,0,0\r\n";

const char* const UniqueSolution =
    "6,9,3,7,8,4,5,1,2\r\n4,8,7,5,1,2,9,3,6\r\n1,2,5,9,6,3,8,7,4\r\n"
    "9,3,2,6,5,1,4,8,7\r\n5,6,8,2,4,7,3,9,1\r\n7,4,1,3,9,8,6,2,5\r\n"
    "3,1,9,4,7,5,2,6,8\r\n8,5,6,1,2,9,7,4,3\r\n2,7,4,8,3,6,1,5,9\r\n";

// A folder of this process's own, made for each input and removed after it: the fuzzer ends the
// process without running destructors, so nothing may be left for later.
std::filesystem::path MakeFolder() {
  const auto base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                        : std::filesystem::temp_directory_path();
  auto path = base / ("kit-answer-fuzz-" + std::to_string(::getpid()));
  std::filesystem::create_directories(path);
  Put(path / "IN.TXT", Puzzles, std::char_traits<char>::length(Puzzles));
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path folder = MakeFolder();
  Put(folder / "OUT.TXT", reinterpret_cast<const char*>(data), size);
  const checker::CheckResult result = checker::CheckIt(folder, [](std::int32_t) { return true; });
  std::filesystem::remove_all(folder);
  Require(result.Kind == checker::Verdict::AllCorrect || result.Kind == checker::Verdict::Wrong);
  Require(result.Number >= 1 && result.Number <= 3);
  if (result.Kind == checker::Verdict::AllCorrect) {
    // The first block can only pass with the unique solution's values: the first nine of each of
    // its nine lines (more values in a line are allowed and ignored).
    std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
    std::string line, values, expected;
    for (int r = 0; r < 9 && std::getline(lines, line); ++r) {
      std::istringstream fields(line);
      std::string field;
      for (int c = 0; c < 9 && std::getline(fields, field, ','); ++c) {
        values += std::to_string(std::abs(std::stol(field)));
      }
    }
    for (const char* p = UniqueSolution; *p; ++p) {
      if (*p >= '1' && *p <= '9') expected += *p;
    }
    Require(values == expected);
  }
  return 0;
}
