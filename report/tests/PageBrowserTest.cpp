// The pages as a browser shows them: headless Chromium lays each out at a desktop's and at a
// phone's width, a script added to a copy measures what overlaps or spills over, and the rendered
// text must hold every solver, set, figure and verdict of the text report.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>

#include "HtmlReport.h"
#include "Numbers.h"
#include "SampleRecords.h"
#include "TempFolder.h"
#include "TextReport.h"

namespace report {
namespace {

using kit::testing::GetFile;
using kit::testing::PutFile;
using kit::testing::TempFolder;

// Added to the page's copy only: it notes what the page's policy refused and what was loaded,
// then, once laid out, every box wider than the window, every two neighbours that overlap, and
// every label or value that spills out of its cell; and the text as rendered.
constexpr const char* Probe = R"(<script>
window.refused = [];
document.addEventListener('securitypolicyviolation', e => refused.push(e.violatedDirective));
</script>)";
constexpr const char* Measure = R"(<script>
(() => {
  const problems = [...refused.map(d => 'verweigert: ' + d)];
  const width = window.innerWidth;
  if (document.documentElement.scrollWidth > width + 1)
    problems.push('Seite ' + document.documentElement.scrollWidth + ' px breit');
  for (const box of document.querySelectorAll('main > *, section > *, .cards > *, .card > *')) {
    const r = box.getBoundingClientRect();
    if (r.left < -1 || r.right > width + 1) problems.push(box.tagName + ' reicht hinaus: ' + r.right);
  }
  const name = e => e.tagName + (e.id ? '#' + e.id : '') + ' ' + (e.textContent || '').slice(0, 30);
  for (const parent of document.querySelectorAll('main, header, section, .cards, .card, figure, tr')) {
    const kids = [...parent.children].map(k => [k, k.getBoundingClientRect()])
                   .filter(([k, r]) => r.width > 0 && r.height > 0);
    for (let i = 0; i < kids.length; ++i)
      for (let j = i + 1; j < kids.length; ++j) {
        const [a, p] = kids[i], [b, q] = kids[j];
        const x = Math.min(p.right, q.right) - Math.max(p.left, q.left);
        const y = Math.min(p.bottom, q.bottom) - Math.max(p.top, q.top);
        if (x > 1 && y > 1) problems.push('überlappt: ' + name(a) + ' / ' + name(b));
      }
  }
  for (const cell of document.querySelectorAll('table.items th, table.items td'))
    if (cell.scrollWidth > cell.clientWidth + 1) problems.push('Zelle läuft über: ' + name(cell));
  for (const table of document.querySelectorAll('table')) {
    if (!table.querySelector('th')) problems.push('Tabelle ohne Kopfzellen');
    const box = table.parentElement;  // label and value wrap, only wide tables scroll
    if (table.matches('.items') && box.scrollWidth > box.clientWidth + 1)
      problems.push('Angaben laufen über: ' + name(table));
  }
  for (const svg of document.querySelectorAll('svg'))
    if (!svg.querySelector(':scope > title') || !svg.getAttribute('aria-labelledby'))
      problems.push('Bild ohne Titel');
  const loaded = performance.getEntriesByType('resource').length;
  if (loaded > 0) problems.push(loaded + ' Dateien geladen');
  const scrolling = [...document.querySelectorAll('.box, figure')]
                      .filter(b => b.scrollWidth > b.clientWidth + 1).length;
  const out = document.createElement('pre');
  out.id = 'measured';
  out.textContent = JSON.stringify({problems, scrolling, width, text: document.body.innerText});
  document.body.appendChild(out);
})();
</script>)";

struct Rendered {
  std::string Problems;  // empty when none
  int Scrolling = 0;     // boxes that scroll sideways
  int Width = 0;         // the window's, as the page saw it
  std::string Text;      // as rendered
};

std::string Unescaped(std::string text) {
  for (const auto& [from, to] : std::array<std::pair<std::string, std::string>, 5>{
           {{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}}}) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
      text.replace(at, from.size(), to);
    }
  }
  return text;
}

