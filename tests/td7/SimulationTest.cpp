// Every transfer against a module that misbehaves, for hundreds of seeds, checked against a
// model of what the mirror should hold. TAMBORO_SIM_SEED=N replays one seed;
// TAMBORO_SIM_SEEDS=N runs that many from TAMBORO_SIM_FIRST (1).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iterator>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "midilink/DeviceIds.h"
#include "td7/history/EditHistory.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/transfers/FastTransmission.h"
#include "td7/transfers/ReadBack.h"
#include "td7/transfers/Transfers.h"
#include "tests/support/SimulatedModule.h"

namespace {

using td7::Block;
using td7::TRecordRef;
using namespace testsupport;

class SimProgress : public td7::TTransferProgress {
  public:
    void Step() override { ++steps; }
    bool CancelRequested() const override { return cancelAfter >= 0 && steps >= cancelAfter; }
    int steps = 0;
    int cancelAfter = -1;
};

bool Contains(const std::vector<TRecordRef>& records, const TRecordRef& r) {
    return std::find(records.begin(), records.end(), r) != records.end();
}

std::vector<TRecordRef> EveryRecord() {
    std::vector<TRecordRef> all;
    for (Block block : td7::kAllBlocks)
        for (int i = 0; i < td7::InfoOf(block).Count; ++i) all.push_back({block, i});
    return all;
}

// One seed: the core's mirror and transfers against the simulated module, a few user actions
// and transfers in a row, and after each the invariants. Run() returns the first broken one.
class SimRun {
  public:
    explicit SimRun(std::uint32_t seed) : m_random(seed), m_link(seed, TSimFaults::Draw(m_random)) {
        m_wait.transfers = &m_transfers;
        m_transfers.Devices = [this] { return m_link.Devices(); };
        m_wait.stored = [this](const TRecordRef& r, const TSimulatedModule::Arrival& arrival) {
            Stored(r, arrival);
        };
        m_link.module.LoadRandom(seed);
        // The mirror starts as a file left it: other kits than the module's.
        simulator::Td7Module file;
        file.LoadRandom(seed + 1000003);
        for (const TRecordRef& r : m_every) {
            const SimBytes message = file.DataSetOf(SimBlockOf(r));
            Record(r).CopyFrom(message.data());
            m_expected.push_back(Data(r));
        }
        for (int p = 0; p < td7::kPatchCount; ++p) m_present.SetPatchPresent(p, Chance(0.08));
        m_present.SetPatchPresent(Between(0, td7::kPatchCount - 1), true);
        m_present.SetInstrumentsPresent(true);
        m_present.SetSystemPresent(true);
        m_unwritableIni = Chance(0.3);
        // Each seed starts without a learned pace, so that it replays alone as in a row.
        std::filesystem::remove(Ini());
    }

    std::string Run() {
        const int steps = Between(5, 9);
        for (int step = 0; step < steps && m_fault.empty(); ++step) {
            Act();
            if (m_fault.empty() && Chance(0.5)) m_wait.Drain();
            CheckMirror();
            if (m_fault.empty() && m_transfers.Busy()) Fail("a transfer left the sequencer busy");
        }
        if (m_fault.empty()) {
            m_wait.Drain();
            CheckMirror();
        }
        return m_fault;
    }

    std::string Trace() const {
        return "faults: " + m_link.faults.Text() + "\n" + m_link.TraceText();
    }

  private:
    enum class Phase { Idle, Request, Transmit };

    bool Chance(double p) { return std::uniform_real_distribution<>(0, 1)(m_random) < p; }
    int Between(int low, int high) { return std::uniform_int_distribution<>(low, high)(m_random); }
    void Fail(const std::string& text) {
        if (m_fault.empty()) m_fault = text;
    }

