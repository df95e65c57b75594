// The kit's benchmark entry: Google Benchmark's, with the build it measures added to the context
// that every run prints (the CPU and its caches are printed by the library itself).
#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
#ifdef NDEBUG
  benchmark::AddCustomContext("kit_build", "release (optimised, assertions off)");
#else
  benchmark::AddCustomContext("kit_build", "not optimised: figures are not representative");
#endif
  benchmark::AddCustomContext("compiler", __VERSION__);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
