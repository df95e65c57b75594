#include "PuzzleSource.h"

#include "BuildSudokus.h"
#include "FileError.h"
#include "Interruption.h"
#include "ProgressDisplay.h"
#include "PuzzleFile.h"
#include "PuzzleLines.h"

namespace runner {

PreparedPuzzles PreparePuzzles(const PuzzleSource& source, const std::filesystem::path& folder,
                               std::optional<WorkFolderLock>& lock) {
  PreparedPuzzles prepared;
  std::vector<kit::Board> collection;
  if (!source.Collection.empty()) {
    const std::size_t wanted =
        source.Count > 0 ? static_cast<std::size_t>(source.Count) : kit::AllPuzzles;
    collection = kit::ReadPuzzleLines(source.Collection, wanted);
    if (wanted != kit::AllPuzzles && collection.size() < wanted) {
      prepared.Warning = "Die Datei " + source.Collection.string() + " enthält nur " +
                         std::to_string(collection.size()) + " Rätsel, nicht " +
                         std::to_string(wanted) + "; der Lauf nimmt alle " +
                         std::to_string(collection.size()) + ".";
    }
  }

  lock.emplace(folder);  // creates the folder: not before the collection is known to be good
  record::PuzzleSet& set = prepared.Set;
  set.Collection = source.Collection;
  set.Seed = source.Seed;
  set.Name = source.Collection.empty() ? "Build" : source.Collection.stem().string();
  if (source.Collection.empty()) {
    set.Count = source.Count < 1 ? 1 : source.Count;
    ProgressDisplay progress("Erzeugen", set.Count);
    const auto result =
        generator::WritePuzzleFile(folder, source.Seed, source.Count, [&](std::int32_t n) {
          progress.Update(n);
          return InterruptedBy() == 0;
        });
    if (result == generator::BuildResult::Stopped) throw Interrupted(InterruptedBy());
    progress.Finish(set.Count);
  } else {
    set.Count = static_cast<std::int64_t>(collection.size());
    generator::WritePuzzleFile(folder, collection);
  }
  // Read back at once, while no solver has run, so that the run judges the puzzles it wrote.
  prepared.Text = std::make_shared<const kit::PuzzleText>(kit::PuzzleText{
      kit::ReadWholeFile(folder / kit::PuzzleFileName, kit::PuzzleFileName), kit::PuzzleFileName});
  set.InBytes = prepared.Text->Text.size();
  return prepared;
}

}  // namespace runner
