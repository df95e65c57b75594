#include "FileError.h"

#include <cerrno>
#include <cstring>

namespace kit {

std::string SystemErrorText(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
      return "Datei oder Ordner nicht vorhanden";
    case EACCES:
    case EPERM:
      return "keine Berechtigung";
    case ENOSPC:
      return "kein Platz mehr auf dem Datenträger";
    case EDQUOT:
      return "Speicherkontingent erschöpft";
    case EROFS:
      return "das Dateisystem ist schreibgeschützt";
    case EISDIR:
      return "ist ein Ordner";
    case ENOTDIR:
      return "ein Teil des Pfades ist kein Ordner";
    case EIO:
      return "Ein-/Ausgabefehler";
    default:
      return std::string("Systemfehler ") + std::to_string(errorNumber) + " (" +
             std::strerror(errorNumber) + ")";
  }
}

std::string VisibleBytes(std::string_view bytes) {
  static const char* const hex = "0123456789ABCDEF";
  std::string shown;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else {
      shown += std::string("[0x") + hex[byte >> 4] + hex[byte & 15] + "]";
    }
  }
  return shown;
}

std::string ShownByte(char c) {
  if (c == '\r') return "CR";
  if (c == '\n') return "LF";
  if (c == ' ') return "ein Leerzeichen";
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x21 && byte < 0x7F) return std::string("„") + c + "“";
  static const char* const hex = "0123456789ABCDEF";
  return std::string("das Byte 0x") + hex[byte >> 4] + hex[byte & 15];
}

}  // namespace kit
