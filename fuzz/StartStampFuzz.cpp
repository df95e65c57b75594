// Any bytes as Start.txt, read as Ende reads it with a fixed clock, once with "," and once with
// "." as the decimal separator. Each read must give a time with exactly three decimals and
// " Sek.", or a German message that names the file; nothing else may come out of it.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <system_error>

#include "ElapsedTime.h"
#include "FileError.h"
#include "FuzzTarget.h"
#include "StartFile.h"

namespace {

// This process's own folder, there for one input: libFuzzer ends without running destructors,
// so a folder kept for the whole run would be left behind in /dev/shm.
class Folder {
 public:
  explicit Folder(std::string_view bytes) {
    const auto base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                          : std::filesystem::temp_directory_path();
    path_ = base / ("kit-start-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_);
    std::ofstream out(Stamp(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path Stamp() const { return path_ / timing::StartFileName; }

 private:
  std::filesystem::path path_;
};

timing::SYSTEMTIME Noon() {
  return timing::SYSTEMTIME{2024, 6, 6, 1, 12, 0, 0, 0};
}

// The text shown, or nothing when the file was refused with a proper message.
std::optional<std::string> Elapsed(const Folder& folder, std::string_view separator) {
  try {
    std::string text = timing::ElapsedText(folder.Path(), Noon, separator);
    static const std::regex comma(R"(-?[0-9]+,[0-9]{3} Sek\.)");
    static const std::regex point(R"(-?[0-9]+\.[0-9]{3} Sek\.)");
    Require(std::regex_match(text, separator == "," ? comma : point));
    // A minus sign only in front of a value that does not round to zero.
    Require(text[0] != '-' || text.find_first_of("123456789") < text.find(' '));
    return text;
  } catch (const kit::FileError& e) {
    // Whole: a message cut short (at a NUL byte, say) would lose the hint at its end.
    const std::string message = e.what();
    Require(message.find("Datei " + folder.Stamp().string()) != std::string::npos);
    Require(message.ends_with(timing::RunStartFirst));
    Require(e.Puzzle == 0 && e.Line >= 0 && e.Line <= 4);
    return std::nullopt;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Folder folder(bytes);
  const std::optional<std::string> withComma = Elapsed(folder, ",");
  const std::optional<std::string> withPoint = Elapsed(folder, ".");

  // Without either separator in the file, the separator can change only how the time is written.
  if (bytes.find_first_of(",.") == std::string_view::npos) {
    Require(withComma.has_value() == withPoint.has_value());
    if (withComma) {
      std::string same = *withComma;
      same[same.rfind(',')] = '.';
      Require(same == *withPoint);
    }
  }
  return 0;
}