// One JSON string value after `key`, with its escapes resolved (the few JSON.stringify writes
// for this text).
std::string JsonText(const std::string& json, const std::string& key) {
  const std::size_t start = json.find("\"" + key + "\":\"");
  if (start == std::string::npos) return {};
  std::string value;
  for (std::size_t i = start + key.size() + 4; i < json.size() && json[i] != '"'; ++i) {
    if (json[i] != '\\') {
      value += json[i];
      continue;
    }
    const char c = json[++i];
    value += c == 'n' ? '\n' : c == 't' ? '\t' : c;
  }
  return value;
}

int JsonNumber(const std::string& json, const std::string& key) {
  const std::size_t start = json.find("\"" + key + "\":");
  return start == std::string::npos ? -1 : std::atoi(json.c_str() + start + key.size() + 3);
}

// Lays `page` out `width` pixels wide and gives back what the measuring script saw. Headless
// Chromium keeps its window at least 500 pixels wide, so the page is shown in a frame of the
// width, and the frame's page hands its findings to the window's.
Rendered Render(const TempFolder& folder, std::string page, int width) {
  const std::string policy = "default-src 'none';";
  const std::size_t at = page.find(policy);
  EXPECT_NE(at, std::string::npos) << "the page has no policy";
  if (at == std::string::npos) return {};
  page.insert(at + policy.size(), " script-src 'unsafe-inline';");
  page.insert(page.find("<style>"), Probe);
  page.insert(page.rfind("</body>"), Measure);
  const std::string name = "seite-" + std::to_string(width);
  PutFile(folder / (name + ".html"), page);
  const auto frame = folder / (name + "-rahmen.html");
  PutFile(frame, "<!DOCTYPE html><html><body style=\"margin:0\"><iframe id=\"f\" src=\"" + name +
                     ".html\" style=\"border:0;width:" + std::to_string(width) +
                     "px;height:2400px\"></iframe><script>f.onload = () => { const p = "
                     "document.createElement('pre'); p.id = 'measured'; p.textContent = "
                     "f.contentDocument.getElementById('measured').textContent; "
                     "document.body.appendChild(p); };</script></body></html>");
  const std::string command =
      "timeout 90 '" KIT_CHROMIUM
      "' --headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
      "--disable-background-networking --disable-component-update --disable-sync "
      "--hide-scrollbars --allow-file-access-from-files --user-data-dir='" +
      (folder / "profil").string() + "' --window-size=" + std::to_string(width + 40) +
      ",2500 --virtual-time-budget=3000 --dump-dom 'file://" + frame.string() + "' 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string dom;
  std::array<char, 65536> piece{};
  while (pipe && std::fgets(piece.data(), piece.size(), pipe.get())) dom += piece.data();
  const std::size_t begin = dom.find("<pre id=\"measured\">");
  EXPECT_NE(begin, std::string::npos) << "Chromium gave no measured page:\n" << dom.substr(0, 2000);
  if (begin == std::string::npos) return {};
  const std::string json = Unescaped(dom.substr(begin, dom.find("</pre>", begin) - begin));
  Rendered r;
  const std::size_t list = json.find("\"problems\":[") + 12;
  r.Problems = json.substr(list, json.find(']', list) - list);
  r.Scrolling = JsonNumber(json, "scrolling");
  r.Width = JsonNumber(json, "width");
  r.Text = JsonText(json, "text");
  return r;
}

// The text report's words that carry a figure or a name: split at blanks and at the characters
// that only join them, and those with a digit kept.
std::vector<std::string> FiguresOf(const std::string& report) {
  std::vector<std::string> figures;
  static const std::regex token(R"([^\s();:/÷]+)");
  for (auto it = std::sregex_iterator(report.begin(), report.end(), token);
       it != std::sregex_iterator(); ++it) {
    std::string word = it->str();
    while (!word.empty() && (word.back() == ',' || word.back() == '.')) word.pop_back();
    if (word.find_first_of("0123456789") != std::string::npos) figures.push_back(word);
  }
  return figures;
}

// Collapses runs of blanks, so that a text broken into cells and lines compares with one line.
std::string Flat(const std::string& text) {
  std::string flat;
  for (const char c : text) {
    const bool blank = c == ' ' || c == '\n' || c == '\t';
    if (blank && (flat.empty() || flat.back() == ' ')) continue;
    flat += blank ? ' ' : c;
  }
  return flat;
}

