// What a solver must leave as it found it in the work folder, and putting it right. A solver may
// do anything to the folder while it runs; its answers are judged against the puzzles Messlauf
// wrote, never against what it left, and the next solver finds the true IN.TXT again.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "PuzzleFile.h"

namespace runner {

// Compares IN.TXT and, when given, Start.txt in `folder` byte for byte with `puzzles` and
// `startStamp`, the bytes Messlauf wrote, without following links or opening anything but regular
// files. Writes IN.TXT anew where it differs and removes every other spelling of IN.TXT
// ("in.txt", …), which a solver would find first. Returns what the solver did, as German phrases
// ("IN.TXT verändert", "in.txt angelegt"); none when the folder is as it was. Throws
// kit::FileError when IN.TXT cannot be written again.
std::vector<std::string> RestoreWorkFiles(const std::filesystem::path& folder,
                                          const kit::PuzzleText& puzzles,
                                          const std::string* startStamp);

// Removes every entry named OUT.TXT whatever its case and type (a FIFO left by one solver would
// block the next one's writing), and OUT.TXT.tmp, which a killed solver may leave.
void RemoveAnswers(const std::filesystem::path& folder);

// Leaves the answers, found whatever the case of their name, as OUT.TXT and no other spelling of
// that name in `folder`.
void TidyAnswers(const std::filesystem::path& folder);

// Whether `path` is a regular file (not a link) whose bytes are `expected`. Reads it in pieces.
bool HoldsExactly(const std::filesystem::path& path, std::string_view expected);

// The last `maxBytes` of a solver's log, without its final line ends, "…" in front when cut. Read
// from its end: the log may be as large as the solver made it, or no longer a regular file.
std::string LogTail(const std::filesystem::path& file, std::size_t maxBytes);

}  // namespace runner
