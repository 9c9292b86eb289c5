#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "simulator/Td7Module.h"

namespace simulator {

// A TD-7 module answering from its own thread, as the hardware answers on its own time.
// Messages go in through Send from any thread; each reply leaves through the ReplyFn on the
// module's thread. With wire timing on, both directions take the time a 31250-baud MIDI cable
// needs (0.32 ms a byte, bytes queued behind each other), so that benchmarks see real pacing.
class VirtualTd7 {
  public:
    // Called on the module's thread, once per complete outgoing message.
    using ReplyFn = std::function<void(const std::uint8_t* data, std::size_t len)>;

    static constexpr std::chrono::microseconds kByteTime{320};

    explicit VirtualTd7(ReplyFn onReply, std::uint8_t deviceId = Td7Module::kDefaultDeviceId);
    ~VirtualTd7();
    VirtualTd7(const VirtualTd7&) = delete;
    VirtualTd7& operator=(const VirtualTd7&) = delete;

    // One complete message to the module (short or system exclusive).
    void Send(const std::uint8_t* data, std::size_t len);
    void SetWireTiming(bool on);
    // Hits on the pads of the current patch, perSecond of them at a steady pace with the
    // velocities a drummer plays (0: none, the start). They leave from the module's thread
    // like its answers, but beside the modelled cable: a thousand notes a second would
    // take nearly all of it.
    void SetHits(int perSecond);

    // The memory, for tests; hold ModuleMutex while touching it.
    Td7Module& Module() { return m_module; }
    std::mutex& ModuleMutex() { return m_moduleMutex; }

  private:
    using Clock = std::chrono::steady_clock;
    struct Incoming {
        std::vector<std::uint8_t> bytes;
        Clock::time_point arrives;  // when its last byte has crossed the wire
    };

    // How long before a modelled deadline the module stops sleeping and starts yielding.
    static constexpr std::chrono::microseconds kWakeMargin{300};

    void Run();
    // Sends the hits that are due; false when stopped.
    bool SendDueHits(std::unique_lock<std::mutex>& lock);
    // Waits until the deadline (sending hits as they fall due) or until stopped; false when
    // stopped.
    bool WaitUntil(std::unique_lock<std::mutex>& lock, Clock::time_point deadline);

    ReplyFn m_onReply;
    Td7Module m_module;
    std::mutex m_moduleMutex;

    std::mutex m_queueMutex;  // guards everything below
    std::condition_variable m_wake;
    std::deque<Incoming> m_queue;
    bool m_wireTiming = false;
    bool m_stop = false;
    Clock::time_point m_inputWireFree{};
    Clock::time_point m_outputWireFree{};
    Clock::duration m_hitPeriod{};  // zero: no hits
    Clock::time_point m_nextHit{};
    std::uint64_t m_hitCount = 0;
    bool m_hitsChanged = false;

    std::thread m_thread;  // last: starts after everything it uses exists
};

}  // namespace simulator
