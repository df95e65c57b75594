// The report of a run for people: German, one item a line, times with the user's decimal
// separator.
#pragma once

#include <string>
#include <vector>

#include "RunRecord.h"
#include "Tone.h"

namespace report {

// One set: every solver with its figures, one after the other. Several sets: a matrix of sets by
// solvers, the geometric means of the factors, and where a solver left a set, why.
std::string FormatReport(const record::RunRecord& record, const record::Summaries& summaries,
                         const std::string& decimalSeparator);

// The machine, the build and the moment; a warning when the machine was busy at the start.
std::vector<ReportItem> ContextItems(const record::RunRecord& record,
                                     const std::string& decimalSeparator);

// Where an interrupted run stopped and what it kept: "Abgebrochen nach Runde 2 von 5 …", with
// the sets it did not reach named "nicht gelaufen".
std::string InterruptionText(const record::RunRecord& record);

// Where the set's puzzles are and came from, its IN.TXT and the rounds.
std::vector<ReportItem> SetItems(const record::RunRecord& record, std::size_t set);

// Several sets: the folder, the rounds and every solver with its program.
std::vector<ReportItem> SuiteItems(const record::RunRecord& record);

// A solver on a set: its answers, times, costs and verdict, or why it failed.
std::vector<ReportItem> SolverItems(const record::RunRecord& record, std::size_t solver,
                                    const record::SolverSummary& summary,
                                    const std::string& decimalSeparator);

// The fastest correct solver of a set, then how many times slower each other correct one is, each
// with the figure per puzzle whose ratio the factor is (Summaries::Figure).
std::vector<std::string> FastestLines(const record::RunRecord& record,
                                      const record::Summaries& summaries, std::size_t set,
                                      const std::string& decimalSeparator);

// Where a solver left a set: the wrong puzzle with its run and reason, or the failure.
std::vector<ReportItem> LeftSetItems(const record::RunRecord& record,
                                     const record::Summaries& summaries);

// Every solver whose times on a set spread as on a busy machine.
std::vector<ReportItem> ScatteredItems(const record::RunRecord& record,
                                       const record::Summaries& summaries);

// What the comparisons' table holds, the noise and the baseline it was given.
std::string ComparisonsHeading(const record::RunRecord& record,
                               const std::string& decimalSeparator);

inline const char* const BusyMachineWarning = "Der Rechner war beschäftigt; die Zeiten streuen.";
std::string BusyAtStartWarning(double load, const std::string& separator);

// Only IN.TXT was written (--prepare): where, from what, how much.
std::string FormatPrepared(const record::Settings& settings, const record::PuzzleSet& set);

}  // namespace report
