// An axis's ticks, shared by the PNG and the SVG pictures so that both mark the same values.
#pragma once

#include <vector>

namespace report::plot {

// An axis from Low to High with a tick every Step, labelled with Decimals decimals.
struct Ticks {
  double Low = 0, High = 1, Step = 1;
  int Decimals = 0;
  std::vector<double> Values() const;
};

// About six ticks over the values from `low` to `high`, at 1, 2 or 5 times a power of ten. From
// zero, so that lengths compare, unless all values lie close together far from it; with no
// values (`high` not above zero) from 0 to 1.
Ticks TicksOver(double low, double high);

}  // namespace report::plot