    midilink::TMidiDump& Record(const TRecordRef& r) { return m_dumps.Of(r.Kind).Records(r.Index); }
    SimBytes Data(const TRecordRef& r) {
        const std::uint8_t* data = Record(r).Data() + td7::kHeaderSize;
        return {data, data + td7::DataBytes(r.Kind)};
    }
    bool ModuleHolds(const TRecordRef& r) {
        const auto module = m_link.module.Data(SimBlockOf(r));
        return static_cast<int>(module.size()) == td7::DataBytes(r.Kind) &&
               std::equal(module.begin(), module.end(), Record(r).Data() + td7::kHeaderSize);
    }
    // The patch the user works on: most actions take it, as the windows do, and now and
    // then another present one becomes current.
    std::vector<TRecordRef> SomePatch() {
        if (m_current < 0 || Chance(0.2)) {
            std::vector<int> present;
            for (int p = 0; p < td7::kPatchCount; ++p)
                if (m_present.PatchPresent(p)) present.push_back(p);
            m_current =
                present[static_cast<std::size_t>(Between(0, static_cast<int>(present.size()) - 1))];
        }
        return td7::PatchRecords(m_current);
    }

    // The mirror stored a message: only a request's answer, or the module's own dump outside
    // a transmission, may change it. A read-back's answer never does, unless the user asked
    // for the record since: the module's answers to both then look alike.
    void Stored(const TRecordRef& r, const TSimulatedModule::Arrival& arrival) {
        const SimBytes& message = arrival.Message;
        const TSimOrigin origin = arrival.Origin;
        if (origin == TSimOrigin::ReadBack &&
            m_link.lastRequest[static_cast<std::size_t>(SimKey(r))] < arrival.Ask)
            Fail("a read-back's answer reached the mirror: " + SimRecordText(r));
        else if (origin == TSimOrigin::Unasked && m_phase == Phase::Transmit)
            Fail("the mirror took a dump nobody asked for during a transmission: " +
                 SimRecordText(r));
        const auto key = static_cast<std::size_t>(SimKey(r));
        m_expected[key].assign(message.begin() + td7::kHeaderSize,
                               message.begin() + td7::kHeaderSize + td7::DataBytes(r.Kind));
        m_byModule[key] = true;
        // As the session tells the history of every answer the mirror stored.
        m_history.Stored(message.data(), static_cast<int>(message.size()));
    }

    void CheckMirror() {
        for (const TRecordRef& r : m_every)
            if (!std::equal(m_expected[static_cast<std::size_t>(SimKey(r))].begin(),
                            m_expected[static_cast<std::size_t>(SimKey(r))].end(),
                            Record(r).Data() + td7::kHeaderSize)) {
                Fail("the mirror's " + SimRecordText(r) +
                     " changed by neither the user nor a request");
                return;
            }
    }

    // What a finished transmission's report says: the records not named held on both sides.
    void CheckVerified(const std::string& what, const std::vector<TRecordRef>& records,
                       const std::vector<TRecordRef>& failed) {
        for (const TRecordRef& r : records)
            if (!Contains(failed, r) && !ModuleHolds(r)) {
                Fail(what + " reported " + SimRecordText(r) +
                     " verified, the module holds other data");
                return;
            }
    }

    // A transmission may stop with an error only when the output is gone.
    void CheckStopped(const std::string& what, const std::string& error) {
        if (!m_link.OutputLost())
            Fail(what + " stopped with \"" + error + "\" while the output works");
    }

    int SentOf(const std::vector<TRecordRef>& records, const std::vector<int>& before) {
        int sent = 0;
        for (const TRecordRef& r : records) {
            const auto key = static_cast<std::size_t>(SimKey(r));
            sent += m_link.sentData[key] > before[key] ? 1 : 0;
        }
        return sent;
    }

