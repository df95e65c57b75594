#include "LineAnswers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "FileError.h"
#include "SolutionFile.h"

namespace checker {
namespace {

constexpr std::size_t Cells = kit::CellCount;
constexpr std::size_t MaxCountDigits = 20;
// The most bytes of a line a reason quotes; longer text is cut and ends in "…".
constexpr std::size_t QuotedBytes = 32;

// Text from the line as a reason quotes it: „…“, cut to QuotedBytes, every byte that is not
// printable ASCII shown as [0xNN].
std::string Quoted(std::string_view text) {
  const bool cut = text.size() > QuotedBytes;
  return "„" + kit::VisibleBytes(text.substr(0, QuotedBytes)) + (cut ? "…" : "") + "“";
}

// "Zeile r, Spalte c" of a cell, counted from 1.
std::string Place(std::size_t cell) {
  return "Zeile " + std::to_string(cell / 9 + 1) + ", Spalte " + std::to_string(cell % 9 + 1);
}

const char* FormText(LineForm form) {
  return form == LineForm::PuzzleCountSolution ? "RÄTSEL:ANZAHL:LÖSUNG" : "ANZAHL:LÖSUNG";
}

std::string LinesText(std::int64_t lines) {
  return lines == 1 ? "1 Zeile" : std::to_string(lines) + " Zeilen";
}

std::string SentText(std::int64_t puzzles) {
  return puzzles == 1 ? "gesendet wurde 1 Rätsel" : "gesendet wurden " + std::to_string(puzzles) +
                                                        " Rätsel";
}

std::string HeldText(std::int64_t puzzles) {
  return "die Sammlung hat " + std::to_string(puzzles) + " Rätsel";
}

// "fehlt; die Ausgabe endet nach 16 Zeilen" (or "ist leer"), then `total`.
std::string MissingText(std::int64_t line, const std::string& endsAfter, std::int64_t read,
                        const std::string& total) {
  return OutputLinePrefix(line) + "fehlt; " + endsAfter +
         (read == 0 ? " ist leer" : " endet nach " + LinesText(read)) + ", " + total + ".";
}

std::string SurplusText(std::int64_t line, const std::string& total) {
  return OutputLinePrefix(line) + "eine Zeile zu viel; " + total + ".";
}

std::string TooLongText(std::int64_t line) {
  return OutputLinePrefix(line) + "ist länger als " + std::to_string(kit::MaxAnswerLine) +
         " Bytes.";
}

// The puzzle field against the line sent: the same, with '0' taken for '.'.
std::optional<std::string> PuzzleFault(std::string_view given, std::string_view sent) {
  if (given.size() != Cells) {
    return "das Rätsel " + Quoted(given) + " hat " + std::to_string(given.size()) +
           " Zeichen statt 81.";
  }
  for (std::size_t i = 0; i < Cells; ++i) {
    const char want = i < sent.size() ? sent[i] : '.';
    if (given[i] == want || (want == '.' && given[i] == '0')) continue;
    return "das Rätsel ist nicht das gesendete: " + Place(i) + " hat " + kit::ShownByte(given[i]) +
           " statt " + (want == '.' ? std::string("„.“ oder „0“") : kit::ShownByte(want)) + ".";
  }
  return std::nullopt;
}

// The count field: 0, 1 or 2 for two or more; -1 when it is no count.
int CountOf(std::string_view count) {
  if (count.empty() || count.size() > MaxCountDigits) return -1;
  int value = 0;  // saturates at 2
  for (const char c : count) {
    if (c < '0' || c > '9') return -1;
    if (value > 0 || c != '0') value = value == 0 && c == '1' ? 1 : 2;
  }
  return value;
}

// The answers file: a regular file as kit::LineReader opens one; a FIFO or a pipe, such as a
// shell's <(solver < puzzles), is read as it comes, waiting for its writer.
kit::LineReader OpenAnswerLines(const std::filesystem::path& path, const std::string& shownName) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && S_ISFIFO(info.st_mode)) {
    int descriptor = -1;
    do {
      descriptor = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) {
      throw kit::FileError("Die Datei " + shownName +
                           " kann nicht gelesen werden: " + kit::SystemErrorText(errno) + ".");
    }
    return kit::LineReader(descriptor, shownName, kit::MaxAnswerLine);
  }
  return kit::LineReader(path, shownName, kit::MaxAnswerLine);
}

}  // namespace

