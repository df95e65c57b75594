// The built Start and Ende programs and the timed-run script, run as a user runs them: in a
// folder, without arguments. Ende's window stays open, so it is ended once it has printed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <thread>

#include "ElapsedTime.h"
#include "PuzzleFile.h"
#include "StartFile.h"
#include "TempFolder.h"

namespace timing {
namespace {

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

// Ende on the headless platform, with the private runtime folder Qt complains about on standard
// error when it is missing.
struct QtRuntime {
  TempFolder Folder;
  std::string Setting() const { return "XDG_RUNTIME_DIR=" + Folder.Path().string(); }
  static constexpr const char* Platform = "QT_QPA_PLATFORM=offscreen";
};

std::string Program(const std::string& name) {
  const char* dir = std::getenv("KIT_BIN_DIR");
  return std::string(dir ? dir : ".") + "/" + name;
}

struct ProgramRun {
  bool Exited = false;  // false: still running when its line came, then ended by the test
  int Status = -1;
  std::string Out, Err;
};

// Runs `argv` in `folder` with `settings` ("NAME=value") added to its environment. Waits until the
// program ends or, with `untilLine`, until its standard output or error holds a whole line.
ProgramRun RunIn(const TempFolder& folder, const std::vector<std::string>& argv, bool untilLine,
                 const std::vector<std::string>& settings = {}) {
  std::vector<std::string> command{"/usr/bin/env"};
  command.insert(command.end(), settings.begin(), settings.end());
  command.insert(command.end(), argv.begin(), argv.end());
  std::vector<char*> args;
  for (std::string& a : command) args.push_back(a.data());
  args.push_back(nullptr);
  const TempFolder streams;
  const std::string dir = folder.Path().string(), out = (streams / "out").string(),
                    err = (streams / "err").string();

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::chdir(dir.c_str()) != 0 || outFd < 0 || errFd < 0) ::_exit(126);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ProgramRun run;
  int status = 0;
  for (int waited = 0; waited < 60000; waited += 10) {
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      run.Exited = true;
      run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    if (untilLine && (GetFile(out).find('\n') != std::string::npos ||
                      GetFile(err).find('\n') != std::string::npos))
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!run.Exited) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  run.Out = GetFile(out);
  // Qt's platform plugins sometimes add notes of their own; they are not the program's.
  std::istringstream lines(GetFile(err));
  for (std::string line; std::getline(lines, line);) {
    if (line.find("This plugin does not support") == std::string::npos &&
        !line.starts_with("QStandardPaths:")) {
      run.Err += line + "\n";
    }
  }
  return run;
}

// The UTC time of day in seconds, read without the kit's clock.
double UtcSecondsNow() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count() % 86400000;
  return static_cast<double>(ms) / 1000;
}

// A difference of two times of day, within (-43200, 43200].
double DayDifference(double later, double earlier) {
  double d = later - earlier;
  if (d > 43200) d -= 86400;
  if (d <= -43200) d += 86400;
  return d;
}

TEST(StartProgram, StampsTheUtcTimeWhateverTheTimeZone) {
  TempFolder folder;
  const double before = UtcSecondsNow();
  // Five and a half hours east of UTC, and in summer time, by a rule that needs no zone data.
  const ProgramRun run = RunIn(folder, {Program("Start")}, false, {"TZ=XST-5:30XDT,J1,J365"});
  const double after = UtcSecondsNow();
  ASSERT_TRUE(run.Exited);
  EXPECT_EQ(run.Status, 0);
  EXPECT_EQ(run.Out + run.Err, "");
  const std::string bytes = GetFile(folder / "Start.txt");
  EXPECT_TRUE(std::regex_match(bytes, std::regex("( (0|[1-9][0-9]{0,2}) \r\n){4}"))) << bytes;
  const auto& [h, m, s, ms] = ReadStartStamp(folder.Path(), ".").Values;
  const double stamp = SecondsOfDay(h, m, s, ms);
  EXPECT_GE(DayDifference(stamp, before), -0.001);
  EXPECT_GE(DayDifference(after, stamp), -0.001);
}

TEST(StartProgram, FileThatCannotBeWrittenEndsWithStatus1AndAMessage) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "Start.txt");  // in the way, even for root
  const ProgramRun run = RunIn(folder, {Program("Start")}, false);
  ASSERT_TRUE(run.Exited);
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err, "Start: Die Datei " + (folder / "Start.txt").string() +
                         " kann nicht ersetzt werden: ist ein Ordner. Es wurde keine neue "
                         "Startzeit festgehalten.\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1)
      << "no temporary file left behind";
}

