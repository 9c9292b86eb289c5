// Every transfer against a module that misbehaves as a real one can, seed after seed, checked
// against a model of what the mirror should hold. One thread: the cable is a queue of timed
// messages and the clock is the test's own, so a seed replays its run. TAMBORO_SIM_SEED=N
// replays one seed; TAMBORO_SIM_SEEDS=N runs that many from TAMBORO_SIM_FIRST (1).

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "midilink/DeviceIds.h"
#include "midilink/MidiLink.h"
#include "simulator/Td7Module.h"
#include "td7/history/EditHistory.h"
#include "td7/map/PresentFlags.h"
#include "td7/map/Td7Collections.h"
#include "td7/map/Td7Map.h"
#include "td7/transfers/FastTransmission.h"
#include "td7/transfers/ReadBack.h"
#include "td7/transfers/Transfers.h"

namespace {

using td7::Block;
using td7::TRecordRef;
using Bytes = std::vector<std::uint8_t>;
using Clock = td7::TTransferWait::Clock;
using Records = std::vector<TRecordRef>;
using std::chrono::milliseconds;
using namespace std::chrono_literals;

constexpr int kRecords = 3009;
std::size_t KeyOf(const TRecordRef& r) {
    int key = r.Index;
    for (Block block : td7::kAllBlocks)
        if (block < r.Kind) key += td7::InfoOf(block).Count;
    return static_cast<std::size_t>(key);
}
std::string Name(const TRecordRef& r) {
    return std::string(td7::InfoOf(r.Kind).Name) + " " + std::to_string(r.Index);
}
std::optional<TRecordRef> RecordOf(const std::uint8_t* message, std::size_t length) {
    if (length < 10) return std::nullopt;
    const auto at = td7::RecordAtAddress({message[5], message[6], message[7], message[8]});
    if (!at) return std::nullopt;
    return TRecordRef{at->first, at->second};
}
simulator::Block BlockOf(const TRecordRef& r) {
    return *simulator::Td7Module::FindBlock(td7::RecordAddress(r.Kind, r.Index));
}
long Ms(Clock::time_point t) {
    return static_cast<long>((t - Clock::time_point{}) / 1ms);
}
std::string IniPath() {
    return std::filesystem::temp_directory_path() /
           ("tamboro-sim-" + std::to_string(::getpid()) + ".ini");
}

// The faults a seed may draw: the chance it has each, and then its least and most. The first
// are chances per message; answers may overtake each other by the jitter; the module is busy
// (drops data sets) in bursts; an input lost at 0 was never there.
enum Fault { Late, Twice, Never, Drop, Unasked, Jitter, BusyEvery, BusyFor, InputLost, OutputLost };
constexpr const char* kFaultNames[] = {
    "late",      "twice",         "never",       "drop",          "unasked",
    "jitter ms", "busy every ms", "busy for ms", "input lost ms", "output lost ms"};
constexpr double kFaults[][3] = {
    {0.5, 0, 0.03}, {0.4, 0, 0.05},    {0.3, 0, 0.02}, {0.5, 0, 0.15},   {0.3, 0, 0.02},
    {0.5, 0, 30},   {0.25, 500, 3500}, {1, 50, 450},   {0.15, 0, 60000}, {0.1, 0, 60000}};
enum class Origin { Request, ReadBack, Unasked };

struct SimProgress : td7::TTransferProgress {
    void Step() override { ++steps; }
    bool CancelRequested() const override { return cancelAfter >= 0 && steps >= cancelAfter; }
    int steps = 0, cancelAfter = -1;
};

// One seed: the cable, the module behind it, the core's mirror and transfers, a few user
// steps in a row, and after each the invariants. Run() returns the first broken one.
class SimRun : public midilink::TMidiLink, public td7::TTransferWait {
  public:
    explicit SimRun(std::uint32_t seed) : m_random(seed) {
        for (int f = Late; f <= OutputLost; ++f)
            m_f[f] = Chance(kFaults[f][0]) ? kFaults[f][1] + Some(kFaults[f][2] - kFaults[f][1])
                     : f >= InputLost      ? -1
                                           : 0;
        if (m_f[InputLost] > 0 && Chance(0.3)) m_f[InputLost] = 0;
        m_transfers.Devices = [this] { return Devices(); };
        m_module.LoadRandom(seed);
        // The mirror starts as a file left it: other kits than the module's.
        simulator::Td7Module file;
        file.LoadRandom(seed + 1000003);
        for (const TRecordRef& r : m_every) {
            Record(r).CopyFrom(file.DataSetOf(BlockOf(r)).data());
            m_expected.push_back(Data(r));
        }
        for (int p = 0; p < td7::kPatchCount; ++p) m_present.SetPatchPresent(p, Chance(0.08));
        m_present.SetPatchPresent(Between(0, td7::kPatchCount - 1), true);
        m_present.SetInstrumentsPresent(true);
        m_present.SetSystemPresent(true);
        m_unwritableIni = Chance(0.3);
        // Each seed starts without a learned pace, so that it replays alone as in a row.
        std::filesystem::remove(IniPath());
    }

