// Finding the kit's files by name without regard to letter case. The writers create "IN.TXT"
// and "OUT.TXT", while the readers ask for "IN.txt"; on file systems that tell case apart the
// readers must still find the file.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kit {

// The path of the regular file `name` in `folder`: the exact spelling if it exists, otherwise
// the first entry (in byte order) whose name equals `name` ignoring ASCII case. Empty if none.
std::optional<std::filesystem::path> FindFileIgnoringCase(const std::filesystem::path& folder,
                                                          std::string_view name);

// The same for an entry of any kind (a folder, a FIFO, a device, a link to one of them), for a
// reader that refuses what is not a regular file with a message rather than overlook it.
std::optional<std::filesystem::path> FindEntryIgnoringCase(const std::filesystem::path& folder,
                                                           std::string_view name);

// Whether two names are equal when ASCII letters are compared without regard to case.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

// A path as messages show it: absolute, without "." parts or a trailing separator.
std::string ShownPath(const std::filesystem::path& path);

}  // namespace kit
