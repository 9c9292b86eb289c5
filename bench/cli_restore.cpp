// Restoring a full setup (3009 records) with tamboro-cli against the built-in virtual TD-7,
// the 31250-baud cable modelled (0.32 ms a byte each way), the editor's 100 ms pace. One run
// measures side by side: the plain restore; the restore that verifies what it sent; and,
// with the module differing in 30 records, the restore that sends only what differs.
//
//   changed_ratio = changed-only / plain     (target: at most 0.15)
//   verify_ratio  = (verified - plain) / plain   (target: at most 0.15)
//
// Each restore takes minutes (the plain one at least 301 s): one iteration.

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Dispatcher.h"
#include "midilink/DeviceIds.h"
#include "simulator/VirtualTd7.h"
#include "td7/map/PresentFlags.h"
#include "td7/files/SetupFile.h"
#include "td7/map/Td7Collections.h"
#include "td7/session/VirtualTd7Service.h"

namespace {

using Clock = std::chrono::steady_clock;
using simulator::Td7Module;

// The module's whole memory as a setup file.
void WriteSetup(const Td7Module& module, const std::filesystem::path& path) {
    td7::TTd7Collections dumps(nullptr, nullptr, nullptr);
    td7::TPresentFlags present;
    for (int k = 0; k < Td7Module::kBlockCount; ++k) {
        const simulator::Block block = Td7Module::BlockAt(k);
        const auto message = module.DataSetOf(block);
        auto& record = [&]() -> midilink::TMidiDump& {
            switch (block.kind) {
                case simulator::BlockKind::System:
                    return dumps.SystemDump.Records(0);
                case simulator::BlockKind::PatchCommon:
                    return dumps.ProgDump.Records(block.patch);
                case simulator::BlockKind::Trigger:
                    return dumps.TriggerDump.Records(td7::TriggerRecord(block.patch, block.index));
                case simulator::BlockKind::NoteMap:
                    return dumps.NotemapDump.Records(td7::NotemapRecord(block.patch, block.index));
                case simulator::BlockKind::Instrument:
                    break;
            }
            return dumps.InstrumentDump.Records(block.index);
        }();
        record.CopyFrom(message.data());
    }
    for (int p = 0; p < td7::kPatchCount; ++p) present.SetPatchPresent(p, true);
    present.SetInstrumentsPresent(true);
    present.SetSystemPresent(true);
    td7::TSetupFile(dumps, present).SaveSetupAs(path);
}

double Restore(td7::VirtualTd7Service& service, const std::vector<std::string>& args,
               benchmark::State& state) {
    cli::TEnvironment environment;
    environment.Service = &service;
    std::ostringstream out, err;
    const auto start = Clock::now();
    const int code = cli::Run(args, out, err, environment);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (code != 0) state.SkipWithError(err.str().c_str());
    return seconds;
}

void BM_FullRestoreChecked(benchmark::State& state) {
    midilink::ClearDeviceIds();
    const auto file = std::filesystem::temp_directory_path() /
                      ("tamboro-bench-" + std::to_string(::getpid()) + ".td7");
    Td7Module source;
    source.LoadRandom(5);
    WriteSetup(source, file);
    // The module lacks 30 records, spread over the patches and the instruments.
    Td7Module differing = source;
    for (int k = 0; k < 30; ++k) {
        auto data = differing.Data(Td7Module::BlockAt(1 + k * 100));
        data[0] = static_cast<std::uint8_t>(data[0] ^ 1);
    }

    td7::VirtualTd7Service service;
    service.Module().SetWireTiming(true);
    const std::string name = td7::VirtualTd7Service::kName;
    const std::vector<std::string> plain = {"restore", file.string(), "--out", name};
    std::vector<std::string> verified = plain;
    verified.insert(verified.end(), {"--in", name});
    std::vector<std::string> changed = verified;
    changed.push_back("--changed-only");

    double plainSeconds = 0, verifiedSeconds = 0, changedSeconds = 0;
    for (auto _ : state) {
        plainSeconds = Restore(service, plain, state);
        verifiedSeconds = Restore(service, verified, state);
        {
            std::lock_guard lock(service.Module().ModuleMutex());
            service.Module().Module() = differing;
        }
        changedSeconds = Restore(service, changed, state);
        state.SetIterationTime(plainSeconds + verifiedSeconds + changedSeconds);
    }
    std::filesystem::remove(file);
    state.counters["plain_s"] = plainSeconds;
    state.counters["verified_s"] = verifiedSeconds;
    state.counters["changed_s"] = changedSeconds;
    state.counters["changed_ratio"] = changedSeconds / plainSeconds;
    state.counters["verify_ratio"] = (verifiedSeconds - plainSeconds) / plainSeconds;
    // What the cable alone needs to read everything back: a 15-byte request and the record.
    double bytes = 0;
    for (int k = 0; k < Td7Module::kBlockCount; ++k)
        bytes += 15 + static_cast<double>(Td7Module::BlockAt(k).size + 11);
    state.counters["readback_floor_s"] =
        bytes * std::chrono::duration<double>(simulator::VirtualTd7::kByteTime).count();
}

BENCHMARK(BM_FullRestoreChecked)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