    std::string Run() {
        for (int step = Between(5, 9); step > 0 && m_fault.empty(); --step) {
            Act();
            if (m_fault.empty() && Chance(0.5)) Drain();
            CheckMirror();
            if (m_fault.empty() && m_transfers.Busy()) Fail("a transfer left the sequencer busy");
        }
        if (m_fault.empty()) Drain();
        CheckMirror();
        return m_fault;
    }

    std::string Trace() const {
        std::string text = "faults (-1: never):";
        for (int f = Late; f <= OutputLost; ++f)
            text += std::string(" ") + kFaultNames[f] + " " + std::to_string(m_f[f]);
        text += "\nsteps:\n";
        for (const std::string& step : m_steps) text += "  " + step + "\n";
        text += "last messages:\n";
        for (const std::string& line : m_trace) text += "  " + line + "\n";
        return text;
    }

  private:
    struct Arrival {
        Bytes Message;
        Origin From;
        std::uint64_t Ask;  // the order of the request it answers
    };

    // The module's side of the cable: what the program sends reaches it at once; its answers
    // wait in a queue with the time they arrive (those of one time in the order queued).
    void PutShort(std::uint32_t) override {}
    void PutLong(const std::uint8_t* buffer, int length) override {
        const auto size = static_cast<std::size_t>(length);
        const auto record = RecordOf(buffer, size);
        const bool dataSet = length > 4 && buffer[4] == 0x12;
        if (dataSet && record) ++m_sent[KeyOf(*record)];
        if (Lost(OutputLost)) return Event(record, "-> into a lost output");
        if (dataSet) {
            const bool busy =
                m_f[BusyEvery] > 0 && std::fmod(Ms(m_now), m_f[BusyEvery]) < m_f[BusyFor];
            if (busy || Chance(m_f[Drop])) return Event(record, "-> data set, dropped");
            m_module.Receive(buffer, size);
            Event(record, "-> data set");
        } else if (record) {
            // A request sent while the mirror's collections are off the link is a read-back's.
            const Origin from = Dumps().empty() ? Origin::ReadBack : Origin::Request;
            const std::string what = from == Origin::ReadBack ? "-> read-back" : "-> request";
            const std::uint64_t ask = ++m_order;
            if (from == Origin::Request) m_lastRequest[KeyOf(*record)] = ask;
            if (Chance(m_f[Never])) return Event(record, what + ", never answered");
            for (Bytes& answer : m_module.Receive(buffer, size)) {
                const bool late = Chance(m_f[Late]);
                const auto delay = late ? milliseconds(Between(1001, 1600))
                                        : std::chrono::microseconds(320 * (size + answer.size())) +
                                              milliseconds(Between(0, int(m_f[Jitter])));
                // The module answers one request after another: answers may overtake each
                // other by the jitter, never one the module is still busy with.
                const Clock::time_point at = std::max(m_now + delay, m_busyUntil);
                Event(record, what + ", answer in " + std::to_string((at - m_now) / 1ms) + " ms");
                if (late) m_busyUntil = at;
                if (Chance(m_f[Twice])) {
                    const auto twin = at + milliseconds(Between(1, 60));
                    m_busyUntil = std::max(m_busyUntil, twin);
                    m_queue.insert({twin, {answer, from, ask}});
                }
                m_queue.insert({at, {std::move(answer), from, ask}});
            }
        }
        if (Chance(m_f[Unasked]))
            m_queue.insert({m_now + milliseconds(Between(0, 200)),
                            {m_module.DataSetOf(simulator::Td7Module::BlockAt(
                                 Between(0, simulator::Td7Module::kBlockCount - 1))),
                             Origin::Unasked, 0}});
    }
    bool Lost(Fault port) const { return m_f[port] >= 0 && Ms(m_now) >= m_f[port]; }
    td7::TDeviceState Devices() const {
        const bool input = Lost(InputLost) && m_f[InputLost] > 0, output = Lost(OutputLost);
        const std::string gone =
            std::string(input ? " \"Sim In\"" : "") + (output ? " \"Sim Out\"" : "");
        return {!Lost(InputLost), !output, gone.empty() ? "" : "MIDI device gone:" + gone};
    }

