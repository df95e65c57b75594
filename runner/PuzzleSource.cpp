#include "PuzzleSource.h"

#include "BuildSudokus.h"
#include "FileError.h"
#include "Hashes.h"
#include "Interruption.h"
#include "ProgressDisplay.h"
#include "PuzzleLines.h"

namespace runner {
namespace {

std::size_t Wanted(const PuzzleSource& source) {
  return source.Count > 0 ? static_cast<std::size_t>(source.Count) : kit::AllPuzzles;
}

// IN.TXT as written, read back at once, while no solver has run, so that the run judges the
// puzzles it wrote.
PreparedPuzzles ReadBack(record::PuzzleSet set, const std::filesystem::path& folder) {
  PreparedPuzzles prepared;
  prepared.Text = std::make_shared<const kit::PuzzleText>(kit::PuzzleText{
      kit::ReadWholeFile(folder / kit::PuzzleFileName, kit::PuzzleFileName), kit::PuzzleFileName});
  set.InBytes = prepared.Text->Text.size();
  set.InSha256 = Sha256(prepared.Text->Text);
  prepared.Set = std::move(set);
  return prepared;
}

// A collection's puzzles as IN.TXT holds them, into `out`; the collection is read a second time,
// puzzle by puzzle, and must give what CheckSource found.
void WriteCollection(const CheckedSource& checked, kit::TextSink& out) {
  const PuzzleSource& source = checked.Source;
  std::int64_t written = 0;
  kit::ReadPuzzleLines(source.Collection, Wanted(source), [&](const kit::Board& puzzle) {
    if (written < checked.Count) kit::WritePuzzleBlock(out, puzzle, ++written == checked.Count);
  });
  if (written != checked.Count) {
    throw kit::FileError("Die Datei " + source.Collection.string() +
                         " hat sich während des Laufs geändert.");
  }
}

}  // namespace

CheckedSource CheckSource(const PuzzleSource& source) {
  CheckedSource checked{source, source.Count < 1 ? 1 : source.Count, {}, {}};
  if (source.Collection.empty()) return checked;
  const std::size_t wanted = Wanted(source);
  const std::size_t found =
      kit::ReadPuzzleLines(source.Collection, wanted, [](const kit::Board&) {});
  checked.Count = static_cast<std::int64_t>(found);
  if (wanted != kit::AllPuzzles && found < wanted) {
    checked.Requested = static_cast<std::int64_t>(wanted);
    checked.Warning = "Die Datei " + source.Collection.string() + " enthält nur " +
                      std::to_string(found) + " Rätsel, nicht " + std::to_string(wanted) +
                      "; der Lauf nimmt alle " + std::to_string(found) + ".";
  }
  return checked;
}

PreparedPuzzles PreparePuzzles(const CheckedSource& checked, const std::filesystem::path& folder) {
  const PuzzleSource& source = checked.Source;
  record::PuzzleSet set{source.Name, source.Collection, source.Seed, checked.Count};
  set.Requested = checked.Requested;
  if (source.Collection.empty()) {
    ProgressDisplay progress("Erzeugen", set.Count);
    const auto result =
        generator::WritePuzzleFile(folder, source.Seed, source.Count, [&](std::int32_t n) {
          progress.Update(n);
          return InterruptedBy() == 0;
        });
    if (result == generator::BuildResult::Stopped) throw Interrupted(InterruptedBy());
    progress.Finish(set.Count);
    return ReadBack(std::move(set), folder);
  }
  kit::ReplacingFile file(folder / kit::PuzzleFileName, kit::PuzzleFileName);
  WriteCollection(checked, file);
  file.Commit();
  return ReadBack(std::move(set), folder);
}

kit::PuzzleText CollectionText(const CheckedSource& checked) {
  kit::StringSink text;
  text.Text.reserve(static_cast<std::size_t>(checked.Count) * kit::PuzzleStride);
  WriteCollection(checked, text);
  return kit::PuzzleText{std::move(text.Text), checked.Source.Collection.string()};
}

PreparedPuzzles PrepareFirstPuzzle(const PreparedPuzzles& set,
                                   const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    throw kit::FileError("Der Ordner " + folder.string() +
                         " lässt sich nicht anlegen: " + kit::SystemErrorText(error.value()) + ".");
  }
  kit::ReadPos pos = 1;
  const kit::Board first = kit::ReadNextPuzzle(*set.Text, pos);
  generator::WritePuzzleFile(folder, std::vector<kit::Board>{first});
  record::PuzzleSet one = set.Set;
  one.Count = 1;
  return ReadBack(std::move(one), folder);
}

}  // namespace runner
