// Any bytes as a line solver's output, judged against three puzzles (one solution, several, none):
// read into the claims as the runner reads a pipe, and as an answers file. Both must come to the
// same verdict, always Wrong or AllCorrect, and may call the answers correct only when they are.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "CheckIt.h"
#include "FuzzTarget.h"
#include "LineAnswers.h"
#include "SolutionFile.h"

namespace {

kit::Board BoardOf(const char* digits) {
  kit::Board b{};
  for (std::size_t i = 0; i < 81; ++i) b[i] = static_cast<std::uint8_t>(digits[i] - '0');
  return b;
}

const kit::Board Unique =
    BoardOf("000000010400000000020000000000050407008000300001090000300400200050100000000806000");
const kit::Board Solution =
    BoardOf("693784512487512936125963874932651487568247391741398625319475268856129743274836159");
const kit::Board Empty{};
const kit::Board Repeated =
    BoardOf("550000000000000000000000000000000000000000000000000000000000000000000000000000000");

const kit::PuzzleText& Puzzles() {
  static const kit::PuzzleText text = [] {
    kit::StringSink sink;
    kit::WritePuzzleBlocks(sink, {Unique, Empty, Repeated});
    return kit::PuzzleText{sink.Text, "IN.TXT"};
  }();
  return text;
}

std::filesystem::path FileOfThisProcess() {
  const auto base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                        : std::filesystem::temp_directory_path();
  return base / ("kit-answer-lines-fuzz-" + std::to_string(::getpid()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto always = [](std::int32_t) { return true; };
  const std::filesystem::path path = FileOfThisProcess();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const std::string sent[] = {checker::PuzzleLine(Unique), checker::PuzzleLine(Empty),
                              checker::PuzzleLine(Repeated)};
  checker::ClaimList claims(3);
  {
    kit::LineReader reader(path, "die Ausgabe", kit::MaxAnswerLine);
    std::string_view line;
    while (reader.ReadLine(line)) {
      const auto n = static_cast<std::size_t>(claims.Lines());
      claims.Add(line, n < 3 ? std::string_view(sent[n]) : std::string_view());
    }
    if (reader.LineTooLong()) claims.TooLong();
  }
  checker::ClaimList::Answers fromPipe(claims);
  const checker::CheckResult piped = checker::CheckAnswers(Puzzles(), fromPipe, always);
  checker::AnswerLinesFile file(path, "answers", 3);
  const checker::CheckResult filed = checker::CheckAnswers(Puzzles(), file, always);
  std::filesystem::remove(path);

  Require(piped.Kind == checker::Verdict::AllCorrect || piped.Kind == checker::Verdict::Wrong);
  Require(piped.Number >= 1 && piped.Number <= 3);
  Require(filed.Kind == piped.Kind && filed.Number == piped.Number);
  // The two name the end of the answers differently ("die Ausgabe", the file's name); the rest
  // of every reason is the same.
  if (piped.Reason.find(" fehlt; ") == std::string::npos) {
    const std::string::size_type cut = piped.Reason.find("; gesendet wurden");
    Require(cut != std::string::npos ? filed.Reason.substr(0, cut) == piped.Reason.substr(0, cut)
                                     : filed.Reason == piped.Reason);
  }
  if (piped.Kind == checker::Verdict::AllCorrect) {
    // Only the unique solution passes the first puzzle: the first line holds it after a count 1.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string first = text.substr(0, text.find('\n'));
    Require(first.find(checker::PuzzleLine(Solution)) != std::string::npos);
  }
  // A line read well keeps its promises.
  const std::string text(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 2048));
  checker::LineForm form = checker::LineForm::Unknown;
  kit::PuzzleRecord answer;
  if (!checker::ParseAnswerLine(text, sent[0], form, answer)) {
    Require(answer.Status >= 0 && answer.Status <= 2);
    Require(form != checker::LineForm::Unknown);
    if (answer.Status == 0) Require(answer.Cells == kit::Board{});
    if (answer.Status == 1) {
      for (std::uint8_t v : answer.Cells) Require(v >= 1 && v <= 9);
    }
  }
  return 0;
}
