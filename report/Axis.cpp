#include "Axis.h"

#include <algorithm>
#include <cmath>

namespace report::plot {
namespace {

// Ticks 1, 2 or 5 times a power of ten apart, about six over the range.
double TickStep(double range) {
  const double raw = range / 6;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * power >= raw) return m * power;
  }
  return 10 * power;
}

}  // namespace

std::vector<double> Ticks::Values() const {
  std::vector<double> values;
  for (double t = Low; t <= High + Step / 2; t += Step) values.push_back(t);
  return values;
}

Ticks TicksOver(double low, double high) {
  if (high <= 0) {
    low = 0;
    high = 1;
  }
  if (low <= 0.4 * high) low = 0;
  Ticks ticks;
  const double span = std::max(high - low, high * 1e-3);
  ticks.Step = TickStep(span);
  ticks.Low = std::floor(low / ticks.Step) * ticks.Step;
  // Room above the highest value, a fiftieth of the range shown (of the whole when it starts at
  // zero): a share of the value itself would crowd a zoomed axis with ticks.
  ticks.High = std::ceil((high + 0.02 * span) / ticks.Step) * ticks.Step;
  ticks.Decimals = std::max(0, static_cast<int>(-std::floor(std::log10(ticks.Step) + 1e-9)));
  return ticks;
}

}  // namespace report::plot
