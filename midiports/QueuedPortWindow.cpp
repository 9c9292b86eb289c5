#include "QueuedPortWindow.h"

namespace midiports {

static_assert((QueuedPortWindow::kSlots & (QueuedPortWindow::kSlots - 1)) == 0);

QueuedPortWindow::QueuedPortWindow() {
    for (std::size_t i = 0; i < kSlots; ++i) m_slots[i].sequence.store(i);
}

// Bounded queue after D. Vyukov: a slot's sequence says whose turn it is.
bool QueuedPortWindow::Post(std::uint32_t message, std::uintptr_t param) {
    std::size_t pos = m_enqueue.load(std::memory_order_relaxed);
    Slot* slot = nullptr;
    for (;;) {
        slot = &m_slots[pos & (kSlots - 1)];
        const std::size_t seq = slot->sequence.load(std::memory_order_acquire);
        const auto diff = static_cast<std::ptrdiff_t>(seq) - static_cast<std::ptrdiff_t>(pos);
        if (diff == 0) {
            if (m_enqueue.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed)) break;
        } else if (diff < 0) {
            return false;
        } else {
            pos = m_enqueue.load(std::memory_order_relaxed);
        }
    }
    slot->message = message;
    slot->param = param;
    slot->sequence.store(pos + 1, std::memory_order_release);
    return true;
}

bool QueuedPortWindow::Take(std::uint32_t& message, std::uintptr_t& param) {
    Slot& slot = m_slots[m_dequeue & (kSlots - 1)];
    if (slot.sequence.load(std::memory_order_acquire) != m_dequeue + 1) return false;
    message = slot.message;
    param = slot.param;
    slot.sequence.store(m_dequeue + kSlots, std::memory_order_release);
    ++m_dequeue;
    return true;
}

int QueuedPortWindow::DeliverPending() {
    // Only what is queued now: a note posted by a receiver waits for the next turn.
    const std::size_t end = m_enqueue.load(std::memory_order_acquire);
    int delivered = 0;
    std::uint32_t message = 0;
    std::uintptr_t param = 0;
    while (m_dequeue != end && Take(message, param)) {
        ++delivered;
        if (m_receiver) m_receiver(message, param);
    }
    return delivered;
}

}  // namespace midiports
