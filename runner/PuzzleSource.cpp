#include "PuzzleSource.h"

#include "BuildSudokus.h"
#include "FileError.h"
#include "ProgressDisplay.h"
#include "PuzzleFile.h"
#include "PuzzleLines.h"
#include "SolverProcess.h"

namespace runner {

PreparedPuzzles PreparePuzzles(const PuzzleSource& source, const std::filesystem::path& folder) {
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

  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    throw kit::FileError("Der Ordner " + folder.string() +
                         " lässt sich nicht anlegen: " + kit::SystemErrorText(error.value()) + ".");
  }
  if (source.Collection.empty()) {
    prepared.Count = source.Count < 1 ? 1 : source.Count;
    ProgressDisplay progress("Erzeugen", prepared.Count);
    const auto result =
        generator::WritePuzzleFile(folder, source.Seed, source.Count, [&](std::int32_t n) {
          progress.Update(n);
          return InterruptedBy() == 0;
        });
    if (result == generator::BuildResult::Stopped) throw Interrupted(InterruptedBy());
    progress.Finish(prepared.Count);
  } else {
    prepared.Count = static_cast<std::int64_t>(collection.size());
    generator::WritePuzzleFile(folder, collection);
  }
  prepared.Bytes = std::filesystem::file_size(folder / kit::PuzzleFileName);
  return prepared;
}

}  // namespace runner