    void Act() {
        m_transfers.SetFast(Chance(0.5));
        SimProgress progress;
        if (Chance(0.15)) progress.cancelAfter = Between(0, 100);
        // How often each comes: the long requests least, as they cost the most.
        static constexpr int kWeights[] = {17, 1, 4, 6, 16, 8, 4, 6, 12, 20, 10, 14, 12};
        int pick = Between(0, std::accumulate(std::begin(kWeights), std::end(kWeights), 0) - 1);
        int action = 0;
        while (pick >= kWeights[action]) pick -= kWeights[action++];
        switch (action) {
            case 0: {
                const int p = SomePatch()[0].Index;
                Request(
                    "Request Current", [&] { m_transfers.RequestPatch(p); }, td7::PatchRecords(p));
                break;
            }
            case 1:
                Request(
                    "Request All", [this] { m_transfers.RequestAllPatches(); },
                    td7::PresentPatchRecords(m_present));
                break;
            case 2:
                Request(
                    "Instruments Request", [this] { m_transfers.RequestInstruments(); },
                    td7::InstrumentRecords());
                break;
            case 3:
                Request(
                    "System Request", [this] { m_transfers.RequestSystem(); },
                    td7::SystemRecords());
                break;
            case 4: {
                const int p = SomePatch()[0].Index;
                Transmit("Transmit Current", td7::PatchRecords(p), progress,
                         [&] { return m_transfers.TransmitPatch(p, progress); });
                break;
            }
            case 5:
                Transmit("Transmit All", td7::PresentPatchRecords(m_present), progress,
                         [&] { return m_transfers.TransmitAllPatches(progress); });
                break;
            case 6:
                Transmit("Instruments Transmit", td7::InstrumentRecords(), progress,
                         [&] { return m_transfers.TransmitInstruments(progress); });
                break;
            case 7:
                Transmit("System Transmit", td7::SystemRecords(), progress, [&] {
                    m_transfers.TransmitSystem();
                    return true;
                });
                break;
            case 8:
                Differences(Chance(0.5) ? SomePatch() : td7::PresentPatchRecords(m_present),
                            progress);
                break;
            case 9: {
                const int which = Between(0, 3);
                Fast(which == 0   ? SomePatch()
                     : which == 1 ? td7::PresentPatchRecords(m_present)
                     : which == 2 ? td7::InstrumentRecords()
                                  : td7::SystemRecords(),
                     progress);
                break;
            }
            case 10:
                ReadBack(SomePatch(), progress);
                break;
            case 11:
                Edit();
                break;
            default:
                UndoOrRedo();
                break;
        }
    }

    // A few records changed as one step of the history, as a load does.
    void Edit() {
        const int count = Between(1, 6);
        m_history.RecordCommand("Edit", {}, td7::kAllBlocks, [&] {
            for (int k = 0; k < count; ++k) {
                const TRecordRef r = Chance(0.6)
                                         ? SomePatch()[static_cast<std::size_t>(Between(0, 77))]
                                     : Chance(0.8) ? TRecordRef{Block::Instrument, Between(0, 511)}
                                                   : TRecordRef{Block::System, 0};
                const int at = Between(0, td7::DataBytes(r.Kind) - 1);
                const auto value = static_cast<std::uint8_t>(Between(0, 127));
                const auto key = static_cast<std::size_t>(SimKey(r));
                Record(r).Data()[td7::kHeaderSize + at] = value;
                m_expected[key][static_cast<std::size_t>(at)] = value;
                m_byModule[key] = false;
            }
        });
        m_link.Trace("user edits " + std::to_string(count) + " records");
    }

    // What the module sent is never undone: an undo or redo changes only records whose last
    // change was the user's.
    void UndoOrRedo() {
        const bool undo = Chance(0.6);
        const int times = Between(1, 4);
        m_link.Trace((undo ? "Undo x" : "Redo x") + std::to_string(times));
        try {
            for (int k = 0; k < times && (undo ? m_history.CanUndo() : m_history.CanRedo()); ++k)
                undo ? m_history.Undo() : m_history.Redo();
        } catch (const std::exception& error) {
            Fail(std::string(undo ? "Undo" : "Redo") + " raised \"" + error.what() + "\"");
        }
        for (const TRecordRef& r : m_every) {
            const auto key = static_cast<std::size_t>(SimKey(r));
            if (std::equal(m_expected[key].begin(), m_expected[key].end(),
                           Record(r).Data() + td7::kHeaderSize))
                continue;
            if (m_byModule[key])
                Fail(std::string(undo ? "Undo" : "Redo") +
                     " wrote over what the module sent: " + SimRecordText(r));
            m_expected[key] = Data(r);
        }
    }

