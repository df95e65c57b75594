#include "FileNames.h"

#include <algorithm>
#include <string>
#include <system_error>

namespace kit {

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

namespace {

bool IsRegularFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

// A link that leads nowhere counts as missing, as it does for regular files.
bool IsAnyEntry(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

std::optional<std::filesystem::path> FindIgnoringCase(const std::filesystem::path& folder,
                                                      std::string_view name,
                                                      bool (*fits)(const std::filesystem::path&)) {
  const std::filesystem::path exact = folder / std::filesystem::path(name);
  if (fits(exact)) return exact;

  std::optional<std::string> best;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string entry = it->path().filename().string();
    if (EqualIgnoringAsciiCase(entry, name) && fits(it->path()) && (!best || entry < *best)) {
      best = entry;
    }
  }
  if (!best) return std::nullopt;
  return folder / *best;
}

}  // namespace

std::optional<std::filesystem::path> FindFileIgnoringCase(const std::filesystem::path& folder,
                                                          std::string_view name) {
  return FindIgnoringCase(folder, name, IsRegularFile);
}

std::optional<std::filesystem::path> FindEntryIgnoringCase(const std::filesystem::path& folder,
                                                           std::string_view name) {
  return FindIgnoringCase(folder, name, IsAnyEntry);
}

std::string ShownPath(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path shown = std::filesystem::absolute(path, error);
  if (error) shown = path;
  shown = shown.lexically_normal();
  if (!shown.has_filename() && shown.has_parent_path() && shown != shown.root_path()) {
    shown = shown.parent_path();
  }
  return shown.string();
}

}  // namespace kit
