// Loading and saving a full setup (every slot, the instruments and the system block:
// 67374 bytes) from the menu, with the file dialogs answered, until every window has
// handled the events the command left behind (repaints of the patch list, knobs, names).

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "bench/editor_harness.h"
#include "td7/map/PresentFlags.h"

namespace {

using editor::TCommand;

// An editor holding the virtual TD-7's whole memory, and that memory saved as a setup.
class FullSetup {
  public:
    FullSetup() : editor("files") {
        editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
        editor.Click(TCommand::RequestAll);
        editor.Click(TCommand::InstRequest);
        editor.Click(TCommand::SysRequest);
        file = QString::fromStdString((editor.dir / "full.td7").string());
        editor.windows->Files->Dialogs().SetNextFile(file);
        editor.Click(TCommand::SaveSetup);
    }
    bool Valid() {
        return editor.Errors().empty() && editor.Main().Present().SystemPresent() &&
               std::filesystem::file_size(file.toStdString()) == 67374;
    }

    editorbench::Editor editor;
    QString file;
};

void Settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void BM_LoadSetup(benchmark::State& state) {
    FullSetup setup;
    if (!setup.Valid()) {
        state.SkipWithError(("no full setup: " + setup.editor.Errors()).c_str());
        return;
    }
    for (auto _ : state) {
        setup.editor.windows->Files->Dialogs().SetNextFile(setup.file);
        setup.editor.Click(TCommand::LoadSetup);
        Settle();
    }
}

void BM_SaveSetup(benchmark::State& state) {
    FullSetup setup;
    if (!setup.Valid()) {
        state.SkipWithError(("no full setup: " + setup.editor.Errors()).c_str());
        return;
    }
    for (auto _ : state) {
        setup.editor.windows->Files->Dialogs().SetNextFile(setup.file);
        setup.editor.Click(TCommand::SaveSetup);
        Settle();
    }
}

BENCHMARK(BM_LoadSetup)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_SaveSetup)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

}  // namespace