    void Request(const std::string& what, const std::function<void()>& request,
                 const std::vector<TRecordRef>& records) {
        m_link.Trace(what + (m_transfers.Fast() ? " (fast)" : ""));
        m_phase = Phase::Request;
        bool complete = true;
        try {
            request();
        } catch (const td7::TransferError& error) {
            complete = false;
            m_link.Trace("  " + std::string(error.what()));
        }
        m_phase = Phase::Idle;
        if (!complete) return;
        for (const TRecordRef& r : records)
            if (!ModuleHolds(r)) {
                Fail(what + " completed, the mirror's " + SimRecordText(r) +
                     " is not the module's");
                return;
            }
    }

    void Transmit(const std::string& what, const std::vector<TRecordRef>& records,
                  SimProgress& progress, const std::function<bool()>& send) {
        const bool verify = Chance(0.6);
        m_link.Trace(what + (verify ? " verified" : ""));
        m_phase = Phase::Transmit;
        const auto sentBefore = m_link.sentData;
        try {
            const bool complete = send();
            if (complete && SentOf(records, sentBefore) != static_cast<int>(records.size()))
                Fail(what + " completed without sending every record");
            if (complete && verify) {
                const td7::TVerifyReport report = m_transfers.Verify(records, progress);
                m_link.Trace("  " + report.Text());
                CheckVerified(what, records, report.Failed);
                if (report.Ok() && m_link.InputLost()) Fail(what + " verified without an input");
            }
        } catch (const td7::TransferError& error) {
            m_link.Trace("  " + std::string(error.what()));
            CheckStopped(what, error.what());
        }
        m_phase = Phase::Idle;
    }

    void Differences(const std::vector<TRecordRef>& records, SimProgress& progress) {
        m_link.Trace("Transmit Differences of " + std::to_string(records.size()));
        m_phase = Phase::Transmit;
        const auto sentBefore = m_link.sentData;
        try {
            const auto differing = m_transfers.TransmitDifferences(records, progress);
            if (differing) {
                if (SentOf(*differing, sentBefore) != static_cast<int>(differing->size()))
                    Fail(
                        "Transmit Differences completed without sending every record that "
                        "differed");
                std::vector<TRecordRef> same;
                for (const TRecordRef& r : records)
                    if (!Contains(*differing, r)) same.push_back(r);
                CheckVerified("Transmit Differences", same, {});
                const td7::TVerifyReport report = m_transfers.Verify(*differing, progress);
                m_link.Trace("  " + report.Text());
                CheckVerified("Transmit Differences", *differing, report.Failed);
            }
        } catch (const td7::TransferError& error) {
            // It reads the module's copy first: a module that does not answer stops it.
            m_link.Trace("  " + std::string(error.what()));
        }
        m_phase = Phase::Idle;
    }

