#pragma once
// The floor of every drawer benchmark: cp of the drawer's two files.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "browser/store/DrawerPaths.h"
#include "platform/files/Files.h"

inline void TimeCpOfDrawerFiles(benchmark::State& state, const DrawerFiles& drawer) {
  const std::string mail = platform::NativePath(drawer.mailPath);
  const std::string list = platform::NativePath(drawer.listPath);
  const std::string command = "cp '" + mail + "' '" + mail + ".copy' && cp '" + list + "' '" + list + ".copy'";
  for (auto _ : state) benchmark::DoNotOptimize(std::system(command.c_str()));
  std::filesystem::remove(mail + ".copy");
  std::filesystem::remove(list + ".copy");
}