const Declarations LineDeclarations = {
    {"keine Lösung (Anzahl 0)", "genau eine Lösung (Anzahl 1)",
     "mehrere Lösungen (Anzahl 2 oder mehr)"},
    true};

void WritePuzzleLine(const kit::Board& givens, char* line81) {
  for (std::size_t i = 0; i < Cells; ++i) {
    line81[i] = givens[i] == 0 ? '.' : static_cast<char>('0' + givens[i]);
  }
}

std::string PuzzleLine(const kit::Board& givens) {
  std::string line(Cells, '.');
  WritePuzzleLine(givens, line.data());
  return line;
}

std::string OutputLinePrefix(long long line) {
  return "Zeile " + std::to_string(line) + " der Ausgabe: ";
}

std::optional<std::string> ParseAnswerLine(std::string_view line, std::string_view sent,
                                           LineForm& form, kit::PuzzleRecord& answer) {
  const std::size_t first = line.find(':');
  const std::size_t second = first == line.npos ? line.npos : line.find(':', first + 1);
  const std::size_t third = second == line.npos ? line.npos : line.find(':', second + 1);
  const LineForm found = first == line.npos    ? LineForm::Unknown
                         : second == line.npos ? LineForm::CountSolution
                         : third == line.npos  ? LineForm::PuzzleCountSolution
                                               : LineForm::Unknown;
  if (form == LineForm::Unknown) {
    if (found == LineForm::Unknown) {
      if (line.empty()) return "ist leer statt ANZAHL:LÖSUNG oder RÄTSEL:ANZAHL:LÖSUNG.";
      return "hat weder die Form ANZAHL:LÖSUNG noch RÄTSEL:ANZAHL:LÖSUNG: " + Quoted(line) + ".";
    }
    form = found;
  } else if (found != form) {
    if (line.empty()) return std::string("ist leer statt ") + FormText(form) + ".";
    return std::string("hat nicht die Form der ersten Zeile, ") + FormText(form) + ": " +
           Quoted(line) + ".";
  }
  std::string_view count = line.substr(0, first), solution = line.substr(first + 1);
  if (form == LineForm::PuzzleCountSolution) {
    if (auto fault = PuzzleFault(line.substr(0, first), sent)) return fault;
    count = line.substr(first + 1, second - first - 1);
    solution = line.substr(second + 1);
  }
  const int kind = CountOf(count);
  if (count.empty()) return std::string("die Anzahl fehlt.");
  if (kind < 0) return "die Anzahl " + Quoted(count) + " ist keine Zahl aus 1 bis 20 Ziffern.";
  if (!solution.empty()) {
    if (solution.size() != Cells) {
      return "die Lösung " + Quoted(solution) + " hat " + std::to_string(solution.size()) +
             " Zeichen statt 81 Ziffern 1–9.";
    }
    for (std::size_t i = 0; i < Cells; ++i) {
      const unsigned digit = static_cast<unsigned char>(solution[i]) - unsigned{'1'};
      if (digit > 8) {
        return "die Lösung hat in " + Place(i) + " " + kit::ShownByte(solution[i]) +
               " statt einer Ziffer 1–9.";
      }
      answer.Cells[i] = static_cast<std::uint8_t>(digit + 1);
    }
  }
  if (kind == 1 && solution.empty()) return std::string("die Anzahl ist 1, die Lösung fehlt aber.");
  if (kind == 0 && !solution.empty()) {
    return std::string("die Anzahl ist 0, dahinter steht aber eine Lösung.");
  }
  answer.Status = static_cast<std::int16_t>(kind);
  answer.Filled = 0;
  if (kind == 0) {
    answer.Cells.fill(0);
  } else if (solution.empty()) {  // several, without a solution: the givens stand for it
    for (std::size_t i = 0; i < Cells; ++i) {
      const unsigned digit =
          i < sent.size() ? static_cast<unsigned char>(sent[i]) - unsigned{'0'} : 0;
      answer.Cells[i] = static_cast<std::uint8_t>(digit <= 9 ? digit : 0);
    }
  }
  return std::nullopt;
}

