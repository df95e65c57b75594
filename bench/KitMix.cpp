#include "KitMix.h"

#include <map>

#include "BuildSudokus.h"
#include "PuzzleFile.h"

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
  if (added) {
    const kit::PuzzleText text{KitPuzzleFile(count), kit::PuzzleFileName};
    kit::ReadPos pos = 1;
    do entry->second.push_back(kit::ReadNextPuzzle(text, pos));
    while (pos >= 3);
  }
  return entry->second;
}

}  // namespace bench
