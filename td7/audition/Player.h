#pragma once

// Plays a schedule from a thread of its own: each note is sent at its absolute deadline
// (the start plus the note's time, slept to with sleep_until on steady_clock), never waiting
// on the caller, through a send function that passes whole messages. Stop ends the wait at
// once and releases every note still sounding.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "td7/audition/Schedule.h"

namespace td7 {

// The channel the module plays notes on: MIDI channel 10.
inline constexpr std::uint8_t kNoteOnCh10 = 0x99;
inline constexpr std::uint8_t kNoteOffCh10 = 0x89;

class TPlayer {
  public:
    using Clock = std::chrono::steady_clock;
    // One whole short message: status, note, velocity.
    using SendFunction = std::function<void(std::uint8_t, std::uint8_t, std::uint8_t)>;
    // Waits until the deadline or until woken; tests put a clock of their own here.
    using WaitFunction = std::function<void(Clock::time_point deadline)>;

    explicit TPlayer(SendFunction send);
    ~TPlayer();
    TPlayer(const TPlayer&) = delete;
    TPlayer& operator=(const TPlayer&) = delete;

    // Plays the schedule from `start` (now when not given), stopping what played before.
    // With noteOffs, a stop sends a note-off for each note whose own has not gone out yet.
    void Play(std::shared_ptr<const TSchedule> schedule, bool noteOffs,
              Clock::time_point start = {});
    // Stops at once; returns when the thread has ended. Nothing is sent after it returns.
    void Stop();
    // Asks the thread to stop without waiting for it: the notes still sounding are released
    // before it ends.
    void RequestStop();
    bool Playing() const;
    // Blocks until a schedule of a fixed length has played to its end (or was stopped).
    void Wait();
    // A send that throws stops the playing; its text is kept here.
    std::string Failure() const;

    // For tests: a wait that does not sleep, and a start time to count from.
    void SetWait(WaitFunction wait) { m_wait = std::move(wait); }
    void SetNow(std::function<Clock::time_point()> now) { m_now = std::move(now); }

  private:
    void Run(std::shared_ptr<const TSchedule> schedule, bool noteOffs, Clock::time_point start);
    void WaitUntil(Clock::time_point deadline);

    SendFunction m_send;
    WaitFunction m_wait;
    std::function<Clock::time_point()> m_now;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_ended;
    bool m_stop = false;
    bool m_running = false;
    std::string m_failure;
    std::thread m_thread;
};

}  // namespace td7