ClaimList::ClaimList(std::int64_t puzzles) : puzzles_(puzzles < 0 ? 0 : puzzles) {
  claims_.reserve(static_cast<std::size_t>(puzzles_));
}

void ClaimList::Add(std::string_view line, std::string_view sent) {
  ++lines_;
  if (bad_) return;
  if (lines_ > puzzles_) {
    bad_ = SurplusText(lines_, SentText(puzzles_));
    return;
  }
  kit::PuzzleRecord& claim = claims_.emplace_back();
  if (auto fault = ParseAnswerLine(line, sent, form_, claim)) {
    claims_.pop_back();
    bad_ = OutputLinePrefix(lines_) + *fault;
  }
}

void ClaimList::TooLong() {
  ++lines_;
  if (bad_) return;
  bad_ = lines_ > puzzles_ ? SurplusText(lines_, SentText(puzzles_)) : TooLongText(lines_);
}

bool ClaimList::Answers::Next(const kit::Board& givens, kit::PuzzleRecord& answer,
                              std::string& reason) {
  (void)givens;
  if (next_ < list_.claims_.size()) {
    answer = list_.claims_[next_++];
    return true;
  }
  const auto line = static_cast<std::int64_t>(next_) + 1;
  if (list_.bad_ && line <= list_.puzzles_) {
    reason = *list_.bad_;
  } else {
    reason = MissingText(line, "die Ausgabe", list_.lines_, SentText(list_.puzzles_));
  }
  return false;
}

std::optional<std::string> ClaimList::Answers::AfterLast() {
  // The judge's puzzles end before the claims do: the lines after them are too many.
  if (next_ < list_.claims_.size()) {
    return SurplusText(static_cast<std::int64_t>(next_) + 1,
                       SentText(static_cast<std::int64_t>(next_)));
  }
  return list_.bad_;
}

std::string ClaimList::Answers::Where(std::int32_t number) const {
  return OutputLinePrefix(number);
}

AnswerLinesFile::AnswerLinesFile(const std::filesystem::path& path, std::string shownName,
                                 std::int64_t puzzles)
    : shownName_(std::move(shownName)),
      puzzles_(puzzles),
      reader_(OpenAnswerLines(path, shownName_)) {}

bool AnswerLinesFile::Next(const kit::Board& givens, kit::PuzzleRecord& answer,
                           std::string& reason) {
  std::string_view line;
  if (!reader_.ReadLine(line)) {
    const long long number = reader_.LinesRead() + 1;
    reason = reader_.LineTooLong()
                 ? TooLongText(number)
                 : MissingText(number, shownName_, reader_.LinesRead(), HeldText(puzzles_));
    return false;
  }
  WritePuzzleLine(givens, sent_.data());
  if (auto fault = ParseAnswerLine(line, std::string_view(sent_.data(), sent_.size()), form_,
                                   answer)) {
    reason = OutputLinePrefix(reader_.LinesRead()) + *fault;
    return false;
  }
  return true;
}

std::optional<std::string> AnswerLinesFile::AfterLast() {
  std::string_view line;
  if (reader_.ReadLine(line) || reader_.LineTooLong()) {
    const long long judged = reader_.LinesRead() - (reader_.LineTooLong() ? 0 : 1);
    return SurplusText(judged + 1, HeldText(judged));
  }
  return std::nullopt;
}

std::string AnswerLinesFile::Where(std::int32_t number) const {
  return OutputLinePrefix(number);
}

}  // namespace checker
