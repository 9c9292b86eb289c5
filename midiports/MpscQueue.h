#pragma once

#include <atomic>

namespace midiports {

// Intrusive queue with any number of producers and one consumer at a time (D. Vyukov's
// design). Push never blocks and never allocates, so the service's thread may use it; the
// nodes carry their own link. Pop can report empty for a moment while a producer is
// between its two steps; callers treat that as empty.
template <class T, std::atomic<T*> T::*Link>
class MpscQueue {
  public:
    MpscQueue() : m_head(&m_stub), m_tail(&m_stub) {}
    MpscQueue(const MpscQueue&) = delete;
    MpscQueue& operator=(const MpscQueue&) = delete;

    void Push(T* node) {
        (node->*Link).store(nullptr, std::memory_order_relaxed);
        T* prev = m_head.exchange(node, std::memory_order_acq_rel);
        (prev->*Link).store(node, std::memory_order_release);
    }

    T* Pop() {
        T* tail = m_tail;
        T* next = (tail->*Link).load(std::memory_order_acquire);
        if (tail == &m_stub) {
            if (next == nullptr) return nullptr;
            m_tail = next;
            tail = next;
            next = (next->*Link).load(std::memory_order_acquire);
        }
        if (next != nullptr) {
            m_tail = next;
            return tail;
        }
        if (tail != m_head.load(std::memory_order_acquire)) return nullptr;
        Push(&m_stub);
        next = (tail->*Link).load(std::memory_order_acquire);
        if (next != nullptr) {
            m_tail = next;
            return tail;
        }
        return nullptr;
    }

  private:
    std::atomic<T*> m_head;
    T* m_tail;
    T m_stub;
};

}  // namespace midiports
