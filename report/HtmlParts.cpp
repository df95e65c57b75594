#include "HtmlParts.h"

namespace report::html {
namespace {

// Wide tables scroll inside their box; the pictures keep a width at which their labels stay
// readable and scroll likewise on a phone.
constexpr const char* Style = R"(
:root { color-scheme: light; }
* { box-sizing: border-box; }
body { margin: 0; background: #f5f6f8; color: #1c1e21;
  font: 15px/1.45 "Liberation Sans", Arial, Helvetica, sans-serif; }
main { max-width: 1180px; margin: 0 auto; padding: 12px 16px 32px; }
h1 { font-size: 1.6rem; margin: 0.4rem 0 0.1rem; }
h2 { font-size: 1.25rem; margin: 1.8rem 0 0.6rem; padding-bottom: 0.2rem;
  border-bottom: 1px solid #cfd4da; }
h3 { font-size: 1.05rem; margin: 0 0 0.4rem; }
p { margin: 0.4rem 0; }
.lead { color: #4a4f57; margin-top: 0; }
.note { color: #4a4f57; font-size: 0.92rem; }
.box { overflow-x: auto; max-width: 100%; background: #fff; border: 1px solid #cfd4da;
  border-radius: 6px; margin: 0.4rem 0; }
table { border-collapse: collapse; min-width: 100%; }
caption { text-align: left; padding: 6px 10px; font-weight: bold; }
th, td { padding: 5px 10px; text-align: left; vertical-align: top; white-space: nowrap;
  border-bottom: 1px solid #e6e8eb; }
thead th { background: #eef1f5; }
tbody tr:last-child > * { border-bottom: none; }
.num { text-align: right; font-variant-numeric: tabular-nums; }
table.items { width: 100%; }
table.items th { width: 9rem; font-weight: normal; color: #4a4f57; }
table.items th.continued { padding-left: 1.6rem; }
table.items td { white-space: pre-wrap; overflow-wrap: anywhere; }
.bad { color: #b3261e; font-weight: bold; }
tr.warn > * { background: #fff6d6; }
.good { color: #1a7f37; font-weight: bold; }
.cards { display: grid; gap: 12px; grid-template-columns: repeat(auto-fill, minmax(min(100%, 460px), 1fr)); }
.card { background: #fff; border: 1px solid #cfd4da; border-radius: 6px; padding: 8px 0 0; min-width: 0; }
.card h3 { padding: 0 10px; }
.card .box { border: none; margin: 0; }
figure { margin: 0.6rem 0; background: #fff; border: 1px solid #cfd4da; border-radius: 6px;
  padding: 8px; overflow-x: auto; }
figure svg { display: block; width: 100%; min-width: 640px; max-width: 960px; height: auto; }
figcaption { color: #4a4f57; font-size: 0.92rem; margin-top: 4px; }
svg text { font-family: inherit; }
@media (max-width: 600px) {
  main { padding: 8px 10px 24px; }
  table.items th { width: 6.5rem; white-space: normal; }
}
)";

// The style of a tone: "good" and "bad" colour a text, "warn" marks a row.
std::string ToneClass(Tone tone) {
  switch (tone) {
    case Tone::Good:
      return "good";
    case Tone::Bad:
      return "bad";
    case Tone::Warning:
      return "warn";
    case Tone::None:
      break;
  }
  return "";
}

}  // namespace

std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Page(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
         "style-src 'unsafe-inline'; img-src data:\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<meta name=\"generator\" content=\"Messlauf\">\n<title>" +
         Escaped(title) + "</title>\n<style>" + Style + "</style>\n</head>\n<body>\n<main>\n" +
         body + "</main>\n</body>\n</html>\n";
}

std::string Table(const std::vector<std::vector<Cell>>& rows, const std::vector<bool>& numeric,
                  bool rowHeaders, const std::string& caption) {
  const auto classes = [&](std::size_t column, const Cell& cell) {
    std::string c = column < numeric.size() && numeric[column] ? "num" : "";
    const std::string tone = ToneClass(cell.Tone);
    if (!tone.empty()) c += (c.empty() ? "" : " ") + tone;
    return c.empty() ? std::string() : " class=\"" + c + "\"";
  };
  std::string out = "<div class=\"box\">\n<table>\n";
  if (!caption.empty()) out += "<caption>" + Escaped(caption) + "</caption>\n";
  if (rows.empty()) return out + "</table>\n</div>\n";
  out += "<thead>\n<tr>";
  for (std::size_t i = 0; i < rows[0].size(); ++i) {
    out += "<th scope=\"col\"" + classes(i, rows[0][i]) + ">" + Escaped(rows[0][i].Text) + "</th>";
  }
  out += "</tr>\n</thead>\n<tbody>\n";
  for (std::size_t r = 1; r < rows.size(); ++r) {
    out += "<tr>";
    for (std::size_t i = 0; i < rows[r].size(); ++i) {
      const bool header = rowHeaders && i == 0;
      const std::string tag = header ? "th" : "td";
      out += "<" + tag + (header ? " scope=\"row\"" : "") + classes(i, rows[r][i]) + ">" +
             Escaped(rows[r][i].Text) + "</" + tag + ">";
    }
    out += "</tr>\n";
  }
  return out + "</tbody>\n</table>\n</div>\n";
}

std::string Items(const std::vector<ReportItem>& items) {
  std::string out = "<div class=\"box\">\n<table class=\"items\">\n<tbody>\n";
  for (const ReportItem& item : items) {
    const bool warning = item.Tone == Tone::Warning;
    const std::string tone = warning ? "" : ToneClass(item.Tone);
    out += std::string(warning ? "<tr class=\"warn\">" : "<tr>") + "<th scope=\"row\"" +
           (item.Continued ? " class=\"continued\"" : "") + ">" + Escaped(item.Label) + "</th><td" +
           (tone.empty() ? "" : " class=\"" + tone + "\"") + ">" + Escaped(item.Value) +
           "</td></tr>\n";
  }
  return out + "</tbody>\n</table>\n</div>\n";
}

}  // namespace report::html
