// The trigger check under a drum roll no drummer plays: the built-in virtual TD-7 sends
// 1,000 note-ons a second on patch 1 while the Trigger Check window is open. Each iteration
// is one 16 ms frame of a 60 Hz screen: the GUI thread sleeps until the frame starts, then
// does whatever work is waiting (draining the input, the window's handling of the frame's
// notes, its repaint); the time of that work is the iteration's. "notes_per_s" is what the
// window recorded, to show that it kept up.
//   QT_QPA_PLATFORM=offscreen build/bench/bench_editor_trigger_check

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "bench/editor_harness.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchList.h"
#include "editor/trigger/TriggerCheckWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

void BM_TriggerCheckFrame(benchmark::State& state) {
    editorbench::Editor editor("trigger-check");
    editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
    if (!editor.Click(editor::TCommand::RequestAll)) {
        state.SkipWithError("Request All is disabled");
        return;
    }
    editor.windows->PatchEditor->lbPatch()->SelectSilently(0);
    editor.windows->PatchEditor->lbPatchClick();
    editor.Click(editor::TCommand::TriggerCheck);
    editor::TfmTriggerCheck& window = *editor.windows->fmTriggerCheck;
    QCoreApplication::processEvents();

    editor.midi.Module().SetHits(static_cast<int>(state.range(0)));
    // A second of playing first: the counts and tables are as full as a session's.
    auto frame = Clock::now();
    for (int k = 0; k < 60; ++k) {
        frame += editor::TfmTriggerCheck::kFrame;
        std::this_thread::sleep_until(frame);
        QCoreApplication::processEvents();
    }
    const std::size_t notesBefore = window.Check().Notes().size();
    const auto start = Clock::now();
    std::vector<double> times;
    for (auto _ : state) {
        frame += editor::TfmTriggerCheck::kFrame;
        std::this_thread::sleep_until(frame);
        const auto begin = Clock::now();
        QCoreApplication::processEvents();
        const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        state.SetIterationTime(seconds);
        times.push_back(seconds);
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    editor.midi.Module().SetHits(0);
    std::sort(times.begin(), times.end());
    if (!times.empty()) {
        state.counters["median_ms"] = times[times.size() / 2] * 1000;
        state.counters["p90_ms"] = times[times.size() * 9 / 10] * 1000;
        state.counters["max_ms"] = times.back() * 1000;
    }
    state.counters["notes_per_s"] =
        static_cast<double>(window.Check().Notes().size() - notesBefore) / elapsed;
    if (!editor.Errors().empty()) state.SkipWithError(editor.Errors().c_str());
}

BENCHMARK(BM_TriggerCheckFrame)
    ->Arg(1000)
    ->UseManualTime()
    ->Iterations(600)
    ->Unit(benchmark::kMillisecond);

}  // namespace
