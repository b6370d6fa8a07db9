// flyseat-bench: the whole in-memory build on the bundled sample (what the browser page's build
// is measured against) and on the largest inputs the tool accepts, and the listing conversion
// alone at three program sizes, to show that its cost grows linearly.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "flyseat/basic.hpp"
#include "flyseat/failure.hpp"
#include "flyseat/memory_build.hpp"

namespace {

using namespace flyseat;
using Bytes = std::vector<Byte>;

// Lines that exercise the substitution table: the every-line records and the records of
// the line numbers used, with strings, DATA and remarks for the tokenizer.
const char* const kLines[] = {
    "10 CLEAR,&HB000:DEFINT A-Z\n",
    "90 COLOR5 :LOCATE 33,12:PRINT \"READY!\"\n",
    "500 X=1:A=USR1(0):PRINT SPACE$(5);WB1;WB2;WB3;WBS\n",
    "1000 input \"NAME\";n$:IF n$=\"\" THEN 1000 ELSE GOSUB 2000\n",
    "1650 LINE (532,46)-(630,52),3,BF:' frame of the gauge\n",
    "1670 LINE (XX1,YY1)-(XX2,YY2):PSET (XX1*2,YY1):PSET (XX2*2,YY2)\n",
    "1920 DATA 16,49,315,49,7,16,198,315,198,4,266,199,315,199,3\n",
    "2000 FOR I=0 TO 7:PRINT TAB(3);CHR$(65+I);:NEXT I:RETURN\n",
};

// A listing whose program comes to about `program_bytes` bytes.
Bytes make_listing(std::size_t program_bytes) {
  auto work = std::make_unique<WorkArea>();
  Bytes listing;
  for (std::size_t i = 0;; ++i) {
    std::string line = kLines[i % std::size(kLines)];
    Bytes candidate = listing;
    candidate.insert(candidate.end(), line.begin(), line.end());
    Source source;
    open_bytes(source, "list3.txt", candidate);
    *work = WorkArea{};
    try {
      if (static_cast<std::size_t>(convert_listing(source, *work)) + kEndMarkerSize >
          program_bytes) {
        return listing;
      }
    } catch (const Failure&) {  // the program buffer is full
      return listing;
    }
    listing = std::move(candidate);
  }
}

Bytes pattern(std::size_t size, unsigned seed) {
  Bytes out(size);
  for (std::size_t i = 0; i < size; ++i)
    out[i] = static_cast<Byte>((i * seed) >> 3);
  return out;
}

Bytes sample_input(const char* name) {
  std::ifstream file(std::string(FLYSEAT_SAMPLE_DIR) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Builds the inputs over and over in one build area, as the page does.
void time_builds(benchmark::State& state, const BuildInputs& in) {
  auto build = std::make_unique<MemoryBuild>();
  for (auto _ : state) {
    build_in_memory(in, *build);
    benchmark::DoNotOptimize(build->d88.data());
  }
  if (build->status != 0) state.SkipWithError(build->failure.message());
}

void BM_WholeBuildSample(benchmark::State& state) {
  static const Bytes loader = sample_input(kLoaderName), list1 = sample_input(kList1Name),
                     list2 = sample_input(kList2Name), patch = sample_input(kPatchName),
                     listing = sample_input(kListingName);
  time_builds(state, {loader, list1, list2, patch, listing});
}
BENCHMARK(BM_WholeBuildSample)->Unit(benchmark::kMicrosecond);

void BM_WholeBuildLargestInputs(benchmark::State& state) {
  static const Bytes loader = pattern(4096, 7);
  static const Bytes list1 = pattern(kList1Max, 13);
  static const Bytes list2 = pattern(kList2Max, 29);
  static const Bytes patch = {};
  static const Bytes listing = make_listing(kProgramSize);
  time_builds(state, {loader, list1, list2, patch, listing});
}
BENCHMARK(BM_WholeBuildLargestInputs)->Unit(benchmark::kMicrosecond);

void BM_ListingConversion(benchmark::State& state) {
  const Bytes listing = make_listing(static_cast<std::size_t>(state.range(0)));
  auto work = std::make_unique<WorkArea>();
  for (auto _ : state) {
    Source source;
    open_bytes(source, "list3.txt", listing);
    benchmark::DoNotOptimize(convert_listing(source, *work));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(listing.size()));
  state.SetComplexityN(static_cast<std::int64_t>(listing.size()));
}
BENCHMARK(BM_ListingConversion)
    ->Arg(1024)
    ->Arg(8 * 1024)
    ->Arg(32 * 1024)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
