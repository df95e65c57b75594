// Every factor in the golden reports is the ratio of the figure shown beside it to the smallest
// figure of its set, to the digits shown: read back from the text, the Markdown and the JSON as a
// reader sees them, not from the record.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "TempFolder.h"

namespace report {
namespace {

// A number as a report shows it, with half a unit of its last digit: what its rounding may hide.
struct Shown {
  double Value = 0, Rounding = 0;
};

std::optional<Shown> ShownNumber(std::string text) {
  std::replace(text.begin(), text.end(), ',', '.');  // the reports group no digits
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  const std::size_t point = text.find('.');
  const int decimals = point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
  return Shown{value, 0.5 * std::pow(10.0, -decimals)};
}

// A solver's figure per puzzle and its factor, where the report shows both.
struct Pair {
  Shown Figure, Factor;
};

// Checks each factor of a set against figure ÷ the smallest figure; returns how many it checked.
int CheckSet(const std::vector<Pair>& set, const std::string& where) {
  if (set.empty()) return 0;
  const Shown least = std::min_element(set.begin(), set.end(), [](const Pair& a, const Pair& b) {
                        return a.Figure.Value < b.Figure.Value;
                      })->Figure;
  for (const Pair& p : set) {
    const double ratio = p.Figure.Value / least.Value;
    // What the rounding of both figures and of the factor can account for, and no more.
    const double allowed = p.Factor.Rounding + ratio * (p.Figure.Rounding / p.Figure.Value +
                                                        least.Rounding / least.Value);
    EXPECT_LE(std::abs(ratio - p.Factor.Value), allowed * (1 + 1e-9))
        << where << ": " << p.Figure.Value << " ÷ " << least.Value << " = " << ratio << ", shown "
        << p.Factor.Value;
  }
  return static_cast<int>(set.size());
}

// Each solver's geometric mean against the factors it had on the sets where all had one.
int CheckMeans(const std::vector<std::vector<std::optional<Shown>>>& factors,
               const std::vector<std::optional<Shown>>& means, const std::string& where) {
  int checked = 0;
  for (std::size_t solver = 0; solver < means.size(); ++solver) {
    if (!means[solver]) continue;
    double logs = 0, rounding = 0;
    int sets = 0;
    for (const auto& set : factors) {
      if (std::any_of(set.begin(), set.end(), [](const auto& f) { return !f; })) continue;
      logs += std::log(set[solver]->Value);
      rounding += set[solver]->Rounding / set[solver]->Value;
      ++sets;
    }
    if (sets == 0) {
      ADD_FAILURE() << where << ": a mean without a set where all stood";
      continue;
    }
    const double mean = std::exp(logs / sets);
    EXPECT_LE(std::abs(mean - means[solver]->Value),
              means[solver]->Rounding + mean * rounding / sets + 1e-9)
        << where << ": geometric mean " << mean << ", shown " << means[solver]->Value;
    ++checked;
  }
  return checked;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A matrix's rows of cells, from the text's aligned columns or the Markdown's "|" table.
std::vector<std::vector<std::string>> MatrixRows(const std::string& text, bool markdown) {
  std::vector<std::vector<std::string>> rows;
  bool inside = false;
  const std::regex gap = markdown ? std::regex(R"( *\| *)") : std::regex(" {2,}");
  for (const std::string& line : Lines(text)) {
    if (line.starts_with(markdown ? "| Sammlung |" : "Sammlung ")) inside = true;
    if (!inside) continue;
    if (line.empty()) break;
    std::vector<std::string> cells;
    for (std::sregex_token_iterator at(line.begin(), line.end(), gap, -1), end; at != end; ++at) {
      if (!at->str().empty() && at->str() != "---:" && at->str() != "---") cells.push_back(*at);
    }
    if (!cells.empty()) rows.push_back(cells);
  }
  return rows;
}

// The matrix: every set's cells "49,01 µs (1,00)", then the geometric means.
int CheckMatrix(const std::string& text, bool markdown, const std::string& where) {
  const std::vector<std::vector<std::string>> rows = MatrixRows(text, markdown);
  if (rows.empty()) return 0;
  const std::regex cell(R"(([0-9.,]+) µs(?: \(([0-9.,]+)\))?)");
  std::vector<std::vector<std::optional<Shown>>> factors;
  int checked = 0;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const std::vector<std::string>& row = rows[r];
    EXPECT_EQ(row.size(), rows[0].size()) << where << ": " << row[0];
    if (row[0] == "Geometrisches Mittel") {
      std::vector<std::optional<Shown>> means;
      for (std::size_t i = 1; i < row.size(); ++i) means.push_back(ShownNumber(row[i]));
      return checked + CheckMeans(factors, means, where);
    }
    std::vector<Pair> set;
    std::vector<std::optional<Shown>> shown;
    for (std::size_t i = 1; i < row.size(); ++i) {
      std::smatch m;
      const bool pair = std::regex_match(row[i], m, cell) && m[2].matched;
      shown.push_back(pair ? ShownNumber(m[2]) : std::nullopt);
      if (pair) set.push_back({*ShownNumber(m[1]), *ShownNumber(m[2])});
    }
    factors.push_back(shown);
    checked += CheckSet(set, where + ", " + row[0]);
  }
  return checked;
}

// One set in text: "Am schnellsten: A mit 2092 µs je Rätsel brutto" and "  B braucht 4,28 ± 1,32
// mal so lange: 8960 µs je Rätsel". The fastest's figure is the smallest, its factor 1.
int CheckFastestLines(const std::string& text, const std::string& where) {
  const std::regex fastest(R"(Am schnellsten: .* mit ([0-9.,]+) µs je Rätsel (netto|brutto))");
  const std::regex slower(
      R"(  .* braucht ([0-9.,]+)(?: ± [0-9.,]+)? mal so lange: ([0-9.,]+) µs je Rätsel)");
  std::vector<Pair> set;
  for (const std::string& line : Lines(text)) {
    std::smatch m;
    if (std::regex_match(line, m, fastest)) set.push_back({*ShownNumber(m[1]), {1, 0}});
    if (std::regex_match(line, m, slower)) set.push_back({*ShownNumber(m[2]), *ShownNumber(m[1])});
  }
  EXPECT_TRUE(set.empty() || text.find("Am schnellsten: ") != std::string::npos) << where;
  return CheckSet(set, where);
}

// One set in Markdown: the figure column beside "relativ".
int CheckMarkdownTable(const std::string& text, const std::string& where) {
  std::vector<Pair> set;
  bool inside = false;
  for (const std::string& line : Lines(text)) {
    if (line.starts_with("| Löser | Mittel")) inside = true;
    if (!inside || line.starts_with("| Löser") || line.starts_with("|---")) continue;
    if (line.empty()) break;
    std::vector<std::string> cells;
    std::istringstream in(line.substr(2));
    for (std::string cell; std::getline(in, cell, '|');) cells.push_back(cell);
    if (cells.size() < 6) continue;
    const auto trim = [](std::string s) { return s.substr(1, s.size() - 2); };
    const std::string factor = trim(cells[5]);
    const std::optional<Shown> figure = ShownNumber(trim(cells[4]));
    const std::optional<Shown> f = ShownNumber(factor.substr(0, factor.find(" ±")));
    if (figure && f) set.push_back({*figure, *f});
  }
  return CheckSet(set, where);
}

// The JSON: each set's `factor`s against the figure `factor_figure` names, and the means.
int CheckJson(const std::string& text, const std::string& where) {
  const nlohmann::json json = nlohmann::json::parse(text);
  const std::string key = json.at("factor_figure");
  std::vector<std::vector<std::optional<Shown>>> factors;
  int checked = 0;
  for (const nlohmann::json& set : json["sets"]) {
    std::vector<Pair> pairs;
    std::vector<std::optional<Shown>> shown;
    for (const nlohmann::json& solver : set["solvers"]) {
      const nlohmann::json& relative = solver["relative_to_fastest"];
      shown.push_back(relative.is_null() ? std::nullopt
                                         : std::optional<Shown>({relative["factor"], 5e-4}));
      if (!relative.is_null()) pairs.push_back({{solver[key], 5e-4}, *shown.back()});
    }
    factors.push_back(shown);
    checked += CheckSet(pairs, where + ", " + set["name"].get<std::string>());
  }
  std::vector<std::optional<Shown>> means;
  for (const nlohmann::json& mean : json["geometric_mean_factors"]) {
    means.push_back(mean["factor"].is_null() ? std::nullopt
                                             : std::optional<Shown>({mean["factor"], 5e-4}));
  }
  return checked + CheckMeans(factors, means, where);
}

TEST(GoldenFiles, EveryFactorIsItsFigureOverTheSetsSmallest) {
  int checked = 0;
  for (const std::string name : {"one-run", "comparison", "wrong-busy", "suite", "baseline"}) {
    const auto file = [&name](const std::string& ending) {
      return kit::testing::GetFile(std::filesystem::path(KIT_GOLDEN_DIR) / (name + ending));
    };
    const std::string text = file(".txt"), markdown = file(".md");
    checked += CheckMatrix(text, false, name + ".txt");
    checked += CheckFastestLines(text, name + ".txt");
    checked += CheckMatrix(markdown, true, name + ".md");
    checked += CheckMarkdownTable(markdown, name + ".md");
    checked += CheckJson(file(".json"), name + ".json");
  }
  // The suite's matrix, its means, and the lines and tables of the sets with two correct solvers.
  EXPECT_GE(checked, 30);
}

}  // namespace
}  // namespace report
