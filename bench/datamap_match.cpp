// The cost of one received system-exclusive message: the link offers it to the five TD-7
// collections, which rebuild, seal and compare the header of each of their 3009 records.
// The budget is 1% of the message's own wire time at 31250 baud (19 bytes: 61 us).

#include <benchmark/benchmark.h>

#include <vector>

#include "midilink/DeviceIds.h"
#include "midilink/MidiLink.h"
#include "midilink/Templates.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Map.h"

namespace {

class NullLink : public midilink::TMidiLink {
  public:
    void PutShort(std::uint32_t) override {}
    void PutLong(const std::uint8_t*, int) override {}
};

// A data-set answer for record i of the block, as the module with device ID 10h sends it.
std::vector<std::uint8_t> Answer(td7::Block block, int i) {
    midilink::ClearDeviceIds();
    midilink::SetDeviceId(0, 0x10);
    std::vector<std::uint8_t> message(td7::InfoOf(block).Size, 0x01);
    message[0] = midilink::kSysexStart;
    td7::WriteHeader(block, i, message.data());
    midilink::UpdateChecksum(message.data(), static_cast<int>(message.size()), midilink::ctRoland);
    message.back() = midilink::kSysexEnd;
    return message;
}

void Offer(benchmark::State& state, std::vector<std::uint8_t> message, bool matches) {
    NullLink link;
    td7::TTd7Collections dumps(
        &link, [](midilink::TDumpCollection*, int) {}, [](midilink::TDumpCollection*, int) {});
    for (auto _ : state) {
        const bool resolved = link.OfferSysex(message.data(), static_cast<int>(message.size()));
        if (resolved != matches) state.SkipWithError("unexpected match result");
        benchmark::DoNotOptimize(resolved);
    }
}

void NotemapAnswer(benchmark::State& state) {
    Offer(state, Answer(td7::Block::Notemap, td7::NotemapRecord(17, 30)), true);
}

void InstrumentAnswer(benchmark::State& state) {
    Offer(state, Answer(td7::Block::Instrument, 300), true);
}

void UnmatchedMessage(benchmark::State& state) {
    // A note-map answer from a module with another device ID.
    std::vector<std::uint8_t> message = Answer(td7::Block::Notemap, 100);
    message[2] = 0x11;
    Offer(state, message, false);
}

BENCHMARK(NotemapAnswer)->Unit(benchmark::kMicrosecond);
BENCHMARK(InstrumentAnswer)->Unit(benchmark::kMicrosecond);
BENCHMARK(UnmatchedMessage)->Unit(benchmark::kMicrosecond);

}  // namespace
