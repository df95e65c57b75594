// Running the built Messlauf in a test's folder, and stand-in solvers for it.
#pragma once

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "TempFolder.h"

namespace runner::testing {

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

inline std::string Bin() {
  const char* dir = std::getenv("KIT_BIN_DIR");
  return dir ? dir : ".";
}

struct Result {
  int status;
  std::string out, err;
};

inline Result Messlauf(const TempFolder& folder, const std::string& arguments,
                       const std::string& locale = "C") {
  const std::string command = "cd '" + folder.Path().string() + "' && LC_ALL=" + locale + " '" +
                              Bin() + "/Messlauf' " + arguments + " > stdout.txt 2> stderr.txt";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, GetFile(folder / "stdout.txt"),
          GetFile(folder / "stderr.txt")};
}

// A stand-in solver: a shell script with the given body.
inline std::string Script(const TempFolder& folder, const std::string& name,
                          const std::string& body) {
  const auto path = folder / name;
  PutFile(path, "#!/bin/sh\n" + body + "\n");
  ::chmod(path.c_str(), 0755);
  return path.string();
}

inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

inline nlohmann::json Json(const std::filesystem::path& file) {
  return nlohmann::json::parse(GetFile(file));
}

// Every file below a folder, by its path relative to it, and its bytes.
inline std::map<std::string, std::string> Contents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) {
      files[entry.path().lexically_relative(folder).string()] = GetFile(entry.path());
    }
  }
  return files;
}

}  // namespace runner::testing
