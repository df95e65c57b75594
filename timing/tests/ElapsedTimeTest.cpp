// Ende's computation: from the stamp and a second clock reading to the text it shows.
#include <gtest/gtest.h>

#include <random>

#include "ElapsedTime.h"
#include "FileError.h"
#include "StartFile.h"
#include "TempFolder.h"

namespace timing {
namespace {

using kit::testing::PutFile;
using kit::testing::TempFolder;

SYSTEMTIME At(int hour, int minute, int second, int millisecond) {
  auto field = [](int v) { return static_cast<std::uint16_t>(v); };
  return SYSTEMTIME{2024, 6, 1, 15, field(hour), field(minute), field(second), field(millisecond)};
}

TEST(ElapsedText, ShowsTheSecondsBetweenStampAndClock) {
  struct Case {
    SYSTEMTIME start, end;
    const char* separator;
    const char* text;
  };
  const Case cases[] = {
      {At(10, 0, 0, 0), At(10, 0, 12, 345), ",", "12,345 Sek."},
      {At(10, 0, 0, 0), At(10, 0, 12, 345), ".", "12.345 Sek."},
      {At(10, 0, 0, 0), At(10, 0, 0, 50), ",", "0,050 Sek."},
      {At(10, 0, 0, 0), At(11, 6, 40, 0), ",", "4000,000 Sek."},
      {At(10, 0, 0, 0), At(11, 6, 40, 0), ".", "4000.000 Sek."},
      {At(23, 59, 59, 999), At(23, 59, 59, 999), ",", "0,000 Sek."},
      // Across midnight UTC: the true 1.75 s, not 1.75 s minus a day.
      {At(23, 59, 59, 500), At(0, 0, 1, 250), ",", "1,750 Sek."},
      {At(23, 59, 59, 500), At(0, 0, 1, 250), ".", "1.750 Sek."},
      // A clock set back by a millisecond reads as a run of a day less that millisecond.
      {At(0, 0, 0, 1), At(0, 0, 0, 0), ",", "86399,999 Sek."},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    kit::StringSink stamp;
    WriteStartStamp(stamp, c.start);
    PutFile(folder / "Start.txt", stamp.Text);
    int readings = 0;
    const Clock clock = [&] {
      ++readings;
      return c.end;
    };
    EXPECT_EQ(ElapsedText(folder.Path(), clock, c.separator), c.text) << stamp.Text;
    EXPECT_EQ(readings, 1);
  }
}

TEST(ElapsedText, ThreeDecimalsAreTheExactMillisecondsForAnyTwoStamps) {
  std::mt19937 random(20240601);
  std::uniform_int_distribution<int> millisecondOfDay(0, 86399999);
  const int cornerCases[] = {0, 1, 999, 1000, 86399000, 86399999};
  for (int i = 0; i < 200000; ++i) {
    const int a = i < 36 ? cornerCases[i / 6] : millisecondOfDay(random);
    const int b = i < 36 ? cornerCases[i % 6] : millisecondOfDay(random);
    auto seconds = [](int ms) {
      return SecondsOfDay(ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    };
    const int difference = (b - a + 86400000) % 86400000;
    const std::string fraction = std::to_string(1000 + difference % 1000).substr(1);
    const std::string expected = std::to_string(difference / 1000) + "," + fraction + " Sek.";
    const std::string shown = FormatElapsed(ElapsedSeconds(seconds(a), seconds(b)), ",");
    if (shown != expected) {
      ADD_FAILURE() << a << " ms to " << b << " ms shows " << shown << ", not " << expected;
      break;
    }
  }
}

TEST(FormatElapsed, RoundsToThreeDecimalsWithoutGroupingOrANegativeZero) {
  EXPECT_EQ(FormatElapsed(-18000, ","), "-18000,000 Sek.");
  EXPECT_EQ(FormatElapsed(-0.0004, ","), "0,000 Sek.");
  EXPECT_EQ(FormatElapsed(-0.0006, "."), "-0.001 Sek.");
  EXPECT_EQ(FormatElapsed(2.0625, ","), "2,062 Sek.");  // exactly halfway: to even
  EXPECT_EQ(FormatElapsed(0.99951, ","), "1,000 Sek.");
  EXPECT_EQ(FormatElapsed(1e20, "٫"), "100000000000000000000٫000 Sek.");
}

TEST(ElapsedText, StampTooLargeToAddUpIsReportedNotShown) {
  TempFolder folder;
  PutFile(folder / "Start.txt", "1" + std::string(305, '0') + "\r\n0\r\n0\r\n0\r\n");
  try {
    ElapsedText(
        folder.Path(), [] { return At(1, 0, 0, 0); }, ",");
    ADD_FAILURE() << "no error";
  } catch (const kit::FileError& e) {
    EXPECT_EQ(e.what(), "Die Zahlen in der Datei " + (folder / "Start.txt").string() +
                            " sind zu groß für eine Uhrzeit. Zuerst muss Start laufen und die "
                            "Startzeit in Start.txt schreiben.");
  }
}

}  // namespace
}  // namespace timing
