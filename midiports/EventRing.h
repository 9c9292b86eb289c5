#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

#include "MidiService.h"

namespace midiports {

// One received event: a packed short message, or the filled receive buffer of a
// system-exclusive block.
struct RingEntry {
    std::uint32_t timeStamp = 0;
    std::uint32_t message = 0;  // status in bits 0-7; 0 for a block
    MidiHeader* header = nullptr;
    // When the service's thread filed the event: a monotonic clock read in the callback,
    // so that the gap between two notes does not depend on when the GUI took them.
    std::chrono::steady_clock::time_point delivered{};
};

// Fixed ring between the service's thread (the only writer of entries and of the write
// position) and the GUI thread (the only reader). Only the count is shared: the writer
// stores the entry before it raises the count, so the reader never sees half an entry.
struct EventRing {
    static constexpr std::uint16_t kMaxCapacity = 5461;  // 12-byte entries in 64 KiB

    std::unique_ptr<RingEntry[]> storage;
    std::uint16_t capacity = 0;
    std::uint16_t write = 0;  // writer only
    std::uint16_t read = 0;   // reader only
    std::atomic<std::uint16_t> count{0};
};

// Null when the capacity is above kMaxCapacity or memory is short.
std::unique_ptr<EventRing> RingAlloc(std::uint16_t capacity);
bool RingPut(EventRing& ring, const RingEntry& entry);   // false when full
bool RingPeek(const EventRing& ring, RingEntry& entry);  // false when empty
bool RingDrop(EventRing& ring);                          // false when empty

}  // namespace midiports
