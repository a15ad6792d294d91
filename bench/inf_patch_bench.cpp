// Patch time against a plain fgets/fputs line copy of the same file, for the
// stock-like files scripts/bench.sh generates into LW_BENCH_DIR.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "infpatch/vendor_tables.h"
#include "platform/sim/sim_platform.h"

namespace {

const char* const kSizes[] = {"64K", "4M", "64M"};

std::string benchDir() {
  const char* dir = std::getenv("LW_BENCH_DIR");
  return dir ? dir : "build/bench-data";
}

std::string input(int size) { return benchDir() + "/stock-" + kSizes[size] + ".inf"; }
std::string output() { return benchDir() + "/out.inf"; }

long fileSize(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return -1;
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fclose(f);
  return size;
}

void BM_PatchInf(benchmark::State& state) {
  std::string in = input(static_cast<int>(state.range(0)));
  long size = fileSize(in);
  if (size < 0) {
    state.SkipWithError("missing input; run scripts/bench.sh");
    return;
  }
  lw::SimPlatform sim;
  sim.setCurrentDirectoryForPaths("");
  lw::setPlatform(&sim);
  for (auto _ : state) {
    lw::VendorPatchTable table(lw::VendorTableKind::Storage);
    table.applyGen60Adjustment();
    if (lw::patchInfFile(table.table(), output().c_str(), in.c_str()) != lw::PatchResult::PatchOk) {
      state.SkipWithError("patch failed");
      break;
    }
  }
  lw::setPlatform(nullptr);
  state.SetBytesProcessed(state.iterations() * size);
}

void BM_LineCopy(benchmark::State& state) {
  std::string in = input(static_cast<int>(state.range(0)));
  long size = fileSize(in);
  if (size < 0) {
    state.SkipWithError("missing input; run scripts/bench.sh");
    return;
  }
  char line[1024];
  for (auto _ : state) {
    FILE* from = std::fopen(in.c_str(), "r");
    FILE* to = std::fopen(output().c_str(), "w");
    while (std::fgets(line, sizeof line, from)) std::fputs(line, to);
    std::fclose(from);
    std::fclose(to);
  }
  state.SetBytesProcessed(state.iterations() * size);
}

BENCHMARK(BM_PatchInf)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LineCopy)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
