// The kit library on SQLite: importing 1,000 distinct full setup files (32,000 kits) into a
// new library, and searching a library of 100,000 kits by a name fragment as the library
// window does (the count and the first page of rows).
#include <benchmark/benchmark.h>

#include "bench/library_fill.h"

namespace {

namespace fs = std::filesystem;

const fs::path& BenchFolder() {
    static const fs::path folder = fs::temp_directory_path() / "tamboro-bench-library";
    return folder;
}

void BM_ImportThousandSetups(benchmark::State& state) {
    const fs::path setups = BenchFolder() / "setups";
    benchfill::WriteSetups(setups, 1000);
    const fs::path file = BenchFolder() / "import.sqlite3";
    for (auto _ : state) {
        state.PauseTiming();
        for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(file.string() + suffix);
        state.ResumeTiming();
        library::TLibrary lib(file);
        const std::vector<fs::path> paths = {setups};
        const auto report = lib.Import(paths);
        if (report.Added != 32000) state.SkipWithError("not every kit came in");
    }
}
BENCHMARK(BM_ImportThousandSetups)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

void BM_SearchHundredThousandKits(benchmark::State& state) {
    const fs::path file = BenchFolder() / "kits100k.sqlite3";
    benchfill::FillLibrary(file, 100000);
    library::TLibrary lib(file);
    const char* fragments[] = {"funk", "jazz", "ock3", "dry", "gig7"};
    int k = 0;
    for (auto _ : state) {
        library::TFilter filter;
        filter.Search = fragments[k++ % 5];
        const int total = lib.Count(filter);
        const auto rows = lib.Find(filter, 200, 0);
        benchmark::DoNotOptimize(total);
        benchmark::DoNotOptimize(rows.data());
    }
}
BENCHMARK(BM_SearchHundredThousandKits)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

}  // namespace