    // The transfers' wait: the next message that arrives before the deadline is delivered as
    // the session delivers it (the read-back first, then the mirror), else the clock jumps.
    Clock::time_point Now() override { return m_now; }
    void WaitUntil(const std::function<bool()>& done, Clock::time_point deadline) override {
        if (++m_waits > 5'000'000) throw std::runtime_error("a transfer that never ends");
        if (!done() && !DeliverNext(deadline)) m_now = std::max(m_now, deadline);
    }
    // Everything still on its way, as the program's event loop takes it when idle.
    void Drain() {
        while (DeliverNext(Clock::time_point::max())) continue;
    }
    bool DeliverNext(Clock::time_point deadline) {
        if (m_queue.empty() || m_queue.begin()->first > deadline) return false;
        m_now = std::max(m_now, m_queue.begin()->first);
        const Arrival arrival = std::move(m_queue.begin()->second);
        m_queue.erase(m_queue.begin());
        static constexpr const char* kFrom[] = {"<- request's answer", "<- read-back's answer",
                                                "<- dump nobody asked for"};
        const auto* data = arrival.Message.data();
        const int size = static_cast<int>(arrival.Message.size());
        const auto record = RecordOf(data, arrival.Message.size());
        if (Lost(InputLost)) {
            Event(record, "<- into a lost input");
            return true;
        }
        m_transfers.CaptureSysex(data, size);
        const bool resolved = OfferSysex(data, size);
        Event(record, kFrom[int(arrival.From)] + std::string(resolved ? ", stored" : ""));
        if (resolved && record) Stored(*record, arrival);
        m_transfers.HandleMidiInput(resolved);
        return true;
    }

    // The mirror stored a message: only a request's answer, or the module's own dump outside
    // a transmission, may change it. A read-back's answer never does, unless the user asked
    // for the record since: the module's answers to both then look alike.
    void Stored(const TRecordRef& r, const Arrival& arrival) {
        const std::size_t key = KeyOf(r);
        if (arrival.From == Origin::ReadBack && m_lastRequest[key] < arrival.Ask)
            Fail("a read-back's answer reached the mirror: " + Name(r));
        else if (arrival.From == Origin::Unasked && m_sending)
            Fail("the mirror took a dump nobody asked for during a transmission: " + Name(r));
        const auto data = arrival.Message.begin() + td7::kHeaderSize;
        m_expected[key].assign(data, data + td7::DataBytes(r.Kind));
        m_byModule[key] = true;
        // As the session tells the history of every answer the mirror stored.
        m_history.Stored(arrival.Message.data(), static_cast<int>(arrival.Message.size()));
    }

