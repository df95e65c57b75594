#include "KitMix.h"

#include <map>

#include "BuildSudokus.h"
#include "PuzzleFile.h"
#include "PuzzleLines.h"

namespace bench {

const std::string& KitPuzzleFile(int count) {
  static std::map<int, std::string> files;
  auto [entry, added] = files.try_emplace(count);
  if (added) {
    kit::StringSink sink;
    generator::BuildSudokus(20261207, count, sink, [](std::int32_t) { return true; });
    entry->second = std::move(sink.Text);
  }
  return entry->second;
}

const std::vector<kit::Board>& KitPuzzles(int count) {
  static std::map<int, std::vector<kit::Board>> boards;
  auto [entry, added] = boards.try_emplace(count);
  if (added) entry->second = kit::ReadAllPuzzles({KitPuzzleFile(count), kit::PuzzleFileName});
  return entry->second;
}

const std::vector<kit::Board>& SamplePuzzles(const std::string& name) {
  static std::map<std::string, std::vector<kit::Board>> samples;
  auto [entry, added] = samples.try_emplace(name);
  if (added) entry->second = kit::ReadPuzzleLines(std::string(KIT_DATA_DIR) + "/" + name + ".txt");
  return entry->second;
}

std::string SamplePuzzleFile(const std::string& name) {
  kit::StringSink sink;
  kit::WritePuzzleBlocks(sink, SamplePuzzles(name));
  return sink.Text;
}

}  // namespace bench
