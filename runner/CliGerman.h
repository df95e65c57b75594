// CLI11 explains in English; the kit speaks German: its help labels and its refusals, shared by
// every command line of Messlauf.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace runner {

// The help in German throughout: CLI11's own labels too.
void Germanize(CLI::App& app);

// CLI11's refusal of a command line, in German.
std::string German(const CLI::ParseError& e);

}  // namespace runner
