// Writing the exported files so that none is ever half-written, and telling before a run whether
// one can be written at all.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace report {

// Replaces `path` with `text` only once all of it is written; until then an earlier file stays as
// it was. Throws kit::FileError with a German message that names `shownName`.
void WriteTextFile(const std::filesystem::path& path, const std::string& text,
                   const std::string& shownName);

// Why no file can be written at `path`, as a German sentence that names it: its folder is
// missing, is no folder or may not be written to, or the path names a folder. Nothing when it
// looks writable; the write itself can still fail (a full disk), so its errors stay handled.
std::optional<std::string> CannotWrite(const std::filesystem::path& path);

}  // namespace report
