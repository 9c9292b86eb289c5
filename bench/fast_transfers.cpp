// "Fast Transfers" against the built-in virtual TD-7 with the 31250-baud cable modelled
// (0.32 ms a byte each way) and a module that needs time to store each data set. Each run
// ends by comparing the module's memory with the mirror, record by record.
//
//   BM_FastTransmitAll/P/S   P patches sent, the module storing S ms a record.
//                            floor = wire of the records + store time + read-back (the
//                            answers' wire time); ratio = elapsed / floor
//   BM_FastRestore/P         restore --fast vs plain restore of P patches (32: the full
//                            setup, instruments and system too), 20 ms module;
//                            speedup = plain / fast
//   BM_FastRequestAll/P      Request All of P patches with the option; floor = the answers'
//                            wire time; ratio = elapsed / floor
//
// P = 32 is the whole module; a smaller P runs the same in proportion (the plain restore of
// everything takes five minutes alone).

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/Devices.h"
#include "cli/Dispatcher.h"
#include "cli/ModuleSession.h"
#include "midilink/DeviceIds.h"
#include "simulator/VirtualTd7.h"
#include "td7/map/PresentFlags.h"
#include "td7/transfers/ReadBack.h"
#include "td7/files/SetupFile.h"
#include "td7/map/Td7Collections.h"
#include "td7/session/VirtualTd7Service.h"

namespace {

using Clock = std::chrono::steady_clock;
using simulator::Td7Module;
using td7::Block;

double ByteSeconds() {
    return std::chrono::duration<double>(simulator::VirtualTd7::kByteTime).count();
}

simulator::Block ModuleBlock(const td7::TRecordRef& r) {
    switch (r.Kind) {
        case Block::Prog:
            return Td7Module::CommonBlock(r.Index);
        case Block::Trigger:
            return Td7Module::TriggerBlock(r.Index / td7::kTriggersPerPatch,
                                           r.Index % td7::kTriggersPerPatch);
        case Block::Notemap:
            return Td7Module::NoteMapBlock(r.Index / td7::kNotesPerPatch,
                                           r.Index % td7::kNotesPerPatch);
        case Block::Instrument:
            return Td7Module::InstrumentBlock(r.Index);
        case Block::System:
            break;
    }
    return Td7Module::SystemBlock();
}

// Whether the module holds the mirror's data in every one of the records.
bool ModuleHolds(td7::VirtualTd7Service& service, td7::TTd7Collections& dumps,
                 const std::vector<td7::TRecordRef>& records) {
    std::lock_guard lock(service.Module().ModuleMutex());
    for (const auto& r : records)
        if (!td7::SameData(r.Kind, service.Module().Module().DataSetOf(ModuleBlock(r)).data(),
                           dumps.Of(r.Kind).Records(r.Index).Data()))
            return false;
    return true;
}

std::vector<td7::TRecordRef> FirstPatches(int patches) {
    std::vector<td7::TRecordRef> records;
    for (int p = 0; p < patches; ++p) {
        const auto patch = td7::PatchRecords(p);
        records.insert(records.end(), patch.begin(), patch.end());
    }
    return records;
}

double RecordBytes(const std::vector<td7::TRecordRef>& records) {
    double bytes = 0;
    for (const auto& r : records) bytes += td7::InfoOf(r.Kind).Size;
    return bytes;
}

void Configure(td7::VirtualTd7Service& service, double storeMs, int inputQueue = 0) {
    simulator::VirtualTd7::Config config;
    config.wireTiming = true;
    config.store.baseMs = storeMs;
    config.inputQueue = inputQueue;
    service.Module().Configure(config);
}

class Session {
  public:
    explicit Session(td7::VirtualTd7Service& service) : m_session(service, td7::TTransferTiming{}) {
        midilink::ClearDeviceIds();
        midilink::SetDeviceId(0, Td7Module::kDefaultDeviceId);
        m_session.OpenInput(cli::FindInputDevice(service, td7::VirtualTd7Service::kName));
        m_session.OpenOutput(cli::FindOutputDevice(service, td7::VirtualTd7Service::kName));
    }
    cli::TModuleSession& operator*() { return m_session; }
    cli::TModuleSession* operator->() { return &m_session; }

