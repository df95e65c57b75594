// `Messlauf history`: the stored runs listed, as JSON or as a picture, and reports of other
// machines imported into the store.
#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "History.h"

namespace runner {

// Draws the history into a PNG file; throws kit::FileError when it cannot be written.
using HistoryPicture =
    std::function<void(const std::vector<record::HistoryLine>&, const std::filesystem::path&)>;

// Runs `history` with the arguments after it (argv[0] is "history"); the exit status. The list
// goes to `out`, refusals and notes to `err`; times with `separator`.
int History(int argc, const char* const argv[], std::ostream& out, std::ostream& err,
            const std::string& separator, const HistoryPicture& picture);

}  // namespace runner
