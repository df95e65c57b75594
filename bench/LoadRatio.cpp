// load_ratio: how much longer a whole Quadrin run takes than its fixed load alone. On a fixed file
// of 20,000 of Build's puzzles, Quadrin and bare_load 20000 run in turn, each as a whole process,
// and the minimum of each is compared: the ratio says what Quadrin's own work (reading, searching,
// writing) adds to the yardstick.
//
//   load_ratio [ROUNDS]   (5)
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "KitMix.h"

extern char** environ;

namespace {

constexpr int Puzzles = 20000;

// The wall time of one run of `argv` in `folder`, or a negative number when it failed.
double TimeRun(const std::filesystem::path& folder, const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t child = 0;
  const auto start = std::chrono::steady_clock::now();
  const int error = posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return -1;
  int status = 0;
  waitpid(child, &status, 0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const auto bin = std::filesystem::canonical("/proc/self/exe").parent_path();
  const auto folder =
      std::filesystem::temp_directory_path() / ("kit-load-ratio-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "IN.TXT", std::ios::binary) << bench::KitPuzzleFile(Puzzles);

  std::vector<double> whole, bare;
  bool failed = false;
  for (int r = 0; r < rounds && !failed; ++r) {
    const double q = TimeRun(folder, {(bin / "Quadrin").string()});
    const double b = TimeRun(folder, {(bin / "bare_load").string(), std::to_string(Puzzles)});
    failed = q < 0 || b < 0;
    whole.push_back(q);
    bare.push_back(b);
  }
  std::filesystem::remove_all(folder);
  if (failed) {
    std::fprintf(stderr, "load_ratio: Quadrin or bare_load could not run in %s\n", folder.c_str());
    return 1;
  }
  const double q = *std::min_element(whole.begin(), whole.end());
  const double b = *std::min_element(bare.begin(), bare.end());
  std::printf("Quadrin, whole run on %d of Build's puzzles: %.3f s (minimum of %d)\n", Puzzles, q,
              rounds);
  std::printf("bare_load %d, the fixed load alone:        %.3f s (minimum of %d)\n", Puzzles, b,
              rounds);
  std::printf("ratio: %.4f\n", q / b);
  return 0;
}
