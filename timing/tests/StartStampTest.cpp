// Start.txt: the exact bytes Start writes, and how Ende reads them back.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "FileError.h"
#include "StartFile.h"
#include "TempFolder.h"

namespace timing {
namespace {

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

SYSTEMTIME At(int hour, int minute, int second, int millisecond) {
  auto field = [](int v) { return static_cast<std::uint16_t>(v); };
  return SYSTEMTIME{2024, 6, 1, 15, field(hour), field(minute), field(second), field(millisecond)};
}

Clock FixedAt(const SYSTEMTIME& time) {
  return [time] { return time; };
}

std::string Stamp(const SYSTEMTIME& time) {
  kit::StringSink sink;
  WriteStartStamp(sink, time);
  return sink.Text;
}

TEST(StartStamp, BytesAreSpaceDigitsSpaceCrLfPerValue) {
  EXPECT_EQ(Stamp(At(0, 0, 0, 0)), " 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
  EXPECT_EQ(Stamp(At(0, 0, 0, 0)).size(), 20u);
  EXPECT_EQ(Stamp(At(23, 59, 59, 999)), " 23 \r\n 59 \r\n 59 \r\n 999 \r\n");
  EXPECT_EQ(Stamp(At(23, 59, 59, 999)).size(), 25u);
  EXPECT_EQ(
      Stamp(At(14, 3, 7, 45)),
      "\x20\x31\x34\x20\x0D\x0A\x20\x33\x20\x0D\x0A\x20\x37\x20\x0D\x0A\x20\x34\x35\x20\x0D\x0A");
  EXPECT_EQ(Stamp(At(10, 0, 0, 7)), " 10 \r\n 0 \r\n 0 \r\n 7 \r\n");
  EXPECT_EQ(Stamp(At(10, 0, 0, 100)), " 10 \r\n 0 \r\n 0 \r\n 100 \r\n");
}

std::size_t Entries(const TempFolder& folder) {
  const std::filesystem::directory_iterator entries(folder.Path());
  return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

TEST(RunStart, CreatesTheFileBeforeReadingTheClockOnceAndReplacesAnEarlierStamp) {
  TempFolder folder;
  int readings = 0;
  std::size_t entriesAtReading = 0;
  const Clock clock = [&] {
    ++readings;
    entriesAtReading = Entries(folder);
    return At(9, 8, 7, 6);
  };
  std::ostringstream errors;
  ASSERT_EQ(RunStart(folder.Path(), clock, errors), 0);
  EXPECT_EQ(errors.str(), "");
  EXPECT_EQ(readings, 1);
  EXPECT_EQ(entriesAtReading, 1u);
  EXPECT_EQ(GetFile(folder / "Start.txt"), " 9 \r\n 8 \r\n 7 \r\n 6 \r\n");

  PutFile(folder / "Start.txt", " 1 \r\n 2 \r\n 3 \r\n 4 \r\n and a longer tail that must go\r\n");
  ASSERT_EQ(RunStart(folder.Path(), FixedAt(At(0, 0, 0, 0)), errors), 0);
  EXPECT_EQ(GetFile(folder / "Start.txt"), " 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
  EXPECT_EQ(Entries(folder), 1u);
}

TEST(ReadStartStamp, ReadsStartsLinesAndHandWrittenOnesAlike) {
  TempFolder folder;
  const std::array<double, 4> expected{23, 59, 59, 999};
  for (const char* bytes : {
           " 23 \r\n 59 \r\n 59 \r\n 999 \r\n",              // as Start writes it
           "23\r\n59\r\n59\r\n999\r\n",                      // without the spaces
           "23\n  59\n59   \n999",                           // LF alone, no final line end
           " 23 \r\n 59 \r\n 59 \r\n 999 \r\nnot read\r\n",  // lines after the fourth
       }) {
    PutFile(folder / "Start.txt", bytes);
    EXPECT_EQ(ReadStartStamp(folder.Path(), ",").Values, expected) << bytes;
  }
  std::filesystem::rename(folder / "Start.txt", folder / "START.TXT");
  const StartStamp stamp = ReadStartStamp(folder.Path(), ".");
  EXPECT_EQ(stamp.Values, expected);
  EXPECT_EQ(stamp.ShownName, (folder / "START.TXT").string());
}

TEST(ReadStartStamp, NumbersFollowTheDecimalSeparatorAndMayHaveASign) {
  TempFolder folder;
  PutFile(folder / "Start.txt", "-1\r\n+2\r\n7,5\r\n0,25\r\n");
  EXPECT_EQ(ReadStartStamp(folder.Path(), ",").Values, (std::array<double, 4>{-1, 2, 7.5, 0.25}));
  PutFile(folder / "Start.txt", "1\r\n2\r\n7.5\r\n,5\r\n");
  EXPECT_THROW(ReadStartStamp(folder.Path(), ","), kit::FileError);  // '.' is no separator here
  PutFile(folder / "Start.txt", "1\r\n2\r\n7.5\r\n.5\r\n");
  EXPECT_EQ(ReadStartStamp(folder.Path(), ".").Values, (std::array<double, 4>{1, 2, 7.5, 0.5}));
}

TEST(ReadStartStamp, DamagedOrMissingFileSaysWhatIsWrongAndThatStartMustRunFirst) {
  TempFolder folder;
  const std::string file = (folder / "Start.txt").string();
  const std::string fourLines = "; sie braucht vier (Stunde, Minute, Sekunde, Millisekunde).";
  struct Case {
    std::optional<std::string> bytes;  // none: no file
    long long line;
    std::string message;
  };
  const Case cases[] = {
      {std::nullopt, 0, "Die Datei Start.txt fehlt im Ordner " + folder.Path().string() + "."},
      {"", 0,
       "Die Datei " + file +
           " ist leer; sie braucht vier Zeilen (Stunde, Minute, Sekunde, Millisekunde)."},
      {" 10 \r\n", 0, "Die Datei " + file + " hat nur 1 Zeile" + fourLines},
      {" 10 \r\n 0 \r\n 0 \r\n", 0, "Die Datei " + file + " hat nur 3 Zeilen" + fourLines},
      {" 10 \r\n zehn \r\n 0 \r\n 0 \r\n", 2,
       "In der Datei " + file + " ist Zeile 2 (Minute) keine Zahl: „zehn“."},
      {" 10 \r\n 0 \r\n 0 \r\n\r\n", 4,
       "In der Datei " + file + " ist Zeile 4 (Millisekunde) leer."},
      {" 1 0 \r\n 0 \r\n 0 \r\n 0 \r\n", 1,
       "In der Datei " + file + " ist Zeile 1 (Stunde) keine Zahl: „1 0“."},
      {" 10 \r\n 0 \r\n 0 \r\n " + std::string(45, '7') + "x \r\n", 4,
       "In der Datei " + file + " ist Zeile 4 (Millisekunde) keine Zahl: „" + std::string(40, '7') +
           "…“."},
      {std::string(" 12 \r\n 3\0 \r\n 4 \r\n 5 \r\n", 22), 2,  // a NUL must not cut the message
       "In der Datei " + file + " ist Zeile 2 (Minute) keine Zahl: „3[0x00]“."},
      {"1" + std::string(400, '0') + "\r\n0\r\n0\r\n0\r\n", 1,
       "In der Datei " + file +
           " ist Zeile 1 (Stunde) eine Zahl außerhalb des darstellbaren Bereichs."},
      {" 10 \r\n 0 \r\n" + std::string(MaxStartLine + 1, ' ') + "\r\n 0 \r\n", 3,
       "In der Datei " + file + " ist Zeile 3 (Sekunde) länger als 1024 Bytes."},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(folder / "Start.txt");
    if (c.bytes) PutFile(folder / "Start.txt", *c.bytes);
    try {
      ReadStartStamp(folder.Path(), ",");
      ADD_FAILURE() << "no error for " << c.bytes.value_or("no file");
    } catch (const kit::FileError& e) {
      EXPECT_EQ(e.what(),
                c.message + " Zuerst muss Start laufen und die Startzeit in Start.txt schreiben.");
      EXPECT_EQ(e.Line, c.line) << c.message;
    }
  }
}

}  // namespace
}  // namespace timing
