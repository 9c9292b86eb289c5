// The cost of the undo history on an edit, in the editor as the user meets it: knob turns on
// the trigger panel, stored and sent through the port to the built-in virtual TD-7.
//   - BM_KnobEdits/history: 1,000 edits, each a step of its own (two knobs in turn), with
//     the history (1) and without it (0). The target: at most 5% apart.
//   - BM_KnobDrag/history: 1,000 moves of one knob (one step), with and without.
//   - BM_UndoRedo: one undo and one redo of a knob's step, each sending one message, next
//     to BM_KnobEdits' cost of one edit.

#include <benchmark/benchmark.h>

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

void BM_KnobEdits(benchmark::State& state) {
    editorbench::Editor editor("undo");
    KnobPair knobs(editor);
    const bool history = state.range(0) != 0;
    if (!history) {
        knobs.gate->OnStore = nullptr;
        knobs.mask->OnStore = nullptr;
    }
    int k = 0;
    for (auto _ : state) {
        for (int n = 0; n < kEdits; ++n, ++k) KnobPair::Turn(n % 2 ? knobs.mask : knobs.gate, k);
    }
    state.SetItemsProcessed(state.iterations() * kEdits);
    state.counters["steps"] = editor.Main().History().Count();
}
BENCHMARK(BM_KnobEdits)->ArgName("history")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A drag: 1,000 moves of one knob, one step however far it goes.
void BM_KnobDrag(benchmark::State& state) {
    editorbench::Editor editor("undodrag");
    KnobPair knobs(editor);
    if (state.range(0) == 0) knobs.gate->OnStore = nullptr;
    // An earlier step, so that undo stays available when the drag passes its start.
    KnobPair::Turn(knobs.mask, 5);
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
