#include "EventRing.h"

#include <new>

namespace midiports {

std::unique_ptr<EventRing> RingAlloc(std::uint16_t capacity) {
    if (capacity > EventRing::kMaxCapacity) return nullptr;
    auto ring = std::unique_ptr<EventRing>(new (std::nothrow) EventRing);
    if (!ring) return nullptr;
    ring->storage.reset(new (std::nothrow) RingEntry[capacity == 0 ? 1 : capacity]);
    if (!ring->storage) return nullptr;
    ring->capacity = capacity;
    return ring;
}

bool RingPut(EventRing& ring, const RingEntry& entry) {
    if (ring.count.load(std::memory_order_acquire) >= ring.capacity) return false;
    ring.storage[ring.write] = entry;
    ring.write = static_cast<std::uint16_t>((ring.write + 1) % ring.capacity);
    ring.count.fetch_add(1, std::memory_order_acq_rel);
    return true;
}

bool RingPeek(const EventRing& ring, RingEntry& entry) {
    if (ring.count.load(std::memory_order_acquire) == 0) return false;
    entry = ring.storage[ring.read];
    return true;
}

bool RingDrop(EventRing& ring) {
    if (ring.count.load(std::memory_order_acquire) == 0) return false;
    // The entry was copied by RingPeek before the slot is given back to the writer.
    ring.count.fetch_sub(1, std::memory_order_acq_rel);
    ring.read = static_cast<std::uint16_t>((ring.read + 1) % ring.capacity);
    return true;
}

}  // namespace midiports
