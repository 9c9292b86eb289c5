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

#include "simulator/StoreTiming.h"
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

    using Clock = std::chrono::steady_clock;
    using NowFn = std::function<Clock::time_point()>;

    static constexpr std::chrono::microseconds kByteTime{320};

    // What a test, a benchmark or td7sim can make of the module; the defaults are the
    // module that takes everything at once.
    struct Config {
        bool wireTiming = false;
        int hitsPerSecond = 0;
        StoreTiming store;
        // Messages that may wait to be handled; one arriving when that many wait is lost
        // (0: no limit).
        int inputQueue = 0;
        // The clock that stamps each message's arrival, from which the store time and the
        // input queue are reckoned (empty: the steady clock). With wire timing the arrival is
        // when the message's last byte has crossed the modelled cable.
        NowFn now;
    };

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
    // All of the above and the rest of Config at once; the module's clock starts again.
    void Configure(const Config& config);
    // Messages lost because the input queue was full (data sets among them are also counted
    // in the module's DataSetsDropped).
    int InputDropped() const;

    // The memory, for tests; hold ModuleMutex while touching it.
    Td7Module& Module() { return m_module; }
    std::mutex& ModuleMutex() { return m_moduleMutex; }

  private:
    struct Incoming {
        std::vector<std::uint8_t> bytes;
        Clock::time_point arrives;  // when its last byte has crossed the wire
        Clock::time_point stamp;    // the same on the module's clock
    };

    // How long before a modelled deadline the module stops sleeping and starts yielding.
    static constexpr std::chrono::microseconds kWakeMargin{300};

    // How long handling the message keeps the module from the next one: the time its
    // answer takes on the cable, if any.
    Clock::duration HandlingTime(const std::vector<std::uint8_t>& message) const;
    // True when the input queue has room for a message arriving then (and books it).
    bool TakeIntoQueue(const Incoming& message);

    void Run();
    // Sends the hits that are due; false when stopped.
    bool SendDueHits(std::unique_lock<std::mutex>& lock);
    // Waits until the deadline (sending hits as they fall due) or until stopped; false when
    // stopped.
    bool WaitUntil(std::unique_lock<std::mutex>& lock, Clock::time_point deadline);

    ReplyFn m_onReply;
    Td7Module m_module;
    std::mutex m_moduleMutex;

    mutable std::mutex m_queueMutex;  // guards everything below
    std::condition_variable m_wake;
    NowFn m_now;
    Clock::time_point m_start{};  // the module's clock counts from here
    int m_inputQueue = 0;
    int m_inputDropped = 0;
    std::deque<Clock::time_point> m_handledAt;  // of the messages that may still be waiting
    Clock::time_point m_handlerFree{};
    Clock::time_point m_stampWireFree{};
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