  private:
    cli::TModuleSession m_session;
};

class NoProgress : public td7::TTransferProgress {
  public:
    void Step() override {}
    bool CancelRequested() const override { return false; }
};

void BM_FastTransmitAll(benchmark::State& state) {
    const int patches = static_cast<int>(state.range(0));
    const double storeMs = static_cast<double>(state.range(1));
    td7::VirtualTd7Service service;
    Session session(service);
    Td7Module source;
    source.LoadRandom(17);
    const auto records = FirstPatches(patches);
    for (const auto& r : records)
        session->Dumps().Of(r.Kind).Records(r.Index).CopyFrom(
            source.DataSetOf(ModuleBlock(r)).data());
    double resent = 0, gapMs = 0, elapsed = 0;
    for (auto _ : state) {
        {
            std::lock_guard lock(service.Module().ModuleMutex());
            service.Module().Module() = Td7Module();
        }
        Configure(service, storeMs);
        session->Transfers().Pace() = td7::TPaceController();
        NoProgress progress;
        const auto start = Clock::now();
        const td7::TVerifyReport report = session->Transfers().TransmitFast(records, progress);
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(elapsed);
        if (!report.Ok()) state.SkipWithError(report.Text().c_str());
        if (!ModuleHolds(service, session->Dumps(), records))
            state.SkipWithError("the module's memory differs from the mirror");
        resent = report.Resent;
        gapMs =
            std::chrono::duration<double, std::milli>(session->Transfers().Pace().Gap()).count();
    }
    const double wire = RecordBytes(records) * ByteSeconds();
    const double floor = wire + static_cast<double>(records.size()) * storeMs / 1000 + wire;
    state.counters["floor_s"] = floor;
    state.counters["normal_s"] = static_cast<double>(records.size()) * 0.1 + wire;
    state.counters["resent"] = resent;
    state.counters["gap_ms"] = gapMs;
    state.counters["records"] = static_cast<double>(records.size());
    state.counters["ratio"] = elapsed / floor;
}

// What a restore of P patches sends: with all 32, the instruments and the system block too
// (the full setup, 3009 records).
std::vector<td7::TRecordRef> RestoreRecords(int patches) {
    auto records = FirstPatches(patches);
    if (patches < td7::kPatchCount) return records;
    const auto instruments = td7::InstrumentRecords();
    records.insert(records.end(), instruments.begin(), instruments.end());
    records.push_back(td7::SystemRecords().front());
    return records;
}

void WriteSetup(const Td7Module& module, int patches, const std::filesystem::path& path) {
    td7::TTd7Collections dumps(nullptr, nullptr, nullptr);
    td7::TPresentFlags present;
    for (const auto& r : RestoreRecords(patches))
        dumps.Of(r.Kind).Records(r.Index).CopyFrom(module.DataSetOf(ModuleBlock(r)).data());
    for (int p = 0; p < patches; ++p) present.SetPatchPresent(p, true);
    present.SetInstrumentsPresent(patches == td7::kPatchCount);
    present.SetSystemPresent(patches == td7::kPatchCount);
    td7::TSetupFile(dumps, present).SaveSetupAs(path);
}

double RunRestore(td7::VirtualTd7Service& service, const std::vector<std::string>& args,
                  const std::string& ini, benchmark::State& state) {
    {
        std::lock_guard lock(service.Module().ModuleMutex());
        service.Module().Module() = Td7Module();
    }
    Configure(service, 20);
    cli::TEnvironment environment;
    environment.Service = &service;
    environment.SettingsFile = ini;
    std::ostringstream out, err;
    const auto start = Clock::now();
    if (cli::Run(args, out, err, environment) != 0) state.SkipWithError(err.str().c_str());
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The last record may still be on the modelled cable when the command returns.
bool ModuleSoonHolds(td7::VirtualTd7Service& service, td7::TTd7Collections& dumps,
                     const std::vector<td7::TRecordRef>& records) {
    const auto deadline = Clock::now() + std::chrono::seconds(2);
    while (!ModuleHolds(service, dumps, records))
        if (Clock::now() > deadline)
            return false;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return true;
}

void BM_FastRestore(benchmark::State& state) {
    const int patches = static_cast<int>(state.range(0));
    midilink::ClearDeviceIds();
    const auto dir = std::filesystem::temp_directory_path();
    const auto file = dir / ("tamboro-bench-fast-" + std::to_string(::getpid()) + ".td7");
    const auto ini = dir / ("tamboro-bench-fast-" + std::to_string(::getpid()) + ".ini");
    std::filesystem::remove(ini);
    Td7Module source;
    source.LoadRandom(23);
    WriteSetup(source, patches, file);
    td7::VirtualTd7Service service;
    const std::string name = td7::VirtualTd7Service::kName;
    const std::vector<std::string> plain = {"restore", file.string(), "--out", name};
    std::vector<std::string> fast = plain;
    fast.insert(fast.end(), {"--in", name, "--fast"});
    double plainSeconds = 0, fastSeconds = 0;
    const auto records = RestoreRecords(patches);
    td7::TTd7Collections expected(nullptr, nullptr, nullptr);
    for (const auto& r : records)
        expected.Of(r.Kind).Records(r.Index).CopyFrom(source.DataSetOf(ModuleBlock(r)).data());
    for (auto _ : state) {
        plainSeconds = RunRestore(service, plain, ini.string(), state);
        // The plain restore keeps its 100 ms pace: the module took everything.
        if (!ModuleSoonHolds(service, expected, records))
            state.SkipWithError("the plain restore left the module differing from the file");
        fastSeconds = RunRestore(service, fast, ini.string(), state);
        if (!ModuleSoonHolds(service, expected, records))
            state.SkipWithError("the fast restore left the module differing from the file");
        state.SetIterationTime(fastSeconds);
    }
    std::filesystem::remove(file);
    std::filesystem::remove(ini);
    state.counters["plain_s"] = plainSeconds;
    state.counters["fast_s"] = fastSeconds;
    state.counters["speedup"] = plainSeconds / fastSeconds;
}

void BM_FastRequestAll(benchmark::State& state) {
    const int patches = static_cast<int>(state.range(0));
    td7::VirtualTd7Service service;
    {
        std::lock_guard lock(service.Module().ModuleMutex());
        service.Module().Module().LoadRandom(31);
    }
    // A module that keeps at most two messages waiting.
    Configure(service, 0, 2);
    Session session(service);
    session->Transfers().SetFast(true);
    const auto records = FirstPatches(patches);
    double elapsed = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int p = 0; p < patches; ++p) session->Transfers().RequestPatch(p);
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(elapsed);
        if (!ModuleHolds(service, session->Dumps(), records))
            state.SkipWithError("the mirror differs from the module");
    }
    const double floor = RecordBytes(records) * ByteSeconds();
    state.counters["floor_s"] = floor;
    state.counters["ratio"] = elapsed / floor;
}

void Long(benchmark::internal::Benchmark* b) {
    b->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
}

BENCHMARK(BM_FastTransmitAll)->Apply(Long)->Args({32, 0})->Args({32, 20})->Args({32, 60});
BENCHMARK(BM_FastRestore)->Apply(Long)->Arg(32);
BENCHMARK(BM_FastRequestAll)->Apply(Long)->Arg(32);

}  // namespace
