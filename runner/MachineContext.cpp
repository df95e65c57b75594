#include "MachineContext.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>

#include "BuildInfo.h"
#include "Hashes.h"

namespace runner {
namespace {

// The value after "key" and a separator in the first line of `file` that starts with the key.
std::string Field(const char* file, const std::string& key, char separator) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.starts_with(key)) continue;
    const std::size_t at = line.find(separator);
    if (at == std::string::npos) continue;
    std::string value = line.substr(at + 1);
    const std::size_t first = value.find_first_not_of(" \t\"");
    const std::size_t last = value.find_last_not_of(" \t\"");
    return first == std::string::npos ? "" : value.substr(first, last - first + 1);
  }
  return {};
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

record::MachineContext ReadMachineContext() {
  record::MachineContext c;
  double load[3] = {};
  if (getloadavg(load, 3) == 3) c.LoadAverage = {load[0], load[1], load[2]};
  c.StartedUtc = UtcNow();
  c.Processor = Field("/proc/cpuinfo", "model name", ':');
  c.LogicalCores = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
  const long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  if (pages > 0 && pageSize > 0) {
    c.MemoryBytes = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
  }
  c.OperatingSystem = Field("/etc/os-release", "PRETTY_NAME", '=');
  utsname names{};
  if (uname(&names) == 0) c.Kernel = std::string(names.sysname) + " " + names.release;
  c.KitVersion = BuildInfo::Version;
  c.GitCommit = BuildInfo::GitCommit;
  c.GitChanges = BuildInfo::GitChanges;
  c.Compiler = BuildInfo::Compiler;
  c.BuildType = BuildInfo::BuildType;
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) == 0) c.Host = host;
  // Hashed, since the identity itself is meant to stay on the machine; it tells machines apart
  // where host names repeat.
  std::ifstream id("/etc/machine-id", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(id)), std::istreambuf_iterator<char>());
  if (!text.empty()) c.MachineId = Sha256(text);
  return c;
}

std::string VersionLine() {
  std::string line = std::string("Messlauf ") + BuildInfo::Version;
  if (*BuildInfo::GitCommit != '\0') {
    line += std::string(", Commit ") + BuildInfo::GitCommit +
            (BuildInfo::GitChanges ? " mit Änderungen" : "");
  }
  return line;
}

}  // namespace runner
