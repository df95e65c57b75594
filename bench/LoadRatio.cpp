// load_ratio: how much longer a whole Quadrin run takes than its fixed load alone. On a fixed file
// of 20,000 of Build's puzzles, Quadrin and bare_load 20000 run in turn, each as a whole process,
// and the minimum of each is compared: the ratio says what Quadrin's own work (reading, searching,
// writing) adds to the yardstick. On a machine whose speed drifts from second to second the
// minima can come from different moments, so the median of the ratios of neighbouring runs is
// given as well, and both by the processor time the two used (user and system), which leaves out
// the moments the machine gave to others.
//
//   load_ratio [ROUNDS]   (5)
#include <spawn.h>
#include <sys/resource.h>
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

struct Times {
  double Wall = -1;  // negative when the run failed
  double Processor = 0;
};

// One run of `argv` in `folder`.
Times TimeRun(const std::filesystem::path& folder, const std::vector<std::string>& argv) {
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
  if (error != 0) return {};
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return {wall, seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The ratio of the minima, and the median of the ratios of neighbouring runs.
std::pair<double, double> Ratios(const std::vector<Times>& whole, const std::vector<Times>& bare,
                                 double Times::*measure) {
  double minWhole = whole[0].*measure, minBare = bare[0].*measure;
  std::vector<double> paired;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    minWhole = std::min(minWhole, whole[i].*measure);
    minBare = std::min(minBare, bare[i].*measure);
    paired.push_back(whole[i].*measure / (bare[i].*measure));
  }
  return {minWhole / minBare, Median(paired)};
}

}  // namespace

int main(int argc, char* argv[]) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const auto bin = std::filesystem::canonical("/proc/self/exe").parent_path();
  const auto folder =
      std::filesystem::temp_directory_path() / ("kit-load-ratio-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "IN.TXT", std::ios::binary) << bench::KitPuzzleFile(Puzzles);

  std::vector<Times> whole, bare;
  bool failed = false;
  for (int r = 0; r < rounds && !failed; ++r) {
    whole.push_back(TimeRun(folder, {(bin / "Quadrin").string()}));
    bare.push_back(TimeRun(folder, {(bin / "bare_load").string(), std::to_string(Puzzles)}));
    failed = whole.back().Wall < 0 || bare.back().Wall < 0;
  }
  std::filesystem::remove_all(folder);
  if (failed) {
    std::fprintf(stderr, "load_ratio: Quadrin or bare_load could not run in %s\n", folder.c_str());
    return 1;
  }
  auto minimum = [](const std::vector<Times>& runs) {
    return std::min_element(runs.begin(), runs.end(),
                            [](const Times& a, const Times& b) { return a.Wall < b.Wall; })
        ->Wall;
  };
  std::printf("Quadrin, whole run on %d of Build's puzzles: %.3f s (minimum of %d)\n", Puzzles,
              minimum(whole), rounds);
  std::printf("bare_load %d, the fixed load alone:        %.3f s (minimum of %d)\n", Puzzles,
              minimum(bare), rounds);
  const auto [wall, wallPaired] = Ratios(whole, bare, &Times::Wall);
  const auto [processor, processorPaired] = Ratios(whole, bare, &Times::Processor);
  std::printf("ratio: %.4f (median of neighbouring runs %.4f; by processor time %.4f, %.4f)\n",
              wall, wallPaired, processor, processorPaired);
  return 0;
}
