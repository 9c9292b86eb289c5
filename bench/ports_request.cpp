// The editor's own cost for one request: the request leaves through the link and the
// output port, the virtual TD-7 answers on its own thread, the answer is filed into the
// ring, the port link drains it and the collection takes it. A real request and its answer
// spend about 11 ms on a MIDI cable; the editor's share should stay under 0.5 ms.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <thread>

#include "midilink/DumpCollection.h"
#include "midilink/MidiCompLink.h"
#include "midiports/ManualPortWindow.h"
#include "midiports/MidiInput.h"
#include "midiports/MidiOutput.h"
#include "td7/session/VirtualTd7Service.h"

namespace {

void BM_RequestThroughPorts(benchmark::State& state) {
    td7::VirtualTd7Service service;
    midiports::ManualPortWindow inWindow;
    midiports::ManualPortWindow outWindow;
    midiports::TMidiInput input(service, inWindow);
    midiports::TMidiOutput output(service, outWindow);
    input.SetSysexOnly(true);
    input.Open();
    input.Start();
    output.Open();
    if (!input.IsOpen() || !output.IsOpen()) {
        state.SkipWithError("virtual TD-7 did not open");
        return;
    }

    midilink::TMidiCompLink link;
    link.SetMidiIn(&input);
    link.SetMidiOut(&output);
    midilink::TDumpCollection system("SystemDump");
    system.SetSize(34);
    system.SetHeaderSize(9);
    system.SetCount(1);
    system.OnPrepare = [](midilink::TDumpCollection*, int, std::uint8_t* buffer, int) {
        const std::uint8_t header[] = {0x41, 0x10, 0x58, 0x12, 0x03, 0x00, 0x00, 0x00};
        std::copy(std::begin(header), std::end(header), buffer + 1);
    };
    system.SetMidiLink(&link);
    bool answered = false;
    link.OnMidiInput = [&](midilink::TMidiCompLink*, bool resolved) { answered |= resolved; };

    const std::uint8_t request[] = {0xF0, 0x41, 0x10, 0x58, 0x11, 0x03, 0x00, 0x00,
                                    0x00, 0x00, 0x00, 0x00, 0x17, 0x66, 0xF7};
    for (auto _ : state) {
        answered = false;
        link.SendBuffer(request, sizeof request);
        while (!answered) {
            inWindow.Pump();
            if (!answered) std::this_thread::yield();
        }
        outWindow.Pump();  // the finished request's buffer
    }
}
BENCHMARK(BM_RequestThroughPorts)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

}  // namespace
