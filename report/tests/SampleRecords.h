// Hand-built run records for the report tests: the machine, verdicts and runs they are made of,
// and the whole records whose reports the golden files hold.
#pragma once

#include <cstdint>
#include <string>

#include "RunRecord.h"

namespace report::samples {

record::MachineContext Machine();

record::Judgement AllCorrect(std::int64_t none, std::int64_t one, std::int64_t several);
record::Judgement WrongAnswer(std::int32_t number, std::string reason);

// A judged run of `solver` in `round`, after `warmup` warm-up rounds; its CPU times and memory
// follow from its time and the solver.
record::Measurement Ran(std::size_t solver, int round, int warmup, double ende, double monotonic,
                        record::Judgement check);

// One solver, one run, every answer right.
record::RunRecord OneRun();

// Four solvers, a warm-up round and three timed ones: flink is the fastest, "Quadrin, alt" (run
// with an option) slower and scattered, falsch answers wrongly in the first timed round, kaputt
// fails in the warm-up.
record::RunRecord Comparison();

// Two solvers over eight timed rounds, compared round by round and with run 12 („v1“), which ran
// on another kernel: flink as fast as then, langsam 30 % slower than flink and than then. The run
// is to be saved as „v2“ and to fail on a regression.
record::RunRecord AgainstBaseline();

// One solver wrong in its only run, on a machine that was busy at the start and names neither
// its processor nor its commit.
record::RunRecord WrongOnBusyMachine();

// Two collections, three solvers, a warm-up round and two timed ones, each with its start-up run.
// On top95 langsam answers wrongly in the second timed round and kaputt fails in the first (its
// process ended, so it has times); on hardest-1106 all stay correct, so the geometric means rest
// on it alone. kaputt's program has no hash; langsam is a line solver run with options, one of
// them a table it loads.
record::RunRecord Suite();

// Two collections, a warm-up round and three timed ones: suche, the kit's search as a library
// (guesses reported), Quadrin as a program with its start-up runs, and zaehler, a library that
// gives counts only and no guesses. Every library run has its pass puzzle by puzzle; on
// hardest-1106 zaehler answers wrongly in the second timed round.
record::RunRecord Libraries();

}  // namespace report::samples
