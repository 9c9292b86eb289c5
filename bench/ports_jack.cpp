// The same request over a private JACK server with td7sim as a separate process, for the
// record: JACK's period (1.3 ms at the test server's 64 frames and 48 kHz) dominates, so one
// to two periods per request. Needs a running server (JACK_DEFAULT_SERVER) and skips without
// one.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "midiports/ManualPortWindow.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "midiports/RtMidiService.h"
#include "tests/midiports/JackPeers.h"

namespace {

void BM_RequestThroughJack(benchmark::State& state) {
    ::setenv("TAMBORO_MIDI_API", "jack", 1);
    testsupport::TTd7SimProcess sim(porttest::UniqueName("sim"));
    midiports::RtMidiService service("tamboro-bench");
    if (!sim.Ready() || !service.Available()) {
        state.SkipWithError("no JACK server or no td7sim");
        return;
    }
    midiports::ManualPortWindow inWindow;
    midiports::ManualPortWindow outWindow;
    midiports::TMidiInput input(service, inWindow);
    midiports::TMidiOutput output(service, outWindow);
    try {
        input.SetProductName(sim.OutputName());
        output.SetProductName(sim.InputName());
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return;
    }
    input.SetSysexOnly(true);
    input.Open();
    input.Start();
    if (!input.IsOpen() || !output.Open()) {
        state.SkipWithError("ports did not open");
        return;
    }
    const std::uint8_t request[] = {0xF0, 0x41, 0x10, 0x58, 0x11, 0x03, 0x00, 0x00,
                                    0x00, 0x00, 0x00, 0x00, 0x17, 0x66, 0xF7};
    // JACK may lose what is sent in the period in which a connection is made: ask until
    // the module answers, then let stray answers to the extra requests arrive and go.
    bool connected = false;
    for (int i = 0; i < 200 && !connected; ++i) {
        output.SendLong(request, sizeof request);
        connected = inWindow.PumpUntil([&] { return input.TakeEvent() != nullptr; },
                                       std::chrono::milliseconds(20));
    }
    if (!connected) {
        state.SkipWithError("td7sim does not answer");
        return;
    }
    const auto dropAll = [&] {
        while (input.TakeEvent()) {
        }
        return false;
    };
    inWindow.PumpUntil(dropAll, std::chrono::milliseconds(50));
    for (auto _ : state) {
        output.SendLong(request, sizeof request);
        std::unique_ptr<midiports::TMyMidiEvent> answer;
        inWindow.PumpUntil([&] { return (answer = input.TakeEvent()) != nullptr; });
        outWindow.Pump();
        if (!answer) state.SkipWithError("no answer");
    }
}
BENCHMARK(BM_RequestThroughJack)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
