#pragma once

// Pad hits as the module reports them: a note-on on the system block's trigger transmit
// channel with the pad's note and the hit's velocity. Read from the input's short messages,
// mapped to the trigger of the current patch that plays the note, and remembered per trigger
// so that a drummer tuning a pad sees how hard the last hits were.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "td7/map/Td7Map.h"

namespace td7 {

class TPresentFlags;
class TTd7Collections;

// The module's trigger transmit channel as it leaves the factory.
inline constexpr int kDefaultTriggerTxChannel = 10;

struct TPadHit {
    int Note = 0;
    int Velocity = 0;
    // When the MIDI service's thread filed the note; the clock's start when not known.
    std::chrono::steady_clock::time_point Delivered{};
    bool operator==(const TPadHit&) const = default;
};

// The channel (1..16) the module sends hits on: the system block's trigger transmit
// channel, or 10 while the mirror holds no system block.
int TriggerTxChannel(TTd7Collections& dumps, const TPresentFlags& present);

// The MIDI note that selector entry t of patch p plays (the pedal's from the common block).
int TriggerNote(TTd7Collections& dumps, int p, int t);

// The first selector entry of patch p, in selector order, whose note is `note`; none when
// no trigger of the patch plays it.
std::optional<int> TriggerOfNote(TTd7Collections& dumps, int p, int note);

// Picks the hits out of the short messages that reach the session and keeps them until the
// program takes them, so that a burst is handled in one go. A program that does not keep up
// loses the oldest hits, never memory.
class TPadHitReader {
  public:
    static constexpr std::size_t kMaxPending = 256;

    TPadHitReader(TTd7Collections& dumps, const TPresentFlags& present);

    // True when the message is a note-on with a velocity above 0 on the trigger transmit
    // channel (or the one set with SetChannel); the hit is kept.
    bool Read(std::uint8_t status, std::uint8_t data1, std::uint8_t data2,
              std::chrono::steady_clock::time_point delivered = {});
    // A channel (1..16) to listen on instead of the system block's; none goes back to it.
    void SetChannel(std::optional<int> channel) { m_channel = channel; }
    bool Pending() const { return !m_hits.empty(); }
    // The hits since the last call, oldest first.
    std::vector<TPadHit> Take();
    // Note-ons that came on the other channels, channel 1 first: a module set to send on
    // another channel than the one listened to shows here.
    const std::array<int, 16>& Elsewhere() const { return m_elsewhere; }

  private:
    TTd7Collections& m_dumps;
    const TPresentFlags& m_present;
    std::vector<TPadHit> m_hits;
    std::optional<int> m_channel;
    std::array<int, 16> m_elsewhere{};
};

// The last velocities of each selector entry, oldest first.
class TVelocityHistory {
  public:
    static constexpr int kLength = 8;

    void Add(int t, int velocity);
    std::vector<int> Of(int t) const;
    void Clear();

  private:
    struct Entry {
        std::array<std::uint8_t, kLength> Velocities{};
        int Count = 0;  // kept, up to kLength
        int Next = 0;   // where the next one goes
    };
    std::array<Entry, kTriggerSelectorEntries> m_entries{};
};

}  // namespace td7
