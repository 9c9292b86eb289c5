#pragma once

// The transfers against the simulated module in one thread, with a clock of the test's own.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "midilink/MidiLink.h"
#include "simulator/Td7Module.h"
#include "td7/transfers/Transfers.h"

namespace testsupport {

using Bytes = std::vector<std::uint8_t>;
using simulator::Td7Module;

// The module on the other end of the cable, answering in the same thread. Answers wait
// in a queue until the transfer's wait delivers them, as the input port would.
class ModuleLink : public midilink::TMidiLink {
  public:
    void PutShort(std::uint32_t) override {}
    void PutLong(const std::uint8_t* buffer, int length) override {
        sent.emplace_back(buffer, buffer + length);
        if (answersLeft == 0) return;
        for (auto& answer : module.Receive(buffer, static_cast<std::size_t>(length))) {
            if (answerDeviceId >= 0) answer[2] = static_cast<std::uint8_t>(answerDeviceId);
            pending.push_back(std::move(answer));
            if (answersLeft > 0) --answersLeft;
        }
    }

    Td7Module module;
    std::vector<Bytes> sent;
    std::deque<Bytes> pending;
    int answersLeft = -1;     // -1: every request is answered
    int answerDeviceId = -1;  // >= 0: the answers carry this device ID instead
};

// A wait that takes no time: it delivers one waiting answer, or else jumps the clock to the
// deadline. Hooks let a test act from inside a wait, as the user would.
class FastWait : public td7::TTransferWait {
  public:
    explicit FastWait(ModuleLink& link) : m_link(link) {}

    Clock::time_point Now() override { return now; }
    void WaitUntil(const std::function<bool()>& done, Clock::time_point deadline) override {
        ++waits;
        if (duringWait) duringWait();
        if (done()) return;
        if (!holdAnswers && !m_link.pending.empty()) {
            const Bytes answer = std::move(m_link.pending.front());
            m_link.pending.pop_front();
            // As the session does: a read-back sees every message before the collections.
            if (transfers) transfers->CaptureSysex(answer.data(), static_cast<int>(answer.size()));
            const bool resolved = m_link.OfferSysex(answer.data(), static_cast<int>(answer.size()));
            if (resolved && stored) stored(answer.data(), static_cast<int>(answer.size()));
            if (transfers) transfers->HandleMidiInput(resolved);
            return;
        }
        if (deadline > now) now = deadline;
    }

    Clock::time_point now{};
    int waits = 0;
    bool holdAnswers = false;  // a slow module: its answers come after the deadline
    td7::TTransfers* transfers = nullptr;
    std::function<void()> duringWait;
    std::function<void(const std::uint8_t* message, int length)> stored;  // an answer the mirror took

  private:
    ModuleLink& m_link;
};

class CountingProgress : public td7::TTransferProgress {
  public:
    void Step() override { ++steps; }
    bool CancelRequested() const override { return cancelAfter >= 0 && steps >= cancelAfter; }
    int steps = 0;
    int cancelAfter = -1;
};

}  // namespace testsupport
