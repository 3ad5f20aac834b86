// The transport benchmarks run with an application object, as the programs
// do, since every wait of TZnSMTP pumps the event loop.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <cstdlib>
#include <cstring>

#include "bench/transport/PeakMemory.h"

int main(int argc, char** argv) {
  setenv("MARROWKIT_SOURCE_DIR", MARROWKIT_SOURCE_DIR, 0);
  QCoreApplication app(argc, argv);
  if (argc == 4 && std::strcmp(argv[1], kMeasureSendPeakFlag) == 0)
    return MeasureSendPeak(std::atoi(argv[2]), argv[3]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
