// The cost of the undo history on an edit, in the editor as the user meets it: knob turns on
// the trigger panel, stored and sent through the port to the built-in virtual TD-7.
//   - BM_KnobEdits/history: 1,000 edits, each a step of its own (two knobs in turn), with
//     the history (1) and without it (0). The target: at most 5% apart.
//   - BM_KnobDrag/history: 1,000 moves of one knob (one step), with and without.
//   Both arms of each run on one editor, taking turns with --benchmark_enable_random_interleaving.
//   - BM_UndoRedo: one undo and one redo of a knob's step, each sending one message, next
//     to BM_KnobEdits' cost of one edit.

#include <benchmark/benchmark.h>

#include <time.h>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "bench/editor_harness.h"
#include "controls/MidiKnob.h"
#include "editor/PatchEditor.h"
#include "td7/EditHistory.h"

namespace {

constexpr int kEdits = 1000;

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

// Both arms of a comparison run on one editor, so that they differ in the history alone and
// not in where the windows' memory happened to land.
editorbench::Editor& SharedEditor(const std::string& name) {
    static std::map<std::string, std::unique_ptr<editorbench::Editor>> editors;
    auto& editor = editors[name];
    if (!editor) editor = std::make_unique<editorbench::Editor>(name);
    return *editor;
}

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

void BM_KnobEdits(benchmark::State& state) {
    editorbench::Editor& editor = SharedEditor("undo");
    KnobPair knobs(editor);
    HistoryOff off(knobs, state.range(0) == 0);
    int k = 0;
    for (auto _ : state) {
        for (int n = 0; n < kEdits; ++n, ++k) KnobPair::Turn(n % 2 ? knobs.mask : knobs.gate, k);
    }
    state.SetItemsProcessed(state.iterations() * kEdits);
    state.counters["steps"] = editor.Main().History().Count();
}
BENCHMARK(BM_KnobEdits)->ArgName("history")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same comparison paired: each iteration makes 1,000 edits without the history and
// 1,000 with it, in turn, so that both arms meet the same state of the machine (where the
// virtual module's thread runs, what else is busy). `ratio` is with / without, by CPU time.
void BM_KnobEditsPaired(benchmark::State& state) {
    editorbench::Editor& editor = SharedEditor("undo");
    KnobPair knobs(editor);
    const auto edits = [&](bool history) {
        HistoryOff off(knobs, !history);
        const double start = ThreadSeconds();
        for (int n = 0; n < kEdits; ++n) KnobPair::Turn(n % 2 ? knobs.mask : knobs.gate, n);
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
BENCHMARK(BM_KnobEditsPaired)->Unit(benchmark::kMillisecond);

// A drag: 1,000 moves of one knob, one step however far it goes.
void BM_KnobDrag(benchmark::State& state) {
    editorbench::Editor& editor = SharedEditor("undodrag");
    KnobPair knobs(editor);
    HistoryOff off(knobs, state.range(0) == 0);
    // An earlier step (the mask knob one further than it stands), so that undo stays
    // available when the drag passes its start.
    KnobPair::Turn(knobs.mask, knobs.mask->Value() - knobs.mask->Min() + 1);
    int k = 0;
    for (auto _ : state) {
        for (int n = 0; n < kEdits; ++n, ++k) KnobPair::Turn(knobs.gate, k);
    }
    state.SetItemsProcessed(state.iterations() * kEdits);
}
BENCHMARK(BM_KnobDrag)->ArgName("history")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_UndoRedo(benchmark::State& state) {
    editorbench::Editor editor("undoredo");
    KnobPair knobs(editor);
    // Steps before and after the one taken back and forth, as in the middle of an evening's
    // edits: the menu's entries stay enabled.
    KnobPair::Turn(knobs.mask, 3);
    KnobPair::Turn(knobs.gate, 3);
    KnobPair::Turn(knobs.mask, 5);
    app::TEditHistory& history = editor.Main().History();
    history.Undo();
    for (auto _ : state) {
        history.Undo();
        history.Redo();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_UndoRedo)->Unit(benchmark::kMicrosecond);

}  // namespace