    // The user's steps and how often each comes: the long requests least, as they cost the
    // most. Targets: the current patch, all present patches, the instruments, the system.
    void Act() {
        m_transfers.SetFast(Chance(0.5));
        SimProgress progress;
        if (Chance(0.15)) progress.cancelAfter = Between(0, 100);
        const std::pair<int, std::function<void()>> steps[] = {
            {28, [&] { Plain(true, Pick(17, 1, 4, 6), progress); }},
            {34, [&] { Plain(false, Pick(16, 8, 4, 6), progress); }},
            {12, [&] { Differences(Target(Between(0, 1)), progress); }},
            {20, [&] { Fast(Target(Between(0, 3)), progress); }},
            {10, [&] { ReadBack(Target(0), progress); }},
            {14, [&] { Edit(); }},
            {12, [&] { UndoOrRedo(); }}};
        int pick = Between(0, 129);  // the weights' sum
        for (const auto& [weight, step] : steps)
            if ((pick -= weight) < 0) return step();
    }
    static constexpr const char* kTargets[] = {"Current", "All", "Instruments", "System"};
    Records Target(int t) {
        if (t == 1) return td7::PresentPatchRecords(m_present);
        if (t == 2) return td7::InstrumentRecords();
        if (t == 3) return td7::SystemRecords();
        // The patch the user works on: now and then another present one becomes current.
        if (m_current < 0 || Chance(0.2)) {
            std::vector<int> present;
            for (int p = 0; p < td7::kPatchCount; ++p)
                if (m_present.PatchPresent(p)) present.push_back(p);
            m_current = present[std::size_t(Between(0, int(present.size()) - 1))];
        }
        return td7::PatchRecords(m_current);
    }

