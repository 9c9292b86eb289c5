// The library's safety and bulk work at 100,000 kits: a backup while it is open, a restore
// onto it, and 10,000 kits exported as a folder of .syx files.
#include <benchmark/benchmark.h>

#include "bench/library_fill.h"
#include "library/Backup.h"

namespace {

namespace fs = std::filesystem;

const fs::path& BenchFolder() {
    static const fs::path folder = fs::temp_directory_path() / "tamboro-bench-library";
    return folder;
}

fs::path FullLibrary() {
    const fs::path file = BenchFolder() / "kits100k.sqlite3";
    fs::create_directories(BenchFolder());
    benchfill::FillLibrary(file, 100000);
    return file;
}

void BM_BackupHundredThousandKits(benchmark::State& state) {
    library::TLibrary lib(FullLibrary());
    const fs::path backup = BenchFolder() / "backup100k.sqlite3";
    for (auto _ : state) lib.Backup(backup);
    state.counters["MB"] = static_cast<double>(fs::file_size(backup)) / 1e6;
}
BENCHMARK(BM_BackupHundredThousandKits)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_RestoreHundredThousandKits(benchmark::State& state) {
    const fs::path backup = BenchFolder() / "backup100k.sqlite3";
    {
        library::TLibrary lib(FullLibrary());
        lib.Backup(backup);
    }
    // A copy of the library to restore onto, so the filled one stays as it is.
    const fs::path target = BenchFolder() / "restore100k.sqlite3";
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(target.string() + suffix);
    fs::copy_file(backup, target);
    library::TLibrary lib(target);
    for (auto _ : state) lib.RestoreFrom(backup);
    if (lib.Count({}) < 100000) state.SkipWithError("the restore lost kits");
}
BENCHMARK(BM_RestoreHundredThousandKits)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ExportTenThousandKits(benchmark::State& state) {
    library::TLibrary lib(FullLibrary());
    const auto all = lib.FindIds({});
    const std::vector<library::ItemId> ids(all.begin(), all.begin() + 10000);
    const fs::path folder = BenchFolder() / "export10k";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(folder);
        state.ResumeTiming();
        const auto report = lib.ExportItems(ids, folder);
        if (report.Written != 10000) state.SkipWithError("not every kit was written");
    }
}
BENCHMARK(BM_ExportTenThousandKits)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
