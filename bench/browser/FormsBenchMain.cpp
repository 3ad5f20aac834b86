// The entry point of the benchmarks that drive Dorvane's windows: the
// application object first, on the offscreen platform unless one is set.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "platform/forms/Forms.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