    void Fast(const std::vector<TRecordRef>& records, SimProgress& progress) {
        m_link.Trace("Fast transmission of " + std::to_string(records.size()) +
                     (m_unwritableIni ? ", settings file unwritable" : ""));
        m_phase = Phase::Transmit;
        const bool deaf = m_link.InputLost();
        const auto sentBefore = m_link.sentData;
        const std::string ini =
            m_unwritableIni ? std::string("/nonexistent-tamboro-sim/tamboro.ini") : Ini();
        try {
            const td7::TFastTransmission fast =
                td7::TransmitFastAtLearnedPace(m_transfers, records, progress, ini, "Sim Out");
            const td7::TVerifyReport& report = fast.Report;
            m_link.Trace("  " + report.Text() + (report.Cancelled ? " (cancelled)" : ""));
            if (deaf)
                Fail("a fast transmission without an input sent " +
                     std::to_string(SentOf(records, sentBefore)) + " records");
            CheckVerified("a fast transmission", records, report.Failed);
            if (report.Sent != SentOf(records, sentBefore))
                Fail("a fast transmission counted " + std::to_string(report.Sent) +
                     " records sent of " + std::to_string(SentOf(records, sentBefore)));
            if (fast.PaceProblem.empty() == m_unwritableIni)
                Fail("the pace problem said \"" + fast.PaceProblem + "\"");
        } catch (const td7::TransferError& error) {
            m_link.Trace("  " + std::string(error.what()));
            if (deaf && (error.what() != std::string(td7::kFastNeedsInputText) ||
                         SentOf(records, sentBefore) > 0))
                Fail("a fast transmission without an input did not refuse before sending");
            else if (!deaf)
                CheckStopped("a fast transmission", error.what());
        } catch (const std::exception& error) {
            Fail(std::string("a fast transmission's report was lost to \"") + error.what() + "\"");
        }
        m_phase = Phase::Idle;
    }

    void ReadBack(const std::vector<TRecordRef>& records, SimProgress& progress) {
        m_link.Trace("Read back " + std::to_string(records.size()));
        m_phase = Phase::Transmit;
        const td7::TComparison comparison = m_transfers.ReadBack(records, progress);
        m_phase = Phase::Idle;
        for (const TRecordRef& r : records) {
            if (Contains(comparison.Unread, r)) continue;
            if (Contains(comparison.Differing, r) == ModuleHolds(r)) {
                Fail("a read-back said " + SimRecordText(r) +
                     (ModuleHolds(r) ? " differs" : " is the same") +
                     ", the module holds otherwise");
                return;
            }
        }
    }

    static std::string Ini() {
        static const std::string path = (std::filesystem::temp_directory_path() /
                                         ("tamboro-sim-" + std::to_string(::getpid()) + ".ini"))
                                            .string();
        return path;
    }

    std::mt19937 m_random;
    TSimulatedModule m_link;
    td7::TTd7Collections m_dumps{&m_link, nullptr, nullptr};
    td7::TPresentFlags m_present;
    TSimWait m_wait{m_link};
    td7::TTransfers m_transfers{m_dumps, m_present, m_link, m_wait};
    td7::TEditHistory m_history{m_dumps, m_present, m_link};
    std::vector<bool> m_byModule = std::vector<bool>(kSimRecords);  // last changed by an answer
    const std::vector<TRecordRef> m_every = EveryRecord();
    std::vector<SimBytes> m_expected;  // what the mirror should hold, by record key
    Phase m_phase = Phase::Idle;
    bool m_unwritableIni = false;
    int m_current = -1;
    std::string m_fault;
};

int EnvironmentNumber(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

TEST(SimulatedModule, EveryTransferKeepsTheMirrorAndItsReportsTrueForEverySeed) {
    midilink::ClearDeviceIds();
    midilink::SetDeviceId(0, 16);
    const int one = EnvironmentNumber("TAMBORO_SIM_SEED", 0);
    const int first = one > 0 ? one : EnvironmentNumber("TAMBORO_SIM_FIRST", 1);
    const int count = one > 0 ? 1 : EnvironmentNumber("TAMBORO_SIM_SEEDS", 300);
    int failures = 0;
    for (int seed = first; seed < first + count && failures < 5; ++seed) {
        SimRun run(static_cast<std::uint32_t>(seed));
        const std::string fault = run.Run();
        if (fault.empty()) continue;
        ++failures;
        ADD_FAILURE() << "seed " << seed << " (TAMBORO_SIM_SEED=" << seed << "): " << fault << "\n"
                      << run.Trace();
    }
    std::filesystem::remove(std::filesystem::temp_directory_path() /
                            ("tamboro-sim-" + std::to_string(::getpid()) + ".ini"));
    midilink::ClearDeviceIds();
}

}  // namespace
