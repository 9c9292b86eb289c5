#pragma once

// A module that misbehaves as a real one can, driven by a seed, in one thread: the cable is a
// queue of timed messages and the clock is the test's own, so one seed replays one run. The
// module's memory and protocol are the simulator's; the faults are drawn here: answers late
// (past the time-out), twice, out of order or never, data sets dropped, busy in bursts, dumps
// nobody asked for, and an input or output port lost part-way.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "midilink/MidiLink.h"
#include "simulator/Td7Module.h"
#include "td7/map/Td7Map.h"
#include "td7/transfers/ReadBack.h"
#include "td7/transfers/Transfers.h"

namespace testsupport {

using SimClock = td7::TTransferWait::Clock;
using SimBytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// Where a message on its way to the program came from.
enum class TSimOrigin { Request, ReadBack, Unasked };

// The faults of one seed: chances per message, and times after the start.
struct TSimFaults {
    double Late = 0;
    double Twice = 0;
    double Never = 0;
    double Drop = 0;
    double Unasked = 0;
    int JitterMs = 0;  // answers may overtake each other by up to this
    SimClock::duration BurstEvery{};
    SimClock::duration BurstFor{};
    std::optional<SimClock::duration> InputLost;  // 0: never had one
    std::optional<SimClock::duration> OutputLost;

    static TSimFaults Draw(std::mt19937& random) {
        TSimFaults f;
        const auto chance = [&](double p) {
            return std::uniform_real_distribution<>(0, 1)(random) < p;
        };
        const auto some = [&](double most) {
            return std::uniform_real_distribution<>(0, most)(random);
        };
        if (chance(0.5)) f.Late = some(0.03);
        if (chance(0.4)) f.Twice = some(0.05);
        if (chance(0.3)) f.Never = some(0.02);
        if (chance(0.5)) f.Drop = some(0.15);
        if (chance(0.3)) f.Unasked = some(0.02);
        if (chance(0.5)) f.JitterMs = static_cast<int>(some(30));
        if (chance(0.25)) {
            f.BurstEvery = std::chrono::milliseconds(500 + static_cast<int>(some(3000)));
            f.BurstFor = std::chrono::milliseconds(50 + static_cast<int>(some(400)));
        }
        if (chance(0.15))
            f.InputLost = chance(0.3) ? SimClock::duration{}
                                      : std::chrono::milliseconds(static_cast<int>(some(60000)));
        if (chance(0.1)) f.OutputLost = std::chrono::milliseconds(static_cast<int>(some(60000)));
        return f;
    }

    std::string Text() const {
        std::string text = "late " + std::to_string(Late) + ", twice " + std::to_string(Twice) +
                           ", never " + std::to_string(Never) + ", drop " + std::to_string(Drop) +
                           ", unasked " + std::to_string(Unasked) + ", jitter " +
                           std::to_string(JitterMs) + " ms";
        if (BurstEvery > SimClock::duration{})
            text += ", busy " + std::to_string(BurstFor / 1ms) + " ms every " +
                    std::to_string(BurstEvery / 1ms) + " ms";
        if (InputLost) text += ", input lost at " + std::to_string(*InputLost / 1ms) + " ms";
        if (OutputLost) text += ", output lost at " + std::to_string(*OutputLost / 1ms) + " ms";
        return text;
    }
};

// The record a data set or a data request is about, by its address.
inline std::optional<td7::TRecordRef> SimRecordOf(const std::uint8_t* message, int length) {
    if (length < 10) return std::nullopt;
    const auto at = td7::RecordAtAddress({message[5], message[6], message[7], message[8]});
    if (!at) return std::nullopt;
    return td7::TRecordRef{at->first, at->second};
}

inline simulator::Block SimBlockOf(const td7::TRecordRef& r) {
    using simulator::Td7Module;
    switch (r.Kind) {
        case td7::Block::System:
            return Td7Module::SystemBlock();
        case td7::Block::Prog:
            return Td7Module::CommonBlock(r.Index);
        case td7::Block::Trigger:
            return Td7Module::TriggerBlock(r.Index / td7::kTriggersPerPatch,
                                           r.Index % td7::kTriggersPerPatch);
        case td7::Block::Notemap:
            return Td7Module::NoteMapBlock(r.Index / td7::kNotesPerPatch,
                                           r.Index % td7::kNotesPerPatch);
        case td7::Block::Instrument:
            return Td7Module::InstrumentBlock(r.Index);
    }
    return Td7Module::SystemBlock();
}

// Every record of the module, numbered block after block.
inline constexpr int kSimRecords = 3009;
inline int SimKey(const td7::TRecordRef& r) {
    int key = r.Index;
    for (td7::Block block : td7::kAllBlocks) {
        if (block == r.Kind) break;
        key += td7::InfoOf(block).Count;
    }
    return key;
}

inline std::string SimRecordText(const td7::TRecordRef& r) {
    static constexpr const char* kNames[] = {"system", "common", "trigger", "note", "instrument"};
    return std::string(kNames[static_cast<int>(r.Kind)]) + " " + std::to_string(r.Index);
}

// The cable and the module behind it. Messages the program sends reach the module at once;
// the module's answers wait in a queue with the time they arrive.
class TSimulatedModule : public midilink::TMidiLink {
  public:
    struct Arrival {
        SimClock::time_point At;
        std::uint64_t Order;
        SimBytes Message;
        TSimOrigin Origin;
        std::uint64_t Ask = 0;  // the order of the request it answers
    };

