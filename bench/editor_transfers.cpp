// Whole transfers as the user starts them from the menu, against the built-in virtual TD-7
// with the 31250-baud cable modelled (0.32 ms a byte each way). A request waits for each
// answer, so its floor is the wire time of every byte exchanged; a transmission keeps a
// 100 ms pace after each of its 78 records. The counter "ratio" is elapsed / that floor.
//
// These runs take seconds each (Request All about 28 s): few repetitions, medians reported.

#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/editor_harness.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Map.h"

namespace {

using Clock = std::chrono::steady_clock;
using td7::Block;
using editor::TCommand;

// Bytes on the cable for one request and its answer.
double ExchangeBytes(Block block) {
    return static_cast<double>(td7::RequestCommand(block, 0).size() / 2 +
                               static_cast<std::size_t>(td7::InfoOf(block).Size));
}

double WireSeconds(double bytes) {
    return bytes * std::chrono::duration<double>(simulator::VirtualTd7::kByteTime).count();
}

// Runs the menu command once per iteration; `floor` is the time the cable (or the pace)
// needs at the least.
void RunCommand(benchmark::State& state, TCommand command, double floor, bool confirm,
                bool patchFirst) {
    editorbench::Editor editor("transfers");
    if (patchFirst) {
        editor.WireTiming(false);
        editor.Click(TCommand::RequestCurrent);
    }
    editor.WireTiming(true);
    double elapsed = 0;
    for (auto _ : state) {
        if (confirm) editor.boxes.SetNextAnswer(editor::TAnswer::Yes);
        const auto start = Clock::now();
        if (!editor.Click(command)) {
            state.SkipWithError("the command is disabled");
            return;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        elapsed += seconds;
    }
    if (!editor.Errors().empty()) state.SkipWithError(editor.Errors().c_str());
    state.counters["floor_s"] = floor;
    state.counters["ratio"] = elapsed / static_cast<double>(state.iterations()) / floor;
}

void BM_RequestAll(benchmark::State& state) {
    const double bytes =
        td7::kPatchCount *
        (ExchangeBytes(Block::Prog) + td7::kTriggersPerPatch * ExchangeBytes(Block::Trigger) +
         td7::kNotesPerPatch * ExchangeBytes(Block::Notemap));
    RunCommand(state, TCommand::RequestAll, WireSeconds(bytes), true, false);
}

void BM_InstrumentsRequest(benchmark::State& state) {
    const double bytes = td7::kInstrumentCount * ExchangeBytes(Block::Instrument);
    RunCommand(state, TCommand::InstRequest, WireSeconds(bytes), false, false);
}

void BM_TransmitCurrent(benchmark::State& state) {
    editorbench::Application();
    const double pace = td7::kRecordsPerPatch * 0.1;
    RunCommand(state, TCommand::TransmitCurrent, pace, false, true);
}

void Long(benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_RequestAll)->Apply(Long);
BENCHMARK(BM_InstrumentsRequest)->Apply(Long);
BENCHMARK(BM_TransmitCurrent)->Apply(Long);

}  // namespace
