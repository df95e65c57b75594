#include "PngFile.h"

#include <QBuffer>
#include <QByteArray>
#include <string_view>

#include "FileError.h"
#include "TextFiles.h"

namespace report {

void WritePng(const std::filesystem::path& path, const QImage& image,
              const std::string& shownName) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    throw kit::FileError("Das Bild für " + shownName + " lässt sich nicht als PNG kodieren.");
  }
  kit::ReplacingFile file(path, shownName);
  file.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  file.Commit();
}

}  // namespace report
