// The cost of the undo history on an edit, in the editor as the user meets it: knob turns on
// the trigger panel, stored and sent through the port to the built-in virtual TD-7.
//   - BM_HistoryPaired/drag: 1,000 edits without the history and 1,000 with it, in each
//     iteration; drag 0: each edit a step of its own (two knobs in turn), drag 1: one knob
//     moved 1,000 times (one step). `ratio` is with / without; the target: at most 1.05.
//   - BM_UndoRedo: 500 edits (each a step of its own), then 500 undos and 500 redos, each
//     sending one message. `undo/edit` and `redo/edit` compare their CPU times; the target:
//     the same cost as the edit.
// Figures are CPU time of the editor's thread. Run with --benchmark_repetitions and quote
// the medians: the virtual module's thread shares the machine.

#include <benchmark/benchmark.h>

#include <time.h>

#include <utility>

#include "bench/editor_harness.h"
#include "controls/MidiKnob.h"
#include "editor/patch/PatchEditor.h"
#include "td7/history/EditHistory.h"

namespace {

constexpr int kEdits = 1000;
// Fewer than the history keeps, so that undo never runs out of steps.
constexpr int kUndoSteps = 500;

struct KnobPair {
    explicit KnobPair(editorbench::Editor& editor)
        : gate(editor.windows->PatchEditor->Control<controls::TMidiKnob>("txGateTime")),
          mask(editor.windows->PatchEditor->Control<controls::TMidiKnob>("txMaskTime")) {}
    // One user edit: the knob moved by one step and the end of the move.
    static void Turn(controls::TMidiKnob* knob, int k) {
        knob->SetValue(knob->Min() + k % 8);
        knob->ValueToBinding();
    }
    controls::TMidiKnob* gate;
    controls::TMidiKnob* mask;
};

// CPU time of this thread, as the benchmarks' own CPU times count it.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The arm without a history: the knobs store and send directly while it lasts.
class HistoryOff {
  public:
    HistoryOff(const KnobPair& knobs, bool off) : m_knobs(knobs) {
        if (!off) return;
        m_gate = std::exchange(m_knobs.gate->OnStore, nullptr);
        m_mask = std::exchange(m_knobs.mask->OnStore, nullptr);
    }
    ~HistoryOff() {
        if (m_gate) m_knobs.gate->OnStore = std::move(m_gate);
        if (m_mask) m_knobs.mask->OnStore = std::move(m_mask);
    }
    HistoryOff(const HistoryOff&) = delete;
    HistoryOff& operator=(const HistoryOff&) = delete;

  private:
    const KnobPair& m_knobs;
    decltype(controls::TMidiKnob::OnStore) m_gate, m_mask;
};

// Each iteration makes 1,000 edits without the history and 1,000 with it, in turn, so that both
// arms meet the same state of the machine (where the virtual module's thread runs, what else is
// busy). `ratio` is with / without, by CPU time. drag 0: each edit a step of its own (two knobs in
// turn); drag 1: one knob dragged.
void BM_HistoryPaired(benchmark::State& state) {
    const bool drag = state.range(0) != 0;
    editorbench::Editor editor(drag ? "pairdrag" : "pair");
    KnobPair knobs(editor);
    const auto edits = [&](bool history) {
        HistoryOff off(knobs, !history);
        // An earlier step, so that undo stays available when the drag passes its start.
        if (drag) KnobPair::Turn(knobs.mask, knobs.mask->Value() - knobs.mask->Min() + 1);
        const double start = ThreadSeconds();
        for (int n = 0; n < kEdits; ++n)
            KnobPair::Turn(drag || n % 2 == 0 ? knobs.gate : knobs.mask, n);
        return ThreadSeconds() - start;
    };
    double without = 0;
    double with = 0;
    for (auto _ : state) {
        without += edits(false);
        with += edits(true);
    }
    state.SetItemsProcessed(state.iterations() * 2 * kEdits);
    state.counters["ratio"] = without > 0 ? with / without : 0;
}
BENCHMARK(BM_HistoryPaired)->ArgName("drag")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_UndoRedo(benchmark::State& state) {
    editorbench::Editor editor("undoredo");
    KnobPair knobs(editor);
    // A step before those taken back and forth, as in the middle of an evening's edits: the
    // menu's entries stay enabled.
    KnobPair::Turn(knobs.mask, 3);
    td7::TEditHistory& history = editor.Main().History();
    double edit = 0;
    double undo = 0;
    double redo = 0;
    const auto timed = [](double& sum, const auto& action) {
        const double start = ThreadSeconds();
        for (int n = 0; n < kUndoSteps; ++n) action(n);
        sum += ThreadSeconds() - start;
    };
    for (auto _ : state) {
        timed(edit, [&](int n) { KnobPair::Turn(n % 2 ? knobs.gate : knobs.mask, n); });
        timed(undo, [&](int) { history.Undo(); });
        timed(redo, [&](int) { history.Redo(); });
    }
    state.SetItemsProcessed(state.iterations() * 3 * kUndoSteps);
    state.counters["undo/edit"] = edit > 0 ? undo / edit : 0;
    state.counters["redo/edit"] = edit > 0 ? redo / edit : 0;
}
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kMillisecond);

}  // namespace
