// What the kit's pages are made of: escaping, the page around a body, tables of cells and of
// report items. For the page functions only; not part of the report's interface.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Tone.h"

namespace report::html {

// Text for an element or an attribute: &, <, >, " and ' as references.
std::string Escaped(std::string_view text);

// A whole page in German: its title, a policy that lets it load nothing (styles and pictures
// are inside), a layout that holds from a phone's width to a desktop's, and `body`.
std::string Page(const std::string& title, const std::string& body);

// A table of cells, each styled by its tone: the first row is the header, `rowHeaders` makes
// each row's first cell a header of its row, a column whose `numeric` is true is aligned right.
// Inside a box that scrolls sideways when the table is wider than the page.
std::string Table(const std::vector<std::vector<Cell>>& rows, const std::vector<bool>& numeric,
                  bool rowHeaders = true, const std::string& caption = "");

// Report items as rows of label and value; a value of several lines keeps its lines. A good or
// bad item colours its value, a warning its whole row.
std::string Items(const std::vector<ReportItem>& items);

}  // namespace report::html
