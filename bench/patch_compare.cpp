// Comparing two whole patches that differ in every record, the texts of both values
// included, as the compare window does on every change of either side. The budget is 2 ms
// (the median), so that the window can follow every turn of a knob.

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "td7/map/ParameterTable.h"
#include "td7/history/PatchCompare.h"
#include "td7/map/Td7Collections.h"

namespace {

// Every parameter of slot `p` set at random within its control's range, so that each
// value has a text.
void Randomise(td7::TTd7Collections& dumps, int p, std::mt19937& random) {
    const auto recordsOf = [&](td7::Block block) {
        std::vector<midilink::TMidiDump*> records;
        if (block == td7::Block::Prog) records.push_back(&dumps.ProgDump.Records(p));
        if (block == td7::Block::Trigger)
            for (int t = 0; t < td7::kTriggersPerPatch; ++t)
                records.push_back(&dumps.TriggerDump.Records(td7::TriggerRecord(p, t)));
        if (block == td7::Block::Notemap)
            for (int n = 0; n < td7::kNotesPerPatch; ++n)
                records.push_back(&dumps.NotemapDump.Records(td7::NotemapRecord(p, n)));
        return records;
    };
    for (const td7::TParameter& param : td7::Parameters()) {
        for (midilink::TMidiDump* record : recordsOf(param.Collection)) {
            std::uniform_int_distribution<int> value(param.Min, param.Max);
            const int stored = value(random) + param.Offset;
            std::uint8_t* at = record->Data() + param.DumpIndex;
            if (param.DumpMode == midilink::dm1Byte) {
                at[0] = static_cast<std::uint8_t>(stored & 0x7F);
            } else if (param.DumpMode == midilink::dm2Nibbles) {
                at[0] = static_cast<std::uint8_t>((stored >> 4) & 0x0F);
                at[1] = static_cast<std::uint8_t>(stored & 0x0F);
            } else {
                at[0] = static_cast<std::uint8_t>((stored >> 7) & 0x7F);
                at[1] = static_cast<std::uint8_t>(stored & 0x7F);
            }
        }
    }
    const std::string name = "Kit" + std::to_string(p) + "  ";
    std::copy(name.begin(), name.begin() + 6, dumps.ProgDump.Records(p).Data() + 11);
}

void BM_CompareWholePatches(benchmark::State& state) {
    td7::TTd7Collections dumps(nullptr, nullptr, nullptr);
    std::mt19937 random(7);
    Randomise(dumps, 0, random);
    Randomise(dumps, 1, random);
    for (int i = 0; i < td7::kInstrumentCount; ++i) {
        const std::string name = "In" + std::to_string(i % 1000) + "   ";
        std::copy(name.begin(), name.begin() + 5,
                  dumps.InstrumentDump.Records(i).Data() + td7::kHeaderSize);
        dumps.InstrumentDump.Records(i).Data()[td7::kHeaderSize + 5] = 'K';
    }
    const td7::TShownStyle style{
        .ListTexts = true, .Instruments = &dumps.InstrumentDump, .InstrumentsPresent = true};
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto differences =
            td7::ComparePatches(0, td7::SlotRecords(dumps, 0), td7::SlotRecords(dumps, 1), style);
        rows = differences.size();
        benchmark::DoNotOptimize(differences.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
}

}  // namespace

BENCHMARK(BM_CompareWholePatches)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