    TSimulatedModule(std::uint32_t seed, const TSimFaults& faults) : random(seed), faults(faults) {}

    void PutShort(std::uint32_t) override {}
    void PutLong(const std::uint8_t* buffer, int length) override {
        const auto record = SimRecordOf(buffer, length);
        const bool dataSet = length > 4 && buffer[4] == 0x12;
        if (dataSet && record) ++sentData[SimKey(*record)];
        if (OutputLost()) {
            Event(record, "-> into a lost output");
            return;
        }
        if (dataSet) {
            const bool burst = faults.BurstEvery > SimClock::duration{} &&
                               (now - SimClock::time_point{}) % faults.BurstEvery < faults.BurstFor;
            if (burst || Chance(faults.Drop)) {
                Event(record, "-> data set, dropped");
                return;
            }
            module.Receive(buffer, static_cast<std::size_t>(length));
            Event(record, "-> data set");
        } else if (record) {
            // A request sent while the mirror's collections are off the link is a read-back's.
            const TSimOrigin origin = Dumps().empty() ? TSimOrigin::ReadBack : TSimOrigin::Request;
            const std::uint64_t ask = ++order;
            if (origin == TSimOrigin::Request) lastRequest[SimKey(*record)] = ask;
            if (Chance(faults.Never)) {
                Event(record, origin == TSimOrigin::ReadBack ? "-> read-back, never answered"
                                                             : "-> request, never answered");
            } else {
                for (auto& answer : module.Receive(buffer, static_cast<std::size_t>(length))) {
                    auto delay = std::chrono::microseconds(320 * (length + answer.size())) +
                                 std::chrono::milliseconds(Between(0, faults.JitterMs));
                    const bool late = Chance(faults.Late);
                    if (late) delay = std::chrono::milliseconds(Between(1001, 1600));
                    // The module answers one request after another: answers may overtake
                    // each other by the jitter, never one the module is still busy with.
                    const SimClock::time_point at = std::max(now + delay, m_busyUntil);
                    Event(record,
                          origin == TSimOrigin::ReadBack ? "-> read-back, answer in ms:"
                                                         : "-> request, answer in ms:",
                          static_cast<int>((at - now) / 1ms));
                    if (late) m_busyUntil = at;
                    if (Chance(faults.Twice)) {
                        const auto twin = at + std::chrono::milliseconds(Between(1, 60));
                        m_busyUntil = std::max(m_busyUntil, twin);
                        Queue(twin, answer, origin, ask);
                    }
                    Queue(at, std::move(answer), origin, ask);
                }
            }
        }
        if (Chance(faults.Unasked)) {
            const auto block =
                simulator::Td7Module::BlockAt(Between(0, simulator::Td7Module::kBlockCount - 1));
            Queue(now + std::chrono::milliseconds(Between(0, 200)), module.DataSetOf(block),
                  TSimOrigin::Unasked);
        }
    }

    bool InputLost() const {
        return faults.InputLost && now - SimClock::time_point{} >= *faults.InputLost;
    }
    bool OutputLost() const {
        return faults.OutputLost && now - SimClock::time_point{} >= *faults.OutputLost;
    }
    td7::TDeviceState Devices() const {
        td7::TDeviceState state{!InputLost(), !OutputLost(), {}};
        const bool inputGone = InputLost() && *faults.InputLost > SimClock::duration{};
        if (inputGone && !state.Output)
            state.Gone = "The MIDI devices \"Sim In\" and \"Sim Out\" are gone.";
        else if (inputGone)
            state.Gone = "The MIDI device \"Sim In\" is gone.";
        else if (!state.Output)
            state.Gone = "The MIDI device \"Sim Out\" is gone.";
        return state;
    }

    // The earliest message on its way, if any arrives by `deadline`.
    std::optional<Arrival> Next(SimClock::time_point deadline) {
        const auto first =
            std::min_element(queue.begin(), queue.end(), [](const auto& a, const auto& b) {
                return a.At < b.At || (a.At == b.At && a.Order < b.Order);
            });
        if (first == queue.end() || first->At > deadline) return std::nullopt;
        Arrival arrival = std::move(*first);
        queue.erase(first);
        return arrival;
    }