class Page : public ::testing::TestWithParam<std::pair<const char*, record::RunRecord (*)()>> {};

TEST_P(Page, ShowsEveryFigureAndVerdictOfTheTextReportAtBothWidths) {
  TempFolder folder;
  const record::RunRecord run = GetParam().second();
  const record::Summaries summaries = record::Summarize(run);
  const std::string page = FormatHtml(run, summaries, ",");
  const std::string text = FormatReport(run, summaries, ",");

  const Rendered wide = Render(folder, page, 1280);
  EXPECT_EQ(wide.Width, 1280);
  EXPECT_EQ(wide.Problems, "");
  const std::string shown = Flat(wide.Text);
  for (const std::string& figure : FiguresOf(text)) {
    EXPECT_NE(shown.find(figure), std::string::npos) << figure << " fehlt";
  }
  for (const record::Solver& solver : run.Solvers)
    EXPECT_NE(shown.find(solver.Name), std::string::npos);
  for (const record::PuzzleSet& set : run.Sets) EXPECT_NE(shown.find(set.Name), std::string::npos);
  // Every verdict as the text words it: the checks', the comparisons', why a solver left a set.
  for (std::size_t set = 0; set < run.Sets.size(); ++set) {
    for (std::size_t i = 0; i < run.Solvers.size(); ++i) {
      for (const ReportItem& item : SolverItems(run, i, summaries.Sets[set].Solvers[i], ",")) {
        if (item.Label == "Prüfung" || item.Label == "Grund" || item.Label == "Fehler") {
          EXPECT_NE(shown.find(Flat(item.Value)), std::string::npos) << item.Value;
        }
      }
    }
  }
  for (const ReportItem& item : LeftSetItems(run, summaries)) {
    EXPECT_NE(shown.find(Flat(item.Value)), std::string::npos) << item.Value;
  }
  for (const char* verdict : {"langsamer", "kein messbarer Unterschied", "zu wenige Runden"}) {
    EXPECT_EQ(shown.find(verdict) != std::string::npos, text.find(verdict) != std::string::npos)
        << verdict;
  }

  const Rendered phone = Render(folder, page, 390);
  EXPECT_EQ(phone.Width, 390);
  EXPECT_EQ(phone.Problems, "");
  EXPECT_GT(phone.Scrolling, 0);  // the wide tables and pictures scroll in their boxes
  EXPECT_EQ(Flat(phone.Text), shown);
}

INSTANTIATE_TEST_SUITE_P(
    Records, Page,
    ::testing::Values(std::make_pair("Suite", samples::Suite),
                      std::make_pair("AgainstBaseline", samples::AgainstBaseline),
                      std::make_pair("WrongOnBusyMachine", samples::WrongOnBusyMachine)),
    [](const auto& row) { return std::string(row.param.first); });

TEST(HistoryPage, ShowsEachSolversMedianPerSetAtBothWidths) {
  TempFolder folder;
  record::RunRecord later = samples::Suite();
  later.Context.StartedUtc = "2026-04-02T10:00:00Z";
  for (record::Measurement& r : later.Measurements) r.MonotonicSeconds *= 0.5;
  const std::vector<record::HistoryLine> lines =
      record::HistoryLinesOf({record::StoredRun{3, samples::Suite()}, record::StoredRun{7, later}});
  const std::string page = FormatHistoryHtml(lines, ",");
  for (const int width : {1280, 390}) {
    const Rendered r = Render(folder, page, width);
    EXPECT_EQ(r.Problems, "") << width;
    const std::string shown = Flat(r.Text);
    for (const record::HistoryLine& line : lines) {
      EXPECT_NE(shown.find(line.Solver), std::string::npos);
      EXPECT_NE(shown.find(line.Set), std::string::npos);
      if (line.MedianSeconds) {
        EXPECT_NE(shown.find(PreciseSeconds(*line.MedianSeconds, ",") + " s"), std::string::npos)
            << line.Number << " " << line.Solver << " " << line.Set;
      }
    }
    EXPECT_NE(shown.find("14.03.2026"), std::string::npos);
    EXPECT_NE(shown.find("02.04.2026"), std::string::npos);
  }
}

}  // namespace
}  // namespace report
