// Saving a picture as PNG so that the file is never half-written.
#pragma once

#include <QImage>
#include <filesystem>
#include <string>

namespace report {

// Encodes `image` as PNG in memory, then replaces `path` with it only once all of it is written.
// Throws kit::FileError with a German message that names `shownName`.
void WritePng(const std::filesystem::path& path, const QImage& image, const std::string& shownName);

}  // namespace report
