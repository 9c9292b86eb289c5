#pragma once

// Notices when the editor's own system-exclusive messages come back on its input: the
// output is routed back to the input (a "through" port, a patchbay loop), so every edit
// and request returns as if the module had sent it. The module never repeats a message
// byte for byte within a moment of receiving it, so an identical message back within a
// short window is the loop's signature.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>

namespace td7 {

class TLoopDetector {
  public:
    using Clock = std::chrono::steady_clock;
    // A loop answers within milliseconds; the module's answers to a request for a record
    // just transmitted come at least one transmit pace later.
    static constexpr std::chrono::milliseconds kWindow{500};
    // Messages remembered: more than one transfer sends within the window.
    static constexpr std::size_t kRingSize = 32;

    explicit TLoopDetector(std::function<Clock::time_point()> now = {});
    // Tests give their own clock; none: the steady clock.
    void SetClock(std::function<Clock::time_point()> now) { m_now = std::move(now); }

    // A message the editor has sent.
    void Sent(const std::uint8_t* data, std::size_t size);
    // A message that arrived. True only for the first echo since the start or the last
    // Reset, so the user is told once.
    bool Received(const std::uint8_t* data, std::size_t size);
    bool LoopSeen() const { return m_loopSeen; }
    // The ports changed: forget what was sent and warn again.
    void Reset();

  private:
    struct Entry {
        std::uint64_t Hash = 0;
        Clock::time_point Time{};
        bool Used = false;
    };
    static std::uint64_t Hash(const std::uint8_t* data, std::size_t size);
    Clock::time_point Now() const;

    std::function<Clock::time_point()> m_now;
    std::array<Entry, kRingSize> m_ring{};
    std::size_t m_next = 0;
    bool m_loopSeen = false;
};

inline constexpr const char* kPortLoopText =
    "The midi ports form a loop: sent messages come back on the input";

}  // namespace td7
