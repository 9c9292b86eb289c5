// Follow Pad Hits, timed as a drummer meets it:
//   - BM_HitToScreen: one note-on from the MIDI service's thread, through the input port, its
//     ring and port window, the link and the GUI thread, until its trigger is selected and
//     the window has painted it (the drum kit and the trigger panel); hits 20 ms apart;
//   - BM_RequestAllUnderHits/N: Request All against the built-in virtual TD-7 with the cable
//     modelled while the module plays N note-ons a second (0: none), the option on. "ratio"
//     is elapsed / the cable's floor, as in bench_editor_transfers.

#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "bench/editor_harness.h"
#include "editor/patch/DrumKit.h"
#include "editor/patch/PatchEditor.h"
#include "editor/patch/PatchList.h"
#include "midilink/MidiCompLink.h"
#include "simulator/Td7Module.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Map.h"
#include "tests/support/FakeMidiService.h"

namespace {

using Clock = std::chrono::steady_clock;
using simulator::Td7Module;

void BM_HitToScreen(benchmark::State& state) {
    testsupport::FakeMidiService midi({"TD-7 In"}, {"TD-7 Out"});
    editorbench::Editor editor("hitscreen", &midi);
    editor::TfmTamboro& main = editor.Main();
    editor::TPatchEditor& patch = *editor.windows->PatchEditor;
    main.SetFollowPadHits(true);

    // Patch 1 of the factory content, as Request Current leaves it.
    Td7Module module;
    module.LoadFactory();
    const auto offer = [&](const simulator::Block& block) {
        const auto bytes = module.DataSetOf(block);
        main.MidiCompLink1().OfferSysex(bytes.data(), static_cast<int>(bytes.size()));
    };
    offer(Td7Module::CommonBlock(0));
    for (int t = 0; t < Td7Module::kTriggerCount; ++t) offer(Td7Module::TriggerBlock(0, t));
    for (int n = 0; n < Td7Module::kNoteMapCount; ++n) offer(Td7Module::NoteMapBlock(0, n));
    main.Present().SetPatchPresent(0, true);
    patch.lbPatch()->SelectSilently(0);
    patch.lbPatchClick();
    QCoreApplication::processEvents();

    // Snare and hi-hat in turn: every hit moves the selection.
    const std::array<int, 2> triggers = {2, 4};
    int k = 0;
    std::vector<double> times;
    auto lastHit = Clock::now();
    for (auto _ : state) {
        // A fast roll, 50 hits a second: the window shows each hit, not a frame's worth.
        std::this_thread::sleep_until(lastHit + std::chrono::milliseconds(20));
        lastHit = Clock::now();
        const int t = triggers[static_cast<std::size_t>(k++ % 2)];
        const auto note = module.PadHit(t, 64 + k % 60);
        std::atomic<Clock::rep> sent{0};
        std::thread service([&] {
            sent = Clock::now().time_since_epoch().count();
            midi.Inject(0, {note.begin(), note.end()});
        });
        while (patch.coTrigger()->currentIndex() != t || patch.DrumKit()->Highlighted() != t)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        // The repaint the selection asked for.
        QCoreApplication::processEvents();
        const auto shown = Clock::now();
        service.join();
        const double seconds =
            std::chrono::duration<double>(shown - Clock::time_point(Clock::duration(sent.load())))
                .count();
        state.SetIterationTime(seconds);
        times.push_back(seconds);
    }
    std::sort(times.begin(), times.end());
    if (!times.empty()) {
        state.counters["median_ms"] = times[times.size() / 2] * 1000;
        state.counters["p90_ms"] = times[times.size() * 9 / 10] * 1000;
    }
    if (!editor.boxes.Shown().empty()) state.SkipWithError("an error box was shown");
}

double RequestAllFloor() {
    const auto exchange = [](td7::Block block) {
        return static_cast<double>(td7::RequestCommand(block, 0).size() / 2 +
                                   static_cast<std::size_t>(td7::InfoOf(block).Size));
    };
    const double bytes =
        td7::kPatchCount *
        (exchange(td7::Block::Prog) + td7::kTriggersPerPatch * exchange(td7::Block::Trigger) +
         td7::kNotesPerPatch * exchange(td7::Block::Notemap));
    return bytes * std::chrono::duration<double>(simulator::VirtualTd7::kByteTime).count();
}

void BM_RequestAllUnderHits(benchmark::State& state) {
    editorbench::Editor editor("hits");
    editor.Main().SetFollowPadHits(true);
    editor.WireTiming(true);
    const double floor = RequestAllFloor();
    double elapsed = 0;
    for (auto _ : state) {
        editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
        editor.midi.Module().SetHits(static_cast<int>(state.range(0)));
        const auto start = Clock::now();
        if (!editor.Click(editor::TCommand::RequestAll)) {
            state.SkipWithError("the command is disabled");
            return;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        editor.midi.Module().SetHits(0);
        state.SetIterationTime(seconds);
        elapsed += seconds;
    }
    if (!editor.Errors().empty()) state.SkipWithError(editor.Errors().c_str());
    for (int p = 0; p < td7::kPatchCount; ++p)
        if (!editor.Main().Present().PatchPresent(p)) state.SkipWithError("a slot stayed empty");
    state.counters["floor_s"] = floor;
    state.counters["ratio"] = elapsed / static_cast<double>(state.iterations()) / floor;
}

BENCHMARK(BM_HitToScreen)->UseManualTime()->Iterations(200)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RequestAllUnderHits)
    ->Arg(0)
    ->Arg(1000)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