// A Start.txt that Start would have written `secondsAgo` seconds ago.
void PutStampFromSecondsAgo(const TempFolder& folder, int secondsAgo) {
  const long long ms = std::llround(UtcSecondsNow() * 1000) - secondsAgo * 1000LL + 86400000;
  auto field = [](long long v) { return static_cast<std::uint16_t>(v); };
  kit::StringSink stamp;
  WriteStartStamp(stamp, SYSTEMTIME{2024, 1, 1, 1, field(ms / 3600000 % 24), field(ms / 60000 % 60),
                                    field(ms / 1000 % 60), field(ms % 1000)});
  PutFile(folder / "Start.txt", stamp.Text);
}

TEST(EndeProgram, PrintsTheTimeSinceTheStampWithTheLocalesSeparator) {
  for (const auto& [locale, pattern] :
       {std::pair{"LC_ALL=C.UTF-8", R"((\d+)\.(\d{3}) Sek\.\n)"},
        std::pair{"LC_ALL=de_DE.UTF-8", R"((\d+),(\d{3}) Sek\.\n)"}}) {
    TempFolder folder;
    PutStampFromSecondsAgo(folder, 3);
    const QtRuntime qt;
    const ProgramRun run =
        RunIn(folder, {Program("Ende")}, true, {locale, qt.Setting(), qt.Platform});
    EXPECT_FALSE(run.Exited) << "the window stays open";
    std::smatch match;
    ASSERT_TRUE(std::regex_match(run.Out, match, std::regex(pattern))) << locale << ": " << run.Out;
    const double seconds = std::stod(match[1].str()) + std::stod(match[2].str()) / 1000;
    EXPECT_GE(seconds, 3.0);
    EXPECT_LT(seconds, 30.0);
    EXPECT_EQ(run.Err, "") << locale;
  }
}

TEST(EndeProgram, MissingStampIsReportedAndNoTimeIsShown) {
  TempFolder folder;
  const QtRuntime qt;
  const ProgramRun run = RunIn(folder, {Program("Ende")}, true, {qt.Setting(), qt.Platform});
  EXPECT_FALSE(run.Exited) << "the message box waits for its OK";
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(run.Err, "Ende: Die Datei Start.txt fehlt im Ordner " + folder.Path().string() +
                         ". Zuerst muss Start laufen und die Startzeit in Start.txt schreiben.\n");
}

TEST(TimedRun, RunsStartQuadrinAndEndeInTheCurrentFolder) {
  TempFolder folder;
  kit::StringSink in;
  kit::WritePuzzleBlock(in, kit::Board{}, true);
  PutFile(folder / "IN.TXT", in.Text);
  const QtRuntime qt;
  const ProgramRun run = RunIn(folder, {"/bin/sh", TIMED_RUN}, true, {qt.Setting(), qt.Platform});
  EXPECT_FALSE(run.Exited) << run.Err;
  EXPECT_TRUE(std::regex_match(run.Out, std::regex(R"(\d+[.,]\d{3} Sek\.\n)"))) << run.Out;
  EXPECT_EQ(run.Err, "");
  EXPECT_TRUE(std::regex_match(GetFile(folder / "Start.txt"), std::regex("( \\d+ \r\n){4}")));
  EXPECT_TRUE(GetFile(folder / "OUT.TXT").starts_with("-1,-2,-3,-4,-5,-6,-7,-8,-9\r\n"));
}

TEST(TimedRun, StopsBeforeEndeWhenAStepFails) {
  TempFolder folder;  // no IN.TXT
  const ProgramRun run = RunIn(folder, {"/bin/sh", TIMED_RUN}, false);
  ASSERT_TRUE(run.Exited) << "Ende was started";
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Out, "");
  EXPECT_TRUE(std::filesystem::exists(folder / "Start.txt"));
  EXPECT_NE(run.Err.find("Quadrin: "), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("timed-run: Quadrin ist fehlgeschlagen (Status 1); der Lauf ist "
                         "abgebrochen.\n"),
            std::string::npos)
      << run.Err;

  const ProgramRun missing =
      RunIn(folder, {"/bin/sh", TIMED_RUN}, false, {"KIT_BIN_DIR=" + folder.Path().string()});
  ASSERT_TRUE(missing.Exited);
  EXPECT_EQ(missing.Status, 2);
  EXPECT_EQ(missing.Err,
            "timed-run: Das Programm Start fehlt (gesucht in " + folder.Path().string() + ").\n");
}

}  // namespace
}  // namespace timing
