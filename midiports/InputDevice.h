#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>

#include "CallbackDevice.h"
#include "MpscQueue.h"

namespace midiports {

// The receiving half that every backend shares: it keeps the receive buffers handed over
// by the port, cuts the incoming byte stream into short messages and system-exclusive
// blocks, and reports each to the port's callback. Deliver runs on the backend's thread
// (one thread at a time) and neither allocates nor locks.
class InputDevice : public CallbackDevice {
  public:
    using CallbackDevice::CallbackDevice;
    ~InputDevice() override;

    // GUI thread.
    MidiResult Prepare(MidiHeader* header);
    MidiResult Unprepare(MidiHeader* header);
    MidiResult AddBuffer(MidiHeader* header);
    MidiResult Start();
    MidiResult Stop();
    MidiResult Reset();  // stops and takes back every queued buffer
    void Close();        // Reset, then no more reports
    int QueuedBuffers() const { return m_queued.load(); }

    // The backend's thread. Bytes may hold several messages, or part of a system-exclusive
    // block whose rest comes with the next call. They are stamped with the moment of the
    // call, or with when they came where the backend knows.
    void Deliver(const std::uint8_t* bytes, std::size_t length);
    void Deliver(const std::uint8_t* bytes, std::size_t length,
                 std::chrono::steady_clock::time_point when);
    std::chrono::steady_clock::time_point EventTime() const override;
    // A buffer given back with nothing in it, as drivers do when they flush.
    void DeliverEmptyBlock();
    void ReportLost();

  private:
    void DeliverLocked(const std::uint8_t* bytes, std::size_t length);
    void Short(std::uint32_t packed);
    void BeginSysex();
    void AppendSysex(std::uint8_t byte);
    void FinishSysex(std::uint32_t message);
    void FileBlock(MidiHeader* header, std::uint32_t message);
    std::uint32_t Now() const;

    MpscQueue<MidiHeader, &MidiHeader::serviceNext> m_free;
    std::atomic<int> m_queued{0};
    std::atomic<bool> m_started{false};
    std::chrono::steady_clock::time_point m_startTime;
    std::chrono::steady_clock::time_point m_eventTime{};  // reporting thread; zero: now

    // Block being assembled; only the reporting thread touches these while started.
    bool m_inSysex = false;
    MidiHeader* m_current = nullptr;
    std::size_t m_length = 0;
};

}  // namespace midiports
