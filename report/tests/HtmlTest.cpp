// The pages' text before any browser sees it: what a name could smuggle in, and that a page
// names nothing outside itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>

#include "HtmlReport.h"
#include "SampleRecords.h"
#include "SvgPictures.h"

namespace report {
namespace {

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Anything a browser would fetch: a source or a link, a style's url() or @import, or an address.
void ExpectSelfContained(const std::string& page) {
  EXPECT_EQ(Count(page,
                  "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                  "style-src 'unsafe-inline'; img-src data:\">"),
            1u);
  static const std::regex fetching(
      R"re(<[^>]*\s(src|href|srcset|data)\s*=|url\(|@import|<script|<link|<iframe|<object)re",
      std::regex::icase);
  EXPECT_FALSE(std::regex_search(page, fetching));
  // The only address is the name of SVG's namespace, which nothing loads.
  EXPECT_EQ(Count(page, "://"), Count(page, "xmlns=\"http://www.w3.org/2000/svg\""));
}

TEST(Html, NamesAreTextAndThePageNamesNothingOutside) {
  record::RunRecord run = samples::Suite();
  run.Solvers[0].Name = "<img src=x onerror=alert(1)>&\"'";
  run.Sets[0].Name = "</title><script>";
  const std::string page = FormatHtml(run, record::Summarize(run), ",");
  ExpectSelfContained(page);
  EXPECT_EQ(Count(page, "<img"), 0u);
  EXPECT_EQ(Count(page, "</title><script>"), 0u);
  EXPECT_GT(Count(page, "&lt;img src=x onerror=alert(1)&gt;&amp;&quot;&#39;"), 2u);
  EXPECT_GT(Count(page, "&lt;/title&gt;&lt;script&gt;"), 2u);

  const std::vector<record::HistoryLine> lines = record::HistoryLinesOf({record::StoredRun{1, run}});
  const std::string history = FormatHistoryHtml(lines, ",");
  ExpectSelfContained(history);
  EXPECT_EQ(Count(history, "<img"), 0u);
  ExpectSelfContained(FormatHistoryHtml({}, ","));
  EXPECT_EQ(Count(FormatHistoryHtml({}, ","), "Keine gespeicherten Läufe."), 1u);
}

// The text of every cell the page marks as bad news.
std::vector<std::string> BadTexts(const std::string& page) {
  static const std::regex bad(R"re(<t[dh][^>]* class="([^"]* )?bad"[^>]*>([^<]*)<)re");
  std::vector<std::string> texts;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), bad); it != std::sregex_iterator();
       ++it) {
    texts.push_back((*it)[2]);
  }
  return texts;
}

bool Holds(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// Two right solvers named like verdicts, equally fast, and a third that answers wrongly on the
// first set and is slower on the second.
record::RunRecord NamedLikeVerdicts() {
  record::RunRecord run;
  run.Context = samples::Machine();
  run.Settings.Folder = "lauf";
  run.Settings.Repeat = 3;
  run.Sets = {{"top95", "sammlung/top95.txt", 0, 95, 16433},
              {"17-clue", "sammlung/17-clue.txt", 0, 500, 80412}};
  run.Solvers = {{"falsch-2", "loeser/falsch-2"},
                 {"gescheitert", "loeser/gescheitert"},
                 {"irrt", "loeser/irrt"}};
  for (std::size_t set = 0; set < run.Sets.size(); ++set) {
    for (int round = 1; round <= 3; ++round) {
      for (std::size_t i = 0; i < run.Solvers.size(); ++i) {
        if (i == 2 && set == 0 && round == 3) continue;  // it left the set with its wrong answer
        const double seconds = (i == 2 ? 0.05 : 0.01) * (1 + 0.01 * round);
        const bool wrong = i == 2 && set == 0 && round == 2;
        record::Measurement m =
            samples::Ran(i, round, 0, seconds, seconds,
                         wrong ? samples::WrongAnswer(7, "Zeile 61 von OUT.TXT ist leer.")
                               : samples::AllCorrect(0, run.Sets[set].Count, 0));
        m.Set = set;
        run.Measurements.push_back(m);
      }
    }
  }
  return run;
}

// The page's colours come from the verdicts: names and messages that read like one change none.
TEST(Html, OnlyAWrongVerdictIsBadNewsWhateverTheNames) {
  const record::RunRecord run = NamedLikeVerdicts();
  const std::string page = FormatHtml(run, record::Summarize(run), ",");
  const std::vector<std::string> bad = BadTexts(page);
  for (const std::string& text : bad) {
    EXPECT_EQ(text.find("falsch-2"), std::string::npos) << text;
    EXPECT_EQ(text.find("gescheitert"), std::string::npos) << text;
  }
  EXPECT_TRUE(Holds(bad, "falsch")) << "the wrong solver's cell in the matrix";
  EXPECT_TRUE(Holds(bad, "Runde 2: Lösung für SUDOKU-Nr. 7 ist nicht korrekt."));
  EXPECT_TRUE(Holds(bad,
                    "top95, irrt: Runde 2: Lösung für SUDOKU-Nr. 7 ist nicht korrekt. "
                    "Grund: Zeile 61 von OUT.TXT ist leer."));
  // The comparisons with the fastest on both sets, plain.
  EXPECT_EQ(Count(page, "<th scope=\"row\">gescheitert</th>"), 2u);
  EXPECT_EQ(Count(page, "<td>falsch-2 (gleiche Runden)</td>"), 3u);
  // Every right solver's check on every set, the wrong one's on the second.
  EXPECT_EQ(Count(page, "<td class=\"good\">Alle Lösungen korrekt</td>"), 5u);

  const std::string history =
      FormatHistoryHtml(record::HistoryLinesOf({record::StoredRun{1, run}}), ",");
  const std::vector<std::string> badLines = BadTexts(history);
  EXPECT_EQ(badLines.size(), 2u);  // the wrong line's median and verdict
  EXPECT_TRUE(Holds(badLines, "falsch"));
  EXPECT_EQ(Count(history, "<td>falsch-2</td>"), 2u);
  EXPECT_EQ(Count(history, "<td>gescheitert</td>"), 2u);
}

TEST(Html, ADotPerTimedRunAndTheMedianWhereItLies) {
  PlotPanel panel{"", {{"a", 0, {1.0, 3.0, 2.0}}, {"b", 1, {4.0}}, {"c", 2, {}}}};
  const std::string svg = DotPictureSvg(panel, "Titel <1>", "bild", ",");
  EXPECT_EQ(Count(svg, "<circle"), 4u);
  EXPECT_EQ(Count(svg, "<title id=\"bild\">Titel &lt;1&gt;</title>"), 1u);
  for (const char* tip : {"a: 1,000 s", "a: 3,000 s", "a: 2,000 s", "b: 4,000 s"}) {
    EXPECT_EQ(Count(svg, std::string(">") + tip + "</title>"), 1u) << tip;
  }
  // The axis runs from 0 to 5 seconds, a tick a second: a's median, 2 s, at 2/5 of it; c has none.
  EXPECT_EQ(Count(svg, "class=\"median\""), 2u);
  std::smatch median;
  const std::regex first(R"re(class="median" x1="([0-9.]+)")re");
  ASSERT_TRUE(std::regex_search(svg, median, first));  // a's, the first row's
  const double left = 110, width = 800 - left - 28;
  EXPECT_NEAR(std::stod(median[1]), left + width * 2 / 5, 0.1);
}

TEST(Html, TheHistoryMarksEveryStoredRunOfEverySolver) {
  const std::vector<record::HistoryLine> lines =
      record::HistoryLinesOf({record::StoredRun{4, samples::Suite()}, record::StoredRun{9, samples::Suite()}});
  std::vector<std::string> solvers;
  const std::vector<HistorySet> sets = HistorySetsOf(lines, solvers);
  ASSERT_EQ(sets.size(), 2u);
  const std::string svg = HistorySvg(sets[1], solvers, "Verlauf", "v", ",");
  // hardest-1106: three solvers in two runs, each with its median; the legend a dot per solver.
  EXPECT_EQ(Count(svg, "<circle"), 3u * 2 + 3);
  for (const char* run : {"Lauf 4, flink: Median", "Lauf 9, langsam: Median", "Lauf 9, kaputt"}) {
    EXPECT_EQ(Count(svg, run), 1u) << run;
  }
  EXPECT_EQ(Count(svg, "<polyline"), 3u);
}

}  // namespace
}  // namespace report
