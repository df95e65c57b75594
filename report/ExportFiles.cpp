#include "ExportFiles.h"

#include <unistd.h>

#include "FileNames.h"
#include "TextFiles.h"

namespace report {

void WriteTextFile(const std::filesystem::path& path, const std::string& text,
                   const std::string& shownName) {
  kit::ReplacingFile file(path, shownName);
  file.Write(text);
  file.Commit();
}

std::optional<std::string> CannotWrite(const std::filesystem::path& path) {
  const std::string shown = kit::ShownPath(path);
  std::error_code error;
  if (!path.has_filename() || std::filesystem::is_directory(path, error)) {
    return shown + " nennt einen Ordner, keine Datei.";
  }
  // The file is written beside its target and renamed over it: what counts is the folder.
  const std::filesystem::path parent = path.parent_path();
  const std::filesystem::path folder = parent.empty() ? "." : parent;
  const std::string shownFolder = kit::ShownPath(folder);
  const std::filesystem::file_status status = std::filesystem::status(folder, error);
  if (!std::filesystem::exists(status)) {
    return "Der Ordner " + shownFolder + " für " + shown + " existiert nicht.";
  }
  if (!std::filesystem::is_directory(status)) {
    return shownFolder + " ist kein Ordner; " + shown + " lässt sich darin nicht anlegen.";
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return "Der Ordner " + shownFolder + " für " + shown + " ist nicht beschreibbar.";
  }
  return std::nullopt;
}

}  // namespace report