    // A request, or a transmission verified or not, of a target.
    void Plain(bool request, int t, SimProgress& progress) {
        const Records records = Target(t);
        const std::string what = (request ? "Request " : "Transmit ") + std::string(kTargets[t]);
        const bool verify = !request && Chance(0.6);
        Step(what + (verify ? " verified" : "") + (m_transfers.Fast() ? " (fast)" : ""));
        const auto before = m_sent;
        const auto error = Attempt(what, !request, [&] {
            if (request) {
                t == 0   ? m_transfers.RequestPatch(records[0].Index)
                : t == 1 ? m_transfers.RequestAllPatches()
                : t == 2 ? m_transfers.RequestInstruments()
                         : m_transfers.RequestSystem();
                return CheckHeld(what + " completed", records);
            }
            const bool complete = t == 0   ? m_transfers.TransmitPatch(records[0].Index, progress)
                                  : t == 1 ? m_transfers.TransmitAllPatches(progress)
                                  : t == 2 ? m_transfers.TransmitInstruments(progress)
                                           : (m_transfers.TransmitSystem(), true);
            if (complete) CheckSent(what, records, before);
            if (complete && verify)
                CheckReport(what, records, m_transfers.Verify(records, progress));
        });
        if (error && !request) CheckStopped(what, *error);
    }
    void Differences(const Records& records, SimProgress& progress) {
        const std::string what = "Transmit Differences of " + std::to_string(records.size());
        Step(what);
        const auto before = m_sent;
        // It reads the module's copy first: a module that does not answer stops it.
        Attempt(what, true, [&] {
            const auto differing = m_transfers.TransmitDifferences(records, progress);
            if (!differing) return;
            CheckSent(what, *differing, before);
            CheckHeld(what + " found the same", records, *differing);
            CheckReport(what, *differing, m_transfers.Verify(*differing, progress));
        });
    }
    void Fast(const Records& records, SimProgress& progress) {
        const std::string what = "A fast transmission of " + std::to_string(records.size());
        Step(what + (m_unwritableIni ? ", settings file unwritable" : ""));
        const bool deaf = Lost(InputLost);
        const auto before = m_sent;
        const auto error = Attempt(what, true, [&] {
            const td7::TFastTransmission fast = td7::TransmitFastAtLearnedPace(
                m_transfers, records, progress,
                m_unwritableIni ? "/nonexistent-tamboro-sim/tamboro.ini" : IniPath(), "Sim Out");
            CheckReport(what, records, fast.Report);
            const int sent = SentSince(records, before);
            if (fast.Report.Sent != sent)
                Fail(what + " counted " + std::to_string(fast.Report.Sent) + " records sent of " +
                     std::to_string(sent));
            if (fast.PaceProblem.empty() == m_unwritableIni)
                Fail("the pace problem said \"" + fast.PaceProblem + "\"");
        });
        if (deaf && (error != td7::kFastNeedsInputText || SentSince(records, before) > 0))
            Fail(what + " without an input did not refuse before sending");
        else if (error && !deaf)
            CheckStopped(what, *error);
    }
    void ReadBack(const Records& records, SimProgress& progress) {
        Step("Read back " + std::to_string(records.size()));
        td7::TComparison found;
        // It raises nothing: a module that does not answer leaves records unread.
        Attempt("a read-back", true, [&] { found = m_transfers.ReadBack(records, progress); });
        Records unsure = found.Unread;
        unsure.insert(unsure.end(), found.Differing.begin(), found.Differing.end());
        CheckHeld("a read-back found the same", records, unsure);
        CheckHeld("a read-back found differing", found.Differing, found.Unread, false);
    }
    // A few records changed as one step of the history, as a load does.
    void Edit() {
        const int count = Between(1, 6);
        m_history.RecordCommand("Edit", {}, td7::kAllBlocks, [&] {
            for (int k = 0; k < count; ++k) {
                const TRecordRef r = Chance(0.6)   ? Target(0)[std::size_t(Between(0, 77))]
                                     : Chance(0.8) ? TRecordRef{Block::Instrument, Between(0, 511)}
                                                   : TRecordRef{Block::System, 0};
                const int at = Between(0, td7::DataBytes(r.Kind) - 1);
                const auto value = static_cast<std::uint8_t>(Between(0, 127));
                Record(r).Data()[td7::kHeaderSize + at] = value;
                m_expected[KeyOf(r)][std::size_t(at)] = value;
                m_byModule[KeyOf(r)] = false;
            }
        });
        Step("user edits " + std::to_string(count) + " records");
    }
    // What the module sent is never undone: an undo or redo changes only records whose last
    // change was the user's.
    void UndoOrRedo() {
        const bool undo = Chance(0.6);
        const int times = Between(1, 4);
        const std::string what = undo ? "Undo" : "Redo";
        Step(what + " x" + std::to_string(times));
        Attempt(what, false, [&] {
            for (int k = 0; k < times && (undo ? m_history.CanUndo() : m_history.CanRedo()); ++k)
                undo ? m_history.Undo() : m_history.Redo();
        });
        for (const TRecordRef& r : m_every) {
            if (MirrorHolds(r, m_expected[KeyOf(r)])) continue;
            if (m_byModule[KeyOf(r)]) Fail(what + " wrote over what the module sent: " + Name(r));
            m_expected[KeyOf(r)] = Data(r);
        }
    }
    // Runs a step, `sending` records to the module or not; the TransferError it raised, if
    // any. Anything else it raises is a fault: a program would lose the transfer's report to it.
    std::optional<std::string> Attempt(const std::string& what, bool sending,
                                       const std::function<void()>& step) {
        std::optional<std::string> error;
        m_sending = sending;
        try {
            step();
        } catch (const td7::TransferError& raised) {
            Step("  " + *(error = raised.what()));
        } catch (const std::exception& raised) {
            Fail(what + " raised \"" + raised.what() + "\"");
        }
        m_sending = false;
        return error;
    }
    // The invariants. A record changes only by the user's edits and the answers to requests;
    // every report is true of the module.
    void CheckMirror() {
        for (const TRecordRef& r : m_every)
            if (!MirrorHolds(r, m_expected[KeyOf(r)]))
                return Fail("the mirror's " + Name(r) +
                            " changed by neither the user nor a request");
    }
    // Each of `records` but those of `except` is the module's (or, `held` false, is not).
    void CheckHeld(const std::string& what, const Records& records, const Records& except = {},
                   bool held = true) {
        for (const TRecordRef& r : records)
            if (std::find(except.begin(), except.end(), r) == except.end() &&
                ModuleHolds(r) != held)
                return Fail(what + ", the mirror's " + Name(r) +
                            (held ? " is not the module's" : " is the module's"));
    }
    void CheckReport(const std::string& what, const Records& records,
                     const td7::TVerifyReport& report) {
        Step("  " + report.Text() + (report.Cancelled ? " (cancelled)" : ""));
        CheckHeld(what + " reported verified", records, report.Failed);
        if (report.Ok() && Lost(InputLost)) Fail(what + " verified without an input");
    }
    int SentSince(const Records& records, const std::vector<int>& before) const {
        return int(std::count_if(records.begin(), records.end(), [&](const TRecordRef& r) {
            return m_sent[KeyOf(r)] > before[KeyOf(r)];
        }));
    }
    void CheckSent(const std::string& what, const Records& records,
                   const std::vector<int>& before) {
        if (SentSince(records, before) != int(records.size()))
            Fail(what + " completed without sending every record");
    }
    // A transmission may stop with an error only when the output is gone.
    void CheckStopped(const std::string& what, const std::string& error) {
        if (!Lost(OutputLost))
            Fail(what + " stopped with \"" + error + "\" while the output works");
    }
    void Fail(const std::string& text) {
        if (m_fault.empty()) m_fault = text;
    }