    // The last things that happened, for the report of a failing seed; cheap to keep.
    struct Line {
        SimClock::time_point At;
        std::optional<td7::TRecordRef> Record;
        const char* What;
        int Number;
        std::string Text;
    };
    void Event(const std::optional<td7::TRecordRef>& record, const char* what, int number = -1) {
        trace.push_back({now, record, what, number, {}});
        if (trace.size() > 40) trace.pop_front();
    }
    // A step of the run (a user's action, a transfer and its outcome): the last ones are
    // kept apart, as a transfer's messages soon push them out of the trace.
    void Trace(std::string text) {
        trace.push_back({now, std::nullopt, "", -1, text});
        if (trace.size() > 40) trace.pop_front();
        steps.push_back(std::to_string((now - SimClock::time_point{}) / 1ms) + " ms " + text);
        if (steps.size() > 12) steps.pop_front();
    }
    std::string TraceText() const {
        std::string text = "steps:\n";
        for (const std::string& step : steps) text += "  " + step + "\n";
        text += "last messages:\n";
        for (const Line& line : trace) {
            text += "  " + std::to_string((line.At - SimClock::time_point{}) / 1ms) + " ms ";
            if (line.Record) text += SimRecordText(*line.Record) + " ";
            text += line.What;
            if (line.Number >= 0) text += " " + std::to_string(line.Number);
            text += line.Text + "\n";
        }
        return text;
    }

    bool Chance(double p) { return p > 0 && std::uniform_real_distribution<>(0, 1)(random) < p; }
    int Between(int low, int high) {
        return high <= low ? low : std::uniform_int_distribution<>(low, high)(random);
    }

    std::mt19937 random;
    TSimFaults faults;
    simulator::Td7Module module;
    SimClock::time_point now{};
    std::vector<Arrival> queue;
    std::uint64_t order = 0;
    std::vector<int> sentData = std::vector<int>(kSimRecords);  // by record key
    // The order of the last request command's ask of each record, by record key.
    std::vector<std::uint64_t> lastRequest = std::vector<std::uint64_t>(kSimRecords);
    std::deque<Line> trace;
    std::deque<std::string> steps;

  private:
    void Queue(SimClock::time_point at, SimBytes message, TSimOrigin origin,
               std::uint64_t ask = 0) {
        queue.push_back({at, ++order, std::move(message), origin, ask});
    }

    SimClock::time_point m_busyUntil{};
};

// The transfers' wait on the simulated cable: the next message that arrives before the
// deadline is delivered as the session delivers it (the read-back first, then the mirror),
// else the clock jumps to the deadline.
class TSimWait : public td7::TTransferWait {
  public:
    explicit TSimWait(TSimulatedModule& module) : m_module(module) {}

    Clock::time_point Now() override { return m_module.now; }
    void WaitUntil(const std::function<bool()>& done, Clock::time_point deadline) override {
        if (++waits > kMostWaits) throw std::runtime_error("a transfer that never ends");
        if (done()) return;
        if (auto arrival = m_module.Next(deadline)) {
            m_module.now = std::max(m_module.now, arrival->At);
            Deliver(*arrival);
            return;
        }
        m_module.now = std::max(m_module.now, deadline);
    }

    // Everything still on its way, as the program's event loop takes it when idle.
    void Drain() {
        while (auto arrival = m_module.Next(SimClock::time_point::max())) {
            m_module.now = std::max(m_module.now, arrival->At);
            Deliver(*arrival);
        }
    }

    td7::TTransfers* transfers = nullptr;
    // A message a record of the mirror stored, and where it came from.
    std::function<void(const td7::TRecordRef&, const TSimulatedModule::Arrival&)> stored;
    long waits = 0;
    static constexpr long kMostWaits = 5'000'000;

  private:
    void Deliver(const TSimulatedModule::Arrival& arrival) {
        const auto record =
            SimRecordOf(arrival.Message.data(), static_cast<int>(arrival.Message.size()));
        static constexpr const char* kArrived[] = {"<- request's answer", "<- read-back's answer",
                                                   "<- dump nobody asked for"};
        static constexpr const char* kStored[] = {"<- request's answer, stored",
                                                  "<- read-back's answer, stored",
                                                  "<- dump nobody asked for, stored"};
        const auto origin = static_cast<std::size_t>(arrival.Origin);
        if (m_module.InputLost()) {
            m_module.Event(record, "<- into a lost input");
            return;
        }
        const auto* data = arrival.Message.data();
        const int size = static_cast<int>(arrival.Message.size());
        transfers->CaptureSysex(data, size);
        const bool resolved = m_module.OfferSysex(data, size);
        m_module.Event(record, resolved ? kStored[origin] : kArrived[origin]);
        if (resolved && record && stored) stored(*record, arrival);
        transfers->HandleMidiInput(resolved);
    }

    TSimulatedModule& m_module;
};

}  // namespace testsupport
