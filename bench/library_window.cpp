// The library window opened on a library of 100,000 kits: made, shown and painted once, and
// scrolled to the end of its first pages as a user drags the scroll bar.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QTableView>

#include "bench/library_fill.h"
#include "editor/common/ErrorDisplay.h"
#include "editor/library/LibraryModel.h"
#include "editor/library/LibraryWindow.h"
#include "editor/common/MessageBoxes.h"

namespace {

namespace fs = std::filesystem;

QApplication& Application() {
    static int argc = 1;
    static char name[] = "bench_library_window";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

fs::path LibraryFile() {
    const fs::path file = fs::temp_directory_path() / "tamboro-bench-library" / "kits100k.sqlite3";
    fs::create_directories(file.parent_path());
    benchfill::FillLibrary(file, 100000);
    return file;
}

void BM_OpenLibraryWindow(benchmark::State& state) {
    QApplication& application = Application();
    const fs::path file = LibraryFile();
    editor::MessageBoxes boxes;
    boxes.SetHeadless(true);
    editor::ErrorDisplay errors(boxes);
    for (auto _ : state) {
        // Opening the file is part of the first showing, as in the editor.
        library::TLibrary lib(file);
        editor::TfmLibrary window(lib, {}, errors);
        window.show();
        application.processEvents();
        benchmark::DoNotOptimize(window.grab());
        if (window.Model().Total() != 100000) state.SkipWithError("the library is not full");
    }
}
BENCHMARK(BM_OpenLibraryWindow)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->UseRealTime();

void BM_ScrollOnePage(benchmark::State& state) {
    QApplication& application = Application();
    const fs::path file = LibraryFile();
    editor::MessageBoxes boxes;
    boxes.SetHeadless(true);
    editor::ErrorDisplay errors(boxes);
    library::TLibrary lib(file);
    editor::TfmLibrary window(lib, {}, errors);
    window.show();
    application.processEvents();
    QScrollBar* bar = window.Table()->verticalScrollBar();
    for (auto _ : state) {
        // To the bottom of what is loaded: the view asks for the next page.
        bar->setValue(bar->maximum());
        application.processEvents();
        benchmark::DoNotOptimize(window.Table()->viewport()->grab());
    }
    state.counters["rows"] = window.Model().rowCount();
}
BENCHMARK(BM_ScrollOnePage)->Unit(benchmark::kMillisecond)->Iterations(100)->UseRealTime();

// Each kind of edit made, then undone in the window as Ctrl+Z does (the undo and the window
// showing the library again); only the undo is timed.
void BM_UndoInWindow(benchmark::State& state) {
    QApplication& application = Application();
    const fs::path file = LibraryFile();
    editor::MessageBoxes boxes;
    boxes.SetHeadless(true);
    editor::ErrorDisplay errors(boxes);
    library::TLibrary lib(file);
    editor::TfmLibrary window(lib, {}, errors);
    window.show();
    application.processEvents();
    const auto ids = lib.Find({}, 10);
    const std::vector<library::ItemId> one = {ids[3].Id};
    if (!lib.FindList("bench")) lib.CreateList("bench", {});
    const auto list = lib.FindList("bench")->Id;
    int k = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto& edits = window.Edits();
        switch (k++ % 4) {
            case 0:
                edits.Delete(one);
                break;
            case 1:
                edits.SetFavourite(one, !lib.Item(one.front())->Favourite);
                break;
            case 2:
                edits.SetTagsAndNote(one, "bench " + std::to_string(k), "undo");
                break;
            default:
                edits.PutInList(list, k % 32, one.front());
                break;
        }
        state.ResumeTiming();
        window.Undo();
        application.processEvents();
    }
}
BENCHMARK(BM_UndoInWindow)->Unit(benchmark::kMillisecond)->Iterations(40)->UseRealTime();

}  // namespace