    midilink::TMidiDump& Record(const TRecordRef& r) { return m_dumps.Of(r.Kind).Records(r.Index); }
    Bytes Data(const TRecordRef& r) {
        const std::uint8_t* data = Record(r).Data() + td7::kHeaderSize;
        return {data, data + td7::DataBytes(r.Kind)};
    }
    template <typename Range>
    bool MirrorHolds(const TRecordRef& r, const Range& data) {
        return int(data.size()) == td7::DataBytes(r.Kind) &&
               std::equal(data.begin(), data.end(), Record(r).Data() + td7::kHeaderSize);
    }
    bool ModuleHolds(const TRecordRef& r) { return MirrorHolds(r, m_module.Data(BlockOf(r))); }

    // A user's step and its outcome; the last ones are kept apart from the messages, which
    // soon push them out of the trace.
    void Step(const std::string& text) {
        Event(std::nullopt, text);
        m_steps.push_back(std::to_string(Ms(m_now)) + " ms " + text);
        if (m_steps.size() > 12) m_steps.pop_front();
    }
    void Event(const std::optional<TRecordRef>& record, const std::string& what) {
        m_trace.push_back(std::to_string(Ms(m_now)) + " ms " + (record ? Name(*record) + " " : "") +
                          what);
        if (m_trace.size() > 40) m_trace.pop_front();
    }

    bool Chance(double p) { return p > 0 && Some(1) < p; }
    double Some(double most) { return std::uniform_real_distribution<>(0, most)(m_random); }
    int Pick(auto... weights) {
        return std::discrete_distribution<>({double(weights)...})(m_random);
    }
    int Between(int low, int high) {
        return high <= low ? low : std::uniform_int_distribution<>(low, high)(m_random);
    }

    std::mt19937 m_random;
    double m_f[OutputLost + 1] = {};  // by Fault
    simulator::Td7Module m_module;
    Clock::time_point m_now{}, m_busyUntil{};
    std::multimap<Clock::time_point, Arrival> m_queue;
    std::uint64_t m_order = 0;
    long m_waits = 0;
    std::vector<int> m_sent = std::vector<int>(kRecords);  // data sets sent, by record key
    // The order of the last request command's ask of each record, by record key.
    std::vector<std::uint64_t> m_lastRequest = std::vector<std::uint64_t>(kRecords);
    std::deque<std::string> m_trace, m_steps;

    td7::TTd7Collections m_dumps{this, nullptr, nullptr};
    td7::TPresentFlags m_present;
    td7::TTransfers m_transfers{m_dumps, m_present, *this, *this};
    td7::TEditHistory m_history{m_dumps, m_present, *this};
    const Records m_every = [] {
        Records all;
        for (Block block : td7::kAllBlocks)
            for (int i = 0; i < td7::InfoOf(block).Count; ++i) all.push_back({block, i});
        return all;
    }();
    std::vector<Bytes> m_expected;  // what the mirror should hold, by key
    std::vector<bool> m_byModule = std::vector<bool>(kRecords);  // last changed by an answer
    bool m_sending = false;  // records go to the module: its own dumps must not reach the mirror
    bool m_unwritableIni = false;
    int m_current = -1;
    std::string m_fault;
};

TEST(SimulatedModule, EveryTransferKeepsTheMirrorAndItsReportsTrueForEverySeed) {
    const auto EnvironmentNumber = [](const char* name, int fallback) {
        const char* text = std::getenv(name);
        return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
    };
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
    std::filesystem::remove(IniPath());
    midilink::ClearDeviceIds();
}

}  // namespace
