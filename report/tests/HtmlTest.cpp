// The pages' text before any browser sees it: what a name could smuggle in, and that a page
// names nothing outside itself.
#include <gtest/gtest.h>

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
